#pragma once
// The folder scan and the image-extension filter of a scan-and-run.
#include <string>
#include <vector>

namespace pix {

// Case-insensitive wildcard match: "*" any run of characters, "?" one; "*.*"
// matches every name, also one without a dot.
bool wildcardMatch(const std::string& mask, const std::string& name);

// Files of folder matching mask, in the file system's enumeration order; with
// recursion breadth first (the top folder's files first, then its subfolders'
// in enumeration order, and so on). Hidden files are included. Links to
// folders are followed, but no folder is entered twice. An empty folder text,
// or one that cannot be read, gives no files.
std::vector<std::string> scanFolder(const std::string& folder, const std::string& mask, bool recursive);

// Keeps the paths whose lower-cased text contains an image extension anywhere.
std::vector<std::string> filterImagePaths(const std::vector<std::string>& paths);

}  // namespace pix
