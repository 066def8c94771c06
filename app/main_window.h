#pragma once
// The main window: the program's only top-level window, borderless and
// skin-painted. Its initialisation is the program's start-up sequence; its
// destruction saves what the session changed. The window itself keeps the
// start-up order and routes every message and command to its parts: the
// skin frame, the job launcher and the command groups.
#include <memory>
#include <string>

#include "app/cddb_commands.h"
#include "app/current_disc.h"
#include "app/desktop_commands.h"
#include "discinfo/disc_record.h"
#include "app/exchange_area_win.h"
#include "app/exchange_requests.h"
#include "app/job_launcher.h"
#include "app/options_command.h"
#include "app/playback_commands.h"
#include "app/settings.h"
#include "app/skin_frame.h"
#include "app/track_list_commands.h"
#include "app/track_list_win.h"
#include "cdrom/autoplay_win.h"
#include "cdrom/cd_audio_player.h"
#include "cdrom/cdrom_device.h"
#include "cdrom/volume_out_master_win.h"
#include "jobs/encoder_library.h"
#include "widgets/dialog.h"

class CMainWindow : public CDialog, public IRequestTarget {
 public:
  CMainWindow(CAppSettings& settings, IDeviceIo& io, ICdAudioService& cdAudio, IRegistryKey& settingsKey,
              AccessPath accessPath, std::string commandLine);

  // IRequestTarget
  void ComeToFront() override;
  bool IsBusy() const override { return busy_; }
  void SetBusy(bool busy) override { busy_ = busy; }
  uint32_t WindowHandle() const override;
  char CurrentDriveLetter() const override { return cdrom_.CurrentLetter(); }
  bool HasDrive(char letter) const override { return cdrom_.IndexOfLetter(letter) >= 0; }
  bool SwitchToDrive(char letter) override;
  int RowCount() const override { return list_.Count(); }
  int RowTrackIndex(int row) const override { return list_.TrackIndex(row); }
  void SetRowChecked(int row, bool checked) override { list_.SetChecked(row, checked); }
  void PostStartExtract(int repaintFlag) override;
  void PostFileRequest(bool decode) override;
  void RunFileJob(size_t fileCount, bool decode) override;

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override { EndDialog(IDOK); }
  void OnCancel() override { EndDialog(IDCANCEL); }
  bool PreTranslateMessage(MSG& msg) override;
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  // Start-up steps 5 to 21; false when a step stops the sequence.
  bool RunStartUpSequence();
  bool LayOutWindow();
  void SetUpPlaybackControls();
  void SetUpVolumeSlider();
  bool ChooseAndOpenDrive();
  void ApplyCommandLineTracksAndFolder();
  MAIN_WINDOW_GEOMETRY CurrentGeometry() const;

  // Window messages.
  LRESULT OnExtractRequest(WPARAM, LPARAM);
  LRESULT OnComeToFront(WPARAM, LPARAM);
  LRESULT OnDecodeRequest(WPARAM, LPARAM);
  LRESULT OnEncodeRequest(WPARAM, LPARAM);
  LRESULT OnStartExtract(WPARAM wParam, LPARAM);
  LRESULT OnSysCommand(WPARAM, LPARAM);
  LRESULT OnDeviceChange(WPARAM wParam, LPARAM lParam);
  LRESULT OnDestroyWindow(WPARAM, LPARAM);
  LRESULT OnStartJob(WPARAM wParam, LPARAM lParam);
  LRESULT OnAbortJob(WPARAM, LPARAM);
  LRESULT OnLogLine(WPARAM wParam, LPARAM);
  LRESULT OnLaunchMp3Player(WPARAM, LPARAM);
  LRESULT OnListNotify(WPARAM, LPARAM lParam);
  LRESULT OnTimer(WPARAM wParam, LPARAM);
  LRESULT OnPlayEnded(WPARAM wParam, LPARAM);
  LRESULT OnSliderScroll(WPARAM wParam, LPARAM lParam);
  LRESULT OnSeekPosition(WPARAM wParam, LPARAM lParam);
  LRESULT OnVolumePosition(WPARAM wParam, LPARAM);

  // Commands, from the menus, the accelerators, the context menu and the
  // skinned buttons; a handler for several identifiers reads LOWORD(wParam).
  LRESULT OnMenuTitle(WPARAM wParam, LPARAM);
  LRESULT OnMinimize(WPARAM, LPARAM);
  LRESULT OnExit(WPARAM, LPARAM);
  LRESULT OnAbout(WPARAM, LPARAM);
  LRESULT OnExtract(WPARAM, LPARAM);
  LRESULT OnRefreshToc(WPARAM, LPARAM);
  LRESULT OnFileCommand(WPARAM wParam, LPARAM);
  LRESULT OnViewLog(WPARAM, LPARAM);
  LRESULT OnId3Tag(WPARAM, LPARAM);
  LRESULT OnRename(WPARAM, LPARAM);
  LRESULT OnMove(WPARAM wParam, LPARAM);
  LRESULT OnChangeCase(WPARAM wParam, LPARAM);
  LRESULT OnCopyToClipboard(WPARAM, LPARAM);
  LRESULT OnOpenOutputFolder(WPARAM, LPARAM);
  LRESULT OnEject(WPARAM, LPARAM);
  LRESULT OnCloseTray(WPARAM, LPARAM);
  LRESULT OnOptions(WPARAM, LPARAM);
  LRESULT OnPlaybackCommand(WPARAM wParam, LPARAM);
  LRESULT OnVolumeControl(WPARAM, LPARAM);
  LRESULT OnHelpContents(WPARAM, LPARAM);
  LRESULT OnWebPage(WPARAM wParam, LPARAM);
  LRESULT OnMp3Player(WPARAM, LPARAM);
  LRESULT OnQueryCddb(WPARAM, LPARAM);
  LRESULT OnRegisterCddb(WPARAM, LPARAM);
  LRESULT OnSubmitCddb(WPARAM, LPARAM);
  LRESULT OnMusicBrowser(WPARAM, LPARAM);
  LRESULT OnBrowseStart(WPARAM wParam, LPARAM);
  LRESULT OnBrowseEnd(WPARAM, LPARAM);
  LRESULT OnSelectionCommand(WPARAM wParam, LPARAM);

  CAppSettings& settings_;
  IDeviceIo& io_;
  IRegistryKey& settingsKey_;
  AccessPath accessPath_;
  std::string commandLine_;
  bool busy_ = false;
  bool initialised_ = false;
  CSharedExchangeArea area_;
  CEncoderBinding encoder_;
  CDriveCommands commands_;
  CCdromDevice cdrom_;
  CDiscRecord record_;
  CAutoPlay autoPlay_;
  CTrackList list_;
  CCdAudioPlayer player_;
  CPlaybackCommands playback_;
  std::unique_ptr<CVolumeOutMaster> volume_;
  CCurrentDisc disc_;
  CSkinFrame frame_;
  CJobLauncher jobs_;
  CTrackListCommands listCommands_;
  CDesktopCommands desktop_;
  CCddbCommands cddb_;
  COptionsCommand options_;
  CExchangeRequests requests_;
  HACCEL accelerators_ = nullptr;
};
