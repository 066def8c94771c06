#pragma once
// The ID3 version 1 tag appended to MP3 files: 128 bytes, fixed fields.
#include <cstdint>
#include <string>

inline constexpr size_t kId3v1Bytes = 128;

struct ID3_TEXTS {
  std::string title, artist, album, year, comment;
  int genreNumber = 0;
};

// "TAG", title 30, artist 30, album 30, year 4, comment 30, genre byte; each
// text is cut to its field and followed by zero bytes.
void BuildId3v1Tag(const ID3_TEXTS& texts, uint8_t tag[kId3v1Bytes]);
