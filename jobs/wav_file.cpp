#include "jobs/wav_file.h"

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
  BuildHeader(header_, formatTag, channels, rate, (rate * channels * bits + 7) / 8, (channels * bits + 7) / 8, bits,
              0);
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

bool AcceptWaveInput(CFile& file, const std::string& path, IJobReport& report, WAVE_INPUT& input) {
  uint8_t header[kWavHeaderBytes];
  if (!file.Seek(0) || file.Read(header, kWavHeaderBytes) < kWavHeaderBytes) {
    report.Log(JobLine(LINE_CANT_READ_FILE, path));
    return false;
  }
  if (Get32(header + 24) != 44100 || Get16(header + 34) != 16 || Get16(header + 22) != 2) {
    report.Log(JobLine(LINE_UNSUPPORTED_WAVE, path));
    return false;
  }
  input.dataSizeField = Get32(header + 40);
  input.fileDataBytes = file.Size() - static_cast<int64_t>(kWavHeaderBytes);
  return true;
}
