#include "cdrom/drive_cd_audio.h"

#include <cctype>
#include <chrono>

#include "cdrom/toc.h"
#include "platform/clock.h"

namespace {

constexpr uint32_t kLeadInFrames = 150;
constexpr uint8_t kDataTrackControl = 0x04;
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

CDriveCdAudioService::CDriveCdAudioService(IDeviceIo& io, CdAudioDevice firstDevice, DRIVE_PLAYBACK_HOOKS hooks)
    : io_(io), hooks_(std::move(hooks)), nextDevice_(firstDevice), commands_(io) {
  commands_.Install(AccessPath::PassThrough, 0);
}

CDriveCdAudioService::~CDriveCdAudioService() {
  {
    std::lock_guard<std::mutex> lock(lock_);
    stopping_ = true;
  }
  stopClock_.notify_all();
  if (clock_.joinable()) clock_.join();
  for (auto& [device, open] : open_) {
    open.playback.reset();
    io_.Close(open.handle);
  }
}

uint32_t CDriveCdAudioService::Open(char letter, const std::string&, CdAudioDevice& device) {
  char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  DeviceHandle handle = kInvalidDevice;
  if (upper >= 'A' && upper <= 'Z') handle = io_.Open(std::string("\\\\.\\") + upper + ":", false);
  if (handle == kInvalidDevice) return mci::kInvalidDeviceName;
  std::unique_ptr<IAudioSink> sink = hooks_.makeSink ? hooks_.makeSink() : nullptr;
  std::lock_guard<std::mutex> lock(lock_);
  device = nextDevice_++;
  OPEN_DEVICE& open = open_[device];
  open.handle = handle;
  open.playback = std::make_unique<CCdPlayback>(std::move(sink));
  return 0;
}

uint32_t CDriveCdAudioService::Close(CdAudioDevice device) {
  DeviceHandle handle = kInvalidDevice;
  {
    std::lock_guard<std::mutex> lock(lock_);
    OPEN_DEVICE* open = Find(device);
    if (!open) return mci::kInvalidDeviceId;
    EndNotification(*open, device, mci::kNotifyAborted);
    handle = open->handle;
    open_.erase(device);
  }
  io_.Close(handle);
  return 0;
}

uint32_t CDriveCdAudioService::Stop(CdAudioDevice device) {
  std::lock_guard<std::mutex> lock(lock_);
  OPEN_DEVICE* open = Find(device);
  if (!open) return mci::kInvalidDeviceId;
  open->playback->Stop(Now());
  EndNotification(*open, device, mci::kNotifyAborted);
  return 0;
}

// The play's end notification waits through a pause: the track still ends
// after the resume.
uint32_t CDriveCdAudioService::Pause(CdAudioDevice device) {
  std::lock_guard<std::mutex> lock(lock_);
  OPEN_DEVICE* open = Find(device);
  if (!open) return mci::kInvalidDeviceId;
  open->playback->Pause(Now());
  return 0;
}

uint32_t CDriveCdAudioService::Resume(CdAudioDevice device) {
  std::lock_guard<std::mutex> lock(lock_);
  OPEN_DEVICE* open = Find(device);
  if (!open) return mci::kInvalidDeviceId;
  open->playback->Resume(Now());
  return 0;
}

uint32_t CDriveCdAudioService::SetTimeFormat(CdAudioDevice device, uint32_t format) {
  std::lock_guard<std::mutex> lock(lock_);
  OPEN_DEVICE* open = Find(device);
  if (!open) return mci::kInvalidDeviceId;
  if (format != mci::kFormatMsf && format != mci::kFormatTmsf) return mci::kBadTimeFormat;
  open->timeFormat = format;
  return 0;
}

uint32_t CDriveCdAudioService::Status(CdAudioDevice device, uint32_t item, uint32_t track, uint32_t& value) {
  std::lock_guard<std::mutex> lock(lock_);
  OPEN_DEVICE* open = Find(device);
  if (!open) return mci::kInvalidDeviceId;
  if (item == mci::kStatusReady) {
    value = commands_.TestUnitReady(open->handle) ? 1 : 0;
    if (value == 0) open->ranges.clear();  // the next disc may differ
    return 0;
  }
  return StatusOfDisc(*open, item, track, value);
}

uint32_t CDriveCdAudioService::StatusOfDisc(OPEN_DEVICE& open, uint32_t item, uint32_t track, uint32_t& value) {
  if (!ReadRanges(open)) return mci::kDeviceNotReady;
  const std::vector<TRACK_RANGE>& ranges = open.ranges;
  if (track > ranges.size()) return mci::kOutOfRange;
  const TRACK_RANGE* range = track > 0 ? &ranges[track - 1] : nullptr;
  switch (item) {
    case mci::kStatusNumberOfTracks: value = static_cast<uint32_t>(ranges.size()); return 0;
    case mci::kStatusTrackType:
      if (!range) return mci::kOutOfRange;
      value = open.audio[track - 1] ? mci::kTrackAudio : mci::kTrackOther;
      return 0;
    case mci::kStatusLength:
      value = MsfOfFrames(range ? range->Frames() : ranges.back().end - ranges.front().start);
      return 0;
    case mci::kStatusPosition:
      value = FromLba(open, ranges, range ? range->start : open.playback->Position(Now(), ranges.front().start));
      return 0;
    default: return mci::kUnsupportedFunction;
  }
}

uint32_t CDriveCdAudioService::Play(CdAudioDevice device, uint32_t from, uint32_t to, uintptr_t notifyWindow) {
  std::lock_guard<std::mutex> lock(lock_);
  OPEN_DEVICE* open = Find(device);
  if (!open) return mci::kInvalidDeviceId;
  if (!ReadRanges(*open)) return mci::kDeviceNotReady;
  const std::vector<TRACK_RANGE>& ranges = open->ranges;
  uint32_t first = 0;
  uint32_t last = 0;
  if (!ToLba(*open, ranges, from, first) || !ToLba(*open, ranges, to, last) || first >= ranges.back().end)
    return mci::kOutOfRange;
  for (size_t k = 0; k < ranges.size(); ++k)
    if (first >= ranges[k].start && first < ranges[k].end && !open->audio[k]) return mci::kHardware;
  EndNotification(*open, device, mci::kNotifySuperseded);
  open->playback->Start(first, std::min(last, ranges.back().end), Now());
  open->notifyWindow = notifyWindow;
  return 0;
}

uint32_t CDriveCdAudioService::SetDoor(CdAudioDevice device, bool openTray) {
  std::lock_guard<std::mutex> lock(lock_);
  OPEN_DEVICE* open = Find(device);
  if (!open) return mci::kInvalidDeviceId;
  if (openTray) {
    open->playback->Stop(Now());
    EndNotification(*open, device, mci::kNotifyAborted);
  }
  open->ranges.clear();
  return commands_.MoveTray(open->handle, openTray) ? 0 : mci::kHardware;
}

std::string CDriveCdAudioService::ErrorText(uint32_t error) {
  switch (error) {
    case 0: return std::string();
    case mci::kInvalidDeviceName:
    case mci::kInvalidDeviceId: return kCannotOpen;
    case mci::kDeviceNotReady: return "The device is not ready.";
    case mci::kOutOfRange: return "The specified parameter is out of range for the specified command.";
    case mci::kBadTimeFormat: return "The specified value for the time format is invalid.";
    case mci::kUnsupportedFunction: return "The MCI device driver the system is using does not support the action.";
    default: return "The device cannot do what was asked of it.";
  }
}

bool CDriveCdAudioService::ReadTrackTable(CdAudioDevice device, CD_AUDIO_TRACK_TABLE& table) {
  std::lock_guard<std::mutex> lock(lock_);
  OPEN_DEVICE* open = Find(device);
  CD_TOC toc = {};
  return open && commands_.ReadToc(open->handle, toc) && TrackTableOfToc(toc, table);
}

bool CDriveCdAudioService::Owns(CdAudioDevice device) const {
  std::lock_guard<std::mutex> lock(lock_);
  return open_.count(device) != 0;
}

void CDriveCdAudioService::Tick() {
  std::lock_guard<std::mutex> lock(lock_);
  uint32_t now = Now();
  for (auto& [device, open] : open_) {
    DeviceHandle handle = open.handle;
    auto read = [this, handle](uint32_t lba, uint32_t frames, uint8_t* out) {
      CD_READ_REQUEST request;
      request.start = lba;
      request.frames = frames;
      request.bytes = frames * kFrameBytes;
      request.buffer = out;
      return commands_.ReadSectors(handle, request);
    };
    if (open.playback->Advance(now, read)) EndNotification(open, device, mci::kNotifySuccessful);
  }
}

void CDriveCdAudioService::StartClock(unsigned tickMilliseconds) {
  if (clock_.joinable()) return;
  clock_ = std::thread(&CDriveCdAudioService::ClockMain, this, tickMilliseconds);
}

void CDriveCdAudioService::ClockMain(unsigned tickMilliseconds) {
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(lock_);
      if (stopClock_.wait_for(lock, std::chrono::milliseconds(tickMilliseconds), [this] { return stopping_; })) return;
    }
    Tick();
  }
}

