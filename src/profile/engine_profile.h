#pragma once
// The engine's copy of a profile (the profile line list) and its lookup.
// Lines are kept as the file holds them, every double quote removed.
#include <string>
#include <vector>

namespace pix {

class EngineProfile {
public:
    // loadprofilelines: replaces the list with the file's lines; a missing
    // file leaves it empty, a file that cannot be read throws.
    void loadprofilelines(const std::string& path);
    void setLines(const std::vector<std::string>& lines);  // the same, from lines in memory
    // profilevalue: the first line whose text begins with the key (ASCII
    // letters folded) answers: "true" for a line without "=", else the text
    // after the first "=" (at most 1024 characters). No match: the default.
    std::string profilevalue(const std::string& key, const std::string& def) const;

    // The value tests of the engine, each on profilevalue(key, def).
    bool isSet(const std::string& key) const { return !profilevalue(key, "").empty(); }
    bool isNonBlankValue(const std::string& key) const;
    bool isTrueTrimmed(const std::string& key) const;  // trimmed value equals "true"
    int number(const std::string& key, const std::string& def) const;

    const std::vector<std::string>& lines() const { return lines_; }

private:
    std::vector<std::string> lines_;
};

}  // namespace pix
