// libFuzzer target: untrusted bytes through a decoder of its own the way the
// decoding step drives it (find a header, initialise, decode frame after
// frame), with the output options, float output, rate reduction and
// frequency limit taken from the first input byte so that every output
// routine is reached; and the first-frame search over the same bytes.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "jobs/mpeg/mpeg_decoder.h"

namespace {

// Aborts so that libFuzzer records the input: a broken promise of the
// interface is as much a finding as a memory error.
void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t control = data[0];
  const int32_t rateReduction = control & 3;  // 3 checks the clamping
  const uint32_t options = (control >> 2) & 0x0F;
  const bool floatOutput = (options & 0x04) != 0;  // a bit Init does not use
  static const int32_t kLimits[4] = {24000, 0, 8000, 100000};
  const int32_t frequencyLimit = kLimits[control >> 6];
  ++data;
  --size;

  // The decoder gets exactly the bytes there are, in a buffer of their own,
  // so that the sanitizer sees any read beyond them.
  std::vector<uint8_t> input(data, data + size);
  const size_t first = FindFirstFrame(input.data(), input.size());
  Check(first <= input.size());
  Check(first == input.size() || (input[first] == 0xFF && (input[first + 1] & 0xE0) == 0xE0));
  size_t position = 0;
  MPEG_HEADER header;
  int32_t bitRate = 0;
  int32_t length = 0;
  for (; position + 4 <= input.size(); ++position) {
    length = ParseFrameHeader(input.data() + position, input.size() - position, header, bitRate);
    if (length > 0) break;
  }
  if (length <= 0) return 0;
  Check(length <= kMpegMaxFrameBytes);
  CMpegDecoder decoder;
  if (!decoder.Init(header, length, rateReduction, 7, options, frequencyLimit)) return 0;
  if (floatOutput) Check(decoder.SelectFloatOutput());

  MPEG_OUTPUT_FORMAT format;
  decoder.GetOutputFormat(format);
  Check(format.channels == 1 || format.channels == 2);
  Check(floatOutput ? format.bitsPerSample == 32 : (format.bitsPerSample == 16 || format.bitsPerSample == 8));
  Check(format.reserved == 7 && format.encoding == 0);
  const size_t frameBytes = static_cast<size_t>(format.samplesPerFrame) * static_cast<size_t>(format.bitsPerSample / 8);
  const int32_t maxFrameBytes = floatOutput ? kMpegMaxFloatFrameOutputBytes : kMpegMaxFrameOutputBytes;
  Check(frameBytes > 0 && frameBytes <= static_cast<size_t>(maxFrameBytes));

  // Exactly one frame of room: a write past it is caught.
  std::vector<uint8_t> output(frameBytes);
  // Too little room must be refused, without writing.
  Check(DecodedBytesConsumed(
            decoder.DecodeFrame(input.data() + position, input.size() - position, output.data(), frameBytes - 1)) == 0);
  int frames = 0;
  while (position < input.size() && frames < 2000) {
    const size_t available = input.size() - position;
    const uint64_t result = decoder.DecodeFrame(input.data() + position, available, output.data(), output.size());
    const int32_t consumed = DecodedBytesConsumed(result);
    const int32_t produced = DecodedBytesProduced(result);
    if (consumed <= 0) {
      Check(produced == 0);
      ++position;  // resynchronise as a tolerant caller would
      continue;
    }
    Check(static_cast<size_t>(consumed) <= available);
    Check(static_cast<size_t>(produced) == frameBytes);
    position += static_cast<size_t>(consumed);
    ++frames;
  }
  return 0;
}
