// Drive discovery, the choice and opening of the unit, drive labels and
// reading the disc, against a scripted device.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "app/command_line.h"
#include "cdrom/cdrom_device.h"
#include "discinfo/disc_reader.h"
#include "recording_device_io.h"

namespace {

// A scripted device whose opens can fail per path and access.
class ScriptedDrives : public CRecordingDeviceIo {
 public:
  std::set<std::string> refuseReadWrite, refuseAll;
  DeviceHandle Open(const std::string& path, bool readWrite) override {
    opened.push_back(path + (readWrite ? " rw" : " ro"));
    if (refuseAll.count(path) || (readWrite && refuseReadWrite.count(path))) return kInvalidDevice;
    return 0x100 + static_cast<DeviceHandle>(opened.size());
  }
};

void AnswerInquiry(uint8_t* buffer, const char* vendor, const char* product) {
  std::memset(buffer, ' ', 100);
  std::memcpy(buffer + 8, vendor, std::strlen(vendor));
  std::memcpy(buffer + 16, product, std::strlen(product));
}

class CdromDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    io_.roots = {"C:\\", "d:\\", "E:\\", "F:\\"};
    io_.types = {{"C:\\", 3}, {"d:\\", kDriveTypeCdrom}, {"E:\\", kDriveTypeCdrom}, {"F:\\", 4}};
    io_.onSuccess = [](uint8_t opcode, uint8_t* buffer, uint32_t) {
      if (opcode == 0x12) AnswerInquiry(buffer, "VIRTUAL ", "CD-ROM DRIVE    ");
    };
  }
  ScriptedDrives io_;
  CDriveCommands commands_{io_};
  CCdromDevice cdrom_{io_, commands_};
};

TEST_F(CdromDeviceTest, EnumerationKeepsCdDrivesUpperCasedInSystemOrder) {
  cdrom_.EnumerateDrives();
  ASSERT_EQ(cdrom_.DriveCount(), 2);
  EXPECT_EQ(cdrom_.Letter(0), 'D');
  EXPECT_EQ(cdrom_.Path(0), "\\\\.\\D:");
  EXPECT_EQ(cdrom_.Path(1), "\\\\.\\E:");
}

TEST_F(CdromDeviceTest, AtMostEightDrivesAreOffered) {
  io_.roots.clear();
  io_.types.clear();
  for (char c = 'D'; c <= 'O'; ++c) {
    std::string root = std::string(1, c) + ":\\";
    io_.roots.push_back(root);
    io_.types[root] = kDriveTypeCdrom;
  }
  cdrom_.EnumerateDrives();
  EXPECT_EQ(cdrom_.DriveCount(), 8);
  EXPECT_EQ(cdrom_.Letter(7), 'K');
}

TEST_F(CdromDeviceTest, StartUnitFromSettingAndCommandLine) {
  cdrom_.EnumerateDrives();
  cdrom_.ChooseStartUnit(3, 0);
  EXPECT_EQ(cdrom_.SelectedUnit(), 0);  // not below the drive count
  cdrom_.ChooseStartUnit(1, 0);
  EXPECT_EQ(cdrom_.CurrentLetter(), 'E');
  cdrom_.ChooseStartUnit(0, FindDriveOption("-A1  -De"));
  EXPECT_EQ(cdrom_.SelectedUnit(), 0);  // letters compare case-sensitively
  cdrom_.ChooseStartUnit(0, FindDriveOption("-A1  -DE"));
  EXPECT_EQ(cdrom_.SelectedUnit(), 1);
  cdrom_.ChooseStartUnit(0, FindDriveOption("-A1  -DZ"));
  EXPECT_EQ(cdrom_.SelectedUnit(), 0);
}

TEST_F(CdromDeviceTest, PassThroughIdentifiesEveryDriveAndKeepsTheSelectedOpen) {
  io_.refuseReadWrite = {"\\\\.\\E:"};  // E: opens read-only only
  cdrom_.EnumerateDrives();
  cdrom_.ChooseStartUnit(1, 0);
  ASSERT_TRUE(cdrom_.OpenDevice(AccessPath::PassThrough, 0));
  EXPECT_EQ(io_.opened,
            (std::vector<std::string>{"\\\\.\\D: rw", "\\\\.\\E: rw", "\\\\.\\E: ro", "\\\\.\\E: rw", "\\\\.\\E: ro"}));
  EXPECT_EQ(io_.closed.size(), 2u);  // the identify handles
  EXPECT_NE(cdrom_.Handle(), kInvalidDevice);
  EXPECT_EQ(cdrom_.DriveLabel(1), "E:  VIRTUAL CD-ROM DRIVE    ");
  EXPECT_EQ(std::string(cdrom_.Identity(0).vendor), "VIRTUAL ");
}

TEST_F(CdromDeviceTest, FailedIdentifyLeavesTheLabelWithTheLetterOnly) {
  io_.otherwise = false;
  cdrom_.EnumerateDrives();
  cdrom_.ChooseStartUnit(0, 0);
  ASSERT_TRUE(cdrom_.OpenDevice(AccessPath::PassThrough, 0));
  EXPECT_EQ(cdrom_.DriveLabel(0), "D:  ");
}

TEST_F(CdromDeviceTest, UnopenableSelectedDriveFailsTheOpen) {
  io_.refuseAll = {"\\\\.\\D:"};
  cdrom_.EnumerateDrives();
  cdrom_.ChooseStartUnit(0, 0);
  EXPECT_FALSE(cdrom_.OpenDevice(AccessPath::PassThrough, 0));
}

