#include "widgets/skin.h"

#include <vector>

namespace {

void Fill(HDC dc, const RECT& r, COLORREF color) {
  HBRUSH brush = CreateSolidBrush(color);
  FillRect(dc, &r, brush);
  DeleteObject(brush);
}

void Edge(HDC dc, const RECT& r, COLORREF topLeft, COLORREF bottomRight) {
  HPEN light = CreatePen(PS_SOLID, 1, topLeft);
  HPEN dark = CreatePen(PS_SOLID, 1, bottomRight);
  HGDIOBJ old = SelectObject(dc, light);
  MoveToEx(dc, r.left, r.bottom - 1, nullptr);
  LineTo(dc, r.left, r.top);
  LineTo(dc, r.right - 1, r.top);
  SelectObject(dc, dark);
  LineTo(dc, r.right - 1, r.bottom - 1);
  LineTo(dc, r.left, r.bottom - 1);
  SelectObject(dc, old);
  DeleteObject(light);
  DeleteObject(dark);
}

// A filled polygon of points relative to the glyph box's centre.
void Polygon(HDC dc, int cx, int cy, std::initializer_list<POINT> points, COLORREF color) {
  std::vector<POINT> p;
  for (POINT q : points) p.push_back({cx + q.x, cy + q.y});
  HBRUSH brush = CreateSolidBrush(color);
  HPEN pen = CreatePen(PS_SOLID, 1, color);
  HGDIOBJ oldBrush = SelectObject(dc, brush);
  HGDIOBJ oldPen = SelectObject(dc, pen);
  ::Polygon(dc, p.data(), static_cast<int>(p.size()));
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  DeleteObject(brush);
  DeleteObject(pen);
}

void Bar(HDC dc, int left, int top, int right, int bottom, COLORREF color) {
  RECT r = {left, top, right, bottom};
  Fill(dc, r, color);
}

void Line(HDC dc, int x1, int y1, int x2, int y2, COLORREF color, int width = 1) {
  HPEN pen = CreatePen(PS_SOLID, width, color);
  HGDIOBJ old = SelectObject(dc, pen);
  MoveToEx(dc, x1, y1, nullptr);
  LineTo(dc, x2, y2);
  SelectObject(dc, old);
  DeleteObject(pen);
}

void Ring(HDC dc, int cx, int cy, int radius, COLORREF color) {
  HPEN pen = CreatePen(PS_SOLID, 2, color);
  HGDIOBJ oldPen = SelectObject(dc, pen);
  HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
  Ellipse(dc, cx - radius, cy - radius, cx + radius + 1, cy + radius + 1);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  DeleteObject(pen);
}

void DrawGlyph(HDC dc, SkinGlyph glyph, int cx, int cy, COLORREF c) {
  switch (glyph) {
    case SkinGlyph::Play: Polygon(dc, cx, cy, {{-3, -5}, {4, 0}, {-3, 5}}, c); break;
    case SkinGlyph::Pause:
      Bar(dc, cx - 4, cy - 5, cx - 1, cy + 6, c);
      Bar(dc, cx + 1, cy - 5, cx + 4, cy + 6, c);
      break;
    case SkinGlyph::Stop: Bar(dc, cx - 4, cy - 4, cx + 5, cy + 5, c); break;
    case SkinGlyph::Previous:
      Bar(dc, cx - 5, cy - 4, cx - 3, cy + 5, c);
      Polygon(dc, cx, cy, {{4, -4}, {-2, 0}, {4, 4}}, c);
      break;
    case SkinGlyph::Next:
      Polygon(dc, cx, cy, {{-4, -4}, {2, 0}, {-4, 4}}, c);
      Bar(dc, cx + 3, cy - 4, cx + 5, cy + 5, c);
      break;
    case SkinGlyph::Eject:
      Polygon(dc, cx, cy, {{-5, 1}, {0, -5}, {5, 1}}, c);
      Bar(dc, cx - 5, cy + 3, cx + 6, cy + 5, c);
      break;
    case SkinGlyph::MoveUp: Polygon(dc, cx, cy, {{-5, 3}, {0, -3}, {5, 3}}, c); break;
    case SkinGlyph::MoveDown: Polygon(dc, cx, cy, {{-5, -3}, {0, 3}, {5, -3}}, c); break;
    case SkinGlyph::MoveFirst:
      Bar(dc, cx - 5, cy - 5, cx + 6, cy - 3, c);
      Polygon(dc, cx, cy, {{-5, 4}, {0, -2}, {5, 4}}, c);
      break;
    case SkinGlyph::MoveLast:
      Polygon(dc, cx, cy, {{-5, -4}, {0, 2}, {5, -4}}, c);
      Bar(dc, cx - 5, cy + 4, cx + 6, cy + 6, c);
      break;
    case SkinGlyph::Exit:
      Line(dc, cx - 4, cy - 4, cx + 5, cy + 5, c, 2);
      Line(dc, cx + 4, cy - 4, cx - 5, cy + 5, c, 2);
      break;
    case SkinGlyph::Minimize: Bar(dc, cx - 5, cy + 3, cx + 5, cy + 5, c); break;
    case SkinGlyph::Extract:  // a disc with an arrow leaving it
      Ring(dc, cx - 1, cy, 5, c);
      Bar(dc, cx - 2, cy - 1, cx + 1, cy + 2, c);
      Polygon(dc, cx, cy, {{3, 2}, {8, 2}, {5, 6}}, skin::kAccent);
      break;
    case SkinGlyph::QueryCddb:  // a globe
      Ring(dc, cx, cy, 6, c);
      Line(dc, cx - 6, cy, cx + 7, cy, c);
      Line(dc, cx, cy - 6, cx, cy + 7, c);
      break;
    case SkinGlyph::Options:  // three sliders
      for (int i = -1; i <= 1; ++i) {
        Line(dc, cx - 6, cy + 4 * i, cx + 7, cy + 4 * i, c);
        Bar(dc, cx - 2 + 3 * i, cy + 4 * i - 1, cx + 1 + 3 * i, cy + 4 * i + 2, skin::kAccent);
      }
      break;
    case SkinGlyph::Mp3Player:  // a note
      Bar(dc, cx + 1, cy - 6, cx + 3, cy + 3, c);
      Bar(dc, cx + 3, cy - 6, cx + 6, cy - 4, c);
      Polygon(dc, cx, cy, {{-4, 2}, {2, 1}, {2, 5}, {-4, 6}}, c);
      break;
    case SkinGlyph::OpenFolder: Polygon(dc, cx, cy, {{-6, -4}, {-2, -4}, {0, -2}, {6, -2}, {6, 5}, {-6, 5}}, c); break;
    case SkinGlyph::Rename:  // a pencil
      Polygon(dc, cx, cy, {{-5, 5}, {-5, 2}, {3, -6}, {6, -3}, {-2, 5}}, c);
      break;
    case SkinGlyph::Text: break;
  }
}

}  // namespace

