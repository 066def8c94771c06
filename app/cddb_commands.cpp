#include "app/cddb_commands.h"

#include "app/busy_guard.h"
#include "cdrom/cd_audio_service.h"
#include "discinfo/submit_dlg_win.h"
#include "resources/strings.h"

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

void CCddbCommands::ClearCddbCache() { session_.Control().ClearCache(1); }

bool CCddbCommands::UserIsRegistered() {
  CCDDBControl& control = session_.Control();
  return control.IsUserRegistered(0) != 0 || control.IsUserRegistered(1) != 0;
}

QUERY_TARGET CCddbCommands::Target() {
  QUERY_TARGET target;
  target.record = &record_;
  target.driveLetter = cdrom_.CurrentLetter();
  target.setRowTitle = [this](int trackIndex, const std::string& title) { SetRowTitle(trackIndex, title); };
  return target;
}

void CCddbCommands::QueryCddb(HWND mainWindow) {
  CBusyGuard busy(busy_);
  if (!busy.Held() || !UserIsRegistered()) return;
  CQueryDlg query(session_, mainWindow, Target());
  query.DoModal();
  if (query.SubmitNew()) SubmitToCddb(mainWindow);
}

void CCddbCommands::SubmitToCddb(HWND mainWindow) {
  // The query's "Submit New" comes here with the flag held, so it is set
  // without a test; it is clear again when the submission ends.
  busy_ = true;
  struct CLEAR_BUSY {
    bool& busy;
    ~CLEAR_BUSY() { busy = false; }
  } clearBusy{busy_};
  if (!UserIsRegistered()) {
    ShowMessageText(mainWindow, "You must register CDDB first.");
    return;
  }
  std::string toc = CurrentDiscToc();
  std::shared_ptr<CCddbDisc> disc;
  try {
    disc = PrepareSubmission(session_.Control(), toc, record_);
  } catch (const CCddbException&) {
    ShowMessageText(mainWindow, "Get Media TOC Error!");
    return;
  }
  SUBMIT_TARGET target;
  target.accept = Target();
  target.homePage = URL_HOME_PAGE;
  CSubmitDlg submission(session_, mainWindow, disc, target);
  submission.DoModal();
  session_.Control().SetParentWindow(reinterpret_cast<intptr_t>(mainWindow), 0);
}

// The TOC string of the disc in the current drive, read through the
// player's open CD-audio device (or one opened for the purpose when the
// player has none); empty when it cannot be read.
std::string CCddbCommands::CurrentDiscToc() {
  if (player_.Device() != 0) return session_.Control().TocFromDevice(player_.Device());
  ICdAudioService* service = CdAudioService();
  std::string error;
  uint32_t device = service ? OpenCdAudio(*service, cdrom_.CurrentLetter(), error) : 0;
  if (device == 0) return std::string();
  std::string toc = session_.Control().TocFromDevice(device);
  service->Close(device);
  return toc;
}

void CCddbCommands::MusicBrowser(HWND mainWindow) {
  {
    CBusyGuard busy(busy_);
    if (!busy.Held() || !UserIsRegistered()) return;
    CMusicBrowserDlg browser(session_, mainWindow, browseLookup_);
    browser.DoModal();
    // The lookup ends once the browser has closed, whichever comes first:
    // this or the browser's posted request.
    EndBrowseLookup();
    if (!browser.SubmitNew()) return;
  }
  SubmitToCddb(mainWindow);
}

void CCddbCommands::StartBrowseLookup(HWND browser) {
  browseLookup_.Start(browser, session_.Control(), cdrom_.CurrentLetter());
}

void CCddbCommands::EndBrowseLookup() { browseLookup_.End(); }

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
