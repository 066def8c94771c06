#pragma once
// The texts of the whole disc (entry 0) or of one track. The disc record
// keeps one per track, the ID3 editor edits copies of them, and a job item
// carries its track's into the naming rule and the ID3 tag.
#include <string>

struct CTrackEntry {
  std::string title;
  std::string artist;
  std::string album;
  std::string year;
  std::string comment;
  std::string genreName;  // used by entry 0
  int genreNumber = 0;    // ID3 genre index; used by track entries
  bool operator==(const CTrackEntry&) const = default;
};
