#include "platform/thread_priority.h"

#include <windows.h>

int CurrentThreadPriority() { return GetThreadPriority(GetCurrentThread()); }

void SetCurrentThreadPriority(int priority) { SetThreadPriority(GetCurrentThread(), priority); }
