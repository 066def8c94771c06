#pragma once
// The files-and-folders seam. Paths are Windows paths with '\'; the host
// twin maps them onto POSIX paths (drive Z: is the root, as under Wine,
// and every other drive letter is a drive that is not there).
#include <string>

// Creates every folder of the path up to its last backslash, with all
// missing parents. True when the folders exist afterwards.
bool MakeSureDirectoryPathExists(const std::string& path);
bool DirectoryExists(const std::string& path);
bool FileExists(const std::string& path);
