// Layers I and II: bit allocation, scale factors and the requantisation of
// subband samples (ISO/IEC 11172-3 clauses 2.4.3.2 and 2.4.3.3), feeding the
// synthesis routine chosen at initialisation.
#include <algorithm>
#include <cstring>

#include "jobs/mpeg/mpeg_bit_reader.h"
#include "jobs/mpeg/mpeg_decoder_state.h"

namespace {

constexpr int kSubbands = 32;

// The stereo bound: subbands from here on carry one set of samples for both
// channels (intensity stereo). Equal to `subbands` when there is none.
int StereoBound(const MPEG_HEADER& header, int subbands) {
  if (header.mode != 1) return subbands;
  return std::min(4 * (header.modeExtension + 1), subbands);
}

MpegBitReader OpenFrame(const MPEG_HEADER& header, const uint8_t* frame, int32_t frameLength) {
  MpegBitReader reader(frame, static_cast<size_t>(frameLength));
  reader.Skip(32);
  if (header.protection == 0) reader.Skip(16);  // CRC, not checked
  return reader;
}

// A code `value` of a quantiser with `levels` levels (odd) to a fraction of
// the scale factor: (2 value - (levels - 1)) / levels.
inline float Requantise(uint32_t value, int32_t levels, float scaleOverLevels) {
  return static_cast<float>(2 * static_cast<int32_t>(value) - (levels - 1)) * scaleOverLevels;
}

uint8_t* SynthesizeSlots(MPEG_DECODER_STATE& state, int slots, uint8_t* out) {
  const float(*samples)[12][32] = state.layer12.samples;
  for (int slot = 0; slot < slots; ++slot) {
    out = state.output(state.synthesis, samples[0][slot], samples[1][slot], out);
  }
  return out;
}

int32_t ProducedBytes(const MPEG_DECODER_STATE& state, int slots) {
  return slots * (kSubbands >> state.rateReduction) * state.format.channels * (state.bitsPerSample / 8);
}

// Silence through the filter bank, so that what is still in its history
// fades out as it would.
int32_t SynthesizeSilence(MPEG_DECODER_STATE& state, int slots, uint8_t* out) {
  static const float kSilence[kSubbands] = {};
  for (int slot = 0; slot < slots; ++slot) out = state.output(state.synthesis, kSilence, kSilence, out);
  return ProducedBytes(state, slots);
}

// ---- Layer I ----

struct LAYER1_SUBBAND {
  int32_t bits[2];  // bits per sample, 0 when not transmitted
  float factor[2];  // scale factor over the number of levels
};

// Code 15 is forbidden; a damaged frame gets no samples there.
int32_t Layer1SampleBits(uint32_t code) { return (code == 0 || code == 15) ? 0 : static_cast<int32_t>(code) + 1; }

void ReadLayer1Allocation(MpegBitReader& reader, int channels, int bound, LAYER1_SUBBAND* subbands) {
  for (int sb = 0; sb < kSubbands; ++sb) {
    if (sb < bound) {
      for (int ch = 0; ch < channels; ++ch) subbands[sb].bits[ch] = Layer1SampleBits(reader.Read(4));
    } else {
      subbands[sb].bits[0] = subbands[sb].bits[1] = Layer1SampleBits(reader.Read(4));
    }
  }
}

}  // namespace

bool InitLayer1(MPEG_DECODER_STATE& state) {
  state.decodeFrame = &DecodeLayer1Frame;
  state.output = SelectLayer12Output(state.bitsPerSample, state.rateReduction, state.channelChoice);
  state.layer12.subbandLimit = kSubbands;
  return true;
}

