#pragma once
// A CD-audio service over the drive commands (READ TOC, READ CD, TEST UNIT
// READY, START STOP UNIT) through the device I/O seam: what stands in for
// the system's service on drives it cannot see, the virtual ones. It plays
// like a drive's own digital playback: by the clock, the frames read with
// READ CD and sent to an audio sink when the machine has one.
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <condition_variable>

#include "cdrom/audio_sink.h"
#include "cdrom/cd_audio_service.h"
#include "cdrom/cd_playback.h"
#include "cdrom/drive_commands.h"

struct DRIVE_PLAYBACK_HOOKS {
  // A new sink for each play; null (or a null sink): playback by the clock alone.
  std::function<std::unique_ptr<IAudioSink>()> makeSink;
  // Tells a window that a play ended (MM_MCINOTIFY's code and device).
  std::function<void(uintptr_t window, uint32_t code, CdAudioDevice device)> notify;
  // Milliseconds; the tick count when empty.
  std::function<uint32_t()> clock;
};

class CDriveCdAudioService : public ICdAudioService {
 public:
  // Device numbers start at firstDevice, so they never meet another
  // service's.
  CDriveCdAudioService(IDeviceIo& io, CdAudioDevice firstDevice, DRIVE_PLAYBACK_HOOKS hooks = {});
  ~CDriveCdAudioService() override;

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
  bool Owns(CdAudioDevice device) const;

  // One beat of the playback clock: feeds every playing device and tells
  // the windows whose play has ended. The clock thread calls it.
  void Tick();
  // Starts the thread that beats every tickMilliseconds until destruction.
  void StartClock(unsigned tickMilliseconds = 20);

 private:
  struct OPEN_DEVICE {
    DeviceHandle handle;
    uint32_t timeFormat = mci::kFormatMsf;
    std::unique_ptr<CCdPlayback> playback;
    uintptr_t notifyWindow = 0;  // the play waiting to tell its end; 0 when none
    // The disc's tracks, read once per medium.
    std::vector<TRACK_RANGE> ranges;
    std::vector<bool> audio;
  };
  OPEN_DEVICE* Find(CdAudioDevice device);
  uint32_t Now() const;
  // The disc's track ranges; false when the TOC cannot be read.
  bool ReadRanges(OPEN_DEVICE& open);
  uint32_t StatusOfDisc(OPEN_DEVICE& open, uint32_t item, uint32_t track, uint32_t& value);
  // A position in the device's time format as an LBA, and back.
  bool ToLba(const OPEN_DEVICE& open, const std::vector<TRACK_RANGE>& ranges, uint32_t position, uint32_t& lba) const;
  uint32_t FromLba(const OPEN_DEVICE& open, const std::vector<TRACK_RANGE>& ranges, uint32_t lba) const;
  void EndNotification(OPEN_DEVICE& open, CdAudioDevice device, uint32_t code);
  void ClockMain(unsigned tickMilliseconds);

  IDeviceIo& io_;
  DRIVE_PLAYBACK_HOOKS hooks_;
  mutable std::mutex lock_;  // the CDDB worker, the window and the clock thread all call in
  CdAudioDevice nextDevice_;
  std::map<CdAudioDevice, OPEN_DEVICE> open_;
  CDriveCommands commands_;
  std::thread clock_;
  std::condition_variable stopClock_;
  bool stopping_ = false;
};

// The track table of a TOC: false for an unusable one.
bool TrackTableOfToc(const CD_TOC& toc, CD_AUDIO_TRACK_TABLE& table);
