#include "cdrom/cdrom_device.h"

#include <cstring>

#include "platform/text.h"

void CCdromDevice::EnumerateDrives() {
  letters_ = FindCdromDrives(io_);
  paths_.clear();
  for (char letter : letters_) paths_.push_back(Format("\\\\.\\%c:", letter));
  identities_.assign(letters_.size(), CDriveIdentity{});
  selected_ = 0;
}

int CCdromDevice::IndexOfLetter(char letter) const {
  for (size_t i = 0; i < letters_.size(); ++i)
    if (letters_[i] == letter) return static_cast<int>(i);
  return -1;
}

void CCdromDevice::ChooseStartUnit(int cdromDriver, char requested) {
  selected_ = cdromDriver >= 0 && cdromDriver < DriveCount() ? cdromDriver : 0;
  int index = requested ? IndexOfLetter(requested) : -1;
  if (index >= 0) selected_ = index;
  if (DriveCount() > 0) commands_.currentDriveLetter = Letter(selected_);
}

DeviceHandle CCdromDevice::OpenDrivePath(const std::string& path, bool allowReadOnly) {
  DeviceHandle device = io_.Open(path, true);
  if (device == kInvalidDevice && allowReadOnly) device = io_.Open(path, false);
  return device;
}

bool CCdromDevice::OpenDevice(AccessPath path, int driveType) {
  if (DriveCount() == 0) return false;
  commands_.Install(path, driveType);
  if (path == AccessPath::Driver) {
    handle_ = io_.Open(kDriverDevicePath, false);
    if (handle_ == kInvalidDevice) return false;
    for (int i = 0; i < DriveCount(); ++i) {
      commands_.currentDriveLetter = Letter(i);
      commands_.Identify(handle_, identities_[static_cast<size_t>(i)]);
    }
    commands_.currentDriveLetter = Letter(selected_);
    return true;
  }
  for (int i = 0; i < DriveCount(); ++i) {
    DeviceHandle device = OpenDrivePath(Path(i), true);
    if (device == kInvalidDevice) continue;
    commands_.Identify(device, identities_[static_cast<size_t>(i)]);
    io_.Close(device);
  }
  handle_ = OpenDrivePath(Path(selected_), true);
  commands_.currentDriveLetter = Letter(selected_);
  return handle_ != kInvalidDevice;
}

bool CCdromDevice::ChangeUnit(int index) {
  if (index < 0 || index >= DriveCount()) return false;
  commands_.ClearBlockLengthFlag();
  if (commands_.Path() == AccessPath::PassThrough) {
    DeviceHandle device = OpenDrivePath(Path(index), false);
    if (device == kInvalidDevice) return false;
    io_.Close(handle_);
    handle_ = device;
  }
  selected_ = index;
  commands_.currentDriveLetter = Letter(index);
  return true;
}

std::string CCdromDevice::DriveLabel(int index) const {
  const CDriveIdentity& id = Identity(index);
  std::string name = std::string(id.vendor, strnlen(id.vendor, 8)) + std::string(id.product, strnlen(id.product, 16));
  return Format("%c:  %s", Letter(index), name.c_str());
}

void CCdromDevice::Close() {
  io_.Close(handle_);
  handle_ = kInvalidDevice;
}

char MediaChangeLetter(uint32_t deviceType, uint16_t flags, uint32_t unitMask) {
  if (deviceType != 2 || !(flags & 1)) return 0;
  for (int bit = 0; bit < 26; ++bit)
    if (unitMask & (1u << bit)) return static_cast<char>('A' + bit);
  return 0;
}
