// Submitting a disc: the xmcd entry the program writes (read back through
// the program's own entry reader), the headers of the POST and the server's
// one-line answer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "discinfo/cddb/cddb_answer.h"
#include "discinfo/cddb/cddb_status.h"
#include "discinfo/cddb/cddb_toc.h"
#include "discinfo/cddb/xmcd_writer.h"

namespace {

CDDB_TOC SmallToc() {
  CDDB_TOC toc;
  toc.trackFrames = {150, 15000, 33000};
  toc.leadOutFrame = 51000;
  return toc;
}

XMCD_TEXTS SmallTexts() {
  XMCD_TEXTS texts;
  texts.artist = "AC/DC";
  texts.title = "Back in Black";
  texts.year = "1980";
  texts.genre = "Hard Rock";
  texts.trackTitles = {"Hells Bells", "Shoot to Thrill", "What Do You Do for Money Honey"};
  texts.trackArtists = {"", "", ""};
  texts.submitter = "CantaroMaker 2";
  return texts;
}

std::vector<std::string> Lines(const std::string& entry) {
  std::vector<std::string> lines;
  for (size_t pos = 0; pos < entry.size();) {
    const size_t end = entry.find('\n', pos);
    lines.push_back(entry.substr(pos, end == std::string::npos ? std::string::npos : end + 1 - pos));
    pos = end == std::string::npos ? entry.size() : end + 1;
  }
  return lines;
}

// The entry as a read answer would carry it, through the program's reader.
int32_t ReadBack(const std::string& entry, CDDB_ENTRY& read) {
  CDDB_ANSWER answer;
  const int32_t status =
      ParseCddbAnswer("210 rock 0c02a603 CD database entry follows (until terminating `.')\n" + entry + ".\n", answer);
  return status == kCddbOk ? ParseReadAnswer(answer, read) : status;
}

// Every UTF-8 sequence of the line complete within it, and no escape cut
// in half at its end (an odd run of backslashes before the LF).
bool IsWholeLine(const std::string& line) {
  for (size_t i = 0; i < line.size();) {
    const unsigned char lead = static_cast<unsigned char>(line[i]);
    const size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    if ((lead & 0xC0) == 0x80 || i + length > line.size()) return false;
    for (size_t k = 1; k < length; ++k) {
      if ((static_cast<unsigned char>(line[i + k]) & 0xC0) != 0x80) return false;
    }
    i += length;
  }
  size_t backslashes = 0;
  for (size_t i = line.size() - 1; i > 0 && line[i - 1] == '\\'; --i) ++backslashes;
  return backslashes % 2 == 0;
}

}  // namespace

// --- The entry -------------------------------------------------------------

TEST(CddbSubmitTest, NewEntryIsWrittenInFull) {
  std::string entry;
  ASSERT_EQ(BuildXmcdEntry(SmallToc(), SmallTexts(), entry), kCddbOk);
  EXPECT_EQ(entry,
            "# xmcd\n#\n# Track frame offsets:\n#\t150\n#\t15000\n#\t33000\n#\n# Disc length: 680 seconds\n#\n"
            "# Revision: 0\n# Submitted via: CantaroMaker 2\n#\n"
            "DISCID=0c02a603\nDTITLE=AC/DC / Back in Black\nDYEAR=1980\nDGENRE=Hard Rock\n"
            "TTITLE0=Hells Bells\nTTITLE1=Shoot to Thrill\nTTITLE2=What Do You Do for Money Honey\n"
            "EXTD=\nEXTT0=\nEXTT1=\nEXTT2=\nPLAYORDER=\n");
}

