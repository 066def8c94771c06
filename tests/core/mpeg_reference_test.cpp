// The decoder against an established one: streams made here with lame and
// twolame from a sox signal, decoded by mpg123 and by us. Needs the four
// command-line tools; skipped where they are missing (and on Windows).
#include <gtest/gtest.h>

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
                     "' synth 4 pinknoise sine 440 tremolo 3 100 gain -3") &&
                 RunQuietly("sox -n -r 44100 -c 2 -b 16 '" + Path("tones.wav") +
                     "' synth 4 sine 1000 sine 3000 gain -6");
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
TEST_F(MpegReferenceTest, Layer3AtCommonSettings) {
  for (const char* options : {"-b 128", "-m s -b 320", "-V 2", "-m m -b 96", "-m j -b 48"}) {
    SCOPED_TRACE(options);
    EXPECT_LE(CompareWithMpg123("lame", options).maxAbs, 1);
  }
}

TEST_F(MpegReferenceTest, Layer3AtLowerSamplingFrequencies) {
  for (const char* options : {"--resample 22050 -b 64", "--resample 16000 -b 32",
                              "--resample 11025 -b 24", "--resample 8000 -b 16"}) {
    SCOPED_TRACE(options);
    EXPECT_LE(CompareWithMpg123("lame", options).maxAbs, 1);
  }
}

TEST_F(MpegReferenceTest, Layer2StereoModesAndTables) {
  for (const char* options : {"-b 192", "-m j -b 128", "-m j -b 64", "-m m -b 32", "-m d -b 256",
                              "-b 384"}) {
    SCOPED_TRACE(options);
    EXPECT_LE(CompareWithMpg123("twolame", options).maxAbs, 1);
  }
}

// Half and quarter rate against a high-quality resampling of our full-rate
// output: the tones lie well inside both bands, so only the rounding of the
// two paths differs.
TEST_F(MpegReferenceTest, ReducedRatesMatchResampledFullRate) {
  ASSERT_TRUE(RunQuietly("lame --quiet -t -b 160 '" + Path("tones.wav") + "' '" + Path("tones.mp3") + "'"));
  std::vector<uint8_t> stream;
  ASSERT_TRUE(mpeg_test::ReadFile(Path("tones.mp3"), stream));
  const mpeg_test::DECODED_STREAM full = DecodeStream(stream, 0);
  FILE* file = std::fopen(Path("full.raw").c_str(), "wb");
  ASSERT_NE(nullptr, file);
  std::fwrite(full.pcm.data(), 1, full.pcm.size(), file);
  std::fclose(file);
  for (int rate = 1; rate <= 2; ++rate) {
    SCOPED_TRACE(rate);
    const std::string target = std::to_string(44100 >> rate);
    ASSERT_TRUE(RunQuietly("sox -t raw -r 44100 -e signed -b 16 -c 2 '" + Path("full.raw") +
                    "' -t raw -r " + target + " '" + Path("resampled.raw") + "' rate -v " + target));
    std::vector<uint8_t> resampled;
    ASSERT_TRUE(mpeg_test::ReadFile(Path("resampled.raw"), resampled));
    const mpeg_test::DECODED_STREAM reduced = DecodeStream(stream, rate);
    const std::vector<int16_t> ours = AsSamples(reduced.pcm);
    // Leave out the resampler's start and end.
    const size_t margin = 2000;
    ASSERT_GT(ours.size(), 4 * margin);
    const PCM_DIFFERENCE d =
        Compare(ours, AsSamples(resampled), margin, std::min(ours.size(), resampled.size() / 2) - margin);
    EXPECT_LT(d.rms, 1.5);
    EXPECT_LE(d.maxAbs, 4);
  }
}

}  // namespace
