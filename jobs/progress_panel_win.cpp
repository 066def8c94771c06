#include "jobs/progress_panel_win.h"

#include <commctrl.h>

#include "jobs/job_workers.h"

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
  // Painting waits for an empty queue, which a fast worker's posts may not
  // leave; a changed text is painted now.
  RedrawWindow(Handle(), nullptr, nullptr, RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void CProgressPanel::Reset() { ShowProgress(0, 0); }

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

void CExtractProgress::ShowBackgroundEncodes(uint32_t count) {
  HWND line = Item(IDC_EXTRACT_BACKGROUND);
  // Hidden before its text goes and given its text before it shows: it is
  // never seen blank.
  if (count == 0) ShowWindow(line, SW_HIDE);
  SetTextIfChanged(line, BackgroundEncodesText(count));
  if (count != 0) ShowWindow(line, SW_SHOWNA);
}

CEncodeProgress::CEncodeProgress()
    : CProgressPanel(IDD_PANEL_ENCODE, IDC_ENCODE_GROUP, IDC_ENCODE_BAR, IDC_ENCODE_ELAPSED, IDC_ENCODE_ESTIMATED) {}

BOOL CProgressPanel::OnInitDialog() {
  SendDlgItemMessageA(Handle(), bar_, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
  SetWindowSubclass(Item(bar_), PercentBarProc, 1, 0);
  return TRUE;
}