TEST(CddbSubmitTest, DiscLengthIsTheLeadOutCutToSecondsAndIdsFollowTheTocs) {
  CDDB_TOC toc;
  toc.trackFrames = {182, 15262, 29357, 47359, 70278, 83487, 100197, 119937};
  toc.leadOutFrame = 143785;  // 1917.13 seconds
  XMCD_TEXTS texts = SmallTexts();
  texts.trackTitles.assign(8, "Song");
  texts.trackArtists.assign(8, "");
  texts.discIds = {"0C02A603", "not an id", "5b077b08", "", "0c02a603", " a1b2c3d4 "};
  texts.revision = 12;
  std::string entry;
  ASSERT_EQ(BuildXmcdEntry(toc, texts, entry), kCddbOk);
  EXPECT_NE(entry.find("\n#\t182\n#\t15262\n"), std::string::npos);
  EXPECT_NE(entry.find("\n#\t119937\n#\n# Disc length: 1917 seconds\n"), std::string::npos);
  EXPECT_NE(entry.find("\n# Revision: 13\n"), std::string::npos);
  // The TOC's own id first, a link kept once, what is no id dropped.
  EXPECT_NE(entry.find("\nDISCID=5b077b08,0c02a603,a1b2c3d4\n"), std::string::npos);
  EXPECT_NE(entry.find("\nTTITLE7=Song\nEXTD=\n"), std::string::npos);
}

TEST(CddbSubmitTest, EveryFieldReadsBack) {
  XMCD_TEXTS texts = SmallTexts();
  std::string longTitle;
  for (int i = 0; longTitle.size() < 600; ++i) longTitle += "Caf\xE9 \\ no. " + std::to_string(i) + "\t";
  longTitle += "end";
  texts.artist = "Various";
  texts.title = longTitle;
  texts.genre = "New Age";
  texts.trackTitles = {"R\xE9sum\xE9", "C:\\Music\\Two", "Tab\there"};
  texts.trackArtists = {"Various", "Someone Else", ""};
  texts.discIds = {"5b077b08"};
  texts.revision = 4;
  std::string entry;
  ASSERT_EQ(BuildXmcdEntry(SmallToc(), texts, entry), kCddbOk);
  EXPECT_NE(entry.find("TTITLE0=R\xC3\xA9sum\xC3\xA9\n"), std::string::npos);  // UTF-8 on the wire
  EXPECT_NE(entry.find("TTITLE1=Someone Else / C:\\\\Music\\\\Two\n"), std::string::npos);
  EXPECT_NE(entry.find("TTITLE2=Tab\\there\n"), std::string::npos);

  CDDB_ENTRY read;
  ASSERT_EQ(ReadBack(entry, read), kCddbOk);
  EXPECT_EQ(read.discIds, (std::vector<std::string>{"0c02a603", "5b077b08"}));
  EXPECT_EQ(read.artist, "Various");
  EXPECT_EQ(read.title, longTitle);
  EXPECT_EQ(read.year, "1980");
  EXPECT_EQ(read.genre, "New Age");
  EXPECT_EQ(read.revision, 5);
  EXPECT_TRUE(read.multiArtist);
  ASSERT_EQ(read.tracks.size(), 3u);
  EXPECT_EQ(read.tracks[0].artist, "");  // the disc's artist is not repeated
  EXPECT_EQ(read.tracks[0].title, "R\xE9sum\xE9");
  EXPECT_EQ(read.tracks[1].artist, "Someone Else");
  EXPECT_EQ(read.tracks[1].title, "C:\\Music\\Two");
  EXPECT_EQ(read.tracks[2].title, "Tab\there");
  EXPECT_EQ(read.notes, "");
}

TEST(CddbSubmitTest, LongValuesAreContinuedWithinTheLineBound) {
  // Values whose pieces (plain, escaped, two and three bytes in UTF-8) fall
  // on every position of a line's end.
  for (const std::string unit : {"a", "\\", "\t", "\xE9", "\x80"}) {
    for (size_t lead = 0; lead < 8; ++lead) {
      XMCD_TEXTS texts = SmallTexts();
      texts.title = std::string(lead + 1, 'x');
      while (texts.title.size() < 700) texts.title += unit;
      texts.title += "z";  // blanks at the ends would be trimmed on reading
      texts.trackTitles[1] = texts.title;
      std::string entry;
      ASSERT_EQ(BuildXmcdEntry(SmallToc(), texts, entry), kCddbOk);
      size_t titleLines = 0;
      for (const std::string& line : Lines(entry)) {
        ASSERT_LE(line.size(), kXmcdMaxLineBytes) << line;
        ASSERT_EQ(line.back(), '\n');
        EXPECT_TRUE(IsWholeLine(line)) << line;
        titleLines += line.rfind("DTITLE=", 0) == 0;
      }
      EXPECT_GE(titleLines, 3u);
      CDDB_ENTRY read;
      ASSERT_EQ(ReadBack(entry, read), kCddbOk);
      EXPECT_EQ(read.title, texts.title);
      EXPECT_EQ(read.tracks[1].title, texts.title);
    }
  }
}

