#include "engine/output_naming.h"

#include "profile/text.h"

namespace pix {

PathParts splitPath(const std::string& path) {
    PathParts p;
    const size_t slash = path.find_last_of('/');
    p.folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    p.name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = p.name.find_last_of('.');
    p.extension = dot == std::string::npos ? std::string() : p.name.substr(dot);
    p.stem = dot == std::string::npos ? p.name : p.name.substr(0, dot);
    return p;
}

std::string folderText(const std::string& profileText) {
    std::string t = profileText;
    for (char& c : t)
        if (c == '\\') c = '/';
    return t;
}

std::string sourceDirectoryRule(const std::string& value, const std::string& inputFolder) {
    static constexpr std::string_view kToken = "[source directory]";
    if (!startsWithNoCase(value, kToken)) return value;
    const std::string rest = value.size() > kToken.size() + 1 ? value.substr(kToken.size() + 1) : std::string();
    return (inputFolder + rest).substr(0, 1024);
}

std::string expandsubfolders(const std::string& outputFolder, const std::string& inputFolder,
                             size_t directoryLength) {
    const size_t at = lowerAscii(outputFolder).find("[subfolders]");
    const std::string head = outputFolder.substr(0, at);
    const std::string tail = directoryLength < inputFolder.size()
                                 ? inputFolder.substr(directoryLength, 1024)
                                 : std::string();
    return head + tail;
}

void applyNewName(const std::string& newname, PathParts& parts) {
    const size_t dot = newname.find_last_of('.');
    const size_t sep = newname.find_last_of("/\\:");
    if (dot != std::string::npos && (sep == std::string::npos || dot > sep)) {
        parts.stem = newname.substr(0, dot);
        parts.extension = newname.substr(dot);
    } else {
        parts.stem = newname;
    }
}

std::string outputExtension(const std::string& imageformat, const std::string& currentExtension) {
    struct Row {
        const char* format;
        bool containment;
        const char* accepted[2];
        const char* canonical;
    };
    static constexpr Row kRows[] = {
        {"jpg", false, {".jpg", ".jpeg"}, ".jpg"},   {"jpg2000", false, {".jp2", nullptr}, ".jp2"},
        {"tiff", true, {".tif", ".tiff"}, ".tif"},   {"bmp", false, {".bmp", nullptr}, ".bmp"},
        {"pcx", false, {".pcx", nullptr}, ".pcx"},   {"png", false, {".png", nullptr}, ".png"},
        {"gif", false, {".gif", nullptr}, ".gif"},
    };
    const std::string f = lowerAscii(trimBlank(imageformat));
    const std::string e = lowerAscii(trimBlank(currentExtension));
    for (const Row& row : kRows) {
        const bool match = row.containment ? f.find(row.format) != std::string::npos : f == row.format;
        if (!match) continue;
        for (const char* a : row.accepted)
            if (a && e == a) return currentExtension;
        return row.canonical;
    }
    return currentExtension;
}

}  // namespace pix
