#pragma once
// Constant tables of the MPEG audio standards (ISO/IEC 11172-3 and 13818-3)
// that more than one part of the decoder reads. Values are the standards'
// own; the few that are formulas in the standards are computed at compile
// time.
#include <array>
#include <cstdint>
#include <initializer_list>

#include "jobs/mpeg/mpeg_const_math.h"

// Bit rates in kbit/s by [id][layer - 1][bit-rate index]. Index 0 is free
// format and index 15 is reserved; both read 0.
inline constexpr int16_t kMpegBitRates[2][3][16] = {
    // id 0: lower sampling frequencies
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}},
    // id 1: MPEG-1
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0}}};

// Sampling frequencies in Hz by [family][index]: MPEG-1, MPEG-2, MPEG 2.5.
inline constexpr int32_t kMpegSampleRates[3][3] = {{44100, 48000, 32000}, {22050, 24000, 16000}, {11025, 12000, 8000}};

// ---- Layers I and II ----

// Scale factors 2^(1 - i/3); index 63 is not a legal code but is given the
// formula's value so that a damaged frame stays finite.
inline constexpr std::array<float, 64> kLayer12ScaleFactors = [] {
  std::array<float, 64> table{};
  const double thirds[3] = {1.0, 1.0 / mpeg_math::Cbrt(2.0), 1.0 / mpeg_math::Cbrt(4.0)};
  for (int i = 0; i < 64; ++i) {
    table[i] = static_cast<float>(2.0 * mpeg_math::Exp2(-(i / 3)) * thirds[i % 3]);
  }
  return table;
}();

// A Layer II quantisation class: the number of levels, the bits of one
// code word, and whether three samples share one code word.
struct LAYER2_QUANT_CLASS {
  int32_t levels;
  int32_t bits;
  bool grouped;
};

inline constexpr LAYER2_QUANT_CLASS kLayer2QuantClasses[17] = {
    {3, 5, true},      {5, 7, true},      {7, 3, false},      {9, 10, true},      {15, 4, false},    {31, 5, false},
    {63, 6, false},    {127, 7, false},   {255, 8, false},    {511, 9, false},    {1023, 10, false}, {2047, 11, false},
    {4095, 12, false}, {8191, 13, false}, {16383, 14, false}, {32767, 15, false}, {65535, 16, false}};

// One subband's allocation: the width of its allocation field and, for each
// non-zero allocation code c, the quantisation class classes[c - 1].
struct LAYER2_ALLOCATION_ROW {
  int32_t allocationBits;
  uint8_t classes[15];
};

inline constexpr LAYER2_ALLOCATION_ROW kLayer2RowHigh4 = {4, {0, 2, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}};
inline constexpr LAYER2_ALLOCATION_ROW kLayer2RowMid4 = {4, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 16}};
inline constexpr LAYER2_ALLOCATION_ROW kLayer2RowMid3 = {3, {0, 1, 2, 3, 4, 5, 16}};
inline constexpr LAYER2_ALLOCATION_ROW kLayer2RowLow2 = {2, {0, 1, 16}};
inline constexpr LAYER2_ALLOCATION_ROW kLayer2RowNarrow4 = {4, {0, 1, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}};
inline constexpr LAYER2_ALLOCATION_ROW kLayer2RowNarrow3 = {3, {0, 1, 3, 4, 5, 6, 7}};
inline constexpr LAYER2_ALLOCATION_ROW kLayer2RowLsf4 = {4, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}};
inline constexpr LAYER2_ALLOCATION_ROW kLayer2RowLsf2 = {2, {0, 1, 3}};

struct LAYER2_ALLOCATION_TABLE {
  int32_t subbands;
  const LAYER2_ALLOCATION_ROW* rows[32];
};

namespace mpeg_detail {
// Builds a table from runs of (count, row).
struct AllocationRun {
  int32_t count;
  const LAYER2_ALLOCATION_ROW* row;
};
constexpr LAYER2_ALLOCATION_TABLE MakeAllocationTable(std::initializer_list<AllocationRun> runs) {
  LAYER2_ALLOCATION_TABLE table{};
  for (const AllocationRun& run : runs) {
    for (int32_t i = 0; i < run.count; ++i) table.rows[table.subbands++] = run.row;
  }
  return table;
}
}  // namespace mpeg_detail

// ISO/IEC 11172-3 Tables 3-B.2a to 3-B.2d, and ISO/IEC 13818-3 Table B.1.
inline constexpr LAYER2_ALLOCATION_TABLE kLayer2TableA = mpeg_detail::MakeAllocationTable(
    {{3, &kLayer2RowHigh4}, {8, &kLayer2RowMid4}, {12, &kLayer2RowMid3}, {4, &kLayer2RowLow2}});
inline constexpr LAYER2_ALLOCATION_TABLE kLayer2TableB = mpeg_detail::MakeAllocationTable(
    {{3, &kLayer2RowHigh4}, {8, &kLayer2RowMid4}, {12, &kLayer2RowMid3}, {7, &kLayer2RowLow2}});
