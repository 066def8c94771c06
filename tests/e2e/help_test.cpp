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
  // The viewer shows its frame before it fills it, so the test waits for
  // the panes and their entries.
  void ExpectHelpWindow() {
    help_ = WaitForWindowTitled(program_.ProcessId(), "Cantaro Maker Help", kTimeout);
    ASSERT_NE(help_, nullptr) << "no help window";
    size_t contentsEntries = SitemapEntries("CantaroMaker.hhc");
    size_t indexEntries = SitemapEntries("CantaroMaker.hhk");
    ASSERT_GT(contentsEntries, 10u);
    HWND tabs = nullptr, contents = nullptr, index = nullptr;
    for (DWORD start = GetTickCount(); GetTickCount() - start < kTimeout; Sleep(50)) {
      tabs = ChildOfClass(help_, WC_TABCONTROLA);
      contents = ChildOfClass(help_, WC_TREEVIEWA);
      index = ChildOfClass(help_, WC_LISTVIEWA);
      if (tabs && contents && index && Count(contents, TVM_GETCOUNT) == contentsEntries &&
          Count(index, LVM_GETITEMCOUNT) == indexEntries)
        break;
    }
    ASSERT_NE(tabs, nullptr);
    EXPECT_GE(SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0), 2) << "contents and index tabs";
    ASSERT_NE(contents, nullptr);
    EXPECT_EQ(Count(contents, TVM_GETCOUNT), contentsEntries);
    ASSERT_NE(index, nullptr);
    EXPECT_EQ(Count(index, LVM_GETITEMCOUNT), indexEntries);
  }

  static size_t Count(HWND control, UINT message) { return static_cast<size_t>(SendMessageA(control, message, 0, 0)); }

  CProgramUnderTest program_{"help"};
  HWND main_ = nullptr;
  HWND help_ = nullptr;
};

TEST_F(HelpTest, F1OpensTheHelpFileBesideTheProgram) {
  StartElsewhere();
  PostMessageA(main_, WM_KEYDOWN, VK_F1, 0x003B0001);
  PostMessageA(main_, WM_KEYUP, VK_F1, 0xC03B0001);
  ExpectHelpWindow();
  Sleep(500);  // lets the panes paint
  SaveScreenshot(ArtifactFolder() + "help-window.bmp");
}

TEST_F(HelpTest, HelpContentsOpensTheSameWindow) {
  StartElsewhere();
  PostMessageA(main_, WM_COMMAND, ID_HELP_CONTENTS, 0);
  ExpectHelpWindow();
}

}  // namespace
