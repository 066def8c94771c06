#pragma once
// The CDDB session of the main window: it owns the component's wrapper, sets
// the session up, passes the options on, and relays the component's events to
// whichever CDDB window is current.
#include <windows.h>

#include "discinfo/cddb_control.h"
#include "discinfo/cddb_session.h"

class CCddbSession : public ICddbEvents {
 public:
  CCddbSession() : control_(this) {}

  CCDDBControl& Control() { return control_; }
  // Client identity, the owner of the component's dialogs, the options.
  void SetUpCddbSession(HWND mainWindow, const CDDB_SESSION_OPTIONS& options);
  void ApplyCddbOptions(const CDDB_SESSION_OPTIONS& options);
  // Each CDDB window names itself here when it opens; it is not cleared
  // when the window closes (a closed window no longer receives events).
  void SetCurrentWindow(HWND window) { current_ = window; }

  void CommandCompleted(int32_t command, int32_t status, const CDDB_RESULT& result) override;
  void CommandProgress(int32_t unused, int32_t phase, int32_t position, int32_t total) override;

 private:
  CCDDBControl control_;
  HWND current_ = nullptr;
};
