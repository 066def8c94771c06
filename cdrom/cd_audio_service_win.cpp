#include "cdrom/cd_audio_service_win.h"

#include <windows.h>
#include <mmsystem.h>

namespace {

// MCI device numbers are small; the drive-command service counts from here.
constexpr CdAudioDevice kFirstDriveCommandDevice = 0x40000000;

bool MciStatus(CdAudioDevice device, DWORD item, DWORD track, DWORD_PTR& value) {
  MCI_STATUS_PARMS status = {};
  status.dwItem = item;
  status.dwTrack = track;
  DWORD flags = MCI_STATUS_ITEM | MCI_WAIT | (track != 0 ? MCI_TRACK : 0);
  if (mciSendCommandA(device, MCI_STATUS, flags, reinterpret_cast<DWORD_PTR>(&status)) != 0) return false;
  value = status.dwReturn;
  return true;
}

uint32_t MsfFrames(DWORD_PTR msf) {
  return (MCI_MSF_MINUTE(msf) * 60u + MCI_MSF_SECOND(msf)) * 75u + MCI_MSF_FRAME(msf);
}

}  // namespace

CdAudioDevice CMciCdAudioService::Open(char letter, std::string& error) {
  char element[3] = {letter, ':', 0};
  MCI_OPEN_PARMSA open = {};
  open.lpstrDeviceType = reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(MCI_DEVTYPE_CD_AUDIO));
  open.lpstrElementName = element;
  DWORD flags = MCI_OPEN_TYPE | MCI_OPEN_TYPE_ID | MCI_OPEN_ELEMENT | MCI_OPEN_SHAREABLE | MCI_WAIT;
  MCIERROR result = mciSendCommandA(0, MCI_OPEN, flags, reinterpret_cast<DWORD_PTR>(&open));
  if (result == 0) return open.wDeviceID;
  char text[kMaxMciErrorText + 1] = {};
  if (!mciGetErrorStringA(result, text, sizeof(text))) text[0] = 0;
  error = text;
  return 0;
}

bool CMciCdAudioService::ReadTrackTable(CdAudioDevice device, CD_AUDIO_TRACK_TABLE& table) {
  MCI_SET_PARMS set = {};
  set.dwTimeFormat = MCI_FORMAT_MSF;
  if (mciSendCommandA(device, MCI_SET, MCI_SET_TIME_FORMAT | MCI_WAIT, reinterpret_cast<DWORD_PTR>(&set)) != 0)
    return false;
  DWORD_PTR count = 0;
  if (!MciStatus(device, MCI_STATUS_NUMBER_OF_TRACKS, 0, count) || count < 1 || count > 99) return false;
  table.startFrames.clear();
  for (DWORD track = 1; track <= count; ++track) {
    DWORD_PTR position = 0;
    if (!MciStatus(device, MCI_STATUS_POSITION, track, position)) return false;
    table.startFrames.push_back(MsfFrames(position));
  }
  DWORD_PTR lastLength = 0;
  if (!MciStatus(device, MCI_STATUS_LENGTH, static_cast<DWORD>(count), lastLength)) return false;
  // MCI reports the last track one frame short of the lead-out.
  table.leadOutFrame = table.startFrames.back() + MsfFrames(lastLength) + 1;
  return true;
}

void CMciCdAudioService::Close(CdAudioDevice device) {
  MCI_GENERIC_PARMS close = {};
  mciSendCommandA(device, MCI_CLOSE, MCI_WAIT, reinterpret_cast<DWORD_PTR>(&close));
}

CCdAudioRouter::CCdAudioRouter(IDeviceIo& io, std::function<bool(char letter)> isVirtual)
    : isVirtual_(std::move(isVirtual)), drive_(io, kFirstDriveCommandDevice) {}

CdAudioDevice CCdAudioRouter::Open(char letter, std::string& error) {
  if (isVirtual_ && isVirtual_(letter)) return drive_.Open(letter, error);
  return mci_.Open(letter, error);
}

bool CCdAudioRouter::ReadTrackTable(CdAudioDevice device, CD_AUDIO_TRACK_TABLE& table) {
  return ServiceOf(device).ReadTrackTable(device, table);
}

void CCdAudioRouter::Close(CdAudioDevice device) { ServiceOf(device).Close(device); }

ICdAudioService& CCdAudioRouter::ServiceOf(CdAudioDevice device) {
  if (drive_.Owns(device)) return drive_;
  return mci_;
}
