#include "cdrom/cd_audio_service_win.h"

#include <windows.h>
#include <mmsystem.h>

#include "cdrom/wave_out_sink_win.h"

namespace {

// MCI device numbers are small; the drive-command service counts from here.
constexpr CdAudioDevice kFirstDriveCommandDevice = 0x40000000;

uint32_t Send(CdAudioDevice device, UINT message, DWORD flags, void* parameters) {
  return mciSendCommandA(device, message, flags, reinterpret_cast<DWORD_PTR>(parameters));
}

uint32_t SendGeneric(CdAudioDevice device, UINT message, DWORD flags) {
  MCI_GENERIC_PARMS generic = {};
  return Send(device, message, flags, &generic);
}

}  // namespace

uint32_t CMciCdAudioService::Open(char letter, const std::string& alias, CdAudioDevice& device) {
  char element[3] = {letter, ':', 0};
  MCI_OPEN_PARMSA open = {};
  open.lpstrDeviceType = reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(MCI_DEVTYPE_CD_AUDIO));
  open.lpstrElementName = element;
  open.lpstrAlias = alias.c_str();
  DWORD flags = MCI_OPEN_TYPE | MCI_OPEN_TYPE_ID | MCI_OPEN_ELEMENT | MCI_OPEN_SHAREABLE | MCI_WAIT;
  if (!alias.empty()) flags |= MCI_OPEN_ALIAS;
  uint32_t result = Send(0, MCI_OPEN, flags, &open);
  if (result == 0) device = open.wDeviceID;
  return result;
}

uint32_t CMciCdAudioService::Close(CdAudioDevice device) {
  {
    std::lock_guard<std::mutex> lock(lock_);
    lastPlay_.erase(device);
  }
  return SendGeneric(device, MCI_CLOSE, MCI_WAIT);
}

uint32_t CMciCdAudioService::Stop(CdAudioDevice device) { return SendGeneric(device, MCI_STOP, MCI_WAIT); }

uint32_t CMciCdAudioService::Pause(CdAudioDevice device) { return SendGeneric(device, MCI_PAUSE, MCI_WAIT); }

uint32_t CMciCdAudioService::Resume(CdAudioDevice device) {
  uint32_t result = SendGeneric(device, MCI_RESUME, MCI_WAIT);
  if (result != MCIERR_UNSUPPORTED_FUNCTION) return result;
  // Without a resume, a play from the current position to the last play's
  // end (with its notification) carries on where the pause left off.
  LAST_PLAY last;
  {
    std::lock_guard<std::mutex> lock(lock_);
    auto found = lastPlay_.find(device);
    if (found == lastPlay_.end()) return result;
    last = found->second;
  }
  MCI_PLAY_PARMS play = {};
  play.dwCallback = last.notifyWindow;
  play.dwTo = last.to;
  return Send(device, MCI_PLAY, MCI_NOTIFY | MCI_TO, &play);
}

uint32_t CMciCdAudioService::SetTimeFormat(CdAudioDevice device, uint32_t format) {
  MCI_SET_PARMS set = {};
  set.dwTimeFormat = format;
  return Send(device, MCI_SET, MCI_SET_TIME_FORMAT | MCI_WAIT, &set);
}

uint32_t CMciCdAudioService::Status(CdAudioDevice device, uint32_t item, uint32_t track, uint32_t& value) {
  MCI_STATUS_PARMS status = {};
  status.dwItem = item;
  status.dwTrack = track;
  DWORD flags = MCI_STATUS_ITEM | MCI_WAIT | (track != 0 ? MCI_TRACK : 0);
  uint32_t result = Send(device, MCI_STATUS, flags, &status);
  if (result == 0) value = static_cast<uint32_t>(status.dwReturn);
  return result;
}

uint32_t CMciCdAudioService::Play(CdAudioDevice device, uint32_t from, uint32_t to, uintptr_t notifyWindow) {
  MCI_PLAY_PARMS play = {};
  play.dwCallback = notifyWindow;
  play.dwFrom = from;
  play.dwTo = to;
  uint32_t result = Send(device, MCI_PLAY, MCI_NOTIFY | MCI_FROM | MCI_TO, &play);
  if (result == 0) {
    std::lock_guard<std::mutex> lock(lock_);
    lastPlay_[device] = {to, notifyWindow};
  }
  return result;
}

