#pragma once
// The command line's account of a run: a line per file on stderr, numbered
// k/N, and a summary.
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "engine/batch_engine.h"

namespace pix {

class CliReport : public BatchObserver {
public:
    explicit CliReport(std::function<bool()> stop) : stop_(std::move(stop)) {}
    void fileStarted(size_t index, size_t count, const std::string& path) override;
    void fileSkipped(const std::string& path, const std::string& reason) override;
    void fileWritten(const std::string& input, const std::string& output, int64_t inSize, int64_t outSize,
                     const std::string& road) override;
    void fileNotWritten(const std::string& input, const std::string& output) override;
    bool stopRequested() override { return stop_(); }

    void printSummary() const;
    void printError(const std::string& message) const;

private:
    std::function<bool()> stop_;
    std::string current_;
    std::string prefix_;
    size_t count_ = 0, written_ = 0, skipped_ = 0;
    int64_t bytesIn_ = 0, bytesOut_ = 0;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

}  // namespace pix
