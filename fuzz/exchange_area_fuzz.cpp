// libFuzzer target: an exchange area written by any process. The reader
// keeps every count and text within its field, and what it read survives
// a round trip through the writers.
#include <cstdint>
#include <cstring>
#include <vector>

#include "app/exchange_area.h"
#include "fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The area in a buffer of exactly the size every reader copies.
  std::vector<uint8_t> area(kExchangeAreaUsed, 0);
  std::memcpy(area.data(), data, std::min(size, area.size()));
  const EXCHANGE_REQUEST request = ReadExchangeArea(area.data());
  FuzzCheck(request.itemCount >= 0 && static_cast<size_t>(request.itemCount) <= kAreaMaxItems);
  FuzzCheck(request.tracks.size() == static_cast<size_t>(request.itemCount));
  // A field without a terminator reads as all its bytes; the writers
  // refuse such a text (one that fills the field has no room for its NUL).
  FuzzCheck(request.folder.size() <= kAreaTextSize && request.files.size() <= kAreaMaxItems);
  std::vector<std::string> fitting;
  for (const std::string& file : request.files) {
    FuzzCheck(!file.empty() && file.size() <= kAreaTextSize);
    if (file.size() < kAreaTextSize) fitting.push_back(file);
  }
  const std::string folder = request.folder.size() < kAreaTextSize ? request.folder : std::string();

  std::vector<uint8_t> copy(kExchangeAreaSize, 0);
  WriteExtractRequest(copy.data(), request.tracks, request.driveLetter, request.folder);
  const EXCHANGE_REQUEST tracks = ReadExchangeArea(copy.data());
  FuzzCheck(tracks.tracks == request.tracks && tracks.driveLetter == request.driveLetter && tracks.folder == folder);

  std::vector<uint8_t> files(kExchangeAreaSize, 0);
  const AREA_JOB_KIND kind = request.jobKind == AREA_JOB_DECODE ? AREA_JOB_DECODE : AREA_JOB_ENCODE;
  const size_t written = WriteFileRequest(files.data(), kind, request.driveLetter, request.folder, request.files, true);
  FuzzCheck(written == fitting.size());
  const EXCHANGE_REQUEST back = ReadExchangeArea(files.data());
  FuzzCheck(back.files == fitting && back.jobKind == kind && back.folder == folder);
  return 0;
}
