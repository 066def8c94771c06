#include "discinfo/cddb_session_win.h"

#include "platform/messages.h"

void CCddbSession::SetUpCddbSession(HWND mainWindow, const CDDB_SESSION_OPTIONS& options) {
  control_.SetClient(kCddbClientId, kCddbClientKey, kCddbClientVersion, kCddbRegistration);
  control_.SetParentWindow(reinterpret_cast<intptr_t>(mainWindow), 0);
  ApplyCddbOptions(options);
}

void CCddbSession::ApplyCddbOptions(const CDDB_SESSION_OPTIONS& options) {
  std::shared_ptr<CCddbOptions> current = control_.ReadOptions();
  if (!current) return;
  FillCddbOptions(options, *current);
  control_.ApplyOptions(*current);
}

void CCddbSession::CommandCompleted(int32_t command, int32_t status, const CDDB_RESULT& result) {
  if (!current_ || !IsWindow(current_)) return;
  CDDB_COMPLETION completion{command, status, result};
  SendMessageA(current_, UM_CDDB_COMPLETED, reinterpret_cast<WPARAM>(&completion), 0);
}

void CCddbSession::CommandProgress(int32_t unused, int32_t phase, int32_t position, int32_t total) {
  if (!current_ || !IsWindow(current_)) return;
  CDDB_PROGRESS progress{{unused, phase, position, total}};
  SendMessageA(current_, UM_CDDB_PROGRESS, reinterpret_cast<WPARAM>(&progress), 0);
}
