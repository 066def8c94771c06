#pragma once
// Every private window message of the program: number, direction and the
// meaning of wParam and lParam, written once. Numbers count from WM_USER.
#include <cstdint>

inline constexpr uint32_t kWmUser = 0x0400;

enum : uint32_t {
  // Job worker -> processing window: progress of the current item.
  UM_JOB_PROGRESS = kWmUser + 100,
  // Seek slider -> main window: seek playback.
  UM_SEEK_POSITION = kWmUser + 101,
  // Main window -> itself: launch the MP3 player.
  UM_LAUNCH_MP3_PLAYER = kWmUser + 120,
  // Status line: wParam = string id of a help text, 0 = standing text again.
  UM_STATUS_HELP = kWmUser + 121,
  // Volume slider -> main window: wParam = new master volume.
  UM_VOLUME_POSITION = kWmUser + 122,
  // Any job step -> main window: wParam = text of a log line.
  UM_LOG_LINE = kWmUser + 125,
  // Main window -> itself: start Extract on the checked rows;
  // wParam 0 = repaint the window first, 1 = do not.
  UM_START_EXTRACT = kWmUser + 128,
  // Shell extension -> main window: an extract request lies in the
  // exchange area (wParam 1).
  UM_EXTRACT_REQUEST = kWmUser + 2000,
  // Second instance -> main window: come to the front.
  UM_COME_TO_FRONT = kWmUser + 2001,
  // Shell extension (wParam 1) or the program itself (wParam 0): a decode
  // or encode file request lies in the exchange area.
  UM_DECODE_REQUEST = kWmUser + 2010,
  UM_ENCODE_REQUEST = kWmUser + 2011,
};
