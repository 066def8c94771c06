#include "jobs/processing_window_win.h"

#include <commctrl.h>

#include "jobs/job_report_win.h"
#include "jobs/job_workers.h"
#include "jobs/processing_log.h"
#include "platform/messages.h"
#include "platform/text.h"

// ---------------------------------------------------------------------------
// Progress panels

BOOL CProgressPanel::OnInitDialog() {
  SendDlgItemMessageA(Handle(), bar_, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
  return TRUE;
}

void CProgressPanel::SetGroupText(const std::string& text) { SetDlgItemTextA(Handle(), group_, text.c_str()); }

namespace {

// Progress arrives after every block read; controls whose text stays the
// same are not touched, so the window does not repaint for nothing.
void SetTextIfChanged(HWND control, const std::string& text) {
  char current[64] = {};
  GetWindowTextA(control, current, sizeof(current));
  if (text != current) SetWindowTextA(control, text.c_str());
}

}  // namespace

void CProgressPanel::ShowProgress(uint32_t tenths, uint32_t elapsedMs) {
  HWND bar = Item(bar_);
  SendMessageA(bar, PBM_SETPOS, tenths / 10, 0);
  // The bar carries its percentage as its window text; the paint hook
  // draws it over the bar.
  std::string percent = ProgressPercentText(tenths);
  char shown[32] = {};
  GetWindowTextA(bar, shown, sizeof(shown));
  if (percent != shown) {
    SetWindowTextA(bar, percent.c_str());
    InvalidateRect(bar, nullptr, FALSE);
  }
  SetTextIfChanged(Item(elapsed_), MinutesSecondsText(elapsedMs));
  uint32_t estimate = 0;
  if (EstimatedTotal(elapsedMs, tenths, estimate)) SetTextIfChanged(Item(estimated_), MinutesSecondsText(estimate));
}

void CProgressPanel::Reset() {
  ShowProgress(0, 0);
  SetDlgItemTextA(Handle(), estimated_, "00:00");
}

namespace {

// Draws the bar's window text, the percentage, centred over the bar.
LRESULT CALLBACK PercentBarProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
  LRESULT result = DefSubclassProc(hwnd, message, wParam, lParam);
  if (message == WM_PAINT && IsWindowVisible(hwnd)) {
    char text[32] = {};
    GetWindowTextA(hwnd, text, sizeof(text));
    HDC dc = GetDC(hwnd);
    RECT r;
    GetClientRect(hwnd, &r);
    SetBkMode(dc, TRANSPARENT);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(GetParent(hwnd), WM_GETFONT, 0, 0)));
    DrawTextA(dc, text, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SelectObject(dc, old);
    ReleaseDC(hwnd, dc);
  }
  return result;
}

}  // namespace

CExtractProgress::CExtractProgress()
    : CProgressPanel(IDD_PANEL_EXTRACT, IDC_EXTRACT_GROUP, IDC_EXTRACT_BAR, IDC_EXTRACT_ELAPSED,
                     IDC_EXTRACT_ESTIMATED) {}

CEncodeProgress::CEncodeProgress()
    : CProgressPanel(IDD_PANEL_ENCODE, IDC_ENCODE_GROUP, IDC_ENCODE_BAR, IDC_ENCODE_ELAPSED, IDC_ENCODE_ESTIMATED) {}

// ---------------------------------------------------------------------------
// End panels

BOOL CExtractError::OnInitDialog() {
  SendDlgItemMessageA(Handle(), IDC_PANEL_ICON, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconA(nullptr, IDI_HAND)), 0);
  return TRUE;
}

bool CExtractError::HandleMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
  if (message != WM_COMMAND || LOWORD(wParam) != IDC_VIEW_LOG) return false;
  ShowLogWindow(GetParent(Handle()));
  result = 0;
  return true;
}

BOOL CExtractOK::OnInitDialog() {
  SendDlgItemMessageA(Handle(), IDC_PANEL_ICON, STM_SETICON,
                      reinterpret_cast<WPARAM>(LoadIconA(nullptr, IDI_ASTERISK)), 0);
  return TRUE;
}

