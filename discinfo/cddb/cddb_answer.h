#pragma once
// Reading what a CDDB server answers over HTTP: the code line, the data lines
// of a multi-line answer up to the lone ".", the matches of a query, the
// categories of lscat and the xmcd entry of a read. Server text is untrusted:
// every line, count and size is bounded, and nothing here can overrun or
// loop; a fault is reported as one of the component's failure codes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "discinfo/cddb/cddb_status.h"

inline constexpr size_t kCddbMaxAnswerBytes = 1u << 20;  // a whole HTTP body
inline constexpr size_t kCddbMaxLineBytes = 4096;        // xmcd allows 256; be lenient, not unbounded
inline constexpr size_t kCddbMaxMatches = 100;
inline constexpr size_t kCddbMaxCategories = 100;
inline constexpr size_t kCddbMaxValueBytes = 65536;  // one keyword's joined value

struct CDDB_ANSWER {
  int code = 0;                    // the three-digit code of the first line
  std::string text;                // the rest of the first line, blanks trimmed
  std::vector<std::string> lines;  // data lines of a multi-line answer (second digit 1), without the "."
};

// Splits an HTTP body into an answer. Accepts CRLF and LF. Returns kCddbOk, or
// kCddbTokenTooLong (body or a line over its bound), kCddbBadSyntax (no
// "ddd" code line), kCddbDataMalformed (a multi-line answer without its ".").
int32_t ParseCddbAnswer(std::string_view body, CDDB_ANSWER& answer);

// The failure code for a server's answer code that is not a success of the
// command (401 read → kCddbRecordNotFound, 403 → kCddbStoredObjectCorrupt,
// 4xx/5xx others → kCddbServerCommandMalformed).
int32_t CddbStatusOfServerCode(int code);

struct CDDB_MATCH {
  std::string category;  // as the server names it; unknown names are kept
  std::string discId;    // 8 hex digits, lower case
  std::string title;     // the DTITLE, as sent
};

// A query answer: 200 gives one exact match, 210 (several exact) and 211
// (inexact) the listed matches in the server's order, 202 none. Returns
// kCddbOk and the match kind, or a failure (a malformed match line:
// kCddbTokenMalformed; more than kCddbMaxMatches: kCddbTokenTooLong).
int32_t ParseQueryAnswer(const CDDB_ANSWER& answer, std::vector<CDDB_MATCH>& matches, int& matchKind);

// An lscat answer (210): the category names.
int32_t ParseCategoryAnswer(const CDDB_ANSWER& answer, std::vector<std::string>& categories);

struct CDDB_TRACK_TEXT {
  std::string artist;  // empty when the TTITLE has no " / "
  std::string title;
  std::string notes;  // EXTTn
};

struct CDDB_ENTRY {
  std::vector<std::string> discIds;     // DISCID, comma-separated
  std::string artist;                   // DTITLE before the first " / " (the whole DTITLE when none)
  std::string title;                    // DTITLE after it (the whole DTITLE when none)
  std::string year;                     // DYEAR
  std::string genre;                    // DGENRE
  std::string notes;                    // EXTD
  int revision = 0;                     // "# Revision: N"
  std::vector<CDDB_TRACK_TEXT> tracks;  // TTITLE0..n-1, in order, gaps filled with empty texts
  bool multiArtist = false;             // some track title carries its own artist
};

// The xmcd entry of a read answer (210). Keywords may be continued on later
// lines, values carry \n \t \\ escapes (decoded here), unknown keywords and
// comments are skipped. Values are turned from the server's text (UTF-8,
// or ISO-8859-1 when not valid UTF-8) into the program's ANSI text.
// TTITLE numbers at or above kCddbMaxTracks are a malformed entry.
int32_t ParseReadAnswer(const CDDB_ANSWER& answer, CDDB_ENTRY& entry);

// Splits "Artist / Title" at the first " / " (so "AC/DC / Back in Black"
// keeps "AC/DC" whole), both parts trimmed; false without a separator.
bool SplitCddbTitle(const std::string& text, std::string& artist, std::string& title);

// The eleven freedb categories, each with its name as a word.
struct CDDB_CATEGORY {
  std::string_view name;
  std::string_view spelled;
};
inline constexpr CDDB_CATEGORY kCddbCategories[] = {{"blues", "Blues"},
                                                    {"classical", "Classical"},
                                                    {"country", "Country"},
                                                    {"data", "Data"},
                                                    {"folk", "Folk"},
                                                    {"jazz", "Jazz"},
                                                    {"misc", "Misc"},
                                                    {"newage", "New Age"},
                                                    {"reggae", "Reggae"},
                                                    {"rock", "Rock"},
                                                    {"soundtrack", "Soundtrack"}};

// The readable genre of an entry found in `category`: its DGENRE, else the
// category spelled as a person would ("newage" → "New Age", "rock" → "Rock").
std::string CddbGenreName(const CDDB_ENTRY& entry, std::string_view category);
