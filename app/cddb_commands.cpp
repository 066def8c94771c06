#include "app/cddb_commands.h"

#include "app/busy_guard.h"
#include "discinfo/query_dlg_win.h"

CDDB_SESSION_OPTIONS CddbOptionsFromSettings(const CAppSettings& settings) {
  CDDB_SESSION_OPTIONS options;
  options.proxy = settings.PROXY != 0;
  options.proxyHost = settings.PROXYHOST;
  options.proxyPort = settings.ProxyPort;
  options.proxyUser = settings.PROXYUSERNAME;
  options.proxyPassword = settings.PROXYPASSWORD;
  options.timeoutMs = settings.ServerTimeout;
  options.cacheDirectory = settings.CACHEDIRECTORY;
  return options;
}

void CCddbCommands::SetUpCddbSession(HWND mainWindow) {
  session_.SetUpCddbSession(mainWindow, CddbOptionsFromSettings(settings_));
}

void CCddbCommands::ApplyCddbOptions() { session_.ApplyCddbOptions(CddbOptionsFromSettings(settings_)); }

void CCddbCommands::QueryCddb(HWND mainWindow) {
  CBusyGuard busy(busy_);
  if (!busy.Held()) return;
  CCDDBControl& control = session_.Control();
  if (control.IsUserRegistered(0) == 0 && control.IsUserRegistered(1) == 0) return;
  QUERY_TARGET target;
  target.record = &record_;
  target.driveLetter = cdrom_.CurrentLetter();
  target.setRowTitle = [this](int trackIndex, const std::string& title) { SetRowTitle(trackIndex, title); };
  CQueryDlg query(session_, mainWindow, target);
  query.DoModal();
}

void CCddbCommands::RegisterWithCddb(HWND mainWindow) {
  CBusyGuard busy(busy_);
  if (!busy.Held()) return;
  SetUpCddbSession(mainWindow);
  session_.Control().IsUserRegistered(0);
  session_.Control().RegisterUser();
}

// The row that shows the track, wherever the user has moved it.
void CCddbCommands::SetRowTitle(int trackIndex, const std::string& title) {
  for (int row = 0; row < list_.Count(); ++row)
    if (list_.TrackIndex(row) == trackIndex) list_.SetText(row, 1, title);
}
