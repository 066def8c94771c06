#include "discinfo/cddb/xmcd_writer.h"

#include <algorithm>
#include <string>

#include "discinfo/cddb/cddb_answer.h"
#include "discinfo/cddb/cddb_answer_parts.h"
#include "discinfo/cddb/cddb_status.h"
#include "discinfo/cddb/cddb_text.h"

namespace {

// A line break or any other control character would end the line early or
// be turned into something else on the server's side; tab is escaped.
bool IsPlainText(std::string_view text) {
  for (char c : text) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if ((byte < 0x20 && c != '\t') || byte == 0x7F) return false;
  }
  return true;
}

bool AreTextsPlain(const XMCD_TEXTS& texts) {
  for (const std::string* text : {&texts.artist, &texts.title, &texts.year, &texts.genre, &texts.submitter}) {
    if (!IsPlainText(*text)) return false;
  }
  for (const auto* list : {&texts.trackTitles, &texts.trackArtists}) {
    for (const std::string& text : *list) {
      if (!IsPlainText(text)) return false;
    }
  }
  return true;
}

// The escaped form of the character at `pos` of UTF-8 text (an escape or a
// whole UTF-8 sequence), moving past it: the smallest piece a line may end on.
std::string_view NextPiece(std::string_view utf8, size_t& pos) {
  const unsigned char lead = static_cast<unsigned char>(utf8[pos]);
  if (lead == '\\' || lead == '\t') {
    ++pos;
    return lead == '\\' ? "\\\\" : "\\t";
  }
  const size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  const std::string_view piece = utf8.substr(pos, length);
  pos += piece.size();
  return piece;
}

// "KEYWORD=value" lines of an ANSI value, continued on as many lines of the
// same keyword as the line bound needs (at least one, also when empty).
void AppendValue(std::string& entry, std::string_view keyword, std::string_view ansi) {
  const std::string utf8 = AnsiToCddbText(ansi);
  const size_t room = kXmcdMaxLineBytes - keyword.size() - 2;  // '=' and LF
  size_t pos = 0;
  do {
    std::string line;
    for (size_t next = pos; pos < utf8.size(); pos = next) {
      const std::string_view piece = NextPiece(utf8, next);
      if (line.size() + piece.size() > room) break;
      line += piece;
    }
    entry.append(keyword).append("=").append(line).append("\n");
  } while (pos < utf8.size());
}

std::string DiscIdList(const CDDB_TOC& toc, const std::vector<std::string>& others) {
  std::vector<std::string> ids = {CddbDiscIdText(CddbDiscId(toc))};
  for (const std::string& text : others) {
    std::string id;
    if (ParseCddbDiscId(TrimCddbBlanks(text), id) && std::find(ids.begin(), ids.end(), id) == ids.end()) {
      ids.push_back(id);
    }
  }
  std::string list;
  for (const std::string& id : ids) list += (list.empty() ? "" : ",") + id;
  return list;
}

std::string Header(const CDDB_TOC& toc, const XMCD_TEXTS& texts) {
  std::string header = "# xmcd\n#\n# Track frame offsets:\n";
  for (uint32_t frame : toc.trackFrames) header += "#\t" + std::to_string(frame) + "\n";
  header += "#\n# Disc length: " + std::to_string(toc.leadOutFrame / 75) + " seconds\n#\n";
  const long long revision = std::max<long long>(texts.revision, -1) + 1;
  header += "# Revision: " + std::to_string(revision) + "\n";
  header += "# Submitted via: " + AnsiToCddbText(texts.submitter) + "\n#\n";
  return header;
}

std::string TrackTitle(const XMCD_TEXTS& texts, size_t track) {
  const std::string& artist = texts.trackArtists[track];
  if (artist.empty() || artist == texts.artist) return texts.trackTitles[track];
  return artist + " / " + texts.trackTitles[track];
}

bool IsAsciiLowerOrDigit(char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); }

// A header value: printable ASCII, so that it can neither end the header
// early nor depend on a character set.
bool IsHeaderValue(std::string_view value) {
  if (value.empty()) return false;
  return std::all_of(value.begin(), value.end(), [](char c) { return c >= ' ' && c <= '~'; });
}

