// The program's side of a CDDB session: the options it hands the component,
// the disc objects the component builds from server text, and how an
// accepted disc lands in the disc record.
#include <gtest/gtest.h>

#include "cdrom/drive_cd_audio.h"
#include "discinfo/cddb/cddb_disc_builder.h"
#include "discinfo/cddb/cddb_text.h"
#include "discinfo/cddb_session.h"

namespace {

CDDB_SESSION_OPTIONS ProxyOptions(bool on) {
  CDDB_SESSION_OPTIONS session;
  session.proxy = on;
  session.proxyHost = "proxy.example.org";
  session.proxyPort = 3128;
  session.proxyUser = "jane";
  session.proxyPassword = "secret";
  session.timeoutMs = 4000;
  session.cacheDirectory = "C:\\cache\\";
  return session;
}

TEST(CddbSessionTest, ProxyValuesAreWrittenOnlyWhenTheProxyIsOn) {
  CCddbOptions options;
  options.proxyHost = "kept.example.org";  // set earlier in the same run
  options.proxyPort = 8080;
  FillCddbOptions(ProxyOptions(false), options);
  EXPECT_EQ(options.proxyHost, "kept.example.org");
  EXPECT_EQ(options.proxyPort, 8080);
  EXPECT_EQ(options.proxyUser, "");
  EXPECT_EQ(options.cacheDirectory, "C:\\cache\\");
  EXPECT_EQ(options.timeoutMs, 4000);
  EXPECT_EQ(options.switch5 * 100 + options.switch10 * 10 + options.switch12, 110);

  FillCddbOptions(ProxyOptions(true), options);
  EXPECT_EQ(options.proxyHost, "proxy.example.org");
  EXPECT_EQ(options.proxyPort, 3128);
  EXPECT_EQ(options.proxyUser, "jane");
  EXPECT_EQ(options.proxyPassword, "secret");
}

TEST(CddbSessionTest, BasicCredentialsAreBase64OfUserColonPassword) {
  EXPECT_EQ(BasicCredentials("Aladdin", "open sesame"), "Basic QWxhZGRpbjpvcGVuIHNlc2FtZQ==");
  EXPECT_EQ(BasicCredentials("a", ""), "Basic YTo=");
  EXPECT_EQ(BasicCredentials("ab", "c"), "Basic YWI6Yw==");
  EXPECT_EQ(BasicCredentials("j\xE9", "x"), "Basic asOpOng=");  // ANSI é travels as UTF-8
}

CDDB_ENTRY Compilation() {
  CDDB_ENTRY entry;
  entry.artist = "Various";
  entry.title = "Hits";
  entry.year = "1998";
  entry.genre = "Pop";
  entry.multiArtist = true;
  entry.tracks = {{"Ann", "One", ""}, {"", "Two", ""}};
  return entry;
}

TEST(CddbSessionTest, DiscsFromEntriesAndMatches) {
  std::shared_ptr<CCddbDisc> disc = DiscOfEntry(Compilation(), "misc", "0c02a603", "3 150 15000 33000 51000", 3);
  ASSERT_EQ(disc->TrackCount(), 3);  // the TOC's count wins; the missing text is empty
  EXPECT_EQ(disc->Track(1)->artist, "Ann");
  EXPECT_EQ(disc->Track(2)->artist, "Various");  // no artist of its own
  EXPECT_EQ(disc->Track(3)->title, "");
  EXPECT_EQ(disc->Track(2)->year, "1998");
  EXPECT_EQ(disc->Track(2)->genre, "Pop");
  EXPECT_EQ(disc->Track(0), nullptr);
  EXPECT_EQ(disc->Track(4), nullptr);
  EXPECT_TRUE(disc->full);

  std::shared_ptr<CCddbDisc> listed = DiscOfMatch({"newage", "0c02a603", "AC/DC / Back in Black"}, "toc");
  EXPECT_EQ(listed->artist, "AC/DC");
  EXPECT_EQ(listed->title, "Back in Black");
  EXPECT_EQ(listed->genre, "New Age");
  EXPECT_FALSE(listed->full);
  std::shared_ptr<CCddbDisc> plain = DiscOfMatch({"rock", "0c02a603", "Solo"}, "toc");
  EXPECT_EQ(plain->artist, "Solo");
  EXPECT_EQ(plain->title, "Solo");
}

CDiscRecord RecordOfTracks(size_t tracks) {
  CDiscRecord record;
  record.entries.resize(tracks + 1);
  for (size_t i = 1; i <= tracks; ++i) record.entries[i].year = "old";
  record.entries[0].year = "1970";
  return record;
}

TEST(CddbSessionTest, AnAcceptedDiscFillsTheRecord) {
  CDiscRecord record = RecordOfTracks(2);
  std::shared_ptr<CCddbDisc> disc = DiscOfEntry(Compilation(), "misc", "0c02a603", "", 3);
  disc->Track(2)->year = "2001";
  EXPECT_EQ(ApplyCddbDisc(*disc, record), 2);  // the third track has no entry
  EXPECT_EQ(record.entries.size(), 3u);
  EXPECT_EQ(record.entries[0].title, "Hits");
  EXPECT_EQ(record.entries[0].album, "Hits");
  EXPECT_EQ(record.entries[0].artist, "Various");
  EXPECT_EQ(record.entries[0].genreName, "Pop");
  EXPECT_EQ(record.entries[0].year, "1970");  // the disc's year is left as it was
  EXPECT_EQ(record.entries[1].artist, "Ann");
  EXPECT_EQ(record.entries[2].year, "2001");  // a multi-artist disc: the track's own
  EXPECT_EQ(record.entries[2].album, "Hits");

  disc->multiArtist = false;
  ApplyCddbDisc(*disc, record);
  EXPECT_EQ(record.entries[1].artist, "Various");  // a single artist: the disc's artist and year
  EXPECT_EQ(record.entries[2].year, "1998");
  EXPECT_EQ(record.entries[1].title, "One");
}

TEST(CddbSessionTest, TrackTableOfATocCountsTheLeadIn) {
  CD_TOC toc = {};
  toc.firstTrack = 1;
  toc.lastTrack = 2;
  const uint32_t lbas[] = {0, 14850, 50850};
  for (int i = 0; i < 3; ++i) {
    toc.entries[i].trackNumber = static_cast<uint8_t>(i == 2 ? kLeadOutTrack : i + 1);
    SetTocEntryAddress(toc.entries[i], lbas[i]);
  }
  CD_AUDIO_TRACK_TABLE table;
  ASSERT_TRUE(TrackTableOfToc(toc, table));
  EXPECT_EQ(table.startFrames, (std::vector<uint32_t>{150, 15000}));
  EXPECT_EQ(table.leadOutFrame, 51000u);
  toc.lastTrack = 0;  // last below first: not a disc
  EXPECT_FALSE(TrackTableOfToc(toc, table));
}

}  // namespace
