#pragma once
// The ID3 version 1 tag appended to MP3 files: 128 bytes, fixed fields.
#include <cstdint>
#include <string>

#include "discinfo/track_entry.h"

inline constexpr size_t kId3v1Bytes = 128;

// "TAG", title 30, artist 30, album 30, year 4, comment 30, genre byte; each
// text is cut to its field and followed by zero bytes. The genre name has
// no field.
void BuildId3v1Tag(const CTrackEntry& texts, uint8_t tag[kId3v1Bytes]);
