// The main window's commands on the track list and the desktop: Rename,
// Move, the case commands, the clipboard, folders, players and web pages.
#include <windows.h>
#include <shellapi.h>

#include "app/main_window.h"
#include "app/mp3_player_win.h"
#include "app/track_commands.h"
#include "platform/case_mapping.h"
#include "platform/messages.h"
#include "platform/text.h"
#include "resources/resource.h"

namespace {

const char* const kHomePage = "http://www.cantaromaker.com/";
const char* const kCddbHomePage = "http://www.cddb.com/";

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

bool Launch(HWND owner, const char* verb, const std::string& target) {
  return reinterpret_cast<INT_PTR>(ShellExecuteA(owner, verb, target.c_str(), nullptr, nullptr, SW_SHOWNORMAL)) > 32;
}

}  // namespace

void CMainWindow::OnRename() {
  if (busy_) return;
  busy_ = true;
  int row = list_.Highlighted();
  if (row < 0) {
    ShowMessage(Handle(), IDS_HIGHLIGHT_TO_RENAME);
  } else {
    CRenameDialog rename(Handle(), list_.Text(row, 1));
    if (rename.DoModal() == IDOK) {
      list_.SetText(row, 1, rename.title);
      // The row's own track: after a Move the row index names another one.
      size_t entry = static_cast<size_t>(list_.TrackIndex(row)) + 1;
      if (entry < disc_.entries.size()) disc_.entries[entry].title = rename.title;
    }
  }
  busy_ = false;
}

void CMainWindow::OnMove(MOVE_KIND kind) {
  int row = list_.Highlighted();
  if (row < 0) {
    ShowMessage(Handle(), IDS_HIGHLIGHT_TO_RENAME);
    return;
  }
  int to = MoveTarget(kind, row, list_.Count());
  if (to >= 0) list_.MoveRow(row, to);
}

void CMainWindow::OnChangeCase(int command) {
  for (int row = 0; row < list_.Count(); ++row) {
    std::string title = list_.Text(row, 1);
    if (command == ID_EDIT_CAPITALIZE) {
      title = CapitalizeTitle(title);
    } else {
      title = command == ID_EDIT_UPPER_CASE ? SystemUpperCase(title) : SystemLowerCase(title);
    }
    list_.SetText(row, 1, title);
    size_t entry = static_cast<size_t>(list_.TrackIndex(row)) + 1;
    if (entry < disc_.entries.size()) disc_.entries[entry].title = title;
  }
}

void CMainWindow::OnCopyToClipboard() {
  std::vector<CLIPBOARD_ROW> rows;
  for (int row = 0; row < list_.Count(); ++row) rows.push_back({list_.Text(row, 1), list_.Text(row, 2)});
  std::string text = TrackListClipboardText(rows);
  if (OpenClipboard(Handle())) {
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    if (memory) {
      memcpy(GlobalLock(memory), text.c_str(), text.size() + 1);
      GlobalUnlock(memory);
      if (!SetClipboardData(CF_TEXT, memory)) GlobalFree(memory);
    }
    CloseClipboard();
  }
  ShowMessage(Handle(), IDS_COPIED_TO_CLIPBOARD);
}

void CMainWindow::OnOpenOutputFolder() {
  ShellExecuteA(Handle(), "explore", settings_.sessionOutputFolder.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void CMainWindow::OnVolumeControl() {
  char folder[MAX_PATH] = {};
  GetSystemDirectoryA(folder, MAX_PATH);
  if (Launch(Handle(), "open", std::string(folder) + "\\SNDVOL32.EXE")) return;
  GetWindowsDirectoryA(folder, MAX_PATH);
  if (Launch(Handle(), "open", std::string(folder) + "\\SNDVOL32.EXE")) return;
  ShowMessage(Handle(), IDS_NO_VOLUME_CONTROL);
}

void CMainWindow::OnHelpContents() {
  if (busy_) return;
  busy_ = true;
  // The help viewer is an optional part of the system: load it by name.
  typedef HWND(WINAPI * HTML_HELP)(HWND, LPCSTR, UINT, DWORD_PTR);
  if (HMODULE viewer = LoadLibraryA("hhctrl.ocx")) {
    if (HTML_HELP help = reinterpret_cast<HTML_HELP>(reinterpret_cast<void*>(GetProcAddress(viewer, "HtmlHelpA"))))
      help(Handle(), "CantaroMaker.chm", 0 /* HH_DISPLAY_TOPIC */, 0);
  }
  busy_ = false;
}

void CMainWindow::OnWebPage(bool cddb) { Launch(Handle(), "open", cddb ? kCddbHomePage : kHomePage); }

void CMainWindow::OnDefaultMp3Player() {
  std::string player = TrimRight(settings_.MP3Player);
  if (player.empty()) {
    systemMp3Player_ = FindSystemMp3Player();
    player = systemMp3Player_;
  }
  if (player.empty()) {
    ShowMessage(Handle(), IDS_NO_MP3_PLAYER);
    return;
  }
  playerToLaunch_ = player;
  PostMessageA(Handle(), UM_LAUNCH_MP3_PLAYER, 0, 0);
}

LRESULT CMainWindow::OnLaunchMp3Player(WPARAM, LPARAM) {
  if (!Launch(Handle(), "open", playerToLaunch_))
    ShowMessageText(Handle(), Format(LoadResourceString(IDS_MP3_PLAYER_FAILED).c_str(), playerToLaunch_.c_str()));
  return 0;
}
