#pragma once
// A job report for command-line tools: log lines to standard error, no
// window, never an abort.
#include <cstdio>
#include <string>

#include "jobs/job.h"

class CConsoleReport : public IJobReport {
 public:
  void ExtractProgress(uint32_t, uint32_t, bool) override {}
  void EncodeProgress(uint32_t, uint32_t) override {}
  void ItemStart(ITEM_START_KIND, const std::string&, bool) override {}
  void EncodeStart(const std::string&) override {}
  void DecodeStart(const std::string&) override {}
  void Log(const std::string& line) override { std::fprintf(stderr, "%s\n", line.c_str()); }
  bool AbortRequested() override { return false; }
};
