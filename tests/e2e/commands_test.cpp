// The track-list commands as a user gives them: Rename, Move, the case
// commands and Copy to Clipboard.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <memory>

#include "cdrom/virtual/disc_image_writer.h"
#include "cdrom/virtual/virtual_drive.h"
#include "resources/resource.h"
#include "tests/core/test_folders.h"
#include "tests/harness/harness.h"

namespace {

const DWORD kTimeout = 60000;

class CommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DeleteProgramKey();
    std::string folder = MakeTestFolder("e2e-commands");
    DISC_IMAGE_LAYOUT layout;
    for (int i = 0; i < 3; ++i) {
      IMAGE_TRACK track;
      track.frames = 75 * (61 + i);
      layout.tracks.push_back(track);
    }
    std::string error;
    ASSERT_TRUE(WriteDiscImage(layout, folder + "three.cue", error)) << error;
    drives_ = std::make_unique<CScopedEnvironment>(kVirtualDrivesVariable, "V=" + folder + "three.cue");
    StartProgram();
  }
  void StartProgram() {
    ASSERT_TRUE(program_.Start());
    program_.AnswerBoxesUntilMainWindow(kTimeout, &main_);
    ASSERT_NE(main_, nullptr);
    list_ = GetDlgItem(main_, IDC_TRACK_LIST);
  }
  void TearDown() override {
    if (main_) PostMessageA(main_, WM_CLOSE, 0, 0);
    EXPECT_TRUE(program_.WaitForExit(kTimeout));
    DeleteProgramKey();
  }

  void Rename(int row, const char* title) {
    HighlightListRow(list_, row);
    PostMessageA(main_, WM_COMMAND, ID_EDIT_RENAME, 0);
    HWND dialog = WaitForWindowTitled(program_.ProcessId(), "Rename", kTimeout);
    ASSERT_NE(dialog, nullptr);
    SendDlgItemMessageA(dialog, IDC_RENAME_EDIT, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(title));
    ClickButton(dialog, IDOK);
    for (int i = 0; i < 100 && IsWindow(dialog); ++i) Sleep(20);
  }

  std::string Title(int row) { return ListViewText(list_, row, 1); }

  std::unique_ptr<CScopedEnvironment> drives_;
  CProgramUnderTest program_{"commands"};
  HWND main_ = nullptr;
  HWND list_ = nullptr;
};

TEST_F(CommandsTest, RenameMoveCaseAndClipboard) {
  Rename(0, "the BEST of (live) [remix]");
  Rename(2, "closing");
  EXPECT_EQ(Title(0), "the BEST of (live) [remix]");

  PostMessageA(main_, WM_COMMAND, ID_EDIT_CAPITALIZE, 0);
  PostMessageA(main_, WM_COMMAND, IDC_BTN_MOVE_LAST, 0);  // row 2 is highlighted
  PostMessageA(main_, WM_COMMAND, IDC_BTN_MOVE_FIRST, 0);
  Sleep(300);
  EXPECT_EQ(Title(0), "Closing");
  EXPECT_EQ(Title(1), "The Best Of (Live) [Remix]");
  EXPECT_EQ(ListViewText(list_, 0, 0), "03");  // the row keeps its number

  PostMessageA(main_, WM_COMMAND, ID_EDIT_COPY, 0);
  EXPECT_EQ(program_.WaitForMessageBox(kTimeout), "Successfully copy TOC to Clipboard");
  EXPECT_EQ(ClipboardText(), "Closing\t\t01:03\r\nThe Best Of (Live) [Remix]\t\t01:01\r\nTrack 2\t\t01:02\r\n");

  PostMessageA(main_, WM_COMMAND, ID_EDIT_UPPER_CASE, 0);
  Sleep(200);
  EXPECT_EQ(Title(2), "TRACK 2");
}

TEST_F(CommandsTest, RenameWithoutAHighlightedRowSaysSo) {
  PostMessageA(main_, WM_COMMAND, ID_EDIT_RENAME, 0);
  EXPECT_EQ(program_.WaitForMessageBox(kTimeout), "Please highlighted a track item to rename it.");
  PostMessageA(main_, WM_COMMAND, IDC_BTN_MOVE_UP, 0);
  EXPECT_EQ(program_.WaitForMessageBox(kTimeout), "Please highlighted a track item to rename it.");
}

TEST_F(CommandsTest, ExtractRunsTheCheckedRowsInListOrder) {
  PostMessageA(main_, WM_COMMAND, ID_EDIT_SELECT_NONE, 0);
  HighlightListRow(list_, 2);
  PostMessageA(main_, WM_COMMAND, IDC_BTN_MOVE_FIRST, 0);  // Track 3 leads now
  Sleep(300);
  CheckListRow(list_, 0, true);
  CheckListRow(list_, 2, true);  // Track 2
  PostMessageA(main_, WM_COMMAND, ID_ACTION_EXTRACT, 0);
  HWND finished = WaitForWindowTitled(program_.ProcessId(), "Finished", kTimeout);
  ASSERT_NE(finished, nullptr);
  ClickButton(finished, IDOK);
  for (int i = 0; i < 100 && IsWindow(finished); ++i) Sleep(20);
  PostMessageA(main_, WM_COMMAND, ID_FILE_VIEW_LOG, 0);
  HWND log = WaitForWindowTitled(program_.ProcessId(), "Cantaro Maker Log", kTimeout);
  ASSERT_NE(log, nullptr);
  HWND lines = GetDlgItem(log, IDC_LOG_LIST);
  std::vector<std::string> starts;
  int count = static_cast<int>(SendMessageA(lines, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    std::string line = ListBoxText(lines, i);
    if (line.find(") Extracting ") != std::string::npos && line.find(" ...") != std::string::npos)
      starts.push_back(line.substr(line.find(") Extracting ") + 13));
  }
  EXPECT_EQ(starts, (std::vector<std::string>{"Track 3 ...", "Track 2 ..."}));
  ClickButton(log, IDOK);
}

TEST_F(CommandsTest, ExtractWithNothingCheckedSaysSo) {
  PostMessageA(main_, WM_COMMAND, ID_EDIT_SELECT_NONE, 0);
  PostMessageA(main_, WM_COMMAND, ID_ACTION_EXTRACT, 0);
  EXPECT_EQ(program_.WaitForMessageBox(kTimeout),
            "Please select one item at least.\nClick the left little box to select it.");
  EXPECT_EQ(WaitForWindowTitled(program_.ProcessId(), "Extracting", 500), nullptr);
}

TEST_F(CommandsTest, RenamedTitlesComeBackFromTheDiscCache) {
  Rename(0, "Opening");
  Rename(1, "Middle");
  PostMessageA(main_, WM_CLOSE, 0, 0);
  ASSERT_TRUE(program_.WaitForExit(kTimeout));
  EXPECT_TRUE(std::filesystem::exists(program_.Folder() + "db"));

  StartProgram();
  EXPECT_EQ(Title(0), "Opening");
  EXPECT_EQ(Title(1), "Middle");
  EXPECT_EQ(Title(2), "Track 3");
  PostMessageA(main_, WM_COMMAND, ID_EDIT_COPY, 0);
  EXPECT_EQ(program_.WaitForMessageBox(kTimeout), "Successfully copy TOC to Clipboard");
  EXPECT_EQ(ClipboardText(), "Opening\t\t01:01\r\nMiddle\t\t01:02\r\nTrack 3\t\t01:03\r\n");
}

}  // namespace
