#include "jobs/mpeg/mpeg_synthesis.h"

#include <array>
#include <bit>
#include <cstring>

#include "jobs/mpeg/mpeg_const_math.h"
#include "jobs/mpeg/mpeg_tables.h"

namespace {

// Four floats, in a vector register where the target has them (GCC and
// Clang lower the operations to scalar code elsewhere).
using Lanes = float __attribute__((vector_size(16)));

inline Lanes LoadLanes(const float* values) {
  Lanes lanes;
  std::memcpy(&lanes, values, sizeof(lanes));
  return lanes;
}

inline Lanes Reversed(Lanes v) { return Lanes{v[3], v[2], v[1], v[0]}; }

// ---- DCT ----
//
// Y[m] = sum over k < N of x[k] cos(m (2k + 1) pi / 2N), by the recursive
// even/odd split (Lee): the sums and the scaled differences of mirrored
// inputs are two half-size DCTs giving the even and the odd outputs.

template <int N>
constexpr std::array<float, N / 2> MakeDctFactors() {
  std::array<float, N / 2> factors{};
  for (int k = 0; k < N / 2; ++k) {
    factors[k] = static_cast<float>(1.0 / (2.0 * mpeg_math::Cos((2.0 * k + 1.0) * mpeg_math::kPi / (2.0 * N))));
  }
  return factors;
}

template <int N>
struct DctFactors {
  static constexpr std::array<float, N / 2> value = MakeDctFactors<N>();
};

// Inlined all the way down, so that the temporaries of every stage can
// live in registers.
template <int N>
[[gnu::always_inline]] inline void Dct(const float* in, float* out) {
  if constexpr (N == 1) {
    out[0] = in[0];
  } else {
    constexpr int kHalf = N / 2;
    float sums[kHalf];
    float differences[kHalf];
    if constexpr (kHalf % 4 == 0) {
      // Four mirrored pairs at a time.
      for (int k = 0; k < kHalf; k += 4) {
        const Lanes low = LoadLanes(in + k);
        const Lanes high = Reversed(LoadLanes(in + N - 4 - k));
        const Lanes sum = low + high;
        const Lanes difference = (low - high) * LoadLanes(&DctFactors<N>::value[k]);
        std::memcpy(sums + k, &sum, sizeof(sum));
        std::memcpy(differences + k, &difference, sizeof(difference));
      }
    } else {
      for (int k = 0; k < kHalf; ++k) {
        sums[k] = in[k] + in[N - 1 - k];
        differences[k] = (in[k] - in[N - 1 - k]) * DctFactors<N>::value[k];
      }
    }
    float even[kHalf];
    float odd[kHalf];
    Dct<kHalf>(sums, even);
    Dct<kHalf>(differences, odd);
    for (int m = 0; m < kHalf - 1; ++m) {
      out[2 * m] = even[m];
      out[2 * m + 1] = odd[m] + odd[m + 1];
    }
    out[N - 2] = even[kHalf - 1];
    out[N - 1] = odd[kHalf - 1];
  }
}

// ---- Window ----
//
// The standard's 64-value matrix output V[i] = Y[M/2 + i] (i < 2M, M the
// subband count) needs only Y[0..M-1], by the symmetries Y[2M - m] = -Y[m],
// Y[M] = 0 and Y[2M + m] = -Y[m]. An output sample j sums, over the last 16
// slots, the first half of V from even-aged slots and the second half from
// odd-aged ones; folding the symmetries into signed coefficients leaves one
// history value per slot. Coefficients are scaled to 16-bit full scale.

template <int M>
struct WINDOW_TABLE {
  float even[8][M];  // [pair][output sample]
  float odd[8][M];
};

template <int M>
constexpr WINDOW_TABLE<M> MakeWindowTable() {
  WINDOW_TABLE<M> table{};
  const int step = 32 / M;  // fewer subbands take every step-th coefficient
  for (int t = 0; t < 8; ++t) {
    for (int j = 0; j < M; ++j) {
      const double evenCoefficient = SynthesisWindow((j + 2 * M * t) * step) * 32768.0;
      const double oddCoefficient = SynthesisWindow((j + M + 2 * M * t) * step) * 32768.0;
      double signedEven = 0.0;
      if (j < M / 2) signedEven = evenCoefficient;
      if (j > M / 2) signedEven = -evenCoefficient;
      table.even[t][j] = static_cast<float>(signedEven);
      table.odd[t][j] = static_cast<float>(-oddCoefficient);
    }
  }
  return table;
}

template <int M>
struct WindowTable {
  static constexpr WINDOW_TABLE<M> value = MakeWindowTable<M>();
};

// The history keeps each slot's values ready for both ages: even-aged
// output j takes Y[M/2 + j] (j < M/2) or Y[3M/2 - j] (j > M/2, none at
// M/2), odd-aged output j takes Y[M/2 - j] (j <= M/2) or Y[j - M/2].
// `padded` holds Y at offset 4 with a zero after it (the even-aged M/2),
// so that the reversed halves go by whole vectors.
template <int M>
inline void StoreSlot(const float* padded, float* even, float* odd) {
  constexpr int kHalf = M / 2;
  float e[M];
  float o[M];
  std::memcpy(e, padded + 4 + kHalf, kHalf * sizeof(float));
  for (int b = 0; b < kHalf / 4; ++b) {
    const Lanes reversedHigh = Reversed(LoadLanes(padded + 1 + M - 4 * b));
    std::memcpy(e + kHalf + 4 * b, &reversedHigh, sizeof(reversedHigh));
    const Lanes reversedLow = Reversed(LoadLanes(padded + 1 + kHalf - 4 * b));
    std::memcpy(o + 4 * b, &reversedLow, sizeof(reversedLow));
  }
  std::memcpy(o + kHalf, padded + 4, kHalf * sizeof(float));
  std::memcpy(even, e, sizeof(e));
  std::memcpy(odd, o, sizeof(o));
}

// ConvertSample16 without branches, so that a slot converts as a vector.
inline int32_t ClipAndTruncate(float sum) {
  const float low = sum > -32768.0f ? sum : -32768.0f;  // NaN goes low, as in ConvertSample16
  return static_cast<int32_t>(low < 32767.0f ? low : 32767.0f);
}

// Summing slot by slot over all outputs keeps the loops contiguous.
template <int kBits, int M>
inline void WindowChannel(const float* evenHistory, const float* oddHistory, int offset, uint8_t* out, int channels) {
  constexpr int kHistoryMask = 16 * M - 1;
  const WINDOW_TABLE<M>& table = WindowTable<M>::value;
  const float* even[8];
  const float* odd[8];
  for (int t = 0; t < 8; ++t) {
    even[t] = evenHistory + ((offset + 2 * t * M) & kHistoryMask);
    odd[t] = oddHistory + ((offset + (2 * t + 1) * M) & kHistoryMask);
  }
  // Eight outputs at a time, kept in registers over all 16 taps, in four-
  // lane vectors (plain scalar code where the target has none). Each lane
  // adds its products in the same order as a scalar loop would.
  float sums[M];
  for (int j = 0; j < M; j += 8) {
    Lanes low = {0.0f, 0.0f, 0.0f, 0.0f};
    Lanes high = low;
#pragma GCC unroll 8
    for (int t = 0; t < 8; ++t) {
      low += LoadLanes(table.even[t] + j) * LoadLanes(even[t] + j);
      high += LoadLanes(table.even[t] + j + 4) * LoadLanes(even[t] + j + 4);
      low += LoadLanes(table.odd[t] + j) * LoadLanes(odd[t] + j);
      high += LoadLanes(table.odd[t] + j + 4) * LoadLanes(odd[t] + j + 4);
    }
    std::memcpy(&sums[j], &low, sizeof(low));
    std::memcpy(&sums[j + 4], &high, sizeof(high));
  }
  const int stride = channels * (kBits / 8);
  if constexpr (kBits == 32) {
    for (int j = 0; j < M; ++j) std::memcpy(out + j * stride, &sums[j], sizeof(float));
  } else {
    int32_t samples[M];
    for (int j = 0; j < M; ++j) samples[j] = ClipAndTruncate(sums[j]);
    for (int j = 0; j < M; ++j) {
      if constexpr (kBits == 16 && std::endian::native == std::endian::little) {
        const int16_t sample = static_cast<int16_t>(samples[j]);
        std::memcpy(out + j * stride, &sample, sizeof(sample));
      } else if constexpr (kBits == 16) {
        out[j * stride] = static_cast<uint8_t>(samples[j] & 0xFF);
        out[j * stride + 1] = static_cast<uint8_t>((samples[j] >> 8) & 0xFF);
      } else {
        out[j * stride] = ConvertSample8(samples[j]);
      }
    }
  }
}

template <int kBits, int M, int kChannels>
uint8_t* SynthesizeSlot(MPEG_SYNTHESIS& synthesis, const float* first, const float* second, uint8_t* out) {
  constexpr int kHistoryMask = 16 * M - 1;
  const int offset = (synthesis.offset - M) & kHistoryMask;
  synthesis.offset = offset;
  float padded[M + 8] = {};
  Dct<M>(first, padded + 4);
  StoreSlot<M>(padded, &synthesis.history[0][offset], &synthesis.historyOdd[0][offset]);
  WindowChannel<kBits, M>(synthesis.history[0], synthesis.historyOdd[0], offset, out, kChannels);
  if constexpr (kChannels == 2) {
    Dct<M>(second, padded + 4);
    StoreSlot<M>(padded, &synthesis.history[1][offset], &synthesis.historyOdd[1][offset]);
    WindowChannel<kBits, M>(synthesis.history[1], synthesis.historyOdd[1], offset, out + kBits / 8, kChannels);
  }
  return out + M * kChannels * (kBits / 8);
}

template <int kBits, int M, MpegChannelChoice kChoice>
uint8_t* Layer12Slot(MPEG_SYNTHESIS& synthesis, const float* left, const float* right, uint8_t* out) {
  if constexpr (kChoice == MpegChannelChoice::kStereo) {
    return SynthesizeSlot<kBits, M, 2>(synthesis, left, right, out);
  } else if constexpr (kChoice == MpegChannelChoice::kRight) {
    return SynthesizeSlot<kBits, M, 1>(synthesis, right, nullptr, out);
  } else if constexpr (kChoice == MpegChannelChoice::kAverage) {
    float average[M];
    for (int i = 0; i < M; ++i) average[i] = (left[i] + right[i]) * 0.5f;
    return SynthesizeSlot<kBits, M, 1>(synthesis, average, nullptr, out);
  } else {
    return SynthesizeSlot<kBits, M, 1>(synthesis, left, nullptr, out);
  }
}

template <int kBits, int M>
constexpr std::array<MpegSlotRoutine, 5> Layer12Routines() {
  return {&Layer12Slot<kBits, M, MpegChannelChoice::kMono>, &Layer12Slot<kBits, M, MpegChannelChoice::kStereo>,
          &Layer12Slot<kBits, M, MpegChannelChoice::kAverage>, &Layer12Slot<kBits, M, MpegChannelChoice::kLeft>,
          &Layer12Slot<kBits, M, MpegChannelChoice::kRight>};
}

// [16-bit, 8-bit, float][rate reduction][channel choice]
constexpr std::array<MpegSlotRoutine, 5> kLayer12Routines[3][3] = {
    {Layer12Routines<16, 32>(), Layer12Routines<16, 16>(), Layer12Routines<16, 8>()},
    {Layer12Routines<8, 32>(), Layer12Routines<8, 16>(), Layer12Routines<8, 8>()},
    {Layer12Routines<32, 32>(), Layer12Routines<32, 16>(), Layer12Routines<32, 8>()}};

// [16-bit, 8-bit, float][rate reduction][two channels]
constexpr MpegSlotRoutine kLayer3Routines[3][3][2] = {{{&SynthesizeSlot<16, 32, 1>, &SynthesizeSlot<16, 32, 2>},
                                                       {&SynthesizeSlot<16, 16, 1>, &SynthesizeSlot<16, 16, 2>},
                                                       {&SynthesizeSlot<16, 8, 1>, &SynthesizeSlot<16, 8, 2>}},
                                                      {{&SynthesizeSlot<8, 32, 1>, &SynthesizeSlot<8, 32, 2>},
                                                       {&SynthesizeSlot<8, 16, 1>, &SynthesizeSlot<8, 16, 2>},
                                                       {&SynthesizeSlot<8, 8, 1>, &SynthesizeSlot<8, 8, 2>}},
                                                      {{&SynthesizeSlot<32, 32, 1>, &SynthesizeSlot<32, 32, 2>},
                                                       {&SynthesizeSlot<32, 16, 1>, &SynthesizeSlot<32, 16, 2>},
                                                       {&SynthesizeSlot<32, 8, 1>, &SynthesizeSlot<32, 8, 2>}}};

int ClampRate(int rateReduction) { return rateReduction < 0 ? 0 : (rateReduction > 2 ? 2 : rateReduction); }

int BitsSlot(int bitsPerSample) { return bitsPerSample == 8 ? 1 : (bitsPerSample == kMpegFloatSampleBits ? 2 : 0); }

}  // namespace

MpegSlotRoutine SelectLayer12Output(int bitsPerSample, int rateReduction, MpegChannelChoice choice) {
  return kLayer12Routines[BitsSlot(bitsPerSample)][ClampRate(rateReduction)][static_cast<int>(choice)];
}

MpegSlotRoutine SelectLayer3Window(int bitsPerSample, int rateReduction, int outputChannels) {
  return kLayer3Routines[BitsSlot(bitsPerSample)][ClampRate(rateReduction)][outputChannels == 2 ? 1 : 0];
}

void ResetSynthesis(MPEG_SYNTHESIS& synthesis) {
  std::memset(synthesis.history, 0, sizeof(synthesis.history));
  std::memset(synthesis.historyOdd, 0, sizeof(synthesis.historyOdd));
  synthesis.offset = 0;
}
