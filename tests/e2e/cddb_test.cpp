// "Query CDDB..." against the loopback CDDB server that the test run starts:
// one exact match, several, none, a server that never answers, Cancel; the
// accepted texts reach the track list, the disc cache and a rip.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <tlhelp32.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <fstream>

#include "cdrom/virtual/disc_image_writer.h"
#include "cdrom/virtual/virtual_drive.h"
#include "discinfo/cddb/cddb_component.h"
#include "discinfo/cddb/cddb_toc.h"
#include "resources/resource.h"
#include "tests/core/test_folders.h"
#include "tests/harness/cddb_test_server_win.h"
#include "tests/harness/harness.h"
#include "tests/harness/query_window_steps_win.h"

namespace {

const DWORD kTimeout = 60000;

void StoreComponentUser() {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kCddbComponentKeyPath, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  for (auto [name, value] : {std::pair{"UserHandle", "tester"}, std::pair{"UserEmail", "tester@example.org"}})
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), static_cast<DWORD>(strlen(value) + 1));
  RegCloseKey(key);
}

class CddbTest : public ::testing::Test, protected CQueryWindowSteps {
 protected:
  CddbTest() : CQueryWindowSteps(program_, main_) {}
  void SetUp() override {
    if (CddbServerFolder().empty()) GTEST_SKIP() << "no loopback CDDB server (CANTARO_CDDB_SERVER_ROOT)";
    DeleteProgramKey();
    StoreComponentUser();
    folder_ = MakeTestFolder("e2e-cddb");
    cue_ = folder_ + "disc.cue";
    ASSERT_TRUE(WriteQueryDisc(cue_, 37, toc_));
    drives_ = std::make_unique<CScopedEnvironment>(kVirtualDrivesVariable, "V=" + cue_);
    StoreString("CACHEDIRECTORY", folder_ + "cddb-cache");
    RemoveServedCddbEntries();
  }
  void TearDown() override {
    if (!CddbServerFolder().empty()) RemoveServedCddbEntries();
    DeleteProgramKey();
  }

  // Whether the server's request log holds a request with this text.
  bool ServerHasSeen(const std::string& text) {
    std::ifstream log(HostFolder(CddbServerFolder() + "requests.log"));
    std::string line;
    size_t count = 0;
    while (std::getline(log, line))
      if (count++ >= requestsBefore_ && line.find(text) != std::string::npos) return true;
    return false;
  }

  std::string DiscId() const { return CddbDiscIdText(CddbDiscId(toc_)); }

  void ServeEntry(const SERVED_ENTRY& entry) { ServeCddbEntry(toc_, entry); }

  HWND Start(const std::string& scenario) {
    std::ifstream log(HostFolder(CddbServerFolder() + "requests.log"));
    std::string line;
    for (requestsBefore_ = 0; std::getline(log, line);) ++requestsBefore_;
    url_.reset();  // before the next is set: the old one clears the variable as it goes
    url_ = std::make_unique<CScopedEnvironment>(kCddbServerUrlVariable, CddbServerUrl(scenario));
    EXPECT_TRUE(program_.Start());
    program_.AnswerBoxesUntilMainWindow(kTimeout, &main_);
    EXPECT_NE(main_, nullptr);
    return main_;
  }

  void Screenshot(const char* name) { SaveScreenshot(ArtifactFolder() + name); }

  std::string Title(int row) { return ListViewText(GetDlgItem(main_, IDC_TRACK_LIST), row, 1); }

  void Rename(int row, const char* title) {
    HighlightListRow(GetDlgItem(main_, IDC_TRACK_LIST), row);
    PostMessageA(main_, WM_COMMAND, ID_EDIT_RENAME, 0);
    HWND dialog = WaitForWindowTitled(program_.ProcessId(), "Rename", kTimeout);
    ASSERT_NE(dialog, nullptr);
    SendDlgItemMessageA(dialog, IDC_RENAME_EDIT, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(title));
    ClickButton(dialog, IDOK);
    WaitForClosed(dialog);
  }

