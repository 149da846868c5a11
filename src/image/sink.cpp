#include "image/sink.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>

#include "image/error.h"

namespace pix {

void MemorySink::write(const void* data, size_t n) {
    if (pos_ + n > bytes_.size()) bytes_.resize(pos_ + n);
    if (n) std::memcpy(bytes_.data() + pos_, data, n);
    pos_ += n;
}

namespace {
constexpr size_t kBufferSize = 1 << 16;
}

FileSink::FileSink(const std::string& path) : path_(path) {
    const size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    // The temporary name carries no image extension, so a scan never takes it for an input.
    uint64_t stamp = uint64_t(std::chrono::steady_clock::now().time_since_epoch().count());
    for (int attempt = 0; attempt < 100; ++attempt, ++stamp) {
        tempPath_ = folder + ".pixmarsh-" + std::to_string(::getpid()) + "-" + std::to_string(stamp) + ".tmp";
        fd_ = ::open(tempPath_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0 || errno != EEXIST) break;
    }
    if (fd_ < 0) throw Error(msgCannotCreateWriter(path, std::strerror(errno)));
    buf_.reserve(kBufferSize);
}

FileSink::~FileSink() {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_) ::unlink(tempPath_.c_str());
}

void FileSink::flushBuffer() {
    size_t done = 0;
    while (done < buf_.size()) {
        ssize_t n = ::pwrite(fd_, buf_.data() + done, buf_.size() - done, off_t(bufStart_ + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const int err = n < 0 ? errno : ENOSPC;
            throw Error(msgCannotWrite(path_, std::strerror(err)));
        }
        done += size_t(n);
    }
    buf_.clear();
}

void FileSink::write(const void* data, size_t n) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    while (n > 0) {
        if (buf_.empty()) bufStart_ = pos_;
        const size_t take = std::min(n, kBufferSize - buf_.size());
        buf_.insert(buf_.end(), p, p + take);
        p += take;
        n -= take;
        pos_ += take;
        if (buf_.size() == kBufferSize) flushBuffer();
    }
}

void FileSink::seek(uint64_t pos) {
    flushBuffer();
    pos_ = pos;
}

void FileSink::commit() {
    flushBuffer();
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) throw Error(msgCannotWrite(path_, std::strerror(errno)));
    if (::rename(tempPath_.c_str(), path_.c_str()) != 0)
        throw Error(msgCannotCreateWriter(path_, std::strerror(errno)));
    committed_ = true;
}

}  // namespace pix
