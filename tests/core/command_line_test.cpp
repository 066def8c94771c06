// The command line the shell extension writes, and what users type by hand.
#include <gtest/gtest.h>

#include "app/command_line.h"

namespace {

TEST(CommandLineTest, ExtensionLineGivesTracksDriveAndFolder) {
  const std::string line = "-A1,3,4  -DE -FD:\\Music";
  EXPECT_EQ(FindDriveOption(line), 'E');
  COMMAND_LINE_OPTIONS options = ParseTrackAndFolderOptions(line);
  EXPECT_EQ(options.tracks, (std::vector<int>{1, 3, 4}));
  EXPECT_TRUE(options.hasFolder);
  EXPECT_EQ(options.folder, "D:\\MUSIC\\");  // the whole line is upper-cased first
}

TEST(CommandLineTest, LowerCaseOptionsWorkForTracksAndFolder) {
  COMMAND_LINE_OPTIONS options = ParseTrackAndFolderOptions("-a2,5  -de");
  EXPECT_EQ(options.tracks, (std::vector<int>{2, 5}));
  EXPECT_FALSE(options.hasFolder);
}

TEST(CommandLineTest, DriveOptionNeedsALetterAfterIt) {
  EXPECT_EQ(FindDriveOption("-A2,5  -DE"), 'E');
  EXPECT_EQ(FindDriveOption("-A2,5  -D"), 0);
  EXPECT_EQ(FindDriveOption("-A2,5"), 0);
  EXPECT_EQ(FindDriveOption(""), 0);
}

TEST(CommandLineTest, TrackListStopsAtTheFirstNonNumber) {
  EXPECT_EQ(ParseTrackAndFolderOptions("-A 7, 8,x,9").tracks, (std::vector<int>{7, 8}));
  EXPECT_EQ(ParseTrackAndFolderOptions("-A").tracks, (std::vector<int>{}));
  EXPECT_EQ(ParseTrackAndFolderOptions("-Ax,1").tracks, (std::vector<int>{}));
  EXPECT_EQ(ParseTrackAndFolderOptions("-DE").tracks, (std::vector<int>{}));  // no -A at all
}

TEST(CommandLineTest, AtMostHundredTracksAreKept) {
  std::string line = "-A";
  for (int i = 1; i <= 150; ++i) line += std::to_string(i) + (i < 150 ? "," : "");
  COMMAND_LINE_OPTIONS options = ParseTrackAndFolderOptions(line);
  ASSERT_EQ(options.tracks.size(), 100u);
  EXPECT_EQ(options.tracks.back(), 100);
}

TEST(CommandLineTest, HugeNumbersDoNotOverflow) {
  COMMAND_LINE_OPTIONS options = ParseTrackAndFolderOptions("-A99999999999999999999,2");
  ASSERT_EQ(options.tracks.size(), 2u);
  EXPECT_EQ(options.tracks[1], 2);
  EXPECT_TRUE(RowsForTrackNumbers(options.tracks, 4) == std::vector<int>{1});
}

TEST(CommandLineTest, FolderKeepsInnerSpacesAndGetsOneBackslash) {
  COMMAND_LINE_OPTIONS options = ParseTrackAndFolderOptions("-A1  -DE -FC:\\My Music\\Rips\\  ");
  EXPECT_EQ(options.folder, "C:\\MY MUSIC\\RIPS\\");
  EXPECT_FALSE(ParseTrackAndFolderOptions("-A1  -DE -F   ").hasFolder);
}

TEST(CommandLineTest, RowsAreChosenOnlyForTracksOnTheDisc) {
  EXPECT_EQ(RowsForTrackNumbers({2, 5}, 4), (std::vector<int>{1}));
  EXPECT_EQ(RowsForTrackNumbers({7}, 4), (std::vector<int>{}));
  // Zero and negative numbers name no row.
  EXPECT_EQ(RowsForTrackNumbers({0, -1, 1}, 4), (std::vector<int>{0}));
}

}  // namespace
