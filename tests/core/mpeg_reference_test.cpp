// The decoder against an established one: streams made here with lame and
// twolame from a sox signal, decoded by mpg123 and by us. Needs the four
// command-line tools; skipped where they are missing (and on Windows).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <set>
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

// Walks the side information of every Layer III frame of `stream`. First
// sets the mixed-block flag of the window-switching granules whose block
// type has its bit in `mix`, then records each channel's block-type
// transitions in `transitions` ("0>1", "2m>3m": long 0, start 1, short 2,
// stop 3, "m" for mixed). Returns the number of flags set.
int WalkBlockTypes(std::vector<uint8_t>& stream, unsigned mix, std::set<std::string>& transitions) {
  int flagged = 0;
  std::string previous[2];
  for (size_t position = FindFirstFrame(stream.data(), stream.size()); position + 4 <= stream.size();) {
    MPEG_HEADER header;
    int32_t bitRate = 0;
    const int32_t length = ParseFrameHeader(&stream[position], stream.size() - position, header, bitRate);
    if (length == 0 || position + static_cast<size_t>(length) > stream.size()) break;
    const size_t end = 8 * (position + static_cast<size_t>(length));
    size_t bit = 8 * (position + 4 + (header.protection == 0 ? 2 : 0));
    auto read = [&](int count) {
      uint32_t value = 0;
      for (int i = 0; i < count && bit < end; ++i, ++bit)
        value = (value << 1) | ((stream[bit >> 3] >> (7 - (bit & 7))) & 1u);
      return value;
    };
    const bool mpeg1 = header.id != 0;
    const int channels = header.mode == 3 ? 1 : 2;
    // main_data_begin, private bits and scfsi
    bit += mpeg1 ? (channels == 1 ? 18 : 20) : (channels == 1 ? 9 : 10);
    for (int gr = 0; gr < (mpeg1 ? 2 : 1); ++gr) {
      for (int ch = 0; ch < channels; ++ch) {
        bit += 12 + 9 + 8 + (mpeg1 ? 4 : 9);
        std::string type = "0";
        if (read(1) != 0) {
          const uint32_t blockType = read(2);
          if (((mix >> blockType) & 1u) != 0 && bit < end) {
            stream[bit >> 3] |= static_cast<uint8_t>(0x80u >> (bit & 7));
            ++flagged;
          }
          type = std::to_string(blockType) + (read(1) != 0 ? "m" : "");
          bit += 10 + 9;  // table_select, subblock_gain
        } else {
          bit += 15 + 7;  // table_select, region counts
        }
        bit += mpeg1 ? 3 : 2;
        if (!previous[ch].empty()) transitions.insert(previous[ch] + ">" + type);
        previous[ch] = type;
      }
    }
    position += static_cast<size_t>(length);
  }
  return flagged;
}

std::string Joined(const std::set<std::string>& items) {
  std::string text;
  for (const std::string& item : items) text += item + " ";
  return text;
}

class MpegReferenceTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    available_ = HaveTool("sox") && HaveTool("lame") && HaveTool("twolame") && HaveTool("mpg123");
    if (!available_) return;
    std::random_device seed;
    folder_ =
        std::filesystem::temp_directory_path() / ("cantaro-mpeg-" + std::to_string(seed()) + std::to_string(seed()));
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

  // transients.wav: the signal (made repeatable) with clicks 55 ms apart.
  static bool MakeTransients() {
    return RunQuietly("sox -R -n -r 44100 -c 2 -b 16 '" + Path("noise.wav") +
                      "' synth 4 pinknoise sine 440 tremolo 3 100 gain -3") &&
           RunQuietly("sox -R -n -r 44100 -c 2 -b 16 '" + Path("clicks.wav") +
                      "' synth 0.005 whitenoise pad 0 0.05 repeat 30") &&
           RunQuietly("sox -R -m '" + Path("noise.wav") + "' '" + Path("clicks.wav") + "' '" + Path("transients.wav") +
                      "'");
  }

  // Encodes `input` with `encoder` and `options` into `name`.
  static std::vector<uint8_t> Encode(const std::string& encoder, const std::string& options,
                                     const std::string& name = "stream.mp3", const std::string& input = "signal.wav") {
    // lame -t: no Xing/Info frame, which mpg123 would not play as audio.
    const std::string quiet = encoder == "lame" ? " --quiet -t " : " --quiet ";
    EXPECT_TRUE(RunQuietly(encoder + quiet + options + " '" + Path(input) + "' '" + Path(name) + "'"));
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(mpeg_test::ReadFile(Path(name), bytes));
    return bytes;
  }

  struct DECODED_BY_BOTH {
    std::vector<int16_t> ours;
    std::vector<int16_t> theirs;
  };

  // Decodes `stream` with mpg123 and with us, to the same length.
  static DECODED_BY_BOTH DecodeWithBoth(const std::vector<uint8_t>& stream) {
    DECODED_BY_BOTH both;
    FILE* file = std::fopen(Path("both.mp3").c_str(), "wb");
    EXPECT_NE(nullptr, file);
    if (file == nullptr) return both;
    std::fwrite(stream.data(), 1, stream.size(), file);
    std::fclose(file);
    EXPECT_TRUE(RunQuietly("mpg123 -q --no-gapless -s '" + Path("both.mp3") + "' > '" + Path("theirs.raw") + "'"));
    std::vector<uint8_t> reference;
    EXPECT_TRUE(mpeg_test::ReadFile(Path("theirs.raw"), reference));
    const mpeg_test::DECODED_STREAM ours = DecodeStream(stream);
    EXPECT_TRUE(ours.framesWellFormed);
    EXPECT_EQ(reference.size(), ours.pcm.size());
    both.ours = AsSamples(ours.pcm);
    both.theirs = AsSamples(reference);
    return both;
  }

  // Encodes `input` with `encoder` and `options`, decodes the result with
  // mpg123 and with us, and compares the two.
  PCM_DIFFERENCE CompareWithMpg123(const std::string& encoder, const std::string& options,
                                   const std::string& input = "signal.wav") {
    const DECODED_BY_BOTH both = DecodeWithBoth(Encode(encoder, options, "stream.mp3", input));
    EXPECT_GT(mpeg_test::Rms(both.ours), 1000.0);
    return Compare(both.ours, both.theirs);
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
  for (const char* options : {"-b 128", "-m s -b 320", "-V 2", "-m m -b 96", "-m j -b 48", "--resample 22050 -b 64",
                              "--resample 16000 -b 32", "--resample 11025 -b 24", "--resample 8000 -b 16"}) {
    SCOPED_TRACE(options);
    EXPECT_LE(CompareWithMpg123("lame", options).maxAbs, 1);
  }
}

TEST_F(MpegReferenceTest, Layer2StereoModesAndTables) {
  for (const char* options : {"-b 192", "-m j -b 128", "-m j -b 64", "-m m -b 32", "-m d -b 256", "-b 384"}) {
    SCOPED_TRACE(options);
    EXPECT_LE(CompareWithMpg123("twolame", options).maxAbs, 1);
  }
}

// A Layer II stream whose bit rate rises mid-stream, from a rate with the
// 8-subband table to one with 27 subbands: the later frames decode in full,
// as they do on their own.
TEST_F(MpegReferenceTest, Layer2TableFollowsTheBitRate) {
  ASSERT_TRUE(RunQuietly("sox '" + Path("signal.wav") + "' -r 48000 -c 1 '" + Path("mono.wav") + "'"));
  ASSERT_TRUE(RunQuietly("twolame --quiet -m m -b 32 '" + Path("mono.wav") + "' '" + Path("low.mp2") + "'"));
  ASSERT_TRUE(RunQuietly("twolame --quiet -m m -b 128 '" + Path("mono.wav") + "' '" + Path("high.mp2") + "'"));
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
  EXPECT_TRUE(std::equal(alone.pcm.begin() + frameBytes, alone.pcm.end(), both.pcm.begin() + 11 * frameBytes));
}

