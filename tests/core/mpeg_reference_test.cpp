// The decoder against an established one: streams made here with lame and
// twolame from a sox signal, decoded by mpg123 and by us. Needs the four
// command-line tools; skipped where they are missing (and on Windows).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "tests/core/mpeg_test_support.h"

namespace {

using mpeg_test::AsSamples;
using mpeg_test::Compare;
using mpeg_test::DecodeStream;
using mpeg_test::PCM_DIFFERENCE;

bool HaveTool(const char* name) {
#if defined(_WIN32)
  (void)name;
  return false;
#else
  return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
#endif
}

bool RunQuietly(const std::string& command) {
  // The group keeps a redirection inside `command` in force.
  return std::system(("(" + command + ") >/dev/null 2>&1").c_str()) == 0;
}

class MpegReferenceTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    available_ = HaveTool("sox") && HaveTool("lame") && HaveTool("twolame") && HaveTool("mpg123");
    if (!available_) return;
    std::random_device seed;
    folder_ = std::filesystem::temp_directory_path() /
              ("cantaro-mpeg-" + std::to_string(seed()) + std::to_string(seed()));
    std::filesystem::create_directories(folder_);
    // Noise under a tremolo gives transients (short blocks); a tone in the
    // right channel makes the channels differ.
    available_ = RunQuietly("sox -n -r 44100 -c 2 -b 16 '" + Path("signal.wav") +
                            "' synth 4 pinknoise sine 440 tremolo 3 100 gain -3");
  }

  static void TearDownTestSuite() {
    std::error_code ignored;
    if (!folder_.empty()) std::filesystem::remove_all(folder_, ignored);
  }

  void SetUp() override {
    if (!available_) GTEST_SKIP() << "needs sox, lame, twolame and mpg123";
  }

  static std::string Path(const std::string& name) { return (folder_ / name).string(); }

  // Encodes `input` with `encoder` and `options`, decodes the result with
  // mpg123 and with us, and compares the two.
  PCM_DIFFERENCE CompareWithMpg123(const std::string& encoder, const std::string& options,
                                   const std::string& input = "signal.wav") {
    const std::string stream = Path("stream.mp3");
    const std::string theirs = Path("theirs.raw");
    // lame -t: no Xing/Info frame, which mpg123 would not play as audio.
    const std::string quiet = encoder == "lame" ? " --quiet -t " : " --quiet ";
    EXPECT_TRUE(RunQuietly(encoder + quiet + options + " '" + Path(input) + "' '" + stream + "'"));
    EXPECT_TRUE(RunQuietly("mpg123 -q --no-gapless -s '" + stream + "' > '" + theirs + "'"));
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(mpeg_test::ReadFile(stream, bytes));
    const mpeg_test::DECODED_STREAM ours = DecodeStream(bytes);
    EXPECT_TRUE(ours.framesWellFormed);
    std::vector<uint8_t> reference;
    EXPECT_TRUE(mpeg_test::ReadFile(theirs, reference));
    EXPECT_EQ(reference.size(), ours.pcm.size());
    const std::vector<int16_t> samples = AsSamples(ours.pcm);
    EXPECT_GT(mpeg_test::Rms(samples), 1000.0);
    return Compare(samples, AsSamples(reference));
  }

  static bool available_;
  static std::filesystem::path folder_;
};

bool MpegReferenceTest::available_ = false;
std::filesystem::path MpegReferenceTest::folder_;

// mpg123 rounds and we truncate: one step apart at most.
// mpg123 rounds and we truncate: one step apart at most. The resampled
// settings give MPEG-2 and MPEG 2.5 streams.
TEST_F(MpegReferenceTest, Layer3AtCommonSettings) {
  for (const char* options :
       {"-b 128", "-m s -b 320", "-V 2", "-m m -b 96", "-m j -b 48", "--resample 22050 -b 64",
        "--resample 16000 -b 32", "--resample 11025 -b 24", "--resample 8000 -b 16"}) {
    SCOPED_TRACE(options);
    EXPECT_LE(CompareWithMpg123("lame", options).maxAbs, 1);
  }
}

TEST_F(MpegReferenceTest, Layer2StereoModesAndTables) {
  for (const char* options :
       {"-b 192", "-m j -b 128", "-m j -b 64", "-m m -b 32", "-m d -b 256", "-b 384"}) {
    SCOPED_TRACE(options);
    EXPECT_LE(CompareWithMpg123("twolame", options).maxAbs, 1);
  }
}

