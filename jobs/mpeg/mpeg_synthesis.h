#pragma once
// The output stage shared by all layers: the polyphase synthesis filter
// bank, as a fast 32-, 16- or 8-point DCT into a circular history followed
// by a 16-tap window per output sample, and the conversion of window sums to
// PCM. Full rate synthesises all 32 subbands; half and quarter rate
// synthesise only the lowest 16 or 8 with a correspondingly decimated window,
// which yields the band-limited signal at the lower rate directly.
#include <cstdint>

// Per output channel, the DCT outputs of the last 16 time slots, each slot
// twice: in the order an output sample takes them while the slot is
// even-aged and while it is odd-aged, so that the window runs over
// contiguous values.
struct MPEG_SYNTHESIS {
  float history[2][512];     // even-aged order
  float historyOdd[2][512];  // odd-aged order
  int32_t offset = 0;        // where the newest slot's values start; moves back one slot per slot
};

// What a layer feeds the filter bank from a two-channel stream, or a
// single-channel stream (kMono).
enum class MpegChannelChoice { kMono, kStereo, kAverage, kLeft, kRight };

// One time slot: 32 subband values per input channel in (`right` is not read
// unless needed), (32 >> rate reduction) samples per output channel out,
// interleaved. Returns the output pointer after what it wrote.
using MpegSlotRoutine = uint8_t* (*)(MPEG_SYNTHESIS& synthesis, const float* left, const float* right, uint8_t* out);

// Bits per sample that selects the float variants (the decoder's float
// output): each window sum is stored as it is (a 32-bit float in 16-bit
// units), before the conversion to PCM, so that the filter bank's accuracy
// can be measured.
inline constexpr int kMpegFloatSampleBits = 32;

// Layers I and II: one of 30 routines by bits per sample (16 or 8), rate
// reduction (0..2) and channel choice; the routine also forms the channel
// the choice asks for from the subband values.
MpegSlotRoutine SelectLayer12Output(int bitsPerSample, int rateReduction, MpegChannelChoice choice);

// Layer III: one of 12 routines by bits, rate reduction and output channels
// (1 or 2); its inputs are already the output channels' subband values.
MpegSlotRoutine SelectLayer3Window(int bitsPerSample, int rateReduction, int outputChannels);

// A window sum to a 16-bit sample: truncated toward zero, then clipped.
// NaN, which a sound stream never produces, gives -32768.
inline int32_t ConvertSample16(float sum) {
  if (sum >= 32767.0f) return 32767;
  if (sum > -32768.0f) return static_cast<int32_t>(sum);
  return -32768;
}

// A 16-bit sample to an 8-bit unsigned one.
inline uint8_t ConvertSample8(int32_t sample16) { return static_cast<uint8_t>((sample16 >> 8) + 128); }

void ResetSynthesis(MPEG_SYNTHESIS& synthesis);
