#include "widgets/page_host.h"

bool CPageHost::Create(HWND parent, int frameId, std::initializer_list<CDialog*> pages) {
  HWND frame = GetDlgItem(parent, frameId);
  if (!frame) return false;
  RECT r;
  GetWindowRect(frame, &r);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  pages_.assign(pages.begin(), pages.end());
  for (CDialog* page : pages_) {
    if (!page->Create(parent)) return false;
    MoveWindow(page->Handle(), r.left, r.top, r.right - r.left, r.bottom - r.top, FALSE);
  }
  return true;
}

void CPageHost::Show(CDialog& page) {
  // A queue busy with posted messages would hold back the painting of a
  // page shown the ordinary way; this one paints now.
  SetWindowPos(page.Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
  RedrawWindow(page.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  for (CDialog* other : pages_)
    if (other != &page) ShowWindow(other->Handle(), SW_HIDE);
  shown_ = &page;
}

bool CPageHost::TranslateNavigation(MSG& msg) {
  if (!shown_ || !shown_->Handle() || msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) return false;
  if (msg.hwnd != shown_->Handle() && !IsChild(shown_->Handle(), msg.hwnd)) return false;
  return IsDialogMessageA(shown_->Handle(), &msg) != FALSE;
}
