#include "app/command_line.h"

#include <cctype>
#include <climits>
#include <cstdlib>

#include "platform/text.h"

char FindDriveOption(const std::string& commandLine) {
  size_t at = commandLine.find("-D");
  if (at == std::string::npos || commandLine.size() < at + 3) return 0;
  return commandLine[at + 2];
}

namespace {

// Reads a decimal integer at the start of text (leading white space
// skipped, optional sign), as scanf's %d would. False when there is none.
bool ReadLeadingInteger(const std::string& text, int& value) {
  const char* begin = text.c_str();
  char* end = nullptr;
  long number = std::strtol(begin, &end, 10);
  if (end == begin) return false;
  if (number > INT_MAX) number = INT_MAX;
  if (number < INT_MIN) number = INT_MIN;
  value = static_cast<int>(number);
  return true;
}

std::vector<int> ReadTrackList(std::string rest) {
  std::vector<int> tracks;
  rest = rest.size() >= 2 ? rest.substr(2) : std::string();
  while (!rest.empty()) {
    int track = 0;
    if (!ReadLeadingInteger(rest, track)) break;
    if (tracks.size() < kMaxCommandLineTracks) tracks.push_back(track);
    size_t comma = rest.find(',');
    if (comma == std::string::npos) break;
    rest = rest.substr(comma + 1);
  }
  return tracks;
}

}  // namespace

COMMAND_LINE_OPTIONS ParseTrackAndFolderOptions(const std::string& commandLine) {
  COMMAND_LINE_OPTIONS options;
  std::string line = ToUpperAscii(commandLine);
  // The track list is read from the third character on, wherever "-A"
  // stands: the shell extension always puts it first.
  if (line.find("-A") != std::string::npos) options.tracks = ReadTrackList(line);
  size_t folderAt = line.find("-F");
  if (folderAt != std::string::npos) {
    std::string folder = StripTrailingBackslashes(TrimRight(line.substr(folderAt + 2)));
    // "-F" with nothing after it names no folder.
    if (!Trim(folder).empty()) {
      options.hasFolder = true;
      options.folder = folder + "\\";
    }
  }
  return options;
}

std::vector<int> RowsForTrackNumbers(const std::vector<int>& tracks, int rowCount) {
  std::vector<int> rows;
  for (int t : tracks)
    if (t >= 1 && t <= rowCount) rows.push_back(t - 1);
  return rows;
}
