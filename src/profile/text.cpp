#include "profile/text.h"

#include <cstdio>

#include "image/error.h"

namespace pix {

namespace {
char lowerChar(char c) { return (c >= 'A' && c <= 'Z') ? char(c + 32) : c; }
char upperChar(char c) { return (c >= 'a' && c <= 'z') ? char(c - 32) : c; }
int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}
}  // namespace

std::string lowerAscii(std::string_view s) {
    std::string r(s);
    for (char& c : r) c = lowerChar(c);
    return r;
}

std::string upperAscii(std::string_view s) {
    std::string r(s);
    for (char& c : r) c = upperChar(c);
    return r;
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    if (prefix.size() > text.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (lowerChar(text[i]) != lowerChar(prefix[i])) return false;
    return true;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && startsWithNoCase(a, b);
}

std::string trimBlank(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= 32) ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= 32) --e;
    return std::string(s.substr(b, e - b));
}

bool isNonBlank(std::string_view s) {
    for (char c : s)
        if (static_cast<unsigned char>(c) > 32) return true;
    return false;
}

std::string removequote(std::string_view s) {
    std::string r;
    r.reserve(s.size());
    for (char c : s)
        if (c != '"') r += c;
    return r;
}

bool tryNumber(const std::string& text, int32_t& out) {
    size_t i = 0;
    const size_t n = text.size();
    while (i < n && text[i] == ' ') ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    bool hex = false;
    if (i < n && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < n && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i >= n) return false;
    uint64_t value = 0;
    for (; i < n; ++i) {
        if (hex) {
            const int d = hexDigit(text[i]);
            if (d < 0) return false;
            value = value * 16 + uint64_t(d);
            if (value > 0xFFFFFFFFull) return false;
        } else {
            if (text[i] < '0' || text[i] > '9') return false;
            value = value * 10 + uint64_t(text[i] - '0');
            if (value > 0x80000000ull) return false;
        }
    }
    if (hex) {
        // Hexadecimal digits give the 32-bit pattern; the sign then applies to it.
        const int32_t v = static_cast<int32_t>(static_cast<uint32_t>(value));
        out = negative ? static_cast<int32_t>(0u - static_cast<uint32_t>(v)) : v;
        return true;
    }
    if (!negative && value > 0x7FFFFFFFull) return false;
    out = negative ? static_cast<int32_t>(0 - static_cast<int64_t>(value)) : static_cast<int32_t>(value);
    return true;
}

int32_t toNumber(const std::string& text) {
    int32_t v = 0;
    if (!tryNumber(text, v)) throw Error(msgNotInteger(text));
    return v;
}

uint32_t hexColour(std::string_view text) {
    std::string t;
    for (char c : text)
        if (static_cast<unsigned char>(c) > 32) t += upperChar(c);
    if (t.size() >= 2 && t[0] == '0' && t[1] == 'X') t.erase(0, 2);
    if (!t.empty() && t[0] != '$') t.insert(t.begin(), '$');
    uint64_t value = 0;
    for (size_t i = 1; i < t.size(); ++i) {
        const int d = hexDigit(t[i]);
        if (d < 0) break;
        value = (value * 16 + uint64_t(d)) & 0xFFFFFFFFull;
    }
    return static_cast<uint32_t>(value);
}

std::string colourHex6(uint32_t colour) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%06X", colour);
    return std::string(buf, 6);
}

}  // namespace pix
