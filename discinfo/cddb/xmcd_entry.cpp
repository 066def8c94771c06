// The xmcd entry of a read answer and the genre name of an entry.
#include <algorithm>
#include <array>
#include <cstdint>

#include "discinfo/cddb/cddb_answer.h"
#include "discinfo/cddb/cddb_answer_parts.h"
#include "discinfo/cddb/cddb_status.h"
#include "discinfo/cddb/cddb_text.h"
#include "discinfo/cddb/cddb_toc.h"

namespace {

// The values of an entry as sent: continued lines joined, escapes still in.
struct RAW_ENTRY {
  std::string discIds, title, year, genre, notes;
  std::array<std::string, kCddbMaxTracks> trackTitles, trackNotes;
  int trackCount = 0;  // highest TTITLE number + 1
  bool hasDiscId = false;
  bool hasTitle = false;
  int revision = 0;
};

constexpr std::string_view kRevision = "# Revision:";

// The number after `prefix` in `keyword` ("TTITLE12" → 12); -1 when the
// keyword is not that prefix and digits; kCddbMaxTracks for a number past
// the last track.
int KeywordNumber(std::string_view keyword, std::string_view prefix) {
  if (keyword.size() <= prefix.size() || keyword.substr(0, prefix.size()) != prefix) return -1;
  int number = 0;
  for (char c : keyword.substr(prefix.size())) {
    if (c < '0' || c > '9') return -1;
    number = std::min<int>(number * 10 + (c - '0'), kCddbMaxTracks);
  }
  return number;
}

// The value a keyword adds to, or null for keywords the program does not
// use. A track number past the last track makes `status` malformed.
std::string* ValueOf(RAW_ENTRY& raw, std::string_view keyword, int32_t& status) {
  if (keyword == "DISCID") {
    raw.hasDiscId = true;
    return &raw.discIds;
  }
  if (keyword == "DTITLE") {
    raw.hasTitle = true;
    return &raw.title;
  }
  if (keyword == "DYEAR") return &raw.year;
  if (keyword == "DGENRE") return &raw.genre;
  if (keyword == "EXTD") return &raw.notes;
  const int title = KeywordNumber(keyword, "TTITLE");
  const int notes = KeywordNumber(keyword, "EXTT");
  const int number = std::max(title, notes);
  if (number < 0) return nullptr;
  if (number >= static_cast<int>(kCddbMaxTracks)) {
    status = kCddbDataMalformed;
    return nullptr;
  }
  if (title >= 0) raw.trackCount = std::max(raw.trackCount, title + 1);
  return title >= 0 ? &raw.trackTitles[number] : &raw.trackNotes[number];
}

int ParseRevision(std::string_view text) {
  int revision = 0;
  for (char c : TrimCddbBlanks(text)) {
    if (c < '0' || c > '9') break;
    revision = std::min(revision * 10 + (c - '0'), 999999);
  }
  return revision;
}

// One line of the entry. A keyword met again adds to its value, so a value
// continued over several lines is joined with nothing in between.
int32_t ReadEntryLine(std::string_view line, RAW_ENTRY& raw) {
  if (line.substr(0, kRevision.size()) == kRevision) raw.revision = ParseRevision(line.substr(kRevision.size()));
  const size_t equals = line.find('=');
  if (line.empty() || line[0] == '#' || equals == std::string_view::npos) return kCddbOk;
  int32_t status = kCddbOk;
  std::string* value = ValueOf(raw, line.substr(0, equals), status);
  if (!value) return status;
  const std::string_view piece = line.substr(equals + 1);
  if (value->size() + piece.size() > kCddbMaxValueBytes) return kCddbTokenTooLong;
  value->append(piece);
  return kCddbOk;
}

std::string DecodeEscapes(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const char next = i + 1 < text.size() ? text[i + 1] : '\0';
    if (text[i] == '\\' && (next == 'n' || next == 't' || next == '\\')) {
      out += next == 'n' ? '\n' : next == 't' ? '\t' : '\\';
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

// A value as the program shows it: escapes decoded, in ANSI, blanks trimmed.
std::string ShownValue(std::string_view raw) { return std::string(TrimCddbBlanks(CddbTextToAnsi(DecodeEscapes(raw)))); }

int32_t ParseDiscIds(std::string_view list, std::vector<std::string>& discIds) {
  while (!list.empty()) {
    const size_t comma = list.find(',');
    const std::string_view item = TrimCddbBlanks(list.substr(0, comma));
    list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
    if (item.empty()) continue;
    std::string id;
    if (!ParseCddbDiscId(item, id)) return kCddbTokenMalformed;
    discIds.push_back(id);
  }
  return kCddbOk;
}

int32_t BuildEntry(const RAW_ENTRY& raw, CDDB_ENTRY& entry) {
  if (!raw.hasDiscId || !raw.hasTitle) return kCddbDataMalformed;
  const int32_t status = ParseDiscIds(raw.discIds, entry.discIds);
  if (status != kCddbOk) return status;
  const std::string title = ShownValue(raw.title);
  if (!SplitCddbTitle(title, entry.artist, entry.title)) entry.artist = entry.title = title;
  entry.year = ShownValue(raw.year);
  entry.genre = ShownValue(raw.genre);
  entry.notes = ShownValue(raw.notes);
  entry.revision = raw.revision;
  entry.tracks.resize(raw.trackCount);
  for (int i = 0; i < raw.trackCount; ++i) {
    CDDB_TRACK_TEXT& track = entry.tracks[i];
    const std::string text = ShownValue(raw.trackTitles[i]);
    if (SplitCddbTitle(text, track.artist, track.title)) {
      entry.multiArtist = true;
    } else {
      track.title = text;
    }
    track.notes = ShownValue(raw.trackNotes[i]);
  }
  return kCddbOk;
}

}  // namespace

// "Artist / Title" at the first separator, so that an artist such as
// "AC/DC" or "A / B" in the title part stays whole; false without one.
bool SplitCddbTitle(const std::string& text, std::string& artist, std::string& title) {
  constexpr std::string_view kSeparator = " / ";
  const size_t at = text.find(kSeparator);
  if (at == std::string::npos) return false;
  artist = TrimCddbBlanks(std::string_view(text).substr(0, at));
  title = TrimCddbBlanks(std::string_view(text).substr(at + kSeparator.size()));
  return true;
}

int32_t ParseReadAnswer(const CDDB_ANSWER& answer, CDDB_ENTRY& entry) {
  if (answer.code != 210) return CddbStatusOfServerCode(answer.code);
  RAW_ENTRY raw;
  for (const std::string& line : answer.lines) {
    if (line.size() > kCddbMaxLineBytes) return kCddbTokenTooLong;
    const int32_t status = ReadEntryLine(line, raw);
    if (status != kCddbOk) return status;
  }
  CDDB_ENTRY built;
  const int32_t status = BuildEntry(raw, built);
  if (status == kCddbOk) entry = std::move(built);
  return status;
}

std::string CddbGenreName(const CDDB_ENTRY& entry, std::string_view category) {
  if (!entry.genre.empty()) return entry.genre;
  std::string name(category);
  for (char& c : name) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  for (const CDDB_CATEGORY& known : kCddbCategories) {
    if (known.name == name) return std::string(known.spelled);
  }
  name = category;
  if (!name.empty() && name[0] >= 'a' && name[0] <= 'z') name[0] = static_cast<char>(name[0] - 'a' + 'A');
  return name;
}
