#pragma once
// The current disc: its table of contents, the frame range of every row and
// the texts of the disc (entry 0, "All Tracks") and of each track.
#include <cstdint>
#include <string>
#include <vector>

#include "cdrom/toc.h"
#include "discinfo/track_entry.h"

inline constexpr size_t kMaxTrackEntries = 101;  // entry 0 plus 100 tracks

struct CDiscRecord {
  CD_TOC toc = {};
  std::vector<TRACK_RANGE> ranges;  // one per row at reading time, at most 100
  std::string discId;
  std::vector<CTrackEntry> entries = std::vector<CTrackEntry>(1);  // entries.size() is the entry count
  std::string driveLabel;

  // Back to the disc-level entry alone, titled allTracksTitle.
  void Reset(const std::string& allTracksTitle) {
    entries.assign(1, CTrackEntry{});
    entries[0].title = allTracksTitle;
    ranges.clear();
  }
};

// One track-list row as the read-disc operation builds it.
struct TRACK_ROW {
  std::string number;  // "%02d" of the row ordinal
  std::string title;
  std::string length;
  std::string size;
  int trackIndex = 0;  // 0-based position in the TOC at reading time
};
