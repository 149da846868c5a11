#include "profile/profile_file.h"

#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "image/error.h"
#include "image/sink.h"

namespace pix {

std::vector<std::string> splitProfileText(const std::string& text) {
    std::vector<std::string> lines;
    const size_t end = std::min(text.find('\0'), text.size());
    size_t start = 0;
    size_t i = 0;
    while (i < end) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(text.substr(start, i - start));
            if (c == '\r' && i + 1 < end && text[i + 1] == '\n') ++i;
            start = i + 1;
        }
        ++i;
    }
    if (start < end) lines.push_back(text.substr(start, end - start));
    return lines;
}

bool readProfileFile(const std::string& path, std::vector<std::string>& lines) {
    lines.clear();
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    if (S_ISDIR(st.st_mode)) throw Error(msgCannotOpen(path));
    std::ifstream in(path, std::ios::binary);
    if (!in) throw Error(msgCannotOpen(path));
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) throw Error(msgCannotOpen(path));
    lines = splitProfileText(text.str());
    return true;
}

void writeProfileFile(const std::string& path, const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }
    FileSink out(path);
    out.write(text.data(), text.size());
    out.commit();
}

std::string valuepart(const std::string& line) {
    const size_t eq = line.find('=');
    if (eq == std::string::npos) return line.substr(0, 1024);
    return line.substr(eq + 1, 1024);
}

}  // namespace pix
