// The extraction step proving its rip: read-offset correction against the
// virtual drive's offset option, and the AccurateRip verdicts in the log
// against a database built here with the test's own implementation.
#include <gtest/gtest.h>

#include <fstream>

#include "accuraterip_reference.h"
#include "app/job_settings.h"
#include "cdrom/virtual/disc_image_writer.h"
#include "cdrom/virtual/virtual_drive.h"
#include "jobs/extraction.h"
#include "jobs/offset_detection.h"
#include "recording_job_report.h"
#include "test_folders.h"

namespace {

constexpr uint32_t kTrackFrames[] = {40, 30, 35};

// A database that serves one file from memory, or fails.
class CMemoryDatabase : public IAccurateRipDatabase {
 public:
  AR_FETCH Fetch(const std::string& url, int32_t, std::string& body, std::string& reason) override {
    urls.push_back(url);
    if (fail) {
      reason = "no route";
      return AR_FETCH::Failed;
    }
    if (url != served) return AR_FETCH::Absent;
    body = file;
    return AR_FETCH::Ok;
  }
  std::string served, file;
  bool fail = false;
  std::vector<std::string> urls;
};

class ExtractionAccuracyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = MakeTestFolder("extraction-accuracy");
    DISC_IMAGE_LAYOUT layout;
    for (uint32_t frames : kTrackFrames) {
      IMAGE_TRACK track;
      track.content = TrackContent::Pattern;
      track.frames = frames;
      layout.tracks.push_back(track);
    }
    std::string error;
    ASSERT_TRUE(WriteDiscImage(layout, folder_ + "disc.cue", error)) << error;
    std::ifstream in(HostFolder(folder_ + "disc.bin"), std::ios::binary);
    image_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    ASSERT_EQ(image_.size(), (40u + 30 + 35) * 2352);
    disc_ = {{0, 40, 70}, 105, 0x0C01A903};
  }

  // A CD job of every track on V: with the drive options given.
  void MakeJob(const std::string& options) {
    std::vector<VIRTUAL_DRIVE_CONFIG> drives;
    std::string error;
    ASSERT_TRUE(ParseVirtualDrives("V=" + folder_ + "disc.cue" + options, drives, error)) << error;
    io_ = std::make_unique<CVirtualDeviceIo>(nullptr, drives);
    commands_ = std::make_unique<CDriveCommands>(*io_);
    commands_->Install(AccessPath::PassThrough, 0);
    commands_->retryTimes = 1;
    job_.device = io_->Open("\\\\.\\V:", true);
    job_.report = &report_;
    job_.keepWav = true;
    for (size_t t = 0; t < 3; ++t) {
      CJobItem item;
      item.startSector = static_cast<int>(disc_.trackStarts[t]);
      item.endSector = static_cast<int>(t + 1 < 3 ? disc_.trackStarts[t + 1] : disc_.leadOut);
      item.sourceName = "Track" + std::to_string(t + 1);
      item.trackIndex = static_cast<int>(t);
      job_.items.push_back(item);
    }
    job_.verification.disc = disc_;
    job_.verification.serverUrl = "http://ar.test/accuraterip";
    job_.verification.database = &database_;
    settings_.sessionOutputFolder = folder_ + "out\\";
    settings_.NamingRule = "<title>";
  }

  bool ExtractAll(int32_t readOffset) {
    job_.options = JobOptionsFromSettings(settings_);
    job_.options.accuracy.readOffset = readOffset;
    for (job_.current = 0; job_.current < job_.items.size(); ++job_.current)
      if (!ExtractTrack(job_, *commands_)) return false;
    return true;
  }

  std::vector<uint8_t> Wav(size_t t) {
    std::ifstream in(HostFolder(folder_ + "out\\Track" + std::to_string(t + 1) + ".WAV"), std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return bytes.size() >= 44 ? std::vector<uint8_t>(bytes.begin() + 44, bytes.end()) : std::vector<uint8_t>();
  }

  std::vector<uint8_t> TrueTrack(size_t t) const {
    uint32_t end = t + 1 < 3 ? disc_.trackStarts[t + 1] : disc_.leadOut;
    return {image_.begin() + disc_.trackStarts[t] * 2352, image_.begin() + end * 2352};
  }

  // The database: a pressing with the true v1 sums and one with v2 sums,
  // at other confidences.
  void ServeTrueDisc() {
    AR_DISC_ID id = ArDiscId(disc_);
    std::vector<std::pair<uint8_t, uint32_t>> v1, v2;
    for (size_t t = 0; t < 3; ++t) {
      REFERENCE_SUMS sums = ReferenceSums(Words(TrueTrack(t)), t == 0, t == 2);
      v1.push_back({static_cast<uint8_t>(20 + t), sums.v1});
      v2.push_back({static_cast<uint8_t>(4), sums.v2});
    }
    database_.served = "http://ar.test/accuraterip/" + ArDatabasePath(id);
    database_.file = Pressing(id, v1) + Pressing(id, v2);
  }

  std::vector<std::string> LinesWith(const std::string& text) const {
    std::vector<std::string> found;
    for (const std::string& line : report_.lines)
      if (line.find(text) != std::string::npos) found.push_back(line);
    return found;
  }

  std::string folder_;
  std::vector<uint8_t> image_;
  AR_DISC disc_;
  CMemoryDatabase database_;
  std::unique_ptr<CVirtualDeviceIo> io_;
  std::unique_ptr<CDriveCommands> commands_;
  CRecordingJobReport report_;
  CJob job_;
  CAppSettings settings_;
};

