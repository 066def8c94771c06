#pragma once
// The program's side of a CDDB session: its client identity, the options it
// hands the component, the values its events carry to a CDDB window, and the
// disc texts an accepted match brings into the disc record.
#include <cstdint>
#include <string>

#include "discinfo/cddb/cddb_component.h"
#include "discinfo/disc_record.h"

inline constexpr const char* kCddbClientId = "4827316";
inline constexpr const char* kCddbClientKey = "3A9D0E5B7C21F4866D0B9E2A5C7F1038";
inline constexpr const char* kCddbClientVersion = "2";
inline constexpr const char* kCddbRegistration = "regstring";

// What the main window takes from the settings for the component.
struct CDDB_SESSION_OPTIONS {
  bool proxy = false;
  std::string proxyHost;
  int32_t proxyPort = 0;
  std::string proxyUser;
  std::string proxyPassword;
  int32_t timeoutMs = 120000;
  std::string cacheDirectory;
};

// The option step of the session: the proxy values only when the proxy is
// on (otherwise what the component holds stays), then the cache folder, the
// switches 5 and 0x10 on, 0x12 off, and the time-out.
void FillCddbOptions(const CDDB_SESSION_OPTIONS& session, CCddbOptions& options);

// UM_CDDB_COMPLETED and UM_CDDB_PROGRESS point at these.
struct CDDB_COMPLETION {
  int32_t command = 0;
  int32_t status = 0;
  CDDB_RESULT result;
};
struct CDDB_PROGRESS {
  int32_t values[4] = {};  // unused, phase, position, total
};

// Copies an accepted disc into the record: entry 0 takes the disc's title
// (as title and album), artist and genre; entry n the title of track n, the
// disc's title as album, and the artist, year and genre of the track on a
// multi-artist disc, of the disc otherwise. Tracks without an entry in the
// record are skipped. Returns the highest track number written.
int ApplyCddbDisc(const CCddbDisc& disc, CDiscRecord& record);
