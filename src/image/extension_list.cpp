#include "image/extension_list.h"

namespace pix {

namespace {
char fold(char c) { return (c >= 'a' && c <= 'z') ? char(c - 32) : c; }

bool sameNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (fold(a[i]) != fold(b[i])) return false;
    return true;
}
}  // namespace

std::string_view pathExtension(std::string_view path) {
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return {};
    return path.substr(dot + 1);
}

bool extensionListHas(std::string_view list, std::string_view ext) {
    if (ext.empty()) return false;
    while (true) {
        const size_t semi = list.find(';');
        if (sameNoCase(list.substr(0, semi), ext)) return true;
        if (semi == std::string_view::npos) return false;
        list.remove_prefix(semi + 1);
    }
}

}  // namespace pix
