// The CDDB component asking MusicBrainz (the loopback MusicBrainz-style
// server): one release, several, the TOC lookup, none, a busy service,
// garbage, the order of the sources, the pace of requests and the cover.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "discinfo/cddb/cddb_component.h"
#include "discinfo/cddb/musicbrainz_disc_id.h"
#include "tests/harness/cddb_component_steps_win.h"
#include "tests/harness/musicbrainz_test_server_win.h"

namespace {

const char* kRelease1 = "aaaaaaaa-0000-0000-0000-000000000001";
const char* kRelease2 = "aaaaaaaa-0000-0000-0000-000000000002";
const char* kRelease3 = "aaaaaaaa-0000-0000-0000-000000000003";

SERVED_RELEASE Release(const char* id, const char* country, const char* date, const char* label) {
  return {id, "Brainz Tunes", "The Brainz", date, country, label, {{"Uno"}, {"Dos"}, {"Tres"}}};
}

// Seconds since the server started, from a log line.
double When(const std::string& line) { return std::stod(line.substr(0, line.find(' '))); }

class MusicBrainzComponentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (MusicBrainzServerUrl("normal").empty()) GTEST_SKIP() << "no loopback MusicBrainz server";
    RemoveServedCddbEntries();
    RemoveServedMusicBrainz();
    StoreComponentValue("UserEmail", "tester@example.org");
    StoreComponentValue("Sources", nullptr);
    toc_.trackFrames = {150, 15000, 33000};
    toc_.leadOutFrame = 51000;
    ServeCddbEntry(toc_, {"rock", "The Testers", "Loopback", "2003", {"One", "Two", "Three"}});
    cache_ = MakeTestFolder("musicbrainz-component");
    CCddbOptions options;
    options.cacheDirectory = cache_;
    options.timeoutMs = 10000;
    component_.ApplyOptions(options);
    SetEnvironmentVariableA(kCddbServerUrlVariable, CddbServerUrl("normal").c_str());
    UseService("normal");
  }
  void TearDown() override {
    for (const char* name : {kCddbServerUrlVariable, kMusicBrainzUrlVariable, kCoverArtUrlVariable})
      SetEnvironmentVariableA(name, nullptr);
    StoreComponentValue("Sources", nullptr);
    if (!CddbServerFolder().empty()) {
      RemoveServedCddbEntries();
      RemoveServedMusicBrainz();
    }
  }

  void UseService(const std::string& scenario) {
    SetEnvironmentVariableA(kMusicBrainzUrlVariable, MusicBrainzServerUrl(scenario).c_str());
    SetEnvironmentVariableA(kCoverArtUrlVariable, MusicBrainzServerUrl(scenario).c_str());
  }

  COMPLETION WaitForCompletion(DWORD milliseconds = 30000) {
    size_t before = events_.completions.size();
    DWORD start = GetTickCount();
    while (events_.completions.size() == before && GetTickCount() - start < milliseconds) {
      MSG msg;
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
      Sleep(10);
    }
    return events_.completions.size() > before ? events_.completions.back() : COMPLETION{-1, -1, {}};
  }

  COMPLETION Lookup() {
    logBefore_ = MusicBrainzRequests().size();
    component_.LookupToc(FormatCddbToc(toc_), 1);
    return WaitForCompletion();
  }

  // The service's requests since the last lookup began.
  std::vector<std::string> NewRequests() {
    std::vector<std::string> all = MusicBrainzRequests();
    return std::vector<std::string>(all.begin() + static_cast<std::ptrdiff_t>(std::min(logBefore_, all.size())),
                                    all.end());
  }

  std::filesystem::path CoverFile() {
    return HostFolder(cache_ + "covers\\" + CddbDiscIdText(CddbDiscId(toc_)) + ".jpg");
  }

  static std::string FileText(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
  }

  CRecordingEvents events_;
  CCddbComponent component_{&events_};
  CDDB_TOC toc_;
  std::string cache_;
  size_t logBefore_ = 0;
};

