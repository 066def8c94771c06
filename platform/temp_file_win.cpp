#include <windows.h>

#include "platform/temp_file.h"

std::string TemporaryFolder() {
  char folder[256] = {};
  DWORD length = GetTempPathA(sizeof(folder), folder);
  if (length == 0 || length >= sizeof(folder)) return std::string();
  return folder;
}

std::string CreateTemporaryFile(const std::string& prefix) {
  std::string folder = TemporaryFolder();
  char path[MAX_PATH] = {};
  if (folder.empty() || GetTempFileNameA(folder.c_str(), prefix.c_str(), 0, path) == 0) return std::string();
  return path;
}

std::string LastSystemErrorText() {
  DWORD code = GetLastError();
  char text[256] = {};
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                                MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, sizeof(text) - 1, nullptr);
  while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r')) --length;
  return std::string(text, length);
}
