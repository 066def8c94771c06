// The decoder's interface: header parsing, initialisation and the output
// format, the bounds of DecodeFrame, and the channel and sample options.
#include "jobs/mpeg/mpeg_decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

#include "tests/core/mpeg_test_support.h"

namespace {

using mpeg_test::AsSamples;
using mpeg_test::Channel;
using mpeg_test::DecodeStream;

// A frame of `length` bytes: the header bytes, then zeros. All-zero side
// information is a valid Layer III granule set that decodes to silence.
std::vector<uint8_t> MakeFrame(uint8_t b1, uint8_t b2, uint8_t b3, size_t length) {
  std::vector<uint8_t> frame(length, 0);
  frame[0] = 0xFF;
  frame[1] = b1;
  frame[2] = b2;
  frame[3] = b3;
  return frame;
}

// MPEG-1 Layer III, no CRC, 128 kbit/s, 44.1 kHz, stereo: 417 bytes.
std::vector<uint8_t> StereoLayer3Frame() { return MakeFrame(0xFB, 0x90, 0x00, 417); }

int32_t Parse(const std::vector<uint8_t>& bytes, MPEG_HEADER& header, int32_t& bitRate) {
  return ParseFrameHeader(bytes.data(), bytes.size(), header, bitRate);
}

int32_t Parse(const std::vector<uint8_t>& bytes) {
  MPEG_HEADER header;
  int32_t bitRate = 0;
  return Parse(bytes, header, bitRate);
}

// ---- Header parsing ----

TEST(MpegHeaderTest, AcceptsFfE2AsMpeg25LayerIII) {
  // 0xE2: sync 0xFFE, version 00 (MPEG 2.5), layer code 1 (Layer III), CRC.
  // Bit rate 8 kbit/s, 11025 Hz: 72 * 8000 / 11025 = 52 bytes.
  MPEG_HEADER header;
  int32_t bitRate = 0;
  EXPECT_EQ(52, Parse(MakeFrame(0xE2, 0x10, 0xC0, 64), header, bitRate));
  EXPECT_EQ(2, header.versionKind);
  EXPECT_EQ(0, header.id);
  EXPECT_EQ(1, header.layerCode);
  EXPECT_EQ(0, header.protection);
  EXPECT_EQ(3, header.mode);
  EXPECT_EQ(8000, bitRate);
}

TEST(MpegHeaderTest, RefusesBytesThatStartNoValidHeader) {
  const std::vector<std::vector<uint8_t>> refused = {
      MakeFrame(0xD0, 0x90, 0x00, 500),  // 0xFF 0xD0: no sync
      {0xFE, 0xFB, 0x90, 0x00},          // no sync byte
      MakeFrame(0xF9, 0x90, 0x00, 500),  // layer code 0, MPEG-1
      MakeFrame(0xF1, 0x90, 0x00, 500),  // layer code 0, MPEG-2
      MakeFrame(0xE1, 0x90, 0x00, 500),  // layer code 0, MPEG 2.5
      MakeFrame(0xEB, 0x90, 0x00, 500),  // MPEG 2.5 with the ID bit: reserved version
      MakeFrame(0xFB, 0xF0, 0x00, 500),  // bit-rate index 15
      MakeFrame(0xFB, 0x9C, 0x00, 500),  // sampling-frequency index 3
      {0xFF, 0xFB, 0x90},                // fewer than four bytes
  };
  for (size_t i = 0; i < refused.size(); ++i) EXPECT_EQ(0, Parse(refused[i])) << "case " << i;
  MPEG_HEADER header;
  int32_t bitRate = 0;
  EXPECT_EQ(0, ParseFrameHeader(nullptr, 100, header, bitRate));
}

TEST(MpegHeaderTest, ComputesFrameLengthsOfEachLayer) {
  struct CASE {
    uint8_t b1, b2;
    int32_t length, bitRate;
  };
  const CASE cases[] = {
      {0xFB, 0x90, 417, 128000},  // MPEG-1 L3 128k 44.1k: 144 * 128000 / 44100
      {0xFB, 0x92, 418, 128000},  // padded
      {0xFF, 0xC0, 416, 384000},  // L1 384k 44.1k: 104 slots of 4 bytes
      {0xFF, 0xC2, 420, 384000},  // L1 padding adds a 4-byte slot
      {0xFD, 0xA4, 576, 192000},  // L2 192k 48k
      {0xF3, 0x80, 208, 64000},   // MPEG-2 L3 64k 22.05k: 72 * 64000 / 22050
      {0xF5, 0xC4, 768, 128000},  // MPEG-2 L2 128k 24k
  };
  for (const CASE& c : cases) {
    MPEG_HEADER header;
    int32_t bitRate = 0;
    EXPECT_EQ(c.length, Parse(MakeFrame(c.b1, c.b2, 0x00, 4), header, bitRate)) << int{c.b1};
    EXPECT_EQ(c.bitRate, bitRate) << int{c.b1};
  }
}

TEST(MpegHeaderTest, ReadsEveryField) {
  MPEG_HEADER header;
  int32_t bitRate = 0;
  // Layer II with CRC, 160 kbit/s, 32 kHz, padded, private; joint stereo,
  // extension 2, copyright, original, emphasis 3.
  ASSERT_EQ(721, Parse(MakeFrame(0xFC, 0x9B, 0x6F, 4), header, bitRate));
  const MPEG_HEADER& h = header;
  EXPECT_EQ(
      (std::vector<int32_t>{1, 1, 2, 0, 9, 2, 1, 1, 1, 2, 1, 1, 3}),
      (std::vector<int32_t>{h.versionKind, h.id, h.layerCode, h.protection, h.bitRateIndex, h.sampleRateIndex,
                            h.padding, h.privateBit, h.mode, h.modeExtension, h.copyright, h.original, h.emphasis}));
}

// A free-format stream: frames of `length` bytes, with a padded one between.
std::vector<uint8_t> FreeFormatStream(size_t length) {
  std::vector<uint8_t> stream = MakeFrame(0xFB, 0x00, 0x00, length);
  const std::vector<uint8_t> padded = MakeFrame(0xFB, 0x02, 0x00, length + 1);
  stream.insert(stream.end(), padded.begin(), padded.end());
  const std::vector<uint8_t> last = MakeFrame(0xFB, 0x00, 0x00, length);
  stream.insert(stream.end(), last.begin(), last.end());
  return stream;
}

TEST(MpegHeaderTest, MeasuresFreeFormatByDistanceToNextSync) {
  const std::vector<uint8_t> stream = FreeFormatStream(500);
  MPEG_HEADER header;
  int32_t bitRate = 0;
  EXPECT_EQ(500, Parse(stream, header, bitRate));
  EXPECT_EQ(0, header.bitRateIndex);
  EXPECT_EQ(500 * 8 * 44100 / 1152, bitRate);
  // The next sync word must lie within the bytes given.
  EXPECT_EQ(0, ParseFrameHeader(stream.data(), 503, header, bitRate));
  EXPECT_EQ(500, ParseFrameHeader(stream.data(), 504, header, bitRate));
}

TEST(MpegHeaderTest, FreeFormatNeedsTheNextSyncWithin10000Bytes) {
  EXPECT_EQ(0, Parse(MakeFrame(0xFB, 0x00, 0x00, 600)));  // no next header at all
  EXPECT_EQ(9000, Parse(FreeFormatStream(9000)));
  EXPECT_EQ(0, Parse(FreeFormatStream(10000)));
}

TEST(MpegHeaderTest, FreeFormatSkipsSyncBytesOfAnotherStream) {
  std::vector<uint8_t> stream = FreeFormatStream(700);
  stream[100] = 0xFF;  // a layer I header pattern inside the frame is not the next frame
  stream[101] = 0xFF;
  stream[102] = 0x00;
  EXPECT_EQ(700, Parse(stream));
}

// ---- Initialisation and output format ----

MPEG_HEADER HeaderOf(const std::vector<uint8_t>& frame) {
  MPEG_HEADER header;
  int32_t bitRate = 0;
  EXPECT_NE(0, ParseFrameHeader(frame.data(), frame.size(), header, bitRate));
  return header;
}

MPEG_OUTPUT_FORMAT FormatAfterInit(CMpegDecoder& decoder, const std::vector<uint8_t>& frame, int32_t rateReduction,
                                   uint32_t options, int32_t reserved = 0) {
  EXPECT_TRUE(
      decoder.Init(HeaderOf(frame), static_cast<int32_t>(frame.size()), rateReduction, reserved, options, 24000));
  MPEG_OUTPUT_FORMAT format;
  decoder.GetOutputFormat(format);
  return format;
}

int32_t ProducedBytes(CMpegDecoder& decoder, const std::vector<uint8_t>& frame, std::vector<uint8_t>* pcm = nullptr) {
  std::vector<uint8_t> output(kMpegMaxFrameOutputBytes, 0xAA);
  const uint64_t result = decoder.DecodeFrame(frame.data(), frame.size(), output.data(), output.size());
  EXPECT_EQ(static_cast<int32_t>(frame.size()), DecodedBytesConsumed(result));
  const int32_t produced = DecodedBytesProduced(result);
  if (pcm != nullptr) pcm->assign(output.begin(), output.begin() + produced);
  return produced;
}

TEST(MpegOutputFormatTest, StereoLayer3AtFullRate) {
  CMpegDecoder decoder;
  const std::vector<uint8_t> frame = StereoLayer3Frame();
  const MPEG_OUTPUT_FORMAT format = FormatAfterInit(decoder, frame, 0, 0, 1234);
  EXPECT_EQ(2, format.channels);
  EXPECT_EQ(2304, format.samplesPerFrame);
  EXPECT_EQ(44100, format.sampleRate);
  EXPECT_EQ(16, format.bitsPerSample);
  EXPECT_EQ(1234, format.reserved);
  EXPECT_EQ(0, format.encoding);
  std::vector<uint8_t> pcm;
  EXPECT_EQ(4608, ProducedBytes(decoder, frame, &pcm));
  EXPECT_EQ(std::vector<uint8_t>(4608, 0), pcm);  // the zero frame is silence
}

TEST(MpegOutputFormatTest, RateReductionHalvesRateAndFrame) {
  CMpegDecoder decoder;
  const std::vector<uint8_t> frame = StereoLayer3Frame();
  MPEG_OUTPUT_FORMAT format = FormatAfterInit(decoder, frame, 1, 0);
  EXPECT_EQ(22050, format.sampleRate);
  EXPECT_EQ(1152, format.samplesPerFrame);
  EXPECT_EQ(2304, ProducedBytes(decoder, frame));
  format = FormatAfterInit(decoder, frame, 2, 0);
  EXPECT_EQ(11025, format.sampleRate);
  EXPECT_EQ(1152, ProducedBytes(decoder, frame));
}

TEST(MpegOutputFormatTest, ChannelOptionsGiveOneChannel) {
  CMpegDecoder decoder;
  const std::vector<uint8_t> frame = StereoLayer3Frame();
  for (uint32_t option : {kMpegChannelsAverage, kMpegChannelsLeft, kMpegChannelsRight}) {
    const MPEG_OUTPUT_FORMAT format = FormatAfterInit(decoder, frame, 0, option);
    EXPECT_EQ(1, format.channels) << option;
    EXPECT_EQ(1152, format.samplesPerFrame) << option;
    EXPECT_EQ(2304, ProducedBytes(decoder, frame)) << option;
  }
}

TEST(MpegOutputFormatTest, EightBitOutput) {
  CMpegDecoder decoder;
  const std::vector<uint8_t> frame = StereoLayer3Frame();
  const MPEG_OUTPUT_FORMAT format = FormatAfterInit(decoder, frame, 0, kMpegOutputEightBit);
  EXPECT_EQ(8, format.bitsPerSample);
  EXPECT_EQ(2, format.channels);
  std::vector<uint8_t> pcm;
  EXPECT_EQ(2304, ProducedBytes(decoder, frame, &pcm));
  EXPECT_EQ(std::vector<uint8_t>(2304, 128), pcm);  // silence is the midpoint
}

TEST(MpegOutputFormatTest, SingleChannelStreamIgnoresChannelOptions) {
  CMpegDecoder decoder;
  const std::vector<uint8_t> mono = MakeFrame(0xFB, 0x90, 0xC0, 417);
  for (uint32_t option : {0u, 1u, 2u, 3u}) {
    EXPECT_EQ(1, FormatAfterInit(decoder, mono, 0, option).channels) << option;
  }
}

TEST(MpegInitTest, RefusesLayer2RatesWithoutAllocationTable) {
  CMpegDecoder decoder;
  // Mono above 192 kbit/s and two channels at 56 kbit/s have no table.
  const std::vector<uint8_t> mono224 = MakeFrame(0xFD, 0xB4, 0xC0, 700);
  EXPECT_FALSE(decoder.Init(HeaderOf(mono224), 700, 0, 0, 0, 24000));
  const std::vector<uint8_t> stereo56 = MakeFrame(0xFD, 0x34, 0x00, 200);
  EXPECT_FALSE(decoder.Init(HeaderOf(stereo56), 200, 0, 0, 0, 24000));
  const std::vector<uint8_t> stereo64 = MakeFrame(0xFD, 0x44, 0x00, 200);
  EXPECT_TRUE(decoder.Init(HeaderOf(stereo64), 200, 0, 0, 0, 24000));
}

TEST(MpegInitTest, RefusedRecordLeavesNothingToDecode) {
  CMpegDecoder decoder;
  const std::vector<uint8_t> frame = StereoLayer3Frame();
  MPEG_HEADER header = HeaderOf(frame);
  // A stream set up before is given up by a refused record.
  ASSERT_TRUE(decoder.Init(header, 417, 0, 0, 0, 24000));
  EXPECT_FALSE(decoder.Init(header, 0, 0, 0, 0, 24000));
  header.sampleRateIndex = 3;
  EXPECT_FALSE(decoder.Init(header, 417, 0, 0, 0, 24000));
  header = HeaderOf(frame);
  header.layerCode = 0;
  EXPECT_FALSE(decoder.Init(header, 417, 0, 0, 0, 24000));
  std::vector<uint8_t> output(kMpegMaxFrameOutputBytes);
  EXPECT_EQ(0, DecodedBytesConsumed(decoder.DecodeFrame(frame.data(), frame.size(), output.data(), output.size())));
}

// ---- DecodeFrame bounds ----

TEST(MpegDecodeFrameTest, NeedsTheWholeFrameAndRoomForItsOutput) {
  CMpegDecoder decoder;
  const std::vector<uint8_t> frame = StereoLayer3Frame();
  FormatAfterInit(decoder, frame, 0, 0);
  std::vector<uint8_t> output(kMpegMaxFrameOutputBytes);
  EXPECT_EQ(0, DecodedBytesConsumed(decoder.DecodeFrame(frame.data(), 416, output.data(), output.size())));
  EXPECT_EQ(0, DecodedBytesConsumed(decoder.DecodeFrame(frame.data(), 3, output.data(), output.size())));
  EXPECT_EQ(0, DecodedBytesConsumed(decoder.DecodeFrame(frame.data(), frame.size(), output.data(), 4607)));
  EXPECT_EQ(417, DecodedBytesConsumed(decoder.DecodeFrame(frame.data(), frame.size(), output.data(), 4608)));
}

TEST(MpegDecodeFrameTest, RefusesFramesOfAnotherStream) {
  CMpegDecoder decoder;
  FormatAfterInit(decoder, StereoLayer3Frame(), 0, 0);
  std::vector<uint8_t> output(kMpegMaxFrameOutputBytes);
  const std::vector<std::vector<uint8_t>> others = {
      MakeFrame(0xFB, 0x94, 0x00, 500),  // 48 kHz
      MakeFrame(0xFB, 0x90, 0xC0, 500),  // one channel
      MakeFrame(0xFD, 0x90, 0x00, 500),  // Layer II
      MakeFrame(0xF3, 0x90, 0x00, 500),  // MPEG-2
      MakeFrame(0xFB, 0x00, 0x00, 500),  // free format in a coded-rate stream
      std::vector<uint8_t>(500, 0x55),   // no header
  };
  for (const std::vector<uint8_t>& other : others) {
    EXPECT_EQ(0, DecodedBytesConsumed(decoder.DecodeFrame(other.data(), other.size(), output.data(), output.size())));
  }
}

TEST(MpegDecodeFrameTest, FollowsBitRateChanges) {
  CMpegDecoder decoder;
  FormatAfterInit(decoder, StereoLayer3Frame(), 0, 0);
  const std::vector<uint8_t> faster = MakeFrame(0xFB, 0xE0, 0x00, 1044);  // 320 kbit/s
  EXPECT_EQ(4608, ProducedBytes(decoder, faster));
}

TEST(MpegDecodeFrameTest, FreeFormatFramesKeepTheFirstLengthPlusPadding) {
  CMpegDecoder decoder;
  const std::vector<uint8_t> stream = FreeFormatStream(500);
  MPEG_HEADER header;
  int32_t bitRate = 0;
  ASSERT_EQ(500, Parse(stream, header, bitRate));
  ASSERT_TRUE(decoder.Init(header, 500, 0, 0, 0, 24000));
  std::vector<uint8_t> output(kMpegMaxFrameOutputBytes);
  size_t position = 0;
  std::vector<int32_t> lengths;
  while (position < stream.size()) {
    const int32_t consumed = DecodedBytesConsumed(
        decoder.DecodeFrame(&stream[position], stream.size() - position, output.data(), output.size()));
    if (consumed <= 0) break;
    lengths.push_back(consumed);
    position += static_cast<size_t>(consumed);
  }
  EXPECT_EQ((std::vector<int32_t>{500, 501, 500}), lengths);
}

// ---- Channel and sample options on real streams ----

class MpegChannelOptionsTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    if (!mpeg_test::HaveVectors()) GTEST_SKIP() << "no vectors at " << mpeg_test::VectorDirectory();
    ASSERT_TRUE(mpeg_test::ReadFile(mpeg_test::VectorDirectory() + "/" + GetParam(), stream_));
  }
  std::vector<int16_t> Decode(uint32_t options) {
    const mpeg_test::DECODED_STREAM decoded = DecodeStream(stream_, 0, options);
    EXPECT_TRUE(decoded.initialised);
    EXPECT_TRUE(decoded.framesWellFormed);
    return AsSamples(decoded.pcm);
  }
  std::vector<uint8_t> stream_;
};

