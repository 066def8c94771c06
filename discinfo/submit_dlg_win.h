#pragma once
// The submission window: its worker loads the component's tables, lets the
// user check and complete the disc's texts, submits them and reports how it
// went.
#include <windows.h>

#include <functional>
#include <memory>

#include "discinfo/cddb_session_win.h"
#include "discinfo/cddb_window_win.h"
#include "discinfo/disc_record.h"
#include "discinfo/query_dlg_win.h"
#include "discinfo/submit_pages_win.h"

// Where the submitted texts go as well.
struct SUBMIT_TARGET {
  QUERY_TARGET accept;   // the record and its rows
  std::string homePage;  // the address behind the link label
};

// A disc object of the component for the record's texts: entry 0's artist,
// album and year, its genre name or "120" when that is empty, and each
// track's title and artist.
std::shared_ptr<CCddbDisc> PrepareSubmission(CCDDBControl& control, const std::string& toc, const CDiscRecord& record);

// The first check "&Submit" fails, or "" when the texts may go.
std::string SubmitCheckFailure(const std::string& artist, const std::string& title, const CCddbDisc& disc);

class CSubmitDlg : public CCddbDialog {
 public:
  CSubmitDlg(CCddbSession& session, HWND mainWindow, std::shared_ptr<CCddbDisc> disc, SUBMIT_TARGET target);
  ~CSubmitDlg() override;

 protected:
  BOOL OnInitDialog() override;
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  CCddbProgressPage& ProgressPage() override { return progress_; }
  const char* CancellingText() const override { return "Cancel CDDB Submitting..."; }
  void CloseAfterFailedCancel() override;

 private:
  struct WORKER_BLOCK : CDDB_WORKER_BLOCK {
    std::shared_ptr<CCddbDisc> disc;
    std::atomic<int> outcome{1};  // 0 once the submission has completed
  };
  static DWORD WINAPI WorkerMain(void* block);
  static void RunWorker(WORKER_BLOCK& block);

  LRESULT OnCompleted(WPARAM wParam, LPARAM);
  LRESULT OnShowEdit(WPARAM, LPARAM);
  LRESULT OnSucceeded(WPARAM, LPARAM);
  LRESULT OnFailed(WPARAM wParam, LPARAM);
  LRESULT OnEditDisc(WPARAM, LPARAM);
  LRESULT OnSubmit(WPARAM, LPARAM);
  LRESULT OnCancelButton(WPARAM, LPARAM);
  LRESULT OnLink(WPARAM, LPARAM);
  LRESULT OnLinkColor(WPARAM wParam, LPARAM lParam);

  void ShowOutcome(CDialog& page);
  void Close(INT_PTR result);

  SUBMIT_TARGET target_;
  WORKER_BLOCK block_;
  CCddbWorker worker_;
  CSubmitProgress progress_;
  CSubmitEdit edit_;
  CSubmitOK ok_;
  CSubmitError error_;
  HFONT boldFont_ = nullptr;
};
