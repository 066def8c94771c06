#pragma once
// The CDDB query window: a worker thread reads the disc's TOC through the
// CD-audio service and asks the component for it; the window shows the
// progress, the list of matches, the matched disc, no match or the failure,
// and on OK copies the disc's texts into the disc record.
#include <windows.h>

#include <functional>
#include <memory>

#include "discinfo/cddb_lookup_win.h"
#include "discinfo/cddb_session_win.h"
#include "discinfo/disc_record.h"
#include "discinfo/query_pages_win.h"

// Where an accepted disc goes: the record, and the title column of the
// row that shows a track (by its track index).
struct QUERY_TARGET {
  CDiscRecord* record = nullptr;
  char driveLetter = 0;
  std::function<void(int trackIndex, const std::string& title)> setRowTitle;
};

// Copies an accepted disc into the target and its rows.
void AcceptCddbDisc(const CCddbDisc& disc, const QUERY_TARGET& target);

class CQueryDlg : public CCddbDialog {
 public:
  CQueryDlg(CCddbSession& session, HWND mainWindow, QUERY_TARGET target);
  ~CQueryDlg() override;
  // The user asked for a new submission.
  bool SubmitNew() const { return submitNew_; }

 protected:
  BOOL OnInitDialog() override;
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  CCddbProgressPage& ProgressPage() override { return progress_; }
  void CloseAfterFailedCancel() override;

 private:
  LRESULT OnCompleted(WPARAM wParam, LPARAM);
  LRESULT OnMatches(WPARAM wParam, LPARAM);
  LRESULT OnDisc(WPARAM wParam, LPARAM);
  LRESULT OnNoMatch(WPARAM, LPARAM);
  LRESULT OnFailed(WPARAM wParam, LPARAM);
  LRESULT OnIgnored(WPARAM, LPARAM) { return 0; }
  LRESULT OnOkButton(WPARAM, LPARAM);
  LRESULT OnMoreInfo(WPARAM, LPARAM);
  LRESULT OnCancelButton(WPARAM, LPARAM);
  LRESULT OnSubmitNew(WPARAM, LPARAM);

  void ShowError(const std::string& text);
  void MakeOkTheChoice();
  // Stops the worker, closes the CD-audio device, lets go of the fetched
  // disc and ends the window.
  void Close(INT_PTR result);

  QUERY_TARGET target_;
  CDDB_LOOKUP_BLOCK block_;
  CCddbWorker worker_;
  CQueryProgress progress_;
  CQueryMatchMulti list_;
  CQueryFullInfo info_;
  CQueryNoMatch noMatch_;
  CQueryError error_;
  std::shared_ptr<CCddbDisc> shown_;
  std::shared_ptr<CCddbDisc> fetched_;
  bool exactDisc_ = false;
  bool submitNew_ = false;
};