TEST_F(ExtractionAccuracyTest, CleanRipIsAccurateWithEachTracksConfidence) {
  ServeTrueDisc();
  MakeJob("");
  ASSERT_TRUE(ExtractAll(0));
  ASSERT_EQ(database_.urls.size(), 1u);  // one lookup for the job
  for (size_t t = 0; t < 3; ++t) {
    std::vector<uint8_t> wav = Wav(t);
    EXPECT_EQ(wav, TrueTrack(t));
    std::vector<std::string> lines = LinesWith("AccurateRip: track " + std::to_string(t + 1) + ": ");
    ASSERT_EQ(lines.size(), 1u);
    REFERENCE_SUMS sums = ReferenceSums(Words(wav), t == 0, t == 2);
    char expected[160];
    std::snprintf(expected, sizeof expected, "CRC32 %08X, AccurateRip v1 %08X, v2 %08X: accurately ripped (confidence %u)",
                  ReferenceCrc32(wav), sums.v1, sums.v2, static_cast<unsigned>(20 + t));
    EXPECT_NE(lines[0].find(expected), std::string::npos) << lines[0];
    EXPECT_EQ(lines[0][0], '[');
  }
  std::vector<std::string> summary = LinesWith("AccurateRip: 3 of 3 tracks accurately ripped, 0 not accurate");
  EXPECT_EQ(summary.size(), 1u);
  EXPECT_EQ(report_.lines.back(), summary.at(0));
}

TEST_F(ExtractionAccuracyTest, SkippedBadBlockMakesOnlyThatTrackInaccurate) {
  ServeTrueDisc();
  settings_.BoolSkipError = 1;
  settings_.BufferSize = 5;
  MakeJob("|bad=50");
  ASSERT_TRUE(ExtractAll(0));
  EXPECT_EQ(LinesWith("track 1: CRC32").at(0).find("accurately ripped (confidence 20)") != std::string::npos, true);
  EXPECT_NE(LinesWith("track 2: CRC32").at(0).find("NOT accurate (best confidence 21)"), std::string::npos);
  EXPECT_NE(LinesWith("track 3: CRC32").at(0).find("accurately ripped (confidence 22)"), std::string::npos);
  EXPECT_EQ(LinesWith("2 of 3 tracks accurately ripped, 1 not accurate, 0 not present").size(), 1u);
}

TEST_F(ExtractionAccuracyTest, AbsentDiscAndFailedLookup) {
  MakeJob("");
  ASSERT_TRUE(ExtractAll(0));
  EXPECT_EQ(LinesWith(": not present in database").size(), 3u);
  EXPECT_EQ(LinesWith("0 of 3 tracks accurately ripped, 0 not accurate, 3 not present").size(), 1u);

  report_.lines.clear();
  job_ = CJob();
  database_.fail = true;
  MakeJob("");
  ASSERT_TRUE(ExtractAll(0));
  EXPECT_EQ(LinesWith("could not be reached (no route)").size(), 1u);
  EXPECT_EQ(LinesWith("track 2: CRC32").size(), 1u);  // the checksums are still logged
  EXPECT_EQ(LinesWith("accurately").size(), 0u);
  EXPECT_EQ(LinesWith("AccurateRip: nothing verified").size(), 1u);
}

