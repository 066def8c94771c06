#pragma once
// Pieces of the Layer III decoder shared between its files.
#include <cstdint>

// Side information of one granule and channel (ISO/IEC 11172-3 2.4.1.7,
// 13818-3 2.4.1.7), with every count already clamped to what the
// spectrum can hold.
struct MPEG_GRANULE_CHANNEL {
  uint32_t part23Length = 0;
  uint32_t bigValues = 0;  // at most 288
  uint32_t globalGain = 0;
  uint32_t scalefacCompress = 0;
  bool windowSwitching = false;
  uint32_t blockType = 0;
  bool mixedBlock = false;
  uint32_t tableSelect[3] = {};
  uint32_t subblockGain[3] = {};
  uint32_t region0Count = 0;
  uint32_t region1Count = 0;
  bool preflag = false;
  bool scalefacScale = false;
  bool count1TableB = false;
};

// Short blocks throughout (mixed blocks are short above their long part).
inline bool IsShortBlock(const MPEG_GRANULE_CHANNEL& granule) {
  return granule.windowSwitching && granule.blockType == 2;
}

// The first line of Huffman region 1 (region 2 of window-switching granules
// starts past the big values).
int Layer3Region1Start(const MPEG_GRANULE_CHANNEL& granule, int sampleRateSlot);

// Turns one channel's dequantised spectrum (576 lines in coded order) into
// 18 time slots of 32 subband values: reordering of short blocks, alias
// reduction, inverse MDCT with the block's windows, overlap-add with the
// previous granule and frequency inversion. Subbands from `subbands` on are
// silent. `overlap` holds the last block's second halves, time slot by
// subband. `spectrum` is used as scratch.
void HybridSynthesis(float* spectrum, const MPEG_GRANULE_CHANNEL& granule, int sampleRateSlot, int subbands,
                     float (*overlap)[32], float (*slots)[32]);