inline constexpr LAYER2_ALLOCATION_TABLE kLayer2TableC =
    mpeg_detail::MakeAllocationTable({{2, &kLayer2RowNarrow4}, {6, &kLayer2RowNarrow3}});
inline constexpr LAYER2_ALLOCATION_TABLE kLayer2TableD =
    mpeg_detail::MakeAllocationTable({{2, &kLayer2RowNarrow4}, {10, &kLayer2RowNarrow3}});
inline constexpr LAYER2_ALLOCATION_TABLE kLayer2TableLsf =
    mpeg_detail::MakeAllocationTable({{4, &kLayer2RowLsf4}, {7, &kLayer2RowNarrow3}, {19, &kLayer2RowLsf2}});

// ---- Synthesis filter bank ----

// ISO/IEC 11172-3 Table 3-B.3, coefficients D[0..256] of the synthesis
// window in units of 2^-16 (the printed decimals are these values rounded to
// nine places). The rest follows by symmetry: D[512 - i] = -D[i], except at
// multiples of 64 where D[512 - i] = D[i]. Eight coefficients a line, eight
// lines a block of 64.
// clang-format off
inline constexpr int32_t kSynthesisWindowHalf[257] = {
         0,     -1,     -1,     -1,     -1,     -1,     -1,     -2,
        -2,     -2,     -2,     -3,     -3,     -4,     -4,     -5,
        -5,     -6,     -7,     -7,     -8,     -9,    -10,    -11,
       -13,    -14,    -16,    -17,    -19,    -21,    -24,    -26,
       -29,    -31,    -35,    -38,    -41,    -45,    -49,    -53,
       -58,    -63,    -68,    -73,    -79,    -85,    -91,    -97,
      -104,   -111,   -117,   -125,   -132,   -139,   -147,   -154,
      -161,   -169,   -176,   -183,   -190,   -196,   -202,   -208,
       213,    218,    222,    225,    227,    228,    228,    227,
       224,    221,    215,    208,    200,    189,    177,    163,
       146,    127,    106,     83,     57,     29,     -2,    -36,
       -72,   -111,   -153,   -197,   -244,   -294,   -347,   -401,
      -459,   -519,   -581,   -645,   -711,   -779,   -848,   -919,
      -991,  -1064,  -1137,  -1210,  -1283,  -1356,  -1428,  -1498,
     -1567,  -1634,  -1698,  -1759,  -1817,  -1870,  -1919,  -1962,
     -2001,  -2032,  -2057,  -2075,  -2085,  -2087,  -2080,  -2063,
      2037,   2000,   1952,   1893,   1822,   1739,   1644,   1535,
      1414,   1280,   1131,    970,    794,    605,    402,    185,
       -45,   -288,   -545,   -814,  -1095,  -1388,  -1692,  -2006,
     -2330,  -2663,  -3004,  -3351,  -3705,  -4063,  -4425,  -4788,
     -5153,  -5517,  -5879,  -6237,  -6589,  -6935,  -7271,  -7597,
     -7910,  -8209,  -8491,  -8755,  -8998,  -9219,  -9416,  -9585,
     -9727,  -9838,  -9916,  -9959,  -9966,  -9935,  -9863,  -9750,
     -9592,  -9389,  -9139,  -8840,  -8492,  -8092,  -7640,  -7134,
      6574,   5959,   5288,   4561,   3776,   2935,   2037,   1082,
        70,   -998,  -2122,  -3300,  -4533,  -5818,  -7154,  -8540,
     -9975, -11455, -12980, -14548, -16155, -17799, -19478, -21189,
    -22929, -24694, -26482, -28289, -30112, -31947, -33791, -35640,
    -37489, -39336, -41176, -43006, -44821, -46617, -48390, -50137,
    -51853, -53534, -55178, -56778, -58333, -59838, -61289, -62684,
    -64019, -65290, -66494, -67629, -68692, -69679, -70590, -71420,
    -72169, -72835, -73415, -73908, -74313, -74630, -74856, -74992,
     75038,
};
// clang-format on

constexpr double SynthesisWindow(int i) {
  if (i <= 256) return kSynthesisWindowHalf[i] / 65536.0;
  const double mirrored = kSynthesisWindowHalf[512 - i] / 65536.0;
  return (i % 64 == 0) ? mirrored : -mirrored;
}

// ---- Layer III ----

