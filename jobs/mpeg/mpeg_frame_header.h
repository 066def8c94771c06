#pragma once
// What a frame header says: its fields read from bytes, and the lengths,
// rates and counts they imply. Shared by the decoder and its layers; the
// layers need nothing else of the decoder. Private to the decoder.
#include <cstddef>
#include <cstdint>

#include "jobs/mpeg/mpeg_decoder.h"
#include "jobs/mpeg/mpeg_tables.h"

// Reads the four header bytes at `bytes` (at least four readable) into
// `header`, refusing every reserved code: without a known layer, version,
// bit rate and sampling frequency no length can be computed and no table
// applies. `header` is left alone on failure.
bool ReadMpegHeaderFields(const uint8_t* bytes, MPEG_HEADER& header);

// ---- Derived values (the header's fields are already range-checked) ----

inline int MpegLayer(const MPEG_HEADER& header) { return 4 - header.layerCode; }

inline int MpegChannelCount(const MPEG_HEADER& header) { return header.mode == 3 ? 1 : 2; }

// 0 MPEG-1, 1 MPEG-2 lower sampling frequencies, 2 MPEG 2.5.
inline int MpegFamily(const MPEG_HEADER& header) { return header.versionKind == 2 ? 2 : (header.id != 0 ? 0 : 1); }

// Index 0..8 into the per-frequency Layer III tables.
inline int MpegSampleRateSlot(const MPEG_HEADER& header) { return MpegFamily(header) * 3 + header.sampleRateIndex; }

inline int32_t MpegSampleRate(const MPEG_HEADER& header) {
  return kMpegSampleRates[MpegFamily(header)][header.sampleRateIndex];
}

inline int32_t MpegSamplesPerChannel(const MPEG_HEADER& header) {
  switch (MpegLayer(header)) {
    case 1: return 384;
    case 2: return 1152;
    default: return header.id != 0 ? 1152 : 576;
  }
}

// Padding adds one slot: four bytes in Layer I, one byte otherwise.
inline int32_t MpegSlotBytes(const MPEG_HEADER& header) { return MpegLayer(header) == 1 ? 4 : 1; }

inline int32_t MpegBitRateKbps(const MPEG_HEADER& header) {
  return kMpegBitRates[header.id][MpegLayer(header) - 1][header.bitRateIndex];
}

// Frame length in bytes at `kbps` (a coded bit rate, not free format).
inline int32_t MpegFrameLength(const MPEG_HEADER& header, int32_t kbps) {
  const int64_t rate = MpegSampleRate(header);
  const int64_t bitsPerSecond = int64_t{kbps} * 1000;
  const int64_t bytesPerSlotTime = MpegSamplesPerChannel(header) / 8;  // bytes per bit/s per Hz
  const int64_t slots = bitsPerSecond * bytesPerSlotTime / rate / MpegSlotBytes(header);
  return static_cast<int32_t>((slots + header.padding) * MpegSlotBytes(header));
}

// How many subbands to decode for `frequencyLimit` Hz (at least 1000) at
// sampling rate `rate`: up to the subband the limit rounds to, never more
// than the synthesis at this rate reduction uses.
int32_t MpegSubbandLimit(int32_t frequencyLimit, int32_t rate, int32_t rateReduction);
