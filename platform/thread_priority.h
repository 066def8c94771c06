#pragma once
// The thread-priority seam: threads a job starts for itself run at the
// priority the user gave the job's worker ("ThreadPriority").
// The calling thread's scheduling priority; 0 where there is none to tell.
int CurrentThreadPriority();
void SetCurrentThreadPriority(int priority);
