#pragma once
// Child dialogs laid over a frame control of their parent: each page is
// created inside the frame's rectangle, one is shown at a time, and the
// dialog navigation keys meant for the shown page reach it.
#include <windows.h>

#include <initializer_list>
#include <vector>

#include "widgets/dialog.h"

class CPageHost {
 public:
  // Creates every page as a child of parent, over the rectangle of the
  // control frameId; false when the frame or a page cannot be made.
  bool Create(HWND parent, int frameId, std::initializer_list<CDialog*> pages);
  // Shows page and hides the rest. The page goes on top and paints before
  // the others hide, so the frame is never seen empty.
  void Show(CDialog& page);
  CDialog* Shown() const { return shown_; }
  // For the owner's message loop: Tab, the arrows and mnemonics of a
  // message aimed inside the shown page; true when the page took it.
  bool TranslateNavigation(MSG& msg);

 private:
  std::vector<CDialog*> pages_;
  CDialog* shown_ = nullptr;
};