TEST_F(ExtractionAccuracyTest, LookupOffLogsNothing) {
  ServeTrueDisc();
  settings_.AccurateRip = 0;
  MakeJob("");
  ASSERT_TRUE(ExtractAll(0));
  EXPECT_TRUE(database_.urls.empty());
  EXPECT_TRUE(LinesWith("AccurateRip").empty());
}

TEST_F(ExtractionAccuracyTest, DriveOffsetsAreCorrectedToTheTrueSamples) {
  ServeTrueDisc();
  for (int32_t offset : {6, -1160, 667}) {
    SCOPED_TRACE(offset);
    report_.lines.clear();
    job_ = CJob();
    MakeJob("|offset=" + std::to_string(offset));
    ASSERT_TRUE(ExtractAll(offset));
    EXPECT_EQ(Wav(1), TrueTrack(1));  // the middle track, bit for bit
    // At the disc's edges the drive reaches no further than the disc.
    std::vector<uint8_t> first = Wav(0), last = Wav(2), expectFirst = TrueTrack(0), expectLast = TrueTrack(2);
    if (offset < 0) std::fill(expectFirst.begin(), expectFirst.begin() + (-offset) * 4, 0);
    if (offset > 0) std::fill(expectLast.end() - offset * 4, expectLast.end(), 0);
    EXPECT_EQ(first, expectFirst);
    EXPECT_EQ(last, expectLast);
    EXPECT_EQ(LinesWith("3 of 3 tracks accurately ripped").size(), 1u);
  }
}

TEST_F(ExtractionAccuracyTest, UncorrectedOffsetIsNotAccurate) {
  ServeTrueDisc();
  MakeJob("|offset=6");
  ASSERT_TRUE(ExtractAll(0));
  EXPECT_EQ(LinesWith("0 of 3 tracks accurately ripped, 3 not accurate").size(), 1u);
}

class OffsetDetectionOnTheDrive : public ExtractionAccuracyTest {
 protected:
  bool Detect(AR_OFFSET_MATCH& match, std::string& why) {
    OFFSET_DETECTION detection;
    detection.disc = &disc_;
    detection.database = &database_;
    detection.serverUrl = "http://ar.test/accuraterip";
    detection.maxFramesPerRead = 7;
    ReadFramesFunction read = [this](uint32_t lba, uint32_t frames, uint8_t* out) {
      CD_READ_REQUEST request;
      request.start = lba;
      request.frames = frames;
      request.bytes = frames * kFrameBytes;
      request.buffer = out;
      return commands_->ReadSectors(job_.device, request);
    };
    return DetectDriveOffset(detection, read, match, why);
  }
};

TEST_F(OffsetDetectionOnTheDrive, FindsTheVirtualDrivesOffset) {
  ServeTrueDisc();
  for (int32_t offset : {0, 6, -1160, 667}) {
    SCOPED_TRACE(offset);
    job_ = CJob();
    MakeJob("|offset=" + std::to_string(offset));
    AR_OFFSET_MATCH match;
    std::string why;
    ASSERT_TRUE(Detect(match, why)) << why;
    EXPECT_EQ(match.offset, offset);
    EXPECT_EQ(match.confidence, 21u);  // the middle track, the only inner one
  }
}

TEST_F(OffsetDetectionOnTheDrive, SaysWhyItFoundNothing) {
  MakeJob("|offset=6");
  AR_OFFSET_MATCH match;
  std::string why;
  EXPECT_FALSE(Detect(match, why));
  EXPECT_NE(why.find("not in the AccurateRip database"), std::string::npos) << why;
  database_.fail = true;
  EXPECT_FALSE(Detect(match, why));
  EXPECT_NE(why.find("could not be reached (no route)"), std::string::npos) << why;
  database_.fail = false;
  ServeTrueDisc();
  job_ = CJob();
  MakeJob("|offset=5000");
  EXPECT_FALSE(Detect(match, why));
  EXPECT_NE(why.find("No offset"), std::string::npos) << why;
  EXPECT_FALSE(match.found);
}

}  // namespace
