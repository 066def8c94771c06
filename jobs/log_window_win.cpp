#include "jobs/log_window_win.h"

#include "jobs/processing_log.h"
#include "resources/resource.h"
#include "widgets/dialog.h"

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
