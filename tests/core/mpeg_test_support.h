#pragma once
// Helpers of the MPEG decoder tests: reading files, decoding a whole stream
// the way the decoding job does, and comparing 16-bit PCM.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "jobs/mpeg/mpeg_decoder.h"

namespace mpeg_test {

inline std::string VectorDirectory() { return CANTARO_SOURCE_DIR "/../shared/mpeg-vectors"; }

inline bool ReadFile(const std::string& path, std::vector<uint8_t>& bytes) {
  bytes.clear();
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  uint8_t block[65536];
  size_t count = 0;
  while ((count = std::fread(block, 1, sizeof(block), file)) > 0) {
    bytes.insert(bytes.end(), block, block + count);
  }
  std::fclose(file);
  return true;
}

inline bool HaveVectors() {
  std::vector<uint8_t> manifest;
  return ReadFile(VectorDirectory() + "/MANIFEST.tsv", manifest) && !manifest.empty();
}

struct DECODED_STREAM {
  bool initialised = false;
  MPEG_OUTPUT_FORMAT format;
  std::vector<uint8_t> pcm;
  int frames = 0;
  size_t consumed = 0;           // bytes from the first frame on
  bool framesWellFormed = true;  // every frame produced exactly one frame of PCM
};

// Sets `decoder` up for the stream's first frame, found as the decoding job
// finds it; returns that frame's offset, or the stream's size on failure.
inline size_t InitAtFirstFrame(CMpegDecoder& decoder, const std::vector<uint8_t>& stream, int32_t rateReduction,
                               uint32_t options, int32_t frequencyLimit) {
  const size_t first = FindFirstFrame(stream.data(), stream.size());
  if (first >= stream.size()) return stream.size();
  MPEG_HEADER header;
  int32_t bitRate = 0;
  const int32_t length = ParseFrameHeader(&stream[first], stream.size() - first, header, bitRate);
  if (length == 0 || !decoder.Init(header, length, rateReduction, 0, options, frequencyLimit)) return stream.size();
  return first;
}

// Decodes `stream` from its first frame until DecodeFrame stops. Each frame
// is handed over in a buffer of exactly the bytes left, so that a read past
// them shows under a memory checker.
inline DECODED_STREAM DecodeStream(const std::vector<uint8_t>& stream, int32_t rateReduction = 0, uint32_t options = 0,
                                   int32_t frequencyLimit = 24000) {
  DECODED_STREAM result;
  CMpegDecoder decoder;
  const size_t first = InitAtFirstFrame(decoder, stream, rateReduction, options, frequencyLimit);
  result.initialised = first < stream.size();
  if (!result.initialised) return result;
  decoder.GetOutputFormat(result.format);
  const size_t frameBytes = static_cast<size_t>(result.format.samplesPerFrame) * (result.format.bitsPerSample / 8);
  size_t position = first;
  std::vector<uint8_t> output(kMpegMaxFrameOutputBytes);
  while (position < stream.size()) {
    std::vector<uint8_t> rest(stream.begin() + static_cast<std::ptrdiff_t>(position), stream.end());
    const uint64_t decoded = decoder.DecodeFrame(rest.data(), rest.size(), output.data(), output.size());
    const int32_t consumed = DecodedBytesConsumed(decoded);
    if (consumed <= 0) break;
    const int32_t produced = DecodedBytesProduced(decoded);
    if (static_cast<size_t>(consumed) > rest.size() || static_cast<size_t>(produced) != frameBytes) {
      result.framesWellFormed = false;
      break;
    }
    result.pcm.insert(result.pcm.end(), output.begin(), output.begin() + produced);
    position += static_cast<size_t>(consumed);
    ++result.frames;
  }
  result.consumed = position - first;
  return result;
}

inline std::vector<int16_t> AsSamples(const std::vector<uint8_t>& bytes) {
  std::vector<int16_t> samples(bytes.size() / 2);
  for (size_t i = 0; i < samples.size(); ++i) {
    samples[i] = static_cast<int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
  }
  return samples;
}

struct PCM_DIFFERENCE {
  size_t compared = 0;
  int32_t maxAbs = 0;
  double rms = 0.0;  // in 16-bit steps
};

inline PCM_DIFFERENCE Compare(const std::vector<int16_t>& a, const std::vector<int16_t>& b, size_t begin = 0,
                              size_t end = SIZE_MAX) {
  PCM_DIFFERENCE d;
  end = std::min({end, a.size(), b.size()});
  double sum = 0.0;
  for (size_t i = begin; i < end; ++i) {
    const int32_t diff = int32_t{a[i]} - int32_t{b[i]};
    d.maxAbs = std::max(d.maxAbs, diff < 0 ? -diff : diff);
    sum += double(diff) * diff;
  }
  d.compared = end > begin ? end - begin : 0;
  d.rms = d.compared != 0 ? std::sqrt(sum / double(d.compared)) : 0.0;
  return d;
}

inline double Rms(const std::vector<int16_t>& samples) {
  double sum = 0.0;
  for (int16_t s : samples) sum += double(s) * s;
  return samples.empty() ? 0.0 : std::sqrt(sum / double(samples.size()));
}

// One channel of interleaved samples.
inline std::vector<int16_t> Channel(const std::vector<int16_t>& samples, int channels, int index) {
  std::vector<int16_t> out;
  for (size_t i = static_cast<size_t>(index); i < samples.size(); i += static_cast<size_t>(channels)) {
    out.push_back(samples[i]);
  }
  return out;
}

}  // namespace mpeg_test
