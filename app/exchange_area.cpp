#include "app/exchange_area.h"

#include <algorithm>
#include <cstring>

#include "platform/text.h"

int32_t ReadAreaInt(const uint8_t* area, size_t offset) {
  uint32_t value = static_cast<uint32_t>(area[offset]) | static_cast<uint32_t>(area[offset + 1]) << 8 |
                   static_cast<uint32_t>(area[offset + 2]) << 16 | static_cast<uint32_t>(area[offset + 3]) << 24;
  return static_cast<int32_t>(value);
}

void WriteAreaInt(uint8_t* area, size_t offset, int32_t value) {
  uint32_t raw = static_cast<uint32_t>(value);
  for (int i = 0; i < 4; ++i) area[offset + i] = static_cast<uint8_t>(raw >> (8 * i));
}

uint32_t ReadAreaWindow(const uint8_t* area) { return static_cast<uint32_t>(ReadAreaInt(area, kAreaWindowOffset)); }

void WriteAreaWindow(uint8_t* area, uint32_t window) {
  WriteAreaInt(area, kAreaWindowOffset, static_cast<int32_t>(window));
}

namespace {

std::string ReadText(const uint8_t* area, size_t offset) {
  return TextFromField(reinterpret_cast<const char*>(area + offset), kAreaTextSize);
}

bool WriteText(uint8_t* area, size_t offset, const std::string& text) {
  if (text.size() >= kAreaTextSize) return false;
  std::memset(area + offset, 0, kAreaTextSize);
  std::memcpy(area + offset, text.data(), text.size());
  return true;
}

}  // namespace

EXCHANGE_REQUEST ReadExchangeArea(const uint8_t* area) {
  EXCHANGE_REQUEST request;
  request.window = ReadAreaWindow(area);
  request.itemCount =
      std::clamp<int32_t>(ReadAreaInt(area, kAreaItemCountOffset), 0, static_cast<int32_t>(kAreaMaxItems));
  for (int32_t i = 0; i < request.itemCount; ++i)
    request.tracks.push_back(ReadAreaInt(area, kAreaTracksOffset + 4 * static_cast<size_t>(i)));
  request.driveLetter = static_cast<char>(area[kAreaDriveOffset]);
  request.jobKind = ReadAreaInt(area, kAreaJobKindOffset);
  request.folder = ReadText(area, kAreaFolderOffset);
  for (size_t slot = 0; slot < kAreaMaxItems; ++slot) {
    std::string path = ReadText(area, kAreaFilesOffset + slot * kAreaTextSize);
    if (path.empty()) break;
    request.files.push_back(path);
  }
  return request;
}

size_t WriteExtractRequest(uint8_t* area, const std::vector<int32_t>& tracks, char driveLetter,
                           const std::string& folder) {
  size_t count = std::min(tracks.size(), kAreaMaxItems);
  WriteAreaInt(area, kAreaItemCountOffset, static_cast<int32_t>(count));
  for (size_t i = 0; i < count; ++i) WriteAreaInt(area, kAreaTracksOffset + 4 * i, tracks[i]);
  area[kAreaDriveOffset] = static_cast<uint8_t>(driveLetter);
  if (!WriteText(area, kAreaFolderOffset, folder)) WriteText(area, kAreaFolderOffset, "");
  return count;
}

size_t WriteFileRequest(uint8_t* area, AREA_JOB_KIND kind, char driveLetter, const std::string& folder,
                        const std::vector<std::string>& paths, bool writeItemCount) {
  std::memset(area + kAreaFolderOffset, 0, kAreaTextSize);
  area[kAreaDriveOffset] = static_cast<uint8_t>(driveLetter);
  WriteText(area, kAreaFolderOffset, folder);
  WriteAreaInt(area, kAreaJobKindOffset, kind);
  std::memset(area + kAreaFilesOffset, 0, kAreaMaxItems * kAreaTextSize);
  size_t slot = 0;
  for (const std::string& path : paths) {
    if (slot == kAreaMaxItems) break;
    if (path.empty()) continue;
    if (WriteText(area, kAreaFilesOffset + slot * kAreaTextSize, path)) ++slot;
  }
  if (writeItemCount) WriteAreaInt(area, kAreaItemCountOffset, static_cast<int32_t>(slot));
  return slot;
}
