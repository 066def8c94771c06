// The extraction step against the virtual drive: bytes, trimming, skipped
// blocks, progress, abort and clean-up.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "app/job_settings.h"
#include "cdrom/virtual/disc_image_writer.h"
#include "cdrom/virtual/virtual_drive.h"
#include "jobs/extraction.h"
#include "platform/file.h"
#include "platform/temp_file.h"
#include "recording_job_report.h"
#include "temporary_files.h"
#include "test_folders.h"

namespace {

TEST(TrimSilenceTest, FixedFramesAtBothEnds) {
  uint32_t start = 1000, end = 10000;
  TrimSilence(start, end, 75, 150);
  EXPECT_EQ(start, 1075u);
  EXPECT_EQ(end, 9850u);  // frames 1075..9849
  start = 0, end = 3000;
  TrimSilence(start, end, 15000, 0);
  EXPECT_EQ(start, 2925u);
  EXPECT_EQ(end, 3000u);
  start = 0, end = 3000;
  TrimSilence(start, end, 0, 15000);
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(end, 75u);
  // A track shorter than a second is not trimmed past its own ends.
  start = 500, end = 540;
  TrimSilence(start, end, 10, 10);
  EXPECT_EQ(start, 500u);
  EXPECT_EQ(end, 540u);
}

TEST(TrimSilenceTest, FramesPerReadStayWithinOneCommand) {
  EXPECT_EQ(FramesPerRead(26), 26u);
  EXPECT_EQ(FramesPerRead(400), 255u);
  EXPECT_EQ(FramesPerRead(0), 1u);
}

class ExtractionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = MakeTestFolder("extraction");
    DISC_IMAGE_LAYOUT layout;
    IMAGE_TRACK pattern;
    pattern.content = TrackContent::Pattern;
    pattern.frames = 300;
    IMAGE_TRACK tiny = pattern;
    tiny.frames = 27;
    layout.tracks = {pattern, tiny};
    std::string error;
    ASSERT_TRUE(WriteDiscImage(layout, folder_ + "disc.cue", error)) << error;
    track_ = pattern;
  }

  // A job of one track on the virtual drive V:, configured by options.
  void MakeJob(const std::string& options, uint32_t start, uint32_t end) {
    std::vector<VIRTUAL_DRIVE_CONFIG> drives;
    std::string error;
    ASSERT_TRUE(ParseVirtualDrives("V=" + folder_ + "disc.cue" + options, drives, error)) << error;
    io_ = std::make_unique<CVirtualDeviceIo>(nullptr, drives);
    commands_ = std::make_unique<CDriveCommands>(*io_);
    commands_->Install(AccessPath::PassThrough, 0);
    commands_->retryTimes = 2;
    job_.device = io_->Open("\\\\.\\V:", true);
    job_.report = &report_;
    job_.items.assign(1, CJobItem{});
    job_.items[0].startSector = static_cast<int>(start);
    job_.items[0].endSector = static_cast<int>(end);
    job_.items[0].sourceName = "Pattern";
    settings_.sessionOutputFolder = folder_ + "out\\";
    settings_.NamingRule = "<title>";
  }

  // Copies the options from the settings as a starting job does.
  bool Extract() {
    job_.options = JobOptionsFromSettings(settings_);
    return ExtractTrack(job_, *commands_);
  }

  std::vector<uint8_t> WavData(const std::string& path) {
    std::ifstream in(HostFolder(path), std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return bytes.size() >= 44 ? std::vector<uint8_t>(bytes.begin() + 44, bytes.end()) : std::vector<uint8_t>();
  }

  std::vector<uint8_t> TrackFrames(uint32_t first, uint32_t count) {
    std::vector<uint8_t> frames(static_cast<size_t>(count) * 2352);
    RenderTrackFrames(track_, 1, first, first, count, frames.data());
    return frames;
  }


  std::set<std::string> pwBefore_;
  std::string folder_;
  IMAGE_TRACK track_;
  std::unique_ptr<CVirtualDeviceIo> io_;
  std::unique_ptr<CDriveCommands> commands_;
  CRecordingJobReport report_;
  CJob job_;
  CAppSettings settings_;
};

TEST_F(ExtractionTest, KeptWavHoldsTheTrackByteForByte) {
  MakeJob("", 0, 300);
  job_.keepWav = true;
  ASSERT_TRUE(Extract());
  EXPECT_EQ(job_.items[0].outputPath, folder_ + "out\\Pattern.WAV");
  EXPECT_EQ(WavData(job_.items[0].outputPath), TrackFrames(0, 300));
  ASSERT_EQ(report_.lines.size(), 2u);
  EXPECT_TRUE(LooksLike(report_.lines[0], "(", ") Extracting Pattern ..."));
  EXPECT_TRUE(LooksLike(report_.lines[1], "(", ") Extracting Pattern OK!"));
}

