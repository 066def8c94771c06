// "Query CDDB..." when MusicBrainz knows the disc (the loopback
// MusicBrainz-style server): one release, three pressings, a multi-artist
// release, a busy service, garbage and no release; the texts reach the track
// list, the disc cache and a rip, and the cover lands in the cache folder.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <filesystem>
#include <fstream>

#include "cdrom/virtual/disc_image_writer.h"
#include "cdrom/virtual/virtual_drive.h"
#include "discinfo/cddb/cddb_component.h"
#include "resources/resource.h"
#include "tests/core/test_folders.h"
#include "tests/harness/cddb_component_steps_win.h"
#include "tests/harness/harness.h"
#include "tests/harness/query_window_steps_win.h"
#include "tests/harness/musicbrainz_test_server_win.h"

namespace {

const DWORD kTimeout = 60000;

const char* kFirst = "bbbbbbbb-0000-0000-0000-000000000001";
const char* kSecond = "bbbbbbbb-0000-0000-0000-000000000002";
const char* kThird = "bbbbbbbb-0000-0000-0000-000000000003";

class MusicBrainzQueryTest : public ::testing::Test, protected CQueryWindowSteps {
 protected:
  MusicBrainzQueryTest() : CQueryWindowSteps(program_, main_) {}
  void SetUp() override {
    if (MusicBrainzServerUrl("normal").empty()) GTEST_SKIP() << "no loopback MusicBrainz server";
    DeleteProgramKey();
    StoreComponentValue("UserHandle", "tester");
    StoreComponentValue("UserEmail", "tester@example.org");
    StoreComponentValue("Sources", nullptr);
    folder_ = MakeTestFolder("e2e-musicbrainz");
    cue_ = folder_ + "disc.cue";
    ASSERT_TRUE(WriteQueryDisc(cue_, 41, toc_));
    drives_ = std::make_unique<CScopedEnvironment>(kVirtualDrivesVariable, "V=" + cue_);
    StoreString("CACHEDIRECTORY", folder_ + "cddb-cache");
    RemoveServedCddbEntries();
    RemoveServedMusicBrainz();
  }
  void TearDown() override {
    if (!CddbServerFolder().empty()) {
      RemoveServedCddbEntries();
      RemoveServedMusicBrainz();
    }
    StoreComponentValue("Sources", nullptr);
    DeleteProgramKey();
  }

  HWND Start(const std::string& scenario) {
    environment_.clear();
    environment_.push_back(std::make_unique<CScopedEnvironment>(kCddbServerUrlVariable, CddbServerUrl("normal")));
    for (const char* name : {kMusicBrainzUrlVariable, kCoverArtUrlVariable})
      environment_.push_back(std::make_unique<CScopedEnvironment>(name, MusicBrainzServerUrl(scenario)));
    EXPECT_TRUE(program_.Start());
    program_.AnswerBoxesUntilMainWindow(kTimeout, &main_);
    EXPECT_NE(main_, nullptr);
    return main_;
  }

  std::string Title(int row) { return ListViewText(GetDlgItem(main_, IDC_TRACK_LIST), row, 1); }

  // The matched-disc page's caption, once the page shows.
  std::string InfoCaption(HWND query) {
    HWND artist = WaitForVisible(query, IDC_QUERY_ARTIST);
    return artist ? WindowText(GetDlgItem(GetParent(artist), IDC_QUERY_INFO_CAPTION)) : "<no page>";
  }

  void Close() {
    PostMessageA(main_, WM_CLOSE, 0, 0);
    EXPECT_TRUE(program_.WaitForExit(kTimeout));
  }

  std::filesystem::path CoverFile() {
    return HostFolder(folder_ + "cddb-cache\\covers\\" + CddbDiscIdText(CddbDiscId(toc_)) + ".jpg");
  }

