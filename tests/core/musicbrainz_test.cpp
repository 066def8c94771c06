// The MusicBrainz side of the CDDB component: the disc identifier against the
// published worked examples, reading release answers into discs, the order
// of sources and the cover checks.
#include <gtest/gtest.h>

#include <string>

#include "discinfo/cddb/cddb_answer.h"
#include "discinfo/cddb/musicbrainz_answer.h"
#include "discinfo/cddb/musicbrainz_disc_id.h"

namespace {

std::string HexOf(const std::array<uint8_t, 20>& digest) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  for (uint8_t byte : digest) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 15];
  }
  return text;
}

CDDB_TOC Toc(std::vector<uint32_t> starts, uint32_t leadOut) {
  CDDB_TOC toc;
  toc.trackFrames = std::move(starts);
  toc.leadOutFrame = leadOut;
  return toc;
}

TEST(Sha1, KnownDigests) {
  EXPECT_EQ(HexOf(Sha1("")), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
  EXPECT_EQ(HexOf(Sha1("abc")), "a9993e364706816aba3e25717850c26c9cd0d89d");
  // 56 bytes: the length no longer fits the first block.
  EXPECT_EQ(HexOf(Sha1("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq")),
            "84983e441c3bd26ebaae4aa1f95129e5e54670f1");
  EXPECT_EQ(HexOf(Sha1(std::string(1000, 'a'))), "291e9a6c66994949b57ba5e650361e98fc36b1ba");
}

// The worked example of MusicBrainz's disc ID documentation: six tracks.
TEST(MusicBrainzDiscId, PublishedSixTrackExample) {
  CDDB_TOC toc = Toc({150, 15363, 32314, 46592, 63414, 80489}, 95462);
  EXPECT_EQ(MusicBrainzDiscId(toc), "49HHV7Eb8UKF3aQiNmu1GR8vKTY-");
}

// The fifteen-track disc the same documentation links to.
TEST(MusicBrainzDiscId, PublishedFifteenTrackExample) {
  CDDB_TOC toc = Toc({150, 18791, 34817, 56500, 77156, 106244, 125879, 149935, 169035, 186060, 205979, 230292, 246809,
                      265764, 289629},
                     325882);
  std::string id = MusicBrainzDiscId(toc);
  EXPECT_EQ(id, "MUtMmKN402WPj3_VFsgUelxpc8U-");
  EXPECT_EQ(id.size(), 28u);
  EXPECT_EQ(MusicBrainzTocParameter(toc),
            "1+15+325882+150+18791+34817+56500+77156+106244+125879+149935+169035+186060+205979+230292+246809+265764+"
            "289629");
}

TEST(MusicBrainzDiscId, ChangesWithEveryFrameAndTheFirstTrackNumber) {
  CDDB_TOC toc = Toc({150, 15363, 32314, 46592, 63414, 80489}, 95462);
  CDDB_TOC moved = toc;
  moved.trackFrames[3] += 1;
  EXPECT_NE(MusicBrainzDiscId(moved), MusicBrainzDiscId(toc));
  EXPECT_NE(MusicBrainzDiscId(toc, 2), MusicBrainzDiscId(toc));
  EXPECT_EQ(MusicBrainzTocParameter(Toc({150}, 9000), 3), "3+3+9000+150");
}

const char* kRelease = R"({"id":"11111111-2222-3333-4444-555555555555","title":"Loopback Tunes",
  "date":"2003-04-05","country":"GB",
  "artist-credit":[{"name":"The Testers","joinphrase":"","artist":{"name":"The Testers"}}],
  "label-info":[{"catalog-number":"X1","label":{"name":"Test Records"}}],
  "media":[{"position":1,"track-count":3,"discs":[{"id":"DISC-ID"}],"tracks":[
    {"position":1,"title":"One"},{"position":2,"title":"Tw\u00f6"},{"position":3,"title":"Three"}]}]})";

MUSICBRAINZ_DISC LookedUp(size_t tracks = 3) {
  MUSICBRAINZ_DISC disc;
  disc.discId = "DISC-ID";
  disc.toc = "3 150 15000 33000 51000";
  disc.cddbDiscId = "1d02a703";
  disc.tracks = tracks;
  return disc;
}

