// Reading the disc through the virtual drive: what the track list gets for
// discs of every shape.
#include <gtest/gtest.h>

#include "cdrom/virtual/disc_image_writer.h"
#include "cdrom/virtual/virtual_drive.h"
#include "discinfo/disc_reader.h"
#include "test_folders.h"

namespace {

class DiscReadingTest : public ::testing::Test {
 protected:
  bool ReadImage(const DISC_IMAGE_LAYOUT& layout, AccessPath path = AccessPath::PassThrough) {
    std::string folder = MakeTestFolder("disc-reading");
    std::string error;
    EXPECT_TRUE(WriteDiscImage(layout, folder + "disc.cue", error)) << error;
    std::vector<VIRTUAL_DRIVE_CONFIG> drives;
    EXPECT_TRUE(ParseVirtualDrives("V=" + folder + "disc.cue", drives, error)) << error;
    CVirtualDeviceIo io(nullptr, drives);
    CDriveCommands commands(io);
    commands.Install(path, 0);
    commands.currentDriveLetter = 'V';
    DeviceHandle device = io.Open(path == AccessPath::Driver ? kDriverDevicePath : "\\\\.\\V:", true);
    IDiscTextSource noCache;
    return ReadDisc(commands, device, {"All Tracks", "Track %d"}, noCache, disc_, rows_);
  }

  CDiscRecord disc_;
  std::vector<TRACK_ROW> rows_;
};

TEST_F(DiscReadingTest, MixedModeDataTrackIsListedLikeAudio) {
  DISC_IMAGE_LAYOUT layout;
  IMAGE_TRACK audio, data;
  audio.frames = 4500;
  data.content = TrackContent::Data;
  data.frames = 22050;
  layout.tracks = {audio, data, audio};
  ASSERT_TRUE(ReadImage(layout));
  ASSERT_EQ(rows_.size(), 3u);
  EXPECT_EQ(rows_[0].length, "01:00");
  EXPECT_EQ(rows_[1].title, "Track 2");
  EXPECT_EQ(rows_[1].size, "49.46");
  EXPECT_EQ(disc_.ranges[2].start, 26550u);
}

TEST_F(DiscReadingTest, FirstTrackOfTwoOnTheDriverPath) {
  DISC_IMAGE_LAYOUT layout;
  layout.firstTrack = 2;
  IMAGE_TRACK track;
  track.frames = 74;
  layout.tracks = {track, track};
  ASSERT_TRUE(ReadImage(layout, AccessPath::Driver));
  ASSERT_EQ(rows_.size(), 2u);
  EXPECT_EQ(rows_[0].number, "01");
  EXPECT_EQ(rows_[0].title, "Track 2");
  EXPECT_EQ(rows_[1].title, "Track 3");
  EXPECT_EQ(rows_[0].length, "00:00");
}

TEST_F(DiscReadingTest, NinetyNineTracksFillTheWholeToc) {
  DISC_IMAGE_LAYOUT layout;
  IMAGE_TRACK track;
  track.content = TrackContent::Silence;
  track.frames = 8;
  layout.tracks.assign(99, track);
  ASSERT_TRUE(ReadImage(layout));
  ASSERT_EQ(rows_.size(), 99u);
  EXPECT_EQ(rows_[98].number, "99");
  EXPECT_EQ(disc_.toc.entries[99].trackNumber, kLeadOutTrack);
  EXPECT_EQ(disc_.ranges[98].end, 99u * 8);
}

}  // namespace
