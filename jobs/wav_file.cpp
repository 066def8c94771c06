#include "jobs/wav_file.h"

#include <algorithm>
#include <cstring>

#include "resources/strings.h"

namespace {

void Put16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

uint32_t Get16(const uint8_t* p) { return p[0] | static_cast<uint32_t>(p[1]) << 8; }

uint32_t Get32(const uint8_t* p) {
  return p[0] | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

void BuildHeader(uint8_t* h, uint16_t formatTag, uint32_t channels, uint32_t rate, uint32_t bytesPerSecond,
                 uint32_t blockAlign, uint32_t bits, uint32_t dataSize) {
  std::memcpy(h, "RIFF", 4);
  Put32(h + 4, dataSize + 36);
  std::memcpy(h + 8, "WAVEfmt ", 8);
  Put32(h + 16, 16);
  Put16(h + 20, formatTag);
  Put16(h + 22, channels);
  Put32(h + 24, rate);
  Put32(h + 28, bytesPerSecond);
  Put16(h + 32, blockAlign);
  Put16(h + 34, bits);
  std::memcpy(h + 36, "data", 4);
  Put32(h + 40, dataSize);
}

}  // namespace

void BuildCdAudioHeader(uint32_t dataSize, uint8_t header[kWavHeaderBytes]) {
  BuildHeader(header, 1, 2, 44100, 176400, 4, 16, dataSize);
}

bool WriteCdAudioHeader(CFile& file, uint32_t dataSize) {
  uint8_t header[kWavHeaderBytes];
  BuildCdAudioHeader(dataSize, header);
  return file.Seek(0) && file.Write(header, kWavHeaderBytes) == kWavHeaderBytes;
}

CDecoderWavHeader::CDecoderWavHeader() { BuildHeader(header_, 1, 1, 22050, 44100, 2, 16, 0); }

bool CDecoderWavHeader::Write(CFile& file, uint32_t rate, uint32_t channels, uint32_t bits, int encoding) {
  uint16_t formatTag = encoding == 0 ? 1 : encoding == 10 ? 7 : 0;
  if (formatTag == 0) return false;
  BuildHeader(header_, formatTag, channels, rate, (rate * channels * bits + 7) / 8, (channels * bits + 7) / 8, bits, 0);
  return file.Write(header_, kWavHeaderBytes) == kWavHeaderBytes;
}

bool CDecoderWavHeader::Finish(CFile& file, uint32_t dataBytes) {
  Put32(header_ + 4, dataBytes + 36);
  Put32(header_ + 40, dataBytes);
  int64_t end = file.Position();
  bool written = file.Seek(0) && file.Write(header_, kWavHeaderBytes) == kWavHeaderBytes;
  file.Seek(end);
  return written;
}

namespace {

// KSDATAFORMAT_SUBTYPE_PCM as it lies in the file.
constexpr uint8_t kPcmSubformat[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                       0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatExtensible = 0xFFFE;
constexpr size_t kFormatBytes = 16;
constexpr size_t kExtensibleFormatBytes = 40;

bool SameTag(const uint8_t* p, const char* tag) { return std::memcmp(p, tag, 4) == 0; }

// The fields of a "fmt " chunk of size bytes at offset.
WaveLayout ReadFormat(const WaveByteReader& read, int64_t offset, uint32_t size, int64_t fileSize, WAVE_INPUT& input) {
  if (size < kFormatBytes) return WaveLayout::NotWave;
  size_t wanted = std::min<size_t>(size, kExtensibleFormatBytes);
  if (offset + static_cast<int64_t>(wanted) > fileSize) return WaveLayout::NotWave;
  uint8_t format[kExtensibleFormatBytes];
  if (read(offset, format, wanted) != wanted) return WaveLayout::ReadFailed;
  uint16_t tag = static_cast<uint16_t>(Get16(format));
  input.channels = static_cast<uint16_t>(Get16(format + 2));
  input.rate = Get32(format + 4);
  input.bits = static_cast<uint16_t>(Get16(format + 14));
  input.pcm = tag == kFormatPcm || (tag == kFormatExtensible && wanted == kExtensibleFormatBytes &&
                                    std::memcmp(format + 24, kPcmSubformat, sizeof(kPcmSubformat)) == 0);
  return WaveLayout::Found;
}

}  // namespace

WaveLayout FindWaveLayout(const WaveByteReader& read, int64_t fileSize, WAVE_INPUT& input) {
  input = WAVE_INPUT();
  uint8_t riff[12];
  if (fileSize < static_cast<int64_t>(sizeof(riff))) return WaveLayout::NotWave;
  if (read(0, riff, sizeof(riff)) != sizeof(riff)) return WaveLayout::ReadFailed;
  if (!SameTag(riff, "RIFF") || !SameTag(riff + 8, "WAVE")) return WaveLayout::NotWave;
  bool haveFormat = false;
  int64_t offset = sizeof(riff);
  for (size_t chunk = 0; chunk < kMaxWaveChunks && offset + 8 <= fileSize; ++chunk) {
    uint8_t head[8];
    if (read(offset, head, sizeof(head)) != sizeof(head)) return WaveLayout::ReadFailed;
    uint32_t size = Get32(head + 4);
    int64_t body = offset + 8;
    if (SameTag(head, "data")) {
      if (!haveFormat) return WaveLayout::NotWave;
      input.dataOffset = body;
      input.dataBytes = static_cast<uint32_t>(std::min<int64_t>(size, fileSize - body));
      return WaveLayout::Found;
    }
    if (SameTag(head, "fmt ") && !haveFormat) {
      WaveLayout format = ReadFormat(read, body, size, fileSize, input);
      if (format != WaveLayout::Found) return format;
      haveFormat = true;
    }
    offset = body + size + (size & 1);  // chunks keep to even offsets
  }
  return WaveLayout::NotWave;
}

bool WaveFormatAccepted(const WAVE_INPUT& input, WaveRequirement requirement) {
  if (!input.pcm || input.bits != 16 || input.channels == 0) return false;
  return requirement == WaveRequirement::Pcm16 || (input.rate == 44100 && input.channels == 2);
}

bool AcceptWaveInput(CFile& file, const std::string& path, IJobReport& report, WAVE_INPUT& input,
                     WaveRequirement requirement) {
  int64_t size = file.Size();
  WaveByteReader read = [&file](int64_t offset, uint8_t* buffer, size_t bytes) -> size_t {
    return file.Seek(offset) ? file.Read(buffer, bytes) : 0;
  };
  WaveLayout layout =
      size < static_cast<int64_t>(kWavHeaderBytes) ? WaveLayout::ReadFailed : FindWaveLayout(read, size, input);
  if (layout == WaveLayout::ReadFailed || (layout == WaveLayout::Found && !file.Seek(input.dataOffset))) {
    report.Log(JobLine(LINE_CANT_READ_FILE, path));
    return false;
  }
  if (layout == WaveLayout::NotWave || !WaveFormatAccepted(input, requirement)) {
    report.Log(JobLine(LINE_UNSUPPORTED_WAVE, path));
    return false;
  }
  return true;
}
