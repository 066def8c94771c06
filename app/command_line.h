#pragma once
// The program's command line, as the shell extension writes it:
//   -A<track>,<track>...  -D<drive letter> -F<folder>
// It is one string and is never split into arguments.
#include <string>
#include <vector>

inline constexpr size_t kMaxCommandLineTracks = 100;

// The letter right after the first "-D", or 0 when there is none.
char FindDriveOption(const std::string& commandLine);

struct COMMAND_LINE_OPTIONS {
  std::vector<int> tracks;  // at most 100, as given (1-based track numbers)
  bool hasFolder = false;   // "-F" with a folder after it
  std::string folder;       // trailing white space removed, one backslash appended
};

// Upper-cases the line, then reads the track list and the folder.
COMMAND_LINE_OPTIONS ParseTrackAndFolderOptions(const std::string& commandLine);

// The 0-based rows to check for the given 1-based track numbers: every
// number t with 1 <= t <= rowCount selects row t - 1.
std::vector<int> RowsForTrackNumbers(const std::vector<int>& tracks, int rowCount);