TEST_F(CdromDeviceTest, DriverPathOpensTheDriverOnceAndIdentifiesByIndex) {
  cdrom_.EnumerateDrives();
  cdrom_.ChooseStartUnit(1, 0);
  ASSERT_TRUE(cdrom_.OpenDevice(AccessPath::Driver, 0));
  EXPECT_EQ(io_.opened, (std::vector<std::string>{"\\\\.\\Tambour ro"}));
  ASSERT_EQ(io_.calls.size(), 2u);
  EXPECT_EQ(io_.calls[0].outSize, 3u);  // D: is drive index 3
  EXPECT_EQ(io_.calls[1].outSize, 4u);  // E: is drive index 4
  EXPECT_EQ(cdrom_.CurrentLetter(), 'E');
}

TEST_F(CdromDeviceTest, ChangingToAnUnopenableUnitChangesNothing) {
  cdrom_.EnumerateDrives();
  cdrom_.ChooseStartUnit(0, 0);
  ASSERT_TRUE(cdrom_.OpenDevice(AccessPath::PassThrough, 4));
  DeviceHandle before = cdrom_.Handle();
  io_.refuseReadWrite = {"\\\\.\\E:"};  // no read-only retry when changing
  EXPECT_FALSE(cdrom_.ChangeUnit(1));
  EXPECT_EQ(cdrom_.Handle(), before);
  EXPECT_EQ(cdrom_.SelectedUnit(), 0);
  io_.refuseReadWrite.clear();
  EXPECT_TRUE(cdrom_.ChangeUnit(1));
  EXPECT_EQ(cdrom_.CurrentLetter(), 'E');
  EXPECT_EQ(io_.closed.back(), before);
  EXPECT_FALSE(cdrom_.ChangeUnit(2));
}

TEST(MediaChangeTest, OnlyMediaEventsOfVolumesNameADrive) {
  EXPECT_EQ(MediaChangeLetter(2, 1, 1u << 21), 'V');
  EXPECT_EQ(MediaChangeLetter(2, 1, (1u << 4) | (1u << 21)), 'E');  // the lowest bit wins
  EXPECT_EQ(MediaChangeLetter(2, 0, 1u << 21), 0);                  // not a media change
  EXPECT_EQ(MediaChangeLetter(5, 1, 1u << 21), 0);                  // not a volume
  EXPECT_EQ(MediaChangeLetter(2, 1, 1u << 27), 0);                  // beyond Z
}

// Reading the disc through the command routines.
class ReadDiscTest : public CdromDeviceTest {
 protected:
  void SetUp() override {
    CdromDeviceTest::SetUp();
    commands_.Install(AccessPath::PassThrough, 0);
    io_.onSuccess = [this](uint8_t opcode, uint8_t* buffer, uint32_t length) {
      if (opcode == 0x43 && length == sizeof(CD_TOC)) std::memcpy(buffer, &toc_, sizeof(CD_TOC));
    };
  }
  void SetTracks(uint8_t first, std::vector<uint32_t> addresses) {
    toc_ = {};
    toc_.firstTrack = first;
    toc_.lastTrack = static_cast<uint8_t>(first + addresses.size() - 2);
    for (size_t j = 0; j < addresses.size(); ++j) {
      toc_.entries[j].trackNumber = j + 1 == addresses.size() ? kLeadOutTrack : static_cast<uint8_t>(first + j);
      SetTocEntryAddress(toc_.entries[j], addresses[j]);
    }
  }
  bool Read() { return ReadDisc(commands_, 0x100, texts_, noCache_, disc_, rows_); }

  CD_TOC toc_ = {};
  DISC_TEXTS texts_ = {"All Tracks", "Track %d"};
  IDiscTextSource noCache_;
  CDiscRecord disc_;
  std::vector<TRACK_ROW> rows_;
};

TEST_F(ReadDiscTest, RowsCountFromOneWhileTitlesCarryTheTrackNumbers) {
  SetTracks(2, {0, 78750, 100800, 123456});
  ASSERT_TRUE(Read());
  ASSERT_EQ(rows_.size(), 3u);
  EXPECT_EQ(rows_[0].number, "01");
  EXPECT_EQ(rows_[0].title, "Track 2");
  EXPECT_EQ(rows_[0].length, "17:30");
  EXPECT_EQ(rows_[0].size, "176.64");
  EXPECT_EQ(rows_[2].trackIndex, 2);
  ASSERT_EQ(disc_.entries.size(), 4u);
  EXPECT_EQ(disc_.entries[0].title, "All Tracks");
  EXPECT_EQ(disc_.entries[3].title, "Track 4");
  ASSERT_EQ(disc_.ranges.size(), 3u);
  EXPECT_EQ(disc_.ranges[1].start, 78750u);
  EXPECT_EQ(disc_.ranges[1].end, 100800u);
}

TEST_F(ReadDiscTest, FailuresLeaveNoRows) {
  SetTracks(1, {0, 5000, 9000});
  EXPECT_FALSE(ReadDisc(commands_, kInvalidDevice, texts_, noCache_, disc_, rows_));
  EXPECT_TRUE(io_.calls.empty());
  io_.otherwise = false;  // READ TOC fails on every attempt
  EXPECT_FALSE(Read());
  EXPECT_EQ(io_.calls.size(), 5u);
  EXPECT_TRUE(rows_.empty());
  io_.otherwise = true;
  SetTracks(1, {0, 9000, 5000});  // an address going backwards
  EXPECT_FALSE(Read());
  EXPECT_TRUE(rows_.empty());
}

TEST_F(ReadDiscTest, CacheSourceMayStopTheRead) {
  struct Refusing : IDiscTextSource {
    bool Prepare(CDiscRecord&) override { return false; }
  } refusing;
  SetTracks(1, {0, 5000, 9000});
  EXPECT_FALSE(ReadDisc(commands_, 0x100, texts_, refusing, disc_, rows_));
  EXPECT_TRUE(rows_.empty());
}

}  // namespace
