// The Layer III hybrid filter bank: from dequantised spectral lines to the
// subband samples the polyphase synthesis takes (ISO/IEC 11172-3 2.4.3.4.9
// to 2.4.3.4.10).
#include <algorithm>
#include <array>
#include <cstring>

#include "jobs/mpeg/mpeg_const_math.h"
#include "jobs/mpeg/mpeg_layer3.h"
#include "jobs/mpeg/mpeg_tables.h"

namespace {

using mpeg_math::kPi;

// The 36-point inverse MDCT is an 18-point DCT-IV,
// y[m] = sum over k of X[k] cos(pi/18 (m + 1/2)(k + 1/2)), unfolded by its
// symmetries; the 12-point one is a 6-point DCT-IV likewise.
template <int N>
constexpr std::array<std::array<float, N>, N> MakeDctIv() {
  std::array<std::array<float, N>, N> table{};
  for (int m = 0; m < N; ++m) {
    for (int k = 0; k < N; ++k) {
      table[m][k] = static_cast<float>(mpeg_math::Cos(kPi / N * (m + 0.5) * (k + 0.5)));
    }
  }
  return table;
}

constexpr auto kShortDctIv = MakeDctIv<6>();

// The long transform runs once per subband of every long block, so it is
// factored: with w[k] = X[k] / (2 cos(pi (2k + 1) / 72)), the DCT-IV is
// y[m] = Z[m] + Z[m + 1] where Z is the 18-point DCT-II of w (Z[18] = 0).
// That DCT-II splits (Lee) into two 9-point DCT-IIs of the sums and of the
// scaled differences of mirrored inputs, each of which folds its own
// mirror symmetry: even outputs take x[k] + x[8 - k], odd ones
// x[k] - x[8 - k]. About half the multiplications of the direct sum.
constexpr std::array<float, 18> kDctIvPre = [] {
  std::array<float, 18> factors{};
  for (int k = 0; k < 18; ++k) factors[k] = static_cast<float>(0.5 / mpeg_math::Cos(kPi * (2 * k + 1) / 72.0));
  return factors;
}();

constexpr std::array<float, 9> kDct18Odd = [] {
  std::array<float, 9> factors{};
  for (int k = 0; k < 9; ++k) factors[k] = static_cast<float>(0.5 / mpeg_math::Cos(kPi * (2 * k + 1) / 36.0));
  return factors;
}();

// [output p][k]: cos(pi p (2k + 1) / 18) for k < 4; column 4 is the middle
// input's cos(pi p / 2).
constexpr std::array<std::array<float, 5>, 9> kDct9 = [] {
  std::array<std::array<float, 5>, 9> table{};
  for (int p = 0; p < 9; ++p) {
    for (int k = 0; k < 5; ++k) table[p][k] = static_cast<float>(mpeg_math::Cos(kPi * p * (2 * k + 1) / 18.0));
  }
  return table;
}();

template <typename T>
inline void Dct9(const T* x, T* y) {
  T s[4];
  T d[4];
  for (int k = 0; k < 4; ++k) {
    s[k] = x[k] + x[8 - k];
    d[k] = x[k] - x[8 - k];
  }
  for (int p = 0; p < 9; p += 2) {
    const auto& c = kDct9[p];
    y[p] = s[0] * c[0] + s[1] * c[1] + s[2] * c[2] + s[3] * c[3] + x[4] * c[4];
  }
  for (int p = 1; p < 9; p += 2) {
    const auto& c = kDct9[p];
    y[p] = d[0] * c[0] + d[1] * c[1] + d[2] * c[2] + d[3] * c[3];
  }
}

template <typename T>
inline void DctIv18(const T* in, T* y) {
  T w[18];
  for (int k = 0; k < 18; ++k) w[k] = in[k] * kDctIvPre[k];
  T sums[9];
  T differences[9];
  for (int k = 0; k < 9; ++k) {
    sums[k] = w[k] + w[17 - k];
    differences[k] = (w[k] - w[17 - k]) * kDct18Odd[k];
  }
  T even[9];
  T odd[9];
  Dct9(sums, even);
  Dct9(differences, odd);
  T z[19];
  for (int p = 0; p < 8; ++p) {
    z[2 * p] = even[p];
    z[2 * p + 1] = odd[p] + odd[p + 1];
  }
  z[16] = even[8];
  z[17] = odd[8];
  z[18] = T{};
  for (int m = 0; m < 18; ++m) y[m] = z[m] + z[m + 1];
}

// Windows of the long block types 0 (normal), 1 (start) and 3 (stop);
// entry 2 is unused (short blocks have kShortWindow).
constexpr std::array<std::array<float, 36>, 4> kLongWindows = [] {
  std::array<std::array<float, 36>, 4> windows{};
  for (int i = 0; i < 36; ++i) {
    const double sine36 = mpeg_math::Sin(kPi / 36.0 * (i + 0.5));
    windows[0][i] = static_cast<float>(sine36);
    double start = 0.0;
    if (i < 18)
      start = sine36;
    else if (i < 24)
      start = 1.0;
    else if (i < 30)
      start = mpeg_math::Sin(kPi / 12.0 * (i - 18 + 0.5));
    windows[1][i] = static_cast<float>(start);
    double stop = 0.0;
    if (i >= 18)
      stop = sine36;
    else if (i >= 12)
      stop = 1.0;
    else if (i >= 6)
      stop = mpeg_math::Sin(kPi / 12.0 * (i - 6 + 0.5));
    windows[3][i] = static_cast<float>(stop);
  }
  return windows;
}();

constexpr std::array<float, 12> kShortWindow = [] {
  std::array<float, 12> window{};
  for (int i = 0; i < 12; ++i) window[i] = static_cast<float>(mpeg_math::Sin(kPi / 12.0 * (i + 0.5)));
  return window;
}();

// Short blocks are coded band by band, each band window by window; the
// transform wants, per subband, the lines of the three windows interleaved.
void ReorderShortBlock(const float* in, float* out, const MPEG_GRANULE_CHANNEL& granule, int sampleRateSlot) {
  const int16_t* bands = kShortBandStarts[sampleRateSlot];
  const int firstBand = granule.mixedBlock ? 3 : 0;
  std::memset(out, 0, 576 * sizeof(float));
  if (granule.mixedBlock) std::memcpy(out, in, 36 * sizeof(float));
  for (int band = firstBand; band < 13; ++band) {
    const int width = bands[band + 1] - bands[band];
    const int start = 3 * bands[band];
    for (int window = 0; window < 3; ++window) {
      for (int j = 0; j < width; ++j) out[start + 3 * j + window] = in[start + window * width + j];
    }
  }
}

void ReduceAliasing(float* lines, int boundaries) {
  for (int sb = 1; sb <= boundaries; ++sb) {
    float* lower = lines + 18 * sb - 1;
    float* upper = lines + 18 * sb;
    for (int i = 0; i < 8; ++i) {
      const float a = lower[-i];
      const float b = upper[i];
      lower[-i] = a * kAliasCs[i] - b * kAliasCa[i];
      upper[i] = b * kAliasCs[i] + a * kAliasCa[i];
    }
  }
}

// One subband's long block, or (T = Lanes) four neighbouring subbands' at
// once with the same block type, lane by lane the same arithmetic.
template <typename T>
inline void InverseLong(const T* in, int blockType, T* overlap, T* slots) {
  T y[18];
  DctIv18(in, y);
  // The 36 outputs unfold y: x[i] = y[i + 9] (i < 9), -y[26 - i] (9 <= i
  // < 27), -y[i - 27] (i >= 27), windowed straight from y.
  const std::array<float, 36>& window = kLongWindows[blockType];
  for (int t = 0; t < 9; ++t) slots[t] = y[t + 9] * window[t] + overlap[t];
  for (int t = 9; t < 18; ++t) slots[t] = -y[26 - t] * window[t] + overlap[t];
  for (int t = 0; t < 9; ++t) overlap[t] = -y[8 - t] * window[t + 18];
  for (int t = 9; t < 18; ++t) overlap[t] = -y[t - 9] * window[t + 18];
}

void InverseLongBlock(const float* in, int blockType, float (*overlap)[32], float (*slots)[32], int sb) {
  float previous[18];
  float out[18];
  for (int t = 0; t < 18; ++t) previous[t] = overlap[t][sb];
  InverseLong(in, blockType, previous, out);
  for (int t = 0; t < 18; ++t) {
    slots[t][sb] = out[t];
    overlap[t][sb] = previous[t];
  }
}

using Lanes = float __attribute__((vector_size(16)));

inline Lanes LoadLanes(const float* values) {
  Lanes lanes;
  std::memcpy(&lanes, values, sizeof(lanes));
  return lanes;
}

inline void StoreLanes(float* values, Lanes lanes) { std::memcpy(values, &lanes, sizeof(lanes)); }

// Subbands sb to sb + 3 (sb even), long blocks of one type, frequency
// inversion of the odd subbands included.
void InverseLongBlocks4(const float* lines, int blockType, float (*overlap)[32], float (*slots)[32], int sb) {
  Lanes in[18];
  for (int k = 0; k < 18; ++k) {
    in[k] = Lanes{lines[18 * sb + k], lines[18 * (sb + 1) + k], lines[18 * (sb + 2) + k], lines[18 * (sb + 3) + k]};
  }
  Lanes previous[18];
  for (int t = 0; t < 18; ++t) previous[t] = LoadLanes(&overlap[t][sb]);
  Lanes out[18];
  InverseLong(in, blockType, previous, out);
  const Lanes inversion = {1.0f, -1.0f, 1.0f, -1.0f};
  for (int t = 0; t < 18; ++t) {
    StoreLanes(&slots[t][sb], (t & 1) != 0 ? out[t] * inversion : out[t]);
    StoreLanes(&overlap[t][sb], previous[t]);
  }
}

void InverseShortBlocks(const float* in, float (*overlap)[32], float (*slots)[32], int sb) {
  float buffer[36] = {};
  for (int window = 0; window < 3; ++window) {
    float y[6];
    for (int m = 0; m < 6; ++m) {
      float sum = 0.0f;
      for (int k = 0; k < 6; ++k) sum += in[3 * k + window] * kShortDctIv[m][k];
      y[m] = sum;
    }
    float x[12];
    for (int i = 0; i < 3; ++i) x[i] = y[i + 3];
    for (int i = 3; i < 9; ++i) x[i] = -y[8 - i];
    for (int i = 9; i < 12; ++i) x[i] = -y[i - 9];
    for (int i = 0; i < 12; ++i) buffer[6 + 6 * window + i] += x[i] * kShortWindow[i];
  }
  for (int t = 0; t < 18; ++t) {
    slots[t][sb] = buffer[t] + overlap[t][sb];
    overlap[t][sb] = buffer[t + 18];
  }
}

int LastNonzeroSubband(const float* lines) {
  for (int line = 575; line >= 0; --line) {
    if (lines[line] != 0.0f) return line / 18;
  }
  return -1;
}

// One subband by itself, long with window `blockType` or (2) short, with
// the frequency inversion of odd subbands.
void TransformSubband(const float* lines, int blockType, int lastNonzero, float (*overlap)[32], float (*slots)[32],
                      int sb) {
  if (sb > lastNonzero) {
    // Nothing new in this subband: only the previous block's tail remains.
    for (int t = 0; t < 18; ++t) {
      slots[t][sb] = overlap[t][sb];
      overlap[t][sb] = 0.0f;
    }
  } else if (blockType == 2) {
    InverseShortBlocks(lines + 18 * sb, overlap, slots, sb);
  } else {
    InverseLongBlock(lines + 18 * sb, blockType, overlap, slots, sb);
  }
  if (sb & 1) {
    for (int t = 1; t < 18; t += 2) slots[t][sb] = -slots[t][sb];
  }
}

}  // namespace

