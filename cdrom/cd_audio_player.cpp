#include "cdrom/cd_audio_player.h"

#include <cstdio>
#include <string>

#include "platform/clock.h"

int EntryLengthSeconds(const CD_PLAY_ENTRY& entry) {
  return static_cast<int>(MsfMinute(entry.length) * 60 + MsfSecond(entry.length));
}

CCdAudioPlayer::~CCdAudioPlayer() {
  if (device_ != 0) service_.Close(device_);
}

bool CCdAudioPlayer::Check(uint32_t result) {
  if (result == 0) return true;
  lastError_ = result;
  return false;
}

bool CCdAudioPlayer::Open(int driveIndex) {
  // A fresh alias each time, so an earlier open of the same drive that is
  // still about never answers for this one.
  char alias[32];
  std::snprintf(alias, sizeof(alias), "CD%lu:", static_cast<unsigned long>(TickCount()));
  CdAudioDevice device = 0;
  uint32_t result = service_.Open(static_cast<char>('A' + driveIndex), alias, device);
  lastError_ = result;
  if (result != 0) return false;
  device_ = device;
  driveIndex_ = driveIndex;
  return true;
}

bool CCdAudioPlayer::Close() {
  if (!Check(service_.Close(device_))) return false;
  device_ = 0;
  return true;
}

bool CCdAudioPlayer::Stop() { return Check(service_.Stop(device_)); }
bool CCdAudioPlayer::Pause() { return Check(service_.Pause(device_)); }
bool CCdAudioPlayer::Resume() { return Check(service_.Resume(device_)); }
bool CCdAudioPlayer::SetTimeFormat(uint32_t format) { return Check(service_.SetTimeFormat(device_, format)); }

bool CCdAudioPlayer::StatusOf(uint32_t item, uint32_t track, uint32_t& value) {
  return Check(service_.Status(device_, item, track, value));
}

bool CCdAudioPlayer::Ready(bool& ready) {
  uint32_t value = 0;
  if (!StatusOf(mci::kStatusReady, 0, value)) return false;
  ready = value != 0;
  return true;
}

bool CCdAudioPlayer::Position(uint32_t& tmsf) { return StatusOf(mci::kStatusPosition, 0, tmsf); }

bool CCdAudioPlayer::Play(uint32_t fromTmsf, uint32_t toTmsf) {
  if (!SetTimeFormat(mci::kFormatTmsf)) return false;
  return Check(service_.Play(device_, fromTmsf, toTmsf, notificationWindow_));
}

bool CCdAudioPlayer::PlayTrack(int track) {
  if (!SetTimeFormat(mci::kFormatTmsf)) return false;
  uint32_t length = 0;
  if (track < 1 || !StatusOf(mci::kStatusLength, static_cast<uint32_t>(track), length)) return false;
  uint32_t n = static_cast<uint32_t>(track);
  return Play(PackTmsf(n, 0, 0, 0), PackTmsf(n, MsfMinute(length), MsfSecond(length), MsfFrame(length)));
}

bool CCdAudioPlayer::DoorOpen() { return Check(service_.SetDoor(device_, true)); }
bool CCdAudioPlayer::DoorClosed() { return Check(service_.SetDoor(device_, false)); }

bool CCdAudioPlayer::ReadPlayTable() {
  table_ = CD_PLAY_TABLE();
  uint32_t tracks = 0;
  if (!StatusOf(mci::kStatusNumberOfTracks, 0, tracks)) return false;
  if (!SetTimeFormat(mci::kFormatTmsf)) return false;
  // The count comes from the drive: never more entries than the table holds.
  if (tracks > static_cast<uint32_t>(kMaxPlayTracks)) tracks = kMaxPlayTracks;
  for (uint32_t n = 1; n <= tracks; ++n) {
    uint32_t type = 0;
    if (!StatusOf(mci::kStatusTrackType, n, type)) {
      table_.count = 0;
      return false;
    }
    // A data track (an enhanced CD's last) keeps its place in the table so
    // that entry k stays track k + 1; the audio tracks around it still play.
    CD_PLAY_ENTRY& entry = table_.entries[n - 1];
    entry.audio = type == mci::kTrackAudio;
    if (entry.audio &&
        (!StatusOf(mci::kStatusPosition, n, entry.start) || !StatusOf(mci::kStatusLength, n, entry.length))) {
      table_.count = 0;
      return false;
    }
    table_.count = static_cast<int>(n);
  }
  return true;
}
