#pragma once
// The main window's commands that hand over to the desktop: the output
// folder, the volume control, the help viewer, the web pages and the MP3
// player.
#include <windows.h>

#include <string>

class CAppSettings;

class CDesktopCommands {
 public:
  CDesktopCommands(const CAppSettings& settings, bool& busy) : settings_(settings), busy_(busy) {}
  CDesktopCommands(const CDesktopCommands&) = delete;
  CDesktopCommands& operator=(const CDesktopCommands&) = delete;

  // The main window: owner of the message boxes, receiver of
  // UM_LAUNCH_MP3_PLAYER.
  void SetOwner(HWND owner) { owner_ = owner; }
  // At start-up: the player the system associates with MP3 files.
  void LookUpSystemMp3Player();

  void OpenOutputFolder();
  void OpenVolumeControl();
  void OpenHelpContents();
  void OpenWebPage(bool cddb);
  // Finds the player and posts UM_LAUNCH_MP3_PLAYER; LaunchMp3Player runs it.
  void DefaultMp3Player();
  void LaunchMp3Player();

 private:
  std::string HelpFilePath() const;

  const CAppSettings& settings_;
  bool& busy_;
  HWND owner_ = nullptr;
  std::string systemMp3Player_;
  std::string playerToLaunch_;
};
