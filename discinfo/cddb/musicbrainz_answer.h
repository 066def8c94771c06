#pragma once
// Reading MusicBrainz's answers (web service version 2, JSON) into the
// component's discs, and the pieces around them: which services a lookup
// asks, and whether a cover image is one. Service text is untrusted: counts
// and texts are bounded, and an answer of the wrong shape is a failure, never
// a crash.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "discinfo/cddb/cddb_component.h"

inline constexpr size_t kMusicBrainzMaxReleases = 25;
inline constexpr size_t kMusicBrainzMaxTextBytes = 256;  // one title, name or date, as ANSI text
inline constexpr size_t kCoverMaxBytes = 4u << 20;

struct MUSICBRAINZ_DISC {
  std::string discId;      // the MusicBrainz identifier of the disc looked up
  std::string toc;         // the component's TOC string
  std::string cddbDiscId;  // its CDDB identifier, 8 hex digits
  size_t tracks = 0;       // the TOC's track count
};

// The releases of a discid or TOC lookup (the object's "releases" array),
// each a full disc with the TOC's track count: on a release of several
// media, the medium holding the disc identifier, else the first with the
// TOC's track count, else the first. Texts become ANSI like CDDB's; tracks
// credited to another artist than the release make it multi-artist. Returns
// kCddbOk (an empty list when there are none), kCddbDataMalformed when the
// text is not JSON or has no releases array, kCddbTokenTooLong past the size
// bound of an answer.
int32_t ParseMusicBrainzReleases(std::string_view json, const MUSICBRAINZ_DISC& lookedUp,
                                 std::vector<std::shared_ptr<CCddbDisc>>& discs);

// A release identifier fit for a URL path: 36 characters, lower-case hex
// digits and '-' in the 8-4-4-4-12 pattern.
bool IsMusicBrainzId(std::string_view text);

enum class CddbSource { MusicBrainz, Cddb };
// The "Sources" setting: names separated by commas, blanks ignored, case
// ignored; unknown and repeated names are skipped; empty or nothing known
// gives the default order (MusicBrainz, then CDDB).
std::vector<CddbSource> ParseCddbSources(std::string_view text);

// JPEG (FF D8 FF) or PNG (its 8-byte signature), at most kCoverMaxBytes.
bool IsCoverImage(std::string_view bytes);

// "covers\\<8 lower-case hex digits>.jpg", relative to the cache folder.
std::string CoverFileName(uint32_t cddbDiscId);
