// The decoder's building blocks: sample conversion, the fast synthesis
// filter bank against the standard's direct formulation, the window table,
// the bit reader's bounds and the Layer III Huffman decoder.
#include "jobs/mpeg/mpeg_synthesis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "jobs/mpeg/mpeg_bit_reader.h"
#include "jobs/mpeg/mpeg_huffman.h"
#include "jobs/mpeg/mpeg_layer3.h"
#include "jobs/mpeg/mpeg_tables.h"

namespace {

// ---- Sample conversion ----

TEST(MpegSampleConversionTest, TruncatesTowardZeroAndClips) {
  EXPECT_EQ(32767, ConvertSample16(40000.7f));
  EXPECT_EQ(-32768, ConvertSample16(-40000.7f));
  EXPECT_EQ(123, ConvertSample16(123.9f));
  EXPECT_EQ(-123, ConvertSample16(-123.9f));
  EXPECT_EQ(0, ConvertSample16(-0.99f));
  EXPECT_EQ(32767, ConvertSample16(32767.9f));
  EXPECT_EQ(-32767, ConvertSample16(-32767.9f));
  EXPECT_EQ(-32768, ConvertSample16(-32768.0f));
  EXPECT_EQ(32767, ConvertSample16(INFINITY));
  EXPECT_EQ(-32768, ConvertSample16(-INFINITY));
  EXPECT_EQ(-32768, ConvertSample16(NAN));
}

TEST(MpegSampleConversionTest, EightBitIsHighByteOffsetBy128) {
  EXPECT_EQ(255, ConvertSample8(32767));
  EXPECT_EQ(0, ConvertSample8(-32768));
  EXPECT_EQ(128, ConvertSample8(0));
  EXPECT_EQ(128, ConvertSample8(255));
  EXPECT_EQ(127, ConvertSample8(-1));
  EXPECT_EQ(129, ConvertSample8(256));
}

// ---- Synthesis filter bank ----

TEST(MpegSynthesisTest, WindowTableMatchesPrintedCoefficients) {
  // A few of the standard's nine-decimal values, on both sides of the
  // symmetry the table is stored with.
  const std::pair<int, double> printed[] = {
      {0, 0.0},           {1, -0.000015259},   {63, -0.003173828}, {64, 0.003250122},
      {128, 0.031082153}, {255, -1.144287109}, {256, 1.144989014}, {257, 1.144287109},
      {320, 0.100311279}, {383, -0.030517578}, {448, 0.003250122}, {511, 0.000015259}};
  for (const auto& [index, value] : printed) {
    EXPECT_NEAR(value, SynthesisWindow(index), 6e-10) << "D[" << index << "]";
  }
}

// The standard's synthesis flow chart, in double precision: shift V by 64,
// matrix 32 subband values into V[0..63], build U from V, window, sum.
class ReferenceSynthesis {
 public:
  void Slot(const float* subbands, double* out) {
    for (int i = 1023; i >= 64; --i) v_[i] = v_[i - 64];
    for (int i = 0; i < 64; ++i) {
      double sum = 0.0;
      for (int k = 0; k < 32; ++k) {
        sum += std::cos((16 + i) * (2 * k + 1) * std::numbers::pi / 64.0) * subbands[k];
      }
      v_[i] = sum;
    }
    double u[512];
    for (int i = 0; i < 8; ++i) {
      for (int j = 0; j < 32; ++j) {
        u[i * 64 + j] = v_[i * 128 + j];
        u[i * 64 + 32 + j] = v_[i * 128 + 96 + j];
      }
    }
    for (int j = 0; j < 32; ++j) {
      double sum = 0.0;
      for (int i = 0; i < 16; ++i) sum += u[j + 32 * i] * SynthesisWindow(j + 32 * i);
      out[j] = sum * 32768.0;
    }
  }

