#include "discinfo/cddb/cddb_disc_builder.h"

#include <algorithm>

std::shared_ptr<CCddbDisc> DiscOfMatch(const CDDB_MATCH& match, const std::string& toc) {
  auto disc = std::make_shared<CCddbDisc>();
  // Without a separator the DTITLE names both.
  if (!SplitCddbTitle(match.title, disc->artist, disc->title)) disc->artist = disc->title = match.title;
  disc->category = match.category;
  disc->discId = match.discId;
  disc->genre = CddbGenreName(CDDB_ENTRY(), match.category);
  disc->toc = toc;
  disc->source = "CDDB";
  return disc;
}

std::shared_ptr<CCddbDisc> DiscOfEntry(const CDDB_ENTRY& entry, const std::string& category, const std::string& discId,
                                       const std::string& toc, size_t tocTracks) {
  auto disc = std::make_shared<CCddbDisc>();
  disc->title = entry.title;
  disc->artist = entry.artist;
  disc->year = entry.year;
  disc->genre = CddbGenreName(entry, category);
  disc->multiArtist = entry.multiArtist;
  disc->category = category;
  disc->discId = discId;
  disc->toc = toc;
  disc->notes = entry.notes;
  disc->revision = entry.revision;
  disc->full = true;
  disc->source = "CDDB";
  size_t count = tocTracks != 0 ? tocTracks : entry.tracks.size();
  for (size_t i = 0; i < count; ++i) {
    auto track = std::make_shared<CCddbTrack>();
    if (i < entry.tracks.size()) {
      track->title = entry.tracks[i].title;
      track->artist = entry.tracks[i].artist;
    }
    if (track->artist.empty()) track->artist = disc->artist;
    track->year = disc->year;
    track->genre = disc->genre;
    disc->tracks.push_back(track);
  }
  return disc;
}
