#pragma once
// The system's drives and devices behind the device I/O seam.
#include "cdrom/device_io.h"

class CWin32DeviceIo : public IDeviceIo {
 public:
  std::vector<std::string> DriveRoots() override;
  unsigned DriveType(const std::string& root) override;
  DeviceHandle Open(const std::string& devicePath, bool readWrite) override;
  bool Control(DeviceHandle device, uint32_t code, void* in, uint32_t inSize, void* out, uint32_t outSize,
               uint32_t* returned) override;
  void Close(DeviceHandle device) override;
};
