#include "discinfo/cddb/musicbrainz_disc_id.h"

#include <cstdio>

namespace {

uint32_t RotateLeft(uint32_t value, int bits) { return (value << bits) | (value >> (32 - bits)); }

void Sha1Block(const uint8_t* block, std::array<uint32_t, 5>& state) {
  uint32_t w[80];
  for (int i = 0; i < 16; ++i)
    w[i] = uint32_t(block[4 * i]) << 24 | uint32_t(block[4 * i + 1]) << 16 | uint32_t(block[4 * i + 2]) << 8 |
           uint32_t(block[4 * i + 3]);
  for (int i = 16; i < 80; ++i) w[i] = RotateLeft(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
  uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];
  for (int i = 0; i < 80; ++i) {
    uint32_t f, k;
    if (i < 20) {
      f = (b & c) | (~b & d);
      k = 0x5A827999;
    } else if (i < 40) {
      f = b ^ c ^ d;
      k = 0x6ED9EBA1;
    } else if (i < 60) {
      f = (b & c) | (b & d) | (c & d);
      k = 0x8F1BBCDC;
    } else {
      f = b ^ c ^ d;
      k = 0xCA62C1D6;
    }
    uint32_t next = RotateLeft(a, 5) + f + e + k + w[i];
    e = d;
    d = c;
    c = RotateLeft(b, 30);
    b = a;
    a = next;
  }
  state[0] += a;
  state[1] += b;
  state[2] += c;
  state[3] += d;
  state[4] += e;
}

std::string Hex(uint32_t value, int digits) {
  char text[16];
  std::snprintf(text, sizeof(text), "%0*X", digits, static_cast<unsigned>(value));
  return text;
}

// RFC 4648 base64 with the three characters a URL path can carry as they are.
std::string DiscIdBase64(const std::array<uint8_t, 20>& digest) {
  static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789._";
  std::string text;
  for (size_t i = 0; i < digest.size(); i += 3) {
    uint32_t group = uint32_t(digest[i]) << 16;
    size_t present = digest.size() - i >= 3 ? 3 : digest.size() - i;
    if (present > 1) group |= uint32_t(digest[i + 1]) << 8;
    if (present > 2) group |= digest[i + 2];
    for (size_t n = 0; n < 4; ++n) text += n <= present ? kDigits[(group >> (18 - 6 * n)) & 63] : '-';
  }
  return text;
}

}  // namespace

std::array<uint8_t, 20> Sha1(std::string_view data) {
  std::array<uint32_t, 5> state = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
  std::string padded(data);
  uint64_t bits = static_cast<uint64_t>(data.size()) * 8;
  padded += static_cast<char>(0x80);
  while (padded.size() % 64 != 56) padded += '\0';
  for (int shift = 56; shift >= 0; shift -= 8) padded += static_cast<char>((bits >> shift) & 0xFF);
  for (size_t offset = 0; offset < padded.size(); offset += 64)
    Sha1Block(reinterpret_cast<const uint8_t*>(padded.data() + offset), state);
  std::array<uint8_t, 20> digest{};
  for (size_t i = 0; i < 20; ++i) digest[i] = static_cast<uint8_t>(state[i / 4] >> (24 - 8 * (i % 4)));
  return digest;
}

std::string MusicBrainzDiscId(const CDDB_TOC& toc, int firstTrack) {
  int lastTrack = firstTrack + static_cast<int>(toc.trackFrames.size()) - 1;
  std::string text = Hex(static_cast<uint32_t>(firstTrack), 2) + Hex(static_cast<uint32_t>(lastTrack), 2) +
                     Hex(toc.leadOutFrame, 8);
  // Slot n holds track n+1; tracks before the first and after the last are 0.
  for (int track = 1; track <= static_cast<int>(kCddbMaxTracks); ++track) {
    bool present = track >= firstTrack && track <= lastTrack;
    text += Hex(present ? toc.trackFrames[static_cast<size_t>(track - firstTrack)] : 0, 8);
  }
  return DiscIdBase64(Sha1(text));
}

std::string MusicBrainzTocParameter(const CDDB_TOC& toc, int firstTrack) {
  int lastTrack = firstTrack + static_cast<int>(toc.trackFrames.size()) - 1;
  std::string text = std::to_string(firstTrack) + "+" + std::to_string(lastTrack) + "+" + std::to_string(toc.leadOutFrame);
  for (uint32_t frame : toc.trackFrames) text += "+" + std::to_string(frame);
  return text;
}
