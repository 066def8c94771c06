#pragma once
// The log window: the processing log's lines, with a button that clears it.
#include <windows.h>

// Opens the log window modally.
void ShowLogWindow(HWND owner);
