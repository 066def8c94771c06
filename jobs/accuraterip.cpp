#include "jobs/accuraterip.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "platform/text.h"

namespace {

// Eight tables: the CRC of a byte followed by 0..7 zero bytes, so eight
// input bytes are folded in with independent lookups.
constexpr size_t kCrcSlices = 8;
using CrcTables = std::array<std::array<uint32_t, 256>, kCrcSlices>;

constexpr CrcTables MakeCrcTables() {
  CrcTables tables{};
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    tables[0][n] = c;
  }
  for (uint32_t n = 0; n < 256; ++n)
    for (size_t t = 1; t < kCrcSlices; ++t) tables[t][n] = (tables[t - 1][n] >> 8) ^ tables[0][tables[t - 1][n] & 0xFF];
  return tables;
}

constexpr CrcTables kCrcTables = MakeCrcTables();

uint32_t SampleAt(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

uint32_t Le32(const std::string& data, size_t at) {
  return SampleAt(reinterpret_cast<const uint8_t*>(data.data() + at));
}

constexpr size_t kArHeaderBytes = 13;
constexpr size_t kArTrackBytes = 9;
constexpr uint32_t kArMaxTracks = 99;

}  // namespace

void CCrc32::Add(const uint8_t* data, size_t bytes) {
  uint32_t c = state_;
  size_t i = 0;
  for (; i + kCrcSlices <= bytes; i += kCrcSlices) {
    uint32_t low = c ^ SampleAt(data + i);
    uint32_t high = SampleAt(data + i + 4);
    c = kCrcTables[7][low & 0xFF] ^ kCrcTables[6][(low >> 8) & 0xFF] ^ kCrcTables[5][(low >> 16) & 0xFF] ^
        kCrcTables[4][low >> 24] ^ kCrcTables[3][high & 0xFF] ^ kCrcTables[2][(high >> 8) & 0xFF] ^
        kCrcTables[1][(high >> 16) & 0xFF] ^ kCrcTables[0][high >> 24];
  }
  for (; i < bytes; ++i) c = kCrcTables[0][(c ^ data[i]) & 0xFF] ^ (c >> 8);
  state_ = c;
}

CTrackChecksums::CTrackChecksums(uint32_t sampleCount, bool firstTrack, bool lastTrack) {
  checkFirst_ = firstTrack ? kArEdgeSamples + 1 : 1;
  checkLast_ = lastTrack ? (sampleCount > kArLastTrackSkip ? sampleCount - kArLastTrackSkip : 0) : sampleCount;
}

void CTrackChecksums::Add(const uint8_t* data, size_t bytes) {
  crc_.Add(data, bytes);
  uint32_t count = static_cast<uint32_t>(bytes / 4);
  // Multipliers of this piece: position_ + 1 .. position_ + count; only
  // checkFirst_ .. checkLast_ count, worked out once instead of per sample.
  uint32_t first = std::max(position_ + 1, checkFirst_);
  uint32_t last = std::min(position_ + count, checkLast_);
  uint32_t v1 = 0;
  uint64_t high = 0;
  if (first <= last) {
    const uint8_t* samples = data + size_t{first - position_ - 1} * 4;
    for (uint32_t k = 0, n = last - first + 1; k < n; ++k) {
      uint64_t product = uint64_t{SampleAt(samples + size_t{k} * 4)} * (first + k);
      v1 += static_cast<uint32_t>(product);
      high += product >> 32;
    }
  }
  v1_ += v1;
  v2_ += v1 + static_cast<uint32_t>(high);
  position_ += count;
}

void CTrackChecksums::Skip(size_t bytes) { position_ += static_cast<uint32_t>(bytes / 4); }

AR_CHECKSUMS CTrackChecksums::Result() const { return {crc_.Value(), v1_, v2_}; }

bool IsValidArDisc(const AR_DISC& disc) {
  if (disc.trackStarts.empty() || disc.trackStarts.size() > kArMaxTracks) return false;
  for (size_t i = 1; i < disc.trackStarts.size(); ++i)
    if (disc.trackStarts[i] <= disc.trackStarts[i - 1]) return false;
  return disc.leadOut > disc.trackStarts.back();
}

