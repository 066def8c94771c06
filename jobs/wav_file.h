#pragma once
// WAV files: the canonical 44-byte RIFF header before the samples, its two
// writers and the acceptance test applied to WAV input.
#include <cstdint>
#include <string>

#include "jobs/job.h"
#include "platform/file.h"

inline constexpr size_t kWavHeaderBytes = 44;

// The CD-audio header (PCM, 2 channels, 44100 Hz, 16 bits) for dataSize
// bytes of samples.
void BuildCdAudioHeader(uint32_t dataSize, uint8_t header[kWavHeaderBytes]);
// Writes it at offset 0, leaving the position at 44; rewrites in place.
bool WriteCdAudioHeader(CFile& file, uint32_t dataSize);

// The decoder's header: written at the start with a data size of 0, then
// finished in place once the data size is known.
class CDecoderWavHeader {
 public:
  CDecoderWavHeader();
  // encoding 0 writes PCM (format tag 1), 10 writes mu-law (7); any other
  // encoding writes nothing and fails.
  bool Write(CFile& file, uint32_t rate, uint32_t channels, uint32_t bits, int encoding);
  bool Finish(CFile& file, uint32_t dataBytes);
  const uint8_t* Bytes() const { return header_; }

 private:
  uint8_t header_[kWavHeaderBytes];
};

struct WAVE_INPUT {
  uint32_t dataSizeField = 0;  // offset 40
  int64_t fileDataBytes = 0;   // file size minus the header
};

// Reads the header of an open WAV file and accepts it only for 44100 Hz,
// 16 bits, 2 channels; nothing else is checked. A short header or another
// format is logged against path and refused.
bool AcceptWaveInput(CFile& file, const std::string& path, IJobReport& report, WAVE_INPUT& input);