TEST_F(MusicBrainzComponentTest, OneReleaseIsAnExactMatchWithItsCover) {
  ServeMusicBrainzDisc(toc_, ReleasesJson({Release(kRelease1, "GB", "2001-02-03", "Brainz Records")}));
  ServeCover(kRelease1, TestCoverBytes());
  COMPLETION done = Lookup();
  ASSERT_EQ(done.status, kCddbOk);
  EXPECT_EQ(done.result.integer, kCddbMatchExact);
  std::shared_ptr<CCddbDisc> disc = component_.ExactMatch();
  ASSERT_TRUE(disc);
  EXPECT_EQ(disc->source, "MusicBrainz");
  EXPECT_EQ(disc->artist, "The Brainz");  // not CDDB's "The Testers"
  EXPECT_EQ(disc->title, "Brainz Tunes");
  EXPECT_EQ(disc->year, "2001");
  EXPECT_EQ(disc->label, "Brainz Records");
  EXPECT_EQ(disc->discId, CddbDiscIdText(CddbDiscId(toc_)));
  ASSERT_EQ(disc->TrackCount(), 3);
  EXPECT_EQ(disc->Track(3)->title, "Tres");
  EXPECT_FALSE(disc->multiArtist);
  EXPECT_EQ(FileText(CoverFile()), TestCoverBytes());

  std::vector<std::string> requests = NewRequests();
  ASSERT_EQ(requests.size(), 2u);  // the disc identifier, then the cover
  EXPECT_NE(requests[0].find("/ws/2/discid/" + MusicBrainzDiscId(toc_) + "?inc=recordings+artist-credits+labels"),
            std::string::npos);
  EXPECT_NE(requests[0].find("UA=CantaroMaker/"), std::string::npos);
  EXPECT_NE(requests[0].find(" ( "), std::string::npos);  // with a contact
  EXPECT_NE(requests[1].find("/release/" + std::string(kRelease1) + "/front-250"), std::string::npos);
  EXPECT_GE(When(requests[1]) - When(requests[0]), 0.9);  // one request a second

  // The cover is fetched once per disc.
  ASSERT_EQ(Lookup().status, kCddbOk);
  EXPECT_EQ(NewRequests().size(), 1u);
  // Clearing the cache takes the covers too.
  component_.ClearCache(1);
  EXPECT_FALSE(std::filesystem::exists(CoverFile()));
}

TEST_F(MusicBrainzComponentTest, SeveralReleasesAreListedWithTheirPressings) {
  ServeMusicBrainzDisc(toc_, ReleasesJson({Release(kRelease1, "GB", "2001-02-03", "Brainz Records"),
                                           Release(kRelease2, "US", "2001-05", "Brainz America"),
                                           Release(kRelease3, "JP", "2002", "Brainz Japan")}));
  ServeCover(kRelease2, TestCoverBytes());
  COMPLETION done = Lookup();
  ASSERT_EQ(done.status, kCddbOk);
  EXPECT_EQ(done.result.integer, kCddbMatchSeveral);
  EXPECT_THROW(component_.ExactMatch(), CCddbException);
  std::shared_ptr<CCddbDiscCollection> list = component_.MatchList();
  ASSERT_EQ(list->Count(), 3);
  EXPECT_EQ(list->Item(2)->country, "US");
  EXPECT_EQ(list->Item(2)->date, "2001-05");
  EXPECT_EQ(list->Item(3)->label, "Brainz Japan");
  EXPECT_FALSE(std::filesystem::exists(CoverFile()));  // nothing chosen yet

  component_.FetchFullDisc(list->Item(2), 1);
  COMPLETION read = WaitForCompletion();
  ASSERT_EQ(read.status, kCddbOk);
  ASSERT_TRUE(read.result.disc);
  EXPECT_EQ(read.result.disc->releaseId, kRelease2);
  EXPECT_EQ(read.result.disc->Track(1)->title, "Uno");
  EXPECT_EQ(FileText(CoverFile()), TestCoverBytes());
}

