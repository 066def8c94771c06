#pragma once
// The CD-audio service: the system's CD player device, which the CDDB windows
// open to read a disc's track table (and the player to play it). On Windows
// it is MCI; virtual drives answer through the drive commands instead, as
// MCI cannot see them.
#include <cstdint>
#include <string>
#include <vector>

using CdAudioDevice = uint32_t;  // 0: no device
inline constexpr size_t kMaxMciErrorText = 250;

struct CD_AUDIO_TRACK_TABLE {
  // Start of each track and the lead-out, in frames from the start of the
  // disc with the 150-frame lead-in included (as MCI counts them).
  std::vector<uint32_t> startFrames;
  uint32_t leadOutFrame = 0;
};

class ICdAudioService {
 public:
  virtual ~ICdAudioService() = default;
  // Opens the CD-audio device of the drive; 0 and the service's error text
  // (at most kMaxMciErrorText characters) when it cannot.
  virtual CdAudioDevice Open(char letter, std::string& error) = 0;
  // False when the device has no disc or its table cannot be read.
  virtual bool ReadTrackTable(CdAudioDevice device, CD_AUDIO_TRACK_TABLE& table) = 0;
  virtual void Close(CdAudioDevice device) = 0;
};

// The process's service, installed at start-up; null until then.
ICdAudioService* CdAudioService();
void SetCdAudioService(ICdAudioService* service);
