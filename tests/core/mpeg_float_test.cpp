// The decoder's float output (the window sums before their conversion to
// PCM): it must be exactly what the 16-bit output converts, and accurate to
// the ISO/IEC 11172-4 "full" class on the reference streams (Layer I/II
// against their 24-bit references).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "jobs/mpeg/mpeg_decoder.h"
#include "tests/core/mpeg_test_support.h"

namespace {

using mpeg_test::AsSamples;
using mpeg_test::DECODED_STREAM;
using mpeg_test::DecodeStream;

struct FLOAT_STREAM {
  MPEG_OUTPUT_FORMAT format;
  std::vector<float> sums;  // 16-bit units
  int frames = 0;
  bool framesWellFormed = true;
};

FLOAT_STREAM DecodeFloat(const std::vector<uint8_t>& stream, int32_t rateReduction = 0, uint32_t options = 0) {
  FLOAT_STREAM result;
  CMpegDecoder decoder;
  const size_t first = mpeg_test::InitAtFirstFrame(decoder, stream, rateReduction, options, 24000);
  if (first >= stream.size() || !decoder.SelectFloatOutput()) return result;
  decoder.GetOutputFormat(result.format);
  const size_t frameBytes = static_cast<size_t>(result.format.samplesPerFrame) * 4;
  std::vector<uint8_t> output(kMpegMaxFloatFrameOutputBytes);
  size_t position = first;
  while (position < stream.size()) {
    const uint64_t decoded =
        decoder.DecodeFrame(&stream[position], stream.size() - position, output.data(), output.size());
    const int32_t consumed = DecodedBytesConsumed(decoded);
    if (consumed <= 0) break;
    if (static_cast<size_t>(DecodedBytesProduced(decoded)) != frameBytes) {
      result.framesWellFormed = false;
      break;
    }
    const size_t old = result.sums.size();
    result.sums.resize(old + frameBytes / 4);
    std::memcpy(&result.sums[old], output.data(), frameBytes);
    position += static_cast<size_t>(consumed);
    ++result.frames;
  }
  return result;
}

// The 16-bit sample the decoder makes of a sum: truncated toward zero, then
// clipped (NaN, which no sound stream gives, as the lowest).
int32_t ToPcm16(float sum) {
  if (std::isnan(sum)) return -32768;
  return static_cast<int32_t>(std::clamp(std::trunc(sum), -32768.0f, 32767.0f));
}

// The samples of a 24-bit PCM WAV file (chunk walk), at full scale 1.0.
std::vector<double> ReadWav24(const std::string& path) {
  std::vector<uint8_t> bytes;
  std::vector<double> samples;
  if (!mpeg_test::ReadFile(path, bytes) || bytes.size() < 12) return samples;
  size_t pos = 12;
  while (pos + 8 <= bytes.size()) {
    const uint32_t size =
        bytes[pos + 4] | (bytes[pos + 5] << 8) | (bytes[pos + 6] << 16) | (uint32_t{bytes[pos + 7]} << 24);
    if (std::memcmp(&bytes[pos], "data", 4) == 0) {
      const size_t end = std::min<size_t>(bytes.size(), pos + 8 + size);
      for (size_t i = pos + 8; i + 3 <= end; i += 3) {
        int32_t v = bytes[i] | (bytes[i + 1] << 8) | (bytes[i + 2] << 16);
        if (v >= 1 << 23) v -= 1 << 24;
        samples.push_back(v / 8388608.0);
      }
      break;
    }
    pos += 8 + size + (size & 1);
  }
  return samples;
}

struct ACCURACY {
  size_t compared = 0;
  double rms = 0.0;  // full scale
  double max = 0.0;
};

ACCURACY Measure(const std::vector<double>& decoded, const std::vector<double>& reference) {
  ACCURACY a;
  a.compared = std::min(decoded.size(), reference.size());
  double sum = 0.0;
  for (size_t i = 0; i < a.compared; ++i) {
    const double e = decoded[i] - reference[i];
    sum += e * e;
    a.max = std::max(a.max, std::abs(e));
  }
  if (a.compared != 0) a.rms = std::sqrt(sum / double(a.compared));
  return a;
}

// ISO/IEC 11172-4 class "full".
const double kFullRms = std::ldexp(1.0, -15) / std::sqrt(12.0);
const double kFullMax = std::ldexp(1.0, -14);

std::vector<uint8_t> Stream(const std::string& name) {
  std::vector<uint8_t> bytes;
  EXPECT_TRUE(mpeg_test::ReadFile(mpeg_test::VectorDirectory() + "/" + name + ".bit", bytes));
  return bytes;
}

class MpegFloatTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!mpeg_test::HaveVectors()) GTEST_SKIP() << "no vectors at " << mpeg_test::VectorDirectory();
  }
};

