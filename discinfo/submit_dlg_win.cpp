#include "discinfo/submit_dlg_win.h"

#include <shellapi.h>

#include "discinfo/query_dlg_win.h"
#include "platform/messages.h"
#include "platform/text.h"
#include "resources/resource.h"

std::shared_ptr<CCddbDisc> PrepareSubmission(CCDDBControl& control, const std::string& toc, const CDiscRecord& record) {
  std::shared_ptr<CCddbDisc> disc = control.NewDisc(toc);
  const CTrackEntry& whole = record.entries[0];
  disc->artist = whole.artist;
  disc->title = whole.album;
  disc->year = whole.year;
  disc->genre = whole.genreName.empty() ? "120" : whole.genreName;
  for (int n = 1; n <= disc->TrackCount() && static_cast<size_t>(n) < record.entries.size(); ++n) {
    disc->Track(n)->title = record.entries[static_cast<size_t>(n)].title;
    disc->Track(n)->artist = record.entries[static_cast<size_t>(n)].artist;
  }
  return disc;
}

std::string SubmitCheckFailure(const std::string& artist, const std::string& title, const CCddbDisc& disc) {
  if (artist.empty()) return "Please input the CD Artist!";
  if (title.empty()) return "Please input the CD Album Title!";
  if (disc.genre.empty()) return "Please input the CD Genre!";
  for (int n = 1; n <= disc.TrackCount(); ++n) {
    const std::string& trackTitle = disc.Track(n)->title;
    if (trackTitle.empty() || trackTitle == Format("Track %d", n)) return Format("Missing title for track #%02d.", n);
  }
  return std::string();
}

CSubmitDlg::CSubmitDlg(CCddbSession& session, HWND mainWindow, std::shared_ptr<CCddbDisc> disc, SUBMIT_TARGET target)
    : CCddbDialog(IDD_CDDB_SUBMIT, mainWindow, session), target_(std::move(target)) {
  block_.disc = std::move(disc);
}

CSubmitDlg::~CSubmitDlg() {
  worker_.Stop(block_);
  if (boldFont_) DeleteObject(boldFont_);
}

bool CSubmitDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  using M = CSubmitDlg;
  static const MESSAGE_MAP_ENTRY<CSubmitDlg> map[] = {
      {UM_CDDB_COMPLETED, 0, &M::OnCompleted},       {UM_CDDB_PROGRESS, 0, &M::OnProgress},
      {UM_SUBMIT_CONNECTING, 0, &M::OnConnecting},   {UM_SUBMIT_EDIT, 0, &M::OnShowEdit},
      {UM_SUBMIT_SUCCEEDED, 0, &M::OnSucceeded},     {UM_SUBMIT_FAILED, 0, &M::OnFailed},
      {WM_CTLCOLORSTATIC, 0, &M::OnLinkColor},       {WM_COMMAND, IDC_SUBMIT_EDIT_DISC, &M::OnEditDisc},
      {WM_COMMAND, IDC_SUBMIT_SUBMIT, &M::OnSubmit}, {WM_COMMAND, IDC_SUBMIT_CANCEL, &M::OnCancelButton},
      {WM_COMMAND, IDC_SUBMIT_LINK, &M::OnLink},
  };
  if (ShowWaitCursor(message, result)) return true;
  if (message == WM_CTLCOLORSTATIC && reinterpret_cast<HWND>(lParam) != Item(IDC_SUBMIT_LINK)) return false;
  return Route(this, map, message, wParam, lParam, result);
}

BOOL CSubmitDlg::OnInitDialog() {
  session_.SetCurrentWindow(Handle());
  block_.control = &session_.Control();
  block_.window = Handle();
  session_.Control().SetParentWindow(reinterpret_cast<intptr_t>(Handle()), 0);
  bool ready = block_.CreateEvents() && pages_.Create(Handle(), IDC_SUBMIT_FRAME, {&progress_, &edit_, &ok_, &error_});
  if (!ready) {
    ShowMessageText(Owner(), "Cannot open the CDDB submission window.", MB_OK | MB_ICONSTOP);
    EndDialog(IDCANCEL);
    return TRUE;
  }
  pages_.Show(progress_);
  LOGFONTA font = {};
  GetObjectA(reinterpret_cast<HFONT>(SendMessageA(Handle(), WM_GETFONT, 0, 0)), sizeof(font), &font);
  font.lfWeight = FW_BOLD;
  font.lfUnderline = TRUE;
  boldFont_ = CreateFontIndirectA(&font);
  SendMessageA(Item(IDC_SUBMIT_LINK), WM_SETFONT, reinterpret_cast<WPARAM>(boldFont_), FALSE);
  if (!worker_.Start(WorkerMain, &block_)) {
    error_.SetText("Cannot start the CDDB submission.");
    ShowOutcome(error_);
  }
  return TRUE;
}

// ---- the worker ----

