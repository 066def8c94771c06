#pragma once
// WAV files laid out chunk by chunk, as other programs write them, for the
// tests of the steps that read WAV input.
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "test_folders.h"

namespace wave_chunks {

inline std::string Bytes16(uint32_t v) { return {static_cast<char>(v), static_cast<char>(v >> 8)}; }
inline std::string Bytes32(uint32_t v) { return Bytes16(v) + Bytes16(v >> 16); }

// One chunk: its tag, its size and its body, padded to an even length.
inline std::string Chunk(const std::string& tag, const std::string& body) {
  return tag + Bytes32(static_cast<uint32_t>(body.size())) + body + (body.size() % 2 ? std::string(1, '\0') : "");
}

inline constexpr uint16_t kPcm = 1;
inline constexpr uint16_t kFloat = 3;
inline constexpr uint16_t kExtensible = 0xFFFE;
// The subformat GUIDs of WAVE_FORMAT_EXTENSIBLE as they lie in a file.
inline const std::string kPcmGuid("\x01\x00\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 16);
inline const std::string kFloatGuid("\x03\x00\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 16);

// A "fmt " body: the 16 bytes of every format, then extra bytes (the
// cbSize field of an 18-byte chunk, or the extensible part).
inline std::string Format(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits,
                          const std::string& extra = "") {
  uint32_t align = channels * bits / 8u;
  return Bytes16(tag) + Bytes16(channels) + Bytes32(rate) + Bytes32(rate * align) + Bytes16(align) + Bytes16(bits) +
         extra;
}

inline std::string Extensible(uint16_t channels, uint16_t bits, const std::string& guid) {
  return Format(kExtensible, channels, 44100, bits, Bytes16(22) + Bytes16(bits) + Bytes32(3) + guid);
}

inline std::string Riff(const std::string& chunks) {
  return "RIFF" + Bytes32(static_cast<uint32_t>(chunks.size() + 4)) + "WAVE" + chunks;
}

inline std::string Samples(const std::vector<int16_t>& samples) {
  std::string bytes;
  for (int16_t s : samples) bytes += Bytes16(static_cast<uint16_t>(s));
  return bytes;
}

inline std::string WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(HostFolder(path), std::ios::binary);
  out << bytes;
  return path;
}

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(HostFolder(path), std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace wave_chunks
