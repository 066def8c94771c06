#include "cdrom/device_io.h"

std::vector<char> FindCdromDrives(IDeviceIo& io) {
  std::vector<char> letters;
  for (const std::string& root : io.DriveRoots()) {
    if (letters.size() == kMaxCdromDrives) break;
    if (!root.empty() && io.DriveType(root) == kDriveTypeCdrom) letters.push_back(root[0]);
  }
  return letters;
}
