#pragma once
// Where everything of the main window sits for a given client size, and
// the size limits of resizing by the grip. Pure geometry, so it is tested
// without a window.
#include <cstdint>
#include <optional>

struct LAYOUT_RECT {
  int x = 0, y = 0, width = 0, height = 0;
  bool Contains(int px, int py) const { return px >= x && px < x + width && py >= y && py < y + height; }
};

inline constexpr int kMinWindowWidth = 420, kMaxWindowWidth = 800;
inline constexpr int kMinWindowHeight = 352, kMaxWindowHeight = 600;
inline constexpr int kGripSize = 14;
inline constexpr int kSkinButtonSize = 20;

enum MENU_TITLE { MENU_FILE, MENU_EDIT, MENU_ACTION, MENU_HELP, MENU_TITLE_COUNT };

struct MAIN_LAYOUT {
  LAYOUT_RECT trackList, driveLabel, playTime, volumeSlider, seekSlider, statusLine, grip;
  LAYOUT_RECT menuTitles[MENU_TITLE_COUNT];
  LAYOUT_RECT caption;  // the strip that drags the window
};

MAIN_LAYOUT ComputeMainLayout(int clientWidth, int clientHeight);

// Where a menu title's popup opens, in client coordinates.
void MenuPopupPoint(MENU_TITLE title, int& x, int& y);

// The new client size after dragging the grip by (dx, dy), or nothing when
// the request is too small in both directions and is ignored.
struct CLIENT_SIZE {
  int width, height;
};
std::optional<CLIENT_SIZE> ResizeByGrip(int oldWidth, int oldHeight, int dx, int dy);

// The place of a skinned button, by its command identifier; false for an
// identifier that is not one of the window's buttons.
bool SkinButtonRect(int commandId, int clientWidth, int clientHeight, LAYOUT_RECT& rect);

// While the popup of title open is shown, the other title under the client
// point (x, y), to which the menu slides; MENU_TITLE_COUNT for none.
MENU_TITLE MenuSlideTarget(const MAIN_LAYOUT& layout, MENU_TITLE open, int x, int y);
// The title a UM_MENU_SLIDE's wParam names, or MENU_TITLE_COUNT.
MENU_TITLE MenuTitleOfSlide(uintptr_t wParam);
