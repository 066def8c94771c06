#pragma once
// The AccurateRip database over HTTP through WinHTTP: one GET per disc and
// session (answers and "not there" are kept; failures are tried again by
// the next job), bounded in size and time.
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "cdrom/drive_commands.h"
#include "jobs/rip_verification.h"

// The variable that names another server, for tests.
inline constexpr const char* kAccurateRipUrlVariable = "CANTARO_ACCURATERIP_URL";

class CAccurateRipHttp : public IAccurateRipDatabase {
 public:
  AR_FETCH Fetch(const std::string& url, int32_t timeoutMs, std::string& body, std::string& reason) override;

 private:
  struct ANSWER {
    AR_FETCH result;
    std::string body;
  };
  std::mutex lock_;
  std::map<std::string, ANSWER> answers_;
};

// The program's one database: it lives as long as the process, so a worker
// that outlives its window still reaches it.
IAccurateRipDatabase& SessionAccurateRipDatabase();
// The server: the variable when it is set, else the setting.
std::string AccurateRipServer(const std::string& setting);
// The disc of the track list as the database names it.
AR_DISC AccurateRipDisc(const std::vector<TRACK_RANGE>& ranges);
// The read offset stored for the drive (0 when it has none).
int32_t DriveReadOffset(const CDriveIdentity& identity);
bool StoreDriveReadOffset(const std::string& valueName, int32_t offset);
