#pragma once
// doprocess, the scan-and-run behind a timer tick, Test Now and the command
// line: reload the default profile, scan, filter, run the batch. It knows no
// timer and no window; it tells its front end the moments through SchedulerView.
#include <string>

#include "engine/batch_engine.h"

namespace pix {

inline constexpr const char* kTooltipTimerOff = "Pixmarsh [Timer Off]";
inline constexpr const char* kTooltipTimerOn = "Pixmarsh [Timer On]";
inline constexpr const char* kTooltipProcessing = "Pixmarsh [Processing]";

class SchedulerView {
public:
    virtual ~SchedulerView() = default;
    // Timer off, tooltip "Pixmarsh [Processing]".
    virtual void runStarting() = 0;
    // One pass of the front end's event loop before the scan.
    virtual void processPendingEvents() {}
    // Tooltip "Pixmarsh [Timer On]", timer on (a full period). Not called when
    // an error ends the run: the error propagates to the front end instead.
    virtual void runFinished() = 0;
};

struct ScanRunResult {
    size_t filesFound = 0;  // paths handed to the batch run
};

// profilePath: the default profile; exeFolder: scanned when the profile names
// no directory; recursive: taken by the caller from its own line list.
ScanRunResult doprocess(BatchEngine& engine, const std::string& profilePath, const std::string& exeFolder,
                        bool recursive, SchedulerView& view, BatchObserver* observer = nullptr);

}  // namespace pix
