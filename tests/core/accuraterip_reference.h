#pragma once
// A plain AccurateRip implementation for tests, written from the published
// description apart from the program's: sample by sample in 64-bit
// arithmetic, and the database file built byte by byte.
#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "jobs/accuraterip.h"

struct REFERENCE_SUMS {
  uint32_t v1, v2;
};

// samples: the track's 32-bit stereo samples (left in the low half).
// The first track leaves out its first 2939 samples, the last its last 2940.
inline REFERENCE_SUMS ReferenceSums(const std::vector<uint32_t>& samples, bool first, bool last) {
  uint64_t v1 = 0, v2 = 0;
  const size_t n = samples.size();
  for (size_t index = 0; index < n; ++index) {
    if (first && index < 5 * 588 - 1) continue;
    if (last && index >= n - 5 * 588) continue;
    uint64_t product = static_cast<uint64_t>(index + 1) * samples[index];
    v1 += product & 0xFFFFFFFF;
    v2 += (product & 0xFFFFFFFF) + (product >> 32);
  }
  return {static_cast<uint32_t>(v1), static_cast<uint32_t>(v2)};
}

inline uint32_t ReferenceCrc32(const std::vector<uint8_t>& bytes) {
  uint32_t crc = 0xFFFFFFFF;
  for (uint8_t b : bytes) {
    crc ^= b;
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

inline std::vector<uint8_t> Bytes(const std::vector<uint32_t>& samples) {
  std::vector<uint8_t> bytes(samples.size() * 4);
  for (size_t i = 0; i < samples.size(); ++i)
    for (int b = 0; b < 4; ++b) bytes[i * 4 + b] = static_cast<uint8_t>(samples[i] >> (8 * b));
  return bytes;
}

inline std::vector<uint32_t> Noise(size_t count, uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<uint32_t> samples(count);
  for (uint32_t& s : samples) s = random();
  return samples;
}

inline void PutLe32(std::string& out, uint32_t value) {
  for (int b = 0; b < 4; ++b) out.push_back(static_cast<char>(value >> (8 * b)));
}

inline std::string Pressing(const AR_DISC_ID& id, const std::vector<std::pair<uint8_t, uint32_t>>& tracks) {
  std::string out;
  out.push_back(static_cast<char>(tracks.size()));
  PutLe32(out, id.id1);
  PutLe32(out, id.id2);
  PutLe32(out, id.cddbId);
  for (auto [confidence, checksum] : tracks) {
    out.push_back(static_cast<char>(confidence));
    PutLe32(out, checksum);
    PutLe32(out, 0x12345678);
  }
  return out;
}


inline std::vector<uint32_t> Words(const std::vector<uint8_t>& bytes) {
  std::vector<uint32_t> samples(bytes.size() / 4);
  for (size_t i = 0; i < samples.size(); ++i)
    samples[i] = static_cast<uint32_t>(bytes[i * 4]) | static_cast<uint32_t>(bytes[i * 4 + 1]) << 8 |
                 static_cast<uint32_t>(bytes[i * 4 + 2]) << 16 | static_cast<uint32_t>(bytes[i * 4 + 3]) << 24;
  return samples;
}
