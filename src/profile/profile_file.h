#pragma once
// Profile files as text: lines end with CR LF when written; CR LF, a lone CR
// or a lone LF end a line when read; a NUL byte ends the text.
#include <string>
#include <vector>

namespace pix {

// Splits profile text into lines (a missing final line break changes nothing).
std::vector<std::string> splitProfileText(const std::string& text);

// Reads the lines of the file at path. Returns false when no file exists there;
// throws "Cannot open file %s" when one exists but cannot be read.
bool readProfileFile(const std::string& path, std::vector<std::string>& lines);

// Rewrites the file whole, every line followed by CR LF. Throws the file
// creation error when the file cannot be created or written.
void writeProfileFile(const std::string& path, const std::vector<std::string>& lines);

// valuepart: the text after the first "=", or the whole line when it has none;
// at most 1024 characters.
std::string valuepart(const std::string& line);

}  // namespace pix
