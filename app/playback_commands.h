#pragma once
// The main window's CD playback: Play, Pause, Stop, Previous, Next, the
// seek slider, the half-second position display, the end of a track, and
// the tray. Playback walks the checked rows of the track list in list
// order and repeats the last one until stopped.
#include <windows.h>

#include "cdrom/cd_audio_player.h"

class CTrackList;
struct CDiscRecord;

inline constexpr UINT_PTR kPlaybackTimer = 100001;
inline constexpr UINT kPlaybackTimerPeriodMs = 500;

class CPlaybackCommands {
 public:
  CPlaybackCommands(CCdAudioPlayer& player, CTrackList& list, const CDiscRecord& disc)
      : player_(player), list_(list), disc_(disc) {}
  CPlaybackCommands(const CPlaybackCommands&) = delete;
  CPlaybackCommands& operator=(const CPlaybackCommands&) = delete;

  // The main window: owner of the controls, the timer and the messages,
  // and receiver of the play ends.
  void SetOwner(HWND owner);

  // Reading a disc opens the drive's device afresh and reads its play table.
  void OpenDevice(int driveIndex);
  // Stops and closes the device (media removal, a drive change, exit).
  void CloseDevice();

  void Play();
  void Pause();
  void Stop();
  void Previous();
  void Next();
  void ClearPause() { paused_ = false; }
  // MM_MCINOTIFY: a play that ended by itself goes on with the next row.
  void OnPlayEnded(WPARAM code);
  void OnTimer();
  void OnSeek(int seconds, bool dragging);
  void OpenTray();
  void CloseTray();

 private:
  bool IsPlayableRow(int row) const;
  int FirstPlayableRow() const;
  // The first playable row from `from` going by `step`; -1 when none.
  int PlayableRowFrom(int from, int step) const;
  void PlayRow(int row);
  void SetSeekRangeOf(int track);
  void StartTimer();
  void KillTimer();
  void ShowTime(int minutes, int seconds);
  void ShowDriveLabel();

  CCdAudioPlayer& player_;
  CTrackList& list_;
  const CDiscRecord& disc_;
  HWND owner_ = nullptr;
  int currentRow_ = 0;
  int currentTrack_ = 0;
  bool paused_ = false;
};

// WM_HSCROLL of the main window's sliders: the seek slider posts
// UM_SEEK_POSITION and the volume slider UM_VOLUME_POSITION to the window
// with the position, lParam 1 while the thumb is dragged and 0 once the
// move ends.
void ForwardSliderScroll(HWND owner, WPARAM wParam, LPARAM lParam);
