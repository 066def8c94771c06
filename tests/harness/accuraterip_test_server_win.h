#pragma once
// The loopback AccurateRip server the test run starts around the Windows
// suites: where it is, its addresses, and the database files it serves.
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tests/core/test_folders.h"

inline constexpr const char* kAccurateRipUrlVariableName = "CANTARO_ACCURATERIP_URL";

// The server's folder (Windows form, ending in a backslash), or "" when no
// server runs.
inline std::string AccurateRipServerFolder() {
  char value[MAX_PATH] = {};
  DWORD length = GetEnvironmentVariableA("CANTARO_ACCURATERIP_SERVER_ROOT", value, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::string(value) + "\\" : std::string();
}

// The database address of a scenario ("normal", "silent", "broken").
inline std::string AccurateRipServerUrl(const std::string& scenario) {
  std::ifstream portFile(HostFolder(AccurateRipServerFolder() + "port"));
  int port = 0;
  portFile >> port;
  return "http://127.0.0.1:" + std::to_string(port) + "/" + scenario + "/accuraterip";
}

// Writes a database file at its path under the server's files
// ("a/b/c/dBAR-....bin", as ArDatabasePath forms it).
inline void ServeAccurateRipFile(const std::string& path, const std::string& bytes) {
  std::string windowsPath = path;
  for (char& c : windowsPath)
    if (c == '/') c = '\\';
  std::string file = AccurateRipServerFolder() + "files\\" + windowsPath;
  std::filesystem::create_directories(std::filesystem::path(HostFolder(file)).parent_path());
  std::ofstream out(HostFolder(file), std::ios::binary);
  out << bytes;
}

// Programs the tests start ask the loopback server, never the real one,
// unless a test names another address itself.
inline void DefaultToLoopbackAccurateRip() {
  char value[8] = {};
  if (GetEnvironmentVariableA(kAccurateRipUrlVariableName, value, sizeof value) > 0) return;
  if (AccurateRipServerFolder().empty()) return;
  SetEnvironmentVariableA(kAccurateRipUrlVariableName, AccurateRipServerUrl("normal").c_str());
}
