#pragma once
// What every step of a job (extraction, encoding, decoding) does the same
// way: its log lines, the line for a failed file operation and the
// free-space check before it writes. A step class derives from CJobStep.
#include <cstdint>
#include <string>

#include "jobs/job.h"
#include "platform/file.h"

class CJobStep {
 protected:
  explicit CJobStep(CJob& job) : job_(job) {}

  // A log line with the time stamp in the format's first %s (and
  // `argument` in its second).
  void Log(const char* format) const;
  void Log(const char* format, const std::string& argument) const;
  // The error line with the cause the system gave for `file`'s last failure.
  void LogFileError(const CFile& file) const;
  // False, with the no-space line naming the drive, when the drive of
  // `folder` (its first two characters, "C:") has no more than `needed`
  // bytes free. True when it has more, or when the query fails: a drive
  // that cannot be asked is not taken to be full.
  bool EnoughSpace(const std::string& folder, uint64_t needed) const;

  CJob& job_;
};