  // Opens the submission window and waits for its edit page.
  HWND SubmitWindowAtEditPage() {
    PostMessageA(main_, WM_COMMAND, ID_ACTION_SUBMIT_CDDB, 0);
    HWND submit = WaitForWindowTitled(program_.ProcessId(), "Submitting to CDDB", kTimeout);
    if (submit && !WaitForVisible(submit, IDC_SUBMIT_ARTIST)) return nullptr;
    return submit;
  }

  static void SetEditText(HWND page, int id, const char* text) {
    SendDlgItemMessageA(page, id, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
  }

  // The lines of the server's log since the program started.
  std::vector<std::string> ServerLog() {
    std::ifstream log(HostFolder(CddbServerFolder() + "requests.log"));
    std::vector<std::string> lines;
    std::string line;
    for (size_t count = 0; std::getline(log, line); ++count)
      if (count >= requestsBefore_) lines.push_back(line);
    return lines;
  }

  // The fewest threads the program has over two seconds: threads that come
  // and go (the system's pools, a command ending) do not count, one that
  // stays blocked does.
  int SettledProgramThreads() {
    int fewest = INT_MAX;
    for (int i = 0; i < 20; ++i, Sleep(100)) fewest = std::min(fewest, ProgramThreads());
    return fewest;
  }

  int ProgramThreads() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry = {sizeof(entry)};
    int count = 0;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
      if (entry.th32OwnerProcessID == program_.ProcessId()) ++count;
    CloseHandle(snapshot);
    return count;
  }

  DWORD ProgramHandles() {
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, program_.ProcessId());
    DWORD count = 0;
    GetProcessHandleCount(process, &count);
    CloseHandle(process);
    return count;
  }

  void Close() {
    PostMessageA(main_, WM_CLOSE, 0, 0);
    EXPECT_TRUE(program_.WaitForExit(kTimeout));
  }

  CDDB_TOC toc_;
  std::string folder_, cue_;
  std::unique_ptr<CScopedEnvironment> drives_, url_;
  CProgramUnderTest program_{"cddb"};
  HWND main_ = nullptr;
  size_t requestsBefore_ = 0;
};

