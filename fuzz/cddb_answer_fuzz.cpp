// libFuzzer target: an untrusted CDDB server answer through the answer,
// query, lscat, read and submit-answer parsers, and the same bytes as a TOC
// string, as server text and as the texts of an entry to submit. Beyond
// memory safety it checks the promises: every bound holds, disc ids are 8
// lower-case hex digits, a TOC string read back formats to itself, ANSI text
// survives the trip to UTF-8 and back, and an entry the writer accepts keeps
// its lines within 256 bytes and reads back to the texts it was built from.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "discinfo/cddb/cddb_answer.h"
#include "discinfo/cddb/cddb_answer_parts.h"
#include "discinfo/cddb/cddb_status.h"
#include "discinfo/cddb/cddb_text.h"
#include "discinfo/cddb/cddb_toc.h"
#include "discinfo/cddb/xmcd_writer.h"
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

void CheckSubmitAnswer(const std::string& input) {
  std::string text;
  const int32_t status = ParseSubmitAnswer(input, text);
  FuzzCheck(text.size() <= kCddbMaxSubmitTextBytes);
  for (char c : text) FuzzCheck(static_cast<unsigned char>(c) >= 0x20 || c == '\t');
  FuzzCheck(status != kCddbOk || input.rfind("200", 0) == 0);
}

// The input cut at 0x1E into the texts of a disc of 1 to 8 tracks: artist,
// title, year, genre, submitter, one linked id, then title and artist of
// each track.
std::vector<std::string> Fields(const std::string& input) {
  std::vector<std::string> fields(1);
  for (char c : input) {
    if (c == '\x1E') {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  fields.resize(std::max<size_t>(fields.size(), 22));
  return fields;
}

XMCD_TEXTS FuzzTexts(const std::vector<std::string>& fields, size_t tracks) {
  XMCD_TEXTS texts;
  texts.artist = fields[0], texts.title = fields[1], texts.year = fields[2], texts.genre = fields[3];
  texts.submitter = fields[4];
  texts.discIds = {fields[5], "0c02a603"};
  texts.revision = static_cast<int>(fields[0].size()) - 1;
  for (size_t i = 0; i < tracks; ++i) {
    texts.trackTitles.push_back(fields[6 + 2 * i]);
    texts.trackArtists.push_back(fields[7 + 2 * i]);
  }
  return texts;
}

// A text as it comes back from the wire: through UTF-8, blanks trimmed.
std::string Shown(const std::string& ansi) { return std::string(TrimCddbBlanks(CddbTextToAnsi(AnsiToCddbText(ansi)))); }

// "artist / title" reads back to both parts when they are non-empty, have
// no blanks at their ends, and the first separator is the one between them.
bool SplitsBack(const std::string& artist, const std::string& title) {
  const std::string a = CddbTextToAnsi(AnsiToCddbText(artist)), t = CddbTextToAnsi(AnsiToCddbText(title));
  return !a.empty() && !t.empty() && a == Shown(artist) && t == Shown(title) && (a + " / " + t).find(" / ") == a.size();
}

void CheckReadBack(const XMCD_TEXTS& texts, const CDDB_TOC& toc, const CDDB_ENTRY& read) {
  FuzzCheck(!read.discIds.empty() && read.discIds[0] == CddbDiscIdText(CddbDiscId(toc)));
  FuzzCheck(read.revision == texts.revision + 1 && read.tracks.size() == texts.trackTitles.size());
  FuzzCheck(read.year == Shown(texts.year) && read.genre == Shown(texts.genre));
  if (SplitsBack(texts.artist, texts.title))
    FuzzCheck(read.artist == Shown(texts.artist) && read.title == Shown(texts.title));
  for (size_t i = 0; i < read.tracks.size(); ++i) {
    const std::string& artist = texts.trackArtists[i];
    const std::string& title = texts.trackTitles[i];
    if (!artist.empty() && artist != texts.artist) {
      if (SplitsBack(artist, title))
        FuzzCheck(read.tracks[i].artist == Shown(artist) && read.tracks[i].title == Shown(title));
    } else if (Shown(title).find(" / ") == std::string::npos) {
      FuzzCheck(read.tracks[i].artist.empty() && read.tracks[i].title == Shown(title));
    }
  }
}

void CheckEntryWriter(const std::string& input) {
  const std::vector<std::string> fields = Fields(input);
  const size_t tracks = 1 + (input.empty() ? 0 : static_cast<unsigned char>(input.back()) % 8);
  CDDB_TOC toc;
  for (size_t i = 0; i < tracks; ++i) toc.trackFrames.push_back(static_cast<uint32_t>(150 + 9000 * i + input.size()));
  toc.leadOutFrame = toc.trackFrames.back() + 4500;
  const XMCD_TEXTS texts = FuzzTexts(fields, tracks);
  std::string entry = "left over";
  if (BuildXmcdEntry(toc, texts, entry) != kCddbOk) {
    FuzzCheck(entry.empty());
    return;
  }
  // Whole lines within the bound; tabs (escaped in values) only in the offsets.
  for (size_t pos = 0; pos < entry.size();) {
    const size_t end = entry.find('\n', pos);
    FuzzCheck(end != std::string::npos && end + 1 - pos <= kXmcdMaxLineBytes && end > pos);
    FuzzCheck(entry[pos] == '#' || entry.substr(pos, end - pos).find('\t') == std::string::npos);
    pos = end + 1;
  }
  CDDB_ANSWER answer;
  FuzzCheck(ParseCddbAnswer("210 misc 0c02a603 entry\n" + entry + ".\n", answer) == kCddbOk);
  CDDB_ENTRY read;
  FuzzCheck(ParseReadAnswer(answer, read) == kCddbOk);
  CheckReadBack(texts, toc, read);
  const std::string category = CddbCategoryOfGenre(texts.genre);
  std::string headers;
  if (CddbSubmitHeaders(category, read.discIds[0], fields[4], input.size() % 2 == 0, "CantaroMaker 2", headers) ==
      kCddbOk) {
    FuzzCheck(std::count(headers.begin(), headers.end(), '\n') == 6 &&
              std::count(headers.begin(), headers.end(), '\r') == 6);
  } else {
    FuzzCheck(headers.empty());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  CheckToc(input);
  CheckText(input);
  CheckSubmitAnswer(input);
  CheckEntryWriter(input);
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
