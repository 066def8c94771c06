#pragma once
// The main window: the program's only top-level window. Its
// initialisation is the program's start-up sequence; its destruction saves
// what the session changed.
#include <string>
#include <vector>

#include "app/exchange_area_win.h"
#include "app/exchange_requests.h"
#include "app/settings.h"
#include "cdrom/device_io.h"
#include "jobs/encoder_library.h"
#include "widgets/dialog.h"

class CMainWindow : public CDialog, public IRequestTarget {
 public:
  CMainWindow(CAppSettings& settings, IDeviceIo& io, IRegistryKey& settingsKey,
              std::string commandLine);

  bool IsInitialised() const { return initialised_; }
  std::vector<std::string>& InputFiles() { return inputFiles_; }

  // IRequestTarget
  void ComeToFront() override;
  bool IsBusy() const override { return busy_; }
  void SetBusy(bool busy) override { busy_ = busy; }
  uint32_t WindowHandle() const override;
  char CurrentDriveLetter() const override { return currentDrive_; }
  bool HasDrive(char letter) const override;
  bool SwitchToDrive(char letter) override;
  int RowCount() const override;
  int RowTrackIndex(int row) const override;
  void SetRowChecked(int row, bool checked) override;
  void PostStartExtract(int repaintFlag) override;
  void PostFileRequest(bool decode) override;
  void RunFileJob(size_t fileCount, bool decode) override;

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;
  bool PreTranslateMessage(MSG& msg) override;
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  // Start-up steps 5 to 21; false when a step stops the sequence.
  bool RunStartUpSequence();
  bool LayOutWindow();
  void SetUpPlaybackControls();
  bool ChooseAndOpenDrive();
  bool OpenDevice(char letter, DeviceHandle& device);
  void ApplyCommandLineTracksAndFolder();
  void ReadDisc();
  void ClearTrackList();
  MAIN_WINDOW_GEOMETRY CurrentGeometry() const;

  LRESULT OnExtractRequest(WPARAM wParam, LPARAM lParam);
  LRESULT OnComeToFront(WPARAM wParam, LPARAM lParam);
  LRESULT OnDecodeRequest(WPARAM wParam, LPARAM lParam);
  LRESULT OnEncodeRequest(WPARAM wParam, LPARAM lParam);
  LRESULT OnStartExtract(WPARAM wParam, LPARAM lParam);
  LRESULT OnSysCommand(WPARAM wParam, LPARAM lParam);
  LRESULT OnDestroyWindow(WPARAM wParam, LPARAM lParam);
  LRESULT OnExtract(WPARAM wParam, LPARAM lParam);
  LRESULT OnAbout(WPARAM wParam, LPARAM lParam);
  LRESULT OnExit(WPARAM wParam, LPARAM lParam);

  CAppSettings& settings_;
  IDeviceIo& io_;
  IRegistryKey& settingsKey_;
  std::string commandLine_;
  CSharedExchangeArea area_;
  CExchangeRequests requests_;
  CEncoderBinding encoder_;
  HACCEL accelerators_ = nullptr;
  std::vector<char> drives_;
  char currentDrive_ = 0;
  DeviceHandle device_ = kInvalidDevice;
  std::vector<std::string> inputFiles_;
  std::string systemMp3Player_;
  bool busy_ = false;
  bool initialised_ = false;
};