TEST_F(ExtractionTest, TrimmedTrackAndBlockProgress) {
  MakeJob("", 300, 327);  // the 27-frame track
  settings_.BufferSize = 26;
  job_.keepWav = false;
  ASSERT_TRUE(Extract());
  ASSERT_EQ(report_.extract.size(), 3u);
  EXPECT_EQ(report_.extract[0].tenths, 0u);
  EXPECT_EQ(report_.extract[1].tenths, 962u);
  EXPECT_EQ(report_.extract[2].tenths, 1000u);
  EXPECT_FALSE(report_.extract[0].wait);
  EXPECT_EQ(WavData(job_.temporaryWavPath).size(), 27u * 2352);
  std::filesystem::remove(HostFolder(job_.temporaryWavPath));

  report_.extract.clear();
  MakeJob("", 0, 300);
  settings_.DeleteSilence = 1;
  settings_.LeadingFrame = 20;
  settings_.TrailingFrame = 30;
  job_.keepWav = true;
  ASSERT_TRUE(Extract());
  EXPECT_EQ(job_.items[0].startSector, 20);
  EXPECT_EQ(job_.items[0].endSector, 270);
  EXPECT_EQ(WavData(job_.items[0].outputPath), TrackFrames(20, 250));
}

TEST_F(ExtractionTest, UnreadableBlockIsLeftOutOrFailsTheTrack) {
  MakeJob("|bad=110", 0, 300);  // inside the block 104..129
  settings_.BufferSize = 26;
  job_.keepWav = true;
  ASSERT_TRUE(Extract());
  std::vector<uint8_t> expected = TrackFrames(0, 104);
  std::vector<uint8_t> rest = TrackFrames(130, 170);
  expected.insert(expected.end(), rest.begin(), rest.end());
  EXPECT_EQ(WavData(job_.items[0].outputPath), expected);
  ASSERT_EQ(report_.lines.size(), 3u);
  EXPECT_TRUE(LooksLike(report_.lines[1], "(", ") Error: ")) << report_.lines[1];
  EXPECT_EQ(report_.lines[1].back(), '\n');

  report_.lines.clear();
  MakeJob("|bad=110", 0, 300);
  settings_.BoolSkipError = 0;
  job_.keepWav = false;
  EXPECT_FALSE(Extract());
  EXPECT_TRUE(job_.temporaryWavPath.empty()) << "the temporary file was left behind";
  ASSERT_EQ(report_.lines.size(), 2u);
  EXPECT_TRUE(LooksLike(report_.lines[1], "(", ") Error: "));
}

TEST_F(ExtractionTest, AbortDeletesTheTemporaryFileAndStillSucceeds) {
  MakeJob("", 0, 300);
  settings_.BufferSize = 26;
  job_.keepWav = false;
  report_.abortAfterPolls = 3;
  pwBefore_ = TemporaryPwFiles();
  ASSERT_TRUE(Extract());
  EXPECT_TRUE(job_.cancelled);
  EXPECT_TRUE(job_.temporaryWavPath.empty());
  ASSERT_EQ(report_.lines.size(), 2u);
  EXPECT_TRUE(LooksLike(report_.lines[1], "(", ") User canceled the operation."));
  EXPECT_EQ(TemporaryPwFiles(), pwBefore_) << "a temporary file was left behind";
}

TEST_F(ExtractionTest, NormalisedAfterReading) {
  MakeJob("", 0, 300);
  job_.keepWav = true;
  settings_.Normalize = 1;
  settings_.NormalizeRatio = 50;
  ASSERT_TRUE(Extract());
  EXPECT_EQ(report_.starts.back(), "1 sent " + folder_ + "out\\Pattern.WAV");
  std::vector<uint8_t> data = WavData(job_.items[0].outputPath);
  int peak = 0;
  for (size_t i = 0; i + 1 < data.size(); i += 2)
    peak = std::max(peak, std::abs(static_cast<int>(static_cast<int16_t>(data[i] | data[i + 1] << 8))));
  EXPECT_NEAR(peak, 16384, 1);
}

TEST_F(ExtractionTest, DriveWithoutMediumFailsAtThePreRead) {
  MakeJob("|nomedium", 0, 300);
  job_.keepWav = false;
  settings_.BoolSkipError = 0;
  EXPECT_FALSE(Extract());
  EXPECT_TRUE(job_.temporaryWavPath.empty());
}

uint64_t g_freeBytes = 0;
bool FixedFreeSpace(const std::string&, uint64_t& bytes) {
  bytes = g_freeBytes;
  return true;
}

TEST_F(ExtractionTest, FreeSpaceEqualToTheNeedIsNotEnough) {
  MakeJob("", 0, 300);
  job_.keepWav = false;
  pwBefore_ = TemporaryPwFiles();
  SetFreeSpaceQuery(FixedFreeSpace);
  g_freeBytes = 300u * 2352;
  EXPECT_FALSE(Extract());
  ASSERT_EQ(report_.lines.size(), 1u);
  EXPECT_TRUE(LooksLike(report_.lines[0], "(", ") Error: Not enough free disk space at disk: "));
  EXPECT_EQ(TemporaryPwFiles(), pwBefore_);  // the temporary file made for it is gone
  g_freeBytes += 1;
  report_.lines.clear();
  EXPECT_TRUE(Extract());
  SetFreeSpaceQuery(nullptr);
  EXPECT_EQ(report_.lines.size(), 2u);
  std::filesystem::remove(HostFolder(job_.temporaryWavPath));  // the encoder's to delete
}

}  // namespace
