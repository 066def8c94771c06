#pragma once
// The device I/O seam: drive roots and their types, opening a device,
// device control requests and closing. The Win32 twin calls the system;
// virtual drives stand in for hardware in tests and the demo.
#include <cstdint>
#include <string>
#include <vector>

inline constexpr unsigned kDriveTypeCdrom = 5;  // DRIVE_CDROM
inline constexpr size_t kMaxCdromDrives = 8;

using DeviceHandle = intptr_t;
inline constexpr DeviceHandle kInvalidDevice = -1;

class IDeviceIo {
 public:
  virtual ~IDeviceIo() = default;
  // Drive roots such as "C:\", in the system's order.
  virtual std::vector<std::string> DriveRoots() = 0;
  virtual unsigned DriveType(const std::string& root) = 0;
  // devicePath is "\\.\E:" or "\\.\Tambour".
  virtual DeviceHandle Open(const std::string& devicePath, bool readWrite) = 0;
  virtual bool Control(DeviceHandle device, uint32_t code, void* in, uint32_t inSize, void* out, uint32_t outSize,
                       uint32_t* returned) = 0;
  virtual void Close(DeviceHandle device) = 0;
};

// The letters of the CD-ROM drives, in the system's order, at most eight.
std::vector<char> FindCdromDrives(IDeviceIo& io);
