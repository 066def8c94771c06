// Times the extraction step over a disc image in the virtual drive, every
// track to a WAV file, with the rip's checksums (CRC32, AccurateRip v1 and
// v2, and the verdict against a database file held in memory) and without
// them, alternating, best of ROUNDS each. Native build: no Wine in the way.
//
//   rip_checksum_tool CUE OUTPUT_FOLDER [ROUNDS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/job_settings.h"
#include "bench/console_report.h"
#include "cdrom/virtual/virtual_drive.h"
#include "jobs/extraction.h"

namespace {

uint64_t g_audioBytes = 0;  // of the disc, for the per-minute figure

// Keeps the last log line instead of printing every one.
class CSilentReport : public CConsoleReport {
 public:
  void Log(const std::string& line) override { last = line; }
  std::string last;
};

// Every lookup answers with an empty pressing list's worth: "not present".
class CAbsentDatabase : public IAccurateRipDatabase {
 public:
  AR_FETCH Fetch(const std::string&, int32_t, std::string&, std::string&) override { return AR_FETCH::Absent; }
};

double RipSeconds(const std::string& cue, const std::string& output, bool checksums, std::string& summary) {
  std::vector<VIRTUAL_DRIVE_CONFIG> drives;
  std::string error;
  if (!ParseVirtualDrives("V=" + cue, drives, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    std::exit(1);
  }
  CVirtualDeviceIo io(nullptr, drives);
  CDriveCommands commands(io);
  commands.Install(AccessPath::PassThrough, 0);
  CJob job;
  CSilentReport report;
  CAbsentDatabase database;
  job.device = io.Open("\\\\.\\V:", true);
  job.report = &report;
  CD_TOC toc = {};
  if (!commands.ReadToc(job.device, toc)) {
    std::fprintf(stderr, "cannot read the TOC of %s\n", cue.c_str());
    std::exit(1);
  }
  std::vector<TRACK_RANGE> ranges = TrackRanges(toc);
  for (size_t t = 0; t < ranges.size(); ++t) {
    CJobItem item;
    item.startSector = static_cast<int>(ranges[t].start);
    item.endSector = static_cast<int>(ranges[t].end);
    item.sourceName = "Track " + std::to_string(t + 1);
    item.trackIndex = static_cast<int>(t);
    job.items.push_back(item);
    job.verification.disc.trackStarts.push_back(ranges[t].start);
  }
  job.verification.disc.leadOut = ranges.empty() ? 0 : ranges.back().end;
  g_audioBytes = uint64_t{job.verification.disc.leadOut} * kFrameBytes;
  job.verification.database = &database;
  CAppSettings settings;
  settings.sessionOutputFolder = output;
  settings.AccurateRip = checksums ? 1 : 0;
  job.options = JobOptionsFromSettings(settings);
  auto began = std::chrono::steady_clock::now();
  for (job.current = 0; job.current < job.items.size(); ++job.current)
    if (!ExtractTrack(job, commands)) {
      std::fprintf(stderr, "the extraction failed: %s\n", report.last.c_str());
      std::exit(1);
    }
  summary = report.last;
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: rip_checksum_tool CUE OUTPUT_FOLDER [ROUNDS]\n");
    return 2;
  }
  int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 3;
  std::string output = std::string(argv[2]) + "/";
  double with = 1e9, without = 1e9;
  std::string summary, ignored;
  for (int round = 0; round < rounds; ++round) {
    without = std::min(without, RipSeconds(argv[1], output, false, ignored));
    with = std::min(with, RipSeconds(argv[1], output, true, summary));
  }
  std::printf("extraction to WAV, best of %d: with checksums %.3f s, without %.3f s, ratio %.3fx\n", rounds, with,
              without, with / without);
  // What the checksums cost per second of audio, against what a drive
  // reading at 48x takes for it.
  double audioSeconds = static_cast<double>(g_audioBytes) / 176400.0;
  double extra = std::max(0.0, with - without);
  std::printf("  checksums: %.1f ms per minute of audio; a drive at 48x reads that minute in %.0f ms (%.2f%%)\n",
              extra * 1000 * 60 / audioSeconds, 60000.0 / 48, 100 * extra / (audioSeconds / 48));
  std::printf("  last log line with checksums: %s\n", summary.c_str());
  return 0;
}
