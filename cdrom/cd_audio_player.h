#pragma once
// The main window's CD player: a thin wrapper over the CD-audio service
// that keeps the open device, the last error and the disc's play table.
// Every operation returns true on success and false after keeping the
// service's error code.
#include <cstdint>

#include "cdrom/cd_audio_service.h"

inline constexpr int kMaxPlayTracks = 100;

struct CD_PLAY_ENTRY {
  uint32_t start = 0;   // TMSF
  uint32_t length = 0;  // MSF
  bool audio = false;   // a data track is listed but never played
};

struct CD_PLAY_TABLE {
  int count = 0;
  CD_PLAY_ENTRY entries[kMaxPlayTracks];
};

// Whole seconds of an entry's length.
int EntryLengthSeconds(const CD_PLAY_ENTRY& entry);

class CCdAudioPlayer {
 public:
  explicit CCdAudioPlayer(ICdAudioService& service) : service_(service) {}
  ~CCdAudioPlayer();
  CCdAudioPlayer(const CCdAudioPlayer&) = delete;
  CCdAudioPlayer& operator=(const CCdAudioPlayer&) = delete;

  void SetNotificationWindow(uintptr_t window) { notificationWindow_ = window; }
  CdAudioDevice Device() const { return device_; }
  int DriveIndex() const { return driveIndex_; }
  uint32_t LastError() const { return lastError_; }
  const CD_PLAY_TABLE& PlayTable() const { return table_; }

  bool Open(int driveIndex);
  bool Close();
  bool Stop();
  bool Pause();
  bool Resume();
  bool SetTimeFormat(uint32_t format);
  bool Ready(bool& ready);
  bool Position(uint32_t& tmsf);
  bool Play(uint32_t fromTmsf, uint32_t toTmsf);
  bool PlayTrack(int track);
  bool DoorOpen();
  bool DoorClosed();
  bool ReadPlayTable();

 private:
  // Keeps a failing result as the last error.
  bool Check(uint32_t result);
  bool StatusOf(uint32_t item, uint32_t track, uint32_t& value);

  ICdAudioService& service_;
  int driveIndex_ = 0;
  uint32_t lastError_ = 0;
  uintptr_t notificationWindow_ = 0;
  CdAudioDevice device_ = 0;
  CD_PLAY_TABLE table_;
};
