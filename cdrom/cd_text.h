#pragma once
// CD-Text as READ TOC/PMA/ATIP format 5 returns it: a 4-byte header (data
// length big-endian, two reserved bytes) and 18-byte packs. Each pack holds
// a type, the track its text starts in, a sequence number, a block and
// character-position byte, 12 text bytes and a CRC. The texts of one type
// run through consecutive packs as zero-terminated strings, one per track
// from the pack's track on (track 0 is the disc).
//
// We read block 0 in its single-byte character code (ISO-8859-1, which the
// program keeps as ANSI): titles (0x80) and performers (0x81).
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

inline constexpr size_t kCdTextPackBytes = 18;
inline constexpr size_t kCdTextHeaderBytes = 4;
// Eight blocks of at most 256 packs each.
inline constexpr size_t kMaxCdTextPacks = 2048;
inline constexpr size_t kCdTextResponseBytes = kCdTextHeaderBytes + kCdTextPackBytes * kMaxCdTextPacks;
inline constexpr size_t kCdTextItems = 100;       // the disc and tracks 1..99
inline constexpr size_t kMaxCdTextChars = 160;    // longest text kept per item
inline constexpr uint8_t kCdTextTitle = 0x80;
inline constexpr uint8_t kCdTextPerformer = 0x81;

struct CD_TEXT {
  std::array<std::string, kCdTextItems> titles;      // [0] the disc, [n] track n
  std::array<std::string, kCdTextItems> performers;  // the same
  bool Empty() const;
};

// CRC-16 with the polynomial x^16 + x^12 + x^5 + 1 over the first 16 bytes
// of a pack, starting from 0, stored inverted and big-endian in bytes 16
// and 17.
uint16_t CdTextPackCrc(const uint8_t* pack);
bool CdTextPackValid(const uint8_t* pack);

// Decodes a format 5 response of `size` bytes (untrusted: the header's
// length and the size both bound the packs read). Packs with a wrong CRC,
// of other blocks or in a double-byte code are skipped; a text whose start
// was lost with a skipped pack is dropped rather than shown cut. A tab
// stands for the previous track's text. The disc's text is followed by that
// of firstTrack (the TOC's first track). False when no pack was usable.
bool ParseCdText(const uint8_t* data, size_t size, int firstTrack, CD_TEXT& text);

// The packs of the titles and performers of the disc and of tracks
// first..last in block 0, ISO-8859-1, with their CRCs; empty when every
// text is empty. Texts longer than kMaxCdTextChars are cut.
std::vector<uint8_t> BuildCdTextPacks(const CD_TEXT& text, int first, int last);
