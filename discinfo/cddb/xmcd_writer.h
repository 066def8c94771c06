#pragma once
// What the program sends when it submits a disc: the xmcd entry built from
// its texts, the headers of the POST to submit.cgi, and the reading of the
// server's one-line answer. The texts are the program's ANSI text; the wire
// carries UTF-8.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "discinfo/cddb/cddb_toc.h"

inline constexpr size_t kXmcdMaxLineBytes = 256;        // including the LF
inline constexpr size_t kCddbMaxSubmitTextBytes = 254;  // the server's answer line as shown

struct XMCD_TEXTS {  // ANSI (Windows-1252) texts as the program keeps them
  std::string artist, title, year, genre;
  std::vector<std::string> trackTitles;   // one per TOC track
  std::vector<std::string> trackArtists;  // same count; empty or equal to `artist` = the disc's artist
  std::vector<std::string> discIds;       // ids the entry had (from a read); the TOC's own id is always first
  int revision = -1;                      // the read entry's revision; -1 for a new entry
  std::string submitter;                  // "<client> <version>", e.g. "CantaroMaker 2"
};

// The entry to submit, UTF-8 with LF line ends: the offsets, disc length,
// revision (one past the read entry's, 0 when new) and submitter comments,
// then DISCID (the TOC's id first, then the other valid ids without
// duplicates), DTITLE "artist / title", DYEAR, DGENRE, TTITLEn ("track
// artist / title" for a track with an artist of its own), EXTD, EXTTn and
// PLAYORDER. Backslash and tab are escaped; a value that would make a line
// longer than kXmcdMaxLineBytes goes on over further lines of the same
// keyword, never split inside a UTF-8 sequence or an escape. Returns kCddbOk,
// or kCddbInvalidArgument (and `entry` empty) for a text holding a control
// character other than tab, a TOC that is not valid, or track counts that
// differ from the TOC's.
int32_t BuildXmcdEntry(const CDDB_TOC& toc, const XMCD_TEXTS& texts, std::string& entry);

// The freedb category of a genre name: "Rock" → "rock", "New Age" →
// "newage", likewise the other named categories (case and blanks do not
// matter); "misc" for every other genre.
std::string CddbCategoryOfGenre(std::string_view genre);

// The headers of a submission, each ending in CRLF, without Content-Length
// (the HTTP layer adds it). Returns kCddbInvalidArgument (and `headers`
// empty) unless the category is one of the 11, the disc id 8 hex digits, the
// e-mail a plausible name@host, and every value printable ASCII.
int32_t CddbSubmitHeaders(std::string_view category, std::string_view discId, std::string_view email, bool testMode,
                          std::string_view submitter, std::string& headers);

// The outcome of a submit.cgi answer: kCddbOk for a first line "200 ...",
// the failure of the server's code for any other code, kCddbBadSyntax for a
// body that does not start with a code line. `text` is that first line,
// trimmed, in ANSI, at most kCddbMaxSubmitTextBytes long.
int32_t ParseSubmitAnswer(std::string_view body, std::string& text);

// name@host, printable ASCII without blanks, at most 254 characters: what
// the server can use to reach the submitter.
bool IsPlausibleEmail(std::string_view email);
