// The secure reader over a scripted drive: reads twice at a cache's
// distance, re-reads after moving away, heals, gives up at the limit,
// and composes with another layer over the same kind of function.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>

#include "jobs/secure_reading.h"

namespace {

constexpr size_t kFrame = 2352;

// A disc whose frame n holds n in every byte pair; frames listed in
// `noisy` read differently each time until they have been read `settle`
// times (0: never).
class CScriptedDrive {
 public:
  bool Read(uint32_t lba, uint32_t frames, uint8_t* buffer) {
    reads.push_back({lba, frames});
    if (failing.count(lba)) return false;
    for (uint32_t f = 0; f < frames; ++f) {
      uint32_t n = lba + f;
      uint8_t* frame = buffer + size_t{f} * kFrame;
      for (size_t i = 0; i < kFrame; i += 2) {
        frame[i] = static_cast<uint8_t>(n);
        frame[i + 1] = static_cast<uint8_t>(n >> 8);
      }
      if (noisy.count(n)) {
        uint32_t count = readsOf[n]++;
        if (settle == 0 || count < settle) frame[7] ^= static_cast<uint8_t>(count + 1);
      }
    }
    return true;
  }
  FRAME_READER AsReader() {
    return [this](uint32_t lba, uint32_t frames, uint8_t* buffer) { return Read(lba, frames, buffer); };
  }
  size_t ReadsAt(uint32_t lba) const {
    size_t n = 0;
    for (const auto& r : reads) n += r.first == lba;
    return n;
  }

