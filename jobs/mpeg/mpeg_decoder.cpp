#include "jobs/mpeg/mpeg_decoder.h"

#include <algorithm>
#include <cstring>

#include "jobs/mpeg/mpeg_internal.h"

namespace {

MPEG_DECODER_STATE g_decoder;

// Reads the four header bytes, refusing every reserved code: without a
// known layer, version, bit rate and sampling frequency no length can be
// computed and no table applies.
bool ReadHeaderFields(const uint8_t* bytes, MPEG_HEADER& header) {
  if (bytes[0] != 0xFF) return false;
  MPEG_HEADER h;
  if (bytes[1] >= 0xF0) {
    h.versionKind = 1;
    h.id = (bytes[1] >> 3) & 1;
  } else if ((bytes[1] & 0xF0) == 0xE0 && (bytes[1] & 0x08) == 0) {
    // 0xE8..0xEF would be MPEG 2.5 with the ID bit set: the reserved version.
    h.versionKind = 2;
    h.id = 0;
  } else {
    return false;
  }
  h.layerCode = (bytes[1] >> 1) & 3;
  h.protection = bytes[1] & 1;
  h.bitRateIndex = bytes[2] >> 4;
  h.sampleRateIndex = (bytes[2] >> 2) & 3;
  h.padding = (bytes[2] >> 1) & 1;
  h.privateBit = bytes[2] & 1;
  h.mode = bytes[3] >> 6;
  h.modeExtension = (bytes[3] >> 4) & 3;
  h.copyright = (bytes[3] >> 3) & 1;
  h.original = (bytes[3] >> 2) & 1;
  h.emphasis = bytes[3] & 3;
  if (h.layerCode == 0 || h.bitRateIndex == 15 || h.sampleRateIndex == 3) return false;
  header = h;
  return true;
}

// A caller's header record, checked as strictly as one read from bytes.
bool IsValidHeader(const MPEG_HEADER& h) {
  if (h.versionKind == 1) {
    if (h.id != 0 && h.id != 1) return false;
  } else if (h.versionKind == 2) {
    if (h.id != 0) return false;
  } else {
    return false;
  }
  return h.layerCode >= 1 && h.layerCode <= 3 && h.bitRateIndex >= 0 && h.bitRateIndex < 15 && h.sampleRateIndex >= 0 &&
         h.sampleRateIndex < 3 && h.mode >= 0 && h.mode <= 3 && h.modeExtension >= 0 && h.modeExtension <= 3 &&
         (h.padding == 0 || h.padding == 1) && (h.protection == 0 || h.protection == 1);
}

// The next frame of a free-format stream starts with a header of the same
// version, layer, sampling frequency and (free) bit rate; padding and mode
// may differ. Returns its offset, or 0 when none lies within `limit` bytes.
int32_t FindNextFreeFormatHeader(const uint8_t* bytes, size_t limit) {
  for (size_t offset = 4; offset + 4 <= limit; ++offset) {
    if (bytes[offset] == 0xFF && (bytes[offset + 1] & 0xFE) == (bytes[1] & 0xFE) &&
        (bytes[offset + 2] & 0xFC) == (bytes[2] & 0xFC)) {
      return static_cast<int32_t>(offset);
    }
  }
  return 0;
}

bool IsSameStream(const MPEG_HEADER& a, const MPEG_HEADER& b) {
  return a.versionKind == b.versionKind && a.id == b.id && a.layerCode == b.layerCode &&
         a.sampleRateIndex == b.sampleRateIndex && MpegChannelCount(a) == MpegChannelCount(b);
}

// The length of a frame of the current stream, 0 if its bit rate does not fit.
int32_t StreamFrameLength(const MPEG_DECODER_STATE& state, const MPEG_HEADER& header) {
  const bool freeFormat = state.freeFormatLength != 0;
  if ((header.bitRateIndex == 0) != freeFormat) return 0;
  if (freeFormat) return state.freeFormatLength + header.padding * MpegSlotBytes(header);
  return MpegFrameLength(header, MpegBitRateKbps(header));
}

MpegChannelChoice ChooseChannels(const MPEG_HEADER& header, uint32_t outputOptions) {
  if (MpegChannelCount(header) == 1) return MpegChannelChoice::kMono;
  switch (outputOptions & kMpegChannelMask) {
    case kMpegChannelsAverage: return MpegChannelChoice::kAverage;
    case kMpegChannelsLeft: return MpegChannelChoice::kLeft;
    case kMpegChannelsRight: return MpegChannelChoice::kRight;
    default: return MpegChannelChoice::kStereo;
  }
}

uint64_t PackResult(int32_t consumed, int32_t produced) {
  return (uint64_t{static_cast<uint32_t>(produced)} << 32) | static_cast<uint32_t>(consumed);
}

}  // namespace

MPEG_DECODER_STATE& MpegDecoderState() { return g_decoder; }

