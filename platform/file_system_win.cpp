#include <windows.h>
#include <imagehlp.h>

#include "platform/file_system.h"

bool MakeSureDirectoryPathExists(const std::string& path) {
  return ::MakeSureDirectoryPathExists(path.c_str()) != FALSE;
}

bool DirectoryExists(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FileExists(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}
