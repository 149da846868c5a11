#include "cli/cli_report.h"

#include <cstdio>

namespace pix {

void CliReport::fileStarted(size_t index, size_t count, const std::string& path) {
    count_ = count;
    current_ = path;
    prefix_ = std::to_string(index + 1) + "/" + std::to_string(count);
}

void CliReport::fileSkipped(const std::string& path, const std::string& reason) {
    ++skipped_;
    std::fprintf(stderr, "%s %s: skipped (%s)\n", prefix_.c_str(), path.c_str(), reason.c_str());
}

void CliReport::fileWritten(const std::string& input, const std::string& output, int64_t inSize, int64_t outSize,
                            const std::string& road) {
    ++written_;
    if (inSize > 0) bytesIn_ += inSize;
    if (outSize > 0) bytesOut_ += outSize;
    std::fprintf(stderr, "%s %s -> %s (%lld bytes, %s)\n", prefix_.c_str(), input.c_str(), output.c_str(),
                 static_cast<long long>(outSize), road.c_str());
}

void CliReport::fileNotWritten(const std::string& input, const std::string& output) {
    ++skipped_;
    std::fprintf(stderr, "%s %s: no output (no writer for %s)\n", prefix_.c_str(), input.c_str(), output.c_str());
}

void CliReport::printSummary() const {
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    std::fprintf(stderr, "%zu file(s) found, %zu written, %zu skipped; %lld bytes in, %lld bytes out; %.2f s\n",
                 count_, written_, skipped_, static_cast<long long>(bytesIn_), static_cast<long long>(bytesOut_),
                 seconds);
}

void CliReport::printError(const std::string& message) const {
    if (!current_.empty())
        std::fprintf(stderr, "%s %s: error: %s\n", prefix_.c_str(), current_.c_str(), message.c_str());
    else
        std::fprintf(stderr, "error: %s\n", message.c_str());
    std::fprintf(stderr, "run ended by an error; %zu file(s) written before it\n", written_);
}

}  // namespace pix
