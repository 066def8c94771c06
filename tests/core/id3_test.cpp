// ID3 version 1 tags, the genre table and the editor's disc-level rule.
#include <gtest/gtest.h>

#include <cstring>

#include "discinfo/genres.h"
#include "discinfo/id3_editor.h"
#include "discinfo/id3_tag.h"

namespace {

TEST(Id3TagTest, FieldsAreCutAndZeroFilled) {
  uint8_t tag[kId3v1Bytes];
  std::memset(tag, 0xCC, sizeof(tag));
  BuildId3v1Tag({std::string(31, 'T'), "Short", "", "20245", "c", "Rock", 0x1FF}, tag);
  EXPECT_EQ(std::memcmp(tag, "TAG", 3), 0);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(tag + 3), 30), std::string(30, 'T'));
  EXPECT_EQ(tag[33], 'S');  // the artist starts right after 30 title bytes
  EXPECT_EQ(std::string(reinterpret_cast<char*>(tag + 33), 30), "Short" + std::string(25, '\0'));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(tag + 63), 30), std::string(30, '\0'));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(tag + 93), 4), "2024");
  EXPECT_EQ(tag[97], 'c');
  EXPECT_EQ(tag[127], 0xFF);  // the low byte of the genre number
}

TEST(GenreTableTest, IndexOrderAndBounds) {
  EXPECT_EQ(GenreCount(), 148u);
  EXPECT_STREQ(GenreName(0), "Blues");
  EXPECT_STREQ(GenreName(14), "R&B");
  EXPECT_STREQ(GenreName(147), "Synthpop");
  EXPECT_STREQ(GenreName(148), "");
  EXPECT_STREQ(GenreName(-1), "");
}

CDiscRecord DiscOfThree() {
  CDiscRecord disc;
  disc.Reset("All Tracks");
  disc.entries[0].artist = "A";
  disc.entries[0].album = "Album";
  disc.entries[0].year = "1999";
  for (int i = 1; i <= 3; ++i) {
    CTrackEntry e;
    e.title = i == 2 ? "" : "Song " + std::to_string(i);
    e.artist = "A";
    e.album = "Album";
    e.year = "1999";
    disc.entries.push_back(e);
  }
  disc.entries[3].artist = "Guest";  // differs from the disc level
  return disc;
}

TEST(Id3EditorTest, SelectorTexts) {
  CId3EditorModel model(DiscOfThree());
  EXPECT_EQ(model.SelectorText(0), "All Tracks");
  EXPECT_EQ(model.SelectorText(1), "[01] Song 1");
  EXPECT_EQ(model.SelectorText(2), "[02] Track 02");
}

TEST(Id3EditorTest, DiscLevelChangeReachesOnlyTheTracksThatMatchedIt) {
  CDiscRecord disc = DiscOfThree();
  disc.entries[1].comment = "kept";
  CId3EditorModel model(disc);
  CTrackEntry level = model.Entry(0);
  level.artist = "B";
  level.genreNumber = 17;
  level.comment = "disc comment";
  level.title = "The Album";
  model.Store(0, level);
  EXPECT_EQ(model.Entry(1).artist, "B");
  EXPECT_EQ(model.Entry(1).genreNumber, 17);
  EXPECT_EQ(model.Entry(1).comment, "kept");  // comments never spread
  EXPECT_EQ(model.Entry(1).title, "Song 1");
  EXPECT_EQ(model.Entry(2).artist, "B");
  EXPECT_EQ(model.Entry(3).artist, "Guest");  // differed: keeps its values
  EXPECT_EQ(model.Entry(3).genreNumber, 0);

  model.CopyBack(disc);
  EXPECT_EQ(disc.entries[0].title, "The Album");
  EXPECT_EQ(disc.entries[2].artist, "B");
  EXPECT_EQ(disc.entries[1].comment, "kept");
}

TEST(Id3EditorTest, TrackChangesStayWithTheirTrack) {
  CDiscRecord disc = DiscOfThree();
  disc.entries[0].genreName = "Rock";
  CId3EditorModel model(disc);
  CTrackEntry track = model.Entry(2);
  track.title = "Renamed";
  track.artist = "Other";
  model.Store(2, track);
  model.Store(9, track);  // no such entry: nothing happens
  model.CopyBack(disc);
  EXPECT_EQ(disc.entries[2].title, "Renamed");
  EXPECT_EQ(disc.entries[1].artist, "A");
  EXPECT_EQ(disc.entries[0].genreName, "Rock");  // the genre name is not the editor's
}

}  // namespace