void CExtractOK::AddOutput(const std::string& path, const std::string& folder) {
  outputs_.push_back(path);
  lastFolder_ = folder;
}

// ---------------------------------------------------------------------------
// The window

CProcessingDialog::CProcessingDialog(HWND mainWindow) : CDialog(IDD_PROCESSING, mainWindow), mainWindow_(mainWindow) {}

BOOL CProcessingDialog::OnInitDialog() {
  RECT frame;
  GetWindowRect(Item(IDC_PANEL_FRAME), &frame);
  MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&frame), 2);
  CDialog* panels[4] = {&extractPanel_, &encodePanel_, &errorPanel_, &okPanel_};
  for (CDialog* panel : panels) {
    panel->Create(Handle());
    MoveWindow(panel->Handle(), frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top, FALSE);
  }
  SetWindowSubclass(extractPanel_.Item(IDC_EXTRACT_BAR), PercentBarProc, 1, 0);
  SetWindowSubclass(encodePanel_.Item(IDC_ENCODE_BAR), PercentBarProc, 1, 0);
  if (decode) {
    ShowPanel(encodePanel_);
    encodePanel_.SetGroupText(LoadResourceString(IDS_GROUP_DECODING));
    PostMessageA(mainWindow_, UM_START_JOB, 1, 1);
  } else if (normalize) {
    ShowPanel(encodePanel_);
    encodePanel_.SetGroupText(LoadResourceString(IDS_GROUP_NORMALIZE));
    PostMessageA(mainWindow_, UM_START_JOB, 1, 2);
  } else {
    ShowPanel(encodeFiles ? static_cast<CDialog&>(encodePanel_) : extractPanel_);
    PostMessageA(mainWindow_, UM_START_JOB, encodeFiles ? 1 : 0, 0);
  }
  return TRUE;
}

bool CProcessingDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  static const MESSAGE_MAP_ENTRY<CProcessingDialog> map[] = {
      {UM_EXTRACT_PROGRESS, 0, &CProcessingDialog::OnExtractProgress},
      {UM_ENCODE_PROGRESS, 0, &CProcessingDialog::OnEncodeProgress},
      {UM_ITEM_START, 0, &CProcessingDialog::OnItemStart},
      {UM_ENCODE_START, 0, &CProcessingDialog::OnEncodeStart},
      {UM_DECODE_START, 0, &CProcessingDialog::OnDecodeStart},
      {UM_JOB_DONE, 0, &CProcessingDialog::OnJobDone},
      {UM_JOB_FAILED, 0, &CProcessingDialog::OnJobFailed},
  };
  return Route(this, map, message, wParam, lParam, result);
}

void CProcessingDialog::ShowPanel(CDialog& panel) {
  CDialog* panels[4] = {&extractPanel_, &encodePanel_, &errorPanel_, &okPanel_};
  for (CDialog* p : panels) ShowWindow(p->Handle(), p == &panel ? SW_SHOW : SW_HIDE);
}

void CProcessingDialog::SetTitle(UINT format, int number, const std::string& text) {
  SetWindowTextA(Handle(), ItemTitle(LoadResourceString(format), number, total, text).c_str());
}

LRESULT CProcessingDialog::OnExtractProgress(WPARAM wParam, LPARAM lParam) {
  // Posted progress can arrive after the end panel is up.
  if (ended_) return 0;
  extractPanel_.ShowProgress(static_cast<uint32_t>(wParam), static_cast<uint32_t>(lParam));
  return 0;
}

LRESULT CProcessingDialog::OnEncodeProgress(WPARAM wParam, LPARAM lParam) {
  if (ended_) return 0;
  encodePanel_.ShowProgress(static_cast<uint32_t>(wParam), static_cast<uint32_t>(lParam));
  return 0;
}

