// Normalises a CD-format WAV file in place with the program's two-pass
// normaliser, reporting to the console, for comparisons with sox.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/console_report.h"
#include "jobs/normalize.h"

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
