#pragma once
// The component's disc objects made from what the server sent.
#include <memory>
#include <string>

#include "discinfo/cddb/cddb_answer.h"
#include "discinfo/cddb/cddb_component.h"

// A listed match: title and artist from its DTITLE, no tracks yet.
std::shared_ptr<CCddbDisc> DiscOfMatch(const CDDB_MATCH& match, const std::string& toc);

// A full disc from its entry. Tracks without their own artist take the
// disc's; year and genre of a track are the disc's (xmcd keeps none per
// track). The TOC's track count wins over the entry's, so every track of the
// disc has a text (empty when the entry has none).
std::shared_ptr<CCddbDisc> DiscOfEntry(const CDDB_ENTRY& entry, const std::string& category, const std::string& discId,
                                       const std::string& toc, size_t tocTracks);
