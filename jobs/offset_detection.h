#pragma once
// Finding a drive's read offset from a disc in the AccurateRip database:
// read a track with the detection margin on both sides (offset 0), fetch
// the disc's database file and slide the track's checksum over every
// offset in the searched range.
#include <cstdint>
#include <string>

#include "cdrom/read_offset.h"
#include "jobs/rip_verification.h"

struct OFFSET_DETECTION {
  const AR_DISC* disc = nullptr;
  IAccurateRipDatabase* database = nullptr;
  std::string serverUrl;
  int32_t timeoutMs = 10000;
  uint32_t maxFramesPerRead = 26;
};

// True with the match (offset and confidence); false with the reason for
// the user: the disc is not in the database, no offset matched, a read or
// the lookup failed. Tries up to two tracks, longest first, skipping the
// disc's edges when it has a track between them.
bool DetectDriveOffset(const OFFSET_DETECTION& detection, const ReadFramesFunction& read, AR_OFFSET_MATCH& match,
                       std::string& why);
