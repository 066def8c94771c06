#include "discinfo/disc_cache.h"

#include "platform/file_system.h"
#include "platform/text.h"

std::string DiscCacheFolder(const std::string& programFolder) { return programFolder + "db\\"; }

namespace {

uint32_t DigitSum(uint32_t number) {
  uint32_t sum = 0;
  for (; number != 0; number /= 10) sum += number % 10;
  return sum;
}

std::string TrackKey(int position) { return Format("%02d", position); }

// A file of that name in the way may satisfy the folder maker; the cache
// needs a folder there.
bool MakeCacheFolder(const std::string& programFolder) {
  std::string folder = DiscCacheFolder(programFolder);
  return MakeSureDirectoryPathExists(folder) && DirectoryExists(StripTrailingBackslashes(folder));
}

}  // namespace

uint32_t DiscCacheId(const CD_TOC& toc) {
  if (toc.lastTrack < toc.firstTrack) return 0;
  uint32_t count = static_cast<uint32_t>(toc.lastTrack - toc.firstTrack) + 1;
  if (count > kMaxTocTracks) return 0;
  uint32_t sum = 0;
  for (uint32_t i = 0; i < count; ++i)
    sum += DigitSum((TocEntryAddress(toc.entries[i + 1]) - TocEntryAddress(toc.entries[i])) / 75);
  uint32_t total = (TocEntryAddress(toc.entries[count]) - TocEntryAddress(toc.entries[0])) / 75;
  return ((sum % 255) << 24) | (total << 8) | count;
}

std::string DiscCachePath(const std::string& programFolder, uint32_t id) {
  return DiscCacheFolder(programFolder) + Format("%x.db", id);
}

void LoadDiscCacheEntry(const CProfileFile& file, CTrackEntry& discEntry) {
  discEntry.artist = file.GetString("DISC", "Artist");
  discEntry.album = file.GetString("DISC", "Album");
  discEntry.genreName = file.GetString("DISC", "Genre");
  discEntry.year = file.GetString("DISC", "Year");
  discEntry.comment = file.GetString("DISC", "Comment");
  discEntry.genreNumber = 0;
}

void LoadTrackCacheEntry(const CProfileFile& file, int position, CTrackEntry& track) {
  std::string key = TrackKey(position);
  // Only a missing key keeps the default: an empty title was stored on purpose.
  std::string title;
  if (file.Get("TRACKS", key, title)) track.title = title;
  track.artist = file.GetString("ARTIST", key);
  track.album = file.GetString("ALBUM", key);
  track.year = file.GetString("YEAR", key);
  track.comment = file.GetString("COMMENT", key);
  track.genreNumber = file.GetInt("GENRE", key, 0);
}

DiscCacheStatus ReadDiscCache(const std::string& programFolder, CDiscRecord& disc) {
  CDiscCacheSource source(programFolder);
  if (!source.Prepare(disc)) return source.Status();
  source.LoadDiscText(disc);
  for (size_t row = 0; row + 1 < disc.entries.size(); ++row) source.LoadTrackText(disc, static_cast<int>(row));
  return source.Status();
}

DiscCacheStatus WriteDiscCache(const std::string& programFolder, const CDiscRecord& disc,
                               const std::vector<int>& rowTrackIndexes, FileReplacer replace) {
  uint32_t id = DiscCacheId(disc.toc);
  if (id == 0) return DiscCacheStatus::NoTracks;
  if (!MakeCacheFolder(programFolder)) return DiscCacheStatus::NoFolder;
  std::string path = DiscCachePath(programFolder, id);
  // What the file holds besides our keys is kept. A file the reader
  // refuses is left alone: rewriting it would drop every line in it.
  CProfileFile file;
  if (file.Load(path) == ProfileLoad::Refused) return DiscCacheStatus::WriteFailed;
  for (int index : rowTrackIndexes) {
    if (index < 0 || static_cast<size_t>(index) + 1 >= disc.entries.size()) continue;
    const CTrackEntry& track = disc.entries[static_cast<size_t>(index) + 1];
    std::string key = TrackKey(index + 1);
    file.Set("TRACKS", key, track.title);
    file.Set("ARTIST", key, track.artist);
    file.Set("ALBUM", key, track.album);
    file.Set("YEAR", key, track.year);
    file.Set("GENRE", key, Format("%d", track.genreNumber));
    file.Set("COMMENT", key, track.comment);
  }
  const CTrackEntry none;
  const CTrackEntry& discEntry = disc.entries.empty() ? none : disc.entries[0];
  file.Set("DISC", "Artist", discEntry.artist);
  file.Set("DISC", "Album", discEntry.album);
  file.Set("DISC", "year", discEntry.year);
  file.Set("DISC", "Genre", discEntry.genreName);
  file.Set("DISC", "Comment", discEntry.comment);
  return file.Save(path, replace) ? DiscCacheStatus::Done : DiscCacheStatus::WriteFailed;
}

bool CDiscCacheSource::Prepare(CDiscRecord& disc) {
  file_ = CProfileFile();
  knowsDisc_ = false;
  uint32_t id = DiscCacheId(disc.toc);
  disc.discId = id == 0 ? std::string() : Format("%x", id);
  if (id == 0) {
    status_ = DiscCacheStatus::NoTracks;
    return true;
  }
  if (!MakeCacheFolder(programFolder_)) {
    status_ = DiscCacheStatus::NoFolder;
    return false;
  }
  knowsDisc_ = file_.Load(DiscCachePath(programFolder_, id)) != ProfileLoad::Missing;
  status_ = DiscCacheStatus::Done;
  return true;
}

void CDiscCacheSource::LoadDiscText(CDiscRecord& disc) {
  if (!disc.entries.empty()) LoadDiscCacheEntry(file_, disc.entries[0]);
}

void CDiscCacheSource::LoadTrackText(CDiscRecord& disc, int row) {
  if (row < 0 || static_cast<size_t>(row) + 1 >= disc.entries.size()) return;
  LoadTrackCacheEntry(file_, row + 1, disc.entries[static_cast<size_t>(row) + 1]);
}
