#include "cdrom/device_io_win.h"

#include <windows.h>

std::vector<std::string> CWin32DeviceIo::DriveRoots() {
  char buffer[512] = {};
  DWORD length = GetLogicalDriveStringsA(sizeof(buffer) - 1, buffer);
  std::vector<std::string> roots;
  if (length == 0 || length >= sizeof(buffer)) return roots;
  for (const char* p = buffer; *p; p += strlen(p) + 1) roots.emplace_back(p);
  return roots;
}

unsigned CWin32DeviceIo::DriveType(const std::string& root) { return GetDriveTypeA(root.c_str()); }

DeviceHandle CWin32DeviceIo::Open(const std::string& devicePath, bool readWrite) {
  DWORD access = readWrite ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ;
  HANDLE h =
      CreateFileA(devicePath.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  return h == INVALID_HANDLE_VALUE ? kInvalidDevice : reinterpret_cast<DeviceHandle>(h);
}

bool CWin32DeviceIo::Control(DeviceHandle device, uint32_t code, void* in, uint32_t inSize, void* out, uint32_t outSize,
                             uint32_t* returned) {
  DWORD got = 0;
  BOOL ok = DeviceIoControl(reinterpret_cast<HANDLE>(device), code, in, inSize, out, outSize, &got, nullptr);
  if (returned) *returned = got;
  return ok != FALSE;
}

void CWin32DeviceIo::Close(DeviceHandle device) {
  if (device != kInvalidDevice) CloseHandle(reinterpret_cast<HANDLE>(device));
}
