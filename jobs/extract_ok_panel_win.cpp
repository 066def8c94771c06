#include "jobs/extract_ok_panel_win.h"

#include <commdlg.h>
#include <shellapi.h>

#include "platform/text.h"

BOOL CExtractOK::OnInitDialog() {
  SendDlgItemMessageA(Handle(), IDC_PANEL_ICON, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconA(nullptr, IDI_ASTERISK)),
                      0);
  return TRUE;
}

bool CExtractOK::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  static const MESSAGE_MAP_ENTRY<CExtractOK> map[] = {
      {WM_COMMAND, IDC_PLAY_NOW, &CExtractOK::OnPlayNow},
      {WM_COMMAND, IDC_CREATE_PLAY_LIST, &CExtractOK::OnCreatePlayList},
  };
  return Route(this, map, message, wParam, lParam, result);
}

void CExtractOK::AddOutput(const std::string& path, const std::string& folder) {
  outputs_.push_back(path);
  lastFolder_ = folder;
}

LRESULT CExtractOK::OnPlayNow(WPARAM, LPARAM) {
  PLAYER_CHOICE choice = ChoosePlayer(configuredPlayer, findSystemPlayer);
  HWND owner = Handle();
  // Shown normally: a player started hidden could never be seen or closed.
  PLAY_RESULT played = PlayOutputs(choice, outputs_, [owner](const std::string& player, const std::string& arguments) {
    return reinterpret_cast<INT_PTR>(
               ShellExecuteA(owner, "open", player.c_str(), arguments.c_str(), nullptr, SW_SHOWNORMAL)) > 32;
  });
  if (played == PLAY_RESULT::NoPlayer) ShowMessage(owner, IDS_PLAY_NO_DEFAULT_PLAYER);
  if (played == PLAY_RESULT::NoItems) ShowMessage(owner, IDS_PLAY_NO_ITEMS);
  if (played == PLAY_RESULT::LaunchFailed)
    ShowMessageText(owner, Format(LoadResourceString(IDS_PLAY_LAUNCH_FAILED).c_str(), choice.player.c_str()));
  return 0;
}

bool CExtractOK::ChoosePlayListFile(std::string& path) {
  std::string filter = FileDialogFilter(LoadResourceString(IDS_PLAY_LIST_FILTER));
  char name[MAX_PATH] = {};
  OPENFILENAMEA dialog = {};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = GetParent(Handle());
  dialog.lpstrFilter = filter.c_str();
  dialog.lpstrFile = name;
  dialog.nMaxFile = MAX_PATH;
  dialog.lpstrInitialDir = lastFolder_.empty() ? nullptr : lastFolder_.c_str();
  dialog.lpstrDefExt = "m3u";
  dialog.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_EXPLORER | OFN_PATHMUSTEXIST;
  if (!GetSaveFileNameA(&dialog)) return false;
  path.assign(name, strnlen(name, sizeof(name)));
  return true;
}

LRESULT CExtractOK::OnCreatePlayList(WPARAM, LPARAM) {
  std::string path;
  if (!ChoosePlayListFile(path)) return 0;
  bool written = AppendPlayList(path, outputs_);
  ShowMessage(Handle(), written ? IDS_PLAY_LIST_CREATED : IDS_PLAY_LIST_FAILED,
              MB_OK | (written ? MB_ICONINFORMATION : MB_ICONEXCLAMATION));
  return 0;
}