TEST_F(CddbTest, ExactMatchFillsTheTitlesWhichTheCacheKeepsAndARipUses) {
  ServeEntry({"rock", "The Testers", "Loopback Live", "1999", {"Opening", "Middle \\\\ Part", "Caf\xC3\xA9 Closing"}});
  StoreString("NAMINGRULE", "<artist>\\<album>\\<number>-<title>");
  StoreString("OUTPUTFOLDER", folder_ + "out");
  ASSERT_NE(Start("normal"), nullptr);
  HWND query = Query();
  ASSERT_NE(query, nullptr);
  HWND artist = WaitForVisible(query, IDC_QUERY_ARTIST);
  ASSERT_NE(artist, nullptr);
  EXPECT_EQ(WindowText(artist), "Artist: The Testers");
  EXPECT_EQ(WindowText(FindVisibleDescendant(query, IDC_QUERY_TITLE)), "Title: Loopback Live");
  EXPECT_EQ(WindowText(FindVisibleDescendant(query, IDC_QUERY_YEAR)), "Year: 1999");
  EXPECT_EQ(FindVisibleDescendant(query, IDC_QUERY_SUBMIT_ABOVE), nullptr);
  Screenshot("cddb-query-info.bmp");
  ClickButton(GetParent(artist), IDC_QUERY_MORE_INFO);  // the button lies on the info page
  HWND editor = WaitForWindowTitled(program_.ProcessId(), "Disc Information", kTimeout);
  ASSERT_NE(editor, nullptr);
  Sleep(500);  // painted
  Screenshot("cddb-disc-editor.bmp");
  ClickButton(editor, IDCANCEL);
  ASSERT_TRUE(WaitForClosed(editor));
  ClickButton(query, IDC_QUERY_OK);
  ASSERT_TRUE(WaitForClosed(query));
  EXPECT_EQ(Title(0), "Opening");
  EXPECT_EQ(Title(1), "Middle \\ Part");
  EXPECT_EQ(Title(2), "Caf\xE9 Closing");  // UTF-8 from the server, ANSI in the program

  PostMessageA(main_, WM_COMMAND, ID_EDIT_SELECT_NONE, 0);
  PostMessageA(main_, WM_COMMAND, ID_EDIT_INVERT, 0);  // all checked
  PostMessageA(main_, WM_COMMAND, ID_ACTION_EXTRACT, 0);
  HWND finished = WaitForWindowTitled(program_.ProcessId(), "Finished", kTimeout);
  ASSERT_NE(finished, nullptr);
  ClickButton(finished, IDOK);
  std::ifstream file(HostFolder(folder_ + "out\\The Testers\\Loopback Live\\01-Opening.MP3"), std::ios::binary);
  std::string mp3((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  ASSERT_GT(mp3.size(), 128u);
  std::string tag = mp3.substr(mp3.size() - 128);
  EXPECT_EQ(tag.substr(3, 7), "Opening");
  EXPECT_EQ(tag.substr(33, 11), "The Testers");
  EXPECT_EQ(tag.substr(63, 13), "Loopback Live");
  Close();
  EXPECT_EQ(Cached("ARTIST", "02"), "The Testers");  // a single artist: the disc's artist and year
  EXPECT_EQ(Cached("YEAR", "02"), "1999");
  EXPECT_EQ(Cached("DISC", "Genre"), "Rock");

  // The texts come back from the disc cache on the next start.
  ASSERT_NE(Start("normal"), nullptr);
  EXPECT_EQ(Title(0), "Opening");
  EXPECT_EQ(Title(2), "Caf\xE9 Closing");
  Close();
}

TEST_F(CddbTest, SeveralMatchesShowTheListAndTheChosenOneIsRead) {
  ServeEntry({"rock", "First Band", "First Album", "2001", {"A1", "A2", "A3"}});
  ServeEntry({"jazz", "Various", "Second Album", "2002", {"Ann / B1", "Bob / B2", "Cid / B3"}});
  ASSERT_NE(Start("normal"), nullptr);
  HWND query = Query();
  ASSERT_NE(query, nullptr);
  HWND list = WaitForVisible(query, IDC_QUERY_MATCH_LIST);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(ListViewText(list, 0, 0), "1");
  EXPECT_NE(FindVisibleDescendant(query, IDC_QUERY_SUBMIT_ABOVE), nullptr);
  std::string secondTitle = ListViewText(list, 1, 1);
  int second = secondTitle == "Second Album" ? 1 : 0;
  EXPECT_EQ(ListViewText(list, second, 2), "Various");
  Screenshot("cddb-query-list.bmp");

  SetListRowState(list, 0, 0, LVIS_SELECTED | LVIS_FOCUSED);
  ClickButton(query, IDC_QUERY_OK);
  EXPECT_EQ(program_.WaitForMessageBox(kTimeout), "Please select an item!");
  EXPECT_NE(FindVisibleDescendant(query, IDC_QUERY_MATCH_LIST), nullptr);

  HighlightListRow(list, second);
  ClickButton(query, IDC_QUERY_OK);
  HWND artist = WaitForVisible(query, IDC_QUERY_ARTIST);
  ASSERT_NE(artist, nullptr);
  EXPECT_EQ(WindowText(artist), "Artist: Various");
  ClickButton(query, IDC_QUERY_OK);
  ASSERT_TRUE(WaitForClosed(query));
  EXPECT_EQ(Title(0), "B1");  // the track's own artist goes to its entry, not to the title
  EXPECT_EQ(Title(2), "B3");
  Close();
  EXPECT_EQ(Cached("ARTIST", "01"), "Ann");
  EXPECT_EQ(Cached("ARTIST", "03"), "Cid");
  EXPECT_EQ(Cached("ALBUM", "03"), "Second Album");
  EXPECT_EQ(Cached("DISC", "Artist"), "Various");
  EXPECT_EQ(Cached("DISC", "Genre"), "Jazz");
}

TEST_F(CddbTest, NoMatchOffersSubmitNewAndClosesOnClose) {
  ASSERT_NE(Start("normal"), nullptr);
  HWND query = Query();
  ASSERT_NE(query, nullptr);
  ASSERT_NE(WaitForVisible(query, IDC_QUERY_SUBMIT_IN_PLACE), nullptr);
  EXPECT_EQ(FindVisibleDescendant(query, IDC_QUERY_OK), nullptr);
  EXPECT_EQ(WindowText(GetDlgItem(query, IDC_QUERY_CANCEL)), "Close");
  Screenshot("cddb-query-no-match.bmp");
  ClickButton(query, IDC_QUERY_CANCEL);
  EXPECT_TRUE(WaitForClosed(query));
  EXPECT_EQ(Title(0), "Track 1");
  Close();
}

TEST_F(CddbTest, ServerThatNeverAnswersEndsWithTheTimeOutText) {
  StoreDword("SERVERTIMEOUT", 1500);
  ASSERT_NE(Start("slow"), nullptr);
  HWND query = Query();
  ASSERT_NE(query, nullptr);
  HWND error = WaitForVisible(query, IDC_QUERY_ERROR_TEXT);
  ASSERT_NE(error, nullptr);
  EXPECT_EQ(WindowText(error), "Command completed with FAILED result: timed-out waiting for data from server.");
  Screenshot("cddb-query-error.bmp");
  ClickButton(query, IDC_QUERY_CANCEL);
  EXPECT_TRUE(WaitForClosed(query));
  Close();
}

TEST_F(CddbTest, CancelWhileWaitingClosesOnTheCancelCompletion) {
  ServeEntry({"rock", "Never", "Shown", "2000", {"X", "Y", "Z"}});
  ASSERT_NE(Start("slow"), nullptr);
  HWND query = Query();
  ASSERT_NE(query, nullptr);
  HWND status = WaitForVisible(query, IDC_QUERY_STATUS);
  ASSERT_NE(status, nullptr);
  // Cancel once the server holds a request (the category list comes first).
  for (int i = 0; i < 400 && !ServerHasSeen("cmd=cddb"); ++i) Sleep(50);
  ASSERT_TRUE(ServerHasSeen("cmd=cddb"));
  for (int i = 0; i < 100 && WindowText(status) != "Waiting for data..."; ++i) Sleep(50);
  EXPECT_EQ(WindowText(status), "Waiting for data...");
  Screenshot("cddb-query-progress.bmp");
  ClickButton(query, IDC_QUERY_CANCEL);
  EXPECT_TRUE(WaitForClosed(query));
  EXPECT_EQ(Title(0), "Track 1");
  Close();
}

TEST_F(CddbTest, SubmissionChecksTheTextsSendsThemAndAQueryFindsThemAfter) {
  ASSERT_NE(Start("normal"), nullptr);
  Rename(0, "First Song");
  Rename(1, "Second Song");
  HWND submit = SubmitWindowAtEditPage();
  ASSERT_NE(submit, nullptr);
  HWND page = GetParent(FindVisibleDescendant(submit, IDC_SUBMIT_ARTIST));
  HWND tracks = GetDlgItem(page, IDC_SUBMIT_TRACKS);
  EXPECT_EQ(ListViewText(tracks, 2, 0), "03");
  EXPECT_EQ(ListViewText(tracks, 0, 1), "First Song");
  ClickButton(submit, IDC_SUBMIT_SUBMIT);
  EXPECT_EQ(program_.WaitForMessageBox(kTimeout), "Please input the CD Artist!");
  SetEditText(page, IDC_SUBMIT_ARTIST, "The Submitters");
  SetEditText(page, IDC_SUBMIT_TITLE, "Fresh Album");
  ClickButton(submit, IDC_SUBMIT_SUBMIT);
  EXPECT_EQ(program_.WaitForMessageBox(kTimeout), "Missing title for track #03.");
  Sleep(300);  // painted
  Screenshot("cddb-submit-edit.bmp");

  // The third title comes from the component's disc editor.
  ClickButton(page, IDC_SUBMIT_EDIT_DISC);
  HWND editor = WaitForWindowTitled(program_.ProcessId(), "Disc Information", kTimeout);
  ASSERT_NE(editor, nullptr);
  HWND edit = nullptr;
  for (int i = 0; i < 5; ++i) edit = FindWindowExA(editor, edit, "Edit", nullptr);  // the track lines
  SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("First Song\r\nSecond Song\r\nThird Song"));
  ClickButton(editor, IDOK);
  ASSERT_TRUE(WaitForClosed(editor));
  EXPECT_EQ(ListViewText(tracks, 2, 1), "Third Song");
  ClickButton(submit, IDC_SUBMIT_SUBMIT);
  ASSERT_NE(WaitForVisible(submit, IDC_SUBMIT_DONE_TEXT), nullptr);
  EXPECT_EQ(WindowText(GetDlgItem(submit, IDC_SUBMIT_CANCEL)), "Close");
  Sleep(300);
  Screenshot("cddb-submit-ok.bmp");
  ClickButton(submit, IDC_SUBMIT_CANCEL);
  ASSERT_TRUE(WaitForClosed(submit));
  EXPECT_EQ(Title(2), "Third Song");  // the record took the submitted texts

  std::string headers;
  for (const std::string& line : ServerLog()) headers += line + "\n";
  EXPECT_NE(headers.find("POST /normal/~cddb/submit.cgi"), std::string::npos) << headers;
  EXPECT_NE(headers.find("Category: misc"), std::string::npos);  // no genre: "120", no freedb category
  EXPECT_NE(headers.find("Discid: " + DiscId()), std::string::npos);
  EXPECT_NE(headers.find("User-Email: tester@example.org"), std::string::npos);
  EXPECT_NE(headers.find("Submit-Mode: test"), std::string::npos);

  // The entry the server kept, field by field.
  std::ifstream stored(HostFolder(CddbServerFolder() + "entries\\misc\\" + DiscId()));
  std::string entry((std::istreambuf_iterator<char>(stored)), std::istreambuf_iterator<char>());
  EXPECT_NE(entry.find("DISCID=" + DiscId()), std::string::npos) << entry;
  EXPECT_NE(entry.find("DTITLE=The Submitters / Fresh Album\n"), std::string::npos);
  EXPECT_NE(entry.find("DGENRE=120\n"), std::string::npos);
  EXPECT_NE(entry.find("TTITLE2=Third Song\n"), std::string::npos);
  EXPECT_NE(entry.find("# Revision: 0\n"), std::string::npos);
  EXPECT_NE(entry.find("#\t" + std::to_string(toc_.trackFrames[1]) + "\n"), std::string::npos);

  // A query now finds what was sent.
  HWND query = Query();
  ASSERT_NE(query, nullptr);
  HWND artist = WaitForVisible(query, IDC_QUERY_ARTIST);
  ASSERT_NE(artist, nullptr);
  EXPECT_EQ(WindowText(artist), "Artist: The Submitters");
  ClickButton(query, IDC_QUERY_CANCEL);
  WaitForClosed(query);
  Close();
}

TEST_F(CddbTest, AQueriedDiscEditedAndSubmittedIsFoundWithItsNewTexts) {
  ServeEntry({"rock", "Old Band", "Old Album", "1990", {"Old One", "Old Two", "Old Three"}});
  ASSERT_NE(Start("normal"), nullptr);
  HWND query = Query();
  ASSERT_NE(query, nullptr);
  ASSERT_NE(WaitForVisible(query, IDC_QUERY_ARTIST), nullptr);
  ClickButton(query, IDC_QUERY_OK);
  ASSERT_TRUE(WaitForClosed(query));
  Rename(1, "New Two");
  HWND submit = SubmitWindowAtEditPage();
  ASSERT_NE(submit, nullptr);
  ClickButton(submit, IDC_SUBMIT_SUBMIT);  // artist, album, genre and titles all came from the query
  ASSERT_NE(WaitForVisible(submit, IDC_SUBMIT_DONE_TEXT), nullptr);
  ClickButton(submit, IDC_SUBMIT_CANCEL);
  ASSERT_TRUE(WaitForClosed(submit));
  std::ifstream stored(HostFolder(CddbServerFolder() + "entries\\rock\\" + DiscId()));
  std::string entry((std::istreambuf_iterator<char>(stored)), std::istreambuf_iterator<char>());
  EXPECT_NE(entry.find("# Revision: 2\n"), std::string::npos) << entry;  // the read entry had revision 1
  EXPECT_NE(entry.find("DGENRE=Rock\n"), std::string::npos);

  // The next query reads the disc afresh, not from the cache.
  Rename(1, "Scratch");
  query = Query();
  ASSERT_NE(query, nullptr);
  ASSERT_NE(WaitForVisible(query, IDC_QUERY_ARTIST), nullptr);
  ClickButton(query, IDC_QUERY_OK);
  ASSERT_TRUE(WaitForClosed(query));
  EXPECT_EQ(Title(1), "New Two");
  Close();
}

TEST_F(CddbTest, ARefusedOrUnansweredSubmissionEndsOnTheFailurePage) {
  for (const char* scenario : {"refuse", "slow"}) {
    SCOPED_TRACE(scenario);
    if (std::string(scenario) == "slow") StoreDword("SERVERTIMEOUT", 1500);
    ASSERT_NE(Start(scenario), nullptr);
    for (int row = 0; row < 3; ++row) Rename(row, ("Song " + std::to_string(row + 1)).c_str());
    HWND submit = SubmitWindowAtEditPage();
    ASSERT_NE(submit, nullptr);
    HWND page = GetParent(FindVisibleDescendant(submit, IDC_SUBMIT_ARTIST));
    SetEditText(page, IDC_SUBMIT_ARTIST, "Someone");
    SetEditText(page, IDC_SUBMIT_TITLE, "Something");
    ClickButton(submit, IDC_SUBMIT_SUBMIT);
    HWND error = WaitForVisible(submit, IDC_SUBMIT_ERROR_TEXT);
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(WindowText(error).rfind("Command completed with FAILED result: ", 0), 0u) << WindowText(error);
    EXPECT_EQ(WindowText(error), std::string(scenario) == "slow"
                                     ? "Command completed with FAILED result: timed-out waiting for data from server."
                                     : "Command completed with FAILED result: required field is invalid..");
    Sleep(300);
    Screenshot(std::string(scenario) == "slow" ? "cddb-submit-timeout.bmp" : "cddb-submit-refused.bmp");
    ClickButton(submit, IDC_SUBMIT_CANCEL);
    EXPECT_TRUE(WaitForClosed(submit));
    Close();
  }
}

TEST_F(CddbTest, TheMusicBrowserClosesOnceTheDiscIsKnownAndLeavesNothingRunning) {
  ServeEntry({"rock", "Browsed", "Album", "2010", {"B1", "B2", "B3"}});
  ASSERT_NE(Start("normal"), nullptr);
  auto browseOnce = [&](size_t queriesBefore) {
    PostMessageA(main_, WM_COMMAND, ID_ACTION_MUSIC_BROWSER, 0);
    for (int i = 0; i < 400; ++i) {
      size_t queries = 0;
      for (const std::string& line : ServerLog()) queries += line.find("cmd=cddb+query") != std::string::npos;
      if (queries > queriesBefore && !WaitForWindowTitled(program_.ProcessId(), "CDDB Music Browser", 0)) return;
      Sleep(25);
    }
    ADD_FAILURE() << "the browser did not close";
  };
  // Threads settle over the first runs (the component, WinHTTP and the
  // system make theirs once); thirty more runs must not add any.
  for (size_t run = 0; run < 20; ++run) browseOnce(run);
  EXPECT_EQ(Title(0), "Track 1");  // one match: nothing copied
  int threadsBefore = SettledProgramThreads();
  DWORD handlesBefore = ProgramHandles();
  for (size_t run = 20; run < 50; ++run) browseOnce(run);
  EXPECT_LE(SettledProgramThreads(), threadsBefore);
  // Wine reports no handle count of another process (0); Windows does.
  if (handlesBefore != 0) {
    EXPECT_LE(ProgramHandles(), handlesBefore + 2) << "before: " << handlesBefore;
  }
  RemoveServedCddbEntries();
  browseOnce(50);  // no match closes it as well
  EXPECT_EQ(Title(0), "Track 1");

  // Several matches: the list, then the chosen one closes it.
  ServeEntry({"rock", "One", "Album", "2010", {"B1", "B2", "B3"}});
  ServeEntry({"jazz", "Two", "Album", "2011", {"C1", "C2", "C3"}});
  PostMessageA(main_, WM_COMMAND, ID_ACTION_MUSIC_BROWSER, 0);
  HWND browser = WaitForWindowTitled(program_.ProcessId(), "CDDB Music Browser", kTimeout);
  ASSERT_NE(browser, nullptr);
  HWND list = WaitForVisible(browser, IDC_QUERY_MATCH_LIST);
  ASSERT_NE(list, nullptr);
  EXPECT_NE(FindVisibleDescendant(browser, IDC_BROWSER_SUBMIT_NEW), nullptr);
  Sleep(300);
  Screenshot("cddb-browser-list.bmp");
  HighlightListRow(list, 1);
  ClickButton(browser, IDC_BROWSER_OK);
  EXPECT_TRUE(WaitForClosed(browser));
  EXPECT_EQ(Title(0), "Track 1");
  Close();
}

TEST_F(CddbTest, AnUnregisteredUserIsAskedForAHandleAndAddressFirst) {
  RegDeleteKeyA(HKEY_CURRENT_USER, kCddbComponentKeyPath);
  ASSERT_NE(Start("normal"), nullptr);
  PostMessageA(main_, WM_COMMAND, ID_ACTION_QUERY_CDDB, 0);
  HWND registration = WaitForWindowTitled(program_.ProcessId(), "CDDB Registration", kTimeout);
  ASSERT_NE(registration, nullptr);
  HWND handle = FindWindowExA(registration, nullptr, "Edit", nullptr);
  HWND email = FindWindowExA(registration, handle, "Edit", nullptr);
  ASSERT_NE(email, nullptr);
  SendMessageA(handle, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("newcomer"));
  SendMessageA(email, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("not an address"));
  Sleep(300);  // painted
  Screenshot("cddb-registration.bmp");
  ClickButton(registration, IDOK);
  EXPECT_EQ(program_.WaitForMessageBox(kTimeout),
            "Please enter a handle and an e-mail address such as name@example.org.");
  SendMessageA(email, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("newcomer@example.org"));
  ClickButton(registration, IDOK);
  HWND query = WaitForWindowTitled(program_.ProcessId(), "Querying CDDB", kTimeout);
  ASSERT_NE(query, nullptr);
  EXPECT_NE(WaitForVisible(query, IDC_QUERY_SUBMIT_IN_PLACE), nullptr);  // no entry: no match
  EXPECT_TRUE(ServerHasSeen("hello=newcomer+example.org+"));
  ClickButton(query, IDC_QUERY_CANCEL);
  EXPECT_TRUE(WaitForClosed(query));
  Close();
}

}  // namespace
