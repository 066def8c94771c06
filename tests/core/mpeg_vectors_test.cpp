// The decoder against the reference streams of the shared vector folder:
// normative accuracy, the lower-frequency streams, damaged and nonstandard
// streams, and what damage and seeking do to the output.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "jobs/mpeg/mpeg_decoder.h"
#include "tests/core/mpeg_test_support.h"

namespace {

using mpeg_test::AsSamples;
using mpeg_test::Compare;
using mpeg_test::DECODED_STREAM;
using mpeg_test::DecodeStream;
using mpeg_test::PCM_DIFFERENCE;

struct VECTOR {
  std::string name;  // without ".bit"
  std::string category;
  size_t streamSamples = 0;  // decoded samples over all channels
};

std::vector<VECTOR> ReadManifest() {
  std::vector<uint8_t> bytes;
  std::vector<VECTOR> vectors;
  if (!mpeg_test::ReadFile(mpeg_test::VectorDirectory() + "/MANIFEST.tsv", bytes)) return vectors;
  std::istringstream text(std::string(bytes.begin(), bytes.end()));
  std::string line;
  std::map<std::string, size_t> column;
  while (std::getline(text, line)) {
    std::vector<std::string> fields;
    std::istringstream row(line);
    std::string field;
    while (std::getline(row, field, '\t')) fields.push_back(field);
    if (column.empty()) {
      for (size_t i = 0; i < fields.size(); ++i) column[fields[i]] = i;
      continue;
    }
    if (fields.size() < column.size()) continue;
    VECTOR v;
    v.name = fields[column["file"]].substr(0, fields[column["file"]].size() - 4);
    v.category = fields[column["category"]];
    v.streamSamples = std::stoul(fields[column["stream_samples_total"]]);
    vectors.push_back(v);
  }
  return vectors;
}

class MpegVectorsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!mpeg_test::HaveVectors()) GTEST_SKIP() << "no vectors at " << mpeg_test::VectorDirectory();
    vectors_ = ReadManifest();
    ASSERT_FALSE(vectors_.empty());
  }

  std::vector<uint8_t> Stream(const std::string& name) {
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(mpeg_test::ReadFile(mpeg_test::VectorDirectory() + "/" + name + ".bit", bytes));
    return bytes;
  }

  std::vector<int16_t> Reference(const std::string& name) {
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(mpeg_test::ReadFile(mpeg_test::VectorDirectory() + "/" + name + ".pcm", bytes));
    return AsSamples(bytes);
  }

  // Decodes a vector, checks that every frame of it came out, and compares
  // with its reference over the common length.
  PCM_DIFFERENCE DecodeAndCompare(const VECTOR& v) {
    const DECODED_STREAM decoded = DecodeStream(Stream(v.name));
    EXPECT_TRUE(decoded.initialised);
    EXPECT_TRUE(decoded.framesWellFormed);
    EXPECT_EQ(v.streamSamples, decoded.pcm.size() / 2);
    const PCM_DIFFERENCE d = Compare(AsSamples(decoded.pcm), Reference(v.name));
    EXPECT_GT(d.compared, 0u);
    return d;
  }

  std::vector<VECTOR> vectors_;
};

// ISO/IEC 11172-4 streams, Layers I, II and III: our truncating 16-bit
// output is never more than one step from the rounded reference.
TEST_F(MpegVectorsTest, NormativeStreamsWithinOneStep) {
  int checked = 0;
  for (const VECTOR& v : vectors_) {
    if (v.category != "iso11172-4") continue;
    SCOPED_TRACE(v.name);
    const PCM_DIFFERENCE d = DecodeAndCompare(v);
    EXPECT_LE(d.maxAbs, 1);
    EXPECT_LT(d.rms, 0.75);  // truncation against rounding: about 1/sqrt(2) steps
    ++checked;
  }
  EXPECT_GE(checked, 14);  // l3-si_block among them: mixed start and stop blocks
}

// MPEG-2 lower sampling frequencies: references of unknown origin, held to
// two steps at most and an rms within one step.
TEST_F(MpegVectorsTest, LowerFrequencyStreamsCloseToReference) {
  int checked = 0;
  for (const VECTOR& v : vectors_) {
    if (v.category != "lsf13818-3") continue;
    SCOPED_TRACE(v.name);
    const PCM_DIFFERENCE d = DecodeAndCompare(v);
    EXPECT_LE(d.maxAbs, 2);
    EXPECT_LT(d.rms, 1.0);
    ++checked;
  }
  EXPECT_GE(checked, 3);
}

