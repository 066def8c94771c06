// The case rules, the clipboard text, the Move targets and a row's own
// track entry.
#include <gtest/gtest.h>

#include "app/track_commands.h"
#include "platform/case_mapping.h"

namespace {

TEST(TrackCommandsTest, CapitalizeStartsEveryWordAfterTheMarks) {
  EXPECT_EQ(CapitalizeTitle("the BEST of (live) [remix]"), "The Best Of (Live) [Remix]");
  EXPECT_EQ(CapitalizeTitle("{a}<b>c-d e.f"), "{A}<B>c-d E.f");
  EXPECT_EQ(CapitalizeTitle(""), "");
  EXPECT_EQ(CapitalizeTitle("  x"), "  X");
  // Bytes beyond ASCII are left as they are.
  EXPECT_EQ(CapitalizeTitle("\xe9t\xe9 ete"), "\xe9t\xe9 Ete");
}

TEST(TrackCommandsTest, CapitalizeLowersWithTheSystemMappingButRaisesOnlyAsciiLetters) {
  // "ÉCOLE ÉTÉ" in code page 1252: the accented capitals come down, and an
  // accented first letter is not raised again.
  EXPECT_EQ(CapitalizeTitle("\xc9"
                            "COLE \xc9T\xc9 LA"),
            "\xe9"
            "cole \xe9t\xe9 La");
  EXPECT_EQ(SystemUpperCase("\xe9t\xe9 \xff"), "\xc9T\xc9 \x9f");
  EXPECT_EQ(SystemLowerCase("\xc9T\xc9 \xd7"), "\xe9t\xe9 \xd7");  // the multiplication sign is no letter
}

TEST(TrackCommandsTest, ClipboardTextHasOneLinePerRow) {
  EXPECT_EQ(TrackListClipboardText({}), "");
  EXPECT_EQ(TrackListClipboardText({{"Intro", "01:02"}, {"", "00:10"}}), "Intro\t\t01:02\r\n\t\t00:10\r\n");
}

TEST(TrackCommandsTest, MoveTargets) {
  EXPECT_EQ(MoveTarget(MOVE_KIND::Up, 0, 5), -1);
  EXPECT_EQ(MoveTarget(MOVE_KIND::Down, 4, 5), -1);
  EXPECT_EQ(MoveTarget(MOVE_KIND::First, 0, 5), -1);
  EXPECT_EQ(MoveTarget(MOVE_KIND::Last, 4, 5), -1);
  EXPECT_EQ(MoveTarget(MOVE_KIND::Up, 3, 5), 2);
  EXPECT_EQ(MoveTarget(MOVE_KIND::Down, 3, 5), 4);
  EXPECT_EQ(MoveTarget(MOVE_KIND::First, 3, 5), 0);
  EXPECT_EQ(MoveTarget(MOVE_KIND::Last, 1, 5), 4);
  EXPECT_EQ(MoveTarget(MOVE_KIND::Up, -1, 5), -1);  // nothing highlighted
  EXPECT_EQ(MoveTarget(MOVE_KIND::Down, 0, 0), -1);
}

// A disc of three tracks numbered 1 to 3, the second untitled.
CDiscRecord ThreeTrackDisc() {
  CDiscRecord disc;
  disc.Reset("All Tracks");
  for (int t = 0; t < 3; ++t) {
    disc.toc.entries[t].trackNumber = static_cast<uint8_t>(t + 1);
    CTrackEntry entry;
    entry.title = t == 1 ? "" : "Song " + std::to_string(t + 1);
    entry.artist = "Band";
    disc.entries.push_back(entry);
  }
  return disc;
}

TEST(TrackCommandsTest, SetRowTitleChangesOnlyTheRowsOwnTrack) {
  CDiscRecord disc = ThreeTrackDisc();
  // After Move First on the third row, row 0 carries track index 2.
  EXPECT_TRUE(SetRowTitle(disc, 2, "Renamed"));
  EXPECT_EQ(disc.entries[3].title, "Renamed");
  EXPECT_EQ(disc.entries[3].artist, "Band");
  EXPECT_EQ(disc.entries[1].title, "Song 1");
  EXPECT_EQ(disc.entries[0].title, "All Tracks");  // the disc level is no row's
  EXPECT_TRUE(SetRowTitle(disc, 0, ""));
  EXPECT_EQ(disc.entries[1].title, "");

  const CDiscRecord before = disc;
  EXPECT_FALSE(SetRowTitle(disc, 3, "past the end"));
  EXPECT_FALSE(SetRowTitle(disc, -1, "before the start"));
  EXPECT_EQ(disc.entries, before.entries);
}

TEST(TrackCommandsTest, RowTrackEntryAndTitleText) {
  const CDiscRecord disc = ThreeTrackDisc();
  ASSERT_NE(RowTrackEntry(disc, 0), nullptr);
  EXPECT_EQ(RowTrackEntry(disc, 0), &disc.entries[1]);
  EXPECT_EQ(RowTrackEntry(disc, 3), nullptr);
  EXPECT_EQ(RowTrackEntry(disc, -1), nullptr);
  EXPECT_EQ(RowTitleText(disc, 2, "Track %d"), std::optional<std::string>("Song 3"));
  EXPECT_EQ(RowTitleText(disc, 1, "Track %d"), std::optional<std::string>("Track 2"));
  EXPECT_EQ(RowTitleText(disc, 3, "Track %d"), std::nullopt);
}

}  // namespace