void DrawSkinFrame(HDC dc, const RECT& client, const RECT& listArea) {
  Fill(dc, client, skin::kFrame);
  RECT header = {client.left, client.top, client.right, client.top + kSkinHeaderHeight};
  Fill(dc, header, skin::kHeader);
  Line(dc, client.left, header.bottom, client.right, header.bottom, skin::kFrameDark);
  Edge(dc, client, skin::kFrameLight, skin::kFrameDark);
  RECT inset = {listArea.left - 2, listArea.top - 2, listArea.right + 2, listArea.bottom + 2};
  Edge(dc, inset, skin::kFrameDark, skin::kFrameLight);
}

void DrawResizeGrip(HDC dc, const RECT& grip) {
  for (int i = 0; i < 3; ++i) {
    int off = 4 * i + 3;
    Line(dc, grip.right - off, grip.bottom - 2, grip.right - 2, grip.bottom - off, skin::kFrameLight);
    Line(dc, grip.right - off + 1, grip.bottom - 2, grip.right - 2, grip.bottom - off + 1, skin::kFrameDark);
  }
}

void DrawSkinButton(const DRAWITEMSTRUCT& item, SkinGlyph glyph, const std::string& caption, bool hot) {
  HDC dc = item.hDC;
  RECT r = item.rcItem;
  bool pressed = (item.itemState & ODS_SELECTED) != 0;
  bool disabled = (item.itemState & ODS_DISABLED) != 0;
  bool flat = glyph == SkinGlyph::Text;  // menu titles and the product name sit on the frame
  COLORREF face = pressed ? skin::kFrameDark : hot ? skin::kButtonHot : skin::kButtonFace;
  if (flat && !hot && !pressed) {
    // Paint the frame colour behind flat captions.
    Fill(dc, r, skin::kHeader);
  } else {
    Fill(dc, r, face);
    if (!flat || hot)
      Edge(dc, r, pressed ? skin::kFrameDark : skin::kFrameLight, pressed ? skin::kFrameLight : skin::kFrameDark);
  }
  COLORREF ink = disabled ? skin::kDisabled : (hot && flat ? skin::kAccent : skin::kGlyph);
  int cx = (r.left + r.right) / 2 + (pressed ? 1 : 0);
  int cy = (r.top + r.bottom) / 2 + (pressed ? 1 : 0);
  if (glyph != SkinGlyph::Text) {
    DrawGlyph(dc, glyph, cx, cy, ink);
    return;
  }
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ink);
  RECT text = r;
  if (pressed) OffsetRect(&text, 1, 1);
  DrawTextA(dc, caption.c_str(), -1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

HBITMAP CreateCheckBoxStrip(COLORREF background, COLORREF mark) {
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 24, 12);
  HGDIOBJ old = SelectObject(dc, bitmap);
  RECT all = {0, 0, 24, 12};
  Fill(dc, all, background);
  for (int box = 0; box < 2; ++box) {
    RECT r = {box * 12 + 1, 1, box * 12 + 12, 12};
    Edge(dc, r, mark, mark);
    if (box == 1) {
      Line(dc, 15, 6, 17, 9, mark, 2);
      Line(dc, 17, 9, 21, 3, mark, 2);
    }
  }
  SelectObject(dc, old);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return bitmap;
}
