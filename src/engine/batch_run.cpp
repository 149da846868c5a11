// runbatch: one pass over the job file list. For each file: the pipeline, the
// output's name and folder, the copy to a second folder, the encoding
// settings, one of three write roads, redating and deletion of the input.
#include <memory>
#include <string>

#include "engine/batch_engine.h"
#include "engine/encoding_settings.h"
#include "engine/file_helpers.h"
#include "engine/output_naming.h"
#include "profile/text.h"
#include "writers/writers.h"

namespace pix {

namespace {

// Removes the favour-size temporary file however the road ends.
struct TempFileGuard {
    std::string path;
    ~TempFileGuard() {
        if (!path.empty()) deletefile(path);
    }
};

bool isDepthValue(const std::string& v) { return v == "1" || v == "4" || v == "8" || v == "24"; }

// Nothing is asked of the pixels: the output may be the input's bytes.
bool nothingAskedOfPixels(const EngineProfile& p) {
    for (const char* key : {"resizemethod", "orientation", "brightness", "contrast", "textcaption"})
        if (!p.profilevalue(key, "").empty()) return false;
    return !p.isTrueTrimmed("grayscale") && !p.isTrueTrimmed("negative") &&
           !isDepthValue(trimBlank(p.profilevalue("colordepth", "")));
}

}  // namespace

void BatchEngine::runbatch(BatchObserver* observer) {
    image_ = Image();
    try {
        for (size_t i = 0; i < jobFiles_.size(); ++i) {
            if (observer && i > 0 && observer->stopRequested()) break;
            if (observer) observer->fileStarted(i, jobFiles_.size(), jobFiles_[i]);
            processFile(i, observer);
            image_.clear();
        }
    } catch (...) {
        image_ = Image();
        throw;
    }
    image_ = Image();
}

void BatchEngine::processFile(size_t index, BatchObserver* observer) {
    const EngineProfile& p = profile_;
    const std::string& path = jobFiles_[index];
    if (!processimage(index)) {
        if (observer) observer->fileSkipped(path, skipReason_);
        return;
    }
    PathParts parts = splitPath(path);
    const std::string inputExtension = parts.extension;
    const int64_t inputSize = filesizeof(path);
    const int64_t inputDate = filedateof(path);

    const std::string moveTo = p.profilevalue("moveoriginalto", "");
    if (!moveTo.empty()) {
        const std::string target = sourceDirectoryRule(folderText(moveTo), parts.folder);
        createfolders(target);
        copyfile(path, target + parts.name);
        setfiledate(target + parts.name, inputDate);
    }

    const std::string newname = p.profilevalue("newname", "");
    if (isNonBlank(newname)) applyNewName(newname, parts);
    const std::string extension = outputExtension(p.profilevalue("imageformat", ""), parts.extension);

    encodingSettingsStep(p, image_.params, lastLoadedDpi_);

    std::string folder = sourceDirectoryRule(folderText(p.profilevalue("savein", "")), parts.folder);
    if (!isNonBlank(folder)) folder = parts.folder;
    const std::string name = p.profilevalue("prefix", "") + parts.stem + p.profilevalue("suffix", "") + extension;
    if (lowerAscii(folder).find("[subfolders]") != std::string::npos)
        folder = expandsubfolders(folder, parts.folder, p.profilevalue("directory", "").size());
    if (folder.empty() || folder.back() != '/') folder += '/';
    createfolders(folder);
    const std::string output = folder + name;

    image_.params.IptcList.clear();

    // Decided before writing: once written, the output replaces the input's bytes.
    const bool outputIsInput = samefile(path, output);
    const bool sameExtension = equalsNoCase(extension, inputExtension);
    std::string road = "encoded";
    if (p.isSet("favorfilesize")) {
        TempFileGuard temp{folder + "temp_" + name};
        saveimage(image_, temp.path);
        const int64_t t = filesizeof(temp.path);
        if (inputSize != -1 && inputSize < t && sameExtension) {
            copyfile(path, output);
            road = "kept input";
        } else {
            copyfile(temp.path, output);
        }
    } else if (sameExtension && nothingAskedOfPixels(p)) {
        copyfile(path, output);
        road = "copied";
    } else {
        saveimage(image_, output);
    }

    const bool written = fileexists(output);
    if (written && p.isSet("retainoriginaldate")) setfiledate(output, inputDate);
    if (observer) {
        if (written)
            observer->fileWritten(path, output, inputSize, filesizeof(output), road);
        else
            observer->fileNotWritten(path, output);
    }
    // The input goes only when an output exists in a place of its own.
    if (p.isSet("deleteoriginal") && written && !outputIsInput && fileexists(path)) deletefile(path);
}

}  // namespace pix