// Scale-factor band boundaries (spectral line of each band's start, then the
// end) by sampling-frequency slot: 0..2 MPEG-1 44.1/48/32 kHz, 3..5 MPEG-2
// 22.05/24/16 kHz, 6..8 MPEG 2.5 11.025/12/8 kHz.
inline constexpr int16_t kLongBandStarts[9][23] = {
    {0, 4, 8, 12, 16, 20, 24, 30, 36, 44, 52, 62, 74, 90, 110, 134, 162, 196, 238, 288, 342, 418, 576},
    {0, 4, 8, 12, 16, 20, 24, 30, 36, 42, 50, 60, 72, 88, 106, 128, 156, 190, 230, 276, 330, 384, 576},
    {0, 4, 8, 12, 16, 20, 24, 30, 36, 44, 54, 66, 82, 102, 126, 156, 194, 240, 296, 364, 448, 550, 576},
    {0, 6, 12, 18, 24, 30, 36, 44, 54, 66, 80, 96, 116, 140, 168, 200, 238, 284, 336, 396, 464, 522, 576},
    {0, 6, 12, 18, 24, 30, 36, 44, 54, 66, 80, 96, 114, 136, 162, 194, 232, 278, 332, 394, 464, 540, 576},
    {0, 6, 12, 18, 24, 30, 36, 44, 54, 66, 80, 96, 116, 140, 168, 200, 238, 284, 336, 396, 464, 522, 576},
    {0, 6, 12, 18, 24, 30, 36, 44, 54, 66, 80, 96, 116, 140, 168, 200, 238, 284, 336, 396, 464, 522, 576},
    {0, 6, 12, 18, 24, 30, 36, 44, 54, 66, 80, 96, 116, 140, 168, 200, 238, 284, 336, 396, 464, 522, 576},
    {0, 12, 24, 36, 48, 60, 72, 88, 108, 132, 160, 192, 232, 280, 336, 400, 476, 566, 568, 570, 572, 574, 576}};

// Short-block bands: the start line of each band within one window of 192.
inline constexpr int16_t kShortBandStarts[9][14] = {{0, 4, 8, 12, 16, 22, 30, 40, 52, 66, 84, 106, 136, 192},
                                                    {0, 4, 8, 12, 16, 22, 28, 38, 50, 64, 80, 100, 126, 192},
                                                    {0, 4, 8, 12, 16, 22, 30, 42, 58, 78, 104, 138, 180, 192},
                                                    {0, 4, 8, 12, 18, 24, 32, 42, 56, 74, 100, 132, 174, 192},
                                                    {0, 4, 8, 12, 18, 26, 36, 48, 62, 80, 104, 136, 180, 192},
                                                    {0, 4, 8, 12, 18, 26, 36, 48, 62, 80, 104, 134, 174, 192},
                                                    {0, 4, 8, 12, 18, 26, 36, 48, 62, 80, 104, 134, 174, 192},
                                                    {0, 4, 8, 12, 18, 26, 36, 48, 62, 80, 104, 134, 174, 192},
                                                    {0, 8, 16, 24, 36, 52, 72, 96, 124, 160, 162, 164, 166, 192}};

// Pre-emphasis added to long-block scale factors when preflag is set.
inline constexpr uint8_t kPreemphasis[22] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 3, 3, 3, 2, 0};

// MPEG-1 scale-factor widths (slen1, slen2) by scalefac_compress.
inline constexpr uint8_t kScaleFactorWidths[2][16] = {{0, 0, 0, 0, 3, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4},
                                                      {0, 1, 2, 3, 0, 1, 2, 3, 1, 2, 3, 1, 2, 3, 2, 3}};

// Lower-frequency scale-factor counts per partition, by [row][block kind]
// [partition]; block kind 0 long, 1 short, 2 mixed. Rows 0..2 for ordinary
// channels by scalefac_compress range, rows 3..5 for the intensity-coded
// right channel.
inline constexpr uint8_t kLsfPartitionCounts[6][3][4] = {
    {{6, 5, 5, 5}, {9, 9, 9, 9}, {6, 9, 9, 9}},       {{6, 5, 7, 3}, {9, 9, 12, 6}, {6, 9, 12, 6}},
    {{11, 10, 0, 0}, {18, 18, 0, 0}, {15, 18, 0, 0}}, {{7, 7, 7, 0}, {12, 12, 12, 0}, {6, 15, 12, 0}},
    {{6, 6, 6, 3}, {12, 9, 9, 6}, {6, 12, 9, 6}},     {{8, 8, 5, 0}, {15, 12, 9, 0}, {6, 18, 9, 0}}};

// Alias-reduction butterflies: cs = 1/sqrt(1 + c^2), ca = c/sqrt(1 + c^2).
inline constexpr double kAliasCoefficients[8] = {-0.6, -0.535, -0.33, -0.185, -0.095, -0.041, -0.0142, -0.0037};
inline constexpr std::array<float, 8> kAliasCs = [] {
  std::array<float, 8> table{};
  for (int i = 0; i < 8; ++i) {
    const double c = kAliasCoefficients[i];
    table[i] = static_cast<float>(1.0 / mpeg_math::Sqrt(1.0 + c * c));
  }
  return table;
}();
inline constexpr std::array<float, 8> kAliasCa = [] {
  std::array<float, 8> table{};
  for (int i = 0; i < 8; ++i) {
    const double c = kAliasCoefficients[i];
    table[i] = static_cast<float>(c / mpeg_math::Sqrt(1.0 + c * c));
  }
  return table;
}();

// |x|^(4/3) for the quantised magnitudes 0..8206 (15 plus the widest escape).
inline constexpr int32_t kPow43Size = 8207;
extern const std::array<float, kPow43Size> kPow43;
