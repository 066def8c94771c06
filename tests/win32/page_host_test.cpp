// The page host with the program's own templates: the processing window's
// frame and its panels.
#include <gtest/gtest.h>
#include <windows.h>

#include "resources/resource.h"
#include "widgets/page_host.h"

namespace {

class CHostDialog : public CDialog {
 public:
  CHostDialog() : CDialog(IDD_PROCESSING, nullptr) {}
};

class CPage : public CDialog {
 public:
  explicit CPage(UINT templateId) : CDialog(templateId, nullptr) {}
};

RECT ClientRectIn(HWND window, HWND parent) {
  RECT r;
  GetWindowRect(window, &r);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

TEST(PageHostTest, PagesCoverTheFrameAndOneIsShownAtATime) {
  CHostDialog host;
  ASSERT_TRUE(host.Create(nullptr));
  CPage a(IDD_PANEL_EXTRACT), b(IDD_PANEL_ENCODE), c(IDD_PANEL_ERROR);
  CPageHost pages;
  ASSERT_TRUE(pages.Create(host.Handle(), IDC_PANEL_FRAME, {&a, &b, &c}));
  RECT frame = ClientRectIn(host.Item(IDC_PANEL_FRAME), host.Handle());
  for (CDialog* page : {&a, &b, &c}) {
    RECT r = ClientRectIn(page->Handle(), host.Handle());
    EXPECT_EQ(r.left, frame.left);
    EXPECT_EQ(r.top, frame.top);
    EXPECT_EQ(r.right, frame.right);
    EXPECT_EQ(r.bottom, frame.bottom);
  }
  ShowWindow(host.Handle(), SW_SHOW);
  for (CDialog* shown : {&b, &a, &c, &a}) {
    pages.Show(*shown);
    EXPECT_EQ(pages.Shown(), shown);
    for (CDialog* page : {&a, &b, &c}) EXPECT_EQ(IsWindowVisible(page->Handle()) != FALSE, page == shown);
    // On top of its sisters, so nothing of a hidden page shows through.
    HWND above = GetWindow(shown->Handle(), GW_HWNDPREV);
    for (CDialog* page : {&a, &b, &c}) EXPECT_NE(above, page->Handle());
  }
  host.Destroy();
}

TEST(PageHostTest, AFrameThatIsNotThereMakesNoPages) {
  CHostDialog host;
  ASSERT_TRUE(host.Create(nullptr));
  CPage a(IDD_PANEL_EXTRACT);
  CPageHost pages;
  EXPECT_FALSE(pages.Create(host.Handle(), 4242, {&a}));
  EXPECT_EQ(a.Handle(), nullptr);
  host.Destroy();
}

TEST(PageHostTest, NavigationKeysReachOnlyTheShownPage) {
  CHostDialog host;
  ASSERT_TRUE(host.Create(nullptr));
  CPage error(IDD_PANEL_ERROR), extract(IDD_PANEL_EXTRACT);
  CPageHost pages;
  ASSERT_TRUE(pages.Create(host.Handle(), IDC_PANEL_FRAME, {&error, &extract}));
  pages.Show(error);
  MSG tab = {};
  tab.message = WM_KEYDOWN;
  tab.wParam = VK_TAB;
  tab.hwnd = error.Item(IDC_VIEW_LOG);
  ASSERT_NE(tab.hwnd, nullptr);
  EXPECT_TRUE(pages.TranslateNavigation(tab));
  // A key aimed elsewhere, or no key at all, is left to the owner.
  tab.hwnd = host.Item(IDOK);
  EXPECT_FALSE(pages.TranslateNavigation(tab));
  MSG paint = {};
  paint.message = WM_PAINT;
  paint.hwnd = error.Item(IDC_VIEW_LOG);
  EXPECT_FALSE(pages.TranslateNavigation(paint));
  host.Destroy();
}

}  // namespace
