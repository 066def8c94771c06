#include "discinfo/id3_tag.h"

#include <algorithm>
#include <cstring>

namespace {

void PutField(uint8_t* field, size_t width, const std::string& text) {
  std::memset(field, 0, width);
  std::memcpy(field, text.data(), std::min(width, text.size()));
}

}  // namespace

void BuildId3v1Tag(const CTrackEntry& texts, uint8_t tag[kId3v1Bytes]) {
  std::memcpy(tag, "TAG", 3);
  PutField(tag + 3, 30, texts.title);
  PutField(tag + 33, 30, texts.artist);
  PutField(tag + 63, 30, texts.album);
  PutField(tag + 93, 4, texts.year);
  PutField(tag + 97, 30, texts.comment);
  tag[127] = static_cast<uint8_t>(texts.genreNumber & 0xFF);
}
