#include "discinfo/id3v2_tag.h"

#include <algorithm>

#include "platform/code_page.h"

namespace {

using BYTES = std::vector<uint8_t>;

constexpr uint8_t kLatin1 = 0;
constexpr uint8_t kUtf16 = 1;

void PutBe32(BYTES& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

// Seven bits a byte, as the tag header counts its size.
void PutSyncSafe(BYTES& out, uint32_t value) {
  for (int shift = 21; shift >= 0; shift -= 7) out.push_back(static_cast<uint8_t>((value >> shift) & 0x7F));
}

bool FitsLatin1(const std::u16string& text) {
  for (char16_t c : text)
    if (c > 0xFF) return false;
  return true;
}

// The encoding byte's choice for a text.
uint8_t EncodingFor(const std::u16string& text) { return FitsLatin1(text) ? kLatin1 : kUtf16; }

// The text in that encoding, with its terminator when one follows.
void PutText(BYTES& out, uint8_t encoding, const std::u16string& text, bool terminate) {
  if (encoding == kLatin1) {
    for (char16_t c : text) out.push_back(static_cast<uint8_t>(c));
    if (terminate) out.push_back(0);
    return;
  }
  out.push_back(0xFF);
  out.push_back(0xFE);
  for (char16_t c : text) {
    out.push_back(static_cast<uint8_t>(c));
    out.push_back(static_cast<uint8_t>(c >> 8));
  }
  if (terminate) out.insert(out.end(), {0, 0});
}

void PutFrame(BYTES& tag, const char (&id)[5], const BYTES& body) {
  tag.insert(tag.end(), id, id + 4);
  PutBe32(tag, static_cast<uint32_t>(body.size()));
  tag.insert(tag.end(), {0, 0});
  tag.insert(tag.end(), body.begin(), body.end());
}

void PutTextFrame(BYTES& tag, const char (&id)[5], const std::string& ansi) {
  if (ansi.empty()) return;
  std::u16string text = AnsiToUtf16(ansi);
  uint8_t encoding = EncodingFor(text);
  BYTES body{encoding};
  PutText(body, encoding, text, false);
  PutFrame(tag, id, body);
}

// Language "eng" (players show any), no description.
void PutComment(BYTES& tag, const std::string& ansi) {
  if (ansi.empty()) return;
  std::u16string text = AnsiToUtf16(ansi);
  uint8_t encoding = EncodingFor(text);
  BYTES body{encoding, 'e', 'n', 'g'};
  PutText(body, encoding, std::u16string(), true);
  PutText(body, encoding, text, false);
  PutFrame(tag, "COMM", body);
}

// Picture type 3, the front cover, without a description.
void PutCover(BYTES& tag, const ID3V2_PICTURE& cover) {
  if (cover.data.empty() || cover.data.size() > kMaxCoverBytes) return;
  BYTES body{kLatin1};
  body.insert(body.end(), cover.mimeType.begin(), cover.mimeType.end());
  body.insert(body.end(), {0, 3, 0});
  body.insert(body.end(), cover.data.begin(), cover.data.end());
  PutFrame(tag, "APIC", body);
}

}  // namespace

std::vector<uint8_t> BuildId3v2Tag(const ID3V2_INPUT& input) {
  BYTES frames;
  const CTrackEntry& texts = input.texts;
  PutTextFrame(frames, "TIT2", texts.title);
  PutTextFrame(frames, "TPE1", texts.artist);
  PutTextFrame(frames, "TALB", texts.album);
  PutTextFrame(frames, "TYER", texts.year);
  if (input.track > 0 && input.trackTotal > 0)
    PutTextFrame(frames, "TRCK", std::to_string(input.track) + "/" + std::to_string(input.trackTotal));
  PutTextFrame(frames, "TCON", input.genre);
  PutComment(frames, texts.comment);
  PutCover(frames, input.cover);
  if (frames.empty()) return frames;
  BYTES tag{'I', 'D', '3', 3, 0, 0};
  PutSyncSafe(tag, static_cast<uint32_t>(frames.size()));
  tag.insert(tag.end(), frames.begin(), frames.end());
  return tag;
}

std::string PictureMimeType(const std::vector<uint8_t>& data) {
  static const uint8_t kJpeg[] = {0xFF, 0xD8, 0xFF};
  static const uint8_t kPng[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  auto startsWith = [&](const uint8_t* magic, size_t size) {
    return data.size() >= size && std::equal(magic, magic + size, data.begin());
  };
  if (startsWith(kJpeg, sizeof(kJpeg))) return "image/jpeg";
  if (startsWith(kPng, sizeof(kPng))) return "image/png";
  return std::string();
}
