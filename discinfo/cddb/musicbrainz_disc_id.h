#pragma once
// The MusicBrainz disc identifier and TOC parameter of a disc, from the same
// TOC the CDDB identifier comes from (frames with the 150-frame lead-in).
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "discinfo/cddb/cddb_toc.h"

// SHA-1 of `data` (FIPS 180-4), 20 bytes.
std::array<uint8_t, 20> Sha1(std::string_view data);

// The 28-character identifier of a valid TOC whose first track is number
// `firstTrack`: SHA-1 over the upper-case hex of the first and last track
// numbers, the lead-out and 99 track starts (0 past the last), then base64
// with '.', '_' and '-' standing for '+', '/' and '='.
std::string MusicBrainzDiscId(const CDDB_TOC& toc, int firstTrack = 1);

// The value of a lookup's toc parameter: first track, last track, lead-out,
// then every track start, joined by '+' ("1+3+51000+150+15000+33000").
std::string MusicBrainzTocParameter(const CDDB_TOC& toc, int firstTrack = 1);
