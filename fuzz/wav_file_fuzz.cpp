// libFuzzer target: untrusted WAV input through the chunk reader and the
// acceptance test, read from memory the way the steps read the file.
// Whatever the chunks claim, the samples found lie inside the file, after
// the format, and only 16-bit PCM is accepted.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "jobs/wav_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The file in a buffer of its own, so that a read beyond it is caught.
  const std::vector<uint8_t> file(data, data + size);
  const int64_t fileSize = static_cast<int64_t>(file.size());
  size_t reads = 0;
  WaveByteReader read = [&](int64_t offset, uint8_t* buffer, size_t bytes) -> size_t {
    ++reads;
    FuzzCheck(offset >= 0 && bytes <= 64);  // the reader asks for headers, never for samples
    if (offset >= fileSize) return 0;
    size_t count = std::min(bytes, static_cast<size_t>(fileSize - offset));
    std::memcpy(buffer, file.data() + offset, count);
    return count;
  };
  WAVE_INPUT input;
  const WaveLayout layout = FindWaveLayout(read, fileSize, input);
  FuzzCheck(reads <= 2 * kMaxWaveChunks + 2);
  FuzzCheck(layout != WaveLayout::ReadFailed);  // memory never fails a read within the file
  if (layout != WaveLayout::Found) return 0;
  FuzzCheck(input.dataOffset >= 20 + 16 && input.dataOffset % 2 == 0);
  FuzzCheck(input.dataOffset + static_cast<int64_t>(input.dataBytes) <= fileSize);
  FuzzCheck(std::memcmp(file.data() + input.dataOffset - 8, "data", 4) == 0);
  const bool cd = WaveFormatAccepted(input, WaveRequirement::CdAudio);
  const bool pcm16 = WaveFormatAccepted(input, WaveRequirement::Pcm16);
  FuzzCheck(!cd || pcm16);
  if (pcm16) FuzzCheck(input.pcm && input.bits == 16 && input.channels > 0);
  if (cd) FuzzCheck(input.rate == 44100 && input.channels == 2);
  return 0;
}
