#include "profile/engine_profile.h"

#include "profile/profile_file.h"
#include "profile/text.h"

namespace pix {

void EngineProfile::loadprofilelines(const std::string& path) {
    lines_.clear();
    std::vector<std::string> raw;
    if (!readProfileFile(path, raw)) return;
    setLines(raw);
}

void EngineProfile::setLines(const std::vector<std::string>& lines) {
    lines_.clear();
    lines_.reserve(lines.size());
    for (const std::string& l : lines) lines_.push_back(stripquotes(l));
}

std::string EngineProfile::profilevalue(const std::string& key, const std::string& def) const {
    for (const std::string& line : lines_) {
        if (!startsWithNoCase(line, key)) continue;
        const size_t eq = line.find('=');
        if (eq == std::string::npos) return "true";
        return line.substr(eq + 1, 1024);
    }
    return def;
}

bool EngineProfile::isNonBlankValue(const std::string& key) const { return isNonBlank(profilevalue(key, "")); }

bool EngineProfile::isTrueTrimmed(const std::string& key) const { return trimBlank(profilevalue(key, "")) == "true"; }

int EngineProfile::number(const std::string& key, const std::string& def) const {
    return toNumber(profilevalue(key, def));
}

}  // namespace pix
