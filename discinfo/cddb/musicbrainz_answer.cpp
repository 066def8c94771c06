#include "discinfo/cddb/musicbrainz_answer.h"

#include <nlohmann/json.hpp>

#include "discinfo/cddb/cddb_answer.h"
#include "discinfo/cddb/cddb_text.h"
#include "discinfo/cddb/cddb_toc.h"

namespace {

using nlohmann::json;

// A bounded ANSI text of a member that should be a string; "" otherwise.
std::string TextOf(const json& object, const char* name) {
  if (!object.is_object()) return std::string();
  auto member = object.find(name);
  if (member == object.end() || !member->is_string()) return std::string();
  const std::string& utf8 = member->get_ref<const std::string&>();
  std::string text = CddbTextToAnsi(std::string_view(utf8).substr(0, 4 * kMusicBrainzMaxTextBytes));
  if (text.size() > kMusicBrainzMaxTextBytes) text.resize(kMusicBrainzMaxTextBytes);
  return text;
}

const json* ArrayOf(const json& object, const char* name) {
  if (!object.is_object()) return nullptr;
  auto member = object.find(name);
  return member != object.end() && member->is_array() ? &*member : nullptr;
}

// An artist credit as it is printed: each name and its join phrase.
std::string CreditOf(const json& object) {
  const json* credits = ArrayOf(object, "artist-credit");
  if (!credits) return std::string();
  std::string text;
  size_t count = 0;
  for (const json& credit : *credits) {
    if (++count > kCddbMaxTracks) break;
    std::string name = TextOf(credit, "name");
    if (name.empty() && credit.is_object() && credit.contains("artist")) name = TextOf(credit["artist"], "name");
    text += name + TextOf(credit, "joinphrase");
    if (text.size() > kMusicBrainzMaxTextBytes) break;
  }
  if (text.size() > kMusicBrainzMaxTextBytes) text.resize(kMusicBrainzMaxTextBytes);
  return text;
}

std::string FirstLabel(const json& release) {
  const json* labels = ArrayOf(release, "label-info");
  if (!labels) return std::string();
  for (const json& info : *labels)
    if (info.is_object() && info.contains("label")) {
      std::string name = TextOf(info["label"], "name");
      if (!name.empty()) return name;
    }
  return std::string();
}

bool MediumHoldsDisc(const json& medium, const std::string& discId) {
  const json* discs = ArrayOf(medium, "discs");
  if (!discs) return false;
  size_t count = 0;
  for (const json& disc : *discs) {
    if (++count > kCddbMaxTracks) break;
    if (TextOf(disc, "id") == discId) return true;
  }
  return false;
}

const json* TrackListOf(const json& medium) { return ArrayOf(medium, "tracks"); }

const json* ChosenMedium(const json& release, const MUSICBRAINZ_DISC& lookedUp) {
  const json* media = ArrayOf(release, "media");
  if (!media || media->empty()) return nullptr;
  size_t count = 0;
  for (const json& medium : *media) {
    if (++count > kCddbMaxTracks) break;
    if (MediumHoldsDisc(medium, lookedUp.discId)) return &medium;
  }
  count = 0;
  for (const json& medium : *media) {
    if (++count > kCddbMaxTracks) break;
    const json* tracks = TrackListOf(medium);
    if (tracks && tracks->size() == lookedUp.tracks) return &medium;
  }
  return &(*media)[0];
}

std::string YearOf(const std::string& date) {
  if (date.size() < 4) return std::string();
  for (size_t i = 0; i < 4; ++i)
    if (date[i] < '0' || date[i] > '9') return std::string();
  return date.substr(0, 4);
}

std::shared_ptr<CCddbDisc> DiscOfRelease(const json& release, const MUSICBRAINZ_DISC& lookedUp) {
  auto disc = std::make_shared<CCddbDisc>();
  disc->source = "MusicBrainz";
  disc->title = TextOf(release, "title");
  disc->artist = CreditOf(release);
  disc->date = TextOf(release, "date");
  disc->year = YearOf(disc->date);
  disc->country = TextOf(release, "country");
  disc->label = FirstLabel(release);
  std::string id = TextOf(release, "id");
  if (IsMusicBrainzId(id)) disc->releaseId = id;
  disc->discId = lookedUp.cddbDiscId;
  disc->toc = lookedUp.toc;
  disc->full = true;
  const json* medium = ChosenMedium(release, lookedUp);
  const json* listed = medium ? TrackListOf(*medium) : nullptr;
  for (size_t i = 0; i < lookedUp.tracks; ++i) {
    auto track = std::make_shared<CCddbTrack>();
    if (listed && i < listed->size()) {
      const json& entry = (*listed)[i];
      track->title = TextOf(entry, "title");
      track->artist = CreditOf(entry);
      if (track->title.empty() && entry.is_object() && entry.contains("recording"))
        track->title = TextOf(entry["recording"], "title");
    }
    if (track->artist.empty()) track->artist = disc->artist;
    if (track->artist != disc->artist) disc->multiArtist = true;
    track->year = disc->year;
    disc->tracks.push_back(track);
  }
  return disc;
}

}  // namespace

int32_t ParseMusicBrainzReleases(std::string_view text, const MUSICBRAINZ_DISC& lookedUp,
                                 std::vector<std::shared_ptr<CCddbDisc>>& discs) {
  discs.clear();
  if (text.size() > kCddbMaxAnswerBytes) return kCddbTokenTooLong;
  json answer = json::parse(text.begin(), text.end(), nullptr, false);
  const json* releases = answer.is_discarded() ? nullptr : ArrayOf(answer, "releases");
  if (!releases) return kCddbDataMalformed;
  for (const json& release : *releases) {
    if (discs.size() >= kMusicBrainzMaxReleases) break;
    if (release.is_object()) discs.push_back(DiscOfRelease(release, lookedUp));
  }
  return kCddbOk;
}

bool IsMusicBrainzId(std::string_view text) {
  if (text.size() != 36) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    bool dash = i == 8 || i == 13 || i == 18 || i == 23;
    char c = text[i];
    if (dash != (c == '-')) return false;
    if (!dash && !((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  }
  return true;
}

std::vector<CddbSource> ParseCddbSources(std::string_view text) {
  std::vector<CddbSource> sources;
  size_t start = 0;
  while (start <= text.size()) {
    size_t comma = text.find(',', start);
    std::string name;
    for (char c : text.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start))
      if (c != ' ' && c != '\t') name += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    CddbSource source = CddbSource::Cddb;
    bool known = true;
    if (name == "musicbrainz")
      source = CddbSource::MusicBrainz;
    else if (name != "cddb")
      known = false;
    bool repeated = false;
    for (CddbSource seen : sources) repeated = repeated || seen == source;
    if (known && !repeated) sources.push_back(source);
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  if (sources.empty()) sources = {CddbSource::MusicBrainz, CddbSource::Cddb};
  return sources;
}

bool IsCoverImage(std::string_view bytes) {
  if (bytes.size() > kCoverMaxBytes) return false;
  static constexpr std::string_view kJpeg("\xFF\xD8\xFF", 3);
  static constexpr std::string_view kPng("\x89PNG\r\n\x1A\n", 8);
  return bytes.substr(0, 3) == kJpeg || bytes.substr(0, 8) == kPng;
}

std::string CoverFileName(uint32_t cddbDiscId) {
  return std::string(kCddbCoverFolder) + "\\" + CddbDiscIdText(cddbDiscId) + ".jpg";
}