DWORD WINAPI CSubmitDlg::WorkerMain(void* parameter) {
  WORKER_BLOCK& block = *static_cast<WORKER_BLOCK*>(parameter);
  try {
    RunWorker(block);
  } catch (const CCddbException& failure) {
    std::string text = failure.what();
    SendMessageA(block.window, UM_SUBMIT_FAILED, reinterpret_cast<WPARAM>(text.c_str()), 0);
  }
  return 0;
}

void CSubmitDlg::RunWorker(WORKER_BLOCK& block) {
  ResetEvent(block.done);
  if (!block.Preload(false) || !block.Preload(true)) return;
  SendMessageA(block.window, UM_SUBMIT_EDIT, 0, 0);
  WaitForSingleObject(block.choice, INFINITE);
  if (block.failed == -1) return;
  SendMessageA(block.window, UM_SUBMIT_CONNECTING, 0, 0);
  ResetEvent(block.done);
  block.control->SubmitDisc(block.disc, 1);
  WaitForSingleObject(block.done, INFINITE);
  if (block.failed == -1) return;
  if (block.outcome != 0) {
    std::string text = Format("Error Code : %x", static_cast<unsigned>(block.outcome.load()));
    SendMessageA(block.window, UM_SUBMIT_FAILED, reinterpret_cast<WPARAM>(text.c_str()), 0);
    return;
  }
  SendMessageA(block.window, UM_SUBMIT_SUCCEEDED, 0, 0);
}

void CSubmitDlg::Close(INT_PTR result) {
  worker_.Stop(block_);
  EndDialog(result);
}

// ---- messages ----

LRESULT CSubmitDlg::OnCompleted(WPARAM wParam, LPARAM) {
  const CDDB_COMPLETION& completion = *reinterpret_cast<const CDDB_COMPLETION*>(wParam);
  if (completion.status < 0) {
    block_.failed = -1;
    block_.outcome = 1;
    SetEvent(block_.done);
    error_.SetText(FailedCommandText(completion.status));
    ShowOutcome(error_);
    if (completion.status == kCddbCancelled) Close(IDCANCEL);
    return 0;
  }
  if (completion.command == kCddbSubmissionDone) block_.outcome = 0;
  if (completion.command == kCddbSubmissionDone || completion.command == 20 || completion.command == 21 ||
      completion.command == 25 || completion.command == 26)
    SetEvent(block_.done);
  return 0;
}

LRESULT CSubmitDlg::OnShowEdit(WPARAM, LPARAM) {
  edit_.ShowDisc(*block_.disc);
  pages_.Show(edit_);
  ShowWindow(Item(IDC_SUBMIT_SUBMIT), SW_SHOW);
  return 0;
}

void CSubmitDlg::ShowOutcome(CDialog& page) {
  ShowWindow(Item(IDC_SUBMIT_SUBMIT), SW_HIDE);
  SetDlgItemTextA(Handle(), IDC_SUBMIT_CANCEL, "Close");
  pages_.Show(page);
}

LRESULT CSubmitDlg::OnSucceeded(WPARAM, LPARAM) {
  ShowOutcome(ok_);
  return 0;
}

LRESULT CSubmitDlg::OnFailed(WPARAM wParam, LPARAM) {
  error_.SetText(reinterpret_cast<const char*>(wParam));
  ShowOutcome(error_);
  return 0;
}

// ---- buttons ----

LRESULT CSubmitDlg::OnEditDisc(WPARAM, LPARAM) {
  CCddbDisc& disc = *block_.disc;
  disc.artist = edit_.Artist();
  disc.title = edit_.Title();
  try {
    session_.Control().EditDisc(block_.disc, 1);
  } catch (const CCddbException& failure) {
    ShowMessageText(Handle(), failure.what());
  }
  edit_.ShowDisc(disc);
  return 0;
}

LRESULT CSubmitDlg::OnSubmit(WPARAM, LPARAM) {
  CCddbDisc& disc = *block_.disc;
  std::string failure = SubmitCheckFailure(edit_.Artist(), edit_.Title(), disc);
  if (!failure.empty()) {
    ShowMessageText(Handle(), failure);
    return 0;
  }
  disc.artist = edit_.Artist();
  disc.title = edit_.Title();
  AcceptCddbDisc(disc, target_.accept);  // the record takes the texts as an accepted query would
  pages_.Show(progress_);
  EnableWindow(Item(IDC_SUBMIT_SUBMIT), FALSE);
  SetEvent(block_.choice);
  return 0;
}

LRESULT CSubmitDlg::OnCancelButton(WPARAM, LPARAM) {
  RequestCancel();
  return 0;
}

void CSubmitDlg::CloseAfterFailedCancel() {
  block_.failed = -1;
  SetEvent(block_.done);
  Close(IDCANCEL);
}

LRESULT CSubmitDlg::OnLink(WPARAM, LPARAM) {
  if (!target_.homePage.empty())
    ShellExecuteA(Handle(), "open", target_.homePage.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  return 0;
}

LRESULT CSubmitDlg::OnLinkColor(WPARAM wParam, LPARAM) {
  HDC dc = reinterpret_cast<HDC>(wParam);
  SetTextColor(dc, RGB(0, 0, 192));
  SetBkMode(dc, TRANSPARENT);
  return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_3DFACE));
}
