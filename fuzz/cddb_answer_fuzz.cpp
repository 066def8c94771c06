// libFuzzer target: an untrusted CDDB server answer through the answer,
// query, lscat and read parsers, and the same bytes as a TOC string and as
// server text. Beyond memory safety it checks the parsers' promises: every
// bound holds, disc ids are 8 lower-case hex digits, a TOC string read back
// formats to itself, and ANSI text survives the trip to UTF-8 and back.
#include <cstdint>
#include <string>

#include "discinfo/cddb/cddb_answer.h"
#include "discinfo/cddb/cddb_status.h"
#include "discinfo/cddb/cddb_text.h"
#include "discinfo/cddb/cddb_toc.h"
#include "fuzz/fuzz_check.h"

namespace {

bool IsDiscId(const std::string& id) {
  if (id.size() != 8) return false;
  for (char c : id) {
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  }
  return true;
}

void CheckQuery(const CDDB_ANSWER& answer) {
  std::vector<CDDB_MATCH> matches;
  int kind = 0;
  if (ParseQueryAnswer(answer, matches, kind) != kCddbOk) return;
  FuzzCheck(kind == kCddbMatchNone || kind == kCddbMatchSeveral || kind == kCddbMatchExact);
  FuzzCheck(matches.size() <= kCddbMaxMatches && (kind == kCddbMatchNone) == matches.empty());
  for (const CDDB_MATCH& match : matches) FuzzCheck(IsDiscId(match.discId) && !match.category.empty());
}

void CheckCategories(const CDDB_ANSWER& answer) {
  std::vector<std::string> categories;
  if (ParseCategoryAnswer(answer, categories) != kCddbOk) return;
  FuzzCheck(categories.size() <= kCddbMaxCategories);
  for (const std::string& name : categories) FuzzCheck(!name.empty() && name.find(' ') == std::string::npos);
}

void CheckEntry(const CDDB_ANSWER& answer) {
  CDDB_ENTRY entry;
  if (ParseReadAnswer(answer, entry) != kCddbOk) return;
  FuzzCheck(entry.tracks.size() <= kCddbMaxTracks);
  for (const std::string& id : entry.discIds) FuzzCheck(IsDiscId(id));
  for (const std::string* text : {&entry.artist, &entry.title, &entry.year, &entry.genre, &entry.notes}) {
    FuzzCheck(text->size() <= kCddbMaxValueBytes);
  }
  bool trackArtist = false;
  for (const CDDB_TRACK_TEXT& track : entry.tracks) {
    FuzzCheck(track.title.size() <= kCddbMaxValueBytes && track.notes.size() <= kCddbMaxValueBytes);
    trackArtist = trackArtist || !track.artist.empty();
  }
  FuzzCheck(!trackArtist || entry.multiArtist);
  FuzzCheck(!CddbGenreName(entry, "newage").empty());
}

void CheckToc(const std::string& input) {
  CDDB_TOC toc;
  if (!ParseCddbToc(input, toc)) return;
  FuzzCheck(IsValidCddbToc(toc) && FormatCddbToc(toc) == input);
  FuzzCheck((CddbDiscId(toc) & 0xFF) == toc.trackFrames.size());
  FuzzCheck(CddbQueryCommand(toc).rfind("cddb query " + CddbDiscIdText(CddbDiscId(toc)) + " ", 0) == 0);
}

void CheckText(const std::string& input) {
  const std::string ansi = CddbTextToAnsi(input);
  FuzzCheck(ansi.size() <= input.size());
  for (char c : ansi) FuzzCheck(static_cast<unsigned char>(c) >= 0x20 || c == '\t' || c == '\n');
  FuzzCheck(CddbTextToAnsi(AnsiToCddbText(ansi)) == ansi);
  const std::string name = CddbCacheFileName(input);
  FuzzCheck(!name.empty() && name.size() <= 80);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  CheckToc(input);
  CheckText(input);
  CDDB_ANSWER answer;
  if (ParseCddbAnswer(input, answer) != kCddbOk) return 0;
  FuzzCheck(answer.code >= 0 && answer.code <= 999);
  for (const std::string& line : answer.lines) FuzzCheck(line.size() <= kCddbMaxLineBytes && line != ".");
  CheckQuery(answer);
  CheckCategories(answer);
  CheckEntry(answer);
  // The same lines under each code the parsers take, so that a seed for one
  // command also drives the others.
  for (int code : {200, 210, 211}) {
    answer.code = code;
    CheckQuery(answer);
    CheckCategories(answer);
    CheckEntry(answer);
  }
  return 0;
}
