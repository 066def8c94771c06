#include "cdrom/toc.h"

#include "platform/text.h"

uint32_t TocEntryAddress(const CD_TOC_ENTRY& entry) {
  return static_cast<uint32_t>(entry.address[0]) << 24 | static_cast<uint32_t>(entry.address[1]) << 16 |
         static_cast<uint32_t>(entry.address[2]) << 8 | static_cast<uint32_t>(entry.address[3]);
}

void SetTocEntryAddress(CD_TOC_ENTRY& entry, uint32_t lba) {
  for (int i = 0; i < 4; ++i) entry.address[i] = static_cast<uint8_t>(lba >> (24 - 8 * i));
}

bool IsUsableToc(const CD_TOC& toc) {
  if (toc.lastTrack < toc.firstTrack) return false;
  size_t tracks = static_cast<size_t>(toc.lastTrack - toc.firstTrack) + 1;
  if (tracks > kMaxTocTracks) return false;
  // Each track ends where the next entry (or the lead-out) starts; an address
  // that goes backwards would make an unsigned frame count wrap.
  for (size_t j = 0; j < tracks; ++j)
    if (TocEntryAddress(toc.entries[j + 1]) < TocEntryAddress(toc.entries[j])) return false;
  return true;
}

std::vector<TRACK_RANGE> TrackRanges(const CD_TOC& toc) {
  std::vector<TRACK_RANGE> ranges;
  if (!IsUsableToc(toc)) return ranges;
  size_t tracks = static_cast<size_t>(toc.lastTrack - toc.firstTrack) + 1;
  for (size_t j = 0; j < tracks; ++j)
    ranges.push_back({TocEntryAddress(toc.entries[j]), TocEntryAddress(toc.entries[j + 1])});
  return ranges;
}

std::string FrameLengthText(uint32_t frames) {
  uint32_t seconds = frames / 75;
  return Format("%02u:%02u", seconds / 60, seconds % 60);
}

std::string FrameSizeText(uint32_t frames) { return Format("%0.2f", static_cast<double>(frames) * 2352.0 / 1048576.0); }