int32_t DecodeLayer1Frame(MPEG_DECODER_STATE& state, const MPEG_HEADER& header, const uint8_t* frame,
                          int32_t frameLength, uint8_t* out) {
  MpegBitReader reader = OpenFrame(header, frame, frameLength);
  const int channels = MpegChannelCount(header);
  const int bound = StereoBound(header, kSubbands);
  LAYER1_SUBBAND subbands[kSubbands] = {};
  ReadLayer1Allocation(reader, channels, bound, subbands);
  for (int sb = 0; sb < kSubbands; ++sb) {
    for (int ch = 0; ch < channels; ++ch) {
      const int32_t bits = subbands[sb].bits[ch];
      if (bits == 0) continue;
      const int32_t levels = (1 << bits) - 1;
      subbands[sb].factor[ch] = kLayer12ScaleFactors[reader.Read(6)] / static_cast<float>(levels);
    }
  }
  float(*samples)[12][32] = state.layer12.samples;
  for (int slot = 0; slot < 12; ++slot) {
    for (int sb = 0; sb < kSubbands; ++sb) {
      uint32_t shared = 0;
      for (int ch = 0; ch < channels; ++ch) {
        const int32_t bits = subbands[sb].bits[ch];
        if (bits == 0) {
          samples[ch][slot][sb] = 0.0f;
          continue;
        }
        // Above the bound both channels share one sample, each with its own scale.
        const uint32_t value = (ch == 1 && sb >= bound) ? shared : reader.Read(bits);
        shared = value;
        samples[ch][slot][sb] = Requantise(value, (1 << bits) - 1, subbands[sb].factor[ch]);
      }
    }
  }
  SynthesizeSlots(state, 12, out);
  return ProducedBytes(state, 12);
}

// ---- Layer II ----

const LAYER2_ALLOCATION_TABLE* SelectLayer2Table(const MPEG_HEADER& header, int32_t kbps, bool freeFormat) {
  if (header.id == 0) return &kLayer2TableLsf;
  const int32_t perChannel = kbps / MpegChannelCount(header);
  const int32_t rate = MpegSampleRate(header);
  if (freeFormat) {
    // No coded rate to check: take the table of the nearest legal rate.
    if (perChannel <= 48) return rate == 32000 ? &kLayer2TableD : &kLayer2TableC;
    if (perChannel <= 80) return &kLayer2TableA;
    return rate == 48000 ? &kLayer2TableA : &kLayer2TableB;
  }
  switch (perChannel) {
    case 32:
    case 48: return rate == 32000 ? &kLayer2TableD : &kLayer2TableC;
    case 56:
    case 64:
    case 80: return &kLayer2TableA;
    case 96:
    case 112:
    case 128:
    case 160:
    case 192: return rate == 48000 ? &kLayer2TableA : &kLayer2TableB;
    default: return nullptr;
  }
}

namespace {

int32_t FrameKbps(const MPEG_HEADER& header, int32_t frameLength) {
  if (header.bitRateIndex != 0) return MpegBitRateKbps(header);
  return static_cast<int32_t>(int64_t{frameLength} * MpegSampleRate(header) / 144000);
}

struct LAYER2_SUBBAND {
  const LAYER2_QUANT_CLASS* quant[2];  // nullptr when not transmitted
  uint32_t scaleIndex[2][3];           // one per third of the frame
};

void ReadLayer2Allocation(MpegBitReader& reader, const LAYER2_ALLOCATION_TABLE& table, int channels, int bound,
                          LAYER2_SUBBAND* subbands) {
  for (int sb = 0; sb < table.subbands; ++sb) {
    const LAYER2_ALLOCATION_ROW& row = *table.rows[sb];
    for (int ch = 0; ch < channels; ++ch) {
      if (ch == 1 && sb >= bound) {
        subbands[sb].quant[1] = subbands[sb].quant[0];
        continue;
      }
      const uint32_t code = reader.Read(row.allocationBits);
      subbands[sb].quant[ch] = code == 0 ? nullptr : &kLayer2QuantClasses[row.classes[code - 1]];
    }
  }
}

void ReadLayer2ScaleFactors(MpegBitReader& reader, int subbandCount, int channels, LAYER2_SUBBAND* subbands) {
  uint32_t selection[32][2] = {};
  for (int sb = 0; sb < subbandCount; ++sb) {
    for (int ch = 0; ch < channels; ++ch) {
      if (subbands[sb].quant[ch] != nullptr) selection[sb][ch] = reader.Read(2);
    }
  }
  for (int sb = 0; sb < subbandCount; ++sb) {
    for (int ch = 0; ch < channels; ++ch) {
      if (subbands[sb].quant[ch] == nullptr) continue;
      uint32_t* scale = subbands[sb].scaleIndex[ch];
      switch (selection[sb][ch]) {
        case 0:
          scale[0] = reader.Read(6);
          scale[1] = reader.Read(6);
          scale[2] = reader.Read(6);
          break;
        case 1:
          scale[0] = scale[1] = reader.Read(6);
          scale[2] = reader.Read(6);
          break;
        case 2: scale[0] = scale[1] = scale[2] = reader.Read(6); break;
        default:
          scale[0] = reader.Read(6);
          scale[1] = scale[2] = reader.Read(6);
          break;
      }
    }
  }
}

// Three consecutive sample codes of one subband and channel.
void ReadTriple(MpegBitReader& reader, const LAYER2_QUANT_CLASS& quant, uint32_t* values) {
  if (!quant.grouped) {
    for (int i = 0; i < 3; ++i) values[i] = reader.Read(quant.bits);
    return;
  }
  uint32_t code = reader.Read(quant.bits);
  const uint32_t levels = static_cast<uint32_t>(quant.levels);
  values[0] = code % levels;
  code /= levels;
  values[1] = code % levels;
  // A damaged code word can exceed levels^3 - 1; keep the last value in range.
  values[2] = std::min(code / levels, levels - 1);
}

void ReadLayer2Granule(MpegBitReader& reader, const LAYER2_ALLOCATION_TABLE& table, int channels, int bound, int limit,
                       int part, const LAYER2_SUBBAND* subbands, float (*samples)[12][32]) {
  for (int sb = 0; sb < table.subbands; ++sb) {
    uint32_t values[2][3] = {};
    for (int ch = 0; ch < channels; ++ch) {
      const LAYER2_QUANT_CLASS* quant = subbands[sb].quant[ch];
      if (quant == nullptr) continue;
      if (ch == 1 && sb >= bound) {
        std::memcpy(values[1], values[0], sizeof(values[1]));
      } else {
        ReadTriple(reader, *quant, values[ch]);
      }
    }
    for (int ch = 0; ch < channels; ++ch) {
      const LAYER2_QUANT_CLASS* quant = subbands[sb].quant[ch];
      if (quant == nullptr || sb >= limit) {
        for (int i = 0; i < 3; ++i) samples[ch][i][sb] = 0.0f;
        continue;
      }
      const float factor = kLayer12ScaleFactors[subbands[sb].scaleIndex[ch][part]] / static_cast<float>(quant->levels);
      for (int i = 0; i < 3; ++i) samples[ch][i][sb] = Requantise(values[ch][i], quant->levels, factor);
    }
  }
  for (int ch = 0; ch < channels; ++ch) {
    for (int i = 0; i < 3; ++i) {
      for (int sb = table.subbands; sb < kSubbands; ++sb) samples[ch][i][sb] = 0.0f;
    }
  }
}

}  // namespace