// Intensity stereo: lame never writes it, so set the intensity bit of every
// joint-stereo frame of a lame stream; the right channel's scale factors
// then act as intensity positions (0..15, long and short blocks). The
// low-pass keeps the top short-block band empty: there mpg123 applies
// intensity even over coded right-channel lines, which we do not.
TEST_F(MpegReferenceTest, Mpeg1IntensityStereo) {
  for (const char* options : {"-m j -b 128 --lowpass 15000", "-m j -b 256 --lowpass 15000"}) {
    SCOPED_TRACE(options);
    std::vector<uint8_t> stream = Encode("lame", options, "plain.mp3");
    const std::vector<uint8_t> original = stream;
    int flagged = 0;
    for (size_t position = FindFirstFrame(stream.data(), stream.size()); position + 4 <= stream.size();) {
      MPEG_HEADER header;
      int32_t bitRate = 0;
      const int32_t length = ParseFrameHeader(&stream[position], stream.size() - position, header, bitRate);
      if (length == 0) break;
      if (header.mode == 1) {
        stream[position + 3] |= 0x10;
        ++flagged;
      }
      position += static_cast<size_t>(length);
    }
    ASSERT_GT(flagged, 50);
    const DECODED_BY_BOTH both = DecodeWithBoth(stream);
    const std::vector<int16_t>& ours = both.ours;
    EXPECT_LE(Compare(ours, both.theirs).maxAbs, 1);
    // The flag made a difference: intensity coding was exercised.
    EXPECT_GT(Compare(ours, AsSamples(DecodeStream(original).pcm)).rms, 100.0);
  }
}

// Block switching, which lame does at transients: the transitions between
// long (0), start (1), short (2) and stop (3) blocks, in MPEG-1 and MPEG-2;
// clicks 55 ms apart bring runs of short blocks and a stop block straight
// followed by a start block. lame never writes mixed blocks, so each stream
// is decoded again with the mixed flag set on its start and stop blocks,
// which keeps their values and changes the window of their two lowest
// subbands. (A mixed flag on a short block changes how its scale factors
// are read, which mpg123 gets wrong in MPEG-2: l3-si_block covers MPEG-1
// mixed short blocks.)
TEST_F(MpegReferenceTest, Layer3BlockSwitchingAndMixedBlocks) {
  ASSERT_TRUE(MakeTransients());
  std::set<std::string> seen[2];  // MPEG-1, MPEG-2
  for (const char* options : {"-b 128", "-m m -b 64", "--resample 22050 -b 64", "-m m --resample 16000 -b 32"}) {
    SCOPED_TRACE(options);
    std::vector<uint8_t> stream = Encode("lame", options, "stream.mp3", "transients.wav");
    const bool mpeg1 = std::string(options).find("resample") == std::string::npos;
    std::set<std::string>& transitions = seen[mpeg1 ? 0 : 1];
    EXPECT_EQ(0, WalkBlockTypes(stream, 0, transitions));
    const DECODED_BY_BOTH plain = DecodeWithBoth(stream);
    EXPECT_LE(Compare(plain.ours, plain.theirs).maxAbs, 1);

    EXPECT_GE(WalkBlockTypes(stream, 0b1010u, transitions), 5);  // start and stop blocks
    const DECODED_BY_BOTH mixed = DecodeWithBoth(stream);
    EXPECT_LE(Compare(mixed.ours, mixed.theirs).maxAbs, 1);
    EXPECT_GT(Compare(mixed.ours, plain.ours).maxAbs, 100);  // the flags made a difference
  }
  for (const std::set<std::string>& transitions : seen) {
    for (const char* transition :
         {"0>0", "0>1", "1>2", "2>2", "2>3", "3>0", "3>1", "0>1m", "1m>2", "2>3m", "3m>0", "3m>1m"}) {
      EXPECT_EQ(1u, transitions.count(transition))
          << (&transitions == seen ? "MPEG-1 " : "MPEG-2 ") << transition << " not in " << Joined(transitions);
    }
  }
}

}  // namespace
