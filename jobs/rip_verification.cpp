#include "jobs/rip_verification.h"

#include "platform/text.h"

void CRipVerification::LookUp(std::vector<std::string>& lines) {
  std::string body, reason;
  AR_FETCH fetched = database->Fetch(ArDatabaseUrl(serverUrl, ArDiscId(disc)), timeoutMs, body, reason);
  if (fetched == AR_FETCH::Absent) {
    lookup_ = Lookup::Absent;
  } else if (fetched == AR_FETCH::Failed) {
    lookup_ = Lookup::Failed;
    lines.push_back("AccurateRip: the database could not be reached (" + reason.substr(0, 200) + ")");
  } else if (!ParseArDatabase(body, pressings_)) {
    lookup_ = Lookup::Failed;
    lines.push_back("AccurateRip: the database answered with a damaged file");
  } else {
    lookup_ = Lookup::Found;
  }
}

std::vector<std::string> CRipVerification::CheckTrack(size_t index, const AR_CHECKSUMS& sums) {
  std::vector<std::string> lines;
  if (lookup_ == Lookup::NotYet) LookUp(lines);
  std::string line = Format("AccurateRip: track %u: ", static_cast<unsigned>(index + 1)) + ArChecksumText(sums);
  if (lookup_ == Lookup::Failed) {
    lines.push_back(line);
    return lines;
  }
  AR_VERDICT verdict = ArVerdict(pressings_, ArDiscId(disc), index, sums);
  ++checked_;
  if (verdict.result == AR_RESULT::Accurate) ++accurate_;
  if (verdict.result == AR_RESULT::NotAccurate) ++notAccurate_;
  if (verdict.result == AR_RESULT::NotPresent) ++notPresent_;
  lines.push_back(line + ": " + ArVerdictText(verdict));
  return lines;
}

std::string CRipVerification::Summary() const {
  if (checked_ == 0) return lookup_ == Lookup::Failed ? "AccurateRip: nothing verified" : std::string();
  return Format("AccurateRip: %u of %u tracks accurately ripped, %u not accurate, %u not present in database",
                accurate_, checked_, notAccurate_, notPresent_);
}
