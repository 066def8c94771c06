#include "jobs/extract_error_panel_win.h"

#include "jobs/log_window_win.h"

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
