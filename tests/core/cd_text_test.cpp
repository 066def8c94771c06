// CD-Text: the packs' CRC, decoding what a drive returns (damaged packs
// included), the virtual drive serving a cue sheet's texts, and reading a
// disc that has them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>

#include "cdrom/cd_text.h"
#include "cdrom/virtual/cue_sheet.h"
#include "cdrom/virtual/disc_image_writer.h"
#include "cdrom/virtual/virtual_drive.h"
#include "discinfo/disc_cache.h"
#include "discinfo/disc_reader.h"
#include "test_folders.h"

namespace {

// A response as a drive sends it: header, then the packs.
std::vector<uint8_t> Response(const std::vector<uint8_t>& packs) {
  std::vector<uint8_t> data(kCdTextHeaderBytes + packs.size());
  data[0] = static_cast<uint8_t>((packs.size() + 2) >> 8);
  data[1] = static_cast<uint8_t>(packs.size() + 2);
  std::copy(packs.begin(), packs.end(), data.begin() + kCdTextHeaderBytes);
  return data;
}

CD_TEXT SampleText() {
  CD_TEXT text;
  text.titles[0] = "Songs of the Sea";
  text.performers[0] = "The Harbour Band";
  text.titles[1] = "Low Tide";
  text.titles[2] = "A Very Long Title That Runs Across Several Packs";
  text.titles[3] = "Gull";
  text.performers[2] = "Guest Singer";
  return text;
}

TEST(CdTextCrcTest, MatchesTheCcittCrcInverted) {
  // Reference values from an independent CRC-16/XMODEM, inverted.
  uint8_t pack[kCdTextPackBytes] = {0x80, 0, 0, 0, 'H', 'e', 'l', 'l', 'o', ' ', 'W', 'o', 'r', 'l', 'd', '!'};
  EXPECT_EQ(CdTextPackCrc(pack), 0xFB5D);
  uint8_t other[kCdTextPackBytes] = {0x81, 1, 5, 0x0F, 'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L'};
  EXPECT_EQ(CdTextPackCrc(other), 0xE03A);
  pack[16] = 0xFB;
  pack[17] = 0x5D;
  EXPECT_TRUE(CdTextPackValid(pack));
  pack[17] = 0x5C;
  EXPECT_FALSE(CdTextPackValid(pack));
}

TEST(CdTextParseTest, BuiltPacksReadBack) {
  std::vector<uint8_t> packs = BuildCdTextPacks(SampleText(), 1, 3);
  ASSERT_EQ(packs.size() % kCdTextPackBytes, 0u);
  for (size_t i = 0; i < packs.size(); i += kCdTextPackBytes) EXPECT_TRUE(CdTextPackValid(&packs[i])) << i;
  std::vector<uint8_t> data = Response(packs);
  CD_TEXT text;
  ASSERT_TRUE(ParseCdText(data.data(), data.size(), 1, text));
  EXPECT_EQ(text.titles, SampleText().titles);
  EXPECT_EQ(text.performers, SampleText().performers);
}

TEST(CdTextParseTest, FirstTrackAboveOneFollowsTheDisc) {
  CD_TEXT source;
  source.titles[0] = "Disc";
  source.titles[5] = "Fifth";
  source.titles[6] = "Sixth";
  std::vector<uint8_t> data = Response(BuildCdTextPacks(source, 5, 6));
  CD_TEXT text;
  ASSERT_TRUE(ParseCdText(data.data(), data.size(), 5, text));
  EXPECT_EQ(text.titles[5], "Fifth");
  EXPECT_EQ(text.titles[6], "Sixth");
  EXPECT_EQ(text.titles[1], "");
}

TEST(CdTextParseTest, PackWithAWrongCrcIsIgnoredAndItsTextNotCut) {
  std::vector<uint8_t> packs = BuildCdTextPacks(SampleText(), 1, 3);
  // Title packs: disc (bytes 0..16) + track 1 (17..25) + track 2 (26..75)
  // + track 3 (76..80): pack 2 (bytes 24..35) holds the end of track 1's
  // title and the start of track 2's.
  packs[2 * kCdTextPackBytes + 17] ^= 0x01;
  std::vector<uint8_t> data = Response(packs);
  CD_TEXT text;
  ASSERT_TRUE(ParseCdText(data.data(), data.size(), 1, text));
  EXPECT_EQ(text.titles[0], "Songs of the Sea");
  EXPECT_EQ(text.titles[1], "") << "a title whose end was lost is not shown cut";
  EXPECT_EQ(text.titles[2], "") << "nor one whose start was lost";
  EXPECT_EQ(text.titles[3], "Gull") << "the packs after the damaged one still count";
  EXPECT_EQ(text.performers[0], "The Harbour Band");
  EXPECT_EQ(text.performers[2], "Guest Singer");
}

TEST(CdTextParseTest, DamagedTextInPackContentIsCaughtByTheCrc) {
  std::vector<uint8_t> packs = BuildCdTextPacks(SampleText(), 1, 3);
  packs[4] = 'X';  // the disc title's first letter, CRC unchanged
  std::vector<uint8_t> data = Response(packs);
  CD_TEXT text;
  ASSERT_TRUE(ParseCdText(data.data(), data.size(), 1, text));
  EXPECT_EQ(text.titles[0], "");
  EXPECT_EQ(text.titles[1], "Low Tide");
}

TEST(CdTextParseTest, TabRepeatsThePreviousTrack) {
  CD_TEXT source;
  source.performers[0] = "Duo";
  source.performers[1] = "Solo";
  source.performers[2] = "\t";
  std::vector<uint8_t> data = Response(BuildCdTextPacks(source, 1, 2));
  CD_TEXT text;
  ASSERT_TRUE(ParseCdText(data.data(), data.size(), 1, text));
  EXPECT_EQ(text.performers[2], "Solo");
}

TEST(CdTextParseTest, OtherBlocksDoubleByteCodesAndOtherTypesAreSkipped) {
  CD_TEXT source;
  source.titles[0] = "Block";
  std::vector<uint8_t> packs = BuildCdTextPacks(source, 1, 1);
  ASSERT_EQ(packs.size(), kCdTextPackBytes);
  auto reseal = [](uint8_t* pack) {
    uint16_t crc = CdTextPackCrc(pack);
    pack[16] = static_cast<uint8_t>(crc >> 8);
    pack[17] = static_cast<uint8_t>(crc);
  };
  std::vector<uint8_t> block1 = packs, dbcc = packs, songwriter = packs;
  block1[3] |= 0x10;
  dbcc[3] |= 0x80;
  songwriter[0] = 0x83;
  for (auto* pack : {&block1, &dbcc, &songwriter}) {
    reseal(pack->data());
    std::vector<uint8_t> data = Response(*pack);
    CD_TEXT text;
    EXPECT_FALSE(ParseCdText(data.data(), data.size(), 1, text));
    EXPECT_TRUE(text.Empty());
  }
}

TEST(CdTextParseTest, LengthsFromTheDriveAreBounded) {
  std::vector<uint8_t> data = Response(BuildCdTextPacks(SampleText(), 1, 3));
  CD_TEXT text;
  // The header claims more than came: only whole packs received count.
  data[0] = 0xFF;
  data[1] = 0xFF;
  EXPECT_TRUE(ParseCdText(data.data(), data.size() - 5, 1, text));
  EXPECT_FALSE(ParseCdText(data.data(), 3, 1, text));
  EXPECT_FALSE(ParseCdText(nullptr, 100, 1, text));
  // A header claiming nothing.
  data[0] = 0;
  data[1] = 2;
  EXPECT_FALSE(ParseCdText(data.data(), data.size(), 1, text));
  // Control characters do not reach the program's texts; overlong texts are cut.
  CD_TEXT source;
  source.titles[0] = std::string("A\x01" "B\x85" "C");
  source.titles[1] = std::string(300, 'x');
  std::vector<uint8_t> more = Response(BuildCdTextPacks(source, 1, 1));
  ASSERT_TRUE(ParseCdText(more.data(), more.size(), 1, text));
  EXPECT_EQ(text.titles[0], "A B C");
  EXPECT_EQ(text.titles[1], std::string(kMaxCdTextChars, 'x'));
}

TEST(CdTextParseTest, ManyLongTextsStayWithinOneBlock) {
  CD_TEXT source;
  for (size_t i = 0; i < kCdTextItems; ++i) source.titles[i] = source.performers[i] = std::string(150, 'a');
  std::vector<uint8_t> packs = BuildCdTextPacks(source, 1, 99);
  EXPECT_EQ(packs.size(), 256 * kCdTextPackBytes);
  std::vector<uint8_t> data = Response(packs);
  CD_TEXT text;
  ASSERT_TRUE(ParseCdText(data.data(), data.size(), 1, text));
  EXPECT_EQ(text.titles[0], std::string(150, 'a'));
}

TEST(CdTextCueTest, SheetFieldsAtDiscAndTrackLevel) {
  std::string sheet =
      "PERFORMER \"Disc Artist\"\n"
      "TITLE \"Disc Title\"\n"
      "FILE \"a.bin\" BINARY\n"
      "  TRACK 01 AUDIO\n"
      "    TITLE \"First\"\n"
      "    INDEX 01 00:00:00\n"
      "  TRACK 02 AUDIO\n"
      "    PERFORMER Plain Words\n"
      "    INDEX 01 00:01:00\n";
  auto frames = [](const std::string&, uint64_t& count, std::string&) {
    count = 200;
    return true;
  };
  DISC_IMAGE image;
  std::string error;
  ASSERT_TRUE(ParseCueSheet(sheet, "/tmp/x.cue", frames, image, error)) << error;
  EXPECT_EQ(image.cdText.titles[0], "Disc Title");
  EXPECT_EQ(image.cdText.performers[0], "Disc Artist");
  EXPECT_EQ(image.cdText.titles[1], "First");
  EXPECT_EQ(image.cdText.titles[2], "");
  EXPECT_EQ(image.cdText.performers[2], "Plain Words");
}

TEST(CdTextCueTest, WriterPutsTheTextsInTheSheetAndRefusesQuotes) {
  std::string folder = MakeTestFolder("cdtext-writer");
  DISC_IMAGE_LAYOUT layout;
  IMAGE_TRACK track;
  track.frames = 10;
  layout.tracks = {track, track};
  layout.title = "Disc";
  layout.tracks[1].performer = "Second";
  std::string error;
  ASSERT_TRUE(WriteDiscImage(layout, folder + "disc.cue", error)) << error;
  std::ifstream in(HostFolder(folder + "disc.cue"), std::ios::binary);
  std::string sheet((std::istreambuf_iterator<char>(in)), {});
  EXPECT_NE(sheet.find("REM Cantaro Maker disc image\r\nTITLE \"Disc\"\r\nFILE"), std::string::npos) << sheet;
  EXPECT_NE(sheet.find("TRACK 02 AUDIO\r\n    PERFORMER \"Second\"\r\n"), std::string::npos) << sheet;
  EXPECT_EQ(sheet.find("PERFORMER \"\""), std::string::npos) << "empty texts write no line";
  DISC_IMAGE image;
  ASSERT_TRUE(LoadCueImage(folder + "disc.cue", image, error)) << error;
  EXPECT_EQ(image.cdText.titles[0], "Disc");
  EXPECT_EQ(image.cdText.performers[2], "Second");
  layout.tracks[0].title = "Say \"Hi\"";
  EXPECT_FALSE(WriteDiscImage(layout, folder + "quoted.cue", error));
  layout.tracks[0].title = "Two\nLines";
  EXPECT_FALSE(WriteDiscImage(layout, folder + "lines.cue", error));
}

class CdTextDriveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = MakeTestFolder(std::string("cdtext-") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
  }

