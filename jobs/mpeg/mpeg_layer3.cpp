// Layer III: side information, the bit reservoir, scale factors, Huffman
// decoding, requantisation and stereo processing (ISO/IEC 11172-3 2.4.3.4,
// with the lower sampling frequencies of ISO/IEC 13818-3), then the hybrid
// filter and the synthesis routine chosen at initialisation.
#include "jobs/mpeg/mpeg_layer3.h"

#include <algorithm>
#include <cstring>

#include "jobs/mpeg/mpeg_bit_reader.h"
#include "jobs/mpeg/mpeg_const_math.h"
#include "jobs/mpeg/mpeg_decoder_state.h"
#include "jobs/mpeg/mpeg_huffman.h"

namespace {

constexpr int kLines = 576;

struct SIDE_INFO {
  uint32_t mainDataBegin = 0;
  bool scfsi[2][4] = {};
  MPEG_GRANULE_CHANNEL granule[2][2];
};

// Scale factors of one granule and channel. For the intensity-coded right
// channel they are intensity positions, and `longLimit`/`shortLimit` hold the
// value that marks a position as not intensity-coded.
struct SCALE_FACTORS {
  uint8_t longBands[22] = {};
  uint8_t shortBands[13][3] = {};
  uint8_t longLimit[22] = {};
  uint8_t shortLimit[13] = {};
};

// ---- Side information ----

void ReadGranuleChannel(MpegBitReader& reader, bool lowerFrequencies, MPEG_GRANULE_CHANNEL& g) {
  g.part23Length = reader.Read(12);
  g.bigValues = std::min<uint32_t>(reader.Read(9), kLines / 2);
  g.globalGain = reader.Read(8);
  g.scalefacCompress = reader.Read(lowerFrequencies ? 9 : 4);
  g.windowSwitching = reader.ReadFlag();
  if (g.windowSwitching) {
    // Block type 0 with window switching is illegal; it decodes as a normal
    // long block with the window-switching regions.
    g.blockType = reader.Read(2);
    g.mixedBlock = reader.ReadFlag();
    g.tableSelect[0] = reader.Read(5);
    g.tableSelect[1] = reader.Read(5);
    g.tableSelect[2] = 0;
    for (uint32_t& gain : g.subblockGain) gain = reader.Read(3);
    g.region0Count = (g.blockType == 2 && !g.mixedBlock) ? 8 : 7;
    g.region1Count = 36;  // the rest of the big values
  } else {
    g.blockType = 0;
    g.mixedBlock = false;
    for (uint32_t& table : g.tableSelect) table = reader.Read(5);
    g.region0Count = reader.Read(4);
    g.region1Count = reader.Read(3);
  }
  g.preflag = lowerFrequencies ? false : reader.ReadFlag();
  g.scalefacScale = reader.ReadFlag();
  g.count1TableB = reader.ReadFlag();
}

void ReadSideInfo(MpegBitReader& reader, bool lowerFrequencies, int channels, SIDE_INFO& info) {
  if (lowerFrequencies) {
    info.mainDataBegin = reader.Read(8);
    reader.Skip(channels == 1 ? 1 : 2);  // private bits
    for (int ch = 0; ch < channels; ++ch) ReadGranuleChannel(reader, true, info.granule[0][ch]);
    return;
  }
  info.mainDataBegin = reader.Read(9);
  reader.Skip(channels == 1 ? 5 : 3);
  for (int ch = 0; ch < channels; ++ch) {
    for (bool& share : info.scfsi[ch]) share = reader.ReadFlag();
  }
  for (int gr = 0; gr < 2; ++gr) {
    for (int ch = 0; ch < channels; ++ch) ReadGranuleChannel(reader, false, info.granule[gr][ch]);
  }
}

// ---- Scale factors ----

void ReadScaleFactorsMpeg1(MpegBitReader& reader, const MPEG_GRANULE_CHANNEL& g, const bool* scfsi, int granule,
                           SCALE_FACTORS& sf) {
  const int slen1 = kScaleFactorWidths[0][g.scalefacCompress & 15];
  const int slen2 = kScaleFactorWidths[1][g.scalefacCompress & 15];
  std::fill(std::begin(sf.longLimit), std::end(sf.longLimit), uint8_t{7});
  std::fill(std::begin(sf.shortLimit), std::end(sf.shortLimit), uint8_t{7});
  if (IsShortBlock(g)) {
    int firstShort = 0;
    if (g.mixedBlock) {
      for (int band = 0; band < 8; ++band) sf.longBands[band] = static_cast<uint8_t>(reader.Read(slen1));
      firstShort = 3;
    }
    for (int band = firstShort; band < 12; ++band) {
      for (int w = 0; w < 3; ++w) {
        sf.shortBands[band][w] = static_cast<uint8_t>(reader.Read(band < 6 ? slen1 : slen2));
      }
    }
    for (int w = 0; w < 3; ++w) sf.shortBands[12][w] = 0;
    return;
  }
  // Granule 1 may share a group of bands with granule 0 (scfsi).
  static constexpr int kGroupStart[5] = {0, 6, 11, 16, 21};
  for (int group = 0; group < 4; ++group) {
    if (granule == 1 && scfsi[group]) continue;
    const int width = group < 2 ? slen1 : slen2;
    for (int band = kGroupStart[group]; band < kGroupStart[group + 1]; ++band) {
      sf.longBands[band] = static_cast<uint8_t>(reader.Read(width));
    }
  }
  sf.longBands[21] = 0;
}

// The lower frequencies code scale-factor widths and partition sizes in
// scalefac_compress, differently for the intensity-coded right channel.
void ReadScaleFactorsLsf(MpegBitReader& reader, MPEG_GRANULE_CHANNEL& g, bool intensityRight, SCALE_FACTORS& sf) {
  int widths[4] = {};
  int row = 0;
  const uint32_t compress = g.scalefacCompress;
  if (intensityRight) {
    const uint32_t half = compress >> 1;
    if (half < 180) {
      widths[0] = static_cast<int>(half / 36);
      widths[1] = static_cast<int>((half % 36) / 6);
      widths[2] = static_cast<int>(half % 6);
      row = 3;
    } else if (half < 244) {
      const uint32_t x = half - 180;
      widths[0] = static_cast<int>((x & 63) >> 4);
      widths[1] = static_cast<int>((x & 15) >> 2);
      widths[2] = static_cast<int>(x & 3);
      row = 4;
    } else {
      const uint32_t x = half - 244;
      widths[0] = static_cast<int>(x / 3);
      widths[1] = static_cast<int>(x % 3);
      row = 5;
    }
    g.preflag = false;
  } else if (compress < 400) {
    widths[0] = static_cast<int>((compress >> 4) / 5);
    widths[1] = static_cast<int>((compress >> 4) % 5);
    widths[2] = static_cast<int>((compress & 15) >> 2);
    widths[3] = static_cast<int>(compress & 3);
    row = 0;
    g.preflag = false;
  } else if (compress < 500) {
    const uint32_t x = compress - 400;
    widths[0] = static_cast<int>((x >> 2) / 5);
    widths[1] = static_cast<int>((x >> 2) % 5);
    widths[2] = static_cast<int>(x & 3);
    row = 1;
    g.preflag = false;
  } else {
    const uint32_t x = compress - 500;
    widths[0] = static_cast<int>(x / 3);
    widths[1] = static_cast<int>(x % 3);
    row = 2;
    g.preflag = true;
  }
  const int kind = IsShortBlock(g) ? (g.mixedBlock ? 2 : 1) : 0;
  const uint8_t* counts = kLsfPartitionCounts[row][kind];

  // Values come in coded order: long bands, or short bands window by window;
  // a mixed block starts with its six long bands.
  int index = 0;
  for (int partition = 0; partition < 4; ++partition) {
    const int width = widths[partition];
    const uint8_t limit = static_cast<uint8_t>((1 << width) - 1);
    for (int i = 0; i < counts[partition]; ++i, ++index) {
      const uint8_t value = static_cast<uint8_t>(reader.Read(width));
      int shortIndex = index;
      if (kind == 0 || (kind == 2 && index < 6)) {
        if (index < 22) {
          sf.longBands[index] = value;
          sf.longLimit[index] = limit;
        }
        continue;
      }
      if (kind == 2) shortIndex = index - 6 + 9;  // short bands from 3 on
      const int band = shortIndex / 3;
      if (band < 13) {
        sf.shortBands[band][shortIndex % 3] = value;
        sf.shortLimit[band] = limit;
      }
    }
  }
}

// ---- Huffman decoding and requantisation ----

}  // namespace