TEST(CddbSubmitTest, TextsThatCannotBeWrittenAreRefused) {
  const auto refused = [](const CDDB_TOC& toc, const XMCD_TEXTS& texts) {
    std::string entry = "left over";
    const int32_t status = BuildXmcdEntry(toc, texts, entry);
    return status == kCddbInvalidArgument && entry.empty();
  };
  XMCD_TEXTS texts = SmallTexts();
  texts.title = "Two\nlines";
  EXPECT_TRUE(refused(SmallToc(), texts));
  texts = SmallTexts();
  texts.trackArtists[2] = "Carriage\rreturn";
  EXPECT_TRUE(refused(SmallToc(), texts));
  texts = SmallTexts();
  texts.genre = std::string("Nul\0l", 5);
  EXPECT_TRUE(refused(SmallToc(), texts));
  texts = SmallTexts();
  texts.year = "19\x7F";
  EXPECT_TRUE(refused(SmallToc(), texts));
  texts = SmallTexts();
  texts.submitter = "CantaroMaker\n2";
  EXPECT_TRUE(refused(SmallToc(), texts));
  texts = SmallTexts();
  texts.submitter = std::string(300, 'x');  // a comment line cannot be continued
  EXPECT_TRUE(refused(SmallToc(), texts));
  texts = SmallTexts();
  texts.trackTitles.pop_back();
  EXPECT_TRUE(refused(SmallToc(), texts));
  texts = SmallTexts();
  texts.trackArtists.push_back("");
  EXPECT_TRUE(refused(SmallToc(), texts));
  CDDB_TOC toc = SmallToc();
  toc.leadOutFrame = 33000;
  EXPECT_TRUE(refused(toc, SmallTexts()));
  EXPECT_FALSE(refused(SmallToc(), SmallTexts()));
}

// --- Category, headers and answer -----------------------------------------

TEST(CddbSubmitTest, CategoryOfGenre) {
  EXPECT_EQ(CddbCategoryOfGenre("Rock"), "rock");
  EXPECT_EQ(CddbCategoryOfGenre("New Age"), "newage");
  EXPECT_EQ(CddbCategoryOfGenre("new age"), "newage");
  EXPECT_EQ(CddbCategoryOfGenre("CLASSICAL"), "classical");
  EXPECT_EQ(CddbCategoryOfGenre(" Soundtrack "), "soundtrack");
  for (const char* name : {"Blues", "Country", "Data", "Folk", "Jazz", "Reggae"}) {
    std::string lower = name;
    lower[0] = static_cast<char>(lower[0] - 'A' + 'a');
    EXPECT_EQ(CddbCategoryOfGenre(name), lower);
  }
  for (const char* name : {"", "Hard Rock", "Rock & Roll", "Rock\xE9", "Misc", "120", "rockabilly"}) {
    EXPECT_EQ(CddbCategoryOfGenre(name), "misc") << name;
  }
}

