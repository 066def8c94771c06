#pragma once
// What the CDDB windows (query, submission, music browser) have in common:
// the block a window shares with its worker thread, starting and stopping
// that worker while it may be sending to the window, and the progress and
// text pages.
#include <windows.h>

#include <atomic>
#include <initializer_list>
#include <string>
#include <utility>

#include "discinfo/cddb_control.h"
#include "discinfo/cddb_session_win.h"
#include "widgets/dialog.h"
#include "widgets/page_host.h"

struct CDDB_WORKER_BLOCK {
  CCDDBControl* control = nullptr;
  HWND window = nullptr;
  HANDLE choice = nullptr;     // the user has decided (auto-reset)
  HANDLE done = nullptr;       // a component command has completed (auto-reset)
  std::atomic<int> failed{0};  // -1: a command failed or was cancelled

  CDDB_WORKER_BLOCK() = default;
  CDDB_WORKER_BLOCK(const CDDB_WORKER_BLOCK&) = delete;
  CDDB_WORKER_BLOCK& operator=(const CDDB_WORKER_BLOCK&) = delete;
  ~CDDB_WORKER_BLOCK();
  // Both events, clear; false when the system gives none.
  bool CreateEvents();
  // A component command has ended; false when it failed.
  bool AwaitDone();
  // The preload of the first or the second table, waited for when the
  // component does not have it at hand; false when it failed.
  bool Preload(bool second);
};

class CCddbWorker {
 public:
  ~CCddbWorker() { CloseHandle(thread_); }
  bool Start(LPTHREAD_START_ROUTINE main, void* parameter);
  // Wakes the worker (failure marker and both events) and waits for it,
  // answering what it sends to this thread's windows meanwhile.
  void Stop(CDDB_WORKER_BLOCK& block);

 private:
  HANDLE thread_ = nullptr;
};

// "Command completed with FAILED result: %s." with the code's text.
std::string FailedCommandText(int32_t status);

// A progress page: the status text and the bar of the CDDB windows.
class CCddbProgressPage : public CDialog {
 public:
  CCddbProgressPage(UINT templateId, int statusId) : CDialog(templateId, nullptr), statusId_(statusId) {}
  void SetStatus(const char* text);
  // The phase's text (other phases leave the text), the bar's range
  // 0..total and its position, both as 16-bit values.
  void ShowProgress(const CDDB_PROGRESS& progress);

 private:
  int statusId_;
};

// A page that shows one text.
class CCddbTextPage : public CDialog {
 public:
  CCddbTextPage(UINT templateId, int textId) : CDialog(templateId, nullptr), textId_(textId) {}
  void SetText(const std::string& text) { SetDlgItemTextA(Handle(), textId_, text.c_str()); }

 private:
  int textId_;
};

// List-view helpers of the CDDB pages: report columns (title, pixels) and a
// row of cell texts.
void AddListColumns(HWND list, std::initializer_list<std::pair<const char*, int>> columns);
void AddListRow(HWND list, std::initializer_list<std::string> cells);

// The base of the CDDB windows: their pages, the navigation keys, and Cancel
// or Close, which asks the component to cancel; the window then closes on
// the cancel's completion, or at once when the component throws.
class CCddbDialog : public CDialog {
 protected:
  CCddbDialog(UINT templateId, HWND owner, CCddbSession& session) : CDialog(templateId, owner), session_(session) {}
  void OnOK() override {}
  void OnCancel() override { RequestCancel(); }
  bool PreTranslateMessage(MSG& msg) override { return pages_.TranslateNavigation(msg); }
  // The wait cursor while a cancel is on its way; true when it answered
  // WM_SETCURSOR.
  bool ShowWaitCursor(UINT message, LRESULT& result);
  void RequestCancel();
  // Where the cancel's status shows, and its text.
  virtual CCddbProgressPage& ProgressPage() = 0;
  virtual const char* CancellingText() const { return "Cancel CDDB Querying..."; }
  // The component threw on cancel: mark the failure, wake the worker, stop
  // it and close.
  virtual void CloseAfterFailedCancel() = 0;
  // UM_CDDB_PROGRESS and the worker's "connecting" message, on the
  // progress page.
  LRESULT OnProgress(WPARAM wParam, LPARAM);
  LRESULT OnConnecting(WPARAM, LPARAM);

  CCddbSession& session_;
  CPageHost pages_;
  bool cancelling_ = false;
};
