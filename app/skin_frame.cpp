#include "app/skin_frame.h"

#include <windowsx.h>

#include "app/settings.h"
#include "app/track_list_win.h"
#include "platform/messages.h"
#include "resources/resource.h"
#include "widgets/dialog.h"
#include "widgets/skin.h"

namespace {

const int kMenuTitleIds[MENU_TITLE_COUNT] = {IDC_MENU_FILE, IDC_MENU_EDIT, IDC_MENU_ACTION, IDC_MENU_HELP};

const SKIN_BUTTON kButtons[] = {
    {IDC_BTN_OPTIONS, SkinGlyph::Options, 147, nullptr},
    {IDC_BTN_QUERY_CDDB, SkinGlyph::QueryCddb, 104, nullptr},
    {IDC_BTN_MP3_PLAYER, SkinGlyph::Mp3Player, 106, nullptr},
    {IDC_BTN_OPEN_OUTPUT, SkinGlyph::OpenFolder, 108, nullptr},
    {IDC_BTN_EXIT, SkinGlyph::Exit, 110, nullptr},
    {IDC_BTN_RENAME, SkinGlyph::Rename, 122, nullptr},
    {IDC_BTN_MOVE_FIRST, SkinGlyph::MoveFirst, 125, nullptr},
    {IDC_BTN_MOVE_UP, SkinGlyph::MoveUp, 127, nullptr},
    {IDC_BTN_MOVE_DOWN, SkinGlyph::MoveDown, 129, nullptr},
    {IDC_BTN_MOVE_LAST, SkinGlyph::MoveLast, 131, nullptr},
    {IDC_BTN_EXTRACT, SkinGlyph::Extract, 133, nullptr},
    {IDC_BTN_HOME_PAGE, SkinGlyph::Text, 0, "Cantaro Maker"},
    {IDC_BTN_MINIMIZE, SkinGlyph::Minimize, 57673, nullptr},
    {IDC_BTN_PREVIOUS, SkinGlyph::Previous, 135, nullptr},
    {IDC_BTN_PLAY, SkinGlyph::Play, 137, nullptr},
    {IDC_BTN_PAUSE, SkinGlyph::Pause, 139, nullptr},
    {IDC_BTN_STOP, SkinGlyph::Stop, 141, nullptr},
    {IDC_BTN_EJECT, SkinGlyph::Eject, 143, nullptr},
    {IDC_BTN_NEXT, SkinGlyph::Next, 145, nullptr},
    {IDC_MENU_FILE, SkinGlyph::Text, 113, "File"},
    {IDC_MENU_EDIT, SkinGlyph::Text, 115, "Edit"},
    {IDC_MENU_ACTION, SkinGlyph::Text, 117, "Action"},
    {IDC_MENU_HELP, SkinGlyph::Text, 119, "Help"},
};

MAIN_LAYOUT LayoutOf(HWND window) {
  RECT client;
  GetClientRect(window, &client);
  return ComputeMainLayout(client.right, client.bottom);
}

// While a popup of the emulated menu bar is open, moving onto another title
// swaps the popup: the hook ends the menu and asks the window to open the
// other one. A menu's modal loop runs on the window's thread, one at a time.
HHOOK g_menuHook = nullptr;
HWND g_menuWindow = nullptr;
MENU_TITLE g_openTitle = MENU_TITLE_COUNT;

LRESULT CALLBACK MenuSlideHook(int code, WPARAM wParam, LPARAM lParam) {
  MSG* msg = reinterpret_cast<MSG*>(lParam);
  if (code == MSGF_MENU && msg->message == WM_MOUSEMOVE && g_menuWindow) {
    POINT p = {GET_X_LPARAM(msg->lParam), GET_Y_LPARAM(msg->lParam)};
    ClientToScreen(msg->hwnd, &p);
    ScreenToClient(g_menuWindow, &p);
    MENU_TITLE target = MenuSlideTarget(LayoutOf(g_menuWindow), g_openTitle, p.x, p.y);
    if (target != MENU_TITLE_COUNT) {
      EndMenu();
      PostMessageA(g_menuWindow, UM_MENU_SLIDE, static_cast<WPARAM>(target), 0);
    }
  }
  return CallNextHookEx(g_menuHook, code, wParam, lParam);
}

}  // namespace

