#pragma once
// The CDDB music browser: a reduced query that only identifies the disc in
// the drive. Its lookup worker belongs to the main window (CBrowserLookup);
// the window closes as soon as a disc is identified or none is found, and
// copies nothing into the disc record.
#include <windows.h>

#include <memory>

#include "discinfo/cddb_lookup_win.h"
#include "discinfo/cddb_session_win.h"
#include "discinfo/query_pages_win.h"

// The main window's lookup block and worker for the browser.
class CBrowserLookup {
 public:
  ~CBrowserLookup() { worker_.Stop(block_); }
  CDDB_LOOKUP_BLOCK& Block() { return block_; }
  // Starts the worker for the browser window (no preloads).
  bool Start(HWND browser, CCDDBControl& control, char driveLetter);
  // Tells the component, wakes the worker and waits for it to end; does
  // nothing when no worker runs.
  void End();
  void StopWorker() { worker_.Stop(block_); }

 private:
  CDDB_LOOKUP_BLOCK block_;
  CCddbWorker worker_;
  bool running_ = false;
};

class CMusicBrowserDlg : public CCddbDialog {
 public:
  CMusicBrowserDlg(CCddbSession& session, HWND mainWindow, CBrowserLookup& lookup);
  bool SubmitNew() const { return submitNew_; }

 protected:
  BOOL OnInitDialog() override;
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  CCddbProgressPage& ProgressPage() override { return progress_; }
  void CloseAfterFailedCancel() override;

 private:
  LRESULT OnCompleted(WPARAM wParam, LPARAM);
  LRESULT OnMatches(WPARAM wParam, LPARAM);
  LRESULT OnIdentified(WPARAM wParam, LPARAM lParam);
  LRESULT OnFailed(WPARAM wParam, LPARAM);
  LRESULT OnOkButton(WPARAM, LPARAM);
  LRESULT OnCancelButton(WPARAM, LPARAM);
  LRESULT OnSubmitNew(WPARAM, LPARAM);

  void ShowError(const std::string& text);
  // Ends the window and asks the main window to end the lookup.
  void Finish(WPARAM wParam, LPARAM lParam);

  CBrowserLookup& lookup_;
  CQueryProgress progress_;
  CQueryError error_;
  CQueryMatchMulti list_;
  std::shared_ptr<CCddbDisc> fetched_;
  bool submitNew_ = false;
};
