#include "discinfo/query_dlg_win.h"

#include "cdrom/cd_audio_service.h"
#include "discinfo/cddb_errors.h"
#include "platform/messages.h"
#include "platform/text.h"
#include "resources/resource.h"

namespace {

std::atomic<uint32_t> g_deviceSlot{0};

void CloseQueryDevice() {
  uint32_t device = g_deviceSlot.exchange(0);
  if (device != 0 && CdAudioService()) CdAudioService()->Close(device);
}

void SendFailure(HWND window, const std::string& text) {
  SendMessageA(window, UM_QUERY_FAILED, reinterpret_cast<WPARAM>(text.c_str()), 0);
}

const char* PhaseText(int32_t phase) {
  switch (phase) {
    case kCddbPhaseConnecting: return "Connecting to server...";
    case kCddbPhaseSending: return "Sending data to server...";
    case kCddbPhaseReceiving: return "Receiving data from server...";
    case kCddbPhaseWaiting: return "Waiting for data...";
    default: return nullptr;
  }
}

}  // namespace

uint32_t QueryDeviceSlot() { return g_deviceSlot; }

CQueryDlg::CQueryDlg(CCddbSession& session, HWND mainWindow, QUERY_TARGET target)
    : CDialog(IDD_CDDB_QUERY, mainWindow),
      session_(session),
      target_(std::move(target)),
      progress_(nullptr),
      list_(nullptr),
      info_(nullptr),
      noMatch_(nullptr),
      error_(nullptr) {}

CQueryDlg::~CQueryDlg() {
  StopWorker();
  if (block_.choice) CloseHandle(block_.choice);
  if (block_.done) CloseHandle(block_.done);
}

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
  if (message == WM_SETCURSOR) return ShowWaitCursor(result);
  return Route(this, map, message, wParam, lParam, result);
}

BOOL CQueryDlg::OnInitDialog() {
  session_.SetCurrentWindow(Handle());
  block_.control = &session_.Control();
  block_.window = Handle();
  block_.choice = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  block_.done = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  block_.chosenRow = -1;
  block_.driveLetter = target_.driveLetter;
  if (!block_.choice || !block_.done ||
      !pages_.Create(Handle(), IDC_QUERY_FRAME, {&progress_, &list_, &info_, &noMatch_, &error_})) {
    ShowMessageText(Owner(), "Cannot open the CDDB query window.", MB_OK | MB_ICONSTOP);
    EndDialog(IDCANCEL);
    return TRUE;
  }
  pages_.Show(progress_);
  session_.Control().SetParentWindow(reinterpret_cast<intptr_t>(Handle()), 0);
  g_deviceSlot = 0;
  DWORD id = 0;
  worker_ = CreateThread(nullptr, 0, WorkerMain, &block_, 0, &id);
  if (!worker_) ShowError("Cannot start the CDDB query.");
  return TRUE;
}

// ---- the worker ----

DWORD WINAPI CQueryDlg::WorkerMain(void* block) {
  WORKER_BLOCK& shared = *static_cast<WORKER_BLOCK*>(block);
  try {
    RunWorker(shared);
  } catch (const CCddbException& failure) {
    SendFailure(shared.window, failure.what());
  }
  CloseQueryDevice();
  return 0;
}

// A preload the component does not have at hand completes later; false when
// that completion was a failure.
bool CQueryDlg::Preload(WORKER_BLOCK& block, bool second) {
  bool atHand = second ? block.control->PreloadTables2(1) != nullptr : block.control->PreloadTables1(1) != nullptr;
  if (!atHand) WaitForSingleObject(block.done, INFINITE);
  if (block.failed == -1) return false;
  ResetEvent(block.done);
  return true;
}

void CQueryDlg::RunWorker(WORKER_BLOCK& block) {
  std::string error;
  ICdAudioService* service = CdAudioService();
  uint32_t device = service ? service->Open(block.driveLetter, error) : 0;
  if (device == 0) {
    SendFailure(block.window, Format("%s", error.substr(0, kMaxMciErrorText).c_str()));
    return;
  }
  g_deviceSlot = device;
  SendMessageA(block.window, UM_QUERY_CONNECTING, 0, 0);
  ResetEvent(block.done);
  if (!Preload(block, false) || !Preload(block, true)) return;
  std::string toc = block.control->TocFromDevice(device);
  if (toc.empty()) {
    SendFailure(block.window, "Get Media TOC Error!");
    return;
  }
  CloseQueryDevice();
  block.control->LookupToc(toc, 1);
  WaitForSingleObject(block.done, INFINITE);
  if (block.failed == -1) return;
  ResetEvent(block.done);
  switch (block.matchKind) {
    case kCddbMatchExact: {
      std::shared_ptr<CCddbDisc> disc = block.control->ExactMatch();
      SendMessageA(block.window, UM_QUERY_DISC, reinterpret_cast<WPARAM>(&disc), 0);
      WaitForSingleObject(block.choice, INFINITE);
      break;
    }
    case kCddbMatchSeveral: {
      std::shared_ptr<CCddbDiscCollection> list = block.control->MatchList();
      SendMessageA(block.window, UM_QUERY_MATCHES, reinterpret_cast<WPARAM>(&list), 0);
      WaitForSingleObject(block.choice, INFINITE);
      if (block.chosenRow < 0 || block.failed == -1) break;
      ResetEvent(block.choice);
      ResetEvent(block.done);
      block.control->FetchFullDisc(list->Item(block.chosenRow + 1), 1);
      break;
    }
    default:
      SendMessageA(block.window, UM_QUERY_NO_MATCH, 0, 0);
      WaitForSingleObject(block.choice, INFINITE);
      break;
  }
}

