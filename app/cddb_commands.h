#pragma once
// The CDDB commands of the main window: the session it opens at start-up,
// "Query CDDB..." and "Register with CDDB...".
#include <windows.h>

#include "app/settings.h"
#include "app/track_list_win.h"
#include "cdrom/cd_audio_player.h"
#include "cdrom/cdrom_device.h"
#include "discinfo/browser_dlg_win.h"
#include "discinfo/cddb_session_win.h"
#include "discinfo/query_dlg_win.h"
#include "discinfo/disc_record.h"

// The session's options as the settings hold them.
CDDB_SESSION_OPTIONS CddbOptionsFromSettings(const CAppSettings& settings);

class CCddbCommands {
 public:
  CCddbCommands(const CAppSettings& settings, bool& busy, CDiscRecord& record, CTrackList& list,
                const CCdromDevice& cdrom, const CCdAudioPlayer& player)
      : settings_(settings), busy_(busy), record_(record), list_(list), cdrom_(cdrom), player_(player) {}

  void SetUpCddbSession(HWND mainWindow);
  void ApplyCddbOptions();
  // The Options dialog's Clear: empties the component's cache at once.
  void ClearCddbCache();
  void QueryCddb(HWND mainWindow);
  void SubmitToCddb(HWND mainWindow);
  void MusicBrowser(HWND mainWindow);
  void RegisterWithCddb(HWND mainWindow);
  // The music browser's lookup, which the main window owns: started when
  // the browser opens, ended once it has closed.
  void StartBrowseLookup(HWND browser);
  void EndBrowseLookup();

 private:
  // Registered already, or after the component's own prompt.
  bool UserIsRegistered();
  QUERY_TARGET Target();
  std::string CurrentDiscToc();
  void SetRowTitle(int trackIndex, const std::string& title);

  const CAppSettings& settings_;
  bool& busy_;
  CDiscRecord& record_;
  CTrackList& list_;
  const CCdromDevice& cdrom_;
  const CCdAudioPlayer& player_;
  CCddbSession session_;
  CBrowserLookup browseLookup_;
};