TEST(MusicBrainzAnswer, OneReleaseBecomesAFullDiscWithItsPressing) {
  std::vector<std::shared_ptr<CCddbDisc>> discs;
  ASSERT_EQ(ParseMusicBrainzReleases(std::string(R"({"releases":[)") + kRelease + "]}", LookedUp(), discs), kCddbOk);
  ASSERT_EQ(discs.size(), 1u);
  const CCddbDisc& disc = *discs[0];
  EXPECT_EQ(disc.source, "MusicBrainz");
  EXPECT_EQ(disc.title, "Loopback Tunes");
  EXPECT_EQ(disc.artist, "The Testers");
  EXPECT_EQ(disc.year, "2003");
  EXPECT_EQ(disc.date, "2003-04-05");
  EXPECT_EQ(disc.country, "GB");
  EXPECT_EQ(disc.label, "Test Records");
  EXPECT_EQ(disc.releaseId, "11111111-2222-3333-4444-555555555555");
  EXPECT_EQ(disc.discId, "1d02a703");
  EXPECT_EQ(disc.toc, "3 150 15000 33000 51000");
  EXPECT_TRUE(disc.full);
  EXPECT_FALSE(disc.multiArtist);
  ASSERT_EQ(disc.TrackCount(), 3);
  EXPECT_EQ(disc.Track(2)->title, "Tw\xF6");  // UTF-8 becomes ANSI
  EXPECT_EQ(disc.Track(3)->artist, "The Testers");
  EXPECT_EQ(disc.Track(1)->year, "2003");
}

TEST(MusicBrainzAnswer, TracksOfOtherArtistsMakeItMultiArtist) {
  std::string json = R"({"releases":[{"title":"Various","artist-credit":[{"name":"Various Artists"}],
    "media":[{"tracks":[
      {"title":"A","artist-credit":[{"name":"Ann","joinphrase":" & "},{"name":"Bob"}]},
      {"title":"B","artist-credit":[{"name":"Cleo"}]},
      {"title":"C"}]}]}]})";
  std::vector<std::shared_ptr<CCddbDisc>> discs;
  ASSERT_EQ(ParseMusicBrainzReleases(json, LookedUp(), discs), kCddbOk);
  ASSERT_EQ(discs.size(), 1u);
  EXPECT_TRUE(discs[0]->multiArtist);
  EXPECT_EQ(discs[0]->Track(1)->artist, "Ann & Bob");
  EXPECT_EQ(discs[0]->Track(2)->artist, "Cleo");
  EXPECT_EQ(discs[0]->Track(3)->artist, "Various Artists");
  EXPECT_EQ(discs[0]->releaseId, "");  // none given
}

TEST(MusicBrainzAnswer, TheMediumHoldingTheDiscWinsThenTheTrackCount) {
  std::string json = R"({"releases":[{"title":"Box","media":[
    {"tracks":[{"title":"first medium"}]},
    {"tracks":[{"title":"x1"},{"title":"x2"},{"title":"x3"}]},
    {"discs":[{"id":"DISC-ID"}],"tracks":[{"title":"held"}]}]}]})";
  std::vector<std::shared_ptr<CCddbDisc>> discs;
  ASSERT_EQ(ParseMusicBrainzReleases(json, LookedUp(), discs), kCddbOk);
  EXPECT_EQ(discs[0]->Track(1)->title, "held");
  EXPECT_EQ(discs[0]->Track(2)->title, "");  // the TOC's count wins
  MUSICBRAINZ_DISC other = LookedUp();
  other.discId = "ANOTHER";
  ASSERT_EQ(ParseMusicBrainzReleases(json, other, discs), kCddbOk);
  EXPECT_EQ(discs[0]->Track(1)->title, "x1");
}

TEST(MusicBrainzAnswer, NoReleasesIsAnEmptyList) {
  std::vector<std::shared_ptr<CCddbDisc>> discs(1);
  EXPECT_EQ(ParseMusicBrainzReleases(R"({"release-count":0,"releases":[]})", LookedUp(), discs), kCddbOk);
  EXPECT_TRUE(discs.empty());
}

TEST(MusicBrainzAnswer, WhatIsNotAReleaseAnswerIsMalformed) {
  std::vector<std::shared_ptr<CCddbDisc>> discs;
  for (const char* text : {"", "<html>garbage", "{\"releases\":", "[]", "{\"releases\":{}}", "{\"error\":\"x\"}",
                           "\"releases\"", "{\"releases\":[1,2]}\x01"})
    EXPECT_EQ(ParseMusicBrainzReleases(text, LookedUp(), discs), kCddbDataMalformed) << text;
}

