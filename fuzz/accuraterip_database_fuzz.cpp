// libFuzzer target: an untrusted AccurateRip database file through the
// parser, then the verdicts and the offset search over what it accepted.
// The parser keeps its bounds, and what it accepts is exactly the pressings
// laid end to end.
#include <cstdint>
#include <string>

#include "fuzz/fuzz_check.h"
#include "jobs/accuraterip.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  std::vector<AR_PRESSING> pressings;
  if (!ParseArDatabase(input, pressings)) {
    FuzzCheck(pressings.empty() || pressings.size() <= kMaxArPressings);
    return 0;
  }
  size_t bytes = 0;
  for (const AR_PRESSING& pressing : pressings) {
    FuzzCheck(pressing.id.trackCount >= 1 && pressing.id.trackCount <= 99);
    FuzzCheck(pressing.tracks.size() == pressing.id.trackCount);
    bytes += 13 + 9 * pressing.tracks.size();
  }
  FuzzCheck(bytes == input.size() && pressings.size() <= kMaxArPressings);
  // Every track of the first pressing's disc, with checksums taken from the
  // input itself, gets a verdict that agrees with its entries.
  const AR_DISC_ID& id = pressings[0].id;
  for (size_t index = 0; index <= id.trackCount; ++index) {
    AR_CHECKSUMS sums{0, index < pressings[0].tracks.size() ? pressings[0].tracks[index].checksum : 0, 1};
    AR_VERDICT verdict = ArVerdict(pressings, id, index, sums);
    if (verdict.result == AR_RESULT::Accurate) FuzzCheck(verdict.confidence >= 1 && verdict.confidence <= 255);
    if (index == id.trackCount) FuzzCheck(verdict.result == AR_RESULT::NotPresent);
  }
  // A small disc of the first pressing's track count: the offset search
  // stays inside its samples whatever the database says.
  if (id.trackCount <= 3) {
    AR_DISC disc;
    for (uint32_t t = 0; t < id.trackCount; ++t) disc.trackStarts.push_back(t * 12);
    disc.leadOut = id.trackCount * 12;
    std::vector<uint8_t> samples((12 * kSamplesPerFrame + 2 * kMaxDetectedOffset) * 4, 0x5A);
    AR_OFFSET_MATCH match = DetectReadOffset(pressings, disc, 0, samples);
    FuzzCheck(!match.found || (match.offset >= -kMaxDetectedOffset && match.offset <= kMaxDetectedOffset));
  }
  return 0;
}
