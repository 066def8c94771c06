// Normalises a CD-format WAV file in place with the program's two-pass
// normaliser, reporting to the console, for comparisons with sox.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "jobs/normalize.h"

namespace {

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

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: normalize_tool FILE.wav [RATIO]\n");
    return 2;
  }
  CConsoleReport report;
  CJob job;
  job.report = &report;
  int ratio = argc > 2 ? std::atoi(argv[2]) : 95;
  return NormalizeWaveFile(argv[1], job, ratio) ? 0 : 1;
}
