#pragma once
// The skinned push buttons of a window: owner-drawn buttons with a glyph,
// a tooltip from the string table and a highlight under the mouse.
#include <windows.h>

#include <string>
#include <vector>

#include "widgets/skin.h"

struct SKIN_BUTTON {
  int id;
  SkinGlyph glyph;
  UINT tooltipId;       // 0 = no tooltip
  const char* caption;  // for SkinGlyph::Text
};

class CSkinButtons {
 public:
  // Creates the buttons as children of parent (placed later by Move).
  void Create(HWND parent, const SKIN_BUTTON* buttons, size_t count);
  void Move(int id, int x, int y, int width, int height);
  // WM_DRAWITEM for one of ours; false when the item is not a skin button.
  bool Draw(const DRAWITEMSTRUCT& item) const;
  void EnableAll(const int* ids, size_t count, bool enable) const;

 private:
  static LRESULT CALLBACK ButtonProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR subclassId,
                                     DWORD_PTR data);
  const SKIN_BUTTON* Find(int id) const;

  HWND parent_ = nullptr;
  HWND tooltip_ = nullptr;
  std::vector<SKIN_BUTTON> buttons_;
  HWND hot_ = nullptr;
};
