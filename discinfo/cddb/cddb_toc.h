#pragma once
// The disc as CDDB sees it: where each track starts and where the lead-out
// lies, in frames from the start of the disc with the 150-frame lead-in
// included (track 1 usually at 150). From it come the disc identifier, the
// query command and the component's TOC string.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

inline constexpr size_t kCddbMaxTracks = 99;
inline constexpr uint32_t kCddbLeadInFrames = 150;
inline constexpr uint32_t kCddbMaxDiscFrames = 100u * 60u * 75u;  // longer than any disc

struct CDDB_TOC {
  std::vector<uint32_t> trackFrames;  // start of each track, ascending
  uint32_t leadOutFrame = 0;
};

// 1..99 tracks, strictly ascending starts, lead-out after the last start and
// below kCddbMaxDiscFrames.
bool IsValidCddbToc(const CDDB_TOC& toc);

// The CDDB1 disc identifier of a valid TOC.
uint32_t CddbDiscId(const CDDB_TOC& toc);
std::string CddbDiscIdText(uint32_t discId);  // 8 lower-case hex digits

// "cddb query <discid> <ntrks> <off1> ... <offN> <nsecs>", single blanks.
std::string CddbQueryCommand(const CDDB_TOC& toc);

// The component's TOC string: the track count, each start frame, then the
// lead-out frame, blank-separated decimal numbers ("3 150 15000 33000 51000").
std::string FormatCddbToc(const CDDB_TOC& toc);
// Reads a TOC string back; false (and `toc` untouched) unless it is exactly
// that form and the TOC is valid.
bool ParseCddbToc(std::string_view text, CDDB_TOC& toc);
