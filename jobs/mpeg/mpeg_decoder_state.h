#pragma once
// The state behind a CMpegDecoder and the seams between the decoder and its
// layers: what each layer initialises and decodes. Private to the decoder;
// callers use mpeg_decoder.h.
#include <cstdint>

#include "jobs/mpeg/mpeg_decoder.h"
#include "jobs/mpeg/mpeg_frame_header.h"
#include "jobs/mpeg/mpeg_synthesis.h"
#include "jobs/mpeg/mpeg_tables.h"

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

// One decoder's state. Init fills it for a stream; DecodeFrame reads the
// stream's fields and advances its history.
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

bool InitLayer1(MPEG_DECODER_STATE& state);
bool InitLayer2(MPEG_DECODER_STATE& state, int32_t frameLength);
bool InitLayer3(MPEG_DECODER_STATE& state);

int32_t DecodeLayer1Frame(MPEG_DECODER_STATE& state, const MPEG_HEADER& header, const uint8_t* frame,
                          int32_t frameLength, uint8_t* out);
int32_t DecodeLayer2Frame(MPEG_DECODER_STATE& state, const MPEG_HEADER& header, const uint8_t* frame,
                          int32_t frameLength, uint8_t* out);
int32_t DecodeLayer3Frame(MPEG_DECODER_STATE& state, const MPEG_HEADER& header, const uint8_t* frame,
                          int32_t frameLength, uint8_t* out);
