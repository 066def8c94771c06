#include "platform/thread_priority.h"

// The host build runs tests only: every thread keeps the default priority.
int CurrentThreadPriority() { return 0; }

void SetCurrentThreadPriority(int) {}