void CSkinFrame::Create(HWND window) {
  window_ = window;
  menus_ = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAIN_MENU));
  contextMenu_ = CreatePopupMenu();
  AppendMenuA(contextMenu_, MF_STRING, ID_ACTION_EXTRACT, "Extract");
  AppendMenuA(contextMenu_, MF_STRING, ID_ACTION_PLAY, "Play CD Audio");
  AppendMenuA(contextMenu_, MF_STRING, ID_ACTION_QUERY_CDDB, "Query CDDB");
  AppendMenuA(contextMenu_, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(contextMenu_, MF_STRING, ID_LIST_RENAME, "Rename Highlight Track");
  AppendMenuA(contextMenu_, MF_STRING, ID_EDIT_SELECT_ALL, "Select All");
  AppendMenuA(contextMenu_, MF_STRING, ID_EDIT_SELECT_NONE, "Select None");
  AppendMenuA(contextMenu_, MF_STRING, ID_LIST_INVERT, "Invert Selection");
  frameBrush_ = CreateSolidBrush(skin::kFrame);
  buttons_.Create(window, kButtons, sizeof(kButtons) / sizeof(kButtons[0]));
}

void CSkinFrame::Destroy() {
  if (menus_) DestroyMenu(menus_);
  if (contextMenu_) DestroyMenu(contextMenu_);
  if (frameBrush_) DeleteObject(frameBrush_);
  menus_ = contextMenu_ = nullptr;
  frameBrush_ = nullptr;
}

void CSkinFrame::ApplyLayout() {
  RECT client;
  GetClientRect(window_, &client);
  MAIN_LAYOUT l = ComputeMainLayout(client.right, client.bottom);
  auto place = [this](int id, const LAYOUT_RECT& r) {
    MoveWindow(GetDlgItem(window_, id), r.x, r.y, r.width, r.height, TRUE);
  };
  place(IDC_TRACK_LIST, l.trackList);
  place(IDC_DRIVE_LABEL, l.driveLabel);
  place(IDC_PLAY_TIME, l.playTime);
  place(IDC_VOLUME_SLIDER, l.volumeSlider);
  place(IDC_SEEK_SLIDER, l.seekSlider);
  place(IDC_STATUS_LINE, l.statusLine);
  for (const SKIN_BUTTON& button : kButtons) {
    LAYOUT_RECT r;
    if (SkinButtonRect(button.id, client.right, client.bottom, r))
      buttons_.Move(button.id, r.x, r.y, r.width, r.height);
  }
  // Every control moved: paint the frame and all of them at once.
  RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

bool CSkinFrame::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_PAINT: result = OnPaint(); return true;
    case WM_ERASEBKGND: result = TRUE; return true;  // the frame paints every pixel
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORDLG: result = OnControlColor(wParam, lParam); return true;
    case WM_DRAWITEM: result = OnDrawItem(lParam); return true;
    case WM_LBUTTONDOWN: result = OnLeftButtonDown(lParam); return true;
    case WM_LBUTTONUP: result = OnLeftButtonUp(); return true;
    case WM_MENUSELECT: result = OnMenuSelect(wParam, lParam); return true;
    case WM_CONTEXTMENU: result = OnContextMenu(wParam, lParam); return true;
    case UM_STATUS_HELP: result = OnStatusHelp(wParam); return true;
    case UM_MENU_SLIDE: {
      MENU_TITLE title = MenuTitleOfSlide(wParam);
      if (title != MENU_TITLE_COUNT) OpenMenu(title);
      result = 0;
      return true;
    }
    default: return false;
  }
}

// ---------------------------------------------------------------------------
// Painting

LRESULT CSkinFrame::OnPaint() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window_, &paint);
  RECT client;
  GetClientRect(window_, &client);
  MAIN_LAYOUT l = ComputeMainLayout(client.right, client.bottom);
  RECT list = {l.trackList.x, l.trackList.y, l.trackList.x + l.trackList.width, l.trackList.y + l.trackList.height};
  DrawSkinFrame(dc, client, list);
  RECT grip = {l.grip.x, l.grip.y, l.grip.x + l.grip.width, l.grip.y + l.grip.height};
  DrawResizeGrip(dc, grip);
  EndPaint(window_, &paint);
  return 0;
}

LRESULT CSkinFrame::OnControlColor(WPARAM wParam, LPARAM lParam) {
  HDC dc = reinterpret_cast<HDC>(wParam);
  HWND control = reinterpret_cast<HWND>(lParam);
  SetBkColor(dc, skin::kFrame);
  bool status = control == GetDlgItem(window_, IDC_STATUS_LINE);
  SetTextColor(dc, status ? static_cast<COLORREF>(settings_.StatusLineColor) : skin::kGlyph);
  return reinterpret_cast<LRESULT>(frameBrush_);
}

