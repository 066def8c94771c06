// The decoder's interface: header parsing, initialisation and the output
// format, the bounds of DecodeFrame, and the channel and sample options.
#include "jobs/mpeg/mpeg_decoder.h"

#include <gtest/gtest.h>

#include <vector>

#include "jobs/mpeg/mpeg_internal.h"
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

MPEG_OUTPUT_FORMAT FormatAfterInit(const std::vector<uint8_t>& frame, int32_t rateReduction, uint32_t options,
                                   int32_t reserved = 0) {
  EXPECT_TRUE(
      InitDecoder(HeaderOf(frame), static_cast<int32_t>(frame.size()), rateReduction, reserved, options, 24000));
  MPEG_OUTPUT_FORMAT format;
  GetOutputFormat(format);
  return format;
}

int32_t ProducedBytes(const std::vector<uint8_t>& frame, std::vector<uint8_t>* pcm = nullptr) {
  std::vector<uint8_t> output(kMpegMaxFrameOutputBytes, 0xAA);
  const uint64_t result = DecodeFrame(frame.data(), frame.size(), output.data(), output.size());
  EXPECT_EQ(static_cast<int32_t>(frame.size()), DecodedBytesConsumed(result));
  const int32_t produced = DecodedBytesProduced(result);
  if (pcm != nullptr) pcm->assign(output.begin(), output.begin() + produced);
  return produced;
}

TEST(MpegOutputFormatTest, StereoLayer3AtFullRate) {
  const std::vector<uint8_t> frame = StereoLayer3Frame();
  const MPEG_OUTPUT_FORMAT format = FormatAfterInit(frame, 0, 0, 1234);
  EXPECT_EQ(2, format.channels);
  EXPECT_EQ(2304, format.samplesPerFrame);
  EXPECT_EQ(44100, format.sampleRate);
  EXPECT_EQ(16, format.bitsPerSample);
  EXPECT_EQ(1234, format.reserved);
  EXPECT_EQ(0, format.encoding);
  std::vector<uint8_t> pcm;
  EXPECT_EQ(4608, ProducedBytes(frame, &pcm));
  EXPECT_EQ(std::vector<uint8_t>(4608, 0), pcm);  // the zero frame is silence
}

TEST(MpegOutputFormatTest, RateReductionHalvesRateAndFrame) {
  const std::vector<uint8_t> frame = StereoLayer3Frame();
  MPEG_OUTPUT_FORMAT format = FormatAfterInit(frame, 1, 0);
  EXPECT_EQ(22050, format.sampleRate);
  EXPECT_EQ(1152, format.samplesPerFrame);
  EXPECT_EQ(2304, ProducedBytes(frame));
  format = FormatAfterInit(frame, 2, 0);
  EXPECT_EQ(11025, format.sampleRate);
  EXPECT_EQ(1152, ProducedBytes(frame));
}

TEST(MpegOutputFormatTest, ChannelOptionsGiveOneChannel) {
  const std::vector<uint8_t> frame = StereoLayer3Frame();
  for (uint32_t option : {kMpegChannelsAverage, kMpegChannelsLeft, kMpegChannelsRight}) {
    const MPEG_OUTPUT_FORMAT format = FormatAfterInit(frame, 0, option);
    EXPECT_EQ(1, format.channels) << option;
    EXPECT_EQ(1152, format.samplesPerFrame) << option;
    EXPECT_EQ(2304, ProducedBytes(frame)) << option;
  }
}

TEST(MpegOutputFormatTest, EightBitOutput) {
  const std::vector<uint8_t> frame = StereoLayer3Frame();
  const MPEG_OUTPUT_FORMAT format = FormatAfterInit(frame, 0, kMpegOutputEightBit);
  EXPECT_EQ(8, format.bitsPerSample);
  EXPECT_EQ(2, format.channels);
  std::vector<uint8_t> pcm;
  EXPECT_EQ(2304, ProducedBytes(frame, &pcm));
  EXPECT_EQ(std::vector<uint8_t>(2304, 128), pcm);  // silence is the midpoint
}

TEST(MpegOutputFormatTest, SingleChannelStreamIgnoresChannelOptions) {
  const std::vector<uint8_t> mono = MakeFrame(0xFB, 0x90, 0xC0, 417);
  for (uint32_t option : {0u, 1u, 2u, 3u}) {
    EXPECT_EQ(1, FormatAfterInit(mono, 0, option).channels) << option;
  }
}

