#pragma once
// WAV files: the canonical 44-byte RIFF header before the samples, its two
// writers, and the reader that finds the format and the samples of WAV
// input among its chunks, with the acceptance test applied to it.
#include <cstdint>
#include <functional>
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

// What the chunks of a WAV file say. Other writers put chunks ("LIST",
// "fact", ...) between "fmt " and "data" or after the samples, and may
// write a longer "fmt " chunk: only the samples are ever taken as samples.
struct WAVE_INPUT {
  bool pcm = false;  // format tag 1, or WAVE_FORMAT_EXTENSIBLE with the PCM subformat
  uint16_t channels = 0;
  uint32_t rate = 0;
  uint16_t bits = 0;
  int64_t dataOffset = 0;  // the first sample byte
  uint32_t dataBytes = 0;  // the "data" chunk's size, cut to what the file holds
};

inline constexpr size_t kMaxWaveChunks = 256;  // walked before "data"; more is not a WAV file

// Reads up to bytes at offset of the file; returns the count read.
using WaveByteReader = std::function<size_t(int64_t offset, uint8_t* buffer, size_t bytes)>;

enum class WaveLayout { Found, ReadFailed, NotWave };
// Walks the RIFF chunks of a file of fileSize bytes up to "data", which
// must follow a "fmt " chunk. Sizes are taken from the file only as far as
// the file goes.
WaveLayout FindWaveLayout(const WaveByteReader& read, int64_t fileSize, WAVE_INPUT& input);

enum class WaveRequirement {
  CdAudio,  // 16-bit PCM, 44100 Hz, 2 channels: input to encode or normalise
  Pcm16,    // 16-bit PCM of any rate and channels: samples to scale
};
bool WaveFormatAccepted(const WAVE_INPUT& input, WaveRequirement requirement);

// Reads the chunks of an open WAV file and accepts it only when its format
// meets the requirement; the file is then positioned at the first sample.
// A file shorter than the canonical header or one that cannot be read is
// logged as unreadable, anything else refused as an unsupported format,
// against path.
bool AcceptWaveInput(CFile& file, const std::string& path, IJobReport& report, WAVE_INPUT& input,
                     WaveRequirement requirement = WaveRequirement::CdAudio);
