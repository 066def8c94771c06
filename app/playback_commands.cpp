#include "app/playback_commands.h"

#include <commctrl.h>

#include <string>

#include "app/track_list_win.h"
#include "discinfo/disc_record.h"
#include "platform/messages.h"
#include "platform/text.h"
#include "resources/resource.h"
#include "widgets/dialog.h"

namespace {

// Ticks on which the caption differed from the playing text; a changed
// title shows on the third, so a quick skip through tracks does not flicker.
int g_captionTicks = 0;
constexpr int kCaptionDelayTicks = 3;
// Frame 40 of the second: where a seek lands inside the chosen second.
constexpr uint32_t kSeekFrame = 40;

}  // namespace

void CPlaybackCommands::SetOwner(HWND owner) {
  owner_ = owner;
  player_.SetNotificationWindow(reinterpret_cast<uintptr_t>(owner));
}

void CPlaybackCommands::OpenDevice(int driveIndex) {
  // The device of the previous read goes first, on either access path:
  // one left open would go on playing out of reach of every command.
  CloseDevice();
  bool ready = false;
  if (player_.Open(driveIndex) && player_.Ready(ready)) player_.ReadPlayTable();
}

void CPlaybackCommands::CloseDevice() {
  KillTimer();
  if (player_.Device() == 0) return;
  player_.Stop();
  player_.Close();
}

// ---------------------------------------------------------------------------
// The rows

bool CPlaybackCommands::IsPlayableRow(int row) const {
  if (row < 0 || row >= list_.Count() || !list_.Checked(row)) return false;
  int track = list_.TrackIndex(row);
  const CD_PLAY_TABLE& table = player_.PlayTable();
  return track >= 0 && track < table.count && table.entries[track].audio;
}

int CPlaybackCommands::FirstPlayableRow() const { return PlayableRowFrom(0, 1); }

int CPlaybackCommands::PlayableRowFrom(int from, int step) const {
  for (int row = from; row >= 0 && row < list_.Count(); row += step)
    if (IsPlayableRow(row)) return row;
  return -1;
}

void CPlaybackCommands::PlayRow(int row) {
  int track = list_.TrackIndex(row);
  SetSeekRangeOf(track);
  player_.PlayTrack(track + 1);
  currentRow_ = row;
  currentTrack_ = track;
  StartTimer();
}

// ---------------------------------------------------------------------------
// Commands

void CPlaybackCommands::Play() {
  if (player_.PlayTable().count <= 0) return;
  if (paused_) {
    // The pause stays marked until Stop, Previous, Next or a new disc.
    player_.Resume();
    return;
  }
  int row = FirstPlayableRow();
  if (row < 0) {
    ShowMessage(owner_, IDS_SELECT_TRACK_TO_PLAY);
    return;
  }
  PlayRow(row);
}

void CPlaybackCommands::Pause() {
  player_.Pause();
  paused_ = true;
}

void CPlaybackCommands::Stop() {
  player_.Stop();
  KillTimer();
  ShowDriveLabel();
  currentRow_ = 0;
  currentTrack_ = 0;
  ShowTime(0, 0);
  paused_ = false;
  int row = FirstPlayableRow();
  SetSeekRangeOf(list_.TrackIndex(row < 0 ? 0 : row));
  SendDlgItemMessageA(owner_, IDC_SEEK_SLIDER, TBM_SETPOS, TRUE, 0);
}

void CPlaybackCommands::Previous() {
  paused_ = false;
  if (player_.PlayTable().count < 1) return;
  if (FirstPlayableRow() < 0) {
    ShowMessage(owner_, IDS_SELECT_TRACK_TO_PLAY);
    return;
  }
  int row = PlayableRowFrom(currentRow_ - 1, -1);
  if (row >= 0)
    PlayRow(row);
  else
    Play();
}

void CPlaybackCommands::Next() {
  paused_ = false;
  if (player_.PlayTable().count < 1) return;
  if (FirstPlayableRow() < 0) {
    ShowMessage(owner_, IDS_SELECT_TRACK_TO_PLAY);
    return;
  }
  int row = PlayableRowFrom(currentRow_ + 1, 1);
  // Past the last checked row the current track starts over.
  PlayRow(row >= 0 ? row : currentRow_);
}

void CPlaybackCommands::OnPlayEnded(WPARAM code) {
  if (code != 1) return;  // only a play that ran to its end
  player_.Stop();
  KillTimer();
  ShowTime(0, 0);
  Next();
}

