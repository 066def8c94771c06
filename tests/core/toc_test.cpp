// The table of contents and what the track list shows of it.
#include <gtest/gtest.h>

#include "cdrom/toc.h"

namespace {

CD_TOC MakeToc(uint8_t first, std::vector<uint32_t> addresses) {
  CD_TOC toc = {};
  toc.firstTrack = first;
  toc.lastTrack = static_cast<uint8_t>(first + addresses.size() - 2);
  for (size_t j = 0; j < addresses.size(); ++j) {
    toc.entries[j].trackNumber = j + 1 == addresses.size() ? kLeadOutTrack : static_cast<uint8_t>(first + j);
    SetTocEntryAddress(toc.entries[j], addresses[j]);
  }
  return toc;
}

TEST(TocTest, AddressesAreBigEndian) {
  CD_TOC_ENTRY entry = {};
  SetTocEntryAddress(entry, 0x00012345);
  EXPECT_EQ(entry.address[0], 0x00);
  EXPECT_EQ(entry.address[1], 0x01);
  EXPECT_EQ(entry.address[3], 0x45);
  EXPECT_EQ(TocEntryAddress(entry), 0x00012345u);
}

TEST(TocTest, RangesEndWhereTheNextEntryStarts) {
  CD_TOC toc = MakeToc(2, {0, 78750, 100000});
  std::vector<TRACK_RANGE> ranges = TrackRanges(toc);
  ASSERT_EQ(ranges.size(), 2u);
  EXPECT_EQ(ranges[0].start, 0u);
  EXPECT_EQ(ranges[0].end, 78750u);
  EXPECT_EQ(ranges[1].Frames(), 21250u);
}

TEST(TocTest, LengthAndSizeTexts) {
  EXPECT_EQ(FrameLengthText(78750), "17:30");
  EXPECT_EQ(FrameSizeText(78750), "176.64");
  EXPECT_EQ(FrameLengthText(4499), "00:59");
  EXPECT_EQ(FrameLengthText(4500), "01:00");
  EXPECT_EQ(FrameLengthText(74), "00:00");
  EXPECT_EQ(FrameSizeText(22050), "49.46");
}

TEST(TocTest, NinetyNineTracksFillEveryEntry) {
  std::vector<uint32_t> addresses;
  for (uint32_t j = 0; j <= 99; ++j) addresses.push_back(j * 1000);
  CD_TOC toc = MakeToc(1, addresses);
  EXPECT_EQ(toc.lastTrack, 99);
  EXPECT_EQ(TrackRanges(toc).size(), 99u);
}

// A TOC comes from a device: nonsense must not become a track list.
TEST(TocTest, ImpossibleTocsAreRefused) {
  CD_TOC backwards = MakeToc(1, {0, 5000, 4000});
  EXPECT_FALSE(IsUsableToc(backwards));
  EXPECT_TRUE(TrackRanges(backwards).empty());

  CD_TOC reversed = MakeToc(1, {0, 5000, 9000});
  reversed.firstTrack = 5;
  reversed.lastTrack = 3;
  EXPECT_FALSE(IsUsableToc(reversed));

  CD_TOC tooMany = {};
  tooMany.firstTrack = 1;
  tooMany.lastTrack = 100;
  EXPECT_FALSE(IsUsableToc(tooMany));

  CD_TOC wide = {};
  wide.firstTrack = 0;
  wide.lastTrack = 255;
  EXPECT_FALSE(IsUsableToc(wide));

  // Equal addresses are an empty track, not a wrap.
  CD_TOC empty = MakeToc(1, {100, 100, 200});
  EXPECT_TRUE(IsUsableToc(empty));
  EXPECT_EQ(TrackRanges(empty)[0].Frames(), 0u);
}

}  // namespace
