#pragma once
// The system's CD-audio service (MCI), and the router the program installs:
// virtual drives answer through their drive commands, the rest through MCI.
#include <functional>
#include <map>
#include <mutex>

#include "cdrom/cd_audio_service.h"
#include "cdrom/drive_cd_audio.h"

class CMciCdAudioService : public ICdAudioService {
 public:
  uint32_t Open(char letter, const std::string& alias, CdAudioDevice& device) override;
  uint32_t Close(CdAudioDevice device) override;
  uint32_t Stop(CdAudioDevice device) override;
  uint32_t Pause(CdAudioDevice device) override;
  uint32_t Resume(CdAudioDevice device) override;
  uint32_t SetTimeFormat(CdAudioDevice device, uint32_t format) override;
  uint32_t Status(CdAudioDevice device, uint32_t item, uint32_t track, uint32_t& value) override;
  uint32_t Play(CdAudioDevice device, uint32_t from, uint32_t to, uintptr_t notifyWindow) override;
  uint32_t SetDoor(CdAudioDevice device, bool open) override;
  std::string ErrorText(uint32_t error) override;
  bool ReadTrackTable(CdAudioDevice device, CD_AUDIO_TRACK_TABLE& table) override;

 private:
  // The end and the window of each device's last play: the CD-audio
  // driver has no resume of its own, so resuming plays on to that end.
  struct LAST_PLAY {
    uint32_t to = 0;
    uintptr_t notifyWindow = 0;
  };
  std::mutex lock_;
  std::map<CdAudioDevice, LAST_PLAY> lastPlay_;
};

class CCdAudioRouter : public ICdAudioService {
 public:
  // The drive-command service plays through the default wave-output
  // device and tells play ends with a posted MM_MCINOTIFY.
  CCdAudioRouter(IDeviceIo& io, std::function<bool(char letter)> isVirtual);
  uint32_t Open(char letter, const std::string& alias, CdAudioDevice& device) override;
  uint32_t Close(CdAudioDevice device) override;
  uint32_t Stop(CdAudioDevice device) override;
  uint32_t Pause(CdAudioDevice device) override;
  uint32_t Resume(CdAudioDevice device) override;
  uint32_t SetTimeFormat(CdAudioDevice device, uint32_t format) override;
  uint32_t Status(CdAudioDevice device, uint32_t item, uint32_t track, uint32_t& value) override;
  uint32_t Play(CdAudioDevice device, uint32_t from, uint32_t to, uintptr_t notifyWindow) override;
  uint32_t SetDoor(CdAudioDevice device, bool open) override;
  std::string ErrorText(uint32_t error) override;
  bool ReadTrackTable(CdAudioDevice device, CD_AUDIO_TRACK_TABLE& table) override;

 private:
  ICdAudioService& ServiceOf(CdAudioDevice device);
  std::function<bool(char)> isVirtual_;
  CMciCdAudioService mci_;
  CDriveCdAudioService drive_;
};
