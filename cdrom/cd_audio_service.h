#pragma once
// The CD-audio service: the system's CD player device, which the player
// drives and the CDDB windows open to read a disc's track table. On
// Windows it is MCI; virtual drives answer through the drive commands
// instead, as MCI cannot see them. The operations keep MCI's meaning and
// its numbers (status items, time formats, error and notification codes),
// so the player reads the same whichever service answers.
#include <cstdint>
#include <string>
#include <vector>

using CdAudioDevice = uint32_t;  // 0: no device
inline constexpr size_t kMaxMciErrorText = 250;

// MCI's numbers, for the portable side.
namespace mci {
inline constexpr uint32_t kErrorBase = 256;
inline constexpr uint32_t kInvalidDeviceId = kErrorBase + 1;
inline constexpr uint32_t kHardware = kErrorBase + 6;
inline constexpr uint32_t kInvalidDeviceName = kErrorBase + 7;
inline constexpr uint32_t kUnsupportedFunction = kErrorBase + 18;
inline constexpr uint32_t kDeviceNotReady = kErrorBase + 20;
inline constexpr uint32_t kOutOfRange = kErrorBase + 26;
inline constexpr uint32_t kBadTimeFormat = kErrorBase + 37;

inline constexpr uint32_t kStatusLength = 1;
inline constexpr uint32_t kStatusPosition = 2;
inline constexpr uint32_t kStatusNumberOfTracks = 3;
inline constexpr uint32_t kStatusReady = 7;
inline constexpr uint32_t kStatusTrackType = 0x4001;
inline constexpr uint32_t kTrackAudio = 1088;
inline constexpr uint32_t kTrackOther = 1089;

inline constexpr uint32_t kFormatMsf = 2;
inline constexpr uint32_t kFormatTmsf = 10;

inline constexpr uint32_t kNotifySuccessful = 1;
inline constexpr uint32_t kNotifySuperseded = 2;
inline constexpr uint32_t kNotifyAborted = 4;
}  // namespace mci

// MCI's packed positions: TMSF holds track, minute, second and frame in
// bytes 0..3; MSF minute, second and frame in bytes 0..2.
inline uint32_t PackTmsf(uint32_t track, uint32_t minute, uint32_t second, uint32_t frame) {
  return (track & 0xFF) | (minute & 0xFF) << 8 | (second & 0xFF) << 16 | (frame & 0xFF) << 24;
}
inline uint32_t PackMsf(uint32_t minute, uint32_t second, uint32_t frame) {
  return (minute & 0xFF) | (second & 0xFF) << 8 | (frame & 0xFF) << 16;
}
inline uint32_t TmsfTrack(uint32_t tmsf) { return tmsf & 0xFF; }
inline uint32_t TmsfMinute(uint32_t tmsf) { return tmsf >> 8 & 0xFF; }
inline uint32_t TmsfSecond(uint32_t tmsf) { return tmsf >> 16 & 0xFF; }
inline uint32_t TmsfFrame(uint32_t tmsf) { return tmsf >> 24 & 0xFF; }
inline uint32_t MsfMinute(uint32_t msf) { return msf & 0xFF; }
inline uint32_t MsfSecond(uint32_t msf) { return msf >> 8 & 0xFF; }
inline uint32_t MsfFrame(uint32_t msf) { return msf >> 16 & 0xFF; }
inline uint32_t MsfOfFrames(uint32_t frames) { return PackMsf(frames / 4500, frames / 75 % 60, frames % 75); }
inline uint32_t FramesOfMsf(uint32_t msf) { return (MsfMinute(msf) * 60 + MsfSecond(msf)) * 75 + MsfFrame(msf); }

struct CD_AUDIO_TRACK_TABLE {
  // Start of each track and the lead-out, in frames from the start of the
  // disc with the 150-frame lead-in included (as MCI counts them).
  std::vector<uint32_t> startFrames;
  uint32_t leadOutFrame = 0;
};

class ICdAudioService {
 public:
  virtual ~ICdAudioService() = default;

  // Each operation returns 0 or an MCI error code.
  // Opens the drive's device, shareable; alias may be empty.
  virtual uint32_t Open(char letter, const std::string& alias, CdAudioDevice& device) = 0;
  virtual uint32_t Close(CdAudioDevice device) = 0;
  virtual uint32_t Stop(CdAudioDevice device) = 0;
  virtual uint32_t Pause(CdAudioDevice device) = 0;
  virtual uint32_t Resume(CdAudioDevice device) = 0;
  virtual uint32_t SetTimeFormat(CdAudioDevice device, uint32_t format) = 0;
  // One status item; track 0 asks about the disc.
  virtual uint32_t Status(CdAudioDevice device, uint32_t item, uint32_t track, uint32_t& value) = 0;
  // Plays from..to (positions in the device's time format) without
  // waiting; the end, or the abort, is told to notifyWindow with
  // MM_MCINOTIFY (wParam the notify code, lParam the device).
  virtual uint32_t Play(CdAudioDevice device, uint32_t from, uint32_t to, uintptr_t notifyWindow) = 0;
  virtual uint32_t SetDoor(CdAudioDevice device, bool open) = 0;
  // The service's text for an error code, at most kMaxMciErrorText characters.
  virtual std::string ErrorText(uint32_t error) = 0;

  // False when the device has no disc or its table cannot be read.
  virtual bool ReadTrackTable(CdAudioDevice device, CD_AUDIO_TRACK_TABLE& table) = 0;
};

// The lookups' open: the device, or 0 and the service's text for why not.
CdAudioDevice OpenCdAudio(ICdAudioService& service, char letter, std::string& error);

// The process's service, installed at start-up; null until then.
ICdAudioService* CdAudioService();
void SetCdAudioService(ICdAudioService* service);
