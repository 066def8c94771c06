#pragma once
// One job of the job runner and its items, and the seam through which the
// job steps report: progress, item starts, log lines and the abort poll.
// The processing window implements the seam with window messages; tests
// implement it with a recorder.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "cdrom/device_io.h"
#include "discinfo/track_entry.h"
#include "jobs/job_options.h"
#include "jobs/rip_verification.h"

struct CJobItem {
  int startSector = 0;
  int endSector = 0;
  std::string sourceName;  // a track's title text, or a file's full path
  std::string outputPath;
  std::string outputFolder;
  uint32_t elapsed = 0;  // milliseconds
  int trackIndex = 0;
  CTrackEntry texts;  // the track's own entry of the disc record; its genre name is not used
};

// What UM_ITEM_START's wParam says.
enum ITEM_START_KIND { ITEM_NEXT = 0, ITEM_NORMALIZING = 1, ITEM_SEEKING_PEAK = 2 };

class IJobReport {
 public:
  virtual ~IJobReport() = default;
  // Progress of the extract-style panel in tenths of a percent (0..1000)
  // with the item's elapsed milliseconds; wait = sent rather than posted.
  virtual void ExtractProgress(uint32_t tenths, uint32_t elapsedMs, bool wait) = 0;
  virtual void EncodeProgress(uint32_t tenths, uint32_t elapsedMs) = 0;
  virtual void ItemStart(ITEM_START_KIND kind, const std::string& text, bool wait) = 0;
  virtual void EncodeStart(const std::string& sourceName) = 0;
  virtual void DecodeStart(const std::string& sourceName) = 0;
  // Appends a line to the processing log; returns once it is stored.
  virtual void Log(const std::string& line) = 0;
  // Polls the job's abort event without waiting.
  virtual bool AbortRequested() = 0;
  // How many tracks are being encoded behind the one being read (encoding
  // while reading); 0 when none.
  virtual void BackgroundEncodes(uint32_t count) {}
};

class CJob {
 public:
  virtual ~CJob() = default;

  DeviceHandle device = kInvalidDevice;
  IJobReport* report = nullptr;
  // Copied from the settings before the worker starts; the steps read only this.
  JOB_OPTIONS options;
  bool keepWav = true;
  bool fileJob = true;
  std::string temporaryWavPath;
  std::vector<CJobItem> items;
  size_t discTracks = 0;  // a CD job: the tracks of its disc (ID3v2's "n/total")
  size_t current = 0;
  bool cancelled = false;
  // A CD job's disc and database, when its rip is to be proved.
  CRipVerification verification;
  // Shared by the tracks of a job that run side by side, so that one abort
  // writes one cancel line; null for a job that runs one step at a time.
  std::shared_ptr<std::atomic<bool>> cancelLineWritten;

  CJobItem& CurrentItem() { return items.at(current); }
  // Deletes the CD track's temporary WAV, if there is one, and forgets it.
  void DeleteTemporaryWav();
};

// Log lines: the string-table form "(stamp) ..." and the literal form
// "[stamp] ...", both with the local time in the first %s.
std::string JobLine(const char* format);
std::string JobLine(const char* format, const std::string& argument);
// Logs the cancel line and marks the job cancelled.
void LogCancelled(CJob& job);
