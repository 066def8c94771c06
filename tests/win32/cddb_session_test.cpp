// The session's event relay: events go to the current CDDB window by a
// synchronous send with pointers to their values, and are dropped when no
// window is current or it has closed.
#include <gtest/gtest.h>
#include <windows.h>

#include "discinfo/cddb_session_win.h"
#include "platform/messages.h"

namespace {

struct RECEIVED {
  int completions = 0;
  int progress = 0;
  CDDB_COMPLETION completion;
  CDDB_PROGRESS values;
};
RECEIVED g_received;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == UM_CDDB_COMPLETED) {
    ++g_received.completions;
    g_received.completion = *reinterpret_cast<const CDDB_COMPLETION*>(wParam);
    return 0;
  }
  if (message == UM_CDDB_PROGRESS) {
    ++g_received.progress;
    g_received.values = *reinterpret_cast<const CDDB_PROGRESS*>(wParam);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

HWND CreateRecordingWindow() {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = RecordingProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "CddbRelayRecorder";
  RegisterClassA(&windowClass);
  return CreateWindowExA(0, "CddbRelayRecorder", "", 0, 0, 0, 0, 0, nullptr, nullptr, GetModuleHandleA(nullptr),
                         nullptr);
}

TEST(CddbSessionRelayTest, EventsReachTheCurrentWindowOnlyWhileItLives) {
  g_received = RECEIVED();
  CCddbSession session;
  CDDB_RESULT result;
  result.integer = 3;
  session.CommandCompleted(10, 0, result);  // no CDDB window yet: dropped
  EXPECT_EQ(g_received.completions, 0);

  HWND window = CreateRecordingWindow();
  ASSERT_NE(window, nullptr);
  session.SetCurrentWindow(window);
  session.CommandCompleted(10, 0, result);
  session.CommandProgress(0, 3, 120, 4000);
  EXPECT_EQ(g_received.completions, 1);  // sent, so handled before the call returns
  EXPECT_EQ(g_received.completion.command, 10);
  EXPECT_EQ(g_received.completion.result.integer, 3);
  EXPECT_EQ(g_received.progress, 1);
  EXPECT_EQ(g_received.values.values[1], 3);
  EXPECT_EQ(g_received.values.values[3], 4000);

  DestroyWindow(window);  // the window closed; the session still names it
  session.CommandCompleted(13, static_cast<int32_t>(0x82FA0023), result);
  EXPECT_EQ(g_received.completions, 1);
}

}  // namespace