int Layer3Region1Start(const MPEG_GRANULE_CHANNEL& g, int sampleRateSlot) {
  const int16_t* longBands = kLongBandStarts[sampleRateSlot];
  if (!g.windowSwitching) return longBands[std::min<uint32_t>(g.region0Count + 1, 22)];
  // Short blocks switch tables after three short bands. Mixed blocks do at
  // the end of their long part (36 lines) in MPEG-1 and MPEG-2, where long
  // band 8 lies further up at the lower frequencies; MPEG 2.5 has no norm,
  // and established decoders count long bands there.
  constexpr int kFirstMpeg25Slot = 6;
  if (!IsShortBlock(g) || (g.mixedBlock && sampleRateSlot >= kFirstMpeg25Slot)) {
    return longBands[8];
  }
  return g.mixedBlock ? 36 : 3 * kShortBandStarts[sampleRateSlot][3];
}

namespace {

// Decodes the granule's quantised lines; returns the end of the coded lines.
int DecodeSpectrum(MpegBitReader& reader, size_t endBit, const MPEG_GRANULE_CHANNEL& g, int sampleRateSlot,
                   int32_t* quantised) {
  const int16_t* longBands = kLongBandStarts[sampleRateSlot];
  const int bigLines = static_cast<int>(g.bigValues) * 2;
  int region1 = Layer3Region1Start(g, sampleRateSlot);
  int region2 = kLines;
  if (!g.windowSwitching) {
    region2 = longBands[std::min<uint32_t>(g.region0Count + g.region1Count + 2, 22)];
  }
  region1 = std::min(region1, bigLines);
  region2 = std::clamp(region2, region1, bigLines);
  DecodeBigValues(reader, endBit, g.tableSelect[0], quantised, 0, region1);
  DecodeBigValues(reader, endBit, g.tableSelect[1], quantised, region1, region2);
  DecodeBigValues(reader, endBit, g.tableSelect[2], quantised, region2, bigLines);
  return DecodeCount1(reader, endBit, g.count1TableB, quantised, bigLines);
}

// 2^(q/4) for q in [kMinQuarter, kMaxQuarter]; smaller gains are inaudible
// and read 0.
constexpr int kMinQuarter = -420;
constexpr int kMaxQuarter = 63;
constexpr std::array<float, kMaxQuarter - kMinQuarter + 1> kQuarterPowers = [] {
  std::array<float, kMaxQuarter - kMinQuarter + 1> table{};
  const double quarter[4] = {1.0, mpeg_math::Sqrt(mpeg_math::Sqrt(2.0)), mpeg_math::Sqrt(2.0),
                             mpeg_math::Sqrt(mpeg_math::Sqrt(8.0))};
  for (int q = kMinQuarter; q <= kMaxQuarter; ++q) {
    const int whole = q >= 0 ? q / 4 : -((-q + 3) / 4);
    table[q - kMinQuarter] = static_cast<float>(mpeg_math::Exp2(whole) * quarter[q - 4 * whole]);
  }
  return table;
}();

inline float QuarterPower(int q) {
  if (q < kMinQuarter) return 0.0f;
  return kQuarterPowers[std::min(q, kMaxQuarter) - kMinQuarter];
}

inline void RequantiseRange(const int32_t* quantised, float* lines, int begin, int end, float gain) {
  for (int i = begin; i < end; ++i) {
    const int32_t q = quantised[i];
    const int32_t magnitude = std::min(q < 0 ? -q : q, kPow43Size - 1);
    const float value = kPow43[magnitude] * gain;
    lines[i] = q < 0 ? -value : value;
  }
}

void Requantise(const MPEG_GRANULE_CHANNEL& g, const SCALE_FACTORS& sf, int sampleRateSlot, const int32_t* quantised,
                int codedEnd, float* lines) {
  // The bands below cover every line up to codedEnd, except in mixed
  // blocks at 8 kHz, whose long part ends before the first short band.
  const int zeroFrom = g.mixedBlock ? 0 : std::clamp(codedEnd, 0, kLines);
  std::fill(lines + zeroFrom, lines + kLines, 0.0f);
  const int base = static_cast<int>(g.globalGain) - 210;
  const int shift = g.scalefacScale ? 4 : 2;  // scale-factor step in quarter powers
  const int16_t* longBands = kLongBandStarts[sampleRateSlot];
  const int16_t* shortBands = kShortBandStarts[sampleRateSlot];

  int longBandCount = 22;
  int firstShortBand = 13;
  if (IsShortBlock(g)) {
    longBandCount = 0;
    firstShortBand = 0;
    if (g.mixedBlock) {
      while (longBandCount < 22 && longBands[longBandCount + 1] <= 36) ++longBandCount;
      firstShortBand = 3;
    }
  }
  for (int band = 0; band < longBandCount; ++band) {
    const int begin = longBands[band];
    const int end = std::min<int>(longBands[band + 1], codedEnd);
    if (begin >= end) break;
    const int pre = g.preflag ? kPreemphasis[band] : 0;
    const float gain = QuarterPower(base - shift * (sf.longBands[band] + pre));
    RequantiseRange(quantised, lines, begin, end, gain);
  }
  for (int band = firstShortBand; band < 13; ++band) {
    const int width = shortBands[band + 1] - shortBands[band];
    for (int w = 0; w < 3; ++w) {
      const int begin = 3 * shortBands[band] + w * width;
      const int end = std::min(begin + width, codedEnd);
      if (begin >= end) break;
      const float gain = QuarterPower(base - 8 * static_cast<int>(g.subblockGain[w]) - shift * sf.shortBands[band][w]);
      RequantiseRange(quantised, lines, begin, end, gain);
    }
  }
}

// ---- Stereo processing ----

constexpr float kInverseSqrt2 = static_cast<float>(1.0 / mpeg_math::Sqrt(2.0));

void MidSideRange(float* left, float* right, int begin, int end) {
  for (int i = begin; i < end; ++i) {
    const float mid = left[i];
    const float side = right[i];
    left[i] = (mid + side) * kInverseSqrt2;
    right[i] = (mid - side) * kInverseSqrt2;
  }
}

// MPEG-1 intensity: position p splits the left signal by tan(p pi / 12) : 1.
// Encoders use 0..6 (7 marks a band as not intensity-coded), but the four
// bits can say up to 15; the formula holds for those too, except at 9, where
// it has no value and the band is treated as not intensity-coded.
constexpr int kNoMpeg1Ratio = 9;
constexpr std::array<std::array<float, 2>, 16> kIntensityRatios = [] {
  std::array<std::array<float, 2>, 16> table{};
  for (int p = 0; p < 16; ++p) {
    if (p == 7 || p == kNoMpeg1Ratio) continue;
    const double s = mpeg_math::Sin(p * mpeg_math::kPi / 12.0);
    const double c = mpeg_math::Cos(p * mpeg_math::kPi / 12.0);
    table[p] = {static_cast<float>(s / (s + c)), static_cast<float>(c / (s + c))};
  }
  return table;
}();

// Lower frequencies: powers of 2^-1/4 (intensity_scale 0) or 2^-1/2 (1).
constexpr std::array<std::array<float, 32>, 2> kLsfIntensityPowers = [] {
  std::array<std::array<float, 32>, 2> table{};
  const double base[2] = {1.0 / mpeg_math::Sqrt(mpeg_math::Sqrt(2.0)), 1.0 / mpeg_math::Sqrt(2.0)};
  for (int scale = 0; scale < 2; ++scale) {
    double value = 1.0;
    for (int i = 0; i < 32; ++i) {
      table[scale][i] = static_cast<float>(value);
      value *= base[scale];
    }
  }
  return table;
}();

struct STEREO_MODE {
  bool midSide = false;
  bool lowerFrequencies = false;
  int intensityScale = 0;
};

// One band of the intensity region: position `position`, not intensity-coded
// when it equals `limit`.
void IntensityRange(float* left, float* right, int begin, int end, int position, int limit, const STEREO_MODE& mode) {
  if (position == limit || (!mode.lowerFrequencies && position == kNoMpeg1Ratio)) {
    if (mode.midSide) MidSideRange(left, right, begin, end);
    return;
  }
  float leftGain = 1.0f;
  float rightGain = 1.0f;
  if (!mode.lowerFrequencies) {
    const auto& ratio = kIntensityRatios[position & 15];
    leftGain = ratio[0];
    rightGain = ratio[1];
  } else if (position & 1) {
    leftGain = kLsfIntensityPowers[mode.intensityScale][std::min((position + 1) / 2, 31)];
  } else {
    rightGain = kLsfIntensityPowers[mode.intensityScale][std::min(position / 2, 31)];
  }
  for (int i = begin; i < end; ++i) {
    const float value = left[i];
    left[i] = value * leftGain;
    right[i] = value * rightGain;
  }
}

bool AnyNonzero(const float* lines, int begin, int end) {
  for (int i = begin; i < end; ++i) {
    if (lines[i] != 0.0f) return true;
  }
  return false;
}

// Long bands from `firstBand` up to `bandCount`; below it mid/side or plain.
// The last band carries no scale factor and takes the position of the one
// before it.
void IntensityLongBands(float* left, float* right, const SCALE_FACTORS& sf, const int16_t* bands, int bandCount,
                        const STEREO_MODE& mode) {
  int lastCoded = -1;
  for (int line = bands[bandCount] - 1; line >= 0; --line) {
    if (right[line] != 0.0f) {
      lastCoded = line;
      break;
    }
  }
  int firstBand = 0;
  while (firstBand < bandCount && bands[firstBand + 1] <= lastCoded) ++firstBand;
  if (lastCoded >= 0) ++firstBand;
  if (mode.midSide) MidSideRange(left, right, 0, bands[std::min(firstBand, bandCount)]);
  for (int band = firstBand; band < bandCount; ++band) {
    const int source = std::min(band, 20);
    IntensityRange(left, right, bands[band], bands[band + 1], sf.longBands[source], sf.longLimit[source], mode);
  }
}

// Short bands from `firstBand` on, window by window.
void IntensityShortBands(float* left, float* right, const SCALE_FACTORS& sf, const int16_t* bands, int firstBand,
                         bool forceIntensity, const STEREO_MODE& mode) {
  for (int w = 0; w < 3; ++w) {
    int start = firstBand;
    if (!forceIntensity) {
      for (int band = 12; band >= firstBand; --band) {
        const int width = bands[band + 1] - bands[band];
        const int begin = 3 * bands[band] + w * width;
        if (AnyNonzero(right, begin, begin + width)) {
          start = band + 1;
          break;
        }
      }
    }
    for (int band = firstBand; band < 13; ++band) {
      const int width = bands[band + 1] - bands[band];
      const int begin = 3 * bands[band] + w * width;
      if (band < start) {
        if (mode.midSide) MidSideRange(left, right, begin, begin + width);
        continue;
      }
      const int source = std::min(band, 11);
      IntensityRange(left, right, begin, begin + width, sf.shortBands[source][w], sf.shortLimit[source], mode);
    }
  }
}

void ProcessIntensityStereo(float* left, float* right, const MPEG_GRANULE_CHANNEL& g, const SCALE_FACTORS& sf,
                            int sampleRateSlot, const STEREO_MODE& mode) {
  const int16_t* longBands = kLongBandStarts[sampleRateSlot];
  const int16_t* shortBands = kShortBandStarts[sampleRateSlot];
  if (!IsShortBlock(g)) {
    IntensityLongBands(left, right, sf, longBands, 22, mode);
    return;
  }
  if (!g.mixedBlock) {
    IntensityShortBands(left, right, sf, shortBands, 0, false, mode);
    return;
  }
  // Mixed: a coded short part keeps the long part out of intensity coding.
  int longBandCount = 0;
  while (longBandCount < 22 && longBands[longBandCount + 1] <= 36) ++longBandCount;
  const int shortStart = 3 * shortBands[3];
  if (AnyNonzero(right, shortStart, kLines)) {
    if (mode.midSide) MidSideRange(left, right, 0, shortStart);
    IntensityShortBands(left, right, sf, shortBands, 3, false, mode);
  } else {
    IntensityLongBands(left, right, sf, longBands, longBandCount, mode);
    IntensityShortBands(left, right, sf, shortBands, 3, true, mode);
  }
}

// ---- Channel handlers ----

void HybridChannel(MPEG_LAYER3_STATE& l3, const MPEG_GRANULE_CHANNEL* granule, int ch, int slot) {
  HybridSynthesis(l3.spectrum[ch], granule[ch], l3.sampleRateSlot, l3.hybridSubbands, l3.overlap[ch], l3.hybrid[slot]);
}

void HandleMono(MPEG_LAYER3_STATE& l3, const MPEG_GRANULE_CHANNEL* granule) { HybridChannel(l3, granule, 0, 0); }

void HandleStereo(MPEG_LAYER3_STATE& l3, const MPEG_GRANULE_CHANNEL* granule) {
  HybridChannel(l3, granule, 0, 0);
  HybridChannel(l3, granule, 1, 1);
}

void HandleAverage(MPEG_LAYER3_STATE& l3, const MPEG_GRANULE_CHANNEL* granule) {
  HandleStereo(l3, granule);
  for (int t = 0; t < 18; ++t) {
    for (int sb = 0; sb < l3.hybridSubbands; ++sb) {
      l3.hybrid[0][t][sb] = (l3.hybrid[0][t][sb] + l3.hybrid[1][t][sb]) * 0.5f;
    }
  }
}

void HandleLeft(MPEG_LAYER3_STATE& l3, const MPEG_GRANULE_CHANNEL* granule) { HybridChannel(l3, granule, 0, 0); }

void HandleRight(MPEG_LAYER3_STATE& l3, const MPEG_GRANULE_CHANNEL* granule) { HybridChannel(l3, granule, 1, 0); }

MpegLayer3ChannelHandler SelectChannelHandler(MpegChannelChoice choice) {
  switch (choice) {
    case MpegChannelChoice::kStereo: return &HandleStereo;
    case MpegChannelChoice::kAverage: return &HandleAverage;
    case MpegChannelChoice::kLeft: return &HandleLeft;
    case MpegChannelChoice::kRight: return &HandleRight;
    default: return &HandleMono;
  }
}

// ---- Bit reservoir ----

// Keeps what later frames can reach back to, then appends this frame's main
// data. Returns false when main_data_begin reaches further back than the
// bytes held (the start of a stream, or after damage).
bool AppendMainData(MPEG_LAYER3_STATE& l3, const uint8_t* data, int32_t size, uint32_t mainDataBegin, int32_t& start) {
  if (l3.mainDataSize > kMainDataHistory) {
    std::memmove(l3.mainData, l3.mainData + l3.mainDataSize - kMainDataHistory, kMainDataHistory);
    l3.mainDataSize = kMainDataHistory;
  }
  const bool reachable = static_cast<int32_t>(mainDataBegin) <= l3.mainDataSize;
  start = reachable ? l3.mainDataSize - static_cast<int32_t>(mainDataBegin) : 0;
  const int32_t room = kMainDataCapacity - l3.mainDataSize;
  const int32_t copied = std::clamp(size, 0, room);
  std::memcpy(l3.mainData + l3.mainDataSize, data, static_cast<size_t>(copied));
  l3.mainDataSize += copied;
  return reachable;
}

}  // namespace