  std::vector<std::pair<uint32_t, uint32_t>> reads;
  std::set<uint32_t> noisy, failing;
  std::map<uint32_t, uint32_t> readsOf;
  uint32_t settle = 0;
};

// Reads [start, end) through reader in blocks as the extraction does.
std::vector<uint8_t> ReadTrack(const FRAME_READER& reader, uint32_t start, uint32_t end, uint32_t block,
                               bool* allRead = nullptr) {
  std::vector<uint8_t> track;
  std::vector<uint8_t> buffer(block * kFrame);
  if (allRead) *allRead = true;
  for (uint32_t lba = start; lba < end; lba += std::min(block, end - lba)) {
    uint32_t frames = std::min(block, end - lba);
    bool read = reader(lba, frames, buffer.data());
    if (allRead) *allRead = *allRead && read;
    track.insert(track.end(), buffer.begin(), buffer.begin() + frames * kFrame);
  }
  return track;
}

std::vector<uint8_t> CleanTrack(uint32_t start, uint32_t end) {
  CScriptedDrive clean;
  return ReadTrack(clean.AsReader(), start, end, 1000);
}

TEST(SecureReaderTest, ReadsEveryBlockTwiceAStretchApart) {
  CScriptedDrive drive;
  CSecureReader reader(drive.AsReader(), 0, 100, 10, 5, 40);
  EXPECT_EQ(ReadTrack(reader.AsFrameReader(), 0, 100, 10), CleanTrack(0, 100));
  ASSERT_EQ(drive.reads.size(), 20u);
  // Stretch by stretch: 0..39 once, then again; the second read of a block
  // comes 40 frames of other reads after its first.
  std::vector<uint32_t> order;
  for (const auto& r : drive.reads) order.push_back(r.first);
  EXPECT_EQ(order,
            (std::vector<uint32_t>{0, 10, 20, 30, 0, 10, 20, 30, 40, 50, 60, 70, 40, 50, 60, 70, 80, 90, 80, 90}));
  EXPECT_EQ(reader.HealedBlocks(), 0u);
  EXPECT_TRUE(reader.Suspicious().empty());
}

TEST(SecureReaderTest, ABlockThatSettlesIsHealedAfterMovingAway) {
  CScriptedDrive drive;
  drive.noisy = {15};
  drive.settle = 2;  // the first two reads of frame 15 differ
  CSecureReader reader(drive.AsReader(), 0, 100, 10, 5, 40);
  EXPECT_EQ(ReadTrack(reader.AsFrameReader(), 0, 100, 10), CleanTrack(0, 100));
  EXPECT_EQ(reader.HealedBlocks(), 1u);
  EXPECT_TRUE(reader.Suspicious().empty());
  EXPECT_EQ(drive.ReadsAt(10), 4u) << "two reads, two differing, then two more until two agree";
  // Before each re-read the drive was sent a stretch away.
  for (size_t i = 1; i < drive.reads.size(); ++i)
    if (drive.reads[i].first == 10 && drive.reads[i - 1].first != 0) {
      EXPECT_EQ(drive.reads[i - 1].first, 50u);
      EXPECT_EQ(drive.reads[i - 1].second, 1u);
    }
}

TEST(SecureReaderTest, ABlockThatNeverSettlesIsSuspiciousAfterTheLimit) {
  CScriptedDrive drive;
  drive.noisy = {15, 25, 70};
  CSecureReader reader(drive.AsReader(), 0, 100, 10, 3, 40);
  bool allRead = false;
  std::vector<uint8_t> track = ReadTrack(reader.AsFrameReader(), 0, 100, 10, &allRead);
  EXPECT_TRUE(allRead) << "the job goes on";
  EXPECT_EQ(track.size(), 100 * kFrame);
  EXPECT_EQ(drive.ReadsAt(10), 2u + 3u) << "the limit counts the re-reads";
  ASSERT_EQ(reader.Suspicious().size(), 2u);
  EXPECT_EQ(reader.Suspicious()[0].first, 10u);  // neighbouring blocks joined
  EXPECT_EQ(reader.Suspicious()[0].last, 29u);
  EXPECT_EQ(reader.Suspicious()[1].first, 70u);
  EXPECT_EQ(reader.Suspicious()[1].last, 79u);
  EXPECT_EQ(reader.HealedBlocks(), 0u);
}

TEST(SecureReaderTest, FailedReadsAreNeitherAgreementNorHidden) {
  CScriptedDrive drive;
  CSecureReader reader(drive.AsReader(), 0, 40, 10, 2, 40);
  drive.failing = {20};
  std::vector<uint8_t> buffer(10 * kFrame);
  EXPECT_TRUE(reader.Read(0, 10, buffer.data()));
  EXPECT_TRUE(reader.Read(10, 10, buffer.data()));
  EXPECT_FALSE(reader.Read(20, 10, buffer.data())) << "the caller handles the drive's failure";
  // A block whose first read failed needs two more reads that agree.
  drive.failing.clear();
  CSecureReader again(drive.AsReader(), 0, 40, 10, 2, 40);
  drive.failing = {30};
  drive.reads.clear();
  EXPECT_TRUE(again.Read(0, 10, buffer.data()));  // the stretch: 30 fails its first read
  drive.failing.clear();
  EXPECT_TRUE(again.Read(10, 10, buffer.data()));
  EXPECT_TRUE(again.Read(20, 10, buffer.data()));
  EXPECT_TRUE(again.Read(30, 10, buffer.data()));
  EXPECT_EQ(drive.ReadsAt(30), 3u);
  EXPECT_EQ(again.HealedBlocks(), 1u);
  EXPECT_TRUE(again.Suspicious().empty());
}

TEST(SecureReaderTest, ComposesWithAnotherLayerOverTheDrive) {
  // A layer that shifts the disc by five frames, as a read-offset
  // correction would, below the secure reader.
  CScriptedDrive drive;
  FRAME_READER shifted = [&](uint32_t lba, uint32_t frames, uint8_t* buffer) {
    return drive.Read(lba + 5, frames, buffer);
  };
  CSecureReader reader(shifted, 0, 50, 10, 2, 20);
  EXPECT_EQ(ReadTrack(reader.AsFrameReader(), 0, 50, 10), CleanTrack(5, 55));
}

TEST(SecureReaderTest, OddBlocksShortTracksAndTimes) {
  CScriptedDrive drive;
  drive.noisy = {3};
  CSecureReader reader(drive.AsReader(), 0, 7, 26, 1);  // one short block, shorter than a stretch
  bool allRead = false;
  EXPECT_EQ(ReadTrack(reader.AsFrameReader(), 0, 7, 26, &allRead).size(), 7 * kFrame);
  EXPECT_TRUE(allRead);
  ASSERT_EQ(reader.Suspicious().size(), 1u);
  EXPECT_EQ(reader.Suspicious()[0].last, 6u);
  EXPECT_EQ(TrackTimeText(0), "00:00.00");
  EXPECT_EQ(TrackTimeText(74), "00:00.74");
  EXPECT_EQ(TrackTimeText(75 * 61 + 3), "01:01.03");
  EXPECT_EQ(TrackTimeText(75 * 60 * 79 + 75 * 59 + 74), "79:59.74");
  EXPECT_NE(BlockFingerprint(reinterpret_cast<const uint8_t*>("ab"), 2),
            BlockFingerprint(reinterpret_cast<const uint8_t*>("ba"), 2));
}

}  // namespace
