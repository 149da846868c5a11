#pragma once
// File helpers of the batch run. The file-system calls of the engine live here
// and in the scan, so a port to another platform touches two small files.
#include <cstdint>
#include <ctime>
#include <string>

namespace pix {

// Byte copy. The destination is made absolute; when it names an existing
// folder the source's name is appended. "Cannot open file %s" (source) or
// "Cannot create file %s" (destination) on failure, and the latter also when
// the destination is the source itself, which is never truncated. A short
// write (full disk) is an error and leaves no partial copy.
void copyfile(const std::string& source, const std::string& destination);

// Size of the file at path (64-bit), or -1 when nothing is found.
int64_t filesizeof(const std::string& path);

// Last-modification time, as the directory entry's two-second resolution
// keeps it; -1 when the file cannot be found.
int64_t filedateof(const std::string& path);
// Sets the last-modification time; failures are silent.
void setfiledate(const std::string& path, int64_t date);

// Creates a folder and every missing folder above it; failures are silent.
void createfolders(const std::string& folder);
// Deletes a file; failures are silent.
void deletefile(const std::string& path);
bool fileexists(const std::string& path);
// True when both paths name one existing file (same device and inode).
bool samefile(const std::string& a, const std::string& b);
// The folder of the running executable, ending in "/".
std::string executableFolder();

}  // namespace pix
