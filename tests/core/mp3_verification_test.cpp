// MP3 verification: real LAME output passes with a healthy SNR, damaged
// encodings are flagged with what is wrong, and the encoding step logs the
// verdict. Streams are made with sox and lame where they are at hand.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "app/job_settings.h"
#include "jobs/encoder_config.h"
#include "jobs/mp3_encoding.h"
#include "jobs/mp3_verification.h"
#include "jobs/mpeg/mpeg_decoder.h"
#include "recording_job_report.h"
#include "test_folders.h"

namespace {

using Bytes = std::vector<uint8_t>;

bool HaveTools() {
#if defined(_WIN32)
  return false;
#else
  return std::system("command -v sox >/dev/null 2>&1 && command -v lame >/dev/null 2>&1") == 0;
#endif
}

bool RunQuietly(const std::string& command) { return std::system(("(" + command + ") >/dev/null 2>&1").c_str()) == 0; }

Bytes ReadAll(const std::string& path) {
  std::ifstream in(HostFolder(path), std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteAll(const std::string& path, const Bytes& bytes) {
  std::ofstream out(HostFolder(path), std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// The offsets of the MPEG frames of a stream, in order.
std::vector<size_t> FrameOffsets(const Bytes& stream) {
  std::vector<size_t> offsets;
  size_t at = FindFirstFrame(stream.data(), stream.size());
  while (at + 4 <= stream.size()) {
    MPEG_HEADER header;
    int32_t bitRate = 0;
    int32_t length = ParseFrameHeader(stream.data() + at, stream.size() - at, header, bitRate);
    if (length <= 0) break;
    offsets.push_back(at);
    at += static_cast<size_t>(length);
  }
  return offsets;
}

class Mp3VerificationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveTools()) GTEST_SKIP() << "needs sox and lame";
    folder_ = MakeTestFolder("verification");
    // Different sounds left and right, so a swap or a lost channel shows:
    // a tone sweep over pink noise, and a chord.
    ASSERT_TRUE(Sox("-n -r 44100 -c 2 -b 16 " + Host("source.wav") +
                    " synth 6 sine 200:2000 pinknoise sine 330 sine 440 remix 1,2v0.3 3,4 gain -6"));
  }

  std::string Host(const std::string& name) const { return "'" + HostFolder(folder_ + name).string() + "'"; }
  bool Sox(const std::string& arguments) const { return RunQuietly("sox " + arguments); }
  bool Lame(const std::string& options, const std::string& wav, const std::string& mp3) const {
    return RunQuietly("lame --quiet " + options + " " + Host(wav) + " " + Host(mp3));
  }
  MP3_VERIFICATION Verify(const std::string& mp3, const std::string& wav = "source.wav") {
    return VerifyMp3AgainstWave(folder_ + mp3, folder_ + wav, report_);
  }

  std::string folder_;
  CRecordingJobReport report_;
};

TEST_F(Mp3VerificationTest, RealLameAt128And320PassesWithRoomToSpare) {
  struct CASE {
    const char* options;
    uint32_t kbit;
  };
  for (const CASE& c : {CASE{"-b 128", 128}, CASE{"-b 128 -t", 128}, CASE{"-b 320", 320}, CASE{"-b 320 -t", 320},
                        CASE{"-b 128 -m j", 128}, CASE{"-V 2", 190}}) {
    SCOPED_TRACE(c.options);
    ASSERT_TRUE(Lame(c.options, "source.wav", "good.mp3"));
    MP3_VERIFICATION result = Verify("good.mp3");
    EXPECT_TRUE(result.passed) << result.problem;
    EXPECT_GE(result.snrDb, SnrFloorDb(c.kbit) + 3) << "too little room above the floor";
  }
  EXPECT_TRUE(report_.lines.empty());
  // A large ID3v2 tag before the first frame is passed over.
  ASSERT_TRUE(Lame("-b 128 --add-id3v2 --tt " + std::string(40000, 'x'), "source.wav", "tagged.mp3"));
  MP3_VERIFICATION tagged = Verify("tagged.mp3");
  EXPECT_TRUE(tagged.passed) << tagged.problem;
}

TEST_F(Mp3VerificationTest, DroppedFrameIsFlagged) {
  ASSERT_TRUE(Lame("-b 128 -t", "source.wav", "whole.mp3"));
  Bytes stream = ReadAll(folder_ + "whole.mp3");
  std::vector<size_t> frames = FrameOffsets(stream);
  ASSERT_GT(frames.size(), 200u);
  for (size_t dropped : {frames.size() / 2, frames.size() - 3}) {
    SCOPED_TRACE(dropped);
    Bytes damaged = stream;
    damaged.erase(damaged.begin() + static_cast<std::ptrdiff_t>(frames[dropped]),
                  damaged.begin() + static_cast<std::ptrdiff_t>(frames[dropped + 1]));
    WriteAll(folder_ + "dropped.mp3", damaged);
    MP3_VERIFICATION result = Verify("dropped.mp3");
    EXPECT_FALSE(result.passed);
    EXPECT_FALSE(result.problem.empty());
    EXPECT_EQ(result.problem.rfind("too short: ", 0), 0u) << result.problem;
  }
  // With a LAME tag the length must be exactly what the tag states.
  ASSERT_TRUE(Lame("-b 128", "source.wav", "tagged.mp3"));
  Bytes tagged = ReadAll(folder_ + "tagged.mp3");
  std::vector<size_t> taggedFrames = FrameOffsets(tagged);
  ASSERT_GT(taggedFrames.size(), 200u);
  tagged.erase(tagged.begin() + static_cast<std::ptrdiff_t>(taggedFrames[150]),
               tagged.begin() + static_cast<std::ptrdiff_t>(taggedFrames[151]));
  WriteAll(folder_ + "tagged-dropped.mp3", tagged);
  MP3_VERIFICATION tagResult = Verify("tagged-dropped.mp3");
  EXPECT_FALSE(tagResult.passed);
  EXPECT_NE(tagResult.problem.find(" samples decoded, "), std::string::npos) << tagResult.problem;
  // Frames added at the end make a stream longer than delay and padding allow.
  for (const char* name : {"whole.mp3", "tagged.mp3"}) {
    Bytes longer = ReadAll(folder_ + name);
    std::vector<size_t> at = FrameOffsets(longer);
    Bytes tail(longer.begin() + static_cast<std::ptrdiff_t>(at[at.size() - 4]), longer.end());
    longer.insert(longer.end(), tail.begin(), tail.end());
    WriteAll(folder_ + "longer.mp3", longer);
    MP3_VERIFICATION result = Verify("longer.mp3");
    EXPECT_FALSE(result.passed) << name;
    EXPECT_TRUE(result.problem.rfind("too long: ", 0) == 0 ||
                result.problem.find(" samples decoded, the LAME tag says ") != std::string::npos)
        << result.problem;
  }
  // The stream cut short after a third of its frames.
  WriteAll(folder_ + "short.mp3",
           Bytes(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(frames[frames.size() / 3])));
  MP3_VERIFICATION result = Verify("short.mp3");
  EXPECT_FALSE(result.passed);
  EXPECT_EQ(result.problem.rfind("too short: ", 0), 0u) << result.problem;
}

TEST_F(Mp3VerificationTest, SilentChannelSwappedChannelsAndWrongRateAreNamed) {
  ASSERT_TRUE(Sox(Host("source.wav") + " " + Host("right-silent.wav") + " remix 1 0"));
  ASSERT_TRUE(Lame("-b 192", "right-silent.wav", "right-silent.mp3"));
  MP3_VERIFICATION result = Verify("right-silent.mp3");
  EXPECT_FALSE(result.passed);
  EXPECT_EQ(result.problem, "the right channel is silent");

  ASSERT_TRUE(Sox(Host("source.wav") + " " + Host("swapped.wav") + " remix 2 1"));
  ASSERT_TRUE(Lame("-b 192", "swapped.wav", "swapped.mp3"));
  result = Verify("swapped.mp3");
  EXPECT_FALSE(result.passed);
  EXPECT_EQ(result.problem, "the left and right channels are swapped");

  ASSERT_TRUE(Lame("-b 128 --resample 32", "source.wav", "32k.mp3"));
  result = Verify("32k.mp3");
  EXPECT_FALSE(result.passed);
  EXPECT_EQ(result.problem, "sampling rate 32000 Hz, the WAV has 44100 Hz");

  // A mono encoding carries the mix of both channels and passes.
  ASSERT_TRUE(Lame("-b 128 -m m", "source.wav", "mono.mp3"));
  result = Verify("mono.mp3");
  EXPECT_TRUE(result.passed) << result.problem;
}

TEST_F(Mp3VerificationTest, NoiseAndMissingFilesAreFailuresNotCrashes) {
  WriteAll(folder_ + "text.mp3", Bytes(5000, 'x'));
  EXPECT_EQ(Verify("text.mp3").problem, "no MPEG audio found");
  WriteAll(folder_ + "empty.mp3", Bytes());
  EXPECT_EQ(Verify("empty.mp3").problem, "no MPEG audio found");
  EXPECT_EQ(Verify("missing.mp3").problem, "the MP3 file cannot be opened");
  ASSERT_TRUE(Lame("-b 128", "source.wav", "good.mp3"));
  EXPECT_EQ(Verify("good.mp3", "missing.wav").problem, "the WAV file cannot be opened");
  // Every prefix of a header-bearing stream is refused or judged, never read past.
  Bytes stream = ReadAll(folder_ + "good.mp3");
  for (size_t cut : {size_t{1}, size_t{4}, size_t{100}, size_t{417}, size_t{2000}}) {
    WriteAll(folder_ + "cut.mp3", Bytes(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(cut)));
    EXPECT_FALSE(Verify("cut.mp3").passed) << cut;
  }
}

TEST_F(Mp3VerificationTest, AbortStopsTheComparison) {
  ASSERT_TRUE(Lame("-b 128", "source.wav", "good.mp3"));
  report_.abortAfterPolls = 2;
  MP3_VERIFICATION result = Verify("good.mp3");
  EXPECT_FALSE(result.passed);
  EXPECT_TRUE(result.cancelled);
}

// A stand-in library that hands back a stream made beforehand, whole, when
// the stream ends: the encoding step then writes, tags and verifies it.
Bytes g_prepared;

BE_ERR BE_CALL PreparedInit(void*, uint32_t* samples, uint32_t* bufferSize, HBE_STREAM* stream) {
  *samples = 2304;
  *bufferSize = static_cast<uint32_t>(g_prepared.size());
  *stream = 1;
  return 0;
}
BE_ERR BE_CALL PreparedChunk(HBE_STREAM, uint32_t, const int16_t*, uint8_t*, uint32_t* produced) {
  *produced = 0;
  return 0;
}
BE_ERR BE_CALL PreparedDeinit(HBE_STREAM, uint8_t* out, uint32_t* produced) {
  std::memcpy(out, g_prepared.data(), g_prepared.size());
  *produced = static_cast<uint32_t>(g_prepared.size());
  return 0;
}
BE_ERR BE_CALL PreparedClose(HBE_STREAM) { return 0; }
void BE_CALL PreparedVersion(void*) {}

TEST_F(Mp3VerificationTest, TheEncodingStepLogsTheVerdictAndGoesOn) {
  ASSERT_TRUE(Sox(Host("source.wav") + " " + Host("right-silent.wav") + " remix 1 0"));
  ASSERT_TRUE(Lame("-b 128 -t", "source.wav", "good.mp3"));
  ASSERT_TRUE(Lame("-b 128 -t", "right-silent.wav", "bad.mp3"));
  CEncoderBinding encoder;
  encoder.Adopt(nullptr, {PreparedInit, PreparedChunk, PreparedDeinit, PreparedClose, PreparedVersion, nullptr});
  CAppSettings settings;
  settings.sessionOutputFolder = folder_ + "out\\";
  std::filesystem::create_directories(HostFolder(folder_ + "out"));
  struct CASE {
    const char* prepared;
    int verify;
    const char* verdict;  // nullptr: no verdict line
  };
  for (const CASE& c : {CASE{"good.mp3", 1, "verified (SNR "},
                        CASE{"bad.mp3", 1, "NOT verified: the right channel is silent"}, CASE{"bad.mp3", 0, nullptr}}) {
    SCOPED_TRACE(std::string(c.prepared) + (c.verify ? " verified" : " unverified"));
    g_prepared = ReadAll(folder_ + c.prepared);
    settings.VerifyMP3 = c.verify;
    CRecordingJobReport report;
    CJob job;
    job.report = &report;
    job.options = JobOptionsFromSettings(settings);  // with an ID3v1 tag at the end
    CJobItem item;
    item.sourceName = folder_ + "source.wav";
    job.items.push_back(item);
    ASSERT_TRUE(EncodeWaveToMp3(job, encoder)) << "a failed verification does not fail the job";
    ASSERT_EQ(report.lines.size(), c.verdict ? 3u : 2u);
    EXPECT_TRUE(LooksLike(report.lines[1], "(", ") Encoding " + item.sourceName + " OK!"));
    if (c.verdict) {
      EXPECT_TRUE(LooksLike(report.lines[2], "(", "")) << report.lines[2];
      EXPECT_NE(report.lines[2].find(") " + item.sourceName + " " + c.verdict), std::string::npos) << report.lines[2];
    }
    EXPECT_TRUE(std::filesystem::exists(HostFolder(folder_ + "out\\source.MP3")));
  }
}

TEST(SnrFloorTest, RisesWithTheBitRate) {
  EXPECT_LT(SnrFloorDb(64), SnrFloorDb(128));
  EXPECT_LT(SnrFloorDb(128), SnrFloorDb(192));
  EXPECT_LT(SnrFloorDb(192), SnrFloorDb(320));
  EXPECT_GT(SnrFloorDb(32), 0.0);
}

}  // namespace
