// The CDDB protocol core: disc identifiers, the server's answers, the xmcd
// entry, and the text between the server's UTF-8 and the program's ANSI.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "discinfo/cddb/cddb_answer.h"
#include "discinfo/cddb/cddb_status.h"
#include "discinfo/cddb/cddb_text.h"
#include "discinfo/cddb/cddb_toc.h"

namespace {

CDDB_TOC Toc(std::vector<uint32_t> starts, uint32_t leadOut) {
  CDDB_TOC toc;
  toc.trackFrames = std::move(starts);
  toc.leadOutFrame = leadOut;
  return toc;
}

// The lines joined with `end`, the way a server would send them.
std::string Body(const std::vector<std::string>& lines, const std::string& end = "\r\n") {
  std::string body;
  for (const std::string& line : lines) body += line + end;
  return body;
}

CDDB_ANSWER Answer(const std::string& body) {
  CDDB_ANSWER answer;
  EXPECT_EQ(ParseCddbAnswer(body, answer), kCddbOk) << body;
  return answer;
}

CDDB_ANSWER ListAnswer(int code, std::vector<std::string> lines) {
  CDDB_ANSWER answer;
  answer.code = code;
  answer.lines = std::move(lines);
  return answer;
}

// A read answer of the entry `lines` (the "210" line and "." added).
int32_t ReadEntry(const std::vector<std::string>& lines, CDDB_ENTRY& entry, const std::string& end = "\r\n") {
  std::vector<std::string> all = {"210 rock 0c02a603 CD database entry follows (until terminating `.')"};
  all.insert(all.end(), lines.begin(), lines.end());
  all.push_back(".");
  CDDB_ANSWER answer;
  const int32_t status = ParseCddbAnswer(Body(all, end), answer);
  return status == kCddbOk ? ParseReadAnswer(answer, entry) : status;
}

const std::vector<std::string> kSampleEntry = {
    "# xmcd",
    "#",
    "# Track frame offsets:",
    "#\t150",
    "#\t15000",
    "#\t33000",
    "#",
    "# Disc length: 680 seconds",
    "#",
    "# Revision: 12",
    "# Submitted via: CantaroMaker 1.0",
    "#",
    "DISCID=0c02a603,5B077B08",
    "DTITLE=AC/DC / Back in Black",
    "DYEAR=1980",
    "DGENRE=Hard Rock",
    "TTITLE0=Hells Bells",
    "TTITLE1=Shoot to Thrill",
    "TTITLE2=What Do You Do for Money Honey",
    "EXTD=Recorded in the Bahamas.",
    "EXTT0=",
    "EXTT1=",
    "EXTT2=",
    "PLAYORDER=",
};

// --- Disc identifier and TOC string ---------------------------------------

TEST(CddbTocTest, DiscIdsOfTheWorkedExamples) {
  const CDDB_TOC small = Toc({150, 15000, 33000}, 51000);
  ASSERT_TRUE(IsValidCddbToc(small));
  EXPECT_EQ(CddbDiscIdText(CddbDiscId(small)), "0c02a603");
  EXPECT_EQ(CddbQueryCommand(small), "cddb query 0c02a603 3 150 15000 33000 680");

  const CDDB_TOC eight = Toc({182, 15262, 29357, 47359, 70278, 83487, 100197, 119937}, 143785);
  ASSERT_TRUE(IsValidCddbToc(eight));
  const std::string id = CddbDiscIdText(CddbDiscId(eight));
  EXPECT_EQ(id, "5b077b08");
  EXPECT_NE(id, "5b077a08");  // the length taken before cutting to seconds
  EXPECT_NE(id, "5d077b08");  // the lead-in left out
  EXPECT_EQ(CddbQueryCommand(eight), "cddb query 5b077b08 8 182 15262 29357 47359 70278 83487 100197 119937 1917");
}

TEST(CddbTocTest, DigitSumsWrapAt255AndIdsKeepLeadingZeros) {
  // 99 tracks a minute apart: each start second is 60k + 2, so the digit
  // sums add up past 255.
  std::vector<uint32_t> starts;
  uint32_t digits = 0;
  for (uint32_t i = 0; i < 99; ++i) {
    starts.push_back(150 + i * 4500);
    for (uint32_t s = 2 + i * 60; s > 0; s /= 10) digits += s % 10;
  }
  const CDDB_TOC toc = Toc(starts, 150 + 99 * 4500);
  ASSERT_TRUE(IsValidCddbToc(toc));
  ASSERT_GT(digits, 255u);
  EXPECT_EQ(CddbDiscId(toc) >> 24, digits % 255);
  EXPECT_EQ(CddbDiscId(toc) & 0xFF, 99u);
  EXPECT_EQ(CddbDiscIdText(0x00012a01), "00012a01");
}

TEST(CddbTocTest, InvalidTocs) {
  EXPECT_FALSE(IsValidCddbToc(Toc({}, 1000)));
  EXPECT_FALSE(IsValidCddbToc(Toc({150, 150}, 1000)));  // not strictly ascending
  EXPECT_FALSE(IsValidCddbToc(Toc({150, 100}, 1000)));  // falling
  EXPECT_FALSE(IsValidCddbToc(Toc({150, 900}, 900)));   // lead-out on the last start
  EXPECT_FALSE(IsValidCddbToc(Toc({150}, kCddbMaxDiscFrames)));
  EXPECT_TRUE(IsValidCddbToc(Toc({150}, kCddbMaxDiscFrames - 1)));
  std::vector<uint32_t> many;
  for (uint32_t i = 0; i < 100; ++i) many.push_back(150 + i * 100);
  EXPECT_FALSE(IsValidCddbToc(Toc(many, 20000)));
  many.pop_back();
  EXPECT_TRUE(IsValidCddbToc(Toc(many, 20000)));
}

TEST(CddbTocTest, TocStringRoundTrip) {
  const CDDB_TOC toc = Toc({150, 15000, 33000}, 51000);
  EXPECT_EQ(FormatCddbToc(toc), "3 150 15000 33000 51000");
  CDDB_TOC read;
  ASSERT_TRUE(ParseCddbToc("3 150 15000 33000 51000", read));
  EXPECT_EQ(read.trackFrames, toc.trackFrames);
  EXPECT_EQ(read.leadOutFrame, 51000u);
  ASSERT_TRUE(ParseCddbToc("1 0 1", read));
  EXPECT_EQ(FormatCddbToc(read), "1 0 1");
}

TEST(CddbTocTest, TocStringsOfAnyOtherFormAreRefused) {
  const CDDB_TOC before = Toc({1, 2}, 3);
  for (const char* text : {"", "3", "1 150", "3 150 15000 51000", "2 150 15000 33000 51000", " 1 150 900", "1 150 900 ",
                           "1  150 900", "1\t150 900", "1 150 900\n", "1 +150 900", "1 -150 900", "01 150 900",
                           "1 0150 900", "1 150 9999999999", "1 900 150", "0 900", "1 150 4294967446", "1 150 x"}) {
    CDDB_TOC toc = before;
    EXPECT_FALSE(ParseCddbToc(text, toc)) << text;
    EXPECT_EQ(toc.trackFrames, before.trackFrames) << text;
  }
  std::string hundred = "100";
  for (int i = 0; i < 100; ++i) hundred += " " + std::to_string(150 + i * 100);
  CDDB_TOC toc;
  EXPECT_FALSE(ParseCddbToc(hundred + " 20000", toc));
}

// --- The answer's lines -----------------------------------------------------

TEST(CddbAnswerTest, CodeLineAndDataLinesWithEitherLineEnd) {
  for (const std::string end : {"\r\n", "\n"}) {
    const CDDB_ANSWER answer = Answer(Body({"210  OK, list follows  ", "rock", "", "jazz", ".", "after"}, end));
    EXPECT_EQ(answer.code, 210);
    EXPECT_EQ(answer.text, "OK, list follows");
    EXPECT_EQ(answer.lines, (std::vector<std::string>{"rock", "", "jazz"}));
  }
  const CDDB_ANSWER single = Answer("202 No match found.\n");
  EXPECT_EQ(single.code, 202);
  EXPECT_EQ(single.text, "No match found.");
  EXPECT_TRUE(single.lines.empty());
  EXPECT_EQ(Answer("200").code, 200);              // no text, no line end
  EXPECT_EQ(Answer("210 x\n.").lines.size(), 0u);  // the "." without its line end
  EXPECT_TRUE(Answer("200 one\nsecond line\n").lines.empty());
}

TEST(CddbAnswerTest, MultiLineAnswerCutShortIsMalformed) {
  const std::string whole = Body({"210 rock 0c02a603 entry follows", "DISCID=0c02a603", "DTITLE=A / B", "."});
  CDDB_ANSWER answer;
  for (size_t size = 1; size < whole.size() - 2; ++size) {
    const int32_t status = ParseCddbAnswer(whole.substr(0, size), answer);
    EXPECT_EQ(status, size < 3 ? kCddbBadSyntax : kCddbDataMalformed) << size;
  }
  EXPECT_EQ(ParseCddbAnswer("211 inexact\nrock 0c02a603 A\n", answer), kCddbDataMalformed);
  EXPECT_EQ(ParseCddbAnswer("210 rock 0c02a603\n.x\n..\n", answer), kCddbDataMalformed);
}

TEST(CddbAnswerTest, GarbageHasNoCodeLine) {
  CDDB_ANSWER answer;
  answer.code = 7;
  for (const std::string& body :
       std::vector<std::string>{"", "\n", "20", "20 x", "2000 x", "x200 y", " 200 y", "200x", "2a0 y",
                                "<html>404</html>", std::string("\x89PNG\r\n\x1a\n", 8), std::string("\0\0\0", 3)}) {
    EXPECT_EQ(ParseCddbAnswer(body, answer), kCddbBadSyntax) << body;
  }
  EXPECT_EQ(answer.code, 7);  // untouched by a failure
}

TEST(CddbAnswerTest, EndlessAndOversizeInput) {
  CDDB_ANSWER answer;
  const std::string longest(kCddbMaxLineBytes - 4, 'x');
  EXPECT_EQ(ParseCddbAnswer("200 " + longest + "\r\n", answer), kCddbOk);
  EXPECT_EQ(ParseCddbAnswer("200 " + longest + "x", answer), kCddbTokenTooLong);  // a line that never ends
  EXPECT_EQ(ParseCddbAnswer("210 x\n" + longest + "xxxx\n.\n", answer), kCddbOk);
  EXPECT_EQ(ParseCddbAnswer("210 x\n" + longest + "xxxxx\n.\n", answer), kCddbTokenTooLong);
  EXPECT_EQ(ParseCddbAnswer("210 x\n" + longest + longest, answer), kCddbTokenTooLong);

  std::string body = "210 many lines\n";
  while (body.size() < kCddbMaxAnswerBytes - 2) body += "rock 0c02a603 " + std::string(80, 'y') + "\n";
  body.resize(kCddbMaxAnswerBytes - 2);
  body += "\n.";
  ASSERT_EQ(body.size(), kCddbMaxAnswerBytes);
  EXPECT_EQ(ParseCddbAnswer(body, answer), kCddbOk);
  EXPECT_EQ(ParseCddbAnswer(body + "\n", answer), kCddbTokenTooLong);
}

TEST(CddbAnswerTest, ServerCodesBecomeFailures) {
  EXPECT_EQ(CddbStatusOfServerCode(401), kCddbRecordNotFound);
  EXPECT_EQ(CddbStatusOfServerCode(403), kCddbStoredObjectCorrupt);
  for (int code : {402, 409, 500, 530, 202, 999}) EXPECT_EQ(CddbStatusOfServerCode(code), kCddbServerCommandMalformed);
}

// --- Query and lscat --------------------------------------------------------

TEST(CddbQueryTest, OneExactMatchOnTheCodeLine) {
  std::vector<CDDB_MATCH> matches;
  int kind = 0;
  ASSERT_EQ(ParseQueryAnswer(Answer("200 rock 0C02A603 AC/DC / Back in Black\r\n"), matches, kind), kCddbOk);
  EXPECT_EQ(kind, kCddbMatchExact);
  ASSERT_EQ(matches.size(), 1u);
  EXPECT_EQ(matches[0].category, "rock");
  EXPECT_EQ(matches[0].discId, "0c02a603");
  EXPECT_EQ(matches[0].title, "AC/DC / Back in Black");
}

TEST(CddbQueryTest, ListsKeepTheServersOrder) {
  for (int code : {210, 211}) {
    std::vector<CDDB_MATCH> matches;
    int kind = 0;
    const std::string body = Body({std::to_string(code) + " Found matches, list follows", "misc 5b077b08 Second / Best",
                                   "Soundtrack1967   930afa0c\tFilm / Music", "rock 0c02a603", "."});
    ASSERT_EQ(ParseQueryAnswer(Answer(body), matches, kind), kCddbOk) << code;
    EXPECT_EQ(kind, kCddbMatchSeveral);
    ASSERT_EQ(matches.size(), 3u);
    EXPECT_EQ(matches[0].category, "misc");
    EXPECT_EQ(matches[0].title, "Second / Best");
    EXPECT_EQ(matches[1].category, "Soundtrack1967");  // unknown categories are kept
    EXPECT_EQ(matches[1].discId, "930afa0c");
    EXPECT_EQ(matches[1].title, "Film / Music");
    EXPECT_EQ(matches[2].title, "");
  }
}

TEST(CddbQueryTest, NoMatchAndEmptyList) {
  std::vector<CDDB_MATCH> matches(2);
  int kind = 0;
  ASSERT_EQ(ParseQueryAnswer(Answer("202 No match for disc ID 0c02a603.\n"), matches, kind), kCddbOk);
  EXPECT_EQ(kind, kCddbMatchNone);
  EXPECT_TRUE(matches.empty());
  ASSERT_EQ(ParseQueryAnswer(ListAnswer(211, {}), matches, kind), kCddbOk);
  EXPECT_EQ(kind, kCddbMatchNone);
  ASSERT_EQ(ParseQueryAnswer(ListAnswer(210, {"", "  ", "rock 0c02a603 Only"}), matches, kind), kCddbOk);
  EXPECT_EQ(kind, kCddbMatchSeveral);  // blank lines are no matches
  EXPECT_EQ(matches.size(), 1u);
  CDDB_ANSWER bare;
  bare.code = 200;
  EXPECT_EQ(ParseQueryAnswer(bare, matches, kind), kCddbTokenMalformed);
}

TEST(CddbQueryTest, BadMatchLinesAreMalformed) {
  for (const std::string line :
       {"rock 0c02a60 Short id", "rock 0c02a6033 Long id", "rock 0c02a60g Not hex", "rock", "rock ", "0c02a603",
        "r\x01ock 0c02a603 Control", "r\xe9ock 0c02a603 Not ASCII", "rock +c02a603 Sign", "rock 0x02a603 Prefix"}) {
    std::vector<CDDB_MATCH> matches;
    int kind = 0;
    EXPECT_EQ(ParseQueryAnswer(ListAnswer(211, {"rock 0c02a603 Fine", line}), matches, kind), kCddbTokenMalformed)
        << line;
    CDDB_ANSWER exact;
    exact.code = 200;
    exact.text = line;
    EXPECT_EQ(ParseQueryAnswer(exact, matches, kind), kCddbTokenMalformed) << line;
    EXPECT_TRUE(matches.empty());
  }
}

TEST(CddbQueryTest, TooManyMatchesAndRefusals) {
  std::vector<CDDB_MATCH> matches;
  int kind = 0;
  std::vector<std::string> lines(kCddbMaxMatches, "rock 0c02a603 Same");
  EXPECT_EQ(ParseQueryAnswer(ListAnswer(210, lines), matches, kind), kCddbOk);
  EXPECT_EQ(matches.size(), kCddbMaxMatches);
  lines.push_back("");  // a blank line counts for nothing
  EXPECT_EQ(ParseQueryAnswer(ListAnswer(210, lines), matches, kind), kCddbOk);
  lines.push_back("rock 0c02a603 One more");
  EXPECT_EQ(ParseQueryAnswer(ListAnswer(210, lines), matches, kind), kCddbTokenTooLong);
  EXPECT_EQ(ParseQueryAnswer(Answer("403 Database entry is corrupt.\n"), matches, kind), kCddbStoredObjectCorrupt);
  EXPECT_EQ(ParseQueryAnswer(Answer("409 No handshake.\n"), matches, kind), kCddbServerCommandMalformed);
  EXPECT_EQ(ParseQueryAnswer(Answer("500 Unknown developer email\n"), matches, kind), kCddbServerCommandMalformed);
}

TEST(CddbQueryTest, MatchTitlesBecomeAnsi) {
  std::vector<CDDB_MATCH> matches;
  int kind = 0;
  ASSERT_EQ(ParseQueryAnswer(ListAnswer(211, {"rock 0c02a603 Caf\xc3\xa9 \xe2\x80\x99", "jazz 0c02a603 Caf\xe9"}),
                             matches, kind),
            kCddbOk);
  EXPECT_EQ(matches[0].title, "Caf\xe9 \x92");
  EXPECT_EQ(matches[1].title, "Caf\xe9");
}

TEST(CddbCategoryTest, ListOfCategories) {
  std::vector<std::string> categories;
  const std::string body =
      Body({"210 OK, category list follows (until terminating `.')", "blues", "classical", "country", "data", "folk",
            "jazz", "misc", "newage", "reggae", "rock", " soundtrack ", "."},
           "\n");
  ASSERT_EQ(ParseCategoryAnswer(Answer(body), categories), kCddbOk);
  ASSERT_EQ(categories.size(), 11u);
  EXPECT_EQ(categories.front(), "blues");
  EXPECT_EQ(categories.back(), "soundtrack");

  EXPECT_EQ(ParseCategoryAnswer(ListAnswer(210, {"rock", "two words"}), categories), kCddbTokenMalformed);
  EXPECT_EQ(ParseCategoryAnswer(ListAnswer(210, std::vector<std::string>(kCddbMaxCategories + 1, "x")), categories),
            kCddbTokenTooLong);
  EXPECT_EQ(ParseCategoryAnswer(Answer("500 Unrecognized command.\n"), categories), kCddbServerCommandMalformed);
  EXPECT_EQ(categories.size(), 11u);  // untouched by a failure
}

// --- The xmcd entry ---------------------------------------------------------

TEST(CddbEntryTest, WholeEntryWithEitherLineEnd) {
  for (const std::string end : {"\r\n", "\n"}) {
    CDDB_ENTRY entry;
    ASSERT_EQ(ReadEntry(kSampleEntry, entry, end), kCddbOk);
    EXPECT_EQ(entry.discIds, (std::vector<std::string>{"0c02a603", "5b077b08"}));
    EXPECT_EQ(entry.artist, "AC/DC");
    EXPECT_EQ(entry.title, "Back in Black");
    EXPECT_EQ(entry.year, "1980");
    EXPECT_EQ(entry.genre, "Hard Rock");
    EXPECT_EQ(entry.notes, "Recorded in the Bahamas.");
    EXPECT_EQ(entry.revision, 12);
    ASSERT_EQ(entry.tracks.size(), 3u);
    EXPECT_EQ(entry.tracks[0].title, "Hells Bells");
    EXPECT_EQ(entry.tracks[2].title, "What Do You Do for Money Honey");
    EXPECT_EQ(entry.tracks[2].artist, "");
    EXPECT_FALSE(entry.multiArtist);
  }
}

TEST(CddbEntryTest, ArtistAndTitleSplitAtTheFirstSeparator) {
  struct CASE {
    const char* dtitle;
    const char* artist;
    const char* title;
  };
  for (const CASE& c : {CASE{"AC/DC / Back in Black", "AC/DC", "Back in Black"}, CASE{"A / B / C", "A", "B / C"},
                        CASE{"Just a Title", "Just a Title", "Just a Title"}, CASE{"Up/Down", "Up/Down", "Up/Down"},
                        CASE{"  Spaced  /  Out  ", "Spaced", "Out"}, CASE{"", "", ""}}) {
    CDDB_ENTRY entry;
    ASSERT_EQ(ReadEntry({"DISCID=0c02a603", std::string("DTITLE=") + c.dtitle}, entry), kCddbOk) << c.dtitle;
    EXPECT_EQ(entry.artist, c.artist) << c.dtitle;
    EXPECT_EQ(entry.title, c.title) << c.dtitle;
  }
}

TEST(CddbEntryTest, TrackArtistsMakeAMultiArtistDisc) {
  CDDB_ENTRY entry;
  ASSERT_EQ(ReadEntry({"DISCID=0c02a603", "DTITLE=Various / Hits", "TTITLE0=Plain", "TTITLE1=AC/DC / T.N.T. / Live",
                       "TTITLE2=Solo"},
                      entry),
            kCddbOk);
  EXPECT_TRUE(entry.multiArtist);
  EXPECT_EQ(entry.tracks[0].artist, "");
  EXPECT_EQ(entry.tracks[0].title, "Plain");
  EXPECT_EQ(entry.tracks[1].artist, "AC/DC");
  EXPECT_EQ(entry.tracks[1].title, "T.N.T. / Live");
  EXPECT_EQ(entry.artist, "Various");
}

TEST(CddbEntryTest, ContinuedValuesAndEscapes) {
  CDDB_ENTRY entry;
  ASSERT_EQ(ReadEntry({"DISCID=0c02a603", "DISCID=,5b077b08", "DTITLE=Long Art", "DTITLE=ist / Long Ti", "DTITLE=tle",
                       "TTITLE0=Caf\xc3", "TTITLE0=\xa9", "EXTD=Line one\\nLine\\ttwo \\\\ end\\", "EXTD=x\\q",
                       "EXTT0=a\\\\nb"},
                      entry),
            kCddbOk);
  EXPECT_EQ(entry.discIds, (std::vector<std::string>{"0c02a603", "5b077b08"}));
  EXPECT_EQ(entry.artist, "Long Artist");
  EXPECT_EQ(entry.title, "Long Title");
  EXPECT_EQ(entry.tracks[0].title, "Caf\xe9");  // one UTF-8 character split over two lines
  EXPECT_EQ(entry.notes, "Line one\nLine\ttwo \\ end\\x\\q");
  EXPECT_EQ(entry.tracks[0].notes, "a\\nb");
}

TEST(CddbEntryTest, TrackCountIsTheHighestTitleNumber) {
  CDDB_ENTRY entry;
  ASSERT_EQ(ReadEntry({"DISCID=0c02a603", "DTITLE=A / B", "TTITLE4=Five", "TTITLE1=Two", "EXTT7=Notes only"}, entry),
            kCddbOk);
  ASSERT_EQ(entry.tracks.size(), 5u);
  EXPECT_EQ(entry.tracks[0].title, "");
  EXPECT_EQ(entry.tracks[1].title, "Two");
  EXPECT_EQ(entry.tracks[4].title, "Five");
  ASSERT_EQ(ReadEntry({"DISCID=0c02a603", "DTITLE=A / B", "TTITLE98=Last"}, entry), kCddbOk);
  EXPECT_EQ(entry.tracks.size(), 99u);
  EXPECT_EQ(ReadEntry({"DISCID=0c02a603", "DTITLE=A / B", "TTITLE99=Too far"}, entry), kCddbDataMalformed);
  EXPECT_EQ(ReadEntry({"DISCID=0c02a603", "DTITLE=A / B", "EXTT12345678901234567890=x"}, entry), kCddbDataMalformed);
  ASSERT_EQ(ReadEntry({"DISCID=0c02a603", "DTITLE=A / B", "TTITLE=x", "TTITLE-1=x", "TTITLEx=x", "TTITLE 1=x"}, entry),
            kCddbOk);
  EXPECT_TRUE(entry.tracks.empty());  // not track keywords: skipped
}

TEST(CddbEntryTest, CommentsRevisionYearGenreAndUnknownKeywords) {
  CDDB_ENTRY entry;
  ASSERT_EQ(ReadEntry({"# xmcd", "# Revision:   3 (edited)", "# DTITLE=not a keyword here", "DISCID=0c02a603",
                       "DTITLE=A / B", "DYEAR=", "DGENRE=  New Age  ", "NEWKEY=ignored", "no equals sign", ""},
                      entry),
            kCddbOk);
  EXPECT_EQ(entry.revision, 3);
  EXPECT_EQ(entry.artist, "A");
  EXPECT_EQ(entry.year, "");
  EXPECT_EQ(entry.genre, "New Age");
  ASSERT_EQ(ReadEntry({"# Revision: none", "DISCID=0c02a603", "DTITLE=A"}, entry), kCddbOk);
  EXPECT_EQ(entry.revision, 0);
  ASSERT_EQ(ReadEntry({"# Revision: 99999999999999999999", "DISCID=0c02a603", "DTITLE=A"}, entry), kCddbOk);
  EXPECT_GT(entry.revision, 0);
}

TEST(CddbEntryTest, MalformedEntries) {
  CDDB_ENTRY entry;
  entry.title = "kept";
  EXPECT_EQ(ReadEntry({"DTITLE=A / B"}, entry), kCddbDataMalformed);      // no DISCID
  EXPECT_EQ(ReadEntry({"DISCID=0c02a603"}, entry), kCddbDataMalformed);   // no DTITLE
  EXPECT_EQ(ReadEntry({"<html>", "<body>"}, entry), kCddbDataMalformed);  // not an entry at all
  EXPECT_EQ(ReadEntry({"DISCID=0c02a603,nothex", "DTITLE=A"}, entry), kCddbTokenMalformed);
  EXPECT_EQ(ReadEntry({"DISCID=0c02a6031", "DTITLE=A"}, entry), kCddbTokenMalformed);
  EXPECT_EQ(entry.title, "kept");  // untouched by a failure

  CDDB_ANSWER answer;
  ASSERT_EQ(ParseCddbAnswer("401 rock 0c02a603 No such CD entry in database.\r\n", answer), kCddbOk);
  EXPECT_EQ(ParseReadAnswer(answer, entry), kCddbRecordNotFound);
  EXPECT_EQ(ParseReadAnswer(ListAnswer(403, {}), entry), kCddbStoredObjectCorrupt);
  EXPECT_EQ(ParseReadAnswer(ListAnswer(211, kSampleEntry), entry), kCddbServerCommandMalformed);
}

TEST(CddbEntryTest, ValuesAreBounded) {
  const std::string piece = "TTITLE0=" + std::string(kCddbMaxLineBytes - 8, 'x');
  const size_t linesThatFit = kCddbMaxValueBytes / (kCddbMaxLineBytes - 8);
  std::vector<std::string> lines = {"DISCID=0c02a603", "DTITLE=A"};
  lines.insert(lines.end(), linesThatFit, piece);
  CDDB_ENTRY entry;
  ASSERT_EQ(ReadEntry(lines, entry), kCddbOk);
  EXPECT_EQ(entry.tracks[0].title.size(), linesThatFit * (kCddbMaxLineBytes - 8));
  lines.push_back(piece);
  EXPECT_EQ(ReadEntry(lines, entry), kCddbTokenTooLong);
  EXPECT_EQ(
      ParseReadAnswer(ListAnswer(210, {"DISCID=0c02a603", "DTITLE=" + std::string(kCddbMaxLineBytes, 'y')}), entry),
      kCddbTokenTooLong);
}

TEST(CddbEntryTest, Utf8AndLatin1Values) {
  CDDB_ENTRY entry;
  ASSERT_EQ(ReadEntry({"DISCID=0c02a603", "DTITLE=Bj\xc3\xb6rk / \xe2\x80\x9cHomogenic\xe2\x80\x9d \xe6\x97\xa5",
                       "TTITLE0=Bj\xf6rk \x92 Latin", "TTITLE1=Tab\there\x01"},
                      entry),
            kCddbOk);
  EXPECT_EQ(entry.artist, "Bj\xf6rk");
  EXPECT_EQ(entry.title, "\x93Homogenic\x94 ?");
  EXPECT_EQ(entry.tracks[0].title, "Bj\xf6rk \x92 Latin");
  EXPECT_EQ(entry.tracks[1].title, "Tab\there");  // the control character became a blank, then trimmed
}

TEST(CddbEntryTest, GenreNames) {
  CDDB_ENTRY entry;
  const char* const spelled[][2] = {{"blues", "Blues"},
                                    {"classical", "Classical"},
                                    {"country", "Country"},
                                    {"data", "Data"},
                                    {"folk", "Folk"},
                                    {"jazz", "Jazz"},
                                    {"misc", "Misc"},
                                    {"newage", "New Age"},
                                    {"reggae", "Reggae"},
                                    {"rock", "Rock"},
                                    {"soundtrack", "Soundtrack"},
                                    {"NEWAGE", "New Age"},
                                    {"vgm", "Vgm"},
                                    {"Soundtrack1967", "Soundtrack1967"},
                                    {"", ""}};
  for (const auto& pair : spelled) EXPECT_EQ(CddbGenreName(entry, pair[0]), pair[1]) << pair[0];
  entry.genre = "Hard Rock";
  EXPECT_EQ(CddbGenreName(entry, "rock"), "Hard Rock");
}

// --- Text -----------------------------------------------------------------

TEST(CddbTextTest, Utf8ToAnsi) {
  EXPECT_EQ(CddbTextToAnsi("plain ASCII"), "plain ASCII");
  EXPECT_EQ(CddbTextToAnsi("\xe2\x82\xac \xe2\x80\x99 \xc5\xb8 \xe2\x84\xa2"), "\x80 \x92 \x9f \x99");
  EXPECT_EQ(CddbTextToAnsi("\xc3\xa9\xc2\xa0\xc3\xbf"), "\xe9\xa0\xff");
  EXPECT_EQ(CddbTextToAnsi("\xe6\x97\xa5\xf0\x9f\x8e\xb5\xc4\x80"), "???");  // outside the code page
  EXPECT_EQ(CddbTextToAnsi("a\tb\nc\rd\x01"
                           "e\x7f"
                           "f\xc2\x85g"),
            "a\tb\nc d e f g");
  EXPECT_EQ(CddbTextToAnsi(""), "");
}

TEST(CddbTextTest, InvalidUtf8IsReadAsLatin1) {
  EXPECT_EQ(CddbTextToAnsi("Caf\xe9"), "Caf\xe9");
  EXPECT_EQ(CddbTextToAnsi("\xc3\xa9 and \xe9"), "\xc3\xa9 and \xe9");  // one bad byte: the whole value
  EXPECT_EQ(CddbTextToAnsi("\xc0\xaf"), "\xc0\xaf");                    // overlong
  EXPECT_EQ(CddbTextToAnsi("\xed\xa0\x80"), "\xed\xa0\x80");            // a surrogate
  EXPECT_EQ(CddbTextToAnsi("\xf4\x90\x80\x80"), "\xf4 \x80\x80");       // past U+10FFFF; 0x90 is a hole
  EXPECT_EQ(CddbTextToAnsi("\xe2\x82"), "\xe2\x82");                    // cut short
  // Windows-1252's own characters stay; its five holes and controls become blanks.
  EXPECT_EQ(CddbTextToAnsi("\x92\x80\x81\x8d\x8f\x90\x9d\x01\xe9"), "\x92\x80      \xe9");
}

TEST(CddbTextTest, AnsiToUtf8) {
  EXPECT_EQ(AnsiToCddbText("Caf\xe9 \x80\x92\x9f"), "Caf\xc3\xa9 \xe2\x82\xac\xe2\x80\x99\xc5\xb8");
  EXPECT_EQ(AnsiToCddbText("\x81"), "?");
  // Every character of the code page goes there and back; its holes come back as '?'.
  for (int byte = 0x20; byte < 0x100; ++byte) {
    const std::string ansi(1, static_cast<char>(byte));
    const bool hole = byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D;
    const std::string expected = byte == 0x7F ? " " : hole ? "?" : ansi;
    EXPECT_EQ(CddbTextToAnsi(AnsiToCddbText(ansi)), expected) << byte;
  }
}

TEST(CddbTextTest, FormEncodingAndTheRequest) {
  EXPECT_EQ(FormEncode("cddb query 0c02a603 3"), "cddb+query+0c02a603+3");
  EXPECT_EQ(FormEncode("a&b=c+d%e/f~g.h-i_j"), "a%26b%3Dc%2Bd%25e%2Ff~g.h-i_j");
  EXPECT_EQ(FormEncode("\xc3\xa9\n"), "%C3%A9%0A");
  EXPECT_EQ(CddbRequestQuery("cddb lscat", "jane", "example.org", "CantaroMaker", "1.0"),
            "cmd=cddb+lscat&hello=jane+example.org+CantaroMaker+1.0&proto=6");
  EXPECT_EQ(CddbRequestQuery("cddb read rock 0c02a603", "j ane&x", "", "Cantaro Maker", "1.0"),
            "cmd=cddb+read+rock+0c02a603&hello=j_ane%26x+_+Cantaro_Maker+1.0&proto=6");
  EXPECT_EQ(CddbRequestQuery("cddb lscat", "J\xf6rg", "h", "c", "2"), "cmd=cddb+lscat&hello=J%C3%B6rg+h+c+2&proto=6");
}

TEST(CddbTextTest, CacheFileNames) {
  const std::string read = CddbCacheFileName("cddb read rock 0c02a603");
  EXPECT_EQ(read.rfind("cddb_read_rock_0c02a603-", 0), 0u) << read;
  EXPECT_EQ(read.size(), 24u + 16u);
  EXPECT_NE(read, CddbCacheFileName("cddb read rock 0c02a604"));
  EXPECT_NE(CddbCacheFileName("cddb read rock/x"), CddbCacheFileName("cddb read rock\\x"));
  const std::string longName = CddbCacheFileName("cddb query 0c02a603 99" + std::string(500, ' ') + "\xe9\\/:*?\"<>|");
  EXPECT_LE(longName.size(), 80u);
  for (char c : longName + CddbCacheFileName("../..\\C:*?\x01\xff")) {
    EXPECT_TRUE((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_')
        << static_cast<int>(c);
  }
}

}  // namespace
