#include "discinfo/cddb_session.h"

void FillCddbOptions(const CDDB_SESSION_OPTIONS& session, CCddbOptions& options) {
  if (session.proxy) {
    options.proxyHost = session.proxyHost;
    options.proxyPort = session.proxyPort;
    options.proxyUser = session.proxyUser;
    options.proxyPassword = session.proxyPassword;
  }
  options.cacheDirectory = session.cacheDirectory;
  options.switch5 = 1;
  options.switch10 = 1;
  options.switch12 = 0;
  options.timeoutMs = session.timeoutMs;
}

int ApplyCddbDisc(const CCddbDisc& disc, CDiscRecord& record) {
  CTrackEntry& whole = record.entries[0];
  whole.title = disc.title;
  whole.album = disc.title;
  whole.artist = disc.artist;
  whole.genreName = disc.genre;
  int written = 0;
  for (int n = 1; n <= disc.TrackCount() && static_cast<size_t>(n) < record.entries.size(); ++n) {
    const CCddbTrack& track = *disc.Track(n);
    CTrackEntry& entry = record.entries[static_cast<size_t>(n)];
    entry.title = track.title;
    entry.album = disc.title;
    entry.artist = disc.multiArtist ? track.artist : disc.artist;
    entry.year = disc.multiArtist ? track.year : disc.year;
    entry.genreName = disc.multiArtist ? track.genre : disc.genre;
    written = n;
  }
  return written;
}
