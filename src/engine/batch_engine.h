#pragma once
// The batch engine: the profile line list, the job file list, the working
// image and the last loaded resolution, with the pipeline of one image
// (processimage) and the pass over the job files (runbatch).
#include <cstdint>
#include <string>
#include <vector>

#include "image/image.h"
#include "profile/engine_profile.h"

namespace pix {

// What a front end hears about a run. All calls come from the run's thread.
class BatchObserver {
public:
    virtual ~BatchObserver() = default;
    virtual void fileStarted(size_t index, size_t count, const std::string& path) { (void)index, (void)count, (void)path; }
    virtual void fileSkipped(const std::string& path, const std::string& reason) { (void)path, (void)reason; }
    // road: "encoded", "copied" (unchanged input) or "kept input" (favour size chose the input)
    virtual void fileWritten(const std::string& input, const std::string& output, int64_t inSize, int64_t outSize,
                             const std::string& road) {
        (void)input, (void)output, (void)inSize, (void)outSize, (void)road;
    }
    virtual void fileNotWritten(const std::string& input, const std::string& output) { (void)input, (void)output; }
    // Checked between files: true ends the run after the file in hand.
    virtual bool stopRequested() { return false; }
};

class BatchEngine {
public:
    void loadprofilelines(const std::string& path) { profile_.loadprofilelines(path); }
    std::string profilevalue(const std::string& key, const std::string& def) const {
        return profile_.profilevalue(key, def);
    }
    EngineProfile& profile() { return profile_; }
    const EngineProfile& profile() const { return profile_; }

    std::vector<std::string>& jobFiles() { return jobFiles_; }
    Image& image() { return image_; }
    int32_t lastLoadedDpi() const { return lastLoadedDpi_; }

    // Loads job file `index` into the working image and applies the profile's
    // operations; false when no reader took it or it is too small.
    bool processimage(size_t index);
    // Why the last processimage returned false.
    const std::string& skipReason() const { return skipReason_; }

    // One pass over the job file list. Errors end the run and propagate.
    void runbatch(BatchObserver* observer = nullptr);

private:
    void processFile(size_t index, BatchObserver* observer);

    EngineProfile profile_;
    std::vector<std::string> jobFiles_;
    Image image_;
    int32_t lastLoadedDpi_ = 300;
    std::string skipReason_;
};

}  // namespace pix
