#pragma once
// Waiting for a thread that may be sending messages to windows of the
// waiting thread: its sends are answered meanwhile, so neither waits on the
// other.
#include <windows.h>

// Returns once the thread has ended (or the wait cannot be made).
void WaitForThreadAnsweringSends(HANDLE thread);
