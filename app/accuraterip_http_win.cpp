#include "app/accuraterip_http_win.h"

#include <windows.h>

#include "app/drive_offsets.h"
#include "app/settings.h"
#include "discinfo/cddb/cddb_http_win.h"
#include "discinfo/cddb/cddb_status.h"
#include "discinfo/cddb/cddb_toc.h"
#include "platform/registry_key_win.h"
#include "platform/text.h"

namespace {

constexpr DWORD kHttpNotFound = 404;

std::string FailureReason(int32_t status, uint32_t httpStatus) {
  if (status == kCddbTimedOut) return "timed out";
  if (status == kCddbServerNotFound) return "server not found";
  if (status == kCddbSocketOpenFailed) return "connection refused";
  if (status == kCddbTokenTooLong) return "answer too long";
  if (status == kCddbBadUrl) return "bad server address";
  if (httpStatus != 0 && httpStatus != 200) return Format("HTTP status %u", httpStatus);
  return "no answer";
}

CWin32RegistryKey OffsetsKey() {
  return CWin32RegistryKey(HKEY_CURRENT_USER, std::string(kSettingsKeyPath) + kReadOffsetsSubkey);
}

}  // namespace

AR_FETCH CAccurateRipHttp::Fetch(const std::string& url, int32_t timeoutMs, std::string& body,
                                 std::string& reason) {
  {
    std::lock_guard<std::mutex> lock(lock_);
    auto kept = answers_.find(url);
    if (kept != answers_.end()) {
      body = kept->second.body;
      return kept->second.result;
    }
  }
  CDDB_HTTP_REQUEST request;
  request.url = url;
  request.timeoutMs = timeoutMs;
  CCddbHttpCall call;
  int32_t status = call.Perform(request, body, [](int32_t, int32_t, int32_t) {});
  AR_FETCH result = AR_FETCH::Ok;
  if (status != kCddbOk) {
    if (call.HttpStatus() != kHttpNotFound) {
      reason = FailureReason(status, call.HttpStatus());
      return AR_FETCH::Failed;
    }
    body.clear();
    result = AR_FETCH::Absent;
  }
  std::lock_guard<std::mutex> lock(lock_);
  answers_[url] = {result, body};
  return result;
}

AR_DISC AccurateRipDisc(const std::vector<TRACK_RANGE>& ranges) {
  AR_DISC disc;
  CDDB_TOC toc;
  for (const TRACK_RANGE& range : ranges) {
    disc.trackStarts.push_back(range.start);
    toc.trackFrames.push_back(range.start + kCddbLeadInFrames);
  }
  if (!ranges.empty()) disc.leadOut = ranges.back().end;
  toc.leadOutFrame = disc.leadOut + kCddbLeadInFrames;
  if (IsValidCddbToc(toc)) disc.cddbId = CddbDiscId(toc);
  return disc;
}

IAccurateRipDatabase& SessionAccurateRipDatabase() {
  static CAccurateRipHttp database;
  return database;
}

std::string AccurateRipServer(const std::string& setting) {
  char value[1024];
  DWORD length = GetEnvironmentVariableA(kAccurateRipUrlVariable, value, sizeof value);
  if (length > 0 && length < sizeof value) return value;
  return setting;
}

int32_t DriveReadOffset(const CDriveIdentity& identity) {
  CWin32RegistryKey key = OffsetsKey();
  return LoadReadOffset(key, ReadOffsetValueName(identity));
}

bool StoreDriveReadOffset(const std::string& valueName, int32_t offset) {
  CWin32RegistryKey key = OffsetsKey();
  return SaveReadOffset(key, valueName, offset);
}
