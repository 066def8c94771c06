#pragma once
// Scratch folders for tests, named by Windows paths on drive Z:, which is
// the root of the file system both under Wine and in the host build.
#include <filesystem>
#include <string>

#if defined(_WIN32)
#include <process.h>
#define CANTARO_TEST_PID _getpid()
#else
#include <unistd.h>
#define CANTARO_TEST_PID getpid()
#endif

// The std::filesystem path of a Windows path used in tests.
inline std::filesystem::path HostFolder(const std::string& windowsPath) {
#if defined(_WIN32)
  return std::filesystem::path(windowsPath);
#else
  std::string path = windowsPath.substr(2);  // drop "Z:"
  for (char& c : path)
    if (c == '\\') c = '/';
  return std::filesystem::path(path);
#endif
}

// A new, empty folder; returns its Windows path with a trailing backslash.
inline std::string MakeTestFolder(const std::string& name) {
  std::string folder = "Z:\\tmp\\cantaro-tests-" + std::to_string(CANTARO_TEST_PID) + "\\" + name + "\\";
  std::error_code ignored;
  std::filesystem::remove_all(HostFolder(folder), ignored);
  std::filesystem::create_directories(HostFolder(folder));
  return folder;
}
