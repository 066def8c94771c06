#pragma once
// CUE/BIN disc images: the layout of a disc described by a cue sheet over
// one or more BIN files of raw 2352-byte sectors.
//
// What a sheet may say: FILE "name" BINARY (one for the disc or one per
// track; a name without a drive or leading backslash is beside the sheet),
// TRACK nn AUDIO or TRACK nn MODE1/2352, INDEX 00 and INDEX 01 (and
// further indexes, which only mark positions), PREGAP and POSTGAP
// (silence that is not in the file), TITLE "..." and PERFORMER "..." (the
// disc's CD-Text before the first TRACK, the track's after it), and REM,
// CATALOG, SONGWRITER, FLAGS, ISRC and CDTEXTFILE, which are ignored.
// Anything else is refused with the line it is on.
//
// The disc: the files' sectors follow one another from LBA 0, with each
// PREGAP's silence inserted just before its track's first index and each
// POSTGAP's after its track's last sector. A track's start is its
// INDEX 01 (as READ TOC reports it: no 150-frame offset); the lead-out is
// the end of the data.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "cdrom/cd_text.h"
#include "cdrom/toc.h"

inline constexpr uint32_t kImageFrameBytes = 2352;
inline constexpr uint32_t kMaxImageFrames = 100 * 60 * 75;  // 100 minutes
inline constexpr size_t kMaxCueSheetBytes = 256 * 1024;
inline constexpr size_t kMaxCueLineLength = 1024;
inline constexpr size_t kMaxCueFiles = 99;
inline constexpr size_t kMaxCuePathLength = 259;

struct DISC_IMAGE_TRACK {
  uint8_t number = 0;
  bool data = false;         // MODE1/2352
  uint32_t regionStart = 0;  // first LBA that belongs to the track (its pregap)
  uint32_t start = 0;        // INDEX 01
};

// A run of disc sectors taken from one file, or generated silence.
struct DISC_EXTENT {
  uint32_t start = 0;  // LBA
  uint32_t frames = 0;
  int file = -1;  // index into DISC_IMAGE::files; -1 = silence
  uint64_t fileFrame = 0;
};

struct DISC_IMAGE {
  std::vector<std::string> files;  // the BIN paths, resolved
  std::vector<DISC_IMAGE_TRACK> tracks;
  std::vector<DISC_EXTENT> extents;  // cover LBA 0 .. leadOut without gaps
  uint32_t leadOut = 0;
  CD_TEXT cdText;  // by track number; [0] the disc
};

// The number of 2352-byte frames in a BIN file, or false with a reason.
using BinFrameCounter = std::function<bool(const std::string& path, uint64_t& frames, std::string& error)>;

// Parses a sheet (untrusted text) read from cuePath. On failure the image
// is left empty and error says why, naming the line.
bool ParseCueSheet(const std::string& text, const std::string& cuePath, const BinFrameCounter& frameCount,
                   DISC_IMAGE& image, std::string& error);

// Reads the sheet and measures its BIN files: each must exist and hold a
// whole number of 2352-byte sectors.
bool LoadCueImage(const std::string& cuePath, DISC_IMAGE& image, std::string& error);

// The READ TOC (format 0, LBA form) response for the whole disc.
void BuildImageToc(const DISC_IMAGE& image, CD_TOC& toc);

// The index of the track an LBA belongs to (the first track for sectors
// before it), or -1 at or beyond the lead-out.
int TrackIndexAt(const DISC_IMAGE& image, uint32_t lba);
// The extent holding an LBA, or nullptr at or beyond the lead-out.
const DISC_EXTENT* ExtentAt(const DISC_IMAGE& image, uint32_t lba);

// The folder part of a path, with its separator ("" when there is none).
std::string FolderOf(const std::string& path);
