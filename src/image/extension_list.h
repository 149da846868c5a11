#pragma once
// Extension lists of the format tables: "JPG;JPEG;JPE;JIF" style, matched
// against a path's extension with ASCII letter case ignored.
#include <string>
#include <string_view>

namespace pix {

// The text after the last "." of the path's name, without the dot; empty
// when the name has none.
std::string_view pathExtension(std::string_view path);

// True when ext (no dot) is one of the ';'-separated entries of list.
bool extensionListHas(std::string_view list, std::string_view ext);

}  // namespace pix