uint32_t CMciCdAudioService::SetDoor(CdAudioDevice device, bool open) {
  MCI_SET_PARMS set = {};
  return Send(device, MCI_SET, (open ? MCI_SET_DOOR_OPEN : MCI_SET_DOOR_CLOSED) | MCI_WAIT, &set);
}

std::string CMciCdAudioService::ErrorText(uint32_t error) {
  char text[kMaxMciErrorText + 1] = {};
  if (!mciGetErrorStringA(error, text, sizeof(text))) text[0] = 0;
  return text;
}

bool CMciCdAudioService::ReadTrackTable(CdAudioDevice device, CD_AUDIO_TRACK_TABLE& table) {
  if (SetTimeFormat(device, MCI_FORMAT_MSF) != 0) return false;
  uint32_t count = 0;
  if (Status(device, MCI_STATUS_NUMBER_OF_TRACKS, 0, count) != 0 || count < 1 || count > 99) return false;
  table.startFrames.clear();
  for (uint32_t track = 1; track <= count; ++track) {
    uint32_t position = 0;
    if (Status(device, MCI_STATUS_POSITION, track, position) != 0) return false;
    table.startFrames.push_back(FramesOfMsf(position));
  }
  uint32_t lastLength = 0;
  if (Status(device, MCI_STATUS_LENGTH, count, lastLength) != 0) return false;
  // MCI reports the last track one frame short of the lead-out.
  table.leadOutFrame = table.startFrames.back() + FramesOfMsf(lastLength) + 1;
  return true;
}

CCdAudioRouter::CCdAudioRouter(IDeviceIo& io, std::function<bool(char letter)> isVirtual)
    : isVirtual_(std::move(isVirtual)),
      drive_(io, kFirstDriveCommandDevice,
             DRIVE_PLAYBACK_HOOKS{[] { return std::make_unique<CWaveOutSink>(); },
                                  [](uintptr_t window, uint32_t code, CdAudioDevice device) {
                                    PostMessageA(reinterpret_cast<HWND>(window), MM_MCINOTIFY, code, device);
                                  },
                                  nullptr}) {
  drive_.StartClock();
}

uint32_t CCdAudioRouter::Open(char letter, const std::string& alias, CdAudioDevice& device) {
  if (isVirtual_ && isVirtual_(letter)) return drive_.Open(letter, alias, device);
  return mci_.Open(letter, alias, device);
}

uint32_t CCdAudioRouter::Close(CdAudioDevice device) { return ServiceOf(device).Close(device); }
uint32_t CCdAudioRouter::Stop(CdAudioDevice device) { return ServiceOf(device).Stop(device); }
uint32_t CCdAudioRouter::Pause(CdAudioDevice device) { return ServiceOf(device).Pause(device); }
uint32_t CCdAudioRouter::Resume(CdAudioDevice device) { return ServiceOf(device).Resume(device); }

uint32_t CCdAudioRouter::SetTimeFormat(CdAudioDevice device, uint32_t format) {
  return ServiceOf(device).SetTimeFormat(device, format);
}

uint32_t CCdAudioRouter::Status(CdAudioDevice device, uint32_t item, uint32_t track, uint32_t& value) {
  return ServiceOf(device).Status(device, item, track, value);
}

uint32_t CCdAudioRouter::Play(CdAudioDevice device, uint32_t from, uint32_t to, uintptr_t notifyWindow) {
  return ServiceOf(device).Play(device, from, to, notifyWindow);
}

uint32_t CCdAudioRouter::SetDoor(CdAudioDevice device, bool open) { return ServiceOf(device).SetDoor(device, open); }

// Both services word the same codes alike, so MCI's text serves for both.
std::string CCdAudioRouter::ErrorText(uint32_t error) { return mci_.ErrorText(error); }

bool CCdAudioRouter::ReadTrackTable(CdAudioDevice device, CD_AUDIO_TRACK_TABLE& table) {
  return ServiceOf(device).ReadTrackTable(device, table);
}

ICdAudioService& CCdAudioRouter::ServiceOf(CdAudioDevice device) {
  if (drive_.Owns(device)) return drive_;
  return mci_;
}
