// The CDDB component against the loopback server: what a lookup and a read
// bring back, the cache, the proxy, cancelling, and how each server fault
// ends.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <algorithm>

#include "discinfo/cddb/cddb_component.h"
#include "discinfo/cddb/cddb_toc.h"
#include "tests/harness/cddb_component_steps_win.h"
#include "tests/harness/cddb_test_server_win.h"

namespace {

size_t CachedAnswers(const std::string& folder) {
  size_t count = 0;
  for (const auto& file : std::filesystem::directory_iterator(HostFolder(folder)))
    if (file.path().extension() == ".cddb") ++count;
  return count;
}

class CddbComponentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (CddbServerFolder().empty()) GTEST_SKIP() << "no loopback CDDB server (CANTARO_CDDB_SERVER_ROOT)";
    RemoveServedCddbEntries();
    StoreComponentValue("UserEmail", "tester@example.org");
    toc_.trackFrames = {150, 15000, 33000};
    toc_.leadOutFrame = 51000;
    ServeCddbEntry(toc_, {"rock", "The Testers", "Loopback", "2003", {"One", "Two", "Three"}});
    cache_ = MakeTestFolder("cddb-component");
    CCddbOptions options;
    options.cacheDirectory = cache_;
    options.timeoutMs = 10000;
    component_.ApplyOptions(options);
  }
  void TearDown() override {
    SetEnvironmentVariableA(kCddbServerUrlVariable, nullptr);
    if (!CddbServerFolder().empty()) RemoveServedCddbEntries();
  }

  void UseServer(const std::string& scenario) {
    SetEnvironmentVariableA(kCddbServerUrlVariable, CddbServerUrl(scenario).c_str());
  }

  // Pumps this thread's messages until the next completion arrives.
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

  COMPLETION Lookup(const std::string& scenario) {
    UseServer(scenario);
    component_.LookupToc(FormatCddbToc(toc_), 1);
    return WaitForCompletion();
  }

  CRecordingEvents events_;
  CCddbComponent component_{&events_};
  CDDB_TOC toc_;
  std::string cache_;
};

TEST_F(CddbComponentTest, AnExactMatchComesWithItsTracksAndItsReadIsCached) {
  COMPLETION done = Lookup("normal");
  EXPECT_EQ(done.command, kCddbLookupDone);
  EXPECT_EQ(done.status, kCddbOk);
  EXPECT_EQ(done.result.integer, kCddbMatchExact);
  std::shared_ptr<CCddbDisc> disc = component_.ExactMatch();
  ASSERT_TRUE(disc);
  EXPECT_EQ(disc->artist, "The Testers");
  EXPECT_EQ(disc->genre, "Rock");
  ASSERT_EQ(disc->TrackCount(), 3);
  EXPECT_EQ(disc->Track(3)->title, "Three");
  EXPECT_EQ(CachedAnswers(cache_), 1u);
  EXPECT_NE(std::find(events_.phases.begin(), events_.phases.end(), kCddbPhaseReceiving), events_.phases.end());

  // The read comes from the cache now: even a server that cuts answers short does no harm.
  UseServer("truncate");
  EXPECT_EQ(component_.FetchFullDisc(disc, 1), nullptr);
  done = WaitForCompletion();
  EXPECT_EQ(done.command, kCddbFullDiscReady);
  EXPECT_EQ(done.status, kCddbOk);
  ASSERT_TRUE(done.result.disc);
  EXPECT_EQ(done.result.disc->Track(1)->title, "One");

  // Once the cache is cleared the cut answer is seen for what it is.
  component_.ClearCache(1);
  EXPECT_EQ(CachedAnswers(cache_), 0u);
  component_.FetchFullDisc(disc, 1);
  EXPECT_EQ(WaitForCompletion().status, kCddbDataMalformed);
}

TEST_F(CddbComponentTest, ServerFaultsEndWithTheirFailureCodes) {
  EXPECT_EQ(Lookup("garbage").status, kCddbBadSyntax);
  EXPECT_EQ(Lookup("endless").status, kCddbTokenTooLong);
  int32_t reset = Lookup("reset").status;
  EXPECT_TRUE(reset == kCddbReceiveFailed || reset == kCddbSocketOpenFailed) << std::hex << reset;
  RemoveServedCddbEntries();
  COMPLETION none = Lookup("inexact");
  EXPECT_EQ(none.status, kCddbOk);
  EXPECT_EQ(none.result.integer, kCddbMatchNone);
  EXPECT_THROW(component_.ExactMatch(), CCddbException);
  EXPECT_THROW(component_.LookupToc("3 150 100 50", 1), CCddbException);  // not a TOC
}

TEST_F(CddbComponentTest, InexactMatchesAreListedInTheServersOrder) {
  ServeCddbEntry(toc_, {"jazz", "Other", "Take", "2004", {"A", "B", "C"}});
  COMPLETION done = Lookup("inexact");
  EXPECT_EQ(done.result.integer, kCddbMatchSeveral);
  std::shared_ptr<CCddbDiscCollection> list = component_.MatchList();
  ASSERT_EQ(list->Count(), 2);
  EXPECT_FALSE(list->Item(1)->full);
  EXPECT_EQ(list->Item(3), nullptr);
  component_.FetchFullDisc(list->Item(2), 1);
  COMPLETION read = WaitForCompletion();
  ASSERT_EQ(read.status, kCddbOk);
  EXPECT_EQ(read.result.disc->title, list->Item(2)->title);
  EXPECT_EQ(read.result.disc->TrackCount(), 3);
}

TEST_F(CddbComponentTest, TheProxyIsUsedWithItsCredentials) {
  std::string url = CddbServerUrl("proxy");
  int port = std::stoi(url.substr(url.find(':', 5) + 1));
  CCddbOptions options = *component_.ReadOptions();
  options.proxyHost = "127.0.0.1";
  options.proxyPort = port;
  component_.ApplyOptions(options);
  // A name no resolver knows: only the proxy can reach it.
  SetEnvironmentVariableA(kCddbServerUrlVariable, "http://cddb.invalid/proxy/~cddb/cddb.cgi");
  auto lookup = [&] {
    component_.LookupToc(FormatCddbToc(toc_), 1);
    return WaitForCompletion();
  };
  EXPECT_EQ(lookup().status, kCddbProxyAuthFailed);  // 407: no credentials
  options.proxyUser = "user";
  options.proxyPassword = "pass";
  component_.ApplyOptions(options);
  COMPLETION done = lookup();
  EXPECT_EQ(done.status, kCddbOk);
  EXPECT_EQ(done.result.integer, kCddbMatchExact);
}

TEST_F(CddbComponentTest, CancelEndsThePendingCommandAtOnce) {
  UseServer("slow");
  component_.LookupToc(FormatCddbToc(toc_), 1);
  component_.LookupToc(FormatCddbToc(toc_), 1);  // one command at a time
  COMPLETION busy = WaitForCompletion();
  EXPECT_EQ(busy.status, kCddbBusy);
  component_.CancelCommand();
  COMPLETION cancelled = WaitForCompletion(5000);
  EXPECT_EQ(cancelled.command, kCddbLookupDone);
  EXPECT_EQ(cancelled.status, kCddbCancelled);
  component_.CancelCommand();  // nothing pending: still answered
  COMPLETION idle = WaitForCompletion(5000);
  EXPECT_EQ(idle.command, 0);
  EXPECT_EQ(idle.status, kCddbCancelled);
  EXPECT_EQ(WaitForCompletion(500).command, -1);  // the abandoned lookup stays silent
}

}  // namespace
