#include "widgets/dialog.h"

CDialog::~CDialog() { Destroy(); }

INT_PTR CDialog::DoModal() {
  modal_ = true;
  ended_ = false;
  HWND created = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId_), owner_, DialogProc,
                                    reinterpret_cast<LPARAM>(this));
  if (!created) return -1;
  bool ownerWasEnabled = owner_ && IsWindowEnabled(owner_);
  if (ownerWasEnabled) EnableWindow(owner_, FALSE);
  RunModalLoop();
  if (ownerWasEnabled) {
    EnableWindow(owner_, TRUE);
    SetActiveWindow(owner_);
  }
  Destroy();
  modal_ = false;
  return endCode_;
}

void CDialog::RunModalLoop() {
  bool shown = IsWindowVisible(hwnd_) != FALSE;
  MSG msg;
  while (!ended_) {
    if (!shown && !PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
      // Initialisation is over once the queue runs dry: show the window,
      // children and child dialogs painted at once, before a busy queue
      // (a job's progress) can hold their painting back.
      ShowWindow(hwnd_, SW_SHOWNORMAL);
      RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
      shown = true;
    }
    BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0) {
      PostQuitMessage(static_cast<int>(msg.wParam));  // leave WM_QUIT for the outer loop
      break;
    }
    if (got == -1) break;
    if (PreTranslateMessage(msg)) continue;
    if (hwnd_ && IsDialogMessageA(hwnd_, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

bool CDialog::Create(HWND parent) {
  modal_ = false;
  owner_ = parent;
  return CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId_), parent, DialogProc,
                            reinterpret_cast<LPARAM>(this)) != nullptr;
}

void CDialog::EndDialog(INT_PTR result) {
  endCode_ = result;
  ended_ = true;
  if (!modal_) Destroy();
  // Wake the modal loop if it waits in GetMessage.
  if (hwnd_) PostMessageA(hwnd_, WM_NULL, 0, 0);
}

void CDialog::Destroy() {
  if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
  hwnd_ = nullptr;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  CDialog* self = nullptr;
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<CDialog*>(lParam);
    self->hwnd_ = hwnd;
    SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
  } else {
    self = reinterpret_cast<CDialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  }
  if (!self) return FALSE;
  try {
    return self->Dispatch(message, wParam, lParam);
  } catch (...) {
    // Nothing may unwind through the system's dialog manager.
    return FALSE;
  }
}

namespace {

// Messages whose result is the dialog procedure's return value itself
// rather than DWLP_MSGRESULT.
bool ReturnsResultDirectly(UINT message) {
  switch (message) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_INITDIALOG: return true;
    default: return false;
  }
}

}  // namespace

INT_PTR CDialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: return OnInitDialog();
    case WM_NCDESTROY:
      OnDestroy();
      SetWindowLongPtrA(hwnd_, DWLP_USER, 0);
      hwnd_ = nullptr;
      return FALSE;
    default: break;
  }
  LRESULT result = 0;
  if (HandleMessage(message, wParam, lParam, result)) {
    if (ReturnsResultDirectly(message)) return static_cast<INT_PTR>(result);
    SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, result);
    return TRUE;
  }
  if (message == WM_COMMAND && HIWORD(wParam) == 0) {
    if (LOWORD(wParam) == IDOK) {
      OnOK();
      return TRUE;
    }
    if (LOWORD(wParam) == IDCANCEL) {
      OnCancel();
      return TRUE;
    }
  }
  return FALSE;
}

std::string ControlText(HWND control) {
  int length = GetWindowTextLengthA(control);
  if (length <= 0) return std::string();
  std::string text(static_cast<size_t>(length) + 1, '\0');
  text.resize(static_cast<size_t>(GetWindowTextA(control, text.data(), length + 1)));
  return text;
}

std::string LoadResourceString(UINT id) {
  char buffer[1024] = {};
  int length = LoadStringA(GetModuleHandleA(nullptr), id, buffer, sizeof(buffer));
  return std::string(buffer, length > 0 ? static_cast<size_t>(length) : 0);
}

namespace {

std::string& MessageCaption() {
  static std::string caption;
  return caption;
}

}  // namespace

void SetMessageCaption(const std::string& caption) { MessageCaption() = caption; }

int ShowMessageText(HWND owner, const std::string& text, UINT type) {
  const std::string& caption = MessageCaption();
  return MessageBoxA(owner, text.c_str(), caption.empty() ? nullptr : caption.c_str(), type);
}

int ShowMessage(HWND owner, UINT stringId, UINT type) {
  return ShowMessageText(owner, LoadResourceString(stringId), type);
}
