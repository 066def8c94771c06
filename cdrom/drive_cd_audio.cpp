#include "cdrom/drive_cd_audio.h"

#include <cctype>

#include "cdrom/toc.h"

namespace {

constexpr uint32_t kLeadInFrames = 150;
// What MCI says when it cannot open a drive, so both services read alike.
constexpr const char* kCannotOpen = "The specified device is not open or is not recognized by MCI.";

}  // namespace

bool TrackTableOfToc(const CD_TOC& toc, CD_AUDIO_TRACK_TABLE& table) {
  if (!IsUsableToc(toc)) return false;
  std::vector<TRACK_RANGE> ranges = TrackRanges(toc);
  if (ranges.empty()) return false;
  table.startFrames.clear();
  for (const TRACK_RANGE& range : ranges) table.startFrames.push_back(range.start + kLeadInFrames);
  table.leadOutFrame = ranges.back().end + kLeadInFrames;
  return true;
}

CDriveCdAudioService::CDriveCdAudioService(IDeviceIo& io, CdAudioDevice firstDevice)
    : io_(io), nextDevice_(firstDevice) {}

CdAudioDevice CDriveCdAudioService::Open(char letter, std::string& error) {
  char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  DeviceHandle handle = kInvalidDevice;
  if (upper >= 'A' && upper <= 'Z') handle = io_.Open(std::string("\\\\.\\") + upper + ":", false);
  if (handle == kInvalidDevice) {
    error = kCannotOpen;
    return 0;
  }
  std::lock_guard<std::mutex> lock(lock_);
  CdAudioDevice device = nextDevice_++;
  open_[device] = handle;
  return device;
}

bool CDriveCdAudioService::ReadTrackTable(CdAudioDevice device, CD_AUDIO_TRACK_TABLE& table) {
  DeviceHandle handle = kInvalidDevice;
  {
    std::lock_guard<std::mutex> lock(lock_);
    auto found = open_.find(device);
    if (found == open_.end()) return false;
    handle = found->second;
  }
  CDriveCommands commands(io_);
  commands.Install(AccessPath::PassThrough, 0);
  CD_TOC toc = {};
  return commands.ReadToc(handle, toc) && TrackTableOfToc(toc, table);
}

void CDriveCdAudioService::Close(CdAudioDevice device) {
  DeviceHandle handle = kInvalidDevice;
  {
    std::lock_guard<std::mutex> lock(lock_);
    auto found = open_.find(device);
    if (found == open_.end()) return;
    handle = found->second;
    open_.erase(found);
  }
  io_.Close(handle);
}

bool CDriveCdAudioService::Owns(CdAudioDevice device) const {
  std::lock_guard<std::mutex> lock(lock_);
  return open_.count(device) != 0;
}
