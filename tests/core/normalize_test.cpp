// Normalisation in place: the rounding rule, the peak and the blocks.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "jobs/normalize.h"
#include "jobs/wav_file.h"
#include "recording_job_report.h"
#include "test_folders.h"
#include "wave_chunks.h"

namespace {

std::string WriteSamples(const std::string& path, const std::vector<int16_t>& samples, uint32_t rate = 44100) {
  uint8_t header[44];
  BuildCdAudioHeader(static_cast<uint32_t>(samples.size() * 2), header);
  std::memcpy(header + 24, &rate, 4);
  std::ofstream out(HostFolder(path), std::ios::binary);
  out.write(reinterpret_cast<char*>(header), 44);
  out.write(reinterpret_cast<const char*>(samples.data()), static_cast<std::streamsize>(samples.size() * 2));
  return path;
}

std::vector<int16_t> ReadSamples(const std::string& path) {
  std::ifstream in(HostFolder(path), std::ios::binary);
  in.seekg(44);
  std::vector<int16_t> samples;
  int16_t s;
  while (in.read(reinterpret_cast<char*>(&s), 2)) samples.push_back(s);
  return samples;
}

class NormalizeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = MakeTestFolder("normalize");
    job_.report = &report_;
  }
  std::string folder_;
  CRecordingJobReport report_;
  CJob job_;
};

TEST(NormalizeRulesTest, GainAndRounding) {
  double gain = NormalizeGain(95, 16384);
  EXPECT_NEAR(gain, 1.899942, 1e-6);
  EXPECT_EQ(ScaleSample(16384, gain), 31129);
  EXPECT_EQ(ScaleSample(-16384, gain), -31128);
  EXPECT_EQ(NormalizeGain(100, 32767), 1.0);
  EXPECT_EQ(NormalizeGain(95, 0), 1.0);       // silence stays silence
  EXPECT_EQ(ScaleSample(2001, 0.5), 1001);    // 1000.5 rounds up
  EXPECT_EQ(ScaleSample(-4, 0.925), -3);      // -3.7 + 0.5 truncates to -3
  EXPECT_EQ(ScaleSample(-1, 0.4), 0);         // -0.4 + 0.5
  EXPECT_EQ(ScaleSample(32767, 2.0), 32767);  // a caller's gain is held to 16 bits
}

TEST_F(NormalizeTest, BothPassesScaleToTheRatio) {
  std::vector<int16_t> samples(4704, 0);  // 9408 bytes: exactly two blocks
  samples[10] = 16384;
  samples[11] = -16384;
  samples[4000] = 100;
  std::string path = WriteSamples(folder_ + "a.wav", samples);
  ASSERT_TRUE(NormalizeWaveFile(path, job_, 95));
  std::vector<int16_t> out = ReadSamples(path);
  ASSERT_EQ(out.size(), samples.size());
  EXPECT_EQ(out[10], 31129);
  EXPECT_EQ(out[11], -31128);
  EXPECT_EQ(out[4000], 190);
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(report_.starts, (std::vector<std::string>{"2 sent " + path, "1 sent " + path}));
  ASSERT_FALSE(report_.extract.empty());
  EXPECT_EQ(report_.extract.back().tenths, 1000u);
  EXPECT_TRUE(report_.extract.back().wait);
}

TEST_F(NormalizeTest, FullScaleAtRatio100AndTheMostNegativeSample) {
  std::string path = WriteSamples(folder_ + "full.wav", {32767, -32767, 5, -5});
  ASSERT_TRUE(NormalizeWaveFile(path, job_, 100));
  EXPECT_EQ(ReadSamples(path), (std::vector<int16_t>{32767, -32767, 5, -5}));
  // -32768 makes the peak 32768: at ratio 100 the gain is 32767/32768.
  path = WriteSamples(folder_ + "neg.wav", {-32768, 16384, 0, 0});
  ASSERT_TRUE(NormalizeWaveFile(path, job_, 100));
  EXPECT_EQ(ReadSamples(path), (std::vector<int16_t>{-32766, 16384, 0, 0}));
}