CDriveCdAudioService::OPEN_DEVICE* CDriveCdAudioService::Find(CdAudioDevice device) {
  auto found = open_.find(device);
  return found == open_.end() ? nullptr : &found->second;
}

uint32_t CDriveCdAudioService::Now() const { return hooks_.clock ? hooks_.clock() : TickCount(); }

bool CDriveCdAudioService::ReadRanges(OPEN_DEVICE& open) {
  if (!open.ranges.empty()) return true;
  CD_TOC toc = {};
  if (!commands_.ReadToc(open.handle, toc)) return false;
  open.ranges = TrackRanges(toc);
  open.audio.clear();
  for (size_t k = 0; k < open.ranges.size(); ++k)
    open.audio.push_back((toc.entries[k].adrControl & kDataTrackControl) == 0);
  return !open.ranges.empty();
}

bool CDriveCdAudioService::ToLba(const OPEN_DEVICE& open, const std::vector<TRACK_RANGE>& ranges, uint32_t position,
                                 uint32_t& lba) const {
  if (open.timeFormat == mci::kFormatMsf) {
    uint32_t frames = FramesOfMsf(position);
    if (frames < kLeadInFrames) return false;
    lba = frames - kLeadInFrames;
    return true;
  }
  uint32_t track = TmsfTrack(position);
  if (track < 1 || track > ranges.size()) return false;
  lba = ranges[track - 1].start + (TmsfMinute(position) * 60 + TmsfSecond(position)) * 75 + TmsfFrame(position);
  return true;
}

uint32_t CDriveCdAudioService::FromLba(const OPEN_DEVICE& open, const std::vector<TRACK_RANGE>& ranges,
                                       uint32_t lba) const {
  if (open.timeFormat == mci::kFormatMsf) return MsfOfFrames(lba + kLeadInFrames);
  size_t k = 0;
  while (k + 1 < ranges.size() && lba >= ranges[k + 1].start) ++k;
  uint32_t offset = lba > ranges[k].start ? lba - ranges[k].start : 0;
  return PackTmsf(static_cast<uint32_t>(k + 1), offset / 4500, offset / 75 % 60, offset % 75);
}

void CDriveCdAudioService::EndNotification(OPEN_DEVICE& open, CdAudioDevice device, uint32_t code) {
  uintptr_t window = open.notifyWindow;
  open.notifyWindow = 0;
  if (window != 0 && hooks_.notify) hooks_.notify(window, code, device);
}
