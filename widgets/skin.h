#pragma once
// The main window's skin: a dark graphite frame with a lighter inset panel,
// flat buttons with drawn glyphs, and a resize grip. Everything is drawn
// with GDI, so no artwork has to be shipped.
#include <windows.h>

#include <string>

enum class SkinGlyph {
  Text,  // the button's caption, no glyph
  Options,
  QueryCddb,
  Mp3Player,
  OpenFolder,
  Exit,
  Rename,
  MoveFirst,
  MoveUp,
  MoveDown,
  MoveLast,
  Extract,
  Minimize,
  Previous,
  Play,
  Pause,
  Stop,
  Eject,
  Next,
};

namespace skin {
inline constexpr COLORREF kFrame = RGB(34, 38, 46);
inline constexpr COLORREF kHeader = RGB(50, 56, 68);
inline constexpr COLORREF kFrameLight = RGB(58, 64, 76);
inline constexpr COLORREF kFrameDark = RGB(18, 20, 25);
inline constexpr COLORREF kButtonFace = RGB(48, 54, 66);
inline constexpr COLORREF kButtonHot = RGB(68, 78, 96);
inline constexpr COLORREF kGlyph = RGB(196, 214, 226);
inline constexpr COLORREF kAccent = RGB(92, 196, 176);
inline constexpr COLORREF kDisabled = RGB(100, 106, 116);
}  // namespace skin

inline constexpr int kSkinHeaderHeight = 36;

// The frame of the whole client area: background, the inset around the
// list, the title text and the grip.
void DrawSkinFrame(HDC dc, const RECT& client, const RECT& listArea);
void DrawResizeGrip(HDC dc, const RECT& grip);
// An owner-drawn button of the skin; hot is the state under the mouse.
void DrawSkinButton(const DRAWITEMSTRUCT& item, SkinGlyph glyph, const std::string& caption, bool hot);
// A 24 by 12 bitmap: the unchecked and the checked 12 by 12 box side by side.
HBITMAP CreateCheckBoxStrip(COLORREF background, COLORREF mark);
