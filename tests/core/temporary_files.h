#pragma once
// The extraction's temporary WAV files ("PW...") in the temporary folder,
// which tests compare before and after a job to find one left behind.
#include <filesystem>
#include <set>
#include <string>

#include "platform/temp_file.h"
#include "test_folders.h"

inline std::set<std::string> TemporaryPwFiles() {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(HostFolder(TemporaryFolder())))
    if (entry.path().filename().string().rfind("PW", 0) == 0) names.insert(entry.path().string());
  return names;
}