  void WriteDisc(bool withText) {
    DISC_IMAGE_LAYOUT layout;
    IMAGE_TRACK track;
    track.frames = 150;
    layout.tracks = {track, track, track};
    if (withText) {
      layout.title = "Songs of the Sea";
      layout.performer = "The Harbour Band";
      layout.tracks[0].title = "Low Tide";
      layout.tracks[1].title = "Gull";
      layout.tracks[1].performer = "Guest Singer";
    }
    std::string error;
    ASSERT_TRUE(WriteDiscImage(layout, folder_ + "disc.cue", error)) << error;
  }

  bool Read(const std::string& options, IDiscTextSource& source) {
    std::vector<VIRTUAL_DRIVE_CONFIG> drives;
    std::string error;
    EXPECT_TRUE(ParseVirtualDrives("V=" + folder_ + "disc.cue" + options + "|log=" + folder_ + "commands.log",
                                   drives, error))
        << error;
    CVirtualDeviceIo io(nullptr, drives);
    CDriveCommands commands(io);
    commands.Install(AccessPath::PassThrough, 0);
    commands.retryTimes = 1;
    DeviceHandle device = io.Open("\\\\.\\V:", true);
    bool ok = ReadDisc(commands, device, {"All Tracks", "Track %d"}, source, disc_, rows_);
    io.Close(device);
    return ok;
  }

