#include "jobs/extract_ok_panel_win.h"

BOOL CExtractOK::OnInitDialog() {
  SendDlgItemMessageA(Handle(), IDC_PANEL_ICON, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconA(nullptr, IDI_ASTERISK)),
                      0);
  return TRUE;
}

void CExtractOK::AddOutput(const std::string& path, const std::string& folder) {
  outputs_.push_back(path);
  lastFolder_ = folder;
}