TEST_F(MusicBrainzComponentTest, AnUnknownIdentifierIsLookedUpByItsToc) {
  SERVED_RELEASE various = {kRelease1, "Mixed", "Various Artists", "1999", "XE", "Mix Label",
                            {{"Alpha", "Ann"}, {"Beta", "Bob"}, {"Gamma"}}};
  ServeMusicBrainzToc(toc_, ReleasesJson({various}));
  COMPLETION done = Lookup();
  ASSERT_EQ(done.status, kCddbOk);
  ASSERT_EQ(done.result.integer, kCddbMatchExact);
  std::shared_ptr<CCddbDisc> disc = component_.ExactMatch();
  EXPECT_TRUE(disc->multiArtist);
  EXPECT_EQ(disc->Track(1)->artist, "Ann");
  EXPECT_EQ(disc->Track(2)->artist, "Bob");
  EXPECT_EQ(disc->Track(3)->artist, "Various Artists");
  std::vector<std::string> requests = NewRequests();
  ASSERT_GE(requests.size(), 2u);
  EXPECT_NE(requests[1].find("/ws/2/discid/-?toc=" + MusicBrainzTocParameter(toc_) + "&"), std::string::npos);
  EXPECT_GE(When(requests[1]) - When(requests[0]), 0.9);
  EXPECT_FALSE(std::filesystem::exists(CoverFile()));  // the archive has none
}

TEST_F(MusicBrainzComponentTest, NoReleaseLeavesTheLookupToCddb) {
  COMPLETION done = Lookup();
  ASSERT_EQ(done.status, kCddbOk);
  ASSERT_EQ(done.result.integer, kCddbMatchExact);
  EXPECT_EQ(component_.ExactMatch()->source, "CDDB");
  EXPECT_EQ(component_.ExactMatch()->artist, "The Testers");
  EXPECT_EQ(NewRequests().size(), 2u);  // identifier and TOC, both unknown

  StoreComponentValue("Sources", "musicbrainz");
  done = Lookup();
  EXPECT_EQ(done.status, kCddbOk);
  EXPECT_EQ(done.result.integer, kCddbMatchNone);
}

TEST_F(MusicBrainzComponentTest, ABusyServiceIsAskedAgainAfterABackOff) {
  ServeMusicBrainzDisc(toc_, ReleasesJson({Release(kRelease1, "GB", "2001", "Brainz Records")}));
  UseService("busy");
  COMPLETION done = Lookup();
  ASSERT_EQ(done.status, kCddbOk);
  ASSERT_EQ(done.result.integer, kCddbMatchExact);
  EXPECT_EQ(component_.ExactMatch()->source, "MusicBrainz");
  std::vector<std::string> requests = NewRequests();
  ASSERT_GE(requests.size(), 2u);
  EXPECT_EQ(requests[0].substr(requests[0].find(' ')), requests[1].substr(requests[1].find(' ')));
  EXPECT_GE(When(requests[1]) - When(requests[0]), 0.9);
}

TEST_F(MusicBrainzComponentTest, TheContactInTheUserAgentIsASettingWithoutControlCharacters) {
  StoreComponentValue("MusicBrainzContact", "jane@example.org\r\nX-Injected: yes");
  Lookup();
  StoreComponentValue("MusicBrainzContact", nullptr);
  std::vector<std::string> requests = NewRequests();
  ASSERT_FALSE(requests.empty());
  EXPECT_NE(requests[0].find("UA=CantaroMaker/"), std::string::npos);
  EXPECT_NE(requests[0].find(" ( jane@example.orgX-Injected: yes )"), std::string::npos) << requests[0];
}

