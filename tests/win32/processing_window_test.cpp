// The processing window driven in-process: what it asks of the main window
// and what its panels show as items start.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "jobs/job_report_win.h"
#include "jobs/processing_window_win.h"
#include "platform/messages.h"
#include "resources/resource.h"

namespace {

struct FIND_CONTROL {
  int id;
  HWND found;
};

BOOL CALLBACK FindControl(HWND child, LPARAM parameter) {
  FIND_CONTROL* find = reinterpret_cast<FIND_CONTROL*>(parameter);
  if (GetDlgCtrlID(child) != find->id || !IsWindowVisible(child)) return TRUE;
  find->found = child;
  return FALSE;
}

// The panels are child dialogs: their controls are grandchildren.
HWND FindVisibleControl(HWND root, int id) {
  FIND_CONTROL find = {id, nullptr};
  EnumChildWindows(root, FindControl, reinterpret_cast<LPARAM>(&find));
  return find.found;
}

std::string TextOf(HWND window) {
  char text[256] = {};
  GetWindowTextA(window, text, sizeof(text));
  return text;
}

class ProcessingWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Stands in for the main window: it only collects what is posted to it.
    main_ = CreateWindowExA(0, "STATIC", "main", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(main_, nullptr);
  }
  void TearDown() override { DestroyWindow(main_); }

  // What the window's initialisation posted to the main window.
  bool TakeStartRequest(WPARAM& wParam, LPARAM& lParam) {
    MSG msg;
    if (!PeekMessageA(&msg, main_, UM_START_JOB, UM_START_JOB, PM_REMOVE)) return false;
    wParam = msg.wParam;
    lParam = msg.lParam;
    return true;
  }

  HWND main_ = nullptr;
};

TEST_F(ProcessingWindowTest, EachJobKindAsksForItsStartWithItsOwnParameters) {
  struct KIND {
    bool encodeFiles, decode, normalize;
    WPARAM wParam;
    LPARAM lParam;
    int shownGroup;
    const char* groupText;
  };
  const KIND kinds[] = {
      {false, false, false, 0, 0, IDC_EXTRACT_GROUP, "Extracting CDDA"},
      {true, false, false, 1, 0, IDC_ENCODE_GROUP, "Encoding WAV to MP3"},
      {true, true, false, 1, 1, IDC_ENCODE_GROUP, "Decoding MP3 to WAV"},
      {false, false, true, 1, 2, IDC_ENCODE_GROUP, "Normalize WAV Files"},
  };
  for (const KIND& kind : kinds) {
    CProcessingDialog window(main_);
    window.total = 2;
    window.encodeFiles = kind.encodeFiles;
    window.decode = kind.decode;
    window.normalize = kind.normalize;
    ASSERT_TRUE(window.Create(nullptr));
    ShowWindow(window.Handle(), SW_SHOWNA);  // a control counts as visible only in a visible window
    WPARAM wParam = 99;
    LPARAM lParam = 99;
    ASSERT_TRUE(TakeStartRequest(wParam, lParam));
    EXPECT_EQ(wParam, kind.wParam);
    EXPECT_EQ(lParam, kind.lParam);
    HWND group = FindVisibleControl(window.Handle(), kind.shownGroup);
    ASSERT_NE(group, nullptr) << kind.groupText;
    EXPECT_EQ(TextOf(group), kind.groupText);
    window.Destroy();
  }
}

TEST_F(ProcessingWindowTest, ANewItemRestartsProgressAndElapsedButKeepsTheEstimate) {
  CProcessingDialog window(main_);
  window.total = 2;
  window.encodeFiles = true;
  window.decode = true;
  ASSERT_TRUE(window.Create(nullptr));
  ShowWindow(window.Handle(), SW_SHOWNA);
  SendMessageA(window.Handle(), UM_ITEM_START, ITEM_NEXT, PostableText("C:\\a.mp3"));
  // 50.0% after 10 s: the item should take 20 s.
  SendMessageA(window.Handle(), UM_ENCODE_PROGRESS, 500, 10000);
  HWND estimated = FindVisibleControl(window.Handle(), IDC_ENCODE_ESTIMATED);
  HWND elapsed = FindVisibleControl(window.Handle(), IDC_ENCODE_ELAPSED);
  HWND bar = FindVisibleControl(window.Handle(), IDC_ENCODE_BAR);
  ASSERT_TRUE(estimated && elapsed && bar);
  EXPECT_EQ(TextOf(estimated), "00:20");
  EXPECT_EQ(TextOf(elapsed), "00:10");
  EXPECT_EQ(TextOf(bar), "50.0%");

  SendMessageA(window.Handle(), UM_ITEM_START, ITEM_NEXT, PostableText("C:\\b.mp3"));
  EXPECT_EQ(TextOf(window.Handle()), "Encoding(02/02): C:\\b.mp3");
  EXPECT_EQ(TextOf(bar), "0.0%");
  EXPECT_EQ(TextOf(elapsed), "00:00");
  EXPECT_EQ(TextOf(estimated), "00:20");
  // Progress 0 leaves it as well; the first real progress replaces it.
  SendMessageA(window.Handle(), UM_ENCODE_PROGRESS, 0, 500);
  EXPECT_EQ(TextOf(estimated), "00:20");
  SendMessageA(window.Handle(), UM_ENCODE_PROGRESS, 1000, 95000);
  EXPECT_EQ(TextOf(estimated), "01:35");
  window.Destroy();
}

TEST_F(ProcessingWindowTest, TracksEncodingBehindTheReadingShowAsOneLineUntilNoneIsLeft) {
  CProcessingDialog window(main_);
  window.total = 4;
  ASSERT_TRUE(window.Create(nullptr));
  ShowWindow(window.Handle(), SW_SHOWNA);
  SendMessageA(window.Handle(), UM_ITEM_START, ITEM_NEXT, PostableText("Track 1"));
  EXPECT_EQ(FindVisibleControl(window.Handle(), IDC_EXTRACT_BACKGROUND), nullptr);
  SendMessageA(window.Handle(), UM_BACKGROUND_ENCODES, 2, 0);
  HWND line = FindVisibleControl(window.Handle(), IDC_EXTRACT_BACKGROUND);
  ASSERT_NE(line, nullptr);
  EXPECT_EQ(TextOf(line), "Encoding 2 tracks in the background");
  // The extraction panel stays up: the line belongs to it.
  EXPECT_NE(FindVisibleControl(window.Handle(), IDC_EXTRACT_GROUP), nullptr);
  SendMessageA(window.Handle(), UM_BACKGROUND_ENCODES, 1, 0);
  EXPECT_EQ(TextOf(line), "Encoding 1 track in the background");
  SendMessageA(window.Handle(), UM_BACKGROUND_ENCODES, 0, 0);
  EXPECT_FALSE(IsWindowVisible(line));
  window.Destroy();
}

}  // namespace
