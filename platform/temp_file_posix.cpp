#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/temp_file.h"

std::string TemporaryFolder() { return "Z:\\tmp\\"; }

std::string CreateTemporaryFile(const std::string& prefix) {
  std::string pattern = "/tmp/" + prefix + "XXXXXX";
  int fd = mkstemp(pattern.data());
  if (fd < 0) return std::string();
  close(fd);
  std::string path = "Z:" + pattern;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

std::string LastSystemErrorText() { return std::strerror(errno); }