TEST_F(NormalizeTest, SilentFileStaysSilent) {
  std::string path = WriteSamples(folder_ + "silent.wav", std::vector<int16_t>(3000, 0));
  ASSERT_TRUE(NormalizeWaveFile(path, job_, 95));
  EXPECT_EQ(ReadSamples(path), std::vector<int16_t>(3000, 0));
}

TEST_F(NormalizeTest, ShortLastBlockIsProcessedAndTrailingChunksAreLeftAlone) {
  std::vector<int16_t> samples(2352 + 10, 1000);  // 4724 bytes: a block and 20 bytes
  samples[0] = 8192;                              // gain 0.5 * 32767 / 8192, exact in binary
  std::string path = WriteSamples(folder_ + "odd.wav", samples);
  {
    std::ofstream out(HostFolder(path), std::ios::binary | std::ios::app);
    int16_t trailer[2] = {1000, 1000};  // a chunk after the data
    out.write(reinterpret_cast<char*>(trailer), 4);
  }
  ASSERT_TRUE(NormalizeWaveFile(path, job_, 50));
  std::vector<int16_t> out = ReadSamples(path);
  ASSERT_EQ(out.size(), samples.size() + 2);
  EXPECT_EQ(out[0], 16384);
  EXPECT_EQ(out[samples.size() - 1], 2000);  // last sample of the short block
  EXPECT_EQ(out[samples.size()], 1000);      // beyond the data size: untouched
}

TEST_F(NormalizeTest, RefusedInputIsLeftUnchanged) {
  std::string path = WriteSamples(folder_ + "48k.wav", {100, 200}, 48000);
  EXPECT_FALSE(NormalizeWaveFile(path, job_, 95));
  EXPECT_EQ(ReadSamples(path), (std::vector<int16_t>{100, 200}));
  ASSERT_EQ(report_.lines.size(), 1u);
  EXPECT_TRUE(LooksLike(report_.lines[0], "[", "] Error: Can't support this wave format of file " + path + "!"));
  EXPECT_FALSE(NormalizeWaveFile(folder_ + "missing.wav", job_, 95));
  EXPECT_TRUE(LooksLike(report_.lines[1], "[", "] Error: Can't open file " + folder_ + "missing.wav!"));
}

// A file as other programs write them: an 18-byte format, a "LIST" chunk
// before the samples and another chunk after them. Both steps scale the
// samples and nothing else, and take their number from the data chunk.
TEST_F(NormalizeTest, ChunksAroundTheSamplesAreLeftAsTheyWere) {
  using namespace wave_chunks;
  const std::string list = Chunk("LIST", "INFOICMT" + Bytes32(8) + std::string("\x40\x40\x40\x40\x40\x40\x40", 8));
  const std::string before = Riff(Chunk("fmt ", Format(kPcm, 2, 44100, 16, Bytes16(0))) + list);
  const std::string after = Chunk("id3 ", std::string(10, '\x40'));
  auto file = [&](const std::vector<int16_t>& samples) {
    std::string bytes = before + Chunk("data", Samples(samples)) + after;
    bytes.replace(4, 4, Bytes32(static_cast<uint32_t>(bytes.size() - 8)));
    return bytes;
  };
  // Peak 8192 at ratio 50: a gain just under 2.
  std::string path = WriteBytes(folder_ + "list.wav", file({8192, -4096, 64, 4160}));
  ASSERT_TRUE(NormalizeWaveFile(path, job_, 50));
  EXPECT_EQ(ReadBytes(path), file({16384, -8191, 128, 8320}));
  ASSERT_TRUE(ScaleWaveFile(path, 0.5, job_));
  EXPECT_EQ(ReadBytes(path), file({8192, -4095, 64, 4160}));
  EXPECT_TRUE(report_.lines.empty());
}

