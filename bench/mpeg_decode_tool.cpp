// Decodes an MPEG audio file to raw PCM with the program's own decoder, the
// way the decoding job drives it, for comparisons and timing against other
// decoders.
//
//   mpeg_decode_tool [-r REDUCTION] [-o OPTIONS] [-f LIMIT_HZ] [-F] [-q] INPUT OUTPUT
//
// OUTPUT gets raw PCM (16-bit little-endian or 8-bit unsigned, interleaved),
// or with -F a 32-bit float WAV file of the window sums before their
// conversion to PCM (1.0 = full scale), for accuracy measurements; the
// format, frame count and decoding time go to standard error.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "jobs/mpeg/mpeg_decoder.h"

namespace {

bool ReadWholeFile(const char* path, std::vector<uint8_t>& bytes) {
  FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return false;
  uint8_t block[65536];
  size_t count = 0;
  while ((count = std::fread(block, 1, sizeof(block), file)) > 0) {
    bytes.insert(bytes.end(), block, block + count);
  }
  const bool ok = std::ferror(file) == 0;
  std::fclose(file);
  return ok;
}

void PutLe(std::vector<uint8_t>& bytes, uint32_t value, int count) {
  for (int i = 0; i < count; ++i) bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// The window sums (16-bit units) as a float WAV file at full scale 1.0.
std::vector<uint8_t> FloatWav(const std::vector<uint8_t>& sums, const MPEG_OUTPUT_FORMAT& format) {
  const uint32_t dataBytes = static_cast<uint32_t>(sums.size());
  std::vector<uint8_t> wav;
  wav.insert(wav.end(), {'R', 'I', 'F', 'F'});
  PutLe(wav, 36 + dataBytes, 4);
  wav.insert(wav.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  PutLe(wav, 16, 4);
  PutLe(wav, 3, 2);  // IEEE float
  PutLe(wav, static_cast<uint32_t>(format.channels), 2);
  PutLe(wav, static_cast<uint32_t>(format.sampleRate), 4);
  PutLe(wav, static_cast<uint32_t>(format.sampleRate * format.channels * 4), 4);
  PutLe(wav, static_cast<uint32_t>(format.channels * 4), 2);
  PutLe(wav, 32, 2);
  wav.insert(wav.end(), {'d', 'a', 't', 'a'});
  PutLe(wav, dataBytes, 4);
  for (size_t i = 0; i + 4 <= sums.size(); i += 4) {
    float value = 0.0f;
    std::memcpy(&value, &sums[i], 4);
    value *= 1.0f / 32768.0f;  // a power of two: exact
    uint8_t bytes[4];
    std::memcpy(bytes, &value, 4);
    wav.insert(wav.end(), bytes, bytes + 4);
  }
  return wav;
}

int Usage() {
  std::fprintf(stderr,
               "usage: mpeg_decode_tool [-r REDUCTION] [-o OPTIONS] [-f LIMIT_HZ] [-F] [-q] INPUT "
               "OUTPUT\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  int32_t rateReduction = 0;
  uint32_t options = 0;
  int32_t frequencyLimit = 24000;
  bool quiet = false;
  bool floatOutput = false;
  int arg = 1;
  for (; arg < argc && argv[arg][0] == '-' && argv[arg][1] != '\0'; ++arg) {
    const std::string flag = argv[arg];
    if (flag == "-q") {
      quiet = true;
      continue;
    }
    if (flag == "-F") {
      floatOutput = true;
      continue;
    }
    if (arg + 1 >= argc) return Usage();
    const long value = std::strtol(argv[++arg], nullptr, 0);
    if (flag == "-r")
      rateReduction = static_cast<int32_t>(value);
    else if (flag == "-o")
      options = static_cast<uint32_t>(value);
    else if (flag == "-f")
      frequencyLimit = static_cast<int32_t>(value);
    else
      return Usage();
  }
  if (argc - arg != 2) return Usage();

  std::vector<uint8_t> input;
  if (!ReadWholeFile(argv[arg], input)) {
    std::fprintf(stderr, "cannot read %s\n", argv[arg]);
    return 1;
  }
  const size_t first = FindFirstFrame(input.data(), input.size());
  MPEG_HEADER header;
  int32_t bitRate = 0;
  const int32_t length =
      first < input.size() ? ParseFrameHeader(&input[first], input.size() - first, header, bitRate) : 0;
  if (length == 0) {
    std::fprintf(stderr, "no MPEG audio frame found\n");
    return 1;
  }
  CMpegDecoder decoder;
  if (!decoder.Init(header, length, rateReduction, 0, options, frequencyLimit)) {
    std::fprintf(stderr, "decoder refuses the stream\n");
    return 1;
  }
  if (floatOutput) decoder.SelectFloatOutput();
  MPEG_OUTPUT_FORMAT format;
  decoder.GetOutputFormat(format);

  FILE* output = std::fopen(argv[arg + 1], "wb");
  if (output == nullptr) {
    std::fprintf(stderr, "cannot write %s\n", argv[arg + 1]);
    return 1;
  }
  // PCM goes out in 1 MiB pieces as it is decoded, as the decoding step
  // writes it, rather than piling up; the float WAV needs its length first.
  constexpr size_t kPiece = 1 << 20;
  std::vector<uint8_t> pcm;
  pcm.reserve(kPiece + kMpegMaxFloatFrameOutputBytes);
  size_t written = 0;
  bool writeFailed = false;
  auto flush = [&] {
    if (std::fwrite(pcm.data(), 1, pcm.size(), output) != pcm.size()) writeFailed = true;
    written += pcm.size();
    pcm.clear();
  };
  uint8_t frameOutput[kMpegMaxFloatFrameOutputBytes];
  size_t position = first;
  long frames = 0;
  const auto started = std::chrono::steady_clock::now();
  while (position < input.size()) {
    const uint64_t result =
        decoder.DecodeFrame(&input[position], input.size() - position, frameOutput, sizeof(frameOutput));
    const int32_t consumed = DecodedBytesConsumed(result);
    if (consumed <= 0) break;
    position += static_cast<size_t>(consumed);
    pcm.insert(pcm.end(), frameOutput, frameOutput + DecodedBytesProduced(result));
    ++frames;
    if (!floatOutput && pcm.size() >= kPiece) flush();
  }
  if (floatOutput) pcm = FloatWav(pcm, format);
  flush();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  if (std::fclose(output) != 0 || writeFailed) {
    std::fprintf(stderr, "cannot write %s\n", argv[arg + 1]);
    return 1;
  }
  if (!quiet) {
    std::fprintf(stderr,
                 "%d Hz, %d channels, %d bits, %d samples per frame; %ld frames, %zu bytes "
                 "(%zu of %zu input bytes used) in %.3f s, writing included\n",
                 format.sampleRate, format.channels, format.bitsPerSample, format.samplesPerFrame, frames, written,
                 position - first, input.size() - first, seconds);
  }
  return 0;
}
