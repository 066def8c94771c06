#include "widgets/skin_buttons.h"

#include <commctrl.h>

#include "widgets/dialog.h"

void CSkinButtons::Create(HWND parent, const SKIN_BUTTON* buttons, size_t count) {
  parent_ = parent;
  buttons_.assign(buttons, buttons + count);
  tooltip_ =
      CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, parent, nullptr, GetModuleHandleA(nullptr), nullptr);
  for (const SKIN_BUTTON& button : buttons_) {
    HWND control = CreateWindowExA(
        0, "BUTTON", button.caption ? button.caption : "", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 0, 0, 0, 0, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(button.id)), GetModuleHandleA(nullptr), nullptr);
    SetWindowSubclass(control, ButtonProc, 1, reinterpret_cast<DWORD_PTR>(this));
    if (button.tooltipId == 0) continue;
    std::string text = LoadResourceString(button.tooltipId);
    TOOLINFOA info = {};
    info.cbSize = TTTOOLINFOA_V1_SIZE;
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.hwnd = parent;
    info.uId = reinterpret_cast<UINT_PTR>(control);
    info.lpszText = text.data();
    SendMessageA(tooltip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
  }
}

void CSkinButtons::Move(int id, int x, int y, int width, int height) {
  MoveWindow(GetDlgItem(parent_, id), x, y, width, height, TRUE);
}

const SKIN_BUTTON* CSkinButtons::Find(int id) const {
  for (const SKIN_BUTTON& button : buttons_)
    if (button.id == id) return &button;
  return nullptr;
}

bool CSkinButtons::Draw(const DRAWITEMSTRUCT& item) const {
  const SKIN_BUTTON* button = Find(static_cast<int>(item.CtlID));
  if (!button || item.CtlType != ODT_BUTTON) return false;
  DrawSkinButton(item, button->glyph, button->caption ? button->caption : "", item.hwndItem == hot_);
  return true;
}

void CSkinButtons::EnableAll(const int* ids, size_t count, bool enable) const {
  for (size_t i = 0; i < count; ++i) EnableWindow(GetDlgItem(parent_, ids[i]), enable ? TRUE : FALSE);
}

LRESULT CALLBACK CSkinButtons::ButtonProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                          DWORD_PTR data) {
  CSkinButtons* self = reinterpret_cast<CSkinButtons*>(data);
  switch (message) {
    case WM_MOUSEMOVE:
      if (self->hot_ != hwnd) {
        HWND old = self->hot_;
        self->hot_ = hwnd;
        if (old) InvalidateRect(old, nullptr, FALSE);
        InvalidateRect(hwnd, nullptr, FALSE);
        TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, hwnd, 0};
        TrackMouseEvent(&track);
      }
      break;
    case WM_MOUSELEAVE:
      if (self->hot_ == hwnd) {
        self->hot_ = nullptr;
        InvalidateRect(hwnd, nullptr, FALSE);
      }
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, ButtonProc, 1);
      if (self->hot_ == hwnd) self->hot_ = nullptr;
      break;
    default: break;
  }
  return DefSubclassProc(hwnd, message, wParam, lParam);
}
