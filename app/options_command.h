#pragma once
// The Options command: runs the Options dialog and, on OK, carries the
// changes out in order: the encoder library, the drive, the drive type,
// the CDDB options, AutoPlay, the window's colours.
#include <windows.h>

#include <cstdint>
#include <string>

class CAppSettings;
class CAutoPlay;
class CCddbCommands;
class CCdromDevice;
class CCurrentDisc;
class CDriveCommands;
struct CDiscRecord;
class CEncoderBinding;
class CPlaybackCommands;
class IRegistryKey;

struct OPTIONS_TARGETS {
  CAppSettings* settings;
  IRegistryKey* settingsKey;
  CEncoderBinding* encoder;
  CDriveCommands* commands;
  CCdromDevice* cdrom;
  CCurrentDisc* disc;
  CPlaybackCommands* playback;
  CCddbCommands* cddb;
  CAutoPlay* autoPlay;
  const CDiscRecord* record;  // the disc in the drive, for the read-offset detection
};

class COptionsCommand {
 public:
  COptionsCommand(const OPTIONS_TARGETS& targets, bool& busy) : t_(targets), busy_(busy) {}

  void SetOwner(HWND owner) { owner_ = owner; }
  // Ctrl+O, the menu and the button: nothing while busy.
  void Run();
  // The file dialogs' "Options..." button: the busy flag is held already.
  void RunWhileBusy(HWND dialogOwner);

 private:
  void ApplyChanges(bool appearanceChanged);
  void RebindEncoder();
  // False when the chosen drive cannot be opened: nothing more is applied.
  bool ChangeDrive();
  // The Accuracy page's Detect: the current drive's offset from its disc.
  bool DetectReadOffset(int32_t& offset, uint32_t& confidence, std::string& why);

  OPTIONS_TARGETS t_;
  bool& busy_;
  HWND owner_ = nullptr;
};