bool InitLayer3(MPEG_DECODER_STATE& state) {
  const MPEG_HEADER& header = state.stream;
  MPEG_LAYER3_STATE& l3 = state.layer3;
  l3.lowerFrequencies = header.id == 0;
  l3.sampleRateSlot = MpegSampleRateSlot(header);
  l3.hybridSubbands = MpegSubbandLimit(state.frequencyLimit, MpegSampleRate(header), state.rateReduction);
  l3.channelHandler = SelectChannelHandler(state.channelChoice);
  l3.mainDataSize = 0;
  const int outputChannels = state.channelChoice == MpegChannelChoice::kStereo ? 2 : 1;
  state.decodeFrame = &DecodeLayer3Frame;
  state.output = SelectLayer3Window(state.bitsPerSample, state.rateReduction, outputChannels);
  return true;
}

int32_t DecodeLayer3Frame(MPEG_DECODER_STATE& state, const MPEG_HEADER& header, const uint8_t* frame,
                          int32_t frameLength, uint8_t* out) {
  MPEG_LAYER3_STATE& l3 = state.layer3;
  const bool lsf = l3.lowerFrequencies;
  const int channels = MpegChannelCount(header);
  const int granules = lsf ? 1 : 2;
  const int32_t sideInfoStart = 4 + (header.protection == 0 ? 2 : 0);
  const int32_t sideInfoBytes = lsf ? (channels == 1 ? 9 : 17) : (channels == 1 ? 17 : 32);
  const int32_t mainDataStart = sideInfoStart + sideInfoBytes;

  SIDE_INFO info;
  bool haveMainData = false;
  int32_t start = 0;
  if (frameLength >= mainDataStart) {
    MpegBitReader sideReader(frame + sideInfoStart, static_cast<size_t>(sideInfoBytes));
    ReadSideInfo(sideReader, lsf, channels, info);
    haveMainData = AppendMainData(l3, frame + mainDataStart, frameLength - mainDataStart, info.mainDataBegin, start);
  }
  const size_t mainDataSize = haveMainData ? static_cast<size_t>(l3.mainDataSize - start) : 0;
  MpegBitReader reader(l3.mainData + start, mainDataSize);

  STEREO_MODE mode;
  mode.lowerFrequencies = lsf;
  const bool jointStereo = channels == 2 && header.mode == 1;
  const bool intensity = jointStereo && (header.modeExtension & 1) != 0;
  mode.midSide = jointStereo && (header.modeExtension & 2) != 0;

  SCALE_FACTORS scaleFactors[2];
  size_t bitPosition = 0;
  uint8_t* next = out;
  for (int gr = 0; gr < granules; ++gr) {
    MPEG_GRANULE_CHANNEL* granule = info.granule[gr];
    int codedEnd[2] = {0, 0};
    for (int ch = 0; ch < channels; ++ch) {
      MPEG_GRANULE_CHANNEL& g = granule[ch];
      if (!haveMainData) {
        std::fill(l3.spectrum[ch], l3.spectrum[ch] + kLines, 0.0f);
        continue;
      }
      const size_t endBit = std::min(bitPosition + g.part23Length, reader.BitSize());
      reader.Seek(bitPosition);
      if (lsf) {
        ReadScaleFactorsLsf(reader, g, intensity && ch == 1, scaleFactors[ch]);
      } else {
        ReadScaleFactorsMpeg1(reader, g, info.scfsi[ch], gr, scaleFactors[ch]);
      }
      codedEnd[ch] =
          reader.Position() < endBit ? DecodeSpectrum(reader, endBit, g, l3.sampleRateSlot, l3.quantised) : 0;
      Requantise(g, scaleFactors[ch], l3.sampleRateSlot, l3.quantised, codedEnd[ch], l3.spectrum[ch]);
      bitPosition += g.part23Length;
    }
    if (haveMainData && intensity) {
      mode.intensityScale = static_cast<int>(granule[1].scalefacCompress & 1);
      ProcessIntensityStereo(l3.spectrum[0], l3.spectrum[1], granule[1], scaleFactors[1], l3.sampleRateSlot, mode);
    } else if (haveMainData && mode.midSide) {
      MidSideRange(l3.spectrum[0], l3.spectrum[1], 0, std::max(codedEnd[0], codedEnd[1]));
    }
    l3.channelHandler(l3, granule);
    for (int t = 0; t < 18; ++t) {
      next = state.output(state.synthesis, l3.hybrid[0][t], l3.hybrid[1][t], next);
    }
  }
  return static_cast<int32_t>(next - out);
}