// Illegal one-frame streams: the reference is one decoder's behaviour, so
// they must decode to one frame that is close to it (rms within two steps).
TEST_F(MpegVectorsTest, DamagedStreamsDecodeOneFrameCloseToReference) {
  int checked = 0;
  for (const VECTOR& v : vectors_) {
    if (v.category != "damaged") continue;
    SCOPED_TRACE(v.name);
    const PCM_DIFFERENCE d = DecodeAndCompare(v);
    EXPECT_LT(d.rms, 2.0);
    ++checked;
  }
  EXPECT_GE(checked, 7);
}

// Tags around a frame are skipped; a stream too small for a frame has none.
TEST_F(MpegVectorsTest, TaggedAndTinyStreams) {
  for (const VECTOR& v : vectors_) {
    if (v.name == "l3-nonstandard-id3v1" || v.name == "l3-nonstandard-id3v2" ||
        v.name == "l3-nonstandard-vbrtag-oob-read") {
      SCOPED_TRACE(v.name);
      EXPECT_LE(DecodeAndCompare(v).maxAbs, 1);
    }
  }
  const DECODED_STREAM tiny = DecodeStream(Stream("l3-nonstandard-small"));
  EXPECT_FALSE(tiny.initialised);
  EXPECT_TRUE(tiny.pcm.empty());
}

// Copies of l3-compl with one frame's side information spoiled: the damage
// stays within that frame and the next (which overlaps it), and the rest is
// the undamaged stream's reference to one step.
TEST_F(MpegVectorsTest, SpoiledSideInformationStaysLocal) {
  const std::vector<int16_t> clean = Reference("l3-compl");
  for (const char* name : {"l3-nonstandard-compl-sideinfo-bigvalues", "l3-nonstandard-compl-sideinfo-blocktype"}) {
    SCOPED_TRACE(name);
    const DECODED_STREAM decoded = DecodeStream(Stream(name));
    ASSERT_TRUE(decoded.framesWellFormed);
    ASSERT_EQ(216, decoded.frames);
    const std::vector<int16_t> samples = AsSamples(decoded.pcm);
    int spoiled = 0;
    for (size_t frame = 0; frame < 216; ++frame) {
      const PCM_DIFFERENCE d = Compare(samples, clean, frame * 1152, (frame + 1) * 1152);
      if (d.maxAbs > 1) ++spoiled;
    }
    EXPECT_GE(spoiled, 1);
    EXPECT_LE(spoiled, 2);
  }
}

// Starting in the middle of a Layer III stream, the first frames lack the
// bytes their main_data_begin points back to (up to 511 bytes: several
// frames at low bit rates); once the reservoir and the filter histories have
// refilled, the output is the full decoding's, bit for bit.
TEST_F(MpegVectorsTest, DecodingFromTheMiddleCatchesUpWithTheReservoir) {
  for (const char* name : {"l3-he_44khz", "l3-hecommon", "M2L3_compl24"}) {
    SCOPED_TRACE(name);
    const std::vector<uint8_t> stream = Stream(name);
    const DECODED_STREAM whole = DecodeStream(stream);
    // Skip ten frames.
    size_t position = 0;
    for (int frame = 0; frame < 10; ++frame) {
      MPEG_HEADER header;
      int32_t bitRate = 0;
      position += static_cast<size_t>(ParseFrameHeader(&stream[position], stream.size() - position, header, bitRate));
    }
    const std::vector<uint8_t> tail(stream.begin() + static_cast<std::ptrdiff_t>(position), stream.end());
    const DECODED_STREAM late = DecodeStream(tail);
    ASSERT_EQ(whole.frames - 10, late.frames);
    const size_t frameBytes = whole.pcm.size() / static_cast<size_t>(whole.frames);
    const size_t settled = 8 * frameBytes;
    ASSERT_GT(late.pcm.size(), settled);
    EXPECT_TRUE(std::equal(late.pcm.begin() + static_cast<std::ptrdiff_t>(settled), late.pcm.end(),
                           whole.pcm.begin() + static_cast<std::ptrdiff_t>(10 * frameBytes + settled)));
  }
}