// A Layer II stream whose bit rate rises mid-stream, from a rate with the
// 8-subband table to one with 27 subbands: the later frames decode in full,
// as they do on their own.
TEST_F(MpegReferenceTest, Layer2TableFollowsTheBitRate) {
  ASSERT_TRUE(
      RunQuietly("sox '" + Path("signal.wav") + "' -r 48000 -c 1 '" + Path("mono.wav") + "'"));
  ASSERT_TRUE(RunQuietly("twolame --quiet -m m -b 32 '" + Path("mono.wav") + "' '" +
                         Path("low.mp2") + "'"));
  ASSERT_TRUE(RunQuietly("twolame --quiet -m m -b 128 '" + Path("mono.wav") + "' '" +
                         Path("high.mp2") + "'"));
  std::vector<uint8_t> low;
  std::vector<uint8_t> high;
  ASSERT_TRUE(mpeg_test::ReadFile(Path("low.mp2"), low));
  ASSERT_TRUE(mpeg_test::ReadFile(Path("high.mp2"), high));
  // Ten frames of 32 kbit/s at 48 kHz are 960 bytes; then the faster stream.
  std::vector<uint8_t> mixed(low.begin(), low.begin() + 960);
  mixed.insert(mixed.end(), high.begin(), high.end());
  const mpeg_test::DECODED_STREAM both = DecodeStream(mixed);
  const mpeg_test::DECODED_STREAM alone = DecodeStream(high);
  ASSERT_EQ(alone.frames + 10, both.frames);
  const size_t frameBytes = 1152 * 2;
  EXPECT_TRUE(std::equal(alone.pcm.begin() + frameBytes, alone.pcm.end(),
                         both.pcm.begin() + 11 * frameBytes));
}

// Intensity stereo: lame never writes it, so set the intensity bit of every
// joint-stereo frame of a lame stream; the right channel's scale factors
// then act as intensity positions (0..15, long and short blocks). The
// low-pass keeps the top short-block band empty: there mpg123 applies
// intensity even over coded right-channel lines, which we do not.
TEST_F(MpegReferenceTest, Mpeg1IntensityStereo) {
  for (const char* options : {"-m j -b 128 --lowpass 15000", "-m j -b 256 --lowpass 15000"}) {
    SCOPED_TRACE(options);
    const std::string plain = Path("plain.mp3");
    ASSERT_TRUE(RunQuietly("lame --quiet -t " + std::string(options) + " '" + Path("signal.wav") +
                           "' '" + plain + "'"));
    std::vector<uint8_t> stream;
    ASSERT_TRUE(mpeg_test::ReadFile(plain, stream));
    const std::vector<uint8_t> original = stream;
    int flagged = 0;
    for (size_t position = mpeg_test::FindFirstFrame(stream); position + 4 <= stream.size();) {
      MPEG_HEADER header;
      int32_t bitRate = 0;
      const int32_t length =
          ParseFrameHeader(&stream[position], stream.size() - position, header, bitRate);
      if (length == 0) break;
      if (header.mode == 1) {
        stream[position + 3] |= 0x10;
        ++flagged;
      }
      position += static_cast<size_t>(length);
    }
    ASSERT_GT(flagged, 50);
    FILE* file = std::fopen(Path("stream.mp3").c_str(), "wb");
    ASSERT_NE(nullptr, file);
    std::fwrite(stream.data(), 1, stream.size(), file);
    std::fclose(file);
    ASSERT_TRUE(RunQuietly("mpg123 -q --no-gapless -s '" + Path("stream.mp3") + "' > '" +
                           Path("theirs.raw") + "'"));
    std::vector<uint8_t> theirs;
    ASSERT_TRUE(mpeg_test::ReadFile(Path("theirs.raw"), theirs));
    const std::vector<int16_t> ours = AsSamples(DecodeStream(stream).pcm);
    ASSERT_EQ(theirs.size(), 2 * ours.size());
    EXPECT_LE(Compare(ours, AsSamples(theirs)).maxAbs, 1);
    // The flag made a difference: intensity coding was exercised.
    EXPECT_GT(Compare(ours, AsSamples(DecodeStream(original).pcm)).rms, 100.0);
  }
}

}  // namespace
