#pragma once
// The loopback CDDB server the test run starts around the Windows suites:
// where it is, and the entries it serves (its folder in the freedb layout).
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "discinfo/cddb/cddb_toc.h"
#include "tests/core/test_folders.h"

// The server's folder (Windows form, ending in a backslash), or "" when no
// server runs.
inline std::string CddbServerFolder() {
  char value[MAX_PATH] = {};
  DWORD length = GetEnvironmentVariableA("CANTARO_CDDB_SERVER_ROOT", value, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::string(value) + "\\" : std::string();
}

// The cddb.cgi address of a scenario ("normal", "slow", "proxy" ...).
inline std::string CddbServerUrl(const std::string& scenario) {
  std::ifstream portFile(HostFolder(CddbServerFolder() + "port"));
  int port = 0;
  portFile >> port;
  return "http://127.0.0.1:" + std::to_string(port) + "/" + scenario + "/~cddb/cddb.cgi";
}

struct SERVED_ENTRY {
  std::string category, artist, album, year;
  std::vector<std::string> titles;  // "Artist / Title" on a compilation
};

// Writes the xmcd entry of the disc with this TOC for the server.
inline void ServeCddbEntry(const CDDB_TOC& toc, const SERVED_ENTRY& entry) {
  std::string discId = CddbDiscIdText(CddbDiscId(toc));
  std::string folder = CddbServerFolder() + "entries\\" + entry.category + "\\";
  std::filesystem::create_directories(HostFolder(folder));
  std::ofstream out(HostFolder(folder + discId), std::ios::binary);
  out << "# xmcd\n#\n# Track frame offsets:\n";
  for (uint32_t frame : toc.trackFrames) out << "#\t" << frame << "\n";
  out << "#\n# Disc length: " << toc.leadOutFrame / 75 << " seconds\n#\n# Revision: 1\n#\n";
  out << "DISCID=" << discId << "\nDTITLE=" << entry.artist << " / " << entry.album << "\nDYEAR=" << entry.year
      << "\nDGENRE=\n";
  for (size_t i = 0; i < entry.titles.size(); ++i) out << "TTITLE" << i << "=" << entry.titles[i] << "\n";
  out << "EXTD=\nPLAYORDER=\n";
}

inline void RemoveServedCddbEntries() {
  std::error_code ignored;
  std::filesystem::remove_all(HostFolder(CddbServerFolder() + "entries"), ignored);
}
