// F1 and Help > Contents open CantaroMaker.chm, installed beside the
// program, in HTML Help with its contents and index.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "resources/resource.h"
#include "tests/harness/harness.h"
// After <windows.h>, which the harness brings.
#include <commctrl.h>

namespace {

const DWORD kTimeout = 30000;

// How many entries a sitemap of the help sources lists.
size_t SitemapEntries(const char* name) {
  std::ifstream in(std::string("Z:") + CANTARO_SOURCE_DIR + "/help/" + name, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  std::string sitemap = text.str();
  size_t count = 0;
  for (size_t at = sitemap.find("name=\"Local\""); at != std::string::npos; at = sitemap.find("name=\"Local\"", at + 1))
    ++count;
  return count;
}

struct CHILD_SEARCH {
  const char* className;
  HWND found;
};

BOOL CALLBACK FindChildOfClass(HWND hwnd, LPARAM param) {
  CHILD_SEARCH* search = reinterpret_cast<CHILD_SEARCH*>(param);
  char name[64] = {};
  GetClassNameA(hwnd, name, sizeof(name));
  if (lstrcmpiA(name, search->className) != 0) return TRUE;
  search->found = hwnd;
  return FALSE;
}

HWND ChildOfClass(HWND parent, const char* className) {
  CHILD_SEARCH search = {className, nullptr};
  EnumChildWindows(parent, FindChildOfClass, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

class HelpTest : public ::testing::Test {
 protected:
  void TearDown() override {
    if (help_) PostMessageA(help_, WM_CLOSE, 0, 0);
    if (main_) PostMessageA(main_, WM_CLOSE, 0, 0);
    EXPECT_TRUE(program_.WaitForExit(kTimeout));
    DeleteProgramKey();
  }

  // Starts the program from another folder, as Explorer or a shortcut
  // may, so a help file looked up by its bare name would not be found.
  void StartElsewhere() {
    DeleteProgramKey();
    ASSERT_TRUE(program_.Start("", ArtifactFolder()));
    program_.AnswerBoxesUntilMainWindow(kTimeout, &main_);
    ASSERT_NE(main_, nullptr);
  }

  // The help window with its contents and index, as the test expects them.
  void ExpectHelpWindow() {
    help_ = WaitForWindowTitled(program_.ProcessId(), "Cantaro Maker Help", kTimeout);
    ASSERT_NE(help_, nullptr) << "no help window";
    HWND tabs = ChildOfClass(help_, WC_TABCONTROLA);
    ASSERT_NE(tabs, nullptr);
    EXPECT_GE(SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0), 2) << "contents and index tabs";
    HWND contents = ChildOfClass(help_, WC_TREEVIEWA);
    ASSERT_NE(contents, nullptr);
    size_t expected = SitemapEntries("CantaroMaker.hhc");
    ASSERT_GT(expected, 10u);
    EXPECT_EQ(static_cast<size_t>(SendMessageA(contents, TVM_GETCOUNT, 0, 0)), expected);
    HWND index = ChildOfClass(help_, WC_LISTVIEWA);
    ASSERT_NE(index, nullptr);
    EXPECT_EQ(static_cast<size_t>(SendMessageA(index, LVM_GETITEMCOUNT, 0, 0)), SitemapEntries("CantaroMaker.hhk"));
  }

  CProgramUnderTest program_{"help"};
  HWND main_ = nullptr;
  HWND help_ = nullptr;
};

TEST_F(HelpTest, F1OpensTheHelpFileBesideTheProgram) {
  StartElsewhere();
  PostMessageA(main_, WM_KEYDOWN, VK_F1, 0x003B0001);
  PostMessageA(main_, WM_KEYUP, VK_F1, 0xC03B0001);
  ExpectHelpWindow();
  SaveScreenshot(ArtifactFolder() + "help-window.bmp");
}

TEST_F(HelpTest, HelpContentsOpensTheSameWindow) {
  StartElsewhere();
  PostMessageA(main_, WM_COMMAND, ID_HELP_CONTENTS, 0);
  ExpectHelpWindow();
}

}  // namespace
