#include "jobs/job.h"

#include "platform/clock.h"
#include "platform/file.h"
#include "platform/text.h"
#include "resources/strings.h"

std::string JobLine(const char* format) { return Format(format, LocalTimeStamp().c_str()); }

std::string JobLine(const char* format, const std::string& argument) {
  return Format(format, LocalTimeStamp().c_str(), argument.c_str());
}

void LogCancelled(CJob& job) {
  if (!job.cancelLineWritten || !job.cancelLineWritten->exchange(true)) job.report->Log(JobLine(STR_USER_CANCELED));
  job.cancelled = true;
}

void CJob::DeleteTemporaryWav() {
  if (temporaryWavPath.empty()) return;
  DeleteFileAt(temporaryWavPath);
  temporaryWavPath.clear();
}
