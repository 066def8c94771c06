#include "app/desktop_commands.h"

#include <shellapi.h>

#include "app/busy_guard.h"
#include "app/mp3_player_win.h"
#include "app/settings.h"
#include "platform/messages.h"
#include "platform/text.h"
#include "resources/resource.h"
#include "resources/strings.h"
#include "widgets/dialog.h"

namespace {

const char* const kHomePage = URL_HOME_PAGE;
const char* const kCddbHomePage = "http://www.cddb.com/";
const char* const kHelpFile = "CantaroMaker.chm";

bool Launch(HWND owner, const char* verb, const std::string& target) {
  return reinterpret_cast<INT_PTR>(ShellExecuteA(owner, verb, target.c_str(), nullptr, nullptr, SW_SHOWNORMAL)) > 32;
}

}  // namespace

void CDesktopCommands::LookUpSystemMp3Player() { systemMp3Player_ = FindSystemMp3Player(); }

void CDesktopCommands::OpenOutputFolder() {
  ShellExecuteA(owner_, "explore", settings_.sessionOutputFolder.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void CDesktopCommands::OpenVolumeControl() {
  char folder[MAX_PATH] = {};
  GetSystemDirectoryA(folder, MAX_PATH);
  if (Launch(owner_, "open", std::string(folder) + "\\SNDVOL32.EXE")) return;
  GetWindowsDirectoryA(folder, MAX_PATH);
  if (Launch(owner_, "open", std::string(folder) + "\\SNDVOL32.EXE")) return;
  ShowMessage(owner_, IDS_NO_VOLUME_CONTROL);
}

void CDesktopCommands::OpenHelpContents() {
  CBusyGuard busy(busy_);
  if (!busy.Held()) return;
  // The help viewer is an optional part of the system: load it by name.
  typedef HWND(WINAPI * HTML_HELP)(HWND, LPCSTR, UINT, DWORD_PTR);
  if (HMODULE viewer = LoadLibraryA("hhctrl.ocx")) {
    if (HTML_HELP help = reinterpret_cast<HTML_HELP>(reinterpret_cast<void*>(GetProcAddress(viewer, "HtmlHelpA"))))
      help(owner_, HelpFilePath().c_str(), 0 /* HH_DISPLAY_TOPIC */, 0);
  }
}

// The help file beside the program: a bare name would be looked for in the
// current folder, which is the shell's when Explorer starts the program.
std::string CDesktopCommands::HelpFilePath() const { return settings_.programFolder + kHelpFile; }

void CDesktopCommands::OpenWebPage(bool cddb) { Launch(owner_, "open", cddb ? kCddbHomePage : kHomePage); }

void CDesktopCommands::DefaultMp3Player() {
  std::string player = TrimRight(settings_.MP3Player);
  if (player.empty()) {
    systemMp3Player_ = FindSystemMp3Player();
    player = systemMp3Player_;
  }
  if (player.empty()) {
    ShowMessage(owner_, IDS_NO_MP3_PLAYER);
    return;
  }
  playerToLaunch_ = player;
  PostMessageA(owner_, UM_LAUNCH_MP3_PLAYER, 0, 0);
}

void CDesktopCommands::LaunchMp3Player() {
  if (!Launch(owner_, "open", playerToLaunch_))
    ShowMessageText(owner_, Format(LoadResourceString(IDS_MP3_PLAYER_FAILED).c_str(), playerToLaunch_.c_str()));
}
