#include "jobs/job_step.h"

#include "platform/text.h"
#include "resources/strings.h"

void CJobStep::Log(const char* format) const { job_.report->Log(JobLine(format)); }

void CJobStep::Log(const char* format, const std::string& argument) const {
  job_.report->Log(JobLine(format, argument));
}

void CJobStep::LogFileError(const CFile& file) const {
  Log(STR_ERROR_LINE, Format(STR_FILE_ERROR_CAUSE, file.LastErrorText().substr(0, 255).c_str()));
}

bool CJobStep::EnoughSpace(const std::string& folder, uint64_t needed) const {
  const std::string disk = folder.substr(0, 2);
  uint64_t available = 0;
  if (GetFreeDiskSpace(disk, available) && available <= needed) {
    Log(STR_NO_DISK_SPACE, disk);
    return false;
  }
  return true;
}
