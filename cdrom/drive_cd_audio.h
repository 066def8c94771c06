#pragma once
// A CD-audio service that reads the track table with the drive commands
// (READ TOC) through the device I/O seam: what stands in for the system's
// service on drives it cannot see, the virtual ones.
#include <map>
#include <mutex>

#include "cdrom/cd_audio_service.h"
#include "cdrom/drive_commands.h"

class CDriveCdAudioService : public ICdAudioService {
 public:
  // Device numbers start at firstDevice, so they never meet another
  // service's.
  CDriveCdAudioService(IDeviceIo& io, CdAudioDevice firstDevice);
  CdAudioDevice Open(char letter, std::string& error) override;
  bool ReadTrackTable(CdAudioDevice device, CD_AUDIO_TRACK_TABLE& table) override;
  void Close(CdAudioDevice device) override;
  bool Owns(CdAudioDevice device) const;

 private:
  IDeviceIo& io_;
  mutable std::mutex lock_;  // the CDDB worker and the window both call in
  CdAudioDevice nextDevice_;
  std::map<CdAudioDevice, DeviceHandle> open_;
};

// The track table of a TOC: false for an unusable one.
bool TrackTableOfToc(const CD_TOC& toc, CD_AUDIO_TRACK_TABLE& table);
