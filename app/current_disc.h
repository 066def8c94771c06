#pragma once
// The disc in the current drive as the main window shows it: reading it
// into the disc record and the track list, the drive label, writing its
// texts to the disc cache, and media arrival and removal.
#include <windows.h>

class CAppSettings;
class CCdromDevice;
class CDriveCommands;
class CPlaybackCommands;
class CTrackList;
struct CDiscRecord;

class CCurrentDisc {
 public:
  CCurrentDisc(const CAppSettings& settings, CDriveCommands& commands, CCdromDevice& cdrom, CDiscRecord& disc,
               CTrackList& list, CPlaybackCommands& playback)
      : settings_(settings), commands_(commands), cdrom_(cdrom), disc_(disc), list_(list), playback_(playback) {}
  CCurrentDisc(const CCurrentDisc&) = delete;
  CCurrentDisc& operator=(const CCurrentDisc&) = delete;

  // The main window: owner of the message boxes and of the drive label.
  void SetOwner(HWND owner) { owner_ = owner; }

  // Opens the drive's CD-audio device afresh, reads the TOC and the disc's
  // texts and fills the track list.
  void Read();
  void ShowDriveLabel();
  // Stores the disc's texts in the disc cache; nothing before a TOC was read.
  void WriteCache();
  // Eject: the tray opens, the texts go to the cache and the rows away.
  void Eject();
  // WM_DEVICECHANGE of a volume: arrival reads the disc, removal closes
  // the CD-audio device and clears the disc; other drives than the
  // current one only end a pause.
  void OnMediaChange(bool arrival, char letter);

 private:
  const CAppSettings& settings_;
  CDriveCommands& commands_;
  CCdromDevice& cdrom_;
  CDiscRecord& disc_;
  CTrackList& list_;
  CPlaybackCommands& playback_;
  HWND owner_ = nullptr;
  bool read_ = false;  // a TOC has been read: the disc record names a disc
};
