// The main window as a user meets it: resizing by the grip, the status
// line's help texts, the empty list of a drive without a disc, AutoPlay.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlwapi.h>

#include "cdrom/virtual/disc_image_writer.h"
#include "cdrom/virtual/virtual_drive.h"
#include "platform/messages.h"
#include "resources/resource.h"
#include "tests/core/test_folders.h"
#include "tests/harness/harness.h"

namespace {

const DWORD kTimeout = 60000;

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DeleteProgramKey();
    std::string folder = MakeTestFolder("e2e-main-window");
    DISC_IMAGE_LAYOUT layout;
    layout.tracks.assign(2, IMAGE_TRACK{});
    std::string error;
    ASSERT_TRUE(WriteDiscImage(layout, folder + "two.cue", error)) << error;
    cue_ = folder + "two.cue";
  }
  void TearDown() override { DeleteProgramKey(); }

  HWND Start(const std::string& drives) {
    CScopedEnvironment variable(kVirtualDrivesVariable, drives);
    EXPECT_TRUE(program_.Start());
    HWND main = nullptr;
    program_.AnswerBoxesUntilMainWindow(kTimeout, &main);
    EXPECT_NE(main, nullptr);
    return main;
  }
  void Close(HWND main) {
    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(program_.WaitForExit(kTimeout));
  }

  // Drags the resize grip by (dx, dy) as the mouse would.
  static void DragGrip(HWND main, int dx, int dy) {
    RECT client;
    GetClientRect(main, &client);
    POINT grip = {client.right - 5, client.bottom - 5};
    POINT screen = grip;
    ClientToScreen(main, &screen);
    // The pointer moves through the X server; give it a moment to arrive.
    SetCursorPos(screen.x, screen.y);
    Sleep(150);
    SendMessageA(main, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(grip.x, grip.y));
    SetCursorPos(screen.x + dx, screen.y + dy);
    Sleep(150);
    SendMessageA(main, WM_LBUTTONUP, 0, MAKELPARAM(grip.x + dx, grip.y + dy));
  }

  static SIZE WindowSize(HWND main) {
    RECT r;
    GetWindowRect(main, &r);
    return {r.right - r.left, r.bottom - r.top};
  }

  CProgramUnderTest program_{"main-window"};
  std::string cue_;
};

TEST_F(MainWindowTest, GripResizesWithinTheLimitsAndTheTitleColumnTakesTheRest) {
  HWND main = Start("V=" + cue_);
  ASSERT_NE(main, nullptr);
  ASSERT_EQ(WindowSize(main).cx, 580);
  HWND list = GetDlgItem(main, IDC_TRACK_LIST);
  DragGrip(main, -280, 0);  // 300 wide
  EXPECT_EQ(WindowSize(main).cx, 420);
  EXPECT_EQ(WindowSize(main).cy, 380);
  DragGrip(main, 580, 300);  // 1000 by 680
  EXPECT_EQ(WindowSize(main).cx, 800);
  EXPECT_EQ(WindowSize(main).cy, 600);
  RECT listClient;
  GetClientRect(list, &listClient);
  int others = 0;
  for (int c : {0, 2, 3}) others += static_cast<int>(SendMessageA(list, 0x101D /* LVM_GETCOLUMNWIDTH */, c, 0));
  EXPECT_EQ(SendMessageA(list, 0x101D, 1, 0), listClient.right - others);
  Sleep(500);
  SaveScreenshot(ArtifactFolder() + "main-window-800x600.bmp");
  Close(main);
  DWORD width = 0, column = 0;
  ASSERT_TRUE(ReadStoredDword("WINDOWWIDTH", width));
  EXPECT_EQ(width, 800u);
  ASSERT_TRUE(ReadStoredDword("COLUMNWIDTH2", column));
  EXPECT_GT(column, 280u);
}

TEST_F(MainWindowTest, StatusLineShowsACommandsHelpWhileItsItemIsHighlighted) {
  HWND main = Start("V=" + cue_);
  ASSERT_NE(main, nullptr);
  SendMessageA(main, UM_STATUS_HELP, ID_ACTION_EXTRACT, 0);
  EXPECT_EQ(WindowText(GetDlgItem(main, IDC_STATUS_LINE)), "Extract audio data from CD and encode to MP3");
  SendMessageA(main, UM_STATUS_HELP, 0, 0);
  EXPECT_EQ(WindowText(GetDlgItem(main, IDC_STATUS_LINE)), "");
  Close(main);
}

TEST_F(MainWindowTest, DriveWithoutADiscShowsAnEmptyList) {
  HWND main = Start("V=" + cue_ + "|nomedium");
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(TrackRowCount(main), 0);
  EXPECT_EQ(WindowText(GetDlgItem(main, IDC_DRIVE_LABEL)).substr(0, 4), "V:  ");
  SaveScreenshot(ArtifactFolder() + "main-window-no-disc.bmp");
  Close(main);
}

TEST_F(MainWindowTest, AutoPlayIsSuppressedWhileTheProgramRuns) {
  HKEY key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, "AudioCD\\Shell", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>("play"), 5);
  auto verb = [&]() {
    char text[64] = {};
    DWORD size = sizeof(text);
    RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size);
    return std::string(text);
  };
  HWND main = Start("V=" + cue_);
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(verb(), "");
  Close(main);
  EXPECT_EQ(verb(), "play");
  RegCloseKey(key);
  SHDeleteKeyA(HKEY_CLASSES_ROOT, "AudioCD");
}

}  // namespace
