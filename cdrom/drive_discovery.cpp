#include "cdrom/device_io.h"

std::vector<char> FindCdromDrives(IDeviceIo& io) {
  std::vector<char> letters;
  for (const std::string& root : io.DriveRoots()) {
    if (letters.size() == kMaxCdromDrives) break;
    if (root.empty() || io.DriveType(root) != kDriveTypeCdrom) continue;
    char letter = root[0];
    if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
    letters.push_back(letter);
  }
  return letters;
}
