#pragma once
// The drives found, the selected unit, its open device and the command
// routines installed for it. Owned by the main window.
#include <string>
#include <vector>

#include "cdrom/device_io.h"
#include "cdrom/drive_commands.h"

class CCdromDevice {
 public:
  CCdromDevice(IDeviceIo& io, CDriveCommands& commands) : io_(io), commands_(commands) {}

  // Finds the CD-ROM drives, at most eight, in the system's order.
  void EnumerateDrives();
  int DriveCount() const { return static_cast<int>(letters_.size()); }
  char Letter(int index) const { return letters_.at(static_cast<size_t>(index)); }
  const std::string& Path(int index) const { return paths_.at(static_cast<size_t>(index)); }
  // -1 when no drive has the letter (compared case-sensitively).
  int IndexOfLetter(char letter) const;

  // "CDROMDriver" if below the drive count, else 0; then the requested
  // letter (the command line's "-D"; 0 for none), when it names a drive, for
  // this run only.
  void ChooseStartUnit(int cdromDriver, char requested);
  int SelectedUnit() const { return selected_; }
  char CurrentLetter() const { return commands_.currentDriveLetter; }

  // Identifies every drive, opens the selected one (read-write, then
  // read-only) and installs the routines of the path and drive type.
  bool OpenDevice(AccessPath path, int driveType);
  // Switches to another drive; false (nothing changed) when its device
  // cannot be opened.
  bool ChangeUnit(int index);
  void ChangeDriveType(int driveType) { commands_.ChangeDriveType(driveType); }

  DeviceHandle Handle() const { return handle_; }
  const CDriveIdentity& Identity(int index) const { return identities_.at(static_cast<size_t>(index)); }
  // "%c:  %s": the letter and the vendor and product identification.
  std::string DriveLabel(int index) const;
  void Close();

 private:
  DeviceHandle OpenDrivePath(const std::string& path, bool allowReadOnly);

  IDeviceIo& io_;
  CDriveCommands& commands_;
  std::vector<std::string> paths_;
  std::vector<char> letters_;
  std::vector<CDriveIdentity> identities_;
  int selected_ = 0;
  DeviceHandle handle_ = kInvalidDevice;
};

// The drive letter of a media-change notification, or 0 when it is not a
// media event of a volume: device type 2 with the media flag, the lowest
// set bit of the unit mask.
char MediaChangeLetter(uint32_t deviceType, uint16_t flags, uint32_t unitMask);
