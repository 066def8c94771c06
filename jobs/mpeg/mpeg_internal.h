#pragma once
// The decoder's state and the seams between its parts: header helpers, the
// layer decoders and their initialisation. Not for callers outside the
// decoder (they use mpeg_decoder.h); tests reach in here.
#include <cstdint>

#include "jobs/mpeg/mpeg_decoder.h"
#include "jobs/mpeg/mpeg_synthesis.h"
#include "jobs/mpeg/mpeg_tables.h"

// ---- Header helpers (the header's fields are already range-checked) ----

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

// ---- Layer I and II ----

struct MPEG_LAYER12_STATE {
  int32_t subbandLimit = 32;  // subbands dequantised; the rest are read and dropped
  float samples[2][12][32];   // one block of slots per channel
};

// The Layer II allocation table for a frame, or nullptr when the bit rate and
// mode have none. `kbps` is the frame's total bit rate (for free format, the
// rate its length implies).
const LAYER2_ALLOCATION_TABLE* SelectLayer2Table(const MPEG_HEADER& header, int32_t kbps, bool freeFormat);

// ---- Layer III ----

inline constexpr int32_t kMainDataHistory = 511;  // the farthest main_data_begin reaches back
inline constexpr int32_t kMainDataCapacity = kMainDataHistory + kMpegMaxFrameBytes;

struct MPEG_LAYER3_STATE;
struct MPEG_GRANULE_CHANNEL;

// Runs the hybrid filter on the channels the output needs and leaves the
// output channels' subband values in hybrid[0] (and hybrid[1] for two).
using MpegLayer3ChannelHandler = void (*)(MPEG_LAYER3_STATE& layer3, const MPEG_GRANULE_CHANNEL* granule);

struct MPEG_LAYER3_STATE {
  bool lowerFrequencies = false;  // side information and scale factors of MPEG-2 / 2.5
  int32_t sampleRateSlot = 0;
  int32_t hybridSubbands = 32;  // subbands the hybrid filter computes
  MpegLayer3ChannelHandler channelHandler = nullptr;
  int32_t mainDataSize = 0;  // bytes held in mainData
  uint8_t mainData[kMainDataCapacity];
  float overlap[2][18][32];  // second halves of the last inverse transforms, slot by subband
  int32_t quantised[576];
  float spectrum[2][576];
  float hybrid[2][18][32];  // per channel, time slot by subband
};

// ---- The decoder ----

struct MPEG_DECODER_STATE;
using MpegFrameDecoder = int32_t (*)(MPEG_DECODER_STATE& state, const MPEG_HEADER& header, const uint8_t* frame,
                                     int32_t frameLength, uint8_t* out);

// The one decoder of the process. InitDecoder fills it for a stream;
// DecodeFrame reads the stream's fields and advances its history.
struct MPEG_DECODER_STATE {
  bool ready = false;
  MPEG_HEADER stream;            // first header: later frames must agree with it
  int32_t freeFormatLength = 0;  // unpadded frame length of a free-format stream, else 0
  int32_t rateReduction = 0;
  int32_t frequencyLimit = 0;
  int32_t bitsPerSample = 16;
  MpegChannelChoice channelChoice = MpegChannelChoice::kMono;
  int32_t frameOutputBytes = 0;
  MPEG_OUTPUT_FORMAT format;
  MpegFrameDecoder decodeFrame = nullptr;  // by layer
  MpegSlotRoutine output = nullptr;        // Layers I/II: one of 30; Layer III: one of 12
  MPEG_SYNTHESIS synthesis;
  MPEG_LAYER12_STATE layer12;
  MPEG_LAYER3_STATE layer3;
};

MPEG_DECODER_STATE& MpegDecoderState();

// Test hook, after a successful InitDecoder: DecodeFrame then writes the
// window sums unconverted, as 32-bit floats in 16-bit units (32768 = full
// scale), so output needs up to kMpegMaxFloatFrameOutputBytes. The format
// reports 32 bits per sample. Returns false when no stream is initialised.
bool MpegSelectFloatOutput();
inline constexpr int32_t kMpegMaxFloatFrameOutputBytes = 1152 * 2 * 4;

bool InitLayer1(MPEG_DECODER_STATE& state);
bool InitLayer2(MPEG_DECODER_STATE& state, int32_t frameLength);
bool InitLayer3(MPEG_DECODER_STATE& state);

int32_t DecodeLayer1Frame(MPEG_DECODER_STATE& state, const MPEG_HEADER& header, const uint8_t* frame,
                          int32_t frameLength, uint8_t* out);
int32_t DecodeLayer2Frame(MPEG_DECODER_STATE& state, const MPEG_HEADER& header, const uint8_t* frame,
                          int32_t frameLength, uint8_t* out);
int32_t DecodeLayer3Frame(MPEG_DECODER_STATE& state, const MPEG_HEADER& header, const uint8_t* frame,
                          int32_t frameLength, uint8_t* out);