bool InitLayer2(MPEG_DECODER_STATE& state, int32_t frameLength) {
  const MPEG_HEADER& header = state.stream;
  const LAYER2_ALLOCATION_TABLE* table =
      SelectLayer2Table(header, FrameKbps(header, frameLength), header.bitRateIndex == 0);
  if (table == nullptr) return false;
  state.decodeFrame = &DecodeLayer2Frame;
  state.output = SelectLayer12Output(state.bitsPerSample, state.rateReduction, state.channelChoice);
  // Capped by each frame's own table: the bit rate, and with it the table,
  // may change from frame to frame.
  state.layer12.subbandLimit = MpegSubbandLimit(state.frequencyLimit, MpegSampleRate(header), state.rateReduction);
  return true;
}

int32_t DecodeLayer2Frame(MPEG_DECODER_STATE& state, const MPEG_HEADER& header, const uint8_t* frame,
                          int32_t frameLength, uint8_t* out) {
  const LAYER2_ALLOCATION_TABLE* table =
      SelectLayer2Table(header, FrameKbps(header, frameLength), header.bitRateIndex == 0);
  // A frame whose rate and mode have no table cannot be read; it still
  // occupies its place in time.
  if (table == nullptr) return SynthesizeSilence(state, 36, out);

  MpegBitReader reader = OpenFrame(header, frame, frameLength);
  const int channels = MpegChannelCount(header);
  const int bound = StereoBound(header, table->subbands);
  LAYER2_SUBBAND subbands[kSubbands] = {};
  ReadLayer2Allocation(reader, *table, channels, bound, subbands);
  ReadLayer2ScaleFactors(reader, table->subbands, channels, subbands);

  const int limit = std::min(state.layer12.subbandLimit, table->subbands);
  uint8_t* next = out;
  for (int granule = 0; granule < 12; ++granule) {
    ReadLayer2Granule(reader, *table, channels, bound, limit, granule / 4, subbands, state.layer12.samples);
    next = SynthesizeSlots(state, 3, next);
  }
  return ProducedBytes(state, 36);
}
