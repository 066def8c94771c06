// Start-up, settings and the single-instance rule, seen from outside.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/harness/harness.h"

namespace {

const DWORD kStartTimeout = 30000;

class StartupTest : public ::testing::Test {
 protected:
  void SetUp() override { DeleteProgramKey(); }
  void TearDown() override { DeleteProgramKey(); }

  // Runs the program until its window shows, then closes it as the system would.
  std::vector<std::string> RunAndClose(CProgramUnderTest& program) {
    EXPECT_TRUE(program.Start());
    HWND main = nullptr;
    std::vector<std::string> boxes = program.AnswerBoxesUntilMainWindow(kStartTimeout, &main);
    EXPECT_NE(main, nullptr) << "main window never appeared";
    if (main) {
      char title[64] = {};
      GetWindowTextA(main, title, sizeof(title));
      EXPECT_STREQ(title, "Cantaro Maker");
      RECT rect;
      GetWindowRect(main, &rect);
      shownWidth_ = rect.right - rect.left;
      PostMessageA(main, WM_CLOSE, 0, 0);
    }
    EXPECT_TRUE(program.WaitForExit(kStartTimeout)) << "program did not end after WM_CLOSE";
    return boxes;
  }

  int shownWidth_ = 0;
};

TEST_F(StartupTest, FirstRunWithoutDriveCreatesEveryValueAndBothFolders) {
  CProgramUnderTest program("first-run");
  std::vector<std::string> boxes = RunAndClose(program);
  EXPECT_NE(std::find(boxes.begin(), boxes.end(), "No CDROM found!"), boxes.end());

  std::vector<std::string> names = StoredValueNames();
  // 62 values of the first release and those added since: ID3V2,
  // ENCODEWHILEREADING, ACCURATERIP, ACCURATERIPURL, SECUREREAD, VERIFYMP3.
  EXPECT_EQ(names.size(), 62u + 2 + 4);
  for (const std::string& name : names) {
    std::string upper = name;
    CharUpperA(upper.data());
    EXPECT_EQ(name, upper) << "value not stored under its upper-case name";
  }
  DWORD number = 0;
  ASSERT_TRUE(ReadStoredDword("SERVERTIMEOUT", number));
  EXPECT_EQ(number, 120000u);
  ASSERT_TRUE(ReadStoredDword("STATUSLINECOLOR", number));
  EXPECT_EQ(number, 0x00B4C8C8u);
  for (const char* added : {"ID3V2", "ENCODEWHILEREADING"}) {
    ASSERT_TRUE(ReadStoredDword(added, number)) << added;
    EXPECT_EQ(number, 0u) << added;
  }
  std::string text;
  ASSERT_TRUE(ReadStoredString("OUTPUTFOLDER", text));
  EXPECT_EQ(text, program.Folder() + "output");
  ASSERT_TRUE(ReadStoredString("CACHEDIRECTORY", text));
  EXPECT_EQ(text, program.Folder() + "CACHE");
  ASSERT_TRUE(ReadStoredString("NAMINGRULE", text));
  EXPECT_EQ(text, "<title>");
  EXPECT_TRUE(FolderExists(program.Folder() + "output"));
  EXPECT_TRUE(FolderExists(program.Folder() + "CACHE"));
}

TEST_F(StartupTest, StoredWindowWidthOf900ReadsBackAs580) {
  StoreDword("WINDOWWIDTH", 900);
  StoreDword("WINDOWHEIGHT", 200);
  CProgramUnderTest program("width");
  RunAndClose(program);
  EXPECT_EQ(shownWidth_, 580);
  DWORD width = 0, height = 0;
  ASSERT_TRUE(ReadStoredDword("WINDOWWIDTH", width));
  ASSERT_TRUE(ReadStoredDword("WINDOWHEIGHT", height));
  EXPECT_EQ(width, 580u);
  EXPECT_EQ(height, 352u);
}

TEST_F(StartupTest, SecondInstanceWhileTheFirstHasNoWindowSaysAlreadyRunning) {
  CProgramUnderTest first("first");
  ASSERT_TRUE(first.Start());
  // The first instance stops at its drive search and never registers a window.
  EXPECT_EQ(first.WaitForMessageBox(kStartTimeout, false).empty(), false);

  CProgramUnderTest second("second");
  ASSERT_TRUE(second.Start());
  EXPECT_EQ(second.WaitForMessageBox(kStartTimeout), "Cantaro Maker is already running!");
  EXPECT_TRUE(second.WaitForExit(kStartTimeout));
  EXPECT_EQ(second.WaitForMainWindow(0), nullptr);

  HWND main = nullptr;
  first.AnswerBoxesUntilMainWindow(kStartTimeout, &main);
  ASSERT_NE(main, nullptr);
  PostMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(first.WaitForExit(kStartTimeout));
}

}  // namespace