// The rounded ratio is the highest subband kept, so that a limit at or above
// half the sampling rate keeps the whole band.
int32_t MpegSubbandLimit(int32_t frequencyLimit, int32_t rate, int32_t rateReduction) {
  const int64_t frequency = std::max<int64_t>(frequencyLimit, 1000);
  const int64_t highest = (frequency * 64 + rate / 2) / rate;
  return static_cast<int32_t>(std::min<int64_t>(highest + 1, 32 >> rateReduction));
}

int32_t ParseFrameHeader(const uint8_t* bytes, size_t available, MPEG_HEADER& header, int32_t& bitRate) {
  if (bytes == nullptr || available < 4) return 0;
  MPEG_HEADER h;
  if (!ReadHeaderFields(bytes, h)) return 0;
  int32_t length = 0;
  if (h.bitRateIndex != 0) {
    length = MpegFrameLength(h, MpegBitRateKbps(h));
    bitRate = MpegBitRateKbps(h) * 1000;
  } else {
    length = FindNextFreeFormatHeader(bytes, std::min<size_t>(available, kMpegMaxFrameBytes));
    if (length == 0) return 0;
    bitRate = static_cast<int32_t>(int64_t{length} * 8 * MpegSampleRate(h) / MpegSamplesPerChannel(h));
  }
  header = h;
  return length;
}

bool InitDecoder(const MPEG_HEADER& header, int32_t frameLength, int32_t rateReduction, int32_t reserved,
                 uint32_t outputOptions, int32_t frequencyLimit) {
  MPEG_DECODER_STATE& state = g_decoder;
  state.ready = false;
  if (!IsValidHeader(header)) return false;
  if (frameLength <= 0 || frameLength > kMpegMaxFrameBytes) return false;

  state.stream = header;
  state.freeFormatLength = 0;
  if (header.bitRateIndex == 0) {
    state.freeFormatLength = frameLength - header.padding * MpegSlotBytes(header);
    if (state.freeFormatLength <= 4) return false;
  }
  state.rateReduction = std::clamp(rateReduction, 0, 2);
  state.frequencyLimit = frequencyLimit;
  state.bitsPerSample = (outputOptions & kMpegOutputEightBit) != 0 ? 8 : 16;
  state.channelChoice = ChooseChannels(header, outputOptions);
  ResetSynthesis(state.synthesis);
  state.layer12 = MPEG_LAYER12_STATE{};
  state.layer3 = MPEG_LAYER3_STATE{};

  bool layerReady = false;
  switch (MpegLayer(header)) {
    case 1: layerReady = InitLayer1(state); break;
    case 2: layerReady = InitLayer2(state, frameLength); break;
    default: layerReady = InitLayer3(state); break;
  }
  if (!layerReady) return false;

  const int32_t outputChannels = state.channelChoice == MpegChannelChoice::kStereo ? 2 : 1;
  MPEG_OUTPUT_FORMAT& format = state.format;
  format.channels = outputChannels;
  format.samplesPerFrame = (MpegSamplesPerChannel(header) >> state.rateReduction) * outputChannels;
  format.sampleRate = MpegSampleRate(header) >> state.rateReduction;
  format.bitsPerSample = state.bitsPerSample;
  format.reserved = reserved;
  format.encoding = 0;
  state.frameOutputBytes = format.samplesPerFrame * (state.bitsPerSample / 8);
  state.ready = true;
  return true;
}

void GetOutputFormat(MPEG_OUTPUT_FORMAT& format) { format = g_decoder.format; }

bool MpegSelectFloatOutput() {
  MPEG_DECODER_STATE& state = g_decoder;
  if (!state.ready) return false;
  state.bitsPerSample = kMpegFloatSampleBits;
  if (MpegLayer(state.stream) == 3) {
    const int outputChannels = state.channelChoice == MpegChannelChoice::kStereo ? 2 : 1;
    state.output = SelectLayer3Window(state.bitsPerSample, state.rateReduction, outputChannels);
  } else {
    state.output = SelectLayer12Output(state.bitsPerSample, state.rateReduction, state.channelChoice);
  }
  state.format.bitsPerSample = state.bitsPerSample;
  state.frameOutputBytes = state.format.samplesPerFrame * (state.bitsPerSample / 8);
  return true;
}

uint64_t DecodeFrame(const uint8_t* input, size_t available, uint8_t* output, size_t outputCapacity) {
  MPEG_DECODER_STATE& state = g_decoder;
  if (!state.ready || input == nullptr || output == nullptr || available < 4) return 0;
  if (outputCapacity < static_cast<size_t>(state.frameOutputBytes)) return 0;
  MPEG_HEADER header;
  if (!ReadHeaderFields(input, header) || !IsSameStream(header, state.stream)) return 0;
  const int32_t length = StreamFrameLength(state, header);
  if (length <= 0 || length > kMpegMaxFrameBytes || static_cast<size_t>(length) > available) {
    return 0;
  }
  const int32_t produced = state.decodeFrame(state, header, input, length, output);
  return PackResult(length, produced);
}