  CDDB_TOC toc_;
  std::string folder_, cue_;
  std::unique_ptr<CScopedEnvironment> drives_;
  std::vector<std::unique_ptr<CScopedEnvironment>> environment_;
  CProgramUnderTest program_{"musicbrainz"};
  HWND main_ = nullptr;
};

TEST_F(MusicBrainzQueryTest, OneReleaseFillsTheTitlesTheCacheTheRipAndTheCover) {
  ServeMusicBrainzDisc(toc_, ReleasesJson({{kFirst, "Brainz Live", "The Brainz", "2004-06-07", "DE", "Hirn Records",
                                            {{"Anfang"}, {"Mitte"}, {"Caf\xC3\xA9 Ende"}}}}));
  ServeCover(kFirst, TestCoverBytes());
  ServeCddbEntry(toc_, {"rock", "The Testers", "Never Shown", "1999", {"X", "Y", "Z"}});
  StoreString("NAMINGRULE", "<artist>\\<album>\\<number>-<title>");
  StoreString("OUTPUTFOLDER", folder_ + "out");
  ASSERT_NE(Start("normal"), nullptr);
  HWND query = Query();
  ASSERT_NE(query, nullptr);
  EXPECT_EQ(InfoCaption(query), "MusicBrainz found this matched disc:");
  EXPECT_EQ(WindowText(FindVisibleDescendant(query, IDC_QUERY_ARTIST)), "Artist: The Brainz");
  EXPECT_EQ(WindowText(FindVisibleDescendant(query, IDC_QUERY_TITLE)), "Title: Brainz Live");
  EXPECT_EQ(WindowText(FindVisibleDescendant(query, IDC_QUERY_YEAR)), "Year: 2004");
  SaveScreenshot(ArtifactFolder() + "musicbrainz-query-info.bmp");
  ClickButton(query, IDC_QUERY_OK);
  ASSERT_TRUE(WaitForClosed(query));
  EXPECT_EQ(Title(0), "Anfang");
  EXPECT_EQ(Title(2), "Caf\xE9 Ende");
  EXPECT_TRUE(std::filesystem::exists(CoverFile()));

  PostMessageA(main_, WM_COMMAND, ID_EDIT_SELECT_NONE, 0);
  PostMessageA(main_, WM_COMMAND, ID_EDIT_INVERT, 0);
  PostMessageA(main_, WM_COMMAND, ID_ACTION_EXTRACT, 0);
  HWND finished = WaitForWindowTitled(program_.ProcessId(), "Finished", kTimeout);
  ASSERT_NE(finished, nullptr);
  ClickButton(finished, IDOK);
  std::ifstream file(HostFolder(folder_ + "out\\The Brainz\\Brainz Live\\01-Anfang.MP3"), std::ios::binary);
  std::string mp3((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  ASSERT_GT(mp3.size(), 128u);
  std::string tag = mp3.substr(mp3.size() - 128);
  EXPECT_EQ(tag.substr(0, 3), "TAG");
  EXPECT_EQ(tag.substr(3, 6), "Anfang");
  EXPECT_EQ(tag.substr(33, 10), "The Brainz");
  EXPECT_EQ(tag.substr(63, 11), "Brainz Live");
  EXPECT_EQ(tag.substr(93, 4), "2004");
  Close();
  EXPECT_EQ(Cached("TRACKS", "01"), "Anfang");
  EXPECT_EQ(Cached("ARTIST", "02"), "The Brainz");
  EXPECT_EQ(Cached("YEAR", "02"), "2004");
  EXPECT_EQ(Cached("DISC", "Artist"), "The Brainz");
}

TEST_F(MusicBrainzQueryTest, ThreePressingsAreListedWithTheirReleaseDateCountryAndLabel) {
  std::vector<SERVED_TRACK> tracks = {{"Eins"}, {"Zwei"}, {"Drei"}};
  ServeMusicBrainzDisc(toc_, ReleasesJson({{kFirst, "Pressed", "The Brainz", "2004-06-07", "DE", "Hirn Records", tracks},
                                           {kSecond, "Pressed", "The Brainz", "2004-09", "US", "Brain America",
                                            {{"One"}, {"Two"}, {"Three"}}},
                                           {kThird, "Pressed", "The Brainz", "2005", "JP", "Nou Japan", tracks}}));
  ASSERT_NE(Start("normal"), nullptr);
  HWND query = Query();
  ASSERT_NE(query, nullptr);
  HWND list = WaitForVisible(query, IDC_QUERY_MATCH_LIST);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(WindowText(GetDlgItem(GetParent(list), IDC_QUERY_MATCH_CAPTION)), "MusicBrainz found some potential matches:");
  EXPECT_EQ(ListViewText(list, 0, 0), "1");
  EXPECT_EQ(ListViewText(list, 1, 1), "Pressed");
  EXPECT_EQ(ListViewText(list, 1, 2), "The Brainz");
  EXPECT_EQ(ListViewText(list, 0, 3), "2004-06-07 DE");
  EXPECT_EQ(ListViewText(list, 1, 3), "2004-09 US");
  EXPECT_EQ(ListViewText(list, 1, 4), "Brain America");
  EXPECT_EQ(ListViewText(list, 2, 3), "2005 JP");
  // What tells the pressings apart shows whole, and nothing needs scrolling.
  HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
  ASSERT_EQ(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0), 5);
  auto textWidth = [list](const char* text) { return ListViewStringWidth(list, text); };
  EXPECT_GT(SendMessageA(list, LVM_GETCOLUMNWIDTH, 3, 0), textWidth("2004-06-07 DE"));
  EXPECT_GT(SendMessageA(list, LVM_GETCOLUMNWIDTH, 4, 0), textWidth("Brain America"));
  EXPECT_GE(SendMessageA(list, LVM_GETCOLUMNWIDTH, 1, 0), 40);  // the titles keep room too
  RECT area = {};
  GetClientRect(list, &area);
  LRESULT widths = 0;
  for (int column = 0; column < 5; ++column) widths += SendMessageA(list, LVM_GETCOLUMNWIDTH, column, 0);
  EXPECT_LE(widths, area.right - area.left);
  Sleep(300);  // painted
  SaveScreenshot(ArtifactFolder() + "musicbrainz-query-list.bmp");

  HighlightListRow(list, 1);
  ClickButton(query, IDC_QUERY_OK);
  EXPECT_EQ(InfoCaption(query), "MusicBrainz found this matched disc:");
  ClickButton(query, IDC_QUERY_OK);
  ASSERT_TRUE(WaitForClosed(query));
  EXPECT_EQ(Title(0), "One");
  EXPECT_EQ(Title(2), "Three");
  Close();
  EXPECT_EQ(Cached("TRACKS", "02"), "Two");
}

TEST_F(MusicBrainzQueryTest, AMultiArtistReleaseGivesEachTrackItsArtist) {
  ServeMusicBrainzDisc(toc_, ReleasesJson({{kFirst, "Mixed Bag", "Various Artists", "1998", "XE", "Mix",
                                            {{"Song A", "Ann"}, {"Song B", "Bob"}, {"Song C", "Cid"}}}}));
  ASSERT_NE(Start("normal"), nullptr);
  HWND query = Query();
  ASSERT_NE(query, nullptr);
  EXPECT_EQ(InfoCaption(query), "MusicBrainz found this matched disc:");
  ClickButton(query, IDC_QUERY_OK);
  ASSERT_TRUE(WaitForClosed(query));
  EXPECT_EQ(Title(1), "Song B");
  Close();
  EXPECT_EQ(Cached("ARTIST", "01"), "Ann");
  EXPECT_EQ(Cached("ARTIST", "03"), "Cid");
  EXPECT_EQ(Cached("DISC", "Artist"), "Various Artists");
}

TEST_F(MusicBrainzQueryTest, ABusyServiceStillAnswersAfterItsBackOff) {
  ServeMusicBrainzDisc(toc_, ReleasesJson({{kFirst, "Patience", "The Brainz", "2010", "GB", "Wait Records",
                                            {{"Slow"}, {"Slower"}, {"Slowest"}}}}));
  ASSERT_NE(Start("busy"), nullptr);
  HWND query = Query();
  ASSERT_NE(query, nullptr);
  EXPECT_EQ(InfoCaption(query), "MusicBrainz found this matched disc:");
  EXPECT_EQ(WindowText(FindVisibleDescendant(query, IDC_QUERY_TITLE)), "Title: Patience");
  ClickButton(query, IDC_QUERY_CANCEL);
  EXPECT_TRUE(WaitForClosed(query));
  Close();
}

TEST_F(MusicBrainzQueryTest, GarbageFromTheServiceLeavesTheQueryToCddb) {
  ServeCddbEntry(toc_, {"rock", "The Testers", "From CDDB", "1999", {"X", "Y", "Z"}});
  ASSERT_NE(Start("garbage"), nullptr);
  HWND query = Query();
  ASSERT_NE(query, nullptr);
  EXPECT_EQ(InfoCaption(query), "CDDB found this matched disc:");
  EXPECT_EQ(WindowText(FindVisibleDescendant(query, IDC_QUERY_TITLE)), "Title: From CDDB");
  ClickButton(query, IDC_QUERY_CANCEL);
  EXPECT_TRUE(WaitForClosed(query));
  Close();
}

TEST_F(MusicBrainzQueryTest, NoReleaseAndNoEntryShowNoMatch) {
  ASSERT_NE(Start("normal"), nullptr);
  HWND query = Query();
  ASSERT_NE(query, nullptr);
  ASSERT_NE(WaitForVisible(query, IDC_QUERY_SUBMIT_IN_PLACE), nullptr);
  EXPECT_EQ(WindowText(GetDlgItem(query, IDC_QUERY_CANCEL)), "Close");
  ClickButton(query, IDC_QUERY_CANCEL);
  EXPECT_TRUE(WaitForClosed(query));
  EXPECT_EQ(Title(0), "Track 1");
  Close();
}

}  // namespace
