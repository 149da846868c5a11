// pixmarsh-cli: the headless front end. "run" is one scan-and-run, "watch"
// repeats it every `interval` minutes until SIGINT or SIGTERM.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/cli_report.h"
#include "engine/file_helpers.h"
#include "image/error.h"
#include "profile/form_model.h"
#include "profile/profile_file.h"
#include "profile/text.h"
#include "scan/scan_run.h"

namespace {

// Set by the signal handler; the only state a handler may touch.
volatile std::sig_atomic_t stopSignal = 0;
void onSignal(int) { stopSignal = 1; }

const char* kUsage =
    "Usage: pixmarsh-cli run [--profile FILE]\n"
    "       pixmarsh-cli watch [--profile FILE]\n"
    "\n"
    "run    scans the profile's folder once and converts the images found.\n"
    "watch  does the same every `interval` minutes until interrupted.\n"
    "The profile defaults to default.ini beside this program.\n";

struct QuietView : pix::SchedulerView {
    void runStarting() override {}
    void runFinished() override {}
};

// The profile's own recursion flag and interval, read as the window reads them.
bool recursiveFlag(const std::string& profilePath) {
    std::vector<std::string> lines;
    pix::readProfileFile(profilePath, lines);
    return pix::hasFlag(lines, "recursive");
}

int intervalMinutes(const std::string& profilePath) {
    pix::FormModel form;
    pix::readProfileFile(profilePath, form.lines);
    int32_t minutes = 60;
    if (!pix::tryNumber(pix::getvalue(form, "interval", "60"), minutes) || minutes < 1) minutes = 60;
    return minutes;
}

// One scan-and-run; returns the exit status.
int runOnce(const std::string& profilePath, pix::BatchEngine& engine) {
    pix::CliReport report([] { return stopSignal != 0; });
    QuietView view;
    try {
        const bool recursive = recursiveFlag(profilePath);
        pix::doprocess(engine, profilePath, pix::executableFolder(), recursive, view, &report);
        report.printSummary();
        return 0;
    } catch (const std::exception& e) {
        report.printError(e.what());
        return 1;
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    for (const std::string& a : args) {
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (a == "--version") {
            std::puts(PIXMARSH_VERSION_TEXT);
            return 0;
        }
    }
    if (args.empty() || (args[0] != "run" && args[0] != "watch")) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    std::string profile = pix::executableFolder() + "default.ini";
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--profile" && i + 1 < args.size()) {
            profile = args[++i];
        } else {
            std::fprintf(stderr, "pixmarsh-cli: unexpected argument '%s'\n\n%s", args[i].c_str(), kUsage);
            return 2;
        }
    }
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    // A file-size limit then shows as a failed write, which the run reports.
    std::signal(SIGXFSZ, SIG_IGN);
    pix::BatchEngine engine;
    if (args[0] == "run") return runOnce(profile, engine);

    while (!stopSignal) {
        runOnce(profile, engine);
        const long seconds = 60L * intervalMinutes(profile);
        std::fprintf(stderr, "next run in %ld minute(s)\n", seconds / 60);
        for (long waited = 0; waited < seconds * 5 && !stopSignal; ++waited) {
            struct timespec t = {0, 200000000};
            nanosleep(&t, nullptr);
        }
    }
    return 0;
}
