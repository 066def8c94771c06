// The Layer III hybrid filter bank: from dequantised spectral lines to the
// subband samples the polyphase synthesis takes (ISO/IEC 11172-3 2.4.3.4.9
// to 2.4.3.4.10).
#include <array>
#include <cstring>

#include "jobs/mpeg_const_math.h"
#include "jobs/mpeg_layer3.h"
#include "jobs/mpeg_tables.h"

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

constexpr auto kLongDctIv = MakeDctIv<18>();
constexpr auto kShortDctIv = MakeDctIv<6>();

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
  for (int i = 0; i < 12; ++i)
    window[i] = static_cast<float>(mpeg_math::Sin(kPi / 12.0 * (i + 0.5)));
  return window;
}();

// Short blocks are coded band by band, each band window by window; the
// transform wants, per subband, the lines of the three windows interleaved.
void ReorderShortBlock(const float* in, float* out, const MPEG_GRANULE_CHANNEL& granule,
                       int sampleRateSlot) {
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

void InverseLongBlock(const float* in, int blockType, float* overlap, float (*slots)[32], int sb) {
  float y[18];
  for (int m = 0; m < 18; ++m) {
    float sum = 0.0f;
    for (int k = 0; k < 18; ++k) sum += in[k] * kLongDctIv[m][k];
    y[m] = sum;
  }
  float x[36];
  for (int i = 0; i < 9; ++i) x[i] = y[i + 9];
  for (int i = 9; i < 27; ++i) x[i] = -y[26 - i];
  for (int i = 27; i < 36; ++i) x[i] = -y[i - 27];
  const std::array<float, 36>& window = kLongWindows[blockType];
  for (int t = 0; t < 18; ++t) {
    slots[t][sb] = x[t] * window[t] + overlap[t];
    overlap[t] = x[t + 18] * window[t + 18];
  }
}

void InverseShortBlocks(const float* in, float* overlap, float (*slots)[32], int sb) {
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
    slots[t][sb] = buffer[t] + overlap[t];
    overlap[t] = buffer[t + 18];
  }
}

int LastNonzeroSubband(const float* lines) {
  for (int line = 575; line >= 0; --line) {
    if (lines[line] != 0.0f) return line / 18;
  }
  return -1;
}

}  // namespace

void HybridSynthesis(float* spectrum, const MPEG_GRANULE_CHANNEL& granule, int sampleRateSlot,
                     int subbands, float (*overlap)[18], float (*slots)[32]) {
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
  for (int sb = 0; sb < subbands; ++sb) {
    if (sb > lastNonzero) {
      // Nothing new in this subband: only the previous block's tail remains.
      for (int t = 0; t < 18; ++t) slots[t][sb] = overlap[sb][t];
      std::memset(overlap[sb], 0, sizeof(overlap[sb]));
    } else if (IsShortBlock(granule) && !(granule.mixedBlock && sb < 2)) {
      InverseShortBlocks(lines + 18 * sb, overlap[sb], slots, sb);
    } else {
      const int blockType = IsShortBlock(granule) ? 0 : static_cast<int>(granule.blockType);
      InverseLongBlock(lines + 18 * sb, blockType, overlap[sb], slots, sb);
    }
    if (sb & 1) {
      for (int t = 1; t < 18; t += 2) slots[t][sb] = -slots[t][sb];
    }
  }
  for (int t = 0; t < 18; ++t) {
    for (int sb = subbands; sb < 32; ++sb) slots[t][sb] = 0.0f;
  }
}
