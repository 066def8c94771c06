#include "cdrom/virtual/virtual_drive_win.h"
#include "platform/thread_wait_win.h"

#include <windows.h>
#include <dbt.h>

#include <cstdio>
#include <vector>

namespace {

void ReportProblems(CVirtualDeviceIo& io) {
  for (const std::string& problem : io.TakeLoadProblems()) {
    std::string line = "virtual drive " + problem + "; the drive has no medium\n";
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
    OutputDebugStringA(line.c_str());
  }
}

BOOL CALLBACK CollectProcessWindows(HWND hwnd, LPARAM param) {
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid == GetCurrentProcessId()) reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
  return TRUE;
}

}  // namespace

void BroadcastMediaChange(char letter, bool arrived, void* stop) {
  if (letter < 'A' || letter > 'Z') return;
  DEV_BROADCAST_VOLUME volume = {};
  volume.dbcv_size = sizeof(volume);
  volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
  volume.dbcv_unitmask = 1u << (letter - 'A');
  volume.dbcv_flags = DBTF_MEDIA;
  WPARAM event = arrived ? DBT_DEVICEARRIVAL : DBT_DEVICEREMOVECOMPLETE;
  std::vector<HWND> windows;
  EnumWindows(CollectProcessWindows, reinterpret_cast<LPARAM>(&windows));
  for (HWND hwnd : windows) {
    if (stop && WaitForSingleObject(stop, 0) == WAIT_OBJECT_0) return;
    DWORD_PTR result = 0;
    SendMessageTimeoutA(hwnd, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(&volume), SMTO_NORMAL | SMTO_ABORTIFHUNG,
                        5000, &result);
  }
}

CWin32VirtualDeviceIo::CWin32VirtualDeviceIo(IDeviceIo* system, const std::vector<VIRTUAL_DRIVE_CONFIG>& drives,
                                             unsigned pollMilliseconds)
    : CVirtualDeviceIo(system, drives), pollMilliseconds_(pollMilliseconds) {
  // A failing virtual call leaves its reason where DeviceIoControl would.
  SetErrorSink([](uint32_t error) { SetLastError(error); });
  stop_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (stop_) watcher_ = CreateThread(nullptr, 0, WatcherMain, this, 0, nullptr);
}

CWin32VirtualDeviceIo::~CWin32VirtualDeviceIo() {
  if (watcher_) {
    SetEvent(stop_);
    // The watcher may be sending WM_DEVICECHANGE to a window of this very
    // thread; answer it rather than wait out its time-out.
    WaitForThreadAnsweringSends(watcher_);
    CloseHandle(watcher_);
  }
  if (stop_) CloseHandle(stop_);
}

unsigned long __stdcall CWin32VirtualDeviceIo::WatcherMain(void* self) {
  static_cast<CWin32VirtualDeviceIo*>(self)->Watch();
  return 0;
}

void CWin32VirtualDeviceIo::Watch() {
  while (WaitForSingleObject(stop_, pollMilliseconds_) == WAIT_TIMEOUT) {
    for (const MEDIA_CHANGE& change : PollMedia()) BroadcastMediaChange(change.letter, change.arrived, stop_);
    ReportProblems(*this);
  }
}

std::unique_ptr<CWin32VirtualDeviceIo> CreateVirtualDrives(IDeviceIo& system, const std::string& text,
                                                           std::string& error) {
  std::vector<VIRTUAL_DRIVE_CONFIG> drives;
  if (!ParseVirtualDrives(text, drives, error)) return nullptr;
  auto io = std::make_unique<CWin32VirtualDeviceIo>(&system, drives);
  ReportProblems(*io);
  return io;
}

std::unique_ptr<IDeviceIo> CreateVirtualDrivesFromEnvironment(IDeviceIo& system) {
  std::vector<char> value(32768, '\0');
  DWORD length = GetEnvironmentVariableA(kVirtualDrivesVariable, value.data(), static_cast<DWORD>(value.size()));
  if (length == 0 || length >= value.size()) return nullptr;
  std::string error;
  std::unique_ptr<CWin32VirtualDeviceIo> io = CreateVirtualDrives(system, std::string(value.data(), length), error);
  if (!io) {
    std::fprintf(stderr, "%s\n", error.c_str());
    std::fflush(stderr);
    MessageBoxA(nullptr, error.c_str(), "Cantaro Maker", MB_OK | MB_ICONERROR);
  }
  return io;
}
