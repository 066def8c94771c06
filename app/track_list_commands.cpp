#include "app/track_list_commands.h"

#include <cstring>
#include <string>
#include <vector>

#include "app/busy_guard.h"
#include "discinfo/disc_record.h"
#include "app/track_list_win.h"
#include "discinfo/id3_editor_win.h"
#include "platform/case_mapping.h"
#include "resources/resource.h"
#include "widgets/dialog.h"

namespace {

// The Rename dialog: one edit box with the highlighted row's title.
class CRenameDialog : public CDialog {
 public:
  CRenameDialog(HWND owner, std::string title) : CDialog(IDD_RENAME, owner), title(std::move(title)) {}
  std::string title;

 protected:
  BOOL OnInitDialog() override {
    SendDlgItemMessageA(Handle(), IDC_RENAME_EDIT, EM_LIMITTEXT, 250, 0);
    SetDlgItemTextA(Handle(), IDC_RENAME_EDIT, title.c_str());
    return TRUE;
  }
  void OnOK() override {
    char text[256] = {};
    GetDlgItemTextA(Handle(), IDC_RENAME_EDIT, text, sizeof(text));
    title = text;
    EndDialog(IDOK);
  }
};

}  // namespace

void CTrackListCommands::Rename() {
  CBusyGuard busy(busy_);
  if (!busy.Held()) return;
  int row = list_.Highlighted();
  if (row < 0) {
    ShowMessage(owner_, IDS_HIGHLIGHT_TO_RENAME);
    return;
  }
  CRenameDialog rename(owner_, list_.Text(row, 1));
  if (rename.DoModal() != IDOK) return;
  list_.SetText(row, 1, rename.title);
  SetRowTitle(disc_, list_.TrackIndex(row), rename.title);
}

void CTrackListCommands::Move(MOVE_KIND kind) {
  int row = list_.Highlighted();
  if (row < 0) {
    ShowMessage(owner_, IDS_HIGHLIGHT_TO_RENAME);
    return;
  }
  int to = MoveTarget(kind, row, list_.Count());
  if (to >= 0) list_.MoveRow(row, to);
}

void CTrackListCommands::ChangeCase(int command) {
  for (int row = 0; row < list_.Count(); ++row) {
    std::string title = list_.Text(row, 1);
    if (command == ID_EDIT_CAPITALIZE) {
      title = CapitalizeTitle(title);
    } else {
      title = command == ID_EDIT_UPPER_CASE ? SystemUpperCase(title) : SystemLowerCase(title);
    }
    list_.SetText(row, 1, title);
    SetRowTitle(disc_, list_.TrackIndex(row), title);
  }
}

void CTrackListCommands::SetAllChecks(int how) {
  for (int row = 0; row < list_.Count(); ++row) list_.SetChecked(row, how < 0 ? !list_.Checked(row) : how == 1);
}

void CTrackListCommands::CopyToClipboard() {
  std::vector<CLIPBOARD_ROW> rows;
  for (int row = 0; row < list_.Count(); ++row) rows.push_back({list_.Text(row, 1), list_.Text(row, 2)});
  std::string text = TrackListClipboardText(rows);
  if (OpenClipboard(owner_)) {
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    if (memory) {
      memcpy(GlobalLock(memory), text.c_str(), text.size() + 1);
      GlobalUnlock(memory);
      if (!SetClipboardData(CF_TEXT, memory)) GlobalFree(memory);
    }
    CloseClipboard();
  }
  ShowMessage(owner_, IDS_COPIED_TO_CLIPBOARD);
}

void CTrackListCommands::EditId3Tags() {
  CBusyGuard busy(busy_);
  if (!busy.Held()) return;
  if (list_.Count() == 0) {
    ShowMessage(owner_, IDS_NO_CD_AVAILABLE);
    return;
  }
  CId3EditorDialog editor(owner_, disc_);
  if (editor.DoModal() != IDOK) return;
  editor.Model().CopyBack(disc_);
  std::string untitled = LoadResourceString(IDS_TRACK_FORMAT);
  for (int row = 0; row < list_.Count(); ++row) {
    std::optional<std::string> title = RowTitleText(disc_, list_.TrackIndex(row), untitled);
    if (title) list_.SetText(row, 1, *title);
  }
}
