#include <sys/stat.h>

#include <cerrno>

#include "platform/file_system.h"
#include "platform/host_path.h"

namespace {

bool IsDirectory(const std::string& hostPath) {
  struct stat st;
  return stat(hostPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::string HostPath(const std::string& windowsPath) {
  std::string path = windowsPath;
  if (path.size() >= 2 && path[1] == ':') {
    char drive = path[0];
    if (drive != 'Z' && drive != 'z') return std::string();
    path = path.substr(2);
  }
  for (char& c : path)
    if (c == '\\') c = '/';
  return path;
}

bool MakeSureDirectoryPathExists(const std::string& path) {
  std::string host = HostPath(path);
  size_t last = host.rfind('/');
  if (host.empty() || last == std::string::npos) return false;
  host.resize(last);
  if (host.empty()) return true;
  for (size_t i = 1; i <= host.size(); ++i) {
    if (i != host.size() && host[i] != '/') continue;
    std::string prefix = host.substr(0, i);
    if (mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST) return false;
    if (!IsDirectory(prefix)) return false;
  }
  return true;
}

bool DirectoryExists(const std::string& path) {
  std::string host = HostPath(path);
  return !host.empty() && IsDirectory(host);
}

bool FileExists(const std::string& path) {
  std::string host = HostPath(path);
  struct stat st;
  return !host.empty() && stat(host.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}
