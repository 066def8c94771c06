// The success panel's actions: which player starts with what arguments,
// and the M3U play list written to disk.
#include "jobs/completion.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/core/test_folders.h"

namespace {

struct LAUNCH {
  std::string player;
  std::string arguments;
};

// Records every launch; fails the one numbered failAt (1-based) on.
class CLaunchRecorder {
 public:
  explicit CLaunchRecorder(size_t failAt = 0) : failAt_(failAt) {}
  PlayerLauncher Launcher() {
    return [this](const std::string& player, const std::string& arguments) {
      launches.push_back({player, arguments});
      return failAt_ == 0 || launches.size() < failAt_;
    };
  }
  std::vector<LAUNCH> launches;

 private:
  size_t failAt_;
};

const std::vector<std::string> kThreeTracks = {"C:\\Music\\Intro.mp3", "C:\\Music\\Long Song.mp3",
                                               "D:\\out\\Finale.mp3"};

TEST(CompletionTest, ChoosingThePlayer) {
  int lookups = 0;
  auto systemPlayer = [&lookups] {
    ++lookups;
    return std::string("C:\\Players\\system.exe");
  };
  PLAYER_CHOICE configured = ChoosePlayer({"C:\\amp\\amp.exe  \t", "/add"}, systemPlayer);
  EXPECT_EQ(configured.player, "C:\\amp\\amp.exe");
  EXPECT_EQ(configured.parameters, "/add");
  EXPECT_EQ(lookups, 0) << "the system's player is asked only without a configured one";

  // A blank setting means the system's player, and its parameters are not
  // meant for that player.
  PLAYER_CHOICE system = ChoosePlayer({"   ", "/add"}, systemPlayer);
  EXPECT_EQ(system.player, "C:\\Players\\system.exe");
  EXPECT_EQ(system.parameters, "");
  EXPECT_EQ(lookups, 1);
  EXPECT_EQ(ChoosePlayer({"", ""}, [] { return std::string(); }).player, "");
  EXPECT_EQ(ChoosePlayer({"", ""}, nullptr).player, "");
}

TEST(CompletionTest, ThreeTracksStartThePlayerThreeTimesWithOneQuotedPathEach) {
  CLaunchRecorder recorder;
  ASSERT_EQ(PlayOutputs({"C:\\Players\\play1.exe", ""}, kThreeTracks, recorder.Launcher()), PLAY_RESULT::Played);
  ASSERT_EQ(recorder.launches.size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(recorder.launches[i].player, "C:\\Players\\play1.exe");
    EXPECT_EQ(recorder.launches[i].arguments, "\"" + kThreeTracks[i] + "\"");
  }
}

TEST(CompletionTest, ParametersComeBeforeEachQuotedPath) {
  CLaunchRecorder recorder;
  ASSERT_EQ(PlayOutputs({"amp.exe", "/add"}, kThreeTracks, recorder.Launcher()), PLAY_RESULT::Played);
  ASSERT_EQ(recorder.launches.size(), 3u);
  EXPECT_EQ(recorder.launches[0].arguments, "/add \"C:\\Music\\Intro.mp3\"");
  EXPECT_EQ(recorder.launches[1].arguments, "/add \"C:\\Music\\Long Song.mp3\"");
  EXPECT_EQ(PlayerArguments("/play /new", "a.mp3"), "/play /new \"a.mp3\"");
}

TEST(CompletionTest, NothingStartsWithoutAPlayerOrWithoutFiles) {
  CLaunchRecorder recorder;
  EXPECT_EQ(PlayOutputs({"", "/add"}, kThreeTracks, recorder.Launcher()), PLAY_RESULT::NoPlayer);
  // The missing player is reported first, as the user can mend that.
  EXPECT_EQ(PlayOutputs({"", ""}, {}, recorder.Launcher()), PLAY_RESULT::NoPlayer);
  EXPECT_EQ(PlayOutputs({"amp.exe", ""}, {}, recorder.Launcher()), PLAY_RESULT::NoItems);
  EXPECT_TRUE(recorder.launches.empty());
}

TEST(CompletionTest, AFailedLaunchStopsTheRest) {
  CLaunchRecorder recorder(2);
  EXPECT_EQ(PlayOutputs({"amp.exe", ""}, kThreeTracks, recorder.Launcher()), PLAY_RESULT::LaunchFailed);
  EXPECT_EQ(recorder.launches.size(), 2u);
}

std::string ReadAll(const std::string& windowsPath) {
  std::ifstream in(HostFolder(windowsPath), std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(CompletionTest, PlayListLinesEndInALineFeedOnly) {
  EXPECT_EQ(PlayListText(kThreeTracks), "C:\\Music\\Intro.mp3\nC:\\Music\\Long Song.mp3\nD:\\out\\Finale.mp3\n");
  EXPECT_EQ(PlayListText({}), "");
}

TEST(CompletionTest, APlayListMadeTwiceHoldsThePathsTwice) {
  std::string list = MakeTestFolder("completion-twice") + "list.m3u";
  ASSERT_TRUE(AppendPlayList(list, kThreeTracks));
  EXPECT_EQ(ReadAll(list), PlayListText(kThreeTracks));
  ASSERT_TRUE(AppendPlayList(list, kThreeTracks));
  EXPECT_EQ(ReadAll(list), PlayListText(kThreeTracks) + PlayListText(kThreeTracks));
}

TEST(CompletionTest, AppendingToAListWhoseLastLineHasNoLineFeed) {
  std::string folder = MakeTestFolder("completion-unended");
  std::string list = folder + "old.m3u";
  {
    std::ofstream out(HostFolder(list), std::ios::binary);
    out << "#EXTM3U\r\nC:\\old.mp3";
  }
  ASSERT_TRUE(AppendPlayList(list, {"C:\\new.mp3"}));
  EXPECT_EQ(ReadAll(list), "#EXTM3U\r\nC:\\old.mp3\nC:\\new.mp3\n");
}

TEST(CompletionTest, PlayListFileErrorsAreReported) {
  std::string folder = MakeTestFolder("completion-errors");
  // A folder that does not exist cannot hold the list.
  EXPECT_FALSE(AppendPlayList(folder + "missing\\list.m3u", kThreeTracks));
  // A folder in the list's place is no file to write.
  std::filesystem::create_directories(HostFolder(folder + "taken.m3u"));
  EXPECT_FALSE(AppendPlayList(folder + "taken.m3u", kThreeTracks));
}

}  // namespace
