#include "engine/file_helpers.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <memory>
#include <vector>

#include "image/error.h"
#include "image/sink.h"

namespace pix {

namespace {

std::string absolute(const std::string& path) {
    if (!path.empty() && path[0] == '/') return path;
    char buf[PATH_MAX];
    if (!::getcwd(buf, sizeof buf)) return path;
    std::string cwd(buf);
    if (cwd.empty() || cwd.back() != '/') cwd += '/';
    return cwd + path;
}

bool isFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

struct Fd {
    int fd;
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
};

}  // namespace

void copyfile(const std::string& source, const std::string& destination) {
    std::string dest = absolute(destination);
    if (isFolder(dest)) {
        const size_t slash = source.find_last_of('/');
        if (dest.back() != '/') dest += '/';
        dest += slash == std::string::npos ? source : source.substr(slash + 1);
    }
    Fd in{::open(source.c_str(), O_RDONLY | O_CLOEXEC)};
    struct stat st {};
    if (in.fd < 0 || ::fstat(in.fd, &st) != 0 || S_ISDIR(st.st_mode)) throw Error(msgCannotOpen(source));
    if (samefile(source, dest)) throw Error(msgCannotCreate(dest));
    std::unique_ptr<FileSink> out;
    try {
        out = std::make_unique<FileSink>(dest);
    } catch (const Error&) {
        throw Error(msgCannotCreate(dest));
    }
    std::vector<char> chunk(8192);
    while (true) {
        const ssize_t n = ::read(in.fd, chunk.data(), chunk.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw Error(msgCannotOpen(source));
        if (n > 0) out->write(chunk.data(), size_t(n));
        if (size_t(n) < chunk.size()) break;
    }
    out->commit();
}

int64_t filesizeof(const std::string& path) {
    struct stat st {};
    if (::stat(absolute(path).c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return -1;
    return int64_t(st.st_size);
}

int64_t filedateof(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return -1;
    return int64_t(st.st_mtime) & ~int64_t(1);
}

void setfiledate(const std::string& path, int64_t date) {
    if (date < 0) return;
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = time_t(date);
    times[1].tv_nsec = 0;
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

void createfolders(const std::string& folder) {
    std::string path;
    for (size_t i = 0; i < folder.size(); ++i) {
        path += folder[i];
        if (folder[i] == '/' || i + 1 == folder.size()) {
            if (path.size() > 1) ::mkdir(path.c_str(), 0777);
        }
    }
}

void deletefile(const std::string& path) { ::unlink(path.c_str()); }

bool fileexists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool samefile(const std::string& a, const std::string& b) {
    struct stat sa {}, sb {};
    if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

std::string executableFolder() {
    char buf[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return "./";
    std::string p(buf, size_t(n));
    return p.substr(0, p.find_last_of('/') + 1);
}

}  // namespace pix
