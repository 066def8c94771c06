#include "jobs/mpeg/mpeg_decoder.h"

#include <algorithm>
#include <memory>

#include "jobs/mpeg/mpeg_decoder_state.h"

namespace {

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

CMpegDecoder::CMpegDecoder() : state_(std::make_unique<MPEG_DECODER_STATE>()) {}

CMpegDecoder::~CMpegDecoder() = default;

bool CMpegDecoder::Init(const MPEG_HEADER& header, int32_t frameLength, int32_t rateReduction, int32_t reserved,
                        uint32_t outputOptions, int32_t frequencyLimit) {
  MPEG_DECODER_STATE& state = *state_;
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

void CMpegDecoder::GetOutputFormat(MPEG_OUTPUT_FORMAT& format) const { format = state_->format; }

bool CMpegDecoder::SelectFloatOutput() {
  MPEG_DECODER_STATE& state = *state_;
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

uint64_t CMpegDecoder::DecodeFrame(const uint8_t* input, size_t available, uint8_t* output, size_t outputCapacity) {
  MPEG_DECODER_STATE& state = *state_;
  if (!state.ready || input == nullptr || output == nullptr || available < 4) return 0;
  if (outputCapacity < static_cast<size_t>(state.frameOutputBytes)) return 0;
  MPEG_HEADER header;
  if (!ReadMpegHeaderFields(input, header) || !IsSameStream(header, state.stream)) return 0;
  const int32_t length = StreamFrameLength(state, header);
  if (length <= 0 || length > kMpegMaxFrameBytes || static_cast<size_t>(length) > available) {
    return 0;
  }
  const int32_t produced = state.decodeFrame(state, header, input, length, output);
  return PackResult(length, produced);
}

namespace {

// The decoder behind the free functions, made on first use and never
// destroyed: a job's worker thread may still be decoding while the process
// runs its exit handlers.
CMpegDecoder& ProcessDecoder() {
  static CMpegDecoder* const decoder = new CMpegDecoder;
  return *decoder;
}

}  // namespace

bool InitDecoder(const MPEG_HEADER& header, int32_t frameLength, int32_t rateReduction, int32_t reserved,
                 uint32_t outputOptions, int32_t frequencyLimit) {
  return ProcessDecoder().Init(header, frameLength, rateReduction, reserved, outputOptions, frequencyLimit);
}

void GetOutputFormat(MPEG_OUTPUT_FORMAT& format) { ProcessDecoder().GetOutputFormat(format); }

uint64_t DecodeFrame(const uint8_t* input, size_t available, uint8_t* output, size_t outputCapacity) {
  return ProcessDecoder().DecodeFrame(input, available, output, outputCapacity);
}
