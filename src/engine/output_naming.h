#pragma once
// The rules that derive an output's name, extension and folder from the
// input's path and the profile's texts.
#include <string>

namespace pix {

struct PathParts {
    std::string folder;     // up to and including the last "/"
    std::string name;       // after it
    std::string extension;  // from the name's last "." on, as written; empty without one
    std::string stem;       // the name without its extension
};

PathParts splitPath(const std::string& path);

// A folder text from a profile: backslashes (profiles written on Windows) are
// read as separators.
std::string folderText(const std::string& profileText);

// "[source directory]" rule: a value beginning with the token (letter case
// ignored) becomes the input's folder followed by the value from its 20th
// character on (the character after the token is skipped); at most 1024.
std::string sourceDirectoryRule(const std::string& value, const std::string& inputFolder);

// "[subfolders]" rule: the text before the token, then the input's folder
// without its first directoryLength characters (at most 1024).
std::string expandsubfolders(const std::string& outputFolder, const std::string& inputFolder,
                             size_t directoryLength);

// New name: replaces stem and, when the value has an extension, the extension.
void applyNewName(const std::string& newname, PathParts& parts);

// The output extension for an imageformat value and the current extension.
std::string outputExtension(const std::string& imageformat, const std::string& currentExtension);

}  // namespace pix
