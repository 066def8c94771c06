// libFuzzer target: an untrusted MusicBrainz answer through the release
// reader. Beyond memory safety it checks the promises: at most
// kMusicBrainzMaxReleases discs, each with exactly the TOC's track count,
// every text within its bound, release identifiers well formed, and a disc is
// multi-artist exactly when a track's artist differs from the release's.
#include <cstdint>
#include <string>
#include <vector>

#include "discinfo/cddb/musicbrainz_answer.h"
#include "fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  MUSICBRAINZ_DISC lookedUp;
  lookedUp.discId = "49HHV7Eb8UKF3aQiNmu1GR8vKTY-";
  lookedUp.toc = "3 150 15000 33000 51000";
  lookedUp.cddbDiscId = "1d02a703";
  lookedUp.tracks = 1 + size % 5;
  std::vector<std::shared_ptr<CCddbDisc>> discs;
  int32_t status = ParseMusicBrainzReleases(text, lookedUp, discs);
  FuzzCheck(status == kCddbOk || discs.empty());
  FuzzCheck(discs.size() <= kMusicBrainzMaxReleases);
  for (const auto& disc : discs) {
    FuzzCheck(disc->source == "MusicBrainz" && disc->full);
    FuzzCheck(static_cast<size_t>(disc->TrackCount()) == lookedUp.tracks);
    FuzzCheck(disc->releaseId.empty() || IsMusicBrainzId(disc->releaseId));
    FuzzCheck(disc->year.empty() || disc->year.size() == 4);
    for (const std::string* field : {&disc->title, &disc->artist, &disc->date, &disc->country, &disc->label})
      FuzzCheck(field->size() <= kMusicBrainzMaxTextBytes);
    bool differs = false;
    for (const auto& track : disc->tracks) {
      FuzzCheck(track->title.size() <= kMusicBrainzMaxTextBytes && track->artist.size() <= kMusicBrainzMaxTextBytes);
      differs = differs || track->artist != disc->artist;
    }
    FuzzCheck(differs == disc->multiArtist);
  }
  return 0;
}
