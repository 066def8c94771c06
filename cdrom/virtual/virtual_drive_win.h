#pragma once
// The virtual CD drives in a Win32 process: CVirtualDeviceIo with the
// thread's last-error value set as the system would set it, and a watcher
// that applies media changes (the eject files) and tells the process's
// top-level windows with the WM_DEVICECHANGE the system sends.
#include <memory>
#include <string>

#include "cdrom/virtual/virtual_drive.h"

class CWin32VirtualDeviceIo : public CVirtualDeviceIo {
 public:
  // Starts the media watcher, which looks every pollMilliseconds.
  CWin32VirtualDeviceIo(IDeviceIo* system, const std::vector<VIRTUAL_DRIVE_CONFIG>& drives,
                        unsigned pollMilliseconds = 100);
  // Stops the watcher; while waiting for it, answers the messages it may
  // still be sending to this thread's windows.
  ~CWin32VirtualDeviceIo() override;

 private:
  static unsigned long __stdcall WatcherMain(void* self);
  void Watch();
  unsigned pollMilliseconds_;
  void* stop_ = nullptr;     // the event that ends the watcher
  void* watcher_ = nullptr;  // its thread
};

// Parses a CANTARO_VIRTUAL_DRIVES text and makes its drives over system;
// nullptr with the reason when the text is malformed. Images that cannot be
// loaded leave their drive empty and are reported on stderr.
std::unique_ptr<CWin32VirtualDeviceIo> CreateVirtualDrives(IDeviceIo& system, const std::string& text,
                                                           std::string& error);

// The program's factory: nullptr when CANTARO_VIRTUAL_DRIVES is not set;
// when it is malformed, a message box and a line on stderr name the bad
// item and the program goes on with the system's drives alone.
std::unique_ptr<IDeviceIo> CreateVirtualDrivesFromEnvironment(IDeviceIo& system);

// Sends WM_DEVICECHANGE with DBT_DEVICEARRIVAL or DBT_DEVICEREMOVECOMPLETE
// and a media volume record for the letter to every top-level window of
// this process, waiting for each (a hung one is skipped after 5 s). Stops
// early when the event `stop` (if any) is set.
void BroadcastMediaChange(char letter, bool arrived, void* stop = nullptr);
