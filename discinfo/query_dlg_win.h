#pragma once
// The CDDB query window: a worker thread reads the disc's TOC through the
// CD-audio service and asks the component for it; the window shows the
// progress, the list of matches, the matched disc, no match or the failure,
// and on OK copies the disc's texts into the disc record.
#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>

#include "discinfo/cddb_session_win.h"
#include "discinfo/disc_record.h"
#include "discinfo/query_pages_win.h"
#include "widgets/page_host.h"

// Where an accepted disc goes: the record, and the title column of the
// row that shows a track (by its track index).
struct QUERY_TARGET {
  CDiscRecord* record = nullptr;
  char driveLetter = 0;
  std::function<void(int trackIndex, const std::string& title)> setRowTitle;
};

class CQueryDlg : public CDialog {
 public:
  CQueryDlg(CCddbSession& session, HWND mainWindow, QUERY_TARGET target);
  ~CQueryDlg() override;
  // The user asked for a new submission.
  bool SubmitNew() const { return submitNew_; }

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override {}
  void OnCancel() override { OnCancelButton(0, 0); }
  bool PreTranslateMessage(MSG& msg) override { return pages_.TranslateNavigation(msg); }
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  // What the window and its worker share.
  struct WORKER_BLOCK {
    CCDDBControl* control = nullptr;
    HWND window = nullptr;
    HANDLE choice = nullptr;  // the user has decided (auto-reset)
    HANDLE done = nullptr;    // a component command has completed (auto-reset)
    std::atomic<int> chosenRow{-1};
    std::atomic<int> matchKind{0};
    std::atomic<int> failed{0};  // -1: a command failed or was cancelled
    char driveLetter = 0;
  };
  static DWORD WINAPI WorkerMain(void* block);
  static void RunWorker(WORKER_BLOCK& block);
  static bool Preload(WORKER_BLOCK& block, bool second);

  LRESULT OnCompleted(WPARAM wParam, LPARAM);
  LRESULT OnProgress(WPARAM wParam, LPARAM);
  LRESULT OnConnecting(WPARAM, LPARAM);
  LRESULT OnMatches(WPARAM wParam, LPARAM);
  LRESULT OnDisc(WPARAM wParam, LPARAM);
  LRESULT OnNoMatch(WPARAM, LPARAM);
  LRESULT OnFailed(WPARAM wParam, LPARAM);
  LRESULT OnIgnored(WPARAM, LPARAM) { return 0; }
  LRESULT OnOkButton(WPARAM, LPARAM);
  LRESULT OnMoreInfo(WPARAM, LPARAM);
  LRESULT OnCancelButton(WPARAM, LPARAM);
  LRESULT OnSubmitNew(WPARAM, LPARAM);

  bool ShowWaitCursor(LRESULT& result);
  void ShowError(const std::string& text);
  void MakeOkTheChoice();
  void AcceptShownDisc();
  // Stops the worker, closes the CD-audio device, lets go of the fetched
  // disc and ends the window.
  void Close(INT_PTR result);
  void StopWorker();

  CCddbSession& session_;
  QUERY_TARGET target_;
  WORKER_BLOCK block_;
  HANDLE worker_ = nullptr;
  CPageHost pages_;
  CQueryProgress progress_;
  CQueryMatchMulti list_;
  CQueryFullInfo info_;
  CQueryNoMatch noMatch_;
  CQueryError error_;
  std::shared_ptr<CCddbDisc> shown_;
  std::shared_ptr<CCddbDisc> fetched_;
  bool exactDisc_ = false;
  bool submitNew_ = false;
  bool cancelling_ = false;
};

// The CD-audio device the query has open (0: none), shared by the window
// and its worker.
uint32_t QueryDeviceSlot();