AR_DISC_ID ArDiscId(const AR_DISC& disc) {
  AR_DISC_ID id;
  id.trackCount = static_cast<uint32_t>(disc.trackStarts.size());
  id.cddbId = disc.cddbId;
  for (size_t i = 0; i < disc.trackStarts.size(); ++i) {
    id.id1 += disc.trackStarts[i];
    id.id2 += std::max<uint32_t>(disc.trackStarts[i], 1) * static_cast<uint32_t>(i + 1);
  }
  id.id1 += disc.leadOut;
  id.id2 += disc.leadOut * (id.trackCount + 1);
  return id;
}

std::string ArDatabasePath(const AR_DISC_ID& id) {
  return Format("%x/%x/%x/dBAR-%03u-%08x-%08x-%08x.bin", id.id1 & 0xF, (id.id1 >> 4) & 0xF, (id.id1 >> 8) & 0xF,
                id.trackCount, id.id1, id.id2, id.cddbId);
}

std::string ArDatabaseUrl(const std::string& server, const AR_DISC_ID& id) {
  std::string base = server;
  while (!base.empty() && base.back() == '/') base.pop_back();
  return base + "/" + ArDatabasePath(id);
}

bool ParseArDatabase(const std::string& data, std::vector<AR_PRESSING>& pressings) {
  pressings.clear();
  if (data.empty() || data.size() > kMaxArResponseBytes) return false;
  size_t at = 0;
  while (at < data.size()) {
    if (data.size() - at < kArHeaderBytes || pressings.size() == kMaxArPressings) return false;
    AR_PRESSING pressing;
    pressing.id.trackCount = static_cast<uint8_t>(data[at]);
    pressing.id.id1 = Le32(data, at + 1);
    pressing.id.id2 = Le32(data, at + 5);
    pressing.id.cddbId = Le32(data, at + 9);
    at += kArHeaderBytes;
    uint32_t count = pressing.id.trackCount;
    if (count == 0 || count > kArMaxTracks || data.size() - at < count * kArTrackBytes) return false;
    for (uint32_t t = 0; t < count; ++t, at += kArTrackBytes) {
      AR_ENTRY entry;
      entry.confidence = static_cast<uint8_t>(data[at]);
      entry.checksum = Le32(data, at + 1);
      entry.frame450 = Le32(data, at + 5);
      pressing.tracks.push_back(entry);
    }
    pressings.push_back(std::move(pressing));
  }
  return true;
}

namespace {

bool SameDisc(const AR_DISC_ID& a, const AR_DISC_ID& b) {
  return a.trackCount == b.trackCount && a.id1 == b.id1 && a.id2 == b.id2 && a.cddbId == b.cddbId;
}

// The entries of track `index` in the pressings filed under `id`.
template <class Visit>
void ForEachEntry(const std::vector<AR_PRESSING>& pressings, const AR_DISC_ID& id, size_t index, Visit visit) {
  for (const AR_PRESSING& pressing : pressings) {
    if (!SameDisc(pressing.id, id) || index >= pressing.tracks.size()) continue;
    if (pressing.tracks[index].confidence != 0) visit(pressing.tracks[index]);
  }
}

// The largest confidence of an entry holding `checksum`, 0 for none.
uint32_t MatchConfidence(const std::vector<AR_PRESSING>& pressings, const AR_DISC_ID& id, size_t index,
                         uint32_t checksum) {
  uint32_t confidence = 0;
  ForEachEntry(pressings, id, index, [&](const AR_ENTRY& entry) {
    if (entry.checksum == checksum) confidence = std::max(confidence, entry.confidence);
  });
  return confidence;
}

}  // namespace

