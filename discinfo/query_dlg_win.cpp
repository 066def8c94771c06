#include "discinfo/query_dlg_win.h"

#include "platform/messages.h"
#include "resources/resource.h"

void AcceptCddbDisc(const CCddbDisc& disc, const QUERY_TARGET& target) {
  if (!target.record) return;
  int written = ApplyCddbDisc(disc, *target.record);
  for (int n = 1; n <= written; ++n)
    if (target.setRowTitle) target.setRowTitle(n - 1, target.record->entries[static_cast<size_t>(n)].title);
}

CQueryDlg::CQueryDlg(CCddbSession& session, HWND mainWindow, QUERY_TARGET target)
    : CCddbDialog(IDD_CDDB_QUERY, mainWindow, session), target_(std::move(target)) {}

CQueryDlg::~CQueryDlg() { worker_.Stop(block_); }

bool CQueryDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  using M = CQueryDlg;
  static const MESSAGE_MAP_ENTRY<CQueryDlg> map[] = {
      {UM_CDDB_COMPLETED, 0, &M::OnCompleted},
      {UM_CDDB_PROGRESS, 0, &M::OnProgress},
      {UM_QUERY_CONNECTING, 0, &M::OnConnecting},
      {UM_QUERY_MATCHES, 0, &M::OnMatches},
      {UM_QUERY_DISC, 0, &M::OnDisc},
      {UM_QUERY_IGNORED, 0, &M::OnIgnored},
      {UM_QUERY_NO_MATCH, 0, &M::OnNoMatch},
      {UM_QUERY_FAILED, 0, &M::OnFailed},
      {WM_COMMAND, IDC_QUERY_OK, &M::OnOkButton},
      {WM_COMMAND, IDC_QUERY_MORE_INFO, &M::OnMoreInfo},
      {WM_COMMAND, IDC_QUERY_CANCEL, &M::OnCancelButton},
      {WM_COMMAND, IDC_QUERY_SUBMIT_ABOVE, &M::OnSubmitNew},
      {WM_COMMAND, IDC_QUERY_SUBMIT_IN_PLACE, &M::OnSubmitNew},
  };
  if (ShowWaitCursor(message, result)) return true;
  return Route(this, map, message, wParam, lParam, result);
}

BOOL CQueryDlg::OnInitDialog() {
  session_.SetCurrentWindow(Handle());
  block_.control = &session_.Control();
  block_.window = Handle();
  block_.driveLetter = target_.driveLetter;
  if (!block_.CreateEvents() ||
      !pages_.Create(Handle(), IDC_QUERY_FRAME, {&progress_, &list_, &info_, &noMatch_, &error_})) {
    ShowMessageText(Owner(), "Cannot open the CDDB query window.", MB_OK | MB_ICONSTOP);
    EndDialog(IDCANCEL);
    return TRUE;
  }
  pages_.Show(progress_);
  session_.Control().SetParentWindow(reinterpret_cast<intptr_t>(Handle()), 0);
  CloseLookupDevice();
  if (!worker_.Start(CddbLookupWorker, &block_)) ShowError("Cannot start the CDDB query.");
  return TRUE;
}

void CQueryDlg::Close(INT_PTR result) {
  worker_.Stop(block_);
  CloseLookupDevice();
  fetched_.reset();
  EndDialog(result);
}

// ---- messages ----

LRESULT CQueryDlg::OnCompleted(WPARAM wParam, LPARAM) {
  const CDDB_COMPLETION& completion = *reinterpret_cast<const CDDB_COMPLETION*>(wParam);
  if (completion.status < 0) {
    block_.failed = -1;
    SetEvent(block_.done);
    ShowError(FailedCommandText(completion.status));
    if (completion.status == kCddbCancelled) Close(IDCANCEL);
    return 0;
  }
  if (std::shared_ptr<CCddbDisc> disc = TakeLookupCompletion(block_, completion)) {
    fetched_ = disc;
    SendMessageA(Handle(), UM_QUERY_DISC, reinterpret_cast<WPARAM>(&fetched_), 0);
  }
  return 0;
}

void CQueryDlg::MakeOkTheChoice() {
  HWND ok = Item(IDC_QUERY_OK);
  EnableWindow(ok, TRUE);
  SendMessageA(Handle(), DM_SETDEFID, IDC_QUERY_OK, 0);
  SendMessageA(Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(ok), TRUE);
}

LRESULT CQueryDlg::OnMatches(WPARAM wParam, LPARAM) {
  const auto& matches = *reinterpret_cast<const std::shared_ptr<CCddbDiscCollection>*>(wParam);
  ShowWindow(Item(IDC_QUERY_SUBMIT_ABOVE), SW_SHOW);
  if (matches) list_.ShowMatches(*matches);
  pages_.Show(list_);
  MakeOkTheChoice();
  return 0;
}

LRESULT CQueryDlg::OnDisc(WPARAM wParam, LPARAM) {
  const auto& disc = *reinterpret_cast<const std::shared_ptr<CCddbDisc>*>(wParam);
  if (!disc) return 0;
  info_.ShowDisc(*disc);
  pages_.Show(info_);
  exactDisc_ = true;
  shown_ = disc;
  MakeOkTheChoice();
  ShowWindow(Item(IDC_QUERY_SUBMIT_ABOVE), SW_HIDE);
  return 0;
}

LRESULT CQueryDlg::OnNoMatch(WPARAM, LPARAM) {
  pages_.Show(noMatch_);
  ShowWindow(Item(IDC_QUERY_OK), SW_HIDE);
  ShowWindow(Item(IDC_QUERY_SUBMIT_IN_PLACE), SW_SHOW);
  SetDlgItemTextA(Handle(), IDC_QUERY_CANCEL, "Close");
  return 0;
}

LRESULT CQueryDlg::OnFailed(WPARAM wParam, LPARAM) {
  ShowError(reinterpret_cast<const char*>(wParam));
  return 0;
}

void CQueryDlg::ShowError(const std::string& text) {
  error_.SetText(text);
  pages_.Show(error_);
}

// ---- buttons ----

LRESULT CQueryDlg::OnOkButton(WPARAM, LPARAM) {
  if (exactDisc_) {
    if (shown_) AcceptCddbDisc(*shown_, target_);
    SetEvent(block_.choice);
    Close(IDOK);
    return 0;
  }
  int row = list_.SelectedRow();
  if (row < 0) {
    ShowMessageText(Handle(), "Please select an item!");
    return 0;
  }
  pages_.Show(progress_);
  EnableWindow(Item(IDC_QUERY_OK), FALSE);
  ShowWindow(Item(IDC_QUERY_SUBMIT_ABOVE), SW_HIDE);
  block_.chosenRow = row;
  SetEvent(block_.choice);
  return 0;
}

LRESULT CQueryDlg::OnMoreInfo(WPARAM, LPARAM) {
  if (!shown_) return 0;
  try {
    session_.Control().EditDisc(shown_, 1);
    info_.ShowDisc(*shown_);
  } catch (const CCddbException& failure) {
    ShowMessageText(Handle(), failure.what());
  }
  return 0;
}

LRESULT CQueryDlg::OnCancelButton(WPARAM, LPARAM) {
  RequestCancel();
  return 0;
}

void CQueryDlg::CloseAfterFailedCancel() {
  block_.failed = -1;
  SetEvent(block_.done);
  Close(IDCANCEL);
}

LRESULT CQueryDlg::OnSubmitNew(WPARAM, LPARAM) {
  submitNew_ = true;
  return OnCancelButton(0, 0);
}
