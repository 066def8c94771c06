#pragma once
// What a CD job proves about its rip: each extracted track's checksums are
// held against the AccurateRip database, looked up once per job (the
// database seam may cache across jobs), with one log line per track and a
// summary. A lookup that fails is one log line and never fails the job.
#include <cstdint>
#include <string>
#include <vector>

#include "jobs/accuraterip.h"

enum class AR_FETCH { Ok, Absent, Failed };

// The database seam: one GET of the database file. The real one speaks
// HTTP through WinHTTP; tests serve bytes from memory.
class IAccurateRipDatabase {
 public:
  virtual ~IAccurateRipDatabase() = default;
  // Ok with the body, Absent when the server has no such file (404), or
  // Failed with a short reason.
  // timeoutMs bounds the whole request.
  virtual AR_FETCH Fetch(const std::string& url, int32_t timeoutMs, std::string& body, std::string& reason) = 0;
};

class CRipVerification {
 public:
  // The disc the job reads and where its database lives; a job without
  // them (a file job, an unusable TOC) verifies nothing.
  AR_DISC disc;
  std::string serverUrl;
  IAccurateRipDatabase* database = nullptr;
  int32_t timeoutMs = 10000;

  bool Usable() const { return database && IsValidArDisc(disc); }
  // The log lines for track `index` of the disc with these checksums;
  // the first call looks the disc up and may add the failure line first.
  std::vector<std::string> CheckTrack(size_t index, const AR_CHECKSUMS& sums);
  // "N of M tracks accurately ripped ..." once at least one track was
  // checked, else empty.
  std::string Summary() const;

 private:
  enum class Lookup { NotYet, Found, Absent, Failed };
  void LookUp(std::vector<std::string>& lines);

  Lookup lookup_ = Lookup::NotYet;
  std::vector<AR_PRESSING> pressings_;
  uint32_t checked_ = 0, accurate_ = 0, notAccurate_ = 0, notPresent_ = 0;
};