AR_VERDICT ArVerdict(const std::vector<AR_PRESSING>& pressings, const AR_DISC_ID& id, size_t index,
                     const AR_CHECKSUMS& sums) {
  AR_VERDICT verdict;
  uint32_t v1 = MatchConfidence(pressings, id, index, sums.v1);
  uint32_t v2 = MatchConfidence(pressings, id, index, sums.v2);
  if (v1 || v2) {
    verdict.result = AR_RESULT::Accurate;
    verdict.v2 = v2 > v1;
    verdict.confidence = std::max(v1, v2);
    return verdict;
  }
  bool present = false;
  ForEachEntry(pressings, id, index, [&](const AR_ENTRY& entry) {
    present = true;
    verdict.confidence = std::max(verdict.confidence, entry.confidence);
  });
  verdict.result = present ? AR_RESULT::NotAccurate : AR_RESULT::NotPresent;
  return verdict;
}

std::string ArVerdictText(const AR_VERDICT& verdict) {
  switch (verdict.result) {
    case AR_RESULT::Accurate: return Format("accurately ripped (confidence %u)", verdict.confidence);
    case AR_RESULT::NotAccurate: return Format("NOT accurate (best confidence %u)", verdict.confidence);
    case AR_RESULT::NotPresent: break;
  }
  return "not present in database";
}

std::string ArChecksumText(const AR_CHECKSUMS& sums) {
  return Format("CRC32 %08X, AccurateRip v1 %08X, v2 %08X", sums.crc32, sums.v1, sums.v2);
}

namespace {

// The v1 sum over multipliers first..last of the samples starting at
// `origin`, kept for consecutive origins: moving the origin by one sample
// subtracts the window's plain sum and brings in one sample at each edge.
class CSlidingV1 {
 public:
  CSlidingV1(const uint8_t* samples, uint32_t first, uint32_t last) : samples_(samples), first_(first), last_(last) {
    for (uint32_t j = first; j <= last; ++j) {
      uint32_t x = At(j - 1);
      sum_ += j * x;
      window_ += x;
    }
  }
  uint32_t Value() const { return sum_; }
  void Advance() {
    uint32_t leaving = At(first_ - 1), entering = At(last_);
    sum_ = sum_ - first_ * leaving + (last_ + 1) * entering;
    window_ = window_ - leaving + entering;
    sum_ -= window_;
    ++origin_;
  }

 private:
  uint32_t At(uint32_t index) const { return SampleAt(samples_ + (static_cast<size_t>(origin_) + index) * 4); }

  const uint8_t* samples_;
  uint32_t first_, last_;
  uint32_t origin_ = 0;
  uint32_t sum_ = 0, window_ = 0;
};

}  // namespace

AR_OFFSET_MATCH DetectReadOffset(const std::vector<AR_PRESSING>& pressings, const AR_DISC& disc, size_t index,
                                 const std::vector<uint8_t>& samplesWithMargin) {
  AR_OFFSET_MATCH match;
  if (!IsValidArDisc(disc) || index >= disc.trackStarts.size()) return match;
  uint32_t end = index + 1 < disc.trackStarts.size() ? disc.trackStarts[index + 1] : disc.leadOut;
  uint32_t count = (end - disc.trackStarts[index]) * kSamplesPerFrame;
  const size_t margin = kMaxDetectedOffset;
  if (samplesWithMargin.size() != (count + 2 * margin) * 4) return match;
  bool first = index == 0, last = index + 1 == disc.trackStarts.size();
  uint32_t from = first ? kArEdgeSamples + 1 : 1;
  uint32_t to = last ? (count > kArLastTrackSkip ? count - kArLastTrackSkip : 0) : count;
  if (from > to) return match;
  AR_DISC_ID id = ArDiscId(disc);
  CSlidingV1 sums(samplesWithMargin.data(), from, to);
  for (int32_t offset = -kMaxDetectedOffset;; ++offset) {
    uint32_t confidence = MatchConfidence(pressings, id, index, sums.Value());
    bool better = confidence > match.confidence ||
                  (confidence != 0 && confidence == match.confidence && std::abs(offset) < std::abs(match.offset));
    if (better) match = {true, offset, confidence};
    if (offset == kMaxDetectedOffset) break;
    sums.Advance();
  }
  return match;
}