LRESULT CSkinFrame::OnDrawItem(LPARAM lParam) {
  const DRAWITEMSTRUCT& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
  if (item.CtlID == IDC_TRACK_LIST)
    list_.DrawRow(item);
  else
    buttons_.Draw(item);
  return TRUE;
}

// ---------------------------------------------------------------------------
// Mouse: the resize grip and dragging by the frame

LRESULT CSkinFrame::OnLeftButtonDown(LPARAM lParam) {
  int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
  RECT client;
  GetClientRect(window_, &client);
  MAIN_LAYOUT l = ComputeMainLayout(client.right, client.bottom);
  if (l.grip.Contains(x, y)) {
    resizing_ = true;
    GetCursorPos(&resizeStart_);
    resizeClient_ = {client.right, client.bottom};
    SetCapture(window_);
    return 0;
  }
  // The frame has no caption bar: a press anywhere else drags the window.
  ReleaseCapture();
  SendMessageA(window_, WM_NCLBUTTONDOWN, HTCAPTION, 0);
  return 0;
}

LRESULT CSkinFrame::OnLeftButtonUp() {
  if (!resizing_) return 0;
  resizing_ = false;
  ReleaseCapture();
  POINT now;
  GetCursorPos(&now);
  std::optional<CLIENT_SIZE> size =
      ResizeByGrip(resizeClient_.cx, resizeClient_.cy, now.x - resizeStart_.x, now.y - resizeStart_.y);
  if (!size) return 0;
  SetWindowPos(window_, nullptr, 0, 0, size->width, size->height, SWP_NOMOVE | SWP_NOZORDER);
  ApplyLayout();
  RECT listClient;
  GetClientRect(list_.Handle(), &listClient);
  list_.SetColumnWidth(1, listClient.right - list_.ColumnWidth(0) - list_.ColumnWidth(2) - list_.ColumnWidth(3));
  return 0;
}

// ---------------------------------------------------------------------------
// The emulated menu bar and the status line's help texts

bool CSkinFrame::OpenMenuOfButton(int buttonId) {
  for (int t = 0; t < MENU_TITLE_COUNT; ++t) {
    if (kMenuTitleIds[t] != buttonId) continue;
    OpenMenu(static_cast<MENU_TITLE>(t));
    return true;
  }
  return false;
}

void CSkinFrame::OpenMenu(MENU_TITLE title) {
  int x = 0, y = 0;
  MenuPopupPoint(title, x, y);
  POINT at = {x, y};
  ClientToScreen(window_, &at);
  buttons_.EnableAll(kMenuTitleIds, MENU_TITLE_COUNT, false);
  g_menuWindow = window_;
  g_openTitle = title;
  g_menuHook = SetWindowsHookExA(WH_MSGFILTER, MenuSlideHook, nullptr, GetCurrentThreadId());
  TrackPopupMenu(GetSubMenu(menus_, title), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON, at.x, at.y, 0, window_,
                 nullptr);
  UnhookWindowsHookEx(g_menuHook);
  g_menuHook = nullptr;
  g_menuWindow = nullptr;
  g_openTitle = MENU_TITLE_COUNT;
  buttons_.EnableAll(kMenuTitleIds, MENU_TITLE_COUNT, true);
  SendMessageA(window_, UM_STATUS_HELP, 0, 0);
}

LRESULT CSkinFrame::OnMenuSelect(WPARAM wParam, LPARAM lParam) {
  UINT flags = HIWORD(wParam);
  if (flags == 0xFFFF && lParam == 0) return 0;  // the menu closed; OpenMenu restores the text
  if (!(flags & (MF_POPUP | MF_SEPARATOR))) PostMessageA(window_, UM_STATUS_HELP, LOWORD(wParam), 0);
  return 0;
}

LRESULT CSkinFrame::OnStatusHelp(WPARAM wParam) {
  std::string text = wParam == 0 ? standingStatus_ : LoadResourceString(static_cast<UINT>(wParam));
  if (wParam == 0 || !text.empty()) SetDlgItemTextA(window_, IDC_STATUS_LINE, text.c_str());
  return 0;
}

LRESULT CSkinFrame::OnContextMenu(WPARAM wParam, LPARAM lParam) {
  if (reinterpret_cast<HWND>(wParam) != list_.Handle()) return 0;
  TrackPopupMenu(contextMenu_, TPM_LEFTALIGN | TPM_RIGHTBUTTON, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), 0, window_,
                 nullptr);
  return 0;
}
