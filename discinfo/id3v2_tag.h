#pragma once
// The ID3 version 2.3 tag put in front of an MP3 file: title (TIT2),
// artist (TPE1), album (TALB), year (TYER), track "n/total" (TRCK), genre
// (TCON), comment (COMM) and the front cover (APIC). Each text frame is
// ISO-8859-1 when every character fits, else UTF-16 with a byte-order
// mark. No unsynchronisation, no extended header, no padding.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "discinfo/track_entry.h"

inline constexpr size_t kId3v2HeaderBytes = 10;
// A cover larger than this is left out (front covers are far smaller).
inline constexpr size_t kMaxCoverBytes = 4 * 1024 * 1024;

struct ID3V2_PICTURE {
  std::string mimeType;  // "image/jpeg" or "image/png"
  std::vector<uint8_t> data;
};

struct ID3V2_INPUT {
  CTrackEntry texts;  // title, artist, album, year, comment
  std::string genre;
  int track = 0;       // TRCK is written when both are above 0
  int trackTotal = 0;
  ID3V2_PICTURE cover;  // APIC when it holds data
};

// The whole tag; empty when it would hold no frame (no text, no cover).
// Frames with empty texts are left out.
std::vector<uint8_t> BuildId3v2Tag(const ID3V2_INPUT& input);

// The MIME type of a JPEG or PNG picture from its first bytes, or "".
std::string PictureMimeType(const std::vector<uint8_t>& data);
