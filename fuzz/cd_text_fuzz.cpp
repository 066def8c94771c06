// libFuzzer target: an untrusted READ TOC format 5 response through the
// CD-Text decoder (the first byte is the TOC's first track), then the
// texts it found built into packs again and decoded back.
#include <cstdint>
#include <vector>

#include "cdrom/cd_text.h"
#include "fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  int firstTrack = data[0] % 100;
  CD_TEXT text;
  bool found = ParseCdText(data + 1, size - 1, firstTrack, text);
  if (!found) FuzzCheck(text.Empty());
  for (size_t i = 0; i < kCdTextItems; ++i)
    FuzzCheck(text.titles[i].size() <= kMaxCdTextChars && text.performers[i].size() <= kMaxCdTextChars);
  std::vector<uint8_t> packs = BuildCdTextPacks(text, firstTrack < 1 ? 1 : firstTrack, 99);
  FuzzCheck(packs.size() % kCdTextPackBytes == 0 && packs.size() <= 256 * kCdTextPackBytes);
  for (size_t at = 0; at < packs.size(); at += kCdTextPackBytes) FuzzCheck(CdTextPackValid(&packs[at]));
  return 0;
}