TEST_F(MusicBrainzComponentTest, CancelEndsALookupWaitingOutABackOff) {
  toc_.leadOutFrame = 51000 + GetTickCount() % 5000;  // a path the busy service has not refused yet
  UseService("busy");
  logBefore_ = MusicBrainzRequests().size();
  component_.LookupToc(FormatCddbToc(toc_), 1);
  for (int i = 0; i < 200 && NewRequests().empty(); ++i) Sleep(25);
  ASSERT_EQ(NewRequests().size(), 1u);
  Sleep(200);  // the 503 is in, the back-off has begun
  component_.CancelCommand();
  COMPLETION cancelled = WaitForCompletion(5000);
  EXPECT_EQ(cancelled.command, kCddbLookupDone);
  EXPECT_EQ(cancelled.status, kCddbCancelled);
  EXPECT_EQ(WaitForCompletion(2500).command, -1);  // the abandoned lookup stays silent
  EXPECT_EQ(NewRequests().size(), 1u);              // and asks nothing more
}

TEST_F(MusicBrainzComponentTest, GarbageFallsBackToCddbOrFailsAlone) {
  UseService("garbage");
  COMPLETION done = Lookup();
  ASSERT_EQ(done.status, kCddbOk);
  EXPECT_EQ(component_.ExactMatch()->source, "CDDB");
  StoreComponentValue("Sources", "musicbrainz");
  EXPECT_EQ(Lookup().status, kCddbDataMalformed);
}

TEST_F(MusicBrainzComponentTest, TheOrderOfSourcesIsASetting) {
  ServeMusicBrainzDisc(toc_, ReleasesJson({Release(kRelease1, "GB", "2001", "Brainz Records")}));
  StoreComponentValue("Sources", "cddb,musicbrainz");
  ASSERT_EQ(Lookup().status, kCddbOk);
  EXPECT_EQ(component_.ExactMatch()->source, "CDDB");
  EXPECT_TRUE(NewRequests().empty());  // CDDB had it
  RemoveServedCddbEntries();
  ASSERT_EQ(Lookup().status, kCddbOk);
  EXPECT_EQ(component_.ExactMatch()->source, "MusicBrainz");
  StoreComponentValue("Sources", "cddb");
  EXPECT_EQ(Lookup().result.integer, kCddbMatchNone);
  EXPECT_TRUE(NewRequests().empty());
}

// A test CDDB server named and no MusicBrainz server: the real service is
// never asked.
TEST_F(MusicBrainzComponentTest, ATestRunWithoutAServiceAsksOnlyCddb) {
  ServeMusicBrainzDisc(toc_, ReleasesJson({Release(kRelease1, "GB", "2001", "Brainz Records")}));
  SetEnvironmentVariableA(kMusicBrainzUrlVariable, nullptr);
  SetEnvironmentVariableA(kCoverArtUrlVariable, nullptr);
  ASSERT_EQ(Lookup().status, kCddbOk);
  EXPECT_EQ(component_.ExactMatch()->source, "CDDB");
  EXPECT_TRUE(NewRequests().empty());
}

TEST_F(MusicBrainzComponentTest, WhatIsNoImageIsNoCover) {
  ServeMusicBrainzDisc(toc_, ReleasesJson({Release(kRelease1, "GB", "2001", "Brainz Records")}));
  ServeCover(kRelease1, "<html>no image</html>");
  ASSERT_EQ(Lookup().status, kCddbOk);
  EXPECT_EQ(component_.ExactMatch()->source, "MusicBrainz");
  EXPECT_FALSE(std::filesystem::exists(CoverFile()));
  // No server for covers: a MusicBrainz test server alone fetches none.
  SetEnvironmentVariableA(kCoverArtUrlVariable, nullptr);
  ServeCover(kRelease1, TestCoverBytes());
  ASSERT_EQ(Lookup().status, kCddbOk);
  EXPECT_FALSE(std::filesystem::exists(CoverFile()));
  EXPECT_EQ(NewRequests().size(), 1u);
}

}  // namespace
