#include "discinfo/browser_dlg_win.h"

#include "platform/messages.h"
#include "resources/resource.h"

bool CBrowserLookup::Start(HWND browser, CCDDBControl& control, char driveLetter) {
  End();
  block_.control = &control;
  block_.window = browser;
  block_.driveLetter = driveLetter;
  block_.preload = false;
  block_.chosenRow = -1;
  block_.failed = 0;
  if (!block_.choice && !block_.CreateEvents()) return false;
  ResetEvent(block_.choice);
  ResetEvent(block_.done);
  running_ = worker_.Start(CddbLookupWorker, &block_);
  return running_;
}

void CBrowserLookup::End() {
  if (!running_) return;
  running_ = false;
  block_.control->StopBrowse(8);
  SetEvent(block_.choice);
  worker_.Stop(block_);
  CloseLookupDevice();
}

CMusicBrowserDlg::CMusicBrowserDlg(CCddbSession& session, HWND mainWindow, CBrowserLookup& lookup)
    : CCddbDialog(IDD_MUSIC_BROWSER, mainWindow, session), lookup_(lookup) {}

bool CMusicBrowserDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  using M = CMusicBrowserDlg;
  static const MESSAGE_MAP_ENTRY<CMusicBrowserDlg> map[] = {
      {UM_CDDB_COMPLETED, 0, &M::OnCompleted},
      {UM_CDDB_PROGRESS, 0, &M::OnProgress},
      {UM_QUERY_CONNECTING, 0, &M::OnConnecting},
      {UM_QUERY_MATCHES, 0, &M::OnMatches},
      {UM_QUERY_DISC, 0, &M::OnIdentified},
      {UM_QUERY_NO_MATCH, 0, &M::OnIdentified},
      {UM_QUERY_FAILED, 0, &M::OnFailed},
      {WM_COMMAND, IDC_BROWSER_OK, &M::OnOkButton},
      {WM_COMMAND, IDC_BROWSER_CANCEL, &M::OnCancelButton},
      {WM_COMMAND, IDC_BROWSER_SUBMIT_NEW, &M::OnSubmitNew},
  };
  if (ShowWaitCursor(message, result)) return true;
  return Route(this, map, message, wParam, lParam, result);
}

BOOL CMusicBrowserDlg::OnInitDialog() {
  session_.SetCurrentWindow(Handle());
  if (!pages_.Create(Handle(), IDC_BROWSER_FRAME, {&progress_, &error_, &list_})) {
    ShowMessageText(Owner(), "Cannot open the CDDB music browser.", MB_OK | MB_ICONSTOP);
    EndDialog(IDCANCEL);
    return TRUE;
  }
  pages_.Show(progress_);
  SendMessageA(Owner(), UM_BROWSE_START, reinterpret_cast<WPARAM>(Handle()), 0);
  return TRUE;
}

void CMusicBrowserDlg::Finish(WPARAM wParam, LPARAM lParam) {
  fetched_.reset();
  EndDialog(IDOK);
  PostMessageA(Owner(), UM_BROWSE_END, wParam, lParam);
}

LRESULT CMusicBrowserDlg::OnCompleted(WPARAM wParam, LPARAM) {
  const CDDB_COMPLETION& completion = *reinterpret_cast<const CDDB_COMPLETION*>(wParam);
  CDDB_LOOKUP_BLOCK& block = lookup_.Block();
  if (completion.status < 0) {
    block.failed = -1;
    SetEvent(block.done);
    ShowError(FailedCommandText(completion.status));
    if (completion.status == kCddbCancelled) {
      lookup_.StopWorker();
      CloseLookupDevice();
      EndDialog(IDCANCEL);
    }
    return 0;
  }
  if (std::shared_ptr<CCddbDisc> disc = TakeLookupCompletion(block, completion)) {
    fetched_ = disc;
    SendMessageA(Handle(), UM_QUERY_DISC, reinterpret_cast<WPARAM>(&fetched_), 0);
  }
  return 0;
}

LRESULT CMusicBrowserDlg::OnMatches(WPARAM wParam, LPARAM) {
  const auto& matches = *reinterpret_cast<const std::shared_ptr<CCddbDiscCollection>*>(wParam);
  ShowWindow(Item(IDC_BROWSER_SUBMIT_NEW), SW_SHOW);
  if (matches) list_.ShowMatches(*matches);
  pages_.Show(list_);
  HWND ok = Item(IDC_BROWSER_OK);
  EnableWindow(ok, TRUE);
  SendMessageA(Handle(), DM_SETDEFID, IDC_BROWSER_OK, 0);
  SendMessageA(Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(ok), TRUE);
  return 0;
}

// A disc is identified, or none is found: the browser's work is done.
LRESULT CMusicBrowserDlg::OnIdentified(WPARAM wParam, LPARAM lParam) {
  Finish(wParam, lParam);
  return 0;
}

LRESULT CMusicBrowserDlg::OnFailed(WPARAM wParam, LPARAM) {
  ShowError(reinterpret_cast<const char*>(wParam));
  return 0;
}

void CMusicBrowserDlg::ShowError(const std::string& text) {
  error_.SetText(text);
  pages_.Show(error_);
}

LRESULT CMusicBrowserDlg::OnOkButton(WPARAM, LPARAM) {
  int row = list_.SelectedRow();
  if (row < 0) {
    ShowMessageText(Handle(), "Please select an item!");
    return 0;
  }
  pages_.Show(progress_);
  HWND ok = Item(IDC_BROWSER_OK);
  EnableWindow(ok, FALSE);
  ShowWindow(ok, SW_HIDE);
  lookup_.Block().chosenRow = row;
  SetEvent(lookup_.Block().choice);
  return 0;
}

LRESULT CMusicBrowserDlg::OnCancelButton(WPARAM, LPARAM) {
  RequestCancel();
  return 0;
}

void CMusicBrowserDlg::CloseAfterFailedCancel() {
  lookup_.Block().failed = -1;
  SetEvent(lookup_.Block().done);
  lookup_.StopWorker();
  CloseLookupDevice();
  EndDialog(IDCANCEL);
}

LRESULT CMusicBrowserDlg::OnSubmitNew(WPARAM, LPARAM) {
  submitNew_ = true;
  return OnCancelButton(0, 0);
}
