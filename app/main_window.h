#pragma once
// The main window: the program's only top-level window, borderless and
// skin-painted. Its initialisation is the program's start-up sequence; its
// destruction saves what the session changed.
#include <string>
#include <vector>

#include "app/exchange_area_win.h"
#include "app/exchange_requests.h"
#include "app/main_layout.h"
#include "app/settings.h"
#include "app/track_commands.h"
#include "app/track_list_win.h"
#include "cdrom/autoplay_win.h"
#include "cdrom/cdrom_device.h"
#include "discinfo/disc_reader.h"
#include "discinfo/disc_record.h"
#include "jobs/encoder_library.h"
#include "jobs/job_workers.h"
#include "widgets/dialog.h"
#include "widgets/skin_buttons.h"

class CProcessingDialog;

class CMainWindow : public CDialog, public IRequestTarget {
 public:
  CMainWindow(CAppSettings& settings, IDeviceIo& io, IRegistryKey& settingsKey, AccessPath accessPath,
              std::string commandLine);

  bool IsInitialised() const { return initialised_; }
  std::vector<std::string>& InputFiles() { return inputFiles_; }

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
  void ApplyLayout();
  void SetUpPlaybackControls();
  bool ChooseAndOpenDrive();
  void ApplyCommandLineTracksAndFolder();
  void ReadDisc();
  void ShowDriveLabel();
  void SetStatusText(const std::string& text);
  void OpenMenu(MENU_TITLE title);
  MAIN_WINDOW_GEOMETRY CurrentGeometry() const;

  // Message handlers.
  LRESULT OnExtractRequest(WPARAM, LPARAM);
  LRESULT OnComeToFront(WPARAM, LPARAM);
  LRESULT OnDecodeRequest(WPARAM, LPARAM);
  LRESULT OnEncodeRequest(WPARAM, LPARAM);
  LRESULT OnStartExtract(WPARAM wParam, LPARAM);
  LRESULT OnStatusHelp(WPARAM wParam, LPARAM);
  LRESULT OnSysCommand(WPARAM wParam, LPARAM);
  LRESULT OnPaint(WPARAM, LPARAM);
  LRESULT OnEraseBackground(WPARAM, LPARAM);
  LRESULT OnControlColor(WPARAM wParam, LPARAM lParam);
  LRESULT OnDrawItem(WPARAM, LPARAM lParam);
  LRESULT OnLeftButtonDown(WPARAM, LPARAM lParam);
  LRESULT OnLeftButtonUp(WPARAM, LPARAM lParam);
  LRESULT OnMenuSelect(WPARAM wParam, LPARAM lParam);
  LRESULT OnContextMenu(WPARAM wParam, LPARAM lParam);
  LRESULT OnDeviceChange(WPARAM wParam, LPARAM lParam);
  LRESULT OnDestroyWindow(WPARAM, LPARAM);
  LRESULT OnCommand(WPARAM wParam, LPARAM);
  LRESULT OnStartJob(WPARAM wParam, LPARAM lParam);
  LRESULT OnAbortJob(WPARAM, LPARAM);
  LRESULT OnLogLine(WPARAM wParam, LPARAM);

  // Jobs: the processing window runs modally; each job gets its own CJob
  // and abort event, so a new job never shares state with a worker still
  // finishing an aborted item.
  void RunProcessingWindow(JOB_KIND kind, size_t count);
  CJob* BuildCdJob();
  CJob* BuildFileJob();
  void StartWorker(CJob* job, JOB_KIND kind);
  JOB_STEPS MakeSteps();
  void OnFileCommand(JOB_KIND kind);
  void OnViewLog();
  void OnId3Tag();
  void OnRename();
  void OnMove(MOVE_KIND kind);
  void OnChangeCase(int command);
  void OnCopyToClipboard();
  void OnOpenOutputFolder();
  void OnVolumeControl();
  void OnHelpContents();
  void OnWebPage(bool cddb);
  void OnDefaultMp3Player();
  void OnEject();
  // Stores the current disc's texts in the disc cache.
  void WriteCache();
  LRESULT OnLaunchMp3Player(WPARAM, LPARAM);
  LRESULT OnListNotify(WPARAM, LPARAM lParam);

  // Commands.
  void OnExtract();
  void OnAbout();
  void OnRefreshToc();
  void SetAllChecks(int how);  // 1 check, 0 uncheck, -1 invert

  CAppSettings& settings_;
  IDeviceIo& io_;
  IRegistryKey& settingsKey_;
  AccessPath accessPath_;
  std::string commandLine_;
  CSharedExchangeArea area_;
  CExchangeRequests requests_;
  CEncoderBinding encoder_;
  CDriveCommands commands_;
  CCdromDevice cdrom_;
  CDiscRecord disc_;
  CAutoPlay autoPlay_;
  CTrackList list_;
  CSkinButtons buttons_;
  HACCEL accelerators_ = nullptr;
  HMENU menus_ = nullptr;
  HMENU contextMenu_ = nullptr;
  HBRUSH frameBrush_ = nullptr;
  std::vector<std::string> inputFiles_;
  std::string systemMp3Player_;
  std::string playerToLaunch_;
  std::string standingStatus_;
  CProcessingDialog* processing_ = nullptr;  // while its modal loop runs
  HANDLE abortEvent_ = nullptr;  // the running job's; the worker holds its own copy
  bool busy_ = false;
  bool initialised_ = false;
  bool discRead_ = false;  // a TOC has been read: the disc record names a disc
  bool resizing_ = false;
  POINT resizeStart_ = {};
  SIZE resizeClient_ = {};
};
