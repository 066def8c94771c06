#include "discinfo/cddb_window_win.h"

#include <commctrl.h>

#include "discinfo/cddb_errors.h"
#include "platform/text.h"
#include "resources/resource.h"
#include "platform/thread_wait_win.h"

CDDB_WORKER_BLOCK::~CDDB_WORKER_BLOCK() {
  if (choice) CloseHandle(choice);
  if (done) CloseHandle(done);
}

bool CDDB_WORKER_BLOCK::CreateEvents() {
  choice = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  done = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  return choice && done;
}

bool CDDB_WORKER_BLOCK::AwaitDone() {
  WaitForSingleObject(done, INFINITE);
  if (failed == -1) return false;
  ResetEvent(done);
  return true;
}

bool CDDB_WORKER_BLOCK::Preload(bool second) {
  bool atHand = second ? control->PreloadTables2(1) != nullptr : control->PreloadTables1(1) != nullptr;
  if (atHand) {
    ResetEvent(done);
    return failed != -1;
  }
  return AwaitDone();
}

bool CCddbWorker::Start(LPTHREAD_START_ROUTINE main, void* parameter) {
  DWORD id = 0;
  thread_ = CreateThread(nullptr, 0, main, parameter, 0, &id);
  return thread_ != nullptr;
}

void CCddbWorker::Stop(CDDB_WORKER_BLOCK& block) {
  if (!thread_) return;
  block.failed = -1;
  SetEvent(block.choice);
  SetEvent(block.done);
  WaitForThreadAnsweringSends(thread_);
  CloseHandle(thread_);
  thread_ = nullptr;
}

std::string FailedCommandText(int32_t status) {
  return Format("Command completed with FAILED result: %s.", CddbErrorText(static_cast<uint32_t>(status)).c_str());
}

void CCddbProgressPage::SetStatus(const char* text) { SetDlgItemTextA(Handle(), statusId_, text); }

void CCddbProgressPage::ShowProgress(const CDDB_PROGRESS& progress) {
  static const char* const kPhaseTexts[] = {
      nullptr, "Connecting to server...", "Sending data to server...", "Receiving data from server...",
      nullptr, "Waiting for data..."};
  int32_t phase = progress.values[1];
  if (phase >= 0 && phase < 6 && kPhaseTexts[phase]) SetStatus(kPhaseTexts[phase]);
  HWND bar = Item(IDC_CDDB_PROGRESS);
  SendMessageA(bar, PBM_SETRANGE, 0, MAKELPARAM(0, static_cast<WORD>(progress.values[3])));
  SendMessageA(bar, PBM_SETPOS, static_cast<WORD>(progress.values[2]), 0);
}

void AddListColumns(HWND list, std::initializer_list<std::pair<const char*, int>> columns) {
  ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
  int index = 0;
  for (const auto& [name, width] : columns) {
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = const_cast<char*>(name);
    column.cx = width;
    SendMessageA(list, LVM_INSERTCOLUMNA, index++, reinterpret_cast<LPARAM>(&column));
  }
}

void AddListRow(HWND list, std::initializer_list<std::string> cells) {
  LVITEMA item = {};
  item.mask = LVIF_TEXT;
  item.iItem = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  item.pszText = const_cast<char*>(cells.begin()->c_str());
  int row = static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
  int column = 0;
  for (const std::string& text : cells) {
    if (column++ == 0) continue;
    LVITEMA cell = {};
    cell.iSubItem = column - 1;
    cell.pszText = const_cast<char*>(text.c_str());
    SendMessageA(list, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&cell));
  }
}

bool CCddbDialog::ShowWaitCursor(UINT message, LRESULT& result) {
  if (message != WM_SETCURSOR || !cancelling_) return false;
  SetCursor(LoadCursor(nullptr, IDC_WAIT));
  result = TRUE;
  return true;
}

void CCddbDialog::RequestCancel() {
  try {
    session_.Control().CancelCommand();
    cancelling_ = true;
    ProgressPage().SetStatus(CancellingText());
  } catch (const CCddbException&) {
    CloseAfterFailedCancel();
  }
}

LRESULT CCddbDialog::OnProgress(WPARAM wParam, LPARAM) {
  ProgressPage().ShowProgress(*reinterpret_cast<const CDDB_PROGRESS*>(wParam));
  return 0;
}

LRESULT CCddbDialog::OnConnecting(WPARAM, LPARAM) {
  ProgressPage().SetStatus("Connecting to CDDB server...");
  return 0;
}
