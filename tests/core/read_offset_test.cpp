// Read-offset correction over a stand-in drive that delivers its disc
// shifted, as a drive with a read offset does.
#include <gtest/gtest.h>

#include <cstring>

#include "cdrom/drive_commands.h"
#include "cdrom/read_offset.h"

namespace {

constexpr uint32_t kDiscFrames = 12;

// A disc whose sample s holds s + 1 (never 0, so silence shows); the drive
// needs correction `offset`: at position p it delivers sample p - offset.
class ShiftedDrive {
 public:
  explicit ShiftedDrive(int32_t offset) : offset_(offset) {}
  bool Read(uint32_t lba, uint32_t frames, uint8_t* out) {
    calls.push_back({lba, frames});
    if (frames == 0 || frames > kMaxFramesPerRead || lba + frames > kDiscFrames) return false;
    if (failAt && lba <= *failAt && *failAt < lba + frames) return false;
    for (uint32_t i = 0; i < frames * 588; ++i) {
      int64_t truth = int64_t{lba} * 588 + i - offset_;
      uint32_t value = truth >= 0 && truth < kDiscFrames * 588 ? static_cast<uint32_t>(truth + 1) : 0;
      std::memcpy(out + size_t{i} * 4, &value, 4);
    }
    return true;
  }
  ReadFramesFunction Function() {
    return [this](uint32_t lba, uint32_t frames, uint8_t* out) { return Read(lba, frames, out); };
  }
  std::vector<std::pair<uint32_t, uint32_t>> calls;
  const uint32_t* failAt = nullptr;

 private:
  int32_t offset_;
};

uint32_t SampleOf(const std::vector<uint8_t>& bytes, size_t index) {
  uint32_t value;
  std::memcpy(&value, bytes.data() + index * 4, 4);
  return value;
}

// Reads frames lba..lba+frames-1 corrected and checks every sample: the
// true one where the drive could reach it, silence elsewhere.
void ExpectCorrected(int32_t offset, uint32_t lba, uint32_t frames, uint32_t perRead = 255) {
  ShiftedDrive drive(offset);
  CReadOffsetCorrection correction(drive.Function(), offset, kDiscFrames, perRead);
  std::vector<uint8_t> out(size_t{frames} * kFrameBytes, 0xEE);
  ASSERT_TRUE(correction.Read(lba, frames, out.data()));
  for (uint32_t i = 0; i < frames * 588; ++i) {
    int64_t truth = int64_t{lba} * 588 + i;
    int64_t position = truth + offset;
    bool reachable = position >= 0 && position < int64_t{kDiscFrames} * 588;
    uint32_t expected = reachable ? static_cast<uint32_t>(truth + 1) : 0;
    ASSERT_EQ(SampleOf(out, i), expected) << "offset " << offset << " lba " << lba << " sample " << i;
  }
}

TEST(ReadOffsetCorrection, ZeroOffsetReadsExactlyWhatWasAsked) {
  ShiftedDrive drive(0);
  CReadOffsetCorrection correction(drive.Function(), 0, kDiscFrames, 4);
  std::vector<uint8_t> out(10 * kFrameBytes);
  ASSERT_TRUE(correction.Read(1, 10, out.data()));
  ASSERT_EQ(drive.calls.size(), 3u);
  EXPECT_EQ(drive.calls[0], std::make_pair(1u, 4u));
  EXPECT_EQ(drive.calls[2], std::make_pair(9u, 2u));
  EXPECT_EQ(SampleOf(out, 0), 589u);
}

TEST(ReadOffsetCorrection, PositiveNegativeAndMultiSectorOffsets) {
  for (int32_t offset : {6, -6, 667, -1160, 588, -588, 2940, -2940})
    for (uint32_t lba : {0u, 3u, 9u}) ExpectCorrected(offset, lba, 3);
}

TEST(ReadOffsetCorrection, SilenceBeforeTheDiscAndAfterTheLeadOut) {
  ExpectCorrected(-1160, 0, 4);  // the first samples lie before LBA 0
  ExpectCorrected(667, 9, 3);    // the last lie at the lead-out
  ExpectCorrected(-50000, 0, 2); // nothing of it on the disc
}

TEST(ReadOffsetCorrection, RequestsLongerThanOneReadAreSplit) {
  ExpectCorrected(667, 0, 11, 4);
  ShiftedDrive drive(667);
  CReadOffsetCorrection correction(drive.Function(), 667, kDiscFrames, 4);
  std::vector<uint8_t> out(8 * kFrameBytes);
  ASSERT_TRUE(correction.Read(0, 8, out.data()));
  for (auto [lba, frames] : drive.calls) EXPECT_LE(frames, 4u);
}

TEST(ReadOffsetCorrection, AFailedReadFails) {
  ShiftedDrive drive(6);
  uint32_t bad = 4;
  drive.failAt = &bad;
  CReadOffsetCorrection correction(drive.Function(), 6, kDiscFrames, 255);
  std::vector<uint8_t> out(2 * kFrameBytes);
  EXPECT_FALSE(correction.Read(3, 2, out.data()));  // needs frame 4 too
  EXPECT_TRUE(correction.Read(1, 2, out.data()));
}

TEST(ReadOffsetCorrection, OffsetsAreBounded) {
  EXPECT_EQ(ClampReadOffset(100000), kMaxReadOffset);
  EXPECT_EQ(ClampReadOffset(-100000), -kMaxReadOffset);
  EXPECT_EQ(ClampReadOffset(-1160), -1160);
}

}  // namespace
