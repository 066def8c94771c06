#pragma once
// The main window's commands on the track list and the disc's texts:
// Rename, Move, the case commands, the check-box selection, the clipboard
// and the ID3 editor. Titles reach the disc record through the row's own
// track entry (SetRowTitle), so a moved row renames its own track.
#include <windows.h>

#include "app/track_commands.h"

class CTrackList;
struct CDiscRecord;

class CTrackListCommands {
 public:
  CTrackListCommands(CTrackList& list, CDiscRecord& disc, bool& busy) : list_(list), disc_(disc), busy_(busy) {}
  CTrackListCommands(const CTrackListCommands&) = delete;
  CTrackListCommands& operator=(const CTrackListCommands&) = delete;

  // The main window, owner of the dialogs and message boxes.
  void SetOwner(HWND owner) { owner_ = owner; }

  void Rename();
  void Move(MOVE_KIND kind);
  // ID_EDIT_UPPER_CASE, ID_EDIT_LOWER_CASE or ID_EDIT_CAPITALIZE on every title.
  void ChangeCase(int command);
  // 1 checks every row, 0 unchecks every row, -1 inverts every check.
  void SetAllChecks(int how);
  void CopyToClipboard();
  void EditId3Tags();

 private:
  CTrackList& list_;
  CDiscRecord& disc_;
  bool& busy_;
  HWND owner_ = nullptr;
};
