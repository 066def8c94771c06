#pragma once
// Every private window message of the program: number, direction and the
// meaning of wParam and lParam, written once. Numbers count from WM_USER.
#include <cstdint>

inline constexpr uint32_t kWmUser = 0x0400;

enum : uint32_t {
  // Extraction and scaling (posted), two-pass normalisation (sent) ->
  // processing window: wParam = progress in tenths of a percent (0..1000),
  // lParam = elapsed milliseconds of the item.
  UM_EXTRACT_PROGRESS = kWmUser + 100,
  // Seek slider -> main window (posted): wParam = position in seconds,
  // lParam 1 while the thumb is dragged, 0 once it is let go.
  UM_SEEK_POSITION = kWmUser + 101,
  // Processing window -> main window (posted once): wParam 0 = the CD job,
  // 1 = a file job; with 1, lParam 1 = decode, 2 = normalise, else encode.
  UM_START_JOB = kWmUser + 103,
  // Processing window -> main window (posted): signal the abort event.
  UM_ABORT_JOB = kWmUser + 104,
  // Encoding and decoding steps -> processing window (posted): as
  // UM_EXTRACT_PROGRESS for the encode panel.
  UM_ENCODE_PROGRESS = kWmUser + 105,
  // Workers and steps -> processing window: wParam 0 = next item,
  // 1 = normalising now, 2 = searching the peak; lParam = the item's text.
  // Posted texts are heap copies the receiver frees; sent ones are not.
  UM_ITEM_START = kWmUser + 106,
  // Encoding step -> processing window (posted): lParam = source name copy.
  UM_ENCODE_START = kWmUser + 107,
  // Worker -> processing window (sent): wParam = the CJob, all items done
  // or stopped by abort / an item failed.
  UM_JOB_DONE = kWmUser + 108,
  UM_JOB_FAILED = kWmUser + 109,
  // CDDB windows (sent; parameters point into the sender's memory and are
  // read during the send). Session relay -> current CDDB window: wParam =
  // CDDB_COMPLETION* (command, status, result) / CDDB_PROGRESS* (four values).
  UM_CDDB_COMPLETED = kWmUser + 110,
  UM_CDDB_PROGRESS = kWmUser + 111,
  // Query worker -> query window: wParam = the disc collection / the disc;
  // 114 is accepted and ignored; no match; failure with wParam = the text;
  // connecting to the server.
  UM_QUERY_MATCHES = kWmUser + 112,
  UM_QUERY_DISC = kWmUser + 113,
  UM_QUERY_IGNORED = kWmUser + 114,
  UM_QUERY_NO_MATCH = kWmUser + 115,
  UM_QUERY_FAILED = kWmUser + 116,
  UM_QUERY_CONNECTING = kWmUser + 123,
  // Submission worker -> submission window: failure with wParam = the
  // text; show the edit page; success; connecting to the server.
  UM_SUBMIT_FAILED = kWmUser + 117,
  UM_SUBMIT_EDIT = kWmUser + 118,
  UM_SUBMIT_SUCCEEDED = kWmUser + 119,
  UM_SUBMIT_CONNECTING = kWmUser + 124,
  // Music browser -> main window: end the lookup (posted, after the browser
  // has closed; the parameters of the message that closed it) / start it
  // (sent; wParam = the browser's window handle).
  UM_BROWSE_END = kWmUser + 126,
  UM_BROWSE_START = kWmUser + 127,
  // Main window -> itself: launch the MP3 player.
  UM_LAUNCH_MP3_PLAYER = kWmUser + 120,
  // Status line: wParam = string id of a help text, 0 = standing text again.
  UM_STATUS_HELP = kWmUser + 121,
  // Volume slider -> main window: wParam = new master volume.
  UM_VOLUME_POSITION = kWmUser + 122,
  // Any job step -> main window: wParam = text of a log line.
  UM_LOG_LINE = kWmUser + 125,
  // Decoding step -> processing window (sent): lParam = source name.
  UM_DECODE_START = kWmUser + 129,
  // Extract job -> processing window (posted): wParam = tracks being encoded
  // behind the one being read, 0 when none.
  UM_BACKGROUND_ENCODES = kWmUser + 130,
  // Main window -> itself: start Extract on the checked rows;
  // wParam 0 = repaint the window first, 1 = do not.
  UM_START_EXTRACT = kWmUser + 128,
  // Menu hook -> main window (posted) while a popup of the emulated menu
  // bar is open and the mouse moves onto another title: the hook has ended
  // that popup; open the other one. wParam = the title (MENU_TITLE:
  // 0 File, 1 Edit, 2 Action, 3 Help), lParam = 0.
  UM_MENU_SLIDE = kWmUser + 200,
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
