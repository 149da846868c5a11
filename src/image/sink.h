#pragma once
// Byte sinks the writers write into. A FileSink writes into a temporary file
// beside its target ("Cannot create file "%s". %s" naming the target when it
// cannot), treats a short write (full disk) as an error, and only commit()
// puts the finished file in the target's place. An unfinished file is removed,
// so a failed write never leaves a truncated output and never destroys a file
// that stood at the target (the input itself, when a profile writes in place).
// A MemorySink serves tests and fuzzing.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace pix {

class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual void write(const void* data, size_t n) = 0;
    virtual uint64_t tell() const = 0;
    virtual void seek(uint64_t pos) = 0;
    void put8(uint8_t v) { write(&v, 1); }
    void put16le(uint16_t v) { uint8_t b[2] = {uint8_t(v), uint8_t(v >> 8)}; write(b, 2); }
    void put32le(uint32_t v) {
        uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
        write(b, 4);
    }
    void write(const std::vector<uint8_t>& v) { if (!v.empty()) write(v.data(), v.size()); }
};

class MemorySink : public ByteSink {
public:
    void write(const void* data, size_t n) override;
    uint64_t tell() const override { return pos_; }
    void seek(uint64_t pos) override { pos_ = pos; }
    const std::vector<uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
    uint64_t pos_ = 0;
};

class FileSink : public ByteSink {
public:
    explicit FileSink(const std::string& path);
    ~FileSink() override;
    FileSink(const FileSink&) = delete;
    FileSink& operator=(const FileSink&) = delete;

    void write(const void* data, size_t n) override;
    uint64_t tell() const override { return pos_; }
    void seek(uint64_t pos) override;
    // Flushes and closes; a failure here is a short write too. After commit
    // the file stays; without it the destructor removes the partial file.
    void commit();
    const std::string& path() const { return path_; }

private:
    void flushBuffer();
    std::string path_;
    std::string tempPath_;
    int fd_ = -1;
    uint64_t pos_ = 0;
    uint64_t bufStart_ = 0;
    std::vector<uint8_t> buf_;
    bool committed_ = false;
};

}  // namespace pix
