#include "jobs/mpeg/mpeg_frame_header.h"

#include <algorithm>

namespace {

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

}  // namespace

bool ReadMpegHeaderFields(const uint8_t* bytes, MPEG_HEADER& header) {
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
  if (!ReadMpegHeaderFields(bytes, h)) return 0;
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
