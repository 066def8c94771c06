// Encodes one CD-format WAV file to MP3 through the program's encoding step
// and LAME_ENC.DLL (found next to this program, as the program finds it),
// with the first-run settings, for comparisons with LAME's own encoder.
//
//   encode_tool INPUT.wav OUTPUT_FOLDER
//
// The MP3 lands in OUTPUT_FOLDER under the input's name; the time the step
// took goes to standard error.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "app/job_settings.h"
#include "bench/console_report.h"
#include "jobs/encoder_library.h"
#include "jobs/mp3_encoding.h"

namespace {

// The step takes full Windows paths, as the program's file jobs hand it.
std::string FullPath(const char* path) {
  char full[MAX_PATH] = {};
  DWORD length = GetFullPathNameA(path, MAX_PATH, full, nullptr);
  return length > 0 && length < MAX_PATH ? std::string(full) : std::string(path);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: encode_tool INPUT.wav OUTPUT_FOLDER\n");
    return 2;
  }
  CEncoderBinding encoder;
  if (!encoder.LoadEncoder(1)) {
    std::fprintf(stderr, "LAME_ENC.DLL does not load\n");
    return 1;
  }
  encoder.loadedIndex = 1;
  CAppSettings settings;
  settings.sessionOutputFolder = FullPath(argv[2]);
  if (settings.sessionOutputFolder.back() != '\\') settings.sessionOutputFolder += '\\';

  CConsoleReport report;
  CJob job;
  job.report = &report;
  job.options = JobOptionsFromSettings(settings);
  job.fileJob = true;
  CJobItem item;
  item.sourceName = FullPath(argv[1]);
  item.texts.title = "Benchmark";
  job.items.push_back(item);

  const auto started = std::chrono::steady_clock::now();
  const bool ok = EncodeWaveToMp3(job, encoder);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  std::fprintf(stderr, "encoding step: %.3f s, %s\n", seconds, ok ? "done" : "failed");
  encoder.Unload();
  return ok ? 0 : 1;
}