LRESULT CProcessingDialog::OnItemStart(WPARAM wParam, LPARAM lParam) {
  std::string text = TakeMessageText(lParam);
  if (ended_) return 0;
  // A new item or pass starts from nothing, not from the last one's 100%.
  extractPanel_.Reset();
  encodePanel_.Reset();
  if (wParam == ITEM_NORMALIZING || wParam == ITEM_SEEKING_PEAK) {
    SetTitle(IDS_TITLE_NORMALIZING, current_, text);
    ShowPanel(extractPanel_);
    extractPanel_.SetGroupText(LoadResourceString(wParam == ITEM_NORMALIZING ? IDS_GROUP_NORMALIZING
                                                                             : IDS_GROUP_SEEKING_PEAK));
    return 0;
  }
  if (encodeFiles) {
    SetTitle(IDS_TITLE_ENCODING, current_ + 1, text);
    ShowPanel(encodePanel_);
  } else {
    SetTitle(IDS_TITLE_EXTRACTING, current_ + 1, text);
    ShowPanel(extractPanel_);
    extractPanel_.SetGroupText(LoadResourceString(IDS_GROUP_EXTRACTING));
  }
  ++current_;
  return 0;
}

LRESULT CProcessingDialog::OnEncodeStart(WPARAM, LPARAM lParam) {
  std::string text = TakeMessageText(lParam);
  if (ended_) return 0;
  SetTitle(IDS_TITLE_ENCODING, current_, text);
  ShowPanel(encodePanel_);
  return 0;
}

LRESULT CProcessingDialog::OnDecodeStart(WPARAM, LPARAM lParam) {
  SetTitle(IDS_TITLE_DECODING, current_, TakeMessageText(lParam));
  ShowPanel(encodePanel_);
  return 0;
}

LRESULT CProcessingDialog::OnJobDone(WPARAM wParam, LPARAM) {
  ended_ = true;
  const CJob* job = reinterpret_cast<const CJob*>(wParam);
  for (const CJobItem& item : job->items) okPanel_.AddOutput(item.outputPath, item.outputFolder);
  ShowPanel(okPanel_);
  SetWindowTextA(Handle(), LoadResourceString(IDS_TITLE_FINISHED).c_str());
  SetDlgItemTextA(Handle(), IDOK, LoadResourceString(IDS_BUTTON_CLOSE).c_str());
  return 0;
}

LRESULT CProcessingDialog::OnJobFailed(WPARAM, LPARAM) {
  ended_ = true;
  ShowPanel(errorPanel_);
  SetDlgItemTextA(Handle(), IDOK, LoadResourceString(IDS_BUTTON_CLOSE).c_str());
  return 0;
}

void CProcessingDialog::OnOK() {
  // "Abort" while working, "Close" at the end: either way the worker is
  // told, and the window does not wait for it.
  PostMessageA(mainWindow_, UM_ABORT_JOB, 0, 0);
  EndDialog(IDOK);
}

// ---------------------------------------------------------------------------
// Log window

namespace {

class CLogWindow : public CDialog {
 public:
  explicit CLogWindow(HWND owner) : CDialog(IDD_LOG, owner) {}
  ~CLogWindow() override {
    if (font_) DeleteObject(font_);
  }

 protected:
  BOOL OnInitDialog() override {
    HWND list = Item(IDC_LOG_LIST);
    SendMessageA(list, LB_SETHORIZONTALEXTENT, 800, 0);
    for (const std::string& line : ProcessLog().Lines())
      SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    font_ = CreateFontA(18, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                        CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, "Verana");
    SendDlgItemMessageA(Handle(), IDC_LOG_PRODUCT, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
    return TRUE;
  }
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) override {
    if (message != WM_COMMAND || LOWORD(wParam) != IDC_LOG_CLEAR) return false;
    SendDlgItemMessageA(Handle(), IDC_LOG_LIST, LB_RESETCONTENT, 0, 0);
    ProcessLog().Clear();
    result = 0;
    return true;
  }

 private:
  HFONT font_ = nullptr;
};

}  // namespace

void ShowLogWindow(HWND owner) {
  CLogWindow window(owner);
  window.DoModal();
}
