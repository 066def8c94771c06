// The main window's geometry and the limits of resizing by the grip.
#include <gtest/gtest.h>

#include "app/main_layout.h"
#include "resources/resource.h"

namespace {

TEST(MainLayoutTest, ElementsFollowTheClientSize) {
  MAIN_LAYOUT l = ComputeMainLayout(580, 380);
  EXPECT_EQ(l.trackList.x, 27);
  EXPECT_EQ(l.trackList.y, 62);
  EXPECT_EQ(l.trackList.width, 525);
  EXPECT_EQ(l.trackList.height, 262);
  EXPECT_EQ(l.driveLabel.y, 358);
  EXPECT_EQ(l.driveLabel.width, 460);
  EXPECT_EQ(l.playTime.x, 515);
  EXPECT_EQ(l.seekSlider.width, 260);
  EXPECT_EQ(l.volumeSlider.x, 47);
  EXPECT_EQ(l.volumeSlider.y, 338);
  EXPECT_TRUE(l.grip.Contains(579, 379));
  EXPECT_TRUE(l.grip.Contains(566, 366));
  EXPECT_FALSE(l.grip.Contains(565, 379));
  EXPECT_TRUE(l.menuTitles[MENU_ACTION].Contains(102, 15));
  EXPECT_TRUE(l.menuTitles[MENU_ACTION].Contains(145, 31));
  EXPECT_FALSE(l.menuTitles[MENU_ACTION].Contains(146, 20));
}

TEST(MainLayoutTest, GripResizeIsClampedOrIgnored) {
  auto drag = [](int dx, int dy) { return ResizeByGrip(580, 380, dx, dy); };
  EXPECT_EQ(drag(-280, 0)->width, 420);  // asked for 300 wide
  EXPECT_EQ(drag(420, 0)->width, 800);   // asked for 1000 wide
  EXPECT_EQ(drag(0, 500)->height, 600);
  EXPECT_EQ(drag(0, -100)->height, 352);
  EXPECT_FALSE(drag(-200, -100).has_value());  // small in both directions: ignored
  EXPECT_FALSE(drag(-160, -28).has_value());   // exactly 420 by 352 is still "at most"
  std::optional<CLIENT_SIZE> size = drag(40, 20);
  ASSERT_TRUE(size.has_value());
  EXPECT_EQ(size->width, 620);
  EXPECT_EQ(size->height, 400);
}

TEST(MainLayoutTest, MenuSlidesToAnotherTitleOnly) {
  MAIN_LAYOUT l = ComputeMainLayout(580, 380);
  EXPECT_EQ(MenuSlideTarget(l, MENU_FILE, 102, 15), MENU_ACTION);
  EXPECT_EQ(MenuSlideTarget(l, MENU_ACTION, 102, 15), MENU_TITLE_COUNT);  // still on the open one
  EXPECT_EQ(MenuSlideTarget(l, MENU_FILE, 300, 200), MENU_TITLE_COUNT);   // over the track list
  for (int t = 0; t < MENU_TITLE_COUNT; ++t) EXPECT_EQ(MenuTitleOfSlide(static_cast<uintptr_t>(t)), t);
  EXPECT_EQ(MenuTitleOfSlide(MENU_TITLE_COUNT), MENU_TITLE_COUNT);
  EXPECT_EQ(MenuTitleOfSlide(static_cast<uintptr_t>(-1)), MENU_TITLE_COUNT);
  int x = 0, y = 0;
  MenuPopupPoint(MENU_HELP, x, y);
  EXPECT_EQ(x, 160);
  EXPECT_EQ(y, 34);
}

TEST(MainLayoutTest, SkinButtonsStayInsideTheWindowAndApart) {
  for (int w : {420, 580, 800}) {
    for (int h : {352, 380, 600}) {
      std::vector<LAYOUT_RECT> rects;
      for (int id = IDC_BTN_OPTIONS; id <= IDC_BTN_NEXT; ++id) {
        LAYOUT_RECT r;
        ASSERT_TRUE(SkinButtonRect(id, w, h, r)) << id;
        EXPECT_GE(r.x, 0);
        EXPECT_LE(r.x + r.width, w) << id;
        EXPECT_LE(r.y + r.height, h) << id;
        // Nothing covers the list or another button.
        MAIN_LAYOUT l = ComputeMainLayout(w, h);
        bool overlapsList = r.x < l.trackList.x + l.trackList.width && l.trackList.x < r.x + r.width &&
                            r.y < l.trackList.y + l.trackList.height && l.trackList.y < r.y + r.height;
        EXPECT_FALSE(overlapsList) << id << " at " << w << "x" << h;
        for (const LAYOUT_RECT& o : rects)
          EXPECT_FALSE(r.x < o.x + o.width && o.x < r.x + r.width && r.y < o.y + o.height && o.y < r.y + r.height)
              << id;
        rects.push_back(r);
      }
    }
  }
  LAYOUT_RECT r;
  EXPECT_FALSE(SkinButtonRect(1200, 580, 380, r));
}

}  // namespace