void HybridSynthesis(float* spectrum, const MPEG_GRANULE_CHANNEL& granule, int sampleRateSlot, int subbands,
                     float (*overlap)[32], float (*slots)[32]) {
  float reordered[576];
  float* lines = spectrum;
  if (IsShortBlock(granule)) {
    ReorderShortBlock(spectrum, reordered, granule, sampleRateSlot);
    lines = reordered;
    if (granule.mixedBlock) ReduceAliasing(lines, 1);
  } else {
    ReduceAliasing(lines, 31);
  }

  const int lastNonzero = LastNonzeroSubband(lines);
  const int blockType = IsShortBlock(granule) ? 2 : static_cast<int>(granule.blockType);
  // The mixed flag gives the two lowest subbands the normal long window,
  // also when it comes with a start or stop block.
  int sb = 0;
  for (; granule.mixedBlock && sb < std::min(2, subbands); ++sb) {
    TransformSubband(lines, 0, lastNonzero, overlap, slots, sb);
  }
  if (blockType != 2) {
    // Four subbands at a time up to the last one with lines.
    const int wanted = std::min(subbands, lastNonzero + 1) - sb;
    const int vectorEnd = sb + std::max(0, std::min((wanted + 3) & ~3, (subbands - sb) & ~3));
    for (; sb < vectorEnd; sb += 4) InverseLongBlocks4(lines, blockType, overlap, slots, sb);
  }
  for (; sb < subbands; ++sb) TransformSubband(lines, blockType, lastNonzero, overlap, slots, sb);
  for (int t = 0; t < 18; ++t) {
    for (int sb = subbands; sb < 32; ++sb) slots[t][sb] = 0.0f;
  }
}
