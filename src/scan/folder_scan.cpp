#include "scan/folder_scan.h"

#include <dirent.h>
#include <sys/stat.h>

#include <deque>
#include <set>
#include <utility>

#include "engine/output_naming.h"
#include "profile/text.h"

namespace pix {

namespace {

char fold(char c) { return (c >= 'A' && c <= 'Z') ? char(c + 32) : c; }

bool matchFrom(const char* m, const char* n) {
    // Iterative matcher with one backtrack point for the last "*".
    const char* starM = nullptr;
    const char* starN = nullptr;
    while (*n) {
        if (*m == '*') {
            starM = ++m;
            starN = n;
        } else if (*m == '?' || (*m && fold(*m) == fold(*n))) {
            ++m;
            ++n;
        } else if (starM) {
            m = starM;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (*m == '*') ++m;
    return *m == '\0';
}

struct Entry {
    std::string name;
    bool folder;
};

// Lists a folder in enumeration order; a folder that cannot be read lists nothing.
std::vector<Entry> listFolder(const std::string& folder) {
    std::vector<Entry> out;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return out;
    while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        struct stat st {};
        const bool isFolder = ::stat((folder + name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        out.push_back({name, isFolder});
    }
    ::closedir(dir);
    return out;
}

std::string withSeparator(const std::string& text) {
    std::string folder = folderText(text);
    if (folder.back() != '/') folder += '/';
    return folder;
}

}  // namespace

bool wildcardMatch(const std::string& mask, const std::string& name) {
    if (mask == "*.*") return true;
    return matchFrom(mask.c_str(), name.c_str());
}

std::vector<std::string> scanFolder(const std::string& folder, const std::string& mask, bool recursive) {
    std::vector<std::string> result;
    if (folder.empty()) return result;
    std::deque<std::string> queue{withSeparator(folder)};
    std::set<std::pair<dev_t, ino_t>> entered;
    while (!queue.empty()) {
        const std::string current = withSeparator(queue.front());
        queue.pop_front();
        struct stat st {};
        if (::stat(current.c_str(), &st) != 0 || !entered.insert({st.st_dev, st.st_ino}).second) continue;
        const std::vector<Entry> entries = listFolder(current);
        if (recursive)
            for (const Entry& e : entries)
                if (e.folder) queue.push_back(current + e.name);
        for (const Entry& e : entries)
            if (!e.folder && wildcardMatch(mask, e.name)) result.push_back(current + e.name);
        if (!recursive) break;
    }
    return result;
}

std::vector<std::string> filterImagePaths(const std::vector<std::string>& paths) {
    static constexpr const char* kExtensions[] = {".jpg", ".jp2", ".j2c", ".jpeg", ".jpe",
                                                  ".bmp", ".gif", ".tiff", ".tif", ".png"};
    std::vector<std::string> out;
    for (const std::string& path : paths) {
        const std::string lower = lowerAscii(path);
        for (const char* ext : kExtensions)
            if (lower.find(ext) != std::string::npos) {
                out.push_back(path);
                break;
            }
    }
    return out;
}

}  // namespace pix