  std::string CommandLog() {
    std::ifstream in(HostFolder(folder_ + "commands.log"), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  std::string folder_;
  CDiscRecord disc_;
  std::vector<TRACK_ROW> rows_;
};

TEST_F(CdTextDriveTest, ListAndDiscTakeTheTextsOfAnUnknownDisc) {
  WriteDisc(true);
  IDiscTextSource none;
  ASSERT_TRUE(Read("", none));
  ASSERT_EQ(rows_.size(), 3u);
  EXPECT_EQ(rows_[0].title, "Low Tide");
  EXPECT_EQ(rows_[1].title, "Gull");
  EXPECT_EQ(rows_[2].title, "Track 3");
  EXPECT_EQ(disc_.entries[0].album, "Songs of the Sea");
  EXPECT_EQ(disc_.entries[0].artist, "The Harbour Band");
  EXPECT_EQ(disc_.entries[0].title, "All Tracks");
  EXPECT_EQ(disc_.entries[1].artist, "The Harbour Band");
  EXPECT_EQ(disc_.entries[2].artist, "Guest Singer");
  EXPECT_EQ(disc_.entries[3].album, "Songs of the Sea");
  EXPECT_EQ(CommandLog(), "43 00 00 00 00 00 00 03 24 00\r\n43 00 05 00 00 00 00 90 04 00\r\n");
}

TEST_F(CdTextDriveTest, DiscWithoutCdTextKeepsItsDefaults) {
  WriteDisc(false);
  IDiscTextSource none;
  ASSERT_TRUE(Read("", none));
  EXPECT_EQ(rows_[0].title, "Track 1");
  EXPECT_EQ(disc_.entries[0].artist, "");
  EXPECT_EQ(disc_.entries[1].album, "");
}

TEST_F(CdTextDriveTest, DriveThatRejectsTheReadHasNoCdText) {
  WriteDisc(true);
  IDiscTextSource none;
  ASSERT_TRUE(Read("|notext", none));
  EXPECT_EQ(rows_[0].title, "Track 1");
  EXPECT_EQ(disc_.entries[0].album, "");
}

TEST_F(CdTextDriveTest, CorruptedPackFromTheDriveIsIgnored) {
  WriteDisc(true);
  IDiscTextSource none;
  // Pack 0 holds the start of the disc's title ("Songs of the", 12 bytes).
  ASSERT_TRUE(Read("|badtext=0", none));
  EXPECT_EQ(disc_.entries[0].album, "");
  EXPECT_EQ(rows_[0].title, "Low Tide");
  EXPECT_EQ(disc_.entries[0].artist, "The Harbour Band");
}

TEST_F(CdTextDriveTest, DiscTheCacheKnowsKeepsTheCacheAndSendsNoRead) {
  WriteDisc(true);
  std::string program = folder_ + "program\\";
  {
    CDiscCacheSource cache(program);
    ASSERT_TRUE(Read("", cache));
    EXPECT_EQ(rows_[1].title, "Gull");
    disc_.entries[2].title = "Seagull";
    ASSERT_EQ(WriteDiscCache(program, disc_, {0, 1, 2}), DiscCacheStatus::Done);
  }
  CDiscCacheSource cache(program);
  ASSERT_TRUE(Read("", cache));
  EXPECT_EQ(rows_[1].title, "Seagull");
  EXPECT_EQ(disc_.entries[1].artist, "The Harbour Band") << "the cache kept the CD-Text";
  EXPECT_EQ(CommandLog(), "43 00 00 00 00 00 00 03 24 00\r\n");
}

}  // namespace
