#pragma once
// A job report that records what the steps tell the processing window.
#include <string>
#include <vector>

#include "jobs/job.h"

class CRecordingJobReport : public IJobReport {
 public:
  struct Progress {
    uint32_t tenths;
    bool wait;
  };
  void ExtractProgress(uint32_t tenths, uint32_t, bool wait) override { extract.push_back({tenths, wait}); }
  void EncodeProgress(uint32_t tenths, uint32_t) override { encode.push_back(tenths); }
  void ItemStart(ITEM_START_KIND kind, const std::string& text, bool wait) override {
    starts.push_back(std::to_string(kind) + (wait ? " sent " : " posted ") + text);
  }
  void EncodeStart(const std::string& s) override { starts.push_back("encode " + s); }
  void DecodeStart(const std::string& s) override { starts.push_back("decode " + s); }
  void Log(const std::string& line) override { lines.push_back(line); }
  bool AbortRequested() override { return ++polls > abortAfterPolls; }

  std::vector<Progress> extract;
  std::vector<uint32_t> encode;
  std::vector<std::string> starts;
  std::vector<std::string> lines;
  int polls = 0;
  int abortAfterPolls = 1 << 30;
};

// True when line is the stamped form of format with its time stamp in
// brackets or parentheses and the rest as given.
inline bool LooksLike(const std::string& line, const std::string& prefix, const std::string& suffix) {
  // "(2024-03-05 14:07:09" is 20 characters, then the closing bracket.
  return line.size() >= 20 + suffix.size() && line.compare(0, 1, prefix) == 0 &&
         line.compare(20, suffix.size(), suffix) == 0;
}