// Random bit errors and cuts: decoding ends or goes on, but every frame it
// accepts gives exactly one frame of output and it never stalls. (Run under
// a memory checker, the exact-size buffers show any read outside a frame.)
TEST_F(MpegVectorsTest, CorruptedStreamsDecodeCleanly) {
  std::mt19937 random(20240611);
  for (const char* name : {"l1-fl1", "l2-fl10", "l2-test32", "l3-compl", "l3-he_free", "l3-hecommon", "M2L3_compl24"}) {
    SCOPED_TRACE(name);
    const std::vector<uint8_t> stream = Stream(name);
    for (int trial = 0; trial < 12; ++trial) {
      std::vector<uint8_t> damaged = stream;
      const int flips = 1 + static_cast<int>(random() % 200);
      for (int i = 0; i < flips; ++i) {
        uint8_t& byte = damaged[random() % damaged.size()];
        byte = (random() % 3 == 0) ? static_cast<uint8_t>(random()) : byte ^ (1u << (random() % 8));
      }
      if (trial % 4 == 3) damaged.resize(random() % damaged.size());
      const int32_t rate = static_cast<int32_t>(random() % 3);
      const uint32_t options = random() % 16;
      const DECODED_STREAM decoded = DecodeStream(damaged, rate, options);
      EXPECT_TRUE(decoded.framesWellFormed) << "trial " << trial;
      EXPECT_LE(decoded.consumed, damaged.size());
    }
  }
}

// ---- Reduced rates against a band-limited decimation of full rate ----

// Low-pass filters `samples` (one channel) at `cutoff` (a fraction of the
// sampling rate) with a Blackman-windowed sinc and keeps every `factor`-th
// sample, without delay.
std::vector<double> Decimate(const std::vector<int16_t>& samples, int factor, double cutoff) {
  constexpr int kTaps = 1023;
  constexpr int kHalf = kTaps / 2;
  std::vector<double> taps(kTaps);
  double sum = 0.0;
  for (int i = 0; i < kTaps; ++i) {
    const double x = i - kHalf;
    const double sinc = x == 0 ? 2 * cutoff : std::sin(2 * std::numbers::pi * cutoff * x) / (std::numbers::pi * x);
    const double window = 0.42 - 0.5 * std::cos(2 * std::numbers::pi * i / (kTaps - 1)) +
                          0.08 * std::cos(4 * std::numbers::pi * i / (kTaps - 1));
    taps[i] = sinc * window;
    sum += taps[i];
  }
  std::vector<double> out(samples.size() / static_cast<size_t>(factor));
  for (size_t n = 0; n < out.size(); ++n) {
    double acc = 0.0;
    const long center = static_cast<long>(n) * factor;
    for (int i = 0; i < kTaps; ++i) {
      const long j = center + i - kHalf;
      if (j >= 0 && j < static_cast<long>(samples.size())) acc += taps[i] * samples[j];
    }
    out[n] = acc / sum;
  }
  return out;
}

TEST_F(MpegVectorsTest, ReducedRatesMatchDecimatedFullRate) {
  for (const char* name : {"l3-he_44khz", "l2-fl13", "l3-compl"}) {
    const std::vector<uint8_t> stream = Stream(name);
    std::vector<int16_t> full = AsSamples(DecodeStream(stream, 0).pcm);
    full.resize(std::min<size_t>(full.size(), 96000));
    for (int rate = 1; rate <= 2; ++rate) {
      SCOPED_TRACE(std::string(name) + " reduction " + std::to_string(rate));
      const std::vector<int16_t> reduced = AsSamples(DecodeStream(stream, rate).pcm);
      const int factor = 1 << rate;
      const std::vector<double> expected = Decimate(full, factor, 0.5 / factor);
      // Skip the filters' start-up; compare the rest.
      double error = 0.0;
      double signal = 0.0;
      size_t count = 0;
      for (size_t n = 1024 / factor; n + 600 / factor < expected.size(); ++n) {
        const double diff = reduced[n] - expected[n];
        error += diff * diff;
        signal += expected[n] * expected[n];
        ++count;
      }
      ASSERT_GT(count, 1000u);
      const double rmsError = std::sqrt(error / double(count));
      const double rmsSignal = std::sqrt(signal / double(count));
      EXPECT_GT(rmsSignal, 300.0);
      EXPECT_LT(rmsError, 0.01 * rmsSignal);
    }
  }
}

}  // namespace