TEST_F(NormalizeTest, OnlySixteenBitPcmIsScaled) {
  using namespace wave_chunks;
  const std::string samples = Chunk("data", Samples({1000, -1000}));
  for (const std::string& format : {Format(kFloat, 2, 44100, 16), Extensible(2, 16, kFloatGuid),
                                    Format(kPcm, 2, 44100, 8), Format(7, 1, 8000, 16)}) {
    std::string bytes = Riff(Chunk("fmt ", format) + samples);
    std::string path = WriteBytes(folder_ + "other.wav", bytes);
    report_.lines.clear();
    EXPECT_FALSE(ScaleWaveFile(path, 2.0, job_));
    EXPECT_FALSE(NormalizeWaveFile(path, job_, 95));
    EXPECT_EQ(ReadBytes(path), bytes);
    ASSERT_EQ(report_.lines.size(), 2u);
    EXPECT_TRUE(LooksLike(report_.lines[0], "[", "] Error: Can't support this wave format of file " + path + "!"));
  }
  // The decoder's files may have any rate and channels.
  std::string path = WriteBytes(folder_ + "mono.wav", Riff(Chunk("fmt ", Format(kPcm, 1, 22050, 16)) + samples));
  ASSERT_TRUE(ScaleWaveFile(path, 2.0, job_));
  EXPECT_EQ(ReadBytes(path), Riff(Chunk("fmt ", Format(kPcm, 1, 22050, 16)) + Chunk("data", Samples({2000, -1999}))));
}

TEST_F(NormalizeTest, AbortDuringScalingLeavesTheRestUnchanged) {
  std::vector<int16_t> samples(2352 * 3, 100);
  samples[0] = 1000;
  std::string path = WriteSamples(folder_ + "abort.wav", samples);
  report_.abortAfterPolls = 4;  // three peak blocks, then one scaling block
  EXPECT_FALSE(NormalizeWaveFile(path, job_, 100));
  EXPECT_TRUE(job_.cancelled);
  ASSERT_EQ(report_.lines.size(), 1u);
  EXPECT_TRUE(LooksLike(report_.lines[0], "(", ") User canceled the operation."));
  std::vector<int16_t> out = ReadSamples(path);
  EXPECT_EQ(out[0], 32767);   // the first block was scaled
  EXPECT_EQ(out[2352], 100);  // the second was not
}

TEST_F(NormalizeTest, ScalingPassPostsItsProgress) {
  std::vector<int16_t> samples(2352 * 30, 10);
  std::string path = WriteSamples(folder_ + "scale.wav", samples);
  ASSERT_TRUE(ScaleWaveFile(path, 2.0, job_));
  EXPECT_EQ(ReadSamples(path)[5], 20);
  ASSERT_EQ(report_.extract.size(), 2u);  // the 26th block and the end
  EXPECT_EQ(report_.extract[0].tenths, 866u);
  EXPECT_FALSE(report_.extract[0].wait);
  EXPECT_EQ(report_.extract[1].tenths, 1000u);
  EXPECT_TRUE(report_.starts.empty());  // the caller announces the pass
}

}  // namespace

namespace {

TEST(PeakTrackerTest, PeakIsTheLargerMagnitudeOfWholeSamples) {
  CPeakTracker silent;
  EXPECT_EQ(silent.Peak(), 0);
  CPeakTracker tracker;
  const uint8_t quiet[] = {0x10, 0x00, 0xF0, 0xFF};  // 16, -16
  tracker.Add(quiet, sizeof(quiet));
  EXPECT_EQ(tracker.Peak(), 16);
  const uint8_t loud[] = {0x00, 0x80, 0xFF};  // -32768, then half a sample left out
  tracker.Add(loud, sizeof(loud));
  EXPECT_EQ(tracker.Peak(), 32768);
  CPeakTracker positive;
  const uint8_t high[] = {0xFF, 0x7F, 0x00, 0xC0};  // 32767, -16384
  positive.Add(high, sizeof(high));
  EXPECT_EQ(positive.Peak(), 32767);
}

}  // namespace
