#pragma once
// The disc's table of contents as READ TOC (format 0, LBA form) returns it,
// and what the program derives from it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#pragma pack(push, 1)
struct CD_TOC_ENTRY {
  uint8_t reserved1;
  uint8_t adrControl;   // ADR high nibble, control low nibble; not used
  uint8_t trackNumber;  // 0xAA for the lead-out
  uint8_t reserved2;
  uint8_t address[4];  // start LBA, big-endian, no 150-frame offset
};

struct CD_TOC {
  uint8_t dataLength[2];  // big-endian; not used
  uint8_t firstTrack;
  uint8_t lastTrack;
  CD_TOC_ENTRY entries[100];
};
#pragma pack(pop)

static_assert(sizeof(CD_TOC_ENTRY) == 8, "TOC entry layout");
static_assert(sizeof(CD_TOC) == 804, "TOC layout");

inline constexpr uint8_t kLeadOutTrack = 0xAA;
inline constexpr size_t kMaxTocTracks = 99;

uint32_t TocEntryAddress(const CD_TOC_ENTRY& entry);
void SetTocEntryAddress(CD_TOC_ENTRY& entry, uint32_t lba);

// One track's frames: start .. end - 1 (end is the next entry's start).
struct TRACK_RANGE {
  uint32_t start;
  uint32_t end;
  uint32_t Frames() const { return end - start; }
};

// A TOC is data from a device: it is usable only when its last track is not
// below its first, it lists at most 99 tracks and no address goes backwards.
bool IsUsableToc(const CD_TOC& toc);
// The ranges of every listed track, in order; empty for an unusable TOC.
std::vector<TRACK_RANGE> TrackRanges(const CD_TOC& toc);
// "%02d:%02d" of whole minutes and seconds at 75 frames a second.
std::string FrameLengthText(uint32_t frames);
// "%0.2f" of the size in mebibytes.
std::string FrameSizeText(uint32_t frames);