void CPlaybackCommands::OnTimer() {
  uint32_t position = 0;
  if (!player_.Position(position)) return;
  int minutes = static_cast<int>(TmsfMinute(position));
  int seconds = static_cast<int>(TmsfSecond(position));
  SendDlgItemMessageA(owner_, IDC_SEEK_SLIDER, TBM_SETPOS, TRUE, minutes * 60 + seconds);
  ShowTime(minutes, seconds);
  size_t entry = static_cast<size_t>(currentTrack_) + 1;
  std::string title = entry < disc_.entries.size() ? disc_.entries[entry].title : std::string();
  std::string caption = Format(LoadResourceString(IDS_PLAYING_FORMAT).c_str(), title.c_str());
  HWND label = GetDlgItem(owner_, IDC_DRIVE_LABEL);
  if (ControlText(label) == caption) return;
  if (++g_captionTicks < kCaptionDelayTicks) return;
  SetWindowTextA(label, caption.c_str());
  g_captionTicks = 0;
}

void CPlaybackCommands::OnSeek(int seconds, bool dragging) {
  if (list_.Count() == 0 || FirstPlayableRow() < 0) return;
  if (dragging) {
    KillTimer();
    ShowTime(seconds / 60, seconds % 60);
    return;
  }
  int row = PlayableRowFrom(currentRow_, 1);
  if (row < 0) return;
  int track = list_.TrackIndex(row);
  currentRow_ = row;
  currentTrack_ = track;
  SetSeekRangeOf(track);
  uint32_t n = static_cast<uint32_t>(track) + 1;
  uint32_t length = player_.PlayTable().entries[track].length;
  uint32_t s = static_cast<uint32_t>(seconds < 0 ? 0 : seconds);
  player_.Play(PackTmsf(n, s / 60, s % 60, kSeekFrame),
               PackTmsf(n, MsfMinute(length), MsfSecond(length), MsfFrame(length)));
  StartTimer();
}

void CPlaybackCommands::OpenTray() { player_.DoorOpen(); }

void CPlaybackCommands::CloseTray() {
  // After an eject the removal has closed the device; the tray is still
  // the current drive's, so it is opened again to be asked.
  if (player_.Device() == 0 && !player_.Open(player_.DriveIndex())) return;
  bool ready = false;
  if (!player_.Ready(ready) || ready) return;
  player_.DoorClosed();
}

// ---------------------------------------------------------------------------
// Controls

void CPlaybackCommands::SetSeekRangeOf(int track) {
  const CD_PLAY_TABLE& table = player_.PlayTable();
  int seconds = track >= 0 && track < table.count ? EntryLengthSeconds(table.entries[track]) : 0;
  SendDlgItemMessageA(owner_, IDC_SEEK_SLIDER, TBM_SETRANGEMIN, FALSE, 0);
  SendDlgItemMessageA(owner_, IDC_SEEK_SLIDER, TBM_SETRANGEMAX, TRUE, seconds);
}

void CPlaybackCommands::StartTimer() { SetTimer(owner_, kPlaybackTimer, kPlaybackTimerPeriodMs, nullptr); }

void CPlaybackCommands::KillTimer() {
  if (owner_) ::KillTimer(owner_, kPlaybackTimer);
}

void CPlaybackCommands::ShowTime(int minutes, int seconds) {
  SetDlgItemTextA(owner_, IDC_PLAY_TIME, Format("%02d:%02d", minutes, seconds).c_str());
}

void CPlaybackCommands::ShowDriveLabel() { SetDlgItemTextA(owner_, IDC_DRIVE_LABEL, disc_.driveLabel.c_str()); }

void ForwardSliderScroll(HWND owner, WPARAM wParam, LPARAM lParam) {
  HWND slider = reinterpret_cast<HWND>(lParam);
  if (!slider) return;
  UINT message = 0;
  switch (GetDlgCtrlID(slider)) {
    case IDC_SEEK_SLIDER: message = UM_SEEK_POSITION; break;
    case IDC_VOLUME_SLIDER: message = UM_VOLUME_POSITION; break;
    default: return;
  }
  int dragging = 0;
  switch (LOWORD(wParam)) {
    case TB_THUMBTRACK: dragging = 1; break;
    case TB_ENDTRACK: break;
    default: return;  // the move's end follows as TB_ENDTRACK
  }
  LRESULT position = SendMessageA(slider, TBM_GETPOS, 0, 0);
  PostMessageA(owner, message, static_cast<WPARAM>(position), dragging);
}
