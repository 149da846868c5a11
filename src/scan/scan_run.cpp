#include "scan/scan_run.h"

#include "profile/text.h"
#include "scan/folder_scan.h"

namespace pix {

ScanRunResult doprocess(BatchEngine& engine, const std::string& profilePath, const std::string& exeFolder,
                        bool recursive, SchedulerView& view, BatchObserver* observer) {
    view.runStarting();
    engine.jobFiles().clear();
    engine.loadprofilelines(profilePath);
    view.processPendingEvents();
    const std::string folder = removequote(engine.profilevalue("directory", exeFolder));
    const std::string mask = removequote(engine.profilevalue("searchfor", "*.*"));
    engine.jobFiles() = filterImagePaths(scanFolder(folder, mask, recursive));
    ScanRunResult result;
    result.filesFound = engine.jobFiles().size();
    if (!engine.jobFiles().empty()) engine.runbatch(observer);
    view.runFinished();
    return result;
}

}  // namespace pix