// Every routine's float variant gives the sums its PCM variant converts:
// all layers, rate reductions and channel choices.
TEST_F(MpegFloatTest, FloatSumsConvertToThePcmOutput) {
  for (const char* name : {"l1-fl1", "l2-fl10", "l2-test32", "l3-hecommon", "M2L3_compl24"}) {
    const std::vector<uint8_t> stream = Stream(name);
    for (int32_t rate = 0; rate <= 2; ++rate) {
      for (uint32_t channels = 0; channels <= 3; ++channels) {
        SCOPED_TRACE(std::string(name) + " rate " + std::to_string(rate) + " channels " + std::to_string(channels));
        const DECODED_STREAM pcm = DecodeStream(stream, rate, channels);
        const FLOAT_STREAM sums = DecodeFloat(stream, rate, channels);
        ASSERT_TRUE(sums.framesWellFormed);
        EXPECT_EQ(pcm.frames, sums.frames);
        EXPECT_EQ(32, sums.format.bitsPerSample);
        EXPECT_EQ(pcm.format.channels, sums.format.channels);
        const std::vector<int16_t> samples = AsSamples(pcm.pcm);
        ASSERT_EQ(samples.size(), sums.sums.size());
        size_t mismatches = 0;
        for (size_t i = 0; i < samples.size(); ++i) {
          if (ToPcm16(sums.sums[i]) != samples[i]) ++mismatches;
        }
        EXPECT_EQ(0u, mismatches);
      }
    }
  }
}

// Layer I/II float output against the 24-bit references.
TEST_F(MpegFloatTest, LayerOneAndTwoFullAccuracyAgainst24BitReferences) {
  for (const char* name : {"l1-fl1", "l1-fl2", "l1-fl3", "l1-fl4", "l2-fl10", "l2-fl11", "l2-fl12", "l2-fl13"}) {
    SCOPED_TRACE(name);
    const FLOAT_STREAM sums = DecodeFloat(Stream(name));
    ASSERT_TRUE(sums.framesWellFormed);
    ASSERT_GT(sums.frames, 0);
    std::vector<double> decoded;
    for (float s : sums.sums) decoded.push_back(s / 32768.0);
    const std::vector<double> reference = ReadWav24(mpeg_test::VectorDirectory() + "/ref24/" + name + ".wav");
    const ACCURACY a = Measure(decoded, reference);
    EXPECT_EQ(decoded.size(), a.compared);
    EXPECT_LT(a.rms, kFullRms);
    EXPECT_LE(a.max, kFullMax);
  }
}

// Layer III and the lower-frequency streams, rounded to 16 bits, against the
// 16-bit references.
TEST_F(MpegFloatTest, RoundedFloatOutputFullAccuracyOnOtherStreams) {
  for (const char* name : {"l3-compl", "l3-he_32khz", "l3-he_44khz", "l3-he_free", "l3-hecommon", "l3-si_block",
                           "l2-test32", "M2L3_bitrate_16_all", "M2L3_compl24"}) {
    SCOPED_TRACE(name);
    const FLOAT_STREAM sums = DecodeFloat(Stream(name));
    ASSERT_TRUE(sums.framesWellFormed);
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(mpeg_test::ReadFile(mpeg_test::VectorDirectory() + "/" + name + ".pcm", bytes));
    std::vector<double> reference;
    for (int16_t s : AsSamples(bytes)) reference.push_back(s / 32768.0);
    std::vector<double> decoded;
    for (float s : sums.sums) {
      decoded.push_back(std::clamp(std::floor(double(s) + 0.5), -32768.0, 32767.0) / 32768.0);
    }
    const ACCURACY a = Measure(decoded, reference);
    EXPECT_GT(a.compared, reference.size() / 2);
    EXPECT_LT(a.rms, kFullRms);
    EXPECT_LE(a.max, kFullMax);
  }
}

}  // namespace
