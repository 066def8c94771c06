// Decodes an MPEG audio file to raw PCM with the program's own decoder, the
// way the decoding job drives it, for comparisons and timing against other
// decoders.
//
//   mpeg_decode_tool [-r REDUCTION] [-o OPTIONS] [-f LIMIT_HZ] [-q] INPUT OUTPUT
//
// OUTPUT gets raw PCM (16-bit little-endian or 8-bit unsigned, interleaved);
// the format, frame count and decoding time go to standard error.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "jobs/mpeg_decoder.h"

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

// Where the audio starts: after an ID3 version 2 tag, at the first byte pair
// 0xFF 0xEx or 0xFF 0xFx.
size_t FindFirstFrame(const std::vector<uint8_t>& bytes) {
  size_t offset = 0;
  if (bytes.size() >= 10 && std::memcmp(bytes.data(), "ID3", 3) == 0) {
    offset = ((bytes[6] & 0x7Fu) << 21) + ((bytes[7] & 0x7Fu) << 14) + ((bytes[8] & 0x7Fu) << 7) +
             (bytes[9] & 0x7Fu) + 10;
  }
  for (; offset + 1 < bytes.size(); ++offset) {
    if (bytes[offset] == 0xFF && (bytes[offset + 1] & 0xE0) == 0xE0) return offset;
  }
  return bytes.size();
}

int Usage() {
  std::fprintf(stderr,
               "usage: mpeg_decode_tool [-r REDUCTION] [-o OPTIONS] [-f LIMIT_HZ] [-q] INPUT "
               "OUTPUT\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  int32_t rateReduction = 0;
  uint32_t options = 0;
  int32_t frequencyLimit = 24000;
  bool quiet = false;
  int arg = 1;
  for (; arg < argc && argv[arg][0] == '-' && argv[arg][1] != '\0'; ++arg) {
    const std::string flag = argv[arg];
    if (flag == "-q") {
      quiet = true;
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
  const size_t first = FindFirstFrame(input);
  MPEG_HEADER header;
  int32_t bitRate = 0;
  const int32_t length =
      first < input.size() ? ParseFrameHeader(&input[first], input.size() - first, header, bitRate)
                           : 0;
  if (length == 0) {
    std::fprintf(stderr, "no MPEG audio frame found\n");
    return 1;
  }
  if (!InitDecoder(header, length, rateReduction, 0, options, frequencyLimit)) {
    std::fprintf(stderr, "decoder refuses the stream\n");
    return 1;
  }
  MPEG_OUTPUT_FORMAT format;
  GetOutputFormat(format);

  std::vector<uint8_t> pcm;
  pcm.reserve(input.size() * 12);
  uint8_t frameOutput[kMpegMaxFrameOutputBytes];
  size_t position = first;
  long frames = 0;
  const auto started = std::chrono::steady_clock::now();
  while (position < input.size()) {
    const uint64_t result =
        DecodeFrame(&input[position], input.size() - position, frameOutput, sizeof(frameOutput));
    const int32_t consumed = DecodedBytesConsumed(result);
    if (consumed <= 0) break;
    position += static_cast<size_t>(consumed);
    pcm.insert(pcm.end(), frameOutput, frameOutput + DecodedBytesProduced(result));
    ++frames;
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

  FILE* output = std::fopen(argv[arg + 1], "wb");
  if (output == nullptr || std::fwrite(pcm.data(), 1, pcm.size(), output) != pcm.size()) {
    std::fprintf(stderr, "cannot write %s\n", argv[arg + 1]);
    if (output != nullptr) std::fclose(output);
    return 1;
  }
  std::fclose(output);
  if (!quiet) {
    std::fprintf(stderr,
                 "%d Hz, %d channels, %d bits, %d samples per frame; %ld frames, %zu bytes "
                 "(%zu of %zu input bytes used) in %.3f s\n",
                 format.sampleRate, format.channels, format.bitsPerSample, format.samplesPerFrame,
                 frames, pcm.size(), position - first, input.size() - first, seconds);
  }
  return 0;
}