TEST(MusicBrainzAnswer, FieldsOfTheWrongKindAreIgnored) {
  std::string json = R"({"releases":[7,{"title":5,"date":"19x5","country":["GB"],"artist-credit":"x",
    "label-info":[{"label":3},{"label":{"name":"Second"}}],"media":[{"tracks":[1,{"title":null}]}]}]})";
  std::vector<std::shared_ptr<CCddbDisc>> discs;
  ASSERT_EQ(ParseMusicBrainzReleases(json, LookedUp(2), discs), kCddbOk);
  ASSERT_EQ(discs.size(), 1u);
  EXPECT_EQ(discs[0]->title, "");
  EXPECT_EQ(discs[0]->year, "");  // not four digits
  EXPECT_EQ(discs[0]->country, "");
  EXPECT_EQ(discs[0]->label, "Second");
  EXPECT_EQ(discs[0]->TrackCount(), 2);
}

TEST(MusicBrainzAnswer, CountsAndTextsAreBounded) {
  std::string json = R"({"releases":[)";
  for (int i = 0; i < 40; ++i) json += std::string(i ? "," : "") + R"({"title":")" + std::string(5000, 'x') + "\"}";
  json += "]}";
  std::vector<std::shared_ptr<CCddbDisc>> discs;
  ASSERT_EQ(ParseMusicBrainzReleases(json, LookedUp(), discs), kCddbOk);
  EXPECT_EQ(discs.size(), kMusicBrainzMaxReleases);
  EXPECT_EQ(discs[0]->title.size(), kMusicBrainzMaxTextBytes);
  EXPECT_EQ(ParseMusicBrainzReleases(std::string(kCddbMaxAnswerBytes + 1, ' '), LookedUp(), discs), kCddbTokenTooLong);
}

TEST(MusicBrainzAnswer, OnlyWellFormedReleaseIdsAreKept) {
  EXPECT_TRUE(IsMusicBrainzId("11111111-2222-3333-4444-555555555555"));
  EXPECT_TRUE(IsMusicBrainzId("0f0e0d0c-abcd-ef01-2345-6789abcdef01"));
  EXPECT_FALSE(IsMusicBrainzId("11111111-2222-3333-4444-55555555555"));
  EXPECT_FALSE(IsMusicBrainzId("11111111-2222-3333-4444-55555555555G"));
  EXPECT_FALSE(IsMusicBrainzId("11111111+2222-3333-4444-555555555555"));
  EXPECT_FALSE(IsMusicBrainzId("../../../../../../../../../../../etc"));
  EXPECT_FALSE(IsMusicBrainzId("ABCDEF01-2222-3333-4444-555555555555"));
}

TEST(CddbSources, DefaultOrderAndSettings) {
  using S = CddbSource;
  EXPECT_EQ(ParseCddbSources(""), (std::vector<S>{S::MusicBrainz, S::Cddb}));
  EXPECT_EQ(ParseCddbSources(kCddbSourcesDefault), (std::vector<S>{S::MusicBrainz, S::Cddb}));
  EXPECT_EQ(ParseCddbSources(" CDDB , MusicBrainz"), (std::vector<S>{S::Cddb, S::MusicBrainz}));
  EXPECT_EQ(ParseCddbSources("cddb"), (std::vector<S>{S::Cddb}));
  EXPECT_EQ(ParseCddbSources("musicbrainz,,musicbrainz,discogs"), (std::vector<S>{S::MusicBrainz}));
  EXPECT_EQ(ParseCddbSources("nothing,known"), (std::vector<S>{S::MusicBrainz, S::Cddb}));
}

TEST(CoverImage, JpegAndPngWithinTheirBound) {
  EXPECT_TRUE(IsCoverImage(std::string("\xFF\xD8\xFF\xE0", 4) + "JFIF"));
  EXPECT_TRUE(IsCoverImage(std::string("\x89PNG\r\n\x1A\n", 8) + "IHDR"));
  EXPECT_FALSE(IsCoverImage(""));
  EXPECT_FALSE(IsCoverImage("GIF89a"));
  EXPECT_FALSE(IsCoverImage("<html>"));
  EXPECT_FALSE(IsCoverImage(std::string("\xFF\xD8", 2)));
  std::string big(kCoverMaxBytes + 1, '\0');
  big.replace(0, 3, "\xFF\xD8\xFF");
  EXPECT_FALSE(IsCoverImage(big));
  EXPECT_EQ(CoverFileName(0x1d02a703), "covers\\1d02a703.jpg");
  EXPECT_EQ(CoverFileName(0x0000000a), "covers\\0000000a.jpg");
}

}  // namespace