 private:
  double v_[1024] = {};
};

int16_t SampleAt(const std::vector<uint8_t>& pcm, size_t index) {
  return static_cast<int16_t>(pcm[2 * index] | (pcm[2 * index + 1] << 8));
}

TEST(MpegSynthesisTest, FastFilterBankMatchesTheDirectForm) {
  MPEG_SYNTHESIS synthesis;
  ResetSynthesis(synthesis);
  const MpegSlotRoutine routine = SelectLayer12Output(16, 0, MpegChannelChoice::kMono);
  ReferenceSynthesis reference;
  std::mt19937 random(7);
  std::uniform_real_distribution<float> value(-0.03f, 0.03f);  // stays clear of clipping
  std::vector<uint8_t> pcm(64);
  double worst = 0.0;
  for (int slot = 0; slot < 60; ++slot) {
    float subbands[32];
    for (float& s : subbands) s = value(random);
    double expected[32];
    reference.Slot(subbands, expected);
    ASSERT_EQ(pcm.data() + 64, routine(synthesis, subbands, subbands, pcm.data()));
    for (int j = 0; j < 32; ++j) {
      ASSERT_LT(std::fabs(expected[j]), 32000.0);
      // Truncation takes up to one step toward zero; float sums add little.
      const double error = SampleAt(pcm, j) - expected[j];
      const double allowed = expected[j] >= 0 ? -1.0 : 0.0;
      EXPECT_GE(error, allowed - 0.01) << "slot " << slot << " sample " << j;
      EXPECT_LE(error, allowed + 1.01) << "slot " << slot << " sample " << j;
      worst = std::max(worst, std::fabs(error));
    }
  }
  EXPECT_LT(worst, 1.01);
}

double LowToneRms(int rate) {
  MPEG_SYNTHESIS synthesis;
  ResetSynthesis(synthesis);
  const MpegSlotRoutine routine = SelectLayer12Output(16, rate, MpegChannelChoice::kMono);
  std::vector<uint8_t> pcm;
  for (int slot = 0; slot < 400; ++slot) {
    float subbands[32] = {};
    subbands[1] = 0.5f * static_cast<float>(std::sin(slot * 0.05));
    std::vector<uint8_t> out(2 * (32u >> rate));
    routine(synthesis, subbands, subbands, out.data());
    pcm.insert(pcm.end(), out.begin(), out.end());
  }
  const size_t count = pcm.size() / 2;
  double sum = 0.0;
  for (size_t i = count / 4; i < count; ++i) sum += double(SampleAt(pcm, i)) * SampleAt(pcm, i);
  return std::sqrt(sum / double(count - count / 4));
}

TEST(MpegSynthesisTest, ReducedRatesKeepTheLevelOfALowTone) {
  // Subband 1 carries a slow sine, well inside the band that half and
  // quarter rate keep: it must come out at the same level at every rate.
  const double full = LowToneRms(0);
  EXPECT_GT(full, 1000.0);
  EXPECT_NEAR(full, LowToneRms(1), 0.02 * full);
  EXPECT_NEAR(full, LowToneRms(2), 0.02 * full);
}

// ---- Bit reader ----

TEST(MpegBitReaderTest, ReadsMsbFirstAndZerosPastTheEnd) {
  const uint8_t bytes[3] = {0xA5, 0x0F, 0x81};
  MpegBitReader reader(bytes, sizeof(bytes));
  EXPECT_EQ(0xAu, reader.Read(4));
  EXPECT_EQ(0x50u, reader.Read(8));
  EXPECT_EQ(0xF81u, reader.Peek(12));
  EXPECT_EQ(0xF81u << 8, reader.Read(20));  // 12 real bits, then zeros
  EXPECT_TRUE(reader.Overrun());
  EXPECT_EQ(0u, reader.Read(24));
  EXPECT_EQ(0u, reader.Read(32));
  const uint8_t five[5] = {0x12, 0x34, 0x56, 0x78, 0x9A};
  MpegBitReader wide(five, sizeof(five));
  wide.Skip(4);
  EXPECT_EQ(0x23456789u, wide.Read(32));
}

// ---- Huffman decoding ----

// Packs a string of '0' and '1' (spaces ignored) into bytes.
std::vector<uint8_t> Bits(const std::string& text, size_t* count) {
  std::vector<uint8_t> bytes;
  size_t bit = 0;
  for (char c : text) {
    if (c == ' ') continue;
    if (bit % 8 == 0) bytes.push_back(0);
    if (c == '1') bytes.back() |= static_cast<uint8_t>(0x80 >> (bit % 8));
    ++bit;
  }
  *count = bit;
  return bytes;
}

TEST(MpegHuffmanTest, DecodesPairsWithSigns) {
  // Table 1: (0,0) "1", (0,1) "001", (1,0) "01", (1,1) "000"; a sign bit
  // follows each non-zero value.
  size_t count = 0;
  const std::vector<uint8_t> bytes = Bits("000 1 0  1  01 1  001 0", &count);
  MpegBitReader reader(bytes.data(), bytes.size());
  int32_t values[8];
  DecodeBigValues(reader, count, 1, values, 0, 8);
  EXPECT_EQ((std::vector<int32_t>{-1, 1, 0, 0, -1, 0, 0, 1}), std::vector<int32_t>(values, values + 8));
  EXPECT_EQ(count, reader.Position());
}

TEST(MpegHuffmanTest, DecodesEscapesWithLinbits) {
  // Table 16 code for (15,15) is "00000011"; table_select 23 adds 13 linbits.
  size_t count = 0;
  const std::vector<uint8_t> bytes = Bits("00000011 1111111111111 1 0000000000000 0", &count);
  MpegBitReader reader(bytes.data(), bytes.size());
  int32_t values[2];
  DecodeBigValues(reader, count, 23, values, 0, 2);
  EXPECT_EQ(-(15 + 8191), values[0]);
  EXPECT_EQ(15, values[1]);
  EXPECT_EQ(count, reader.Position());
}

TEST(MpegHuffmanTest, DecodesTheLongestCodes) {
  // Table 13: (15,12) is eighteen zeros and a one; (15,14) nineteen zeros.
  size_t count = 0;
  const std::vector<uint8_t> bytes = Bits("0000000000000000001 0 1  0000000000000000000 1 0", &count);
  MpegBitReader reader(bytes.data(), bytes.size());
  int32_t values[4];
  DecodeBigValues(reader, count, 13, values, 0, 4);
  EXPECT_EQ((std::vector<int32_t>{15, -12, -15, 14}), std::vector<int32_t>(values, values + 4));
}

TEST(MpegHuffmanTest, StopsAtTheBitBudgetAndZerosTheRest) {
  size_t count = 0;
  const std::vector<uint8_t> bytes = Bits("01 0  01 0  01 0", &count);
  MpegBitReader reader(bytes.data(), bytes.size());
  int32_t values[8] = {9, 9, 9, 9, 9, 9, 9, 9};
  DecodeBigValues(reader, 3, 1, values, 0, 8);  // budget ends after the first pair
  EXPECT_EQ((std::vector<int32_t>{1, 0, 0, 0, 0, 0, 0, 0}), std::vector<int32_t>(values, values + 8));
}

TEST(MpegHuffmanTest, Count1TablesAndTheOverrunQuadruple) {
  // Table B is four bits, inverted: "0111" is vwxy = 1000; then v's sign.
  // Table A codes 0000 as "1". The third quadruple below would need bits past
  // the budget and is dropped.
  size_t count = 0;
  std::vector<uint8_t> bytes = Bits("0111 1  1111  0110 0 0", &count);
  std::vector<int32_t> values(576, 7);
  MpegBitReader reader(bytes.data(), bytes.size());
  EXPECT_EQ(8, DecodeCount1(reader, count - 1, true, values.data(), 0));
  EXPECT_EQ((std::vector<int32_t>{-1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}),
            std::vector<int32_t>(values.begin(), values.begin() + 12));
  EXPECT_EQ(0, values[575]);

  bytes = Bits("1 1 1", &count);
  MpegBitReader readerA(bytes.data(), bytes.size());
  EXPECT_EQ(12, DecodeCount1(readerA, count, false, values.data(), 0));
}

TEST(MpegHuffmanTest, Count1NeverWritesPastTheSpectrum) {
  const std::vector<uint8_t> bytes(200, 0x00);  // endless codes
  std::vector<int32_t> values(576 + 4, 3);
  MpegBitReader reader(bytes.data(), bytes.size());
  // The quadruple at 574 would run past the spectrum: it is not read, as
  // mpg123 does not read it either.
  EXPECT_EQ(574, DecodeCount1(reader, 1600, true, values.data(), 570));
  EXPECT_EQ(1, values[573]);
  EXPECT_EQ(0, values[574]);
  EXPECT_EQ(0, values[575]);
  EXPECT_EQ(3, values[576]);
}

// Where Huffman region 1 starts, by sampling-rate slot (44.1, 48, 32 kHz;
// 22.05, 24, 16 kHz; 11.025, 12, 8 kHz). Mixed blocks switch at line 36,
// the end of their long part, also in MPEG-2 where long band 8 is at line 54
// (as mpg123 and the ISO reference decoder do); MPEG 2.5 counts long bands.
TEST(MpegLayer3Test, HuffmanRegionOneStartsOfEachBlockKind) {
  MPEG_GRANULE_CHANNEL g;
  g.region0Count = 3;
  EXPECT_EQ(16, Layer3Region1Start(g, 0));
  EXPECT_EQ(24, Layer3Region1Start(g, 3));
  g.windowSwitching = true;
  struct EXPECTED {
    uint32_t blockType;
    bool mixed;
    int lines[9];
  };
  for (const EXPECTED& e : {EXPECTED{2, false, {36, 36, 36, 36, 36, 36, 36, 36, 72}},
                            EXPECTED{2, true, {36, 36, 36, 36, 36, 36, 54, 54, 108}},
                            EXPECTED{1, false, {36, 36, 36, 54, 54, 54, 54, 54, 108}},
                            EXPECTED{3, true, {36, 36, 36, 54, 54, 54, 54, 54, 108}}}) {
    g.blockType = e.blockType;
    g.mixedBlock = e.mixed;
    for (int slot = 0; slot < 9; ++slot) {
      EXPECT_EQ(e.lines[slot], Layer3Region1Start(g, slot))
          << "block type " << e.blockType << (e.mixed ? " mixed" : "") << ", slot " << slot;
    }
  }
}

}  // namespace
