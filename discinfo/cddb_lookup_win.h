#pragma once
// The lookup that the query window's worker, and the music browser's, run:
// open the drive's CD-audio device, load the component's tables (the query
// only), read the TOC, look it up, hand the outcome to the window and wait
// for the user's choice.
#include <atomic>
#include <memory>

#include "discinfo/cddb_window_win.h"

struct CDDB_LOOKUP_BLOCK : CDDB_WORKER_BLOCK {
  std::atomic<int> chosenRow{-1};
  std::atomic<int> matchKind{0};
  char driveLetter = 0;
  bool preload = true;
};

// The worker's thread procedure; the parameter is the CDDB_LOOKUP_BLOCK.
DWORD WINAPI CddbLookupWorker(void* block);

// The CD-audio device the lookup has open (0: none), shared by the windows
// and the worker; closing it clears the slot.
uint32_t LookupDeviceSlot();
void CloseLookupDevice();

// A lookup window's share of a completion that is not a failure: the match
// kind of a lookup and the preloads wake the worker; a full disc is returned
// (null for every other completion).
std::shared_ptr<CCddbDisc> TakeLookupCompletion(CDDB_LOOKUP_BLOCK& block, const CDDB_COMPLETION& completion);