bool IsCategory(std::string_view category) {
  return std::any_of(std::begin(kCddbCategories), std::end(kCddbCategories),
                     [category](const CDDB_CATEGORY& known) { return known.name == category; });
}

}  // namespace

int32_t BuildXmcdEntry(const CDDB_TOC& toc, const XMCD_TEXTS& texts, std::string& entry) {
  entry.clear();
  const size_t tracks = toc.trackFrames.size();
  if (!IsValidCddbToc(toc) || texts.trackTitles.size() != tracks || texts.trackArtists.size() != tracks ||
      !AreTextsPlain(texts)) {
    return kCddbInvalidArgument;
  }
  // A comment line cannot be continued, so the submitter must fit on one.
  if (AnsiToCddbText(texts.submitter).size() > kXmcdMaxLineBytes - 20) return kCddbInvalidArgument;
  std::string text = Header(toc, texts);
  AppendValue(text, "DISCID", DiscIdList(toc, texts.discIds));
  AppendValue(text, "DTITLE", texts.artist + " / " + texts.title);
  AppendValue(text, "DYEAR", texts.year);
  AppendValue(text, "DGENRE", texts.genre);
  for (size_t i = 0; i < tracks; ++i) AppendValue(text, "TTITLE" + std::to_string(i), TrackTitle(texts, i));
  AppendValue(text, "EXTD", "");
  for (size_t i = 0; i < tracks; ++i) AppendValue(text, "EXTT" + std::to_string(i), "");
  AppendValue(text, "PLAYORDER", "");
  entry = std::move(text);
  return kCddbOk;
}

// Blanks and case are dropped before comparing, so "New Age", "new age" and
// "NewAge" all find "newage".
std::string CddbCategoryOfGenre(std::string_view genre) {
  std::string name;
  for (char c : genre) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (IsAsciiLowerOrDigit(c)) {
      name += c;
    } else if (c != ' ' && c != '\t') {
      return "misc";
    }
  }
  return IsCategory(name) ? name : "misc";
}

int32_t CddbSubmitHeaders(std::string_view category, std::string_view discId, std::string_view email, bool testMode,
                          std::string_view submitter, std::string& headers) {
  headers.clear();
  std::string id;
  if (!IsCategory(category) || !ParseCddbDiscId(discId, id) || !IsPlausibleEmail(email) || !IsHeaderValue(submitter)) {
    return kCddbInvalidArgument;
  }
  headers.append("Category: ").append(category).append("\r\n");
  headers.append("Discid: ").append(id).append("\r\n");
  headers.append("User-Email: ").append(email).append("\r\n");
  headers.append("Submit-Mode: ").append(testMode ? "test" : "submit").append("\r\n");
  headers.append("Charset: UTF-8\r\n");
  headers.append("X-Cddbd-Note: Sent by ").append(submitter).append("\r\n");
  return kCddbOk;
}

int32_t ParseSubmitAnswer(std::string_view body, std::string& text) {
  std::string_view line = body.substr(0, body.find('\n'));
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  // Enough of the line for the shown part even when every character is a
  // UTF-8 sequence of its own.
  const std::string ansi = CddbTextToAnsi(line.substr(0, kCddbMaxSubmitTextBytes * 4));
  const std::string_view shown = TrimCddbBlanks(ansi);
  text = std::string(TrimCddbBlanks(shown.substr(0, kCddbMaxSubmitTextBytes)));
  if (!IsCddbCodeLine(line)) return kCddbBadSyntax;
  const int code = (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
  if (code == 200) return kCddbOk;
  // Another success code is no answer submit.cgi gives; a 4xx or 5xx is the
  // server turning the entry or its headers down.
  if (code / 100 == 2) return kCddbServerCommandMalformed;
  return code / 100 == 4 || code / 100 == 5 ? kCddbSubmissionRefused : CddbStatusOfServerCode(code);
}

bool IsPlausibleEmail(std::string_view email) {
  const size_t at = email.find('@');
  if (!IsHeaderValue(email) || email.size() > 254 || email.find(' ') != std::string_view::npos) return false;
  return at != std::string_view::npos && at > 0 && at + 1 < email.size() &&
         email.find('@', at + 1) == std::string_view::npos;
}