TEST(MpegInitTest, RefusesLayer2RatesWithoutAllocationTable) {
  // Mono above 192 kbit/s and two channels at 56 kbit/s have no table.
  const std::vector<uint8_t> mono224 = MakeFrame(0xFD, 0xB4, 0xC0, 700);
  EXPECT_FALSE(InitDecoder(HeaderOf(mono224), 700, 0, 0, 0, 24000));
  const std::vector<uint8_t> stereo56 = MakeFrame(0xFD, 0x34, 0x00, 200);
  EXPECT_FALSE(InitDecoder(HeaderOf(stereo56), 200, 0, 0, 0, 24000));
  const std::vector<uint8_t> stereo64 = MakeFrame(0xFD, 0x44, 0x00, 200);
  EXPECT_TRUE(InitDecoder(HeaderOf(stereo64), 200, 0, 0, 0, 24000));
}

TEST(MpegInitTest, RefusedRecordLeavesNothingToDecode) {
  const std::vector<uint8_t> frame = StereoLayer3Frame();
  MPEG_HEADER header = HeaderOf(frame);
  EXPECT_FALSE(InitDecoder(header, 0, 0, 0, 0, 24000));
  header.sampleRateIndex = 3;
  EXPECT_FALSE(InitDecoder(header, 417, 0, 0, 0, 24000));
  header = HeaderOf(frame);
  header.layerCode = 0;
  EXPECT_FALSE(InitDecoder(header, 417, 0, 0, 0, 24000));
  std::vector<uint8_t> output(kMpegMaxFrameOutputBytes);
  EXPECT_EQ(0, DecodedBytesConsumed(DecodeFrame(frame.data(), frame.size(), output.data(), output.size())));
}

// ---- DecodeFrame bounds ----

TEST(MpegDecodeFrameTest, NeedsTheWholeFrameAndRoomForItsOutput) {
  const std::vector<uint8_t> frame = StereoLayer3Frame();
  FormatAfterInit(frame, 0, 0);
  std::vector<uint8_t> output(kMpegMaxFrameOutputBytes);
  EXPECT_EQ(0, DecodedBytesConsumed(DecodeFrame(frame.data(), 416, output.data(), output.size())));
  EXPECT_EQ(0, DecodedBytesConsumed(DecodeFrame(frame.data(), 3, output.data(), output.size())));
  EXPECT_EQ(0, DecodedBytesConsumed(DecodeFrame(frame.data(), frame.size(), output.data(), 4607)));
  EXPECT_EQ(417, DecodedBytesConsumed(DecodeFrame(frame.data(), frame.size(), output.data(), 4608)));
}

TEST(MpegDecodeFrameTest, RefusesFramesOfAnotherStream) {
  FormatAfterInit(StereoLayer3Frame(), 0, 0);
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
    EXPECT_EQ(0, DecodedBytesConsumed(DecodeFrame(other.data(), other.size(), output.data(), output.size())));
  }
}

TEST(MpegDecodeFrameTest, FollowsBitRateChanges) {
  FormatAfterInit(StereoLayer3Frame(), 0, 0);
  const std::vector<uint8_t> faster = MakeFrame(0xFB, 0xE0, 0x00, 1044);  // 320 kbit/s
  EXPECT_EQ(4608, ProducedBytes(faster));
}

TEST(MpegDecodeFrameTest, FreeFormatFramesKeepTheFirstLengthPlusPadding) {
  const std::vector<uint8_t> stream = FreeFormatStream(500);
  MPEG_HEADER header;
  int32_t bitRate = 0;
  ASSERT_EQ(500, Parse(stream, header, bitRate));
  ASSERT_TRUE(InitDecoder(header, 500, 0, 0, 0, 24000));
  std::vector<uint8_t> output(kMpegMaxFrameOutputBytes);
  size_t position = 0;
  std::vector<int32_t> lengths;
  while (position < stream.size()) {
    const int32_t consumed =
        DecodedBytesConsumed(DecodeFrame(&stream[position], stream.size() - position, output.data(), output.size()));
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

TEST(MpegFrequencyLimitTest, SubbandCountForLimit) {
  // The job's 24 kHz keeps every subband the synthesis uses.
  EXPECT_EQ(32, MpegSubbandLimit(24000, 44100, 0));
  EXPECT_EQ(32, MpegSubbandLimit(24000, 48000, 0));
  EXPECT_EQ(32, MpegSubbandLimit(24000, 16000, 0));
  EXPECT_EQ(16, MpegSubbandLimit(24000, 44100, 1));
  EXPECT_EQ(8, MpegSubbandLimit(24000, 44100, 2));
  // 4 kHz at 44.1 kHz rounds to subband 6 (4.13 to 4.82 kHz).
  EXPECT_EQ(7, MpegSubbandLimit(4000, 44100, 0));
  EXPECT_EQ(2, MpegSubbandLimit(0, 44100, 0));  // as 1000 Hz
  EXPECT_EQ(32, MpegSubbandLimit(2147483647, 8000, 0));
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

}  // namespace
