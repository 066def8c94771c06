#pragma once
// The job-report seam in window messages: progress and item starts to the
// processing window, log lines to the main window, the abort event polled
// without waiting.
#include <windows.h>

#include "jobs/job.h"

class CWindowJobReport : public IJobReport {
 public:
  // abortEvent is the job's own copy of its manual-reset event; the report
  // closes it.
  CWindowJobReport(HWND progressWindow, HWND logWindow, HANDLE abortEvent)
      : progress_(progressWindow), log_(logWindow), abort_(abortEvent) {}
  ~CWindowJobReport() override;

  void ExtractProgress(uint32_t tenths, uint32_t elapsedMs, bool wait) override;
  void EncodeProgress(uint32_t tenths, uint32_t elapsedMs) override;
  void ItemStart(ITEM_START_KIND kind, const std::string& text, bool wait) override;
  void EncodeStart(const std::string& sourceName) override;
  void DecodeStart(const std::string& sourceName) override;
  void Log(const std::string& line) override;
  bool AbortRequested() override;
  void BackgroundEncodes(uint32_t count) override;

 private:
  HWND progress_;
  HWND log_;
  HANDLE abort_;
};

// A posted text: a heap copy the receiver takes with TakePostedText.
LPARAM PostableText(const std::string& text);
// The text of a UM_ITEM_START-style message; frees it when it was posted.
std::string TakeMessageText(LPARAM lParam);
