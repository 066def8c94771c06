#include "jobs/secure_reading.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/text.h"

namespace {

constexpr size_t kFrameSize = 2352;

}  // namespace

uint64_t BlockFingerprint(const uint8_t* bytes, size_t count) {
  uint64_t hash = 0xCBF29CE484222325ull;
  for (size_t i = 0; i < count; ++i) hash = (hash ^ bytes[i]) * 0x100000001B3ull;
  return hash;
}

std::string TrackTimeText(uint32_t frames) {
  return Format("%02u:%02u.%02u", frames / 4500, frames / 75 % 60, frames % 75);
}

CSecureReader::CSecureReader(FRAME_READER read, uint32_t start, uint32_t end, uint32_t blockFrames, uint32_t rereads,
                             uint32_t stretchFrames)
    : read_(std::move(read)),
      start_(start),
      end_(std::max(start, end)),
      blockFrames_(std::max<uint32_t>(blockFrames, 1)),
      rereads_(std::max<uint32_t>(rereads, 1)),
      stretchFrames_(std::max(stretchFrames, blockFrames_)) {}

FRAME_READER CSecureReader::AsFrameReader() {
  return [this](uint32_t lba, uint32_t frames, uint8_t* buffer) { return Read(lba, frames, buffer); };
}

const CSecureReader::FIRST_READ* CSecureReader::FindFirstRead(uint32_t lba, uint32_t frames) const {
  for (const FIRST_READ& first : stretch_)
    if (first.lba == lba && first.frames == frames) return &first;
  return nullptr;
}

void CSecureReader::ReadStretch(uint32_t lba) {
  stretch_.clear();
  for (uint32_t at = lba; at < end_ && at - lba < stretchFrames_;) {
    FIRST_READ first;
    first.lba = at;
    first.frames = std::min(blockFrames_, end_ - at);
    scratch_.resize(size_t{first.frames} * kFrameSize);
    first.read = read_(at, first.frames, scratch_.data());
    if (first.read) first.fingerprint = BlockFingerprint(scratch_.data(), scratch_.size());
    stretch_.push_back(first);
    at += first.frames;
  }
}

void CSecureReader::MoveAway(uint32_t lba) {
  uint32_t away = lba >= start_ + stretchFrames_   ? lba - stretchFrames_
                  : end_ - lba > stretchFrames_    ? lba + stretchFrames_
                  : lba - start_ >= end_ - 1 - lba ? start_
                                                   : end_ - 1;
  scratch_.resize(kFrameSize);
  read_(away, 1, scratch_.data());  // only the move matters
}

bool CSecureReader::Read(uint32_t lba, uint32_t frames, uint8_t* buffer) {
  if (frames == 0) return read_(lba, frames, buffer);
  const FIRST_READ* first = FindFirstRead(lba, frames);
  if (!first) {
    ReadStretch(lba);
    first = FindFirstRead(lba, frames);
  }
  std::vector<uint64_t> seen;
  if (first && first->read) seen.push_back(first->fingerprint);
  if (!read_(lba, frames, buffer)) return false;
  uint64_t fingerprint = BlockFingerprint(buffer, size_t{frames} * kFrameSize);
  if (!seen.empty() && seen.front() == fingerprint) return true;
  seen.push_back(fingerprint);
  if (Settle(lba, frames, buffer, std::move(seen))) {
    ++healed_;
  } else {
    MarkSuspicious(lba, frames);
  }
  return true;
}

// Reads the block again until a read equals one seen before, which then
// replaces what the buffer holds.
bool CSecureReader::Settle(uint32_t lba, uint32_t frames, uint8_t* buffer, std::vector<uint64_t> seen) {
  std::vector<uint8_t> again(size_t{frames} * kFrameSize);
  for (uint32_t attempt = 0; attempt < rereads_; ++attempt) {
    MoveAway(lba);
    if (!read_(lba, frames, again.data())) continue;
    uint64_t fingerprint = BlockFingerprint(again.data(), again.size());
    if (std::find(seen.begin(), seen.end(), fingerprint) != seen.end()) {
      std::memcpy(buffer, again.data(), again.size());
      return true;
    }
    seen.push_back(fingerprint);
  }
  return false;
}

void CSecureReader::MarkSuspicious(uint32_t lba, uint32_t frames) {
  uint32_t last = lba + frames - 1;
  if (!suspicious_.empty() && suspicious_.back().last + 1 == lba) {
    suspicious_.back().last = last;
    return;
  }
  suspicious_.push_back({lba, last});
}
