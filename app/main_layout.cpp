#include "app/main_layout.h"

#include <algorithm>

#include "resources/resource.h"

MAIN_LAYOUT ComputeMainLayout(int w, int h) {
  MAIN_LAYOUT l;
  l.trackList = {27, 62, w - 55, h - 118};
  l.driveLabel = {27, h - 22, w - 120, 20};
  l.playTime = {w - 65, h - 22, 52, 20};
  l.volumeSlider = {47, h - 42, 115, 16};
  l.seekSlider = {196, h - 42, w - 320, 16};
  l.menuTitles[MENU_FILE] = {20, 15, 25, 17};
  l.menuTitles[MENU_EDIT] = {60, 15, 28, 17};
  l.menuTitles[MENU_ACTION] = {102, 15, 44, 17};
  l.menuTitles[MENU_HELP] = {160, 15, 30, 17};
  l.statusLine = {27, 38, w - 55, 18};
  l.grip = {w - kGripSize, h - kGripSize, kGripSize, kGripSize};
  l.caption = {0, 0, w, 36};
  return l;
}

void MenuPopupPoint(MENU_TITLE title, int& x, int& y) {
  static const int xs[MENU_TITLE_COUNT] = {20, 60, 102, 160};
  x = xs[title];
  y = 34;
}

std::optional<CLIENT_SIZE> ResizeByGrip(int oldWidth, int oldHeight, int dx, int dy) {
  int width = oldWidth + dx;
  int height = oldHeight + dy;
  if (width <= kMinWindowWidth && height <= kMinWindowHeight) return std::nullopt;
  return CLIENT_SIZE{std::clamp(width, kMinWindowWidth, kMaxWindowWidth),
                     std::clamp(height, kMinWindowHeight, kMaxWindowHeight)};
}

bool SkinButtonRect(int id, int w, int h, LAYOUT_RECT& rect) {
  const int s = kSkinButtonSize;
  // Left column beside the list: the disc and file actions.
  static const int leftColumn[] = {IDC_BTN_EXTRACT, IDC_BTN_QUERY_CDDB, IDC_BTN_OPTIONS, IDC_BTN_MP3_PLAYER,
                                   IDC_BTN_OPEN_OUTPUT};
  // Right column beside the list: the row commands.
  static const int rightColumn[] = {IDC_BTN_RENAME, IDC_BTN_MOVE_FIRST, IDC_BTN_MOVE_UP, IDC_BTN_MOVE_DOWN,
                                    IDC_BTN_MOVE_LAST};
  // Bottom row right of the seek bar: the player.
  static const int playerRow[] = {IDC_BTN_PREVIOUS, IDC_BTN_PLAY, IDC_BTN_PAUSE,
                                  IDC_BTN_STOP,     IDC_BTN_NEXT, IDC_BTN_EJECT};
  for (int i = 0; i < 5; ++i) {
    if (leftColumn[i] == id) {
      rect = {4, 62 + i * (s + 4), s, s};
      return true;
    }
    if (rightColumn[i] == id) {
      rect = {w - 24, 62 + i * (s + 4), s, s};
      return true;
    }
  }
  for (int i = 0; i < 6; ++i) {
    if (playerRow[i] == id) {
      rect = {w - 118 + i * 18, h - 46, 17, s};
      return true;
    }
  }
  switch (id) {
    case IDC_BTN_EXIT: rect = {w - 24, 10, s, s}; return true;
    case IDC_BTN_MINIMIZE: rect = {w - 46, 10, s, s}; return true;
    case IDC_BTN_HOME_PAGE: rect = {w - 168, 10, 118, s}; return true;
    case IDC_MENU_FILE:
    case IDC_MENU_EDIT:
    case IDC_MENU_ACTION:
    case IDC_MENU_HELP: {
      const LAYOUT_RECT& title = ComputeMainLayout(w, h).menuTitles[id - IDC_MENU_FILE];
      rect = title;
      return true;
    }
    default: return false;
  }
}

MENU_TITLE MenuSlideTarget(const MAIN_LAYOUT& layout, MENU_TITLE open, int x, int y) {
  for (int t = 0; t < MENU_TITLE_COUNT; ++t)
    if (t != open && layout.menuTitles[t].Contains(x, y)) return static_cast<MENU_TITLE>(t);
  return MENU_TITLE_COUNT;
}

MENU_TITLE MenuTitleOfSlide(uintptr_t wParam) {
  return wParam < MENU_TITLE_COUNT ? static_cast<MENU_TITLE>(wParam) : MENU_TITLE_COUNT;
}