TEST_P(MpegChannelOptionsTest, LeftAndRightAreTheStereoChannels) {
  const std::vector<int16_t> stereo = Decode(kMpegChannelsKeep);
  EXPECT_EQ(Channel(stereo, 2, 0), Decode(kMpegChannelsLeft));
  EXPECT_EQ(Channel(stereo, 2, 1), Decode(kMpegChannelsRight));
}

TEST_P(MpegChannelOptionsTest, AverageIsTheMeanOfLeftAndRight) {
  const std::vector<int16_t> stereo = Decode(kMpegChannelsKeep);
  const std::vector<int16_t> average = Decode(kMpegChannelsAverage);
  ASSERT_EQ(stereo.size(), 2 * average.size());
  // Each output is truncated once: 2A and L + R differ by less than 4.
  int32_t worst = 0;
  for (size_t i = 0; i < average.size(); ++i) {
    const int32_t diff = 2 * average[i] - (stereo[2 * i] + stereo[2 * i + 1]);
    worst = std::max(worst, diff < 0 ? -diff : diff);
  }
  EXPECT_LE(worst, 3);
  EXPECT_GT(mpeg_test::Rms(average), 100.0);
}

TEST_P(MpegChannelOptionsTest, EightBitIsTheHighByteOffsetBy128) {
  const std::vector<int16_t> wide = Decode(kMpegChannelsKeep);
  const mpeg_test::DECODED_STREAM narrow = DecodeStream(stream_, 0, kMpegOutputEightBit);
  ASSERT_EQ(wide.size(), narrow.pcm.size());
  for (size_t i = 0; i < wide.size(); ++i) {
    ASSERT_EQ((wide[i] >> 8) + 128, narrow.pcm[i]) << "sample " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(MpegStereoStreams, MpegChannelOptionsTest,
                         ::testing::Values("l1-fl2.bit", "l2-fl11.bit", "l3-hecommon.bit"));

TEST(MpegMonoOptionsTest, AverageOfASingleChannelChangesNothing) {
  if (!mpeg_test::HaveVectors()) GTEST_SKIP() << "no vectors at " << mpeg_test::VectorDirectory();
  for (const char* name : {"l1-fl4.bit", "l2-fl13.bit", "l3-he_44khz.bit"}) {
    std::vector<uint8_t> stream;
    ASSERT_TRUE(mpeg_test::ReadFile(mpeg_test::VectorDirectory() + "/" + name, stream));
    EXPECT_EQ(DecodeStream(stream, 0, kMpegChannelsKeep).pcm, DecodeStream(stream, 0, kMpegChannelsAverage).pcm)
        << name;
  }
}

TEST(MpegFrequencyLimitTest, LowLimitRemovesHighSubbands) {
  if (!mpeg_test::HaveVectors()) GTEST_SKIP() << "no vectors at " << mpeg_test::VectorDirectory();
  std::vector<uint8_t> stream;
  ASSERT_TRUE(mpeg_test::ReadFile(mpeg_test::VectorDirectory() + "/l3-he_44khz.bit", stream));
  const std::vector<int16_t> full = AsSamples(DecodeStream(stream, 0, 0, 24000).pcm);
  const std::vector<int16_t> limited = AsSamples(DecodeStream(stream, 0, 0, 4000).pcm);
  ASSERT_EQ(full.size(), limited.size());
  // The limit keeps the low band: the difference is what lay above ~4 kHz,
  // well below the signal but not nothing.
  const mpeg_test::PCM_DIFFERENCE d = mpeg_test::Compare(full, limited);
  EXPECT_GT(d.rms, 1.0);
  EXPECT_LT(d.rms, mpeg_test::Rms(full));
}

// ---- Instances, the process-wide decoder and float output ----

TEST(MpegFloatOutputTest, NeedsAStreamAndEndsWithTheNextInit) {
  CMpegDecoder decoder;
  EXPECT_FALSE(decoder.SelectFloatOutput());
  const std::vector<uint8_t> frame = StereoLayer3Frame();
  FormatAfterInit(decoder, frame, 0, kMpegOutputEightBit);
  ASSERT_TRUE(decoder.SelectFloatOutput());
  MPEG_OUTPUT_FORMAT format;
  decoder.GetOutputFormat(format);
  EXPECT_EQ(32, format.bitsPerSample);
  std::vector<uint8_t> output(kMpegMaxFloatFrameOutputBytes);
  // Too little room for the float frame is refused like any other.
  EXPECT_EQ(0, DecodedBytesConsumed(decoder.DecodeFrame(frame.data(), frame.size(), output.data(), 9215)));
  EXPECT_EQ(9216, DecodedBytesProduced(decoder.DecodeFrame(frame.data(), frame.size(), output.data(), 9216)));
  EXPECT_EQ(16, FormatAfterInit(decoder, frame, 0, 0).bitsPerSample);
  EXPECT_EQ(4608, ProducedBytes(decoder, frame));
}

std::vector<uint8_t> VectorStream(const char* name) {
  std::vector<uint8_t> stream;
  EXPECT_TRUE(mpeg_test::ReadFile(mpeg_test::VectorDirectory() + "/" + name, stream));
  return stream;
}

// Frame by frame, alternating between the decoders: each must give what it
// gives decoding its stream alone.
TEST(MpegInstanceTest, InstancesDecodeSideBySide) {
  if (!mpeg_test::HaveVectors()) GTEST_SKIP() << "no vectors at " << mpeg_test::VectorDirectory();
  const std::vector<uint8_t> streams[2] = {VectorStream("l3-hecommon.bit"), VectorStream("l2-fl11.bit")};
  CMpegDecoder decoders[2];
  size_t positions[2] = {};
  std::vector<uint8_t> pcm[2];
  for (int i = 0; i < 2; ++i) {
    positions[i] = mpeg_test::InitAtFirstFrame(decoders[i], streams[i], 0, 0, 24000);
    ASSERT_LT(positions[i], streams[i].size());
  }
  std::vector<uint8_t> output(kMpegMaxFrameOutputBytes);
  for (bool any = true; any;) {
    any = false;
    for (int i = 0; i < 2; ++i) {
      const std::vector<uint8_t>& stream = streams[i];
      if (positions[i] >= stream.size()) continue;
      const uint64_t result =
          decoders[i].DecodeFrame(&stream[positions[i]], stream.size() - positions[i], output.data(), output.size());
      if (DecodedBytesConsumed(result) <= 0) {
        positions[i] = stream.size();
        continue;
      }
      positions[i] += static_cast<size_t>(DecodedBytesConsumed(result));
      pcm[i].insert(pcm[i].end(), output.begin(), output.begin() + DecodedBytesProduced(result));
      any = true;
    }
  }
  for (int i = 0; i < 2; ++i) {
    const mpeg_test::DECODED_STREAM alone = DecodeStream(streams[i]);
    EXPECT_GT(alone.frames, 10) << i;
    EXPECT_EQ(alone.pcm, pcm[i]) << i;
  }
}

// The program's free functions drive one decoder of the process, which
// keeps its stream between calls.
TEST(MpegProcessDecoderTest, FreeFunctionsDecodeLikeAnInstance) {
  const std::vector<uint8_t> frame = StereoLayer3Frame();
  ASSERT_TRUE(InitDecoder(HeaderOf(frame), 417, 1, 77, kMpegOutputEightBit, 24000));
  MPEG_OUTPUT_FORMAT format;
  GetOutputFormat(format);
  EXPECT_EQ((std::vector<int32_t>{2, 1152, 22050, 8, 77, 0}),
            (std::vector<int32_t>{format.channels, format.samplesPerFrame, format.sampleRate, format.bitsPerSample,
                                  format.reserved, format.encoding}));
  std::vector<uint8_t> output(kMpegMaxFrameOutputBytes);
  const uint64_t result = DecodeFrame(frame.data(), frame.size(), output.data(), output.size());
  EXPECT_EQ(417, DecodedBytesConsumed(result));
  EXPECT_EQ(1152, DecodedBytesProduced(result));
  if (!mpeg_test::HaveVectors()) return;
  // A real stream through the free functions, against an instance of its own.
  const std::vector<uint8_t> stream = VectorStream("l3-he_44khz.bit");
  const size_t first = FindFirstFrame(stream.data(), stream.size());
  MPEG_HEADER header;
  int32_t bitRate = 0;
  ASSERT_LT(first, stream.size());
  const int32_t length = ParseFrameHeader(&stream[first], stream.size() - first, header, bitRate);
  ASSERT_TRUE(InitDecoder(header, length, 0, 0, 0, 24000));
  std::vector<uint8_t> pcm;
  for (size_t position = first; position < stream.size();) {
    const uint64_t decoded = DecodeFrame(&stream[position], stream.size() - position, output.data(), output.size());
    if (DecodedBytesConsumed(decoded) <= 0) break;
    position += static_cast<size_t>(DecodedBytesConsumed(decoded));
    pcm.insert(pcm.end(), output.begin(), output.begin() + DecodedBytesProduced(decoded));
  }
  EXPECT_FALSE(pcm.empty());
  EXPECT_EQ(DecodeStream(stream).pcm, pcm);
}

// ---- Where the audio starts ----

// An ID3 version 2 tag header stating `size` bytes of tag, flags `flags`.
std::vector<uint8_t> Id3v2Header(uint32_t size, uint8_t flags = 0) {
  return {'I',
          'D',
          '3',
          4,
          0,
          flags,
          static_cast<uint8_t>((size >> 21) & 0x7F),
          static_cast<uint8_t>((size >> 14) & 0x7F),
          static_cast<uint8_t>((size >> 7) & 0x7F),
          static_cast<uint8_t>(size & 0x7F)};
}

size_t FirstFrame(const std::vector<uint8_t>& bytes) { return FindFirstFrame(bytes.data(), bytes.size()); }

TEST(MpegFirstFrameTest, FindsTheFirstSyncPairAfterJunk) {
  std::vector<uint8_t> bytes(3000, 0x41);
  EXPECT_EQ(3000u, FirstFrame(bytes));
  bytes[2999] = 0xFF;  // a last byte has no successor to pair with
  EXPECT_EQ(3000u, FirstFrame(bytes));
  bytes[700] = 0xFF;
  bytes[701] = 0xDF;  // not 0xEx or 0xFx
  bytes[2000] = 0xFF;
  bytes[2001] = 0xE2;
  EXPECT_EQ(2000u, FirstFrame(bytes));
  // A pair across the search's blocks of 1441 bytes is found all the same.
  bytes[1440] = 0xFF;
  bytes[1441] = 0xFB;
  EXPECT_EQ(1440u, FirstFrame(bytes));
  EXPECT_EQ(0u, FindFirstFrame(nullptr, 0));
}

TEST(MpegFirstFrameTest, SkipsAnId3v2TagByItsStatedSize) {
  std::vector<uint8_t> bytes = Id3v2Header(300);
  bytes.resize(1000, 0x00);
  bytes[20] = 0xFF;  // sync pairs inside the tag are tag data
  bytes[21] = 0xFB;
  bytes[600] = 0xFF;
  bytes[601] = 0xFB;
  EXPECT_EQ(600u, FirstFrame(bytes));
  bytes[310] = 0xFF;  // the first byte after the tag
  bytes[311] = 0xF3;
  EXPECT_EQ(310u, FirstFrame(bytes));
  // A footer (flag 0x10) is not counted: its ten bytes are searched like junk.
  std::vector<uint8_t> footer = bytes;
  footer[5] = 0x10;
  EXPECT_EQ(310u, FirstFrame(footer));
}

TEST(MpegFirstFrameTest, TagSizeBeyondTheStreamLeavesNothing) {
  std::vector<uint8_t> bytes = Id3v2Header(5000);
  bytes.resize(1000, 0x00);
  bytes[600] = 0xFF;
  bytes[601] = 0xFB;
  EXPECT_EQ(1000u, FirstFrame(bytes));
  // Fewer than ten bytes are no tag header: "ID3" is then searched as data.
  const std::vector<uint8_t> shortTag = {'I', 'D', '3', 0xFF, 0xFB, 0x90, 0x00};
  EXPECT_EQ(3u, FirstFrame(shortTag));
}

// A source whose reads fail from `readable` bytes on.
class CFailingSource : public IMpegByteSource {
 public:
  CFailingSource(std::vector<uint8_t> bytes, size_t readable) : bytes_(std::move(bytes)), readable_(readable) {}
  size_t ReadAt(int64_t offset, uint8_t* buffer, size_t count) override {
    const size_t start = static_cast<size_t>(offset);
    if (start >= readable_) return 0;
    const size_t copied = std::min(count, readable_ - start);
    std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(start), copied, buffer);
    return copied;
  }

 private:
  std::vector<uint8_t> bytes_;
  size_t readable_;
};

TEST(MpegFirstFrameTest, StopsWhereTheSourceCannotBeRead) {
  std::vector<uint8_t> bytes(5000, 0x00);
  bytes[4000] = 0xFF;
  bytes[4001] = 0xFB;
  CFailingSource whole(bytes, bytes.size());
  EXPECT_EQ(4000, FindFirstFrame(whole, 5000));
  CFailingSource failing(bytes, 3000);
  EXPECT_EQ(3000, FindFirstFrame(failing, 5000));
}

}  // namespace
