#pragma once
// The system's CD-audio service (MCI), and the router the program installs:
// virtual drives answer through their drive commands, the rest through MCI.
#include <functional>

#include "cdrom/cd_audio_service.h"
#include "cdrom/drive_cd_audio.h"

class CMciCdAudioService : public ICdAudioService {
 public:
  CdAudioDevice Open(char letter, std::string& error) override;
  bool ReadTrackTable(CdAudioDevice device, CD_AUDIO_TRACK_TABLE& table) override;
  void Close(CdAudioDevice device) override;
};

class CCdAudioRouter : public ICdAudioService {
 public:
  CCdAudioRouter(IDeviceIo& io, std::function<bool(char letter)> isVirtual);
  CdAudioDevice Open(char letter, std::string& error) override;
  bool ReadTrackTable(CdAudioDevice device, CD_AUDIO_TRACK_TABLE& table) override;
  void Close(CdAudioDevice device) override;

 private:
  ICdAudioService& ServiceOf(CdAudioDevice device);
  std::function<bool(char)> isVirtual_;
  CMciCdAudioService mci_;
  CDriveCdAudioService drive_;
};