void CQueryDlg::StopWorker() {
  if (!worker_) return;
  block_.failed = -1;
  SetEvent(block_.choice);
  SetEvent(block_.done);
  // The worker may be sending to this window: answer its sends while waiting.
  while (MsgWaitForMultipleObjects(1, &worker_, FALSE, INFINITE, QS_SENDMESSAGE) != WAIT_OBJECT_0) {
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
  CloseHandle(worker_);
  worker_ = nullptr;
}

void CQueryDlg::Close(INT_PTR result) {
  StopWorker();
  CloseQueryDevice();
  fetched_.reset();
  EndDialog(result);
}

// ---- messages ----

LRESULT CQueryDlg::OnCompleted(WPARAM wParam, LPARAM) {
  const CDDB_COMPLETION& completion = *reinterpret_cast<const CDDB_COMPLETION*>(wParam);
  if (completion.status < 0) {
    block_.failed = -1;
    SetEvent(block_.done);
    ShowError(Format("Command completed with FAILED result: %s.",
                     CddbErrorText(static_cast<uint32_t>(completion.status)).c_str()));
    if (completion.status == kCddbCancelled) Close(IDCANCEL);
    return 0;
  }
  switch (completion.command) {
    case kCddbLookupDone:
      block_.matchKind = completion.result.integer;
      SetEvent(block_.done);
      break;
    case 13:
    case 14:
      fetched_ = completion.result.disc;
      SendMessageA(Handle(), UM_QUERY_DISC, reinterpret_cast<WPARAM>(&fetched_), 0);
      break;
    case 20:
    case 21:
    case 25:
    case 26: SetEvent(block_.done); break;
    default: break;
  }
  return 0;
}

LRESULT CQueryDlg::OnProgress(WPARAM wParam, LPARAM) {
  const CDDB_PROGRESS& progress = *reinterpret_cast<const CDDB_PROGRESS*>(wParam);
  if (const char* text = PhaseText(progress.values[1])) progress_.SetStatus(text);
  progress_.SetProgress(progress.values[2], progress.values[3]);
  return 0;
}

LRESULT CQueryDlg::OnConnecting(WPARAM, LPARAM) {
  progress_.SetStatus("Connecting to CDDB server...");
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
  pages_.Show(list_);
  if (matches) list_.ShowMatches(*matches);
  MakeOkTheChoice();
  ShowWindow(Item(IDC_QUERY_SUBMIT_ABOVE), SW_SHOW);
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

// While a cancel is on its way the window shows it is waiting.
bool CQueryDlg::ShowWaitCursor(LRESULT& result) {
  if (!cancelling_) return false;
  SetCursor(LoadCursor(nullptr, IDC_WAIT));
  result = TRUE;
  return true;
}

// ---- buttons ----

LRESULT CQueryDlg::OnOkButton(WPARAM, LPARAM) {
  if (exactDisc_) {
    AcceptShownDisc();
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

void CQueryDlg::AcceptShownDisc() {
  if (shown_ && target_.record) {
    int written = ApplyCddbDisc(*shown_, *target_.record);
    for (int n = 1; n <= written; ++n)
      if (target_.setRowTitle) target_.setRowTitle(n - 1, target_.record->entries[static_cast<size_t>(n)].title);
  }
  SetEvent(block_.choice);
  Close(IDOK);
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
  try {
    session_.Control().CancelCommand();
    cancelling_ = true;
    progress_.SetStatus("Cancel CDDB Querying...");
  } catch (const CCddbException&) {
    block_.failed = -1;
    SetEvent(block_.done);
    Close(IDCANCEL);
  }
  return 0;
}

LRESULT CQueryDlg::OnSubmitNew(WPARAM, LPARAM) {
  submitNew_ = true;
  return OnCancelButton(0, 0);
}
