#pragma once
// The processing log: one line per noteworthy event of the jobs, in memory
// for the life of the process. Touched on the user-interface thread only;
// job steps reach it through the sent log-line message.
#include <string>
#include <vector>

class CProcessingLog {
 public:
  void Append(const std::string& line) { lines_.push_back(line); }
  void Clear() { lines_.clear(); }
  const std::vector<std::string>& Lines() const { return lines_; }

 private:
  std::vector<std::string> lines_;
};

// The one log of the process.
CProcessingLog& ProcessLog();