TEST(CddbSubmitTest, SubmitHeaders) {
  std::string headers;
  ASSERT_EQ(CddbSubmitHeaders("rock", "0C02A603", "jane@example.org", true, "CantaroMaker 2", headers), kCddbOk);
  EXPECT_EQ(headers,
            "Category: rock\r\nDiscid: 0c02a603\r\nUser-Email: jane@example.org\r\nSubmit-Mode: test\r\n"
            "Charset: UTF-8\r\nX-Cddbd-Note: Sent by CantaroMaker 2\r\n");
  ASSERT_EQ(CddbSubmitHeaders("newage", "0c02a603", "j@h", false, "CantaroMaker 2", headers), kCddbOk);
  EXPECT_NE(headers.find("\r\nSubmit-Mode: submit\r\n"), std::string::npos);

  struct REFUSED {
    const char *category, *discId, *email, *submitter;
  };
  for (const REFUSED& bad :
       {REFUSED{"rock", "0c02a603", "jane@example.org\r\nX: y", "C 2"},
        REFUSED{"rock", "0c02a603", "jane\r@example.org", "C 2"},
        REFUSED{"rock", "0c02a603", "jane.example.org", "C 2"}, REFUSED{"rock", "0c02a603", "@example.org", "C 2"},
        REFUSED{"rock", "0c02a603", "jane@", "C 2"}, REFUSED{"rock", "0c02a603", "jane@a@b", "C 2"},
        REFUSED{"rock", "0c02a603", "jane doe@example.org", "C 2"}, REFUSED{"rock", "0c02a603", "", "C 2"},
        REFUSED{"Rock music", "0c02a603", "j@h", "C 2"}, REFUSED{"rock\n", "0c02a603", "j@h", "C 2"},
        REFUSED{"rock", "0c02a60", "j@h", "C 2"}, REFUSED{"rock", "0c02a60g", "j@h", "C 2"},
        REFUSED{"rock", "0c02a603", "j@h", "C\n2"}, REFUSED{"rock", "0c02a603", "j@h", "C \xE9"},
        REFUSED{"rock", "0c02a603", "j@h", ""}}) {
    headers = "left over";
    EXPECT_EQ(CddbSubmitHeaders(bad.category, bad.discId, bad.email, true, bad.submitter, headers),
              kCddbInvalidArgument)
        << bad.category << "|" << bad.discId << "|" << bad.email << "|" << bad.submitter;
    EXPECT_TRUE(headers.empty());
  }
}

TEST(CddbSubmitTest, SubmitAnswers) {
  std::string text;
  EXPECT_EQ(ParseSubmitAnswer("200 OK, submission has been sent.\r\n", text), kCddbOk);
  EXPECT_EQ(text, "200 OK, submission has been sent.");
  EXPECT_EQ(ParseSubmitAnswer("200", text), kCddbOk);
  EXPECT_EQ(ParseSubmitAnswer("500 Missing required header information.\r\nmore\r\n", text), kCddbSubmissionRefused);
  EXPECT_EQ(text, "500 Missing required header information.");
  EXPECT_EQ(ParseSubmitAnswer("501 Entry rejected: caf\xC3\xA9.\n", text), kCddbSubmissionRefused);
  EXPECT_EQ(text, "501 Entry rejected: caf\xE9.");
  EXPECT_EQ(ParseSubmitAnswer("400 Internal error: failed to forward submission.\n", text), kCddbSubmissionRefused);
  EXPECT_EQ(ParseSubmitAnswer("210 OK\n", text), kCddbServerCommandMalformed);  // no answer of submit.cgi

  EXPECT_EQ(ParseSubmitAnswer("", text), kCddbBadSyntax);
  EXPECT_EQ(text, "");
  EXPECT_EQ(ParseSubmitAnswer(std::string("\x00\xff garbage", 10), text), kCddbBadSyntax);
  EXPECT_EQ(ParseSubmitAnswer("20 OK\n", text), kCddbBadSyntax);
  EXPECT_EQ(ParseSubmitAnswer("2000 OK\n", text), kCddbBadSyntax);
  EXPECT_EQ(ParseSubmitAnswer("<html>200 OK</html>\n", text), kCddbBadSyntax);
  EXPECT_EQ(text, "<html>200 OK</html>");

  EXPECT_EQ(ParseSubmitAnswer("200 " + std::string(1000, 'x') + "\n", text), kCddbOk);
  EXPECT_EQ(text, "200 " + std::string(kCddbMaxSubmitTextBytes - 4, 'x'));
  EXPECT_EQ(ParseSubmitAnswer("500 " + std::string(2000, '\xC3'), text), kCddbSubmissionRefused);
  EXPECT_LE(text.size(), kCddbMaxSubmitTextBytes);
}
