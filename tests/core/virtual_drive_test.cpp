// The virtual CD drive, driven the way the program drives a drive: through
// the device I/O seam with the drive command set, and with hand-made
// records that a real drive would refuse.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "cdrom/virtual/disc_image_writer.h"
#include "cdrom/drive_commands.h"
#include "cdrom/virtual/virtual_drive.h"
#include "recording_device_io.h"
#include "test_folders.h"

namespace {

using namespace virtual_error;

// Track 2 from LBA 0 (300 frames); track 3 with 75 frames of INDEX 00
// silence in the BIN, INDEX 01 at 375 (200 frames); data track 4 after a
// PREGAP of 150 frames, INDEX 01 at 725 (150 frames); track 5 at 875
// (100 frames); lead-out 975.
DISC_IMAGE_LAYOUT TestLayout() {
  DISC_IMAGE_LAYOUT layout;
  layout.firstTrack = 2;
  IMAGE_TRACK t;
  t.content = TrackContent::Pattern;
  t.frames = 300;
  layout.tracks.push_back(t);
  t.frames = 200;
  t.pregapFrames = 75;
  t.pregapInFile = true;
  layout.tracks.push_back(t);
  IMAGE_TRACK data;
  data.content = TrackContent::Data;
  data.frames = 150;
  data.pregapFrames = 150;
  layout.tracks.push_back(data);
  t.frames = 100;
  t.pregapFrames = 0;
  layout.tracks.push_back(t);
  return layout;
}

const uint32_t kTrackStarts[] = {0, 375, 725, 875};
const uint32_t kLeadOut = 975;

// What a Pattern frame of the test disc holds at an LBA (zeros in gaps).
void ExpectPatternFrame(const uint8_t* frame, uint32_t lba, const std::string& where) {
  int track = -1;
  uint32_t start = 0;
  if (lba < 300) {
    track = 2;
    start = 0;
  } else if (lba >= 375 && lba < 575) {
    track = 3;
    start = 375;
  } else if (lba >= 875) {
    track = 5;
    start = 875;
  }
  for (uint32_t i = 0; i < 588; ++i) {
    const uint8_t* s = frame + 4 * i;
    if (track < 0) {
      ASSERT_TRUE(s[0] == 0 && s[1] == 0 && s[2] == 0 && s[3] == 0) << where << " LBA " << lba << " should be silent";
      continue;
    }
    uint32_t f = lba - start;
    ASSERT_EQ(s[0], track) << where << " LBA " << lba;
    ASSERT_EQ(s[1], static_cast<uint8_t>(i)) << where << " LBA " << lba;
    ASSERT_EQ(s[2] | s[3] << 8, static_cast<int>(f)) << where << " LBA " << lba;
  }
}

class VirtualDriveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = MakeTestFolder(std::string("vdrive-") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    cue_ = folder_ + "disc.cue";
    std::string error;
    ASSERT_TRUE(WriteDiscImage(TestLayout(), cue_, error)) << error;
  }

  // The virtual drive V: (with options) over a system with C: and D:.
  void Start(const std::string& options = "") {
    std::vector<VIRTUAL_DRIVE_CONFIG> drives;
    std::string error;
    ASSERT_TRUE(ParseVirtualDrives("V=" + cue_ + options, drives, error)) << error;
    io_ = std::make_unique<CVirtualDeviceIo>(&system_, drives);
    commands_ = std::make_unique<CDriveCommands>(*io_);
    commands_->retryTimes = 1;
  }

  DeviceHandle OpenV() { return io_->Open("\\\\.\\V:", true); }

  // Sends a pass-through record as the program does and returns the
  // virtual drive's error (0 on success).
  uint32_t SendPassThrough(DeviceHandle device, uint8_t (&record)[80]) {
    uint32_t returned = 0;
    if (io_->Control(device, kIoctlScsiPassThroughDirect, record, 80, record, 80, &returned)) return 0;
    return CVirtualDeviceIo::LastError();
  }

  uint32_t SendCommand(DeviceHandle device, const SCSI_COMMAND& command) {
    uint8_t record[80];
    CBufferAddressHold address = BuildPassThroughRecord(command, record);
    return SendPassThrough(device, record);
  }

  uint32_t SendDriver(const SCSI_COMMAND& command, uint32_t index) {
    uint8_t record[64];
    CBufferAddressHold address = BuildDriverRecord(command, record);
    DeviceHandle driver = io_->Open("\\\\.\\Tambour", false);
    uint32_t returned = 0;
    bool ok = io_->Control(driver, 1, record, 64, nullptr, index, &returned);
    io_->Close(driver);
    return ok ? 0 : CVirtualDeviceIo::LastError();
  }

  static SCSI_COMMAND Command(std::initializer_list<uint8_t> cdb, DataDirection direction, uint32_t length,
                              void* buffer) {
    SCSI_COMMAND c;
    size_t i = 0;
    for (uint8_t b : cdb) c.cdb[i++] = b;
    c.cdbLength = static_cast<uint8_t>(cdb.size());
    c.direction = direction;
    c.transferLength = length;
    c.buffer = buffer;
    return c;
  }

  static SCSI_COMMAND ReadCd(uint32_t lba, uint8_t frames, void* buffer, uint8_t flags = 0xF0) {
    return Command({0xBE, 0x04, 0, static_cast<uint8_t>(lba >> 16), static_cast<uint8_t>(lba >> 8),
                    static_cast<uint8_t>(lba), 0, 0, frames, flags, 0, 0},
                   DataDirection::In, frames * 2352u, buffer);
  }

  static SCSI_COMMAND Read10(uint32_t lba, uint8_t blocks, uint32_t blockLength, void* buffer) {
    return Command({0x28, 0, 0, static_cast<uint8_t>(lba >> 16), static_cast<uint8_t>(lba >> 8),
                    static_cast<uint8_t>(lba), 0, 0, blocks, 0},
                   DataDirection::In, blocks * blockLength, buffer);
  }

  static SCSI_COMMAND ModeSelect(uint32_t blockLength, uint8_t (&list)[12]) {
    const uint8_t prepared[12] = {0,
                                  0,
                                  0,
                                  8,
                                  0,
                                  0,
                                  0,
                                  0,
                                  0,
                                  static_cast<uint8_t>(blockLength >> 16),
                                  static_cast<uint8_t>(blockLength >> 8),
                                  static_cast<uint8_t>(blockLength)};
    std::memcpy(list, prepared, 12);
    return Command({0x15, 0x10, 0, 0, 12, 0}, DataDirection::Out, 12, list);
  }

  bool Read(DeviceHandle device, uint32_t lba, uint32_t frames, std::vector<uint8_t>& data) {
    data.assign(frames * 2352, 0xEE);
    CD_READ_REQUEST request;
    request.start = lba;
    request.frames = frames;
    request.bytes = frames * 2352;
    request.buffer = data.data();
    return commands_->ReadSectors(device, request);
  }

  std::string folder_, cue_;
  CRecordingDeviceIo system_;
  std::unique_ptr<CVirtualDeviceIo> io_;
  std::unique_ptr<CDriveCommands> commands_;
};

TEST_F(VirtualDriveTest, VirtualLettersJoinTheSystemDrivesAsCdroms) {
  std::vector<VIRTUAL_DRIVE_CONFIG> drives;
  std::string error;
  ASSERT_TRUE(ParseVirtualDrives("X=" + cue_ + ";b=" + cue_ + ";D=" + cue_, drives, error)) << error;
  system_.roots = {"A:\\", "C:\\", "D:\\", "E:\\"};
  system_.types = {{"A:\\", 2}, {"C:\\", 3}, {"D:\\", 3}, {"E:\\", kDriveTypeCdrom}};
  CVirtualDeviceIo io(&system_, drives);
  EXPECT_EQ(io.DriveRoots(), (std::vector<std::string>{"A:\\", "B:\\", "C:\\", "D:\\", "E:\\", "X:\\"}));
  EXPECT_EQ(FindCdromDrives(io), (std::vector<char>{'B', 'D', 'E', 'X'})) << "D: is hidden by the virtual D:";
  EXPECT_EQ(io.DriveType("x:\\"), kDriveTypeCdrom);
  EXPECT_EQ(io.DriveType("C:\\"), 3u);

  // Devices of other drives go to the system; virtual ones never do.
  system_.opened.clear();
  DeviceHandle e = io.Open("\\\\.\\E:", true);
  EXPECT_EQ(e, 0x100);
  DeviceHandle x = io.Open("\\\\.\\x:", true);
  EXPECT_TRUE(CVirtualDeviceIo::IsVirtualHandle(x));
  DeviceHandle x2 = io.Open("\\\\.\\X:", false);
  EXPECT_NE(x, x2);
  EXPECT_EQ(system_.opened, std::vector<std::string>{"\\\\.\\E:"});
  uint8_t record[80] = {};
  io.Control(e, kIoctlScsiPassThroughDirect, record, 80, record, 80, nullptr);
  EXPECT_EQ(system_.calls.size(), 1u);
  io.Close(e);
  io.Close(x);
  EXPECT_EQ(system_.closed, std::vector<DeviceHandle>{0x100});

  // A closed handle is no handle.
  CDriveCommands commands(io);
  CD_TOC toc;
  EXPECT_FALSE(commands.ReadToc(x, toc));
  EXPECT_EQ(CVirtualDeviceIo::LastError(), kInvalidHandle);
  EXPECT_TRUE(commands.ReadToc(x2, toc));

  // Without a system only the virtual drives exist.
  CVirtualDeviceIo alone(nullptr, drives);
  EXPECT_EQ(alone.DriveRoots(), (std::vector<std::string>{"B:\\", "D:\\", "X:\\"}));
  EXPECT_EQ(alone.Open("\\\\.\\C:", true), kInvalidDevice);
}

TEST_F(VirtualDriveTest, IdentifyAndTocOnBothPaths) {
  Start("|vendor=ACME|product=SPINNER 9000|revision=2.1b");
  DeviceHandle v = OpenV();
  CDriveIdentity identity;
  commands_->Install(AccessPath::PassThrough, 0);
  ASSERT_TRUE(commands_->Identify(v, identity));
  EXPECT_STREQ(identity.vendor, "ACME    ");
  EXPECT_STREQ(identity.product, "SPINNER 9000    ");
  EXPECT_STREQ(identity.revision, "2.1b");
  EXPECT_STREQ(identity.vendorSpecific, "VIRTUAL DRIVE V:    ");

  for (AccessPath path : {AccessPath::PassThrough, AccessPath::Driver}) {
    commands_->Install(path, 0);
    commands_->currentDriveLetter = 'V';
    DeviceHandle device = path == AccessPath::Driver ? io_->Open("\\\\.\\Tambour", false) : v;
    CD_TOC toc;
    std::memset(&toc, 0, sizeof(toc));
    ASSERT_TRUE(commands_->ReadToc(device, toc));
    EXPECT_EQ(toc.dataLength[1], 2 + 8 * 5);
    EXPECT_EQ(toc.firstTrack, 2);
    EXPECT_EQ(toc.lastTrack, 5);
    for (int i = 0; i < 5; ++i) {
      uint32_t expected = i < 4 ? kTrackStarts[i] : kLeadOut;
      uint32_t lba = static_cast<uint32_t>(toc.entries[i].address[2]) << 8 | toc.entries[i].address[3];
      EXPECT_EQ(lba, expected) << i;
      EXPECT_EQ(toc.entries[i].trackNumber, i < 4 ? 2 + i : 0xAA);
    }
    EXPECT_EQ(toc.entries[2].adrControl, 0x14) << "track 4 is data";
    EXPECT_EQ(toc.entries[1].adrControl, 0x10);
    ASSERT_TRUE(commands_->Identify(device, identity));
    EXPECT_STREQ(identity.vendor, "ACME    ");
  }
}

TEST_F(VirtualDriveTest, EveryDriveTypeReadsTheImageOnBothPaths) {
  Start("|nosense");
  DeviceHandle v = OpenV();
  DeviceHandle driver = io_->Open("\\\\.\\Tambour", false);
  std::vector<uint8_t> data;
  for (int type = 0; type < kDriveTypeCount; ++type) {
    for (AccessPath path : {AccessPath::PassThrough, AccessPath::Driver}) {
      std::string where =
          std::string(kDriveTypeNames[type]) + (path == AccessPath::Driver ? " driver" : " pass-through");
      commands_->Install(path, type);
      commands_->currentDriveLetter = 'V';
      DeviceHandle device = path == AccessPath::Driver ? driver : v;
      // Across the end of track 2, the INDEX 00 silence and into track 3.
      ASSERT_TRUE(Read(device, 290, 100, data)) << where;
      for (uint32_t f = 0; f < 100; ++f) ExpectPatternFrame(data.data() + f * 2352, 290 + f, where);
      ASSERT_TRUE(Read(device, kLeadOut - 1, 1, data)) << where;
      ExpectPatternFrame(data.data(), kLeadOut - 1, where);
      EXPECT_FALSE(Read(device, kLeadOut - 1, 2, data)) << where << ": past the lead-out";
      EXPECT_EQ(CVirtualDeviceIo::LastError(), kSectorNotFound);
    }
  }
}

TEST_F(VirtualDriveTest, TheDataTrackIsNotAudio) {
  Start();
  DeviceHandle v = OpenV();
  commands_->Install(AccessPath::PassThrough, 0);
  std::vector<uint8_t> data;
  EXPECT_FALSE(Read(v, 720, 10, data)) << "CD-DA read of a data sector";
  EXPECT_EQ(CVirtualDeviceIo::LastError(), kInvalidFunction);
  commands_->Install(AccessPath::PassThrough, 3);
  EXPECT_FALSE(Read(v, 800, 1, data));

  // READ(10) with 2048-byte blocks gives a data sector's user data.
  std::vector<uint8_t> user(2 * 2048);
  EXPECT_EQ(SendCommand(v, Read10(725, 2, 2048, user.data())), 0u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(user.data()), 28), "CANTARO DATA SECTOR 00000725");
  EXPECT_EQ(std::string(reinterpret_cast<char*>(user.data() + 2048), 28), "CANTARO DATA SECTOR 00000726");
  EXPECT_EQ(SendCommand(v, Read10(100, 1, 2048, user.data())), kInvalidFunction) << "audio in 2048-byte blocks";

  // In 2352-byte blocks the raw sector, sync and header included.
  uint8_t list[12];
  ASSERT_EQ(SendCommand(v, ModeSelect(2352, list)), 0u);
  std::vector<uint8_t> raw(2352);
  ASSERT_EQ(SendCommand(v, Read10(725, 1, 2352, raw.data())), 0u);
  const uint8_t sync[12] = {0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0};
  EXPECT_EQ(std::memcmp(raw.data(), sync, 12), 0);
  EXPECT_EQ(raw[12], 0x00);  // 725 + 150 = 875 frames = 00:11:50
  EXPECT_EQ(raw[13], 0x11);
  EXPECT_EQ(raw[14], 0x50);
  EXPECT_EQ(raw[15], 1);
}

TEST_F(VirtualDriveTest, Read10NeedsTheBlockLengthSetByModeSelect) {
  Start();
  DeviceHandle v = OpenV();
  std::vector<uint8_t> data(2 * 2352);
  EXPECT_EQ(SendCommand(v, Read10(10, 2, 2352, data.data())), kInvalidParameter) << "blocks are 2048 bytes";

  uint8_t list[12];
  EXPECT_EQ(SendCommand(v, ModeSelect(512, list)), kInvalidFunction);
  EXPECT_EQ(io_->Drive('V')->BlockLength(), 2048u);
  ASSERT_EQ(SendCommand(v, ModeSelect(2352, list)), 0u);
  EXPECT_EQ(io_->Drive('V')->BlockLength(), 2352u);
  ASSERT_EQ(SendCommand(v, Read10(10, 2, 2352, data.data())), 0u);
  ExpectPatternFrame(data.data() + 2352, 11, "READ(10)");

  // MODE SENSE tells the current length; sent back, it sets it again.
  uint8_t sense[12] = {};
  ASSERT_EQ(SendCommand(v, Command({0x1A, 0, 0, 0, 12, 0}, DataDirection::In, 12, sense)), 0u);
  EXPECT_EQ(sense[3], 8);
  EXPECT_EQ(sense[10] << 8 | sense[11], 2352);
  ASSERT_EQ(SendCommand(v, ModeSelect(2048, list)), 0u);
  EXPECT_EQ(SendCommand(v, Read10(10, 2, 2352, data.data())), kInvalidParameter);
  ASSERT_EQ(SendCommand(v, Command({0x15, 0x00, 0, 0, 12, 0}, DataDirection::Out, 12, sense)), 0u);
  EXPECT_EQ(io_->Drive('V')->BlockLength(), 2352u);

  // Mode pages and saving are not supported.
  uint8_t withPage[16] = {0, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0x09, 0x30, 0x01, 0x02, 0, 0};
  EXPECT_EQ(SendCommand(v, Command({0x15, 0x10, 0, 0, 16, 0}, DataDirection::Out, 16, withPage)), kInvalidFunction);
  EXPECT_EQ(SendCommand(v, Command({0x15, 0x11, 0, 0, 12, 0}, DataDirection::Out, 12, list)), kInvalidFunction);
  EXPECT_EQ(SendCommand(v, Command({0x1A, 0, 0x0E, 0, 12, 0}, DataDirection::In, 12, sense)), kInvalidFunction);
}

TEST_F(VirtualDriveTest, TheBlockLengthSwitchOfTheDriveTypes) {
  Start();
  DeviceHandle v = OpenV();
  std::vector<uint8_t> data;
  // Types 4 and 9 select 2352-byte blocks and read.
  commands_->Install(AccessPath::PassThrough, 4);
  ASSERT_TRUE(Read(v, 5, 3, data));
  ExpectPatternFrame(data.data(), 5, "type 4");
  EXPECT_TRUE(commands_->BlockLengthSet());

  // Type 10 sends the drive's own parameters back: this drive reports
  // 2048-byte blocks, so its READ(10) of 2352-byte blocks is refused...
  uint8_t list[12];
  ASSERT_EQ(SendCommand(v, ModeSelect(2048, list)), 0u);
  commands_->ChangeDriveType(10);
  EXPECT_FALSE(Read(v, 5, 3, data));
  EXPECT_TRUE(commands_->BlockLengthSet());
  EXPECT_EQ(io_->Drive('V')->BlockLength(), 2048u);

  // ...while a drive that rejects MODE SENSE gets the prepared list.
  Start("|nosense");
  v = OpenV();
  commands_->Install(AccessPath::PassThrough, 10);
  ASSERT_TRUE(Read(v, 5, 3, data));
  EXPECT_EQ(io_->Drive('V')->BlockLength(), 2352u);
  uint8_t sense[12];
  EXPECT_EQ(SendCommand(v, Command({0x1A, 0, 0, 0, 12, 0}, DataDirection::In, 12, sense)), kInvalidFunction);
}

TEST_F(VirtualDriveTest, PassThroughRecordsAreCheckedAsADriverWould) {
  Start();
  DeviceHandle v = OpenV();
  std::vector<uint8_t> data(2 * 2352);
  SCSI_COMMAND good = ReadCd(0, 2, data.data());
  ASSERT_EQ(SendCommand(v, good), 0u);

  SCSI_COMMAND c = good;
  c.direction = DataDirection::Out;
  EXPECT_EQ(SendCommand(v, c), kInvalidParameter) << "a read sent as data out";
  c.direction = DataDirection::Unspecified;
  EXPECT_EQ(SendCommand(v, c), kInvalidParameter);
  uint8_t list[12];
  c = ModeSelect(2352, list);
  c.direction = DataDirection::In;
  EXPECT_EQ(SendCommand(v, c), kInvalidParameter) << "MODE SELECT sent as data in";

  c = good;
  c.transferLength = 2352;  // the CDB asks for two frames
  EXPECT_EQ(SendCommand(v, c), kInvalidParameter);
  c.transferLength = 3 * 2352;
  EXPECT_EQ(SendCommand(v, c), kInvalidParameter);
  c = good;
  c.cdbLength = 10;
  EXPECT_EQ(SendCommand(v, c), kInvalidParameter);
  c = good;
  c.buffer = nullptr;
  EXPECT_EQ(SendCommand(v, c), kInvalidUserBuffer);

  // Commands this drive does not know, and fields it does not serve.
  uint8_t buffer[64] = {};
  EXPECT_EQ(SendCommand(v, Command({0x1E, 0, 0, 0, 0, 0}, DataDirection::Unspecified, 0, nullptr)), kInvalidFunction);
  EXPECT_EQ(SendCommand(v, Command({0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}, DataDirection::In, 8, buffer)), kInvalidFunction);
  EXPECT_EQ(SendCommand(v, Command({0x42, 0x02, 0x40, 0x01, 0, 0, 0, 0, 16, 0}, DataDirection::In, 16, buffer)),
            kInvalidFunction);
  EXPECT_EQ(SendCommand(v, Command({0x43, 0x02, 0, 0, 0, 0, 0, 0, 64, 0}, DataDirection::In, 64, buffer)),
            kInvalidFunction)
      << "MSF form";
  EXPECT_EQ(SendCommand(v, Command({0x43, 0, 1, 0, 0, 0, 0, 0, 64, 0}, DataDirection::In, 64, buffer)),
            kInvalidFunction)
      << "format 1";
  EXPECT_EQ(SendCommand(v, Command({0x12, 1, 0x80, 0, 64, 0}, DataDirection::In, 64, buffer)), kInvalidFunction);
  c = good;
  c.cdb[1] = 0x00;  // any sector type
  EXPECT_EQ(SendCommand(v, c), kInvalidFunction);
  c = good;
  c.cdb[9] = 0xF8;  // with C2 error bits: a different size
  EXPECT_EQ(SendCommand(v, c), kInvalidFunction);
  c = good;
  c.cdb[10] = 1;  // raw sub-channel
  EXPECT_EQ(SendCommand(v, c), kInvalidFunction);

  // The record itself.
  uint8_t record[80];
  CBufferAddressHold held1 = BuildPassThroughRecord(good, record);
  uint32_t returned = 0;
  EXPECT_FALSE(io_->Control(v, 0x4D004, record, 80, record, 80, &returned));  // IOCTL_SCSI_PASS_THROUGH
  EXPECT_EQ(CVirtualDeviceIo::LastError(), kInvalidFunction);
  EXPECT_FALSE(io_->Control(v, kIoctlScsiPassThroughDirect, record, 40, record, 80, &returned));
  EXPECT_EQ(CVirtualDeviceIo::LastError(), kInvalidParameter);
  EXPECT_FALSE(io_->Control(v, kIoctlScsiPassThroughDirect, record, 80, nullptr, 0, &returned));
  EXPECT_FALSE(io_->Control(v, kIoctlScsiPassThroughDirect, record, 80, record, 40, &returned));
  record[0] = 40;
  EXPECT_EQ(SendPassThrough(v, record), kInvalidParameter) << "Length field";
  CBufferAddressHold held2 = BuildPassThroughRecord(good, record);
  record[sptd::kDataIn] = 3;
  EXPECT_EQ(SendPassThrough(v, record), kInvalidParameter);
  CBufferAddressHold held3 = BuildPassThroughRecord(good, record);
  StoreLe32(record + sptd::kTimeOutValue, 0);
  EXPECT_EQ(SendPassThrough(v, record), kInvalidParameter);
  CBufferAddressHold held4 = BuildPassThroughRecord(good, record);
  record[sptd::kSenseInfoLength] = 40;  // 48 + 40 lies outside the 80 bytes
  EXPECT_EQ(SendPassThrough(v, record), kInvalidParameter);
  CBufferAddressHold held5 = BuildPassThroughRecord(good, record);
  StoreLe32(record + sptd::kDataBuffer, 0);
  EXPECT_EQ(SendPassThrough(v, record), kInvalidUserBuffer);

  // The system hands a good record back with the bytes moved.
  CD_TOC toc;
  CBufferAddressHold held6 =
      BuildPassThroughRecord(Command({0x43, 0, 0, 0, 0, 0, 0, 0x03, 0x24, 0}, DataDirection::In, 804, &toc), record);
  record[sptd::kScsiStatus] = 0x55;
  ASSERT_EQ(SendPassThrough(v, record), 0u);
  EXPECT_EQ(LoadLe32(record + sptd::kDataTransferLength), 4u + 8u * 5u);
  EXPECT_EQ(record[sptd::kScsiStatus], 0);
}

TEST_F(VirtualDriveTest, DriverRecordsAreCheckedAndNameTheirDrive) {
  Start();
  std::vector<uint8_t> data(2352);
  SCSI_COMMAND good = ReadCd(10, 1, data.data());
  EXPECT_EQ(SendDriver(good, 'V' - 'A'), 0u);
  ExpectPatternFrame(data.data(), 10, "driver");
  EXPECT_EQ(SendDriver(good, 'D' - 'A'), kInvalidDrive) << "D: is not served by the virtual driver";
  EXPECT_EQ(SendDriver(good, 26), kInvalidDrive);
  EXPECT_EQ(SendDriver(good, 0xFFFFFFFFu), kInvalidDrive);

  // No direction travels in the record, so none is checked...
  SCSI_COMMAND c = good;
  c.direction = DataDirection::Out;
  EXPECT_EQ(SendDriver(c, 'V' - 'A'), 0u);
  // ...but the CDB and the transfer length are.
  c = good;
  c.transferLength = 100;
  EXPECT_EQ(SendDriver(c, 'V' - 'A'), kInvalidParameter);
  c = good;
  c.cdbLength = 6;
  EXPECT_EQ(SendDriver(c, 'V' - 'A'), kInvalidParameter);

  DeviceHandle driver = io_->Open("\\\\.\\TAMBOUR", false);
  ASSERT_TRUE(CVirtualDeviceIo::IsVirtualHandle(driver));
  uint8_t record[64];
  uint32_t returned = 0;
  auto send = [&](uint32_t code, uint32_t size) {
    return io_->Control(driver, code, record, size, nullptr, 'V' - 'A', &returned) ? 0u : CVirtualDeviceIo::LastError();
  };
  CBufferAddressHold held7 = BuildDriverRecord(good, record);
  EXPECT_EQ(send(1, 64), 0u);
  EXPECT_EQ(send(kIoctlScsiPassThroughDirect, 64), kInvalidFunction);
  EXPECT_EQ(send(1, 80), kInvalidParameter);
  record[11] = 15;
  EXPECT_EQ(send(1, 64), kInvalidParameter);
  CBufferAddressHold held8 = BuildDriverRecord(good, record);
  record[12] = 65;
  EXPECT_EQ(send(1, 64), kInvalidParameter);
  CBufferAddressHold held9 = BuildDriverRecord(good, record);
  record[0] = 63;
  EXPECT_EQ(send(1, 64), kInvalidParameter);

  // A drive handle does not take driver records.
  DeviceHandle v = OpenV();
  CBufferAddressHold held10 = BuildDriverRecord(good, record);
  EXPECT_FALSE(io_->Control(v, 1, record, 64, nullptr, 'V' - 'A', &returned));
  EXPECT_EQ(CVirtualDeviceIo::LastError(), kInvalidFunction);
}

TEST_F(VirtualDriveTest, UnreadableRangesFailOnlyTheReadsThatTouchThem) {
  Start("|bad=400-409|bad=900");
  DeviceHandle v = OpenV();
  commands_->Install(AccessPath::PassThrough, 0);
  commands_->retryTimes = 3;
  std::vector<uint8_t> data;
  EXPECT_TRUE(Read(v, 380, 20, data));
  EXPECT_FALSE(Read(v, 395, 10, data));
  EXPECT_EQ(CVirtualDeviceIo::LastError(), kCrc);
  EXPECT_FALSE(Read(v, 409, 1, data));
  EXPECT_TRUE(Read(v, 410, 26, data));
  ExpectPatternFrame(data.data(), 410, "after the bad range");
  EXPECT_FALSE(Read(v, 890, 26, data));
  EXPECT_TRUE(Read(v, 901, 26, data));
}

TEST_F(VirtualDriveTest, UnstableRangeReturnsOtherSamplesOnEveryRead) {
  Start("|unstable=400-409");
  DeviceHandle v = OpenV();
  commands_->Install(AccessPath::PassThrough, 0);
  std::vector<uint8_t> first, second, third;
  ASSERT_TRUE(Read(v, 390, 26, first));
  ASSERT_TRUE(Read(v, 390, 26, second));
  ASSERT_TRUE(Read(v, 390, 26, third));
  EXPECT_NE(first, second);
  EXPECT_NE(second, third);
  EXPECT_NE(first, third);
  // Only the frames inside the range differ from the image.
  ExpectPatternFrame(first.data(), 390, "before the range");
  ExpectPatternFrame(first.data() + 9 * 2352, 399, "before the range");
  ExpectPatternFrame(first.data() + 20 * 2352, 410, "after the range");
  EXPECT_TRUE(std::equal(first.begin(), first.begin() + 10 * 2352, second.begin()));
  EXPECT_FALSE(std::equal(first.begin() + 10 * 2352, first.begin() + 11 * 2352, second.begin() + 10 * 2352));
  EXPECT_FALSE(std::equal(first.begin() + 19 * 2352, first.begin() + 20 * 2352, second.begin() + 19 * 2352));
  // Reads elsewhere are neither altered nor counted.
  ASSERT_TRUE(Read(v, 100, 26, first));
  ExpectPatternFrame(first.data(), 100, "elsewhere");
}

TEST_F(VirtualDriveTest, UnstableRangeSettlesAfterItsFirstReads) {
  Start("|unstable=400:2");
  DeviceHandle v = OpenV();
  commands_->Install(AccessPath::PassThrough, 0);
  std::vector<uint8_t> data, settled;
  ASSERT_TRUE(Read(v, 400, 1, data));
  ASSERT_TRUE(Read(v, 399, 2, settled));
  EXPECT_FALSE(std::equal(data.begin(), data.end(), settled.begin() + 2352)) << "the second read still differs";
  ASSERT_TRUE(Read(v, 400, 1, settled));
  ExpectPatternFrame(settled.data(), 400, "third read");
  ASSERT_TRUE(Read(v, 400, 1, settled));
  ExpectPatternFrame(settled.data(), 400, "fourth read");
}

TEST_F(VirtualDriveTest, FlakyDriveFailsTheFirstAttemptsOfEveryCommand) {
  Start("|flaky=2");
  DeviceHandle v = OpenV();
  commands_->Install(AccessPath::PassThrough, 0);
  CDriveIdentity identity;
  CD_TOC toc;
  std::vector<uint8_t> data;
  commands_->retryTimes = 2;
  EXPECT_FALSE(commands_->Identify(v, identity));
  EXPECT_EQ(CVirtualDeviceIo::LastError(), kIoDevice);
  EXPECT_FALSE(commands_->ReadToc(v, toc));
  EXPECT_FALSE(Read(v, 0, 26, data));
  EXPECT_FALSE(Read(v, 26, 26, data));

  commands_->retryTimes = 3;
  for (int round = 0; round < 2; ++round) {
    EXPECT_TRUE(commands_->Identify(v, identity)) << round;
    EXPECT_TRUE(commands_->ReadToc(v, toc)) << round;
    EXPECT_TRUE(Read(v, 0, 26, data)) << round;
    EXPECT_TRUE(Read(v, 26, 26, data)) << round;
  }
  ExpectPatternFrame(data.data(), 26, "flaky");

  // The same command again is a new command: its first attempts fail too.
  ASSERT_TRUE(commands_->ReadToc(v, toc));
  commands_->retryTimes = 1;
  EXPECT_FALSE(commands_->ReadToc(v, toc));
  EXPECT_FALSE(commands_->ReadToc(v, toc));
  EXPECT_TRUE(commands_->ReadToc(v, toc)) << "its third attempt";
}

TEST_F(VirtualDriveTest, DelayPerSector) {
  Start("|delay=5");
  DeviceHandle v = OpenV();
  commands_->Install(AccessPath::PassThrough, 0);
  std::vector<uint8_t> data;
  auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(Read(v, 0, 8, data));
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(40));
}

TEST_F(VirtualDriveTest, NoMediumAnswersInquiryButNotTheDisc) {
  Start("|nomedium");
  DeviceHandle v = OpenV();
  EXPECT_TRUE(CVirtualDeviceIo::IsVirtualHandle(v)) << "an empty drive still opens";
  commands_->Install(AccessPath::PassThrough, 4);
  CDriveIdentity identity;
  EXPECT_TRUE(commands_->Identify(v, identity));
  CD_TOC toc;
  EXPECT_FALSE(commands_->ReadToc(v, toc));
  EXPECT_EQ(CVirtualDeviceIo::LastError(), kNotReady);
  std::vector<uint8_t> data;
  EXPECT_FALSE(Read(v, 0, 1, data));
  EXPECT_EQ(CVirtualDeviceIo::LastError(), kNotReady);
  EXPECT_TRUE(commands_->BlockLengthSet()) << "MODE SELECT needs no medium";
  EXPECT_TRUE(io_->PollMedia().empty()) << "the option keeps the tray empty";
  EXPECT_TRUE(io_->TakeLoadProblems().empty());
}

TEST_F(VirtualDriveTest, TheTrayCommandsMoveTheEjectFileAndTheLogListsEveryCommand) {
  std::string log = folder_ + "commands.log";
  Start("|log=" + log);
  DeviceHandle v = OpenV();
  commands_->Install(AccessPath::PassThrough, 0);
  EXPECT_TRUE(commands_->TestUnitReady(v));
  ASSERT_TRUE(commands_->MoveTray(v, true));
  EXPECT_TRUE(std::filesystem::exists(HostFolder(EjectFilePath(cue_))));
  ASSERT_EQ(io_->PollMedia().size(), 1u);
  EXPECT_FALSE(commands_->TestUnitReady(v));
  EXPECT_EQ(CVirtualDeviceIo::LastError(), kNotReady);
  ASSERT_TRUE(commands_->MoveTray(v, false));
  EXPECT_FALSE(std::filesystem::exists(HostFolder(EjectFilePath(cue_))));
  ASSERT_EQ(io_->PollMedia().size(), 1u);
  EXPECT_TRUE(commands_->TestUnitReady(v));
  // TEST UNIT READY and START STOP UNIT carry no data and say so.
  SCSI_COMMAND withData;
  withData.cdb[0] = 0x00;
  withData.cdbLength = 6;
  withData.direction = DataDirection::In;
  uint32_t transferred = 0;
  EXPECT_EQ(io_->Drive('V')->Execute(withData, true, transferred), kInvalidParameter);

  std::ifstream file(HostFolder(log));
  std::vector<std::string> lines;
  for (std::string line; std::getline(file, line);) lines.push_back(line.substr(0, line.find('\r')));
  const std::vector<std::string> expected = {"00 00 00 00 00 00", "1B 00 00 00 02 00", "00 00 00 00 00 00",
                                             "1B 00 00 00 03 00", "00 00 00 00 00 00", "00 00 00 00 00 00"};
  EXPECT_EQ(lines, expected);
}

TEST_F(VirtualDriveTest, MediaAreRemovedAndInsertedByTheEjectFile) {
  Start();
  DeviceHandle v = OpenV();
  commands_->Install(AccessPath::PassThrough, 0);
  CD_TOC toc;
  ASSERT_TRUE(commands_->ReadToc(v, toc));
  EXPECT_TRUE(io_->PollMedia().empty());

  ASSERT_TRUE(RemoveVirtualMedium(cue_));
  std::vector<MEDIA_CHANGE> changes = io_->PollMedia();
  ASSERT_EQ(changes.size(), 1u);
  EXPECT_EQ(changes[0].letter, 'V');
  EXPECT_FALSE(changes[0].arrived);
  EXPECT_TRUE(io_->PollMedia().empty());
  EXPECT_FALSE(commands_->ReadToc(v, toc));
  EXPECT_EQ(CVirtualDeviceIo::LastError(), kNotReady);

  // Another disc goes in: one track of 100 frames.
  DISC_IMAGE_LAYOUT other;
  IMAGE_TRACK one;
  one.frames = 100;
  other.tracks.push_back(one);
  std::string error;
  ASSERT_TRUE(WriteDiscImage(other, cue_, error)) << error;
  ASSERT_TRUE(InsertVirtualMedium(cue_));
  changes = io_->PollMedia();
  ASSERT_EQ(changes.size(), 1u);
  EXPECT_TRUE(changes[0].arrived);
  ASSERT_TRUE(commands_->ReadToc(v, toc)) << "the handle stays good across the change";
  EXPECT_EQ(toc.lastTrack, 1);
  EXPECT_EQ(toc.entries[1].address[3], 100);

  // A drive set up while the eject file exists starts empty.
  ASSERT_TRUE(RemoveVirtualMedium(cue_));
  Start();
  EXPECT_FALSE(io_->Drive('V')->HasMedium());
  EXPECT_TRUE(io_->TakeLoadProblems().empty());
  ASSERT_TRUE(InsertVirtualMedium(cue_));
  EXPECT_EQ(io_->PollMedia().size(), 1u);
  EXPECT_TRUE(io_->Drive('V')->HasMedium());
}

TEST_F(VirtualDriveTest, AnImageThatCannotBeLoadedLeavesTheTrayEmpty) {
  CImageFile broken;
  ASSERT_TRUE(broken.Create(cue_));
  ASSERT_TRUE(broken.Write("FILE disc.bin WAVE\n", 19));
  ASSERT_TRUE(broken.Finish());
  Start();
  EXPECT_FALSE(io_->Drive('V')->HasMedium());
  std::vector<std::string> problems = io_->TakeLoadProblems();
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_NE(problems[0].find("V: "), std::string::npos);
  EXPECT_NE(problems[0].find("not supported"), std::string::npos) << problems[0];
  EXPECT_TRUE(io_->PollMedia().empty()) << "not retried until the medium is changed";
  EXPECT_TRUE(io_->TakeLoadProblems().empty());

  // Mended and changed: it arrives.
  std::string error;
  ASSERT_TRUE(WriteDiscImage(TestLayout(), cue_, error));
  ASSERT_TRUE(RemoveVirtualMedium(cue_));
  EXPECT_TRUE(io_->PollMedia().empty());
  ASSERT_TRUE(InsertVirtualMedium(cue_));
  std::vector<MEDIA_CHANGE> changes = io_->PollMedia();
  ASSERT_EQ(changes.size(), 1u);
  EXPECT_TRUE(changes[0].arrived);
}

TEST(VirtualDriveConfig, ItemsAndOptions) {
  std::vector<VIRTUAL_DRIVE_CONFIG> drives;
  std::string error;
  ASSERT_TRUE(ParseVirtualDrives("V=C:\\discs\\demo.cue;W=Z:\\tmp\\t1.cue|bad=1000-1025|flaky=2", drives, error))
      << error;
  ASSERT_EQ(drives.size(), 2u);
  EXPECT_EQ(drives[0].letter, 'V');
  EXPECT_EQ(drives[0].cuePath, "C:\\discs\\demo.cue");
  EXPECT_TRUE(drives[0].badRanges.empty());
  EXPECT_EQ(drives[0].vendor, "CANTARO");
  EXPECT_EQ(drives[1].letter, 'W');
  ASSERT_EQ(drives[1].badRanges.size(), 1u);
  EXPECT_EQ(drives[1].badRanges[0].first, 1000u);
  EXPECT_EQ(drives[1].badRanges[0].last, 1025u);
  EXPECT_EQ(drives[1].failFirstAttempts, 2u);

  ASSERT_TRUE(ParseVirtualDrives(
      " ; x = Z:\\my discs\\a b.cue | nosense | NoMedium | delay=20 | bad=7 | bad = 9 - 12 |vendor=AB CD|"
      "product=0123456789ABCDEF|revision=R 2 ;;",
      drives, error))
      << error;
  ASSERT_EQ(drives.size(), 1u);
  EXPECT_EQ(drives[0].letter, 'X');
  EXPECT_EQ(drives[0].cuePath, "Z:\\my discs\\a b.cue");
  EXPECT_TRUE(drives[0].rejectModeSense);
  EXPECT_TRUE(drives[0].noMedium);
  EXPECT_EQ(drives[0].delayPerSectorUs, 20000u);
  std::vector<VIRTUAL_DRIVE_CONFIG> fine;
  ASSERT_TRUE(ParseVirtualDrives("V=a.cue|delay=0.556", fine, error)) << error;
  EXPECT_EQ(fine[0].delayPerSectorUs, 556u) << "a 24x drive";
  ASSERT_TRUE(ParseVirtualDrives("V=a.cue|delay=1000.0", fine, error)) << error;
  EXPECT_EQ(fine[0].delayPerSectorUs, 1000000u);
  EXPECT_EQ(fine[0].readOffset, 0);
  ASSERT_TRUE(ParseVirtualDrives("V=a.cue|offset=-1160;W=b.cue|offset=+667;X=c.cue|offset=5880", fine, error));
  EXPECT_EQ(fine[0].readOffset, -1160);
  EXPECT_EQ(fine[1].readOffset, 667);
  EXPECT_EQ(fine[2].readOffset, 5880);
  ASSERT_EQ(drives[0].badRanges.size(), 2u);
  EXPECT_EQ(drives[0].badRanges[0].first, 7u);
  EXPECT_EQ(drives[0].badRanges[0].last, 7u);
  EXPECT_EQ(drives[0].badRanges[1].first, 9u);
  EXPECT_EQ(drives[0].badRanges[1].last, 12u);
  EXPECT_EQ(drives[0].vendor, "AB CD");
  EXPECT_EQ(drives[0].product, "0123456789ABCDEF");
  EXPECT_EQ(drives[0].revision, "R 2");

  ASSERT_TRUE(ParseVirtualDrives("V=a.cue|unstable=5|unstable = 10-20 : 3", fine, error)) << error;
  ASSERT_EQ(fine[0].unstableRanges.size(), 2u);
  EXPECT_EQ(fine[0].unstableRanges[0].range.first, 5u);
  EXPECT_EQ(fine[0].unstableRanges[0].range.last, 5u);
  EXPECT_EQ(fine[0].unstableRanges[0].unstableReads, 0u) << "every read";
  EXPECT_EQ(fine[0].unstableRanges[1].range.first, 10u);
  EXPECT_EQ(fine[0].unstableRanges[1].range.last, 20u);
  EXPECT_EQ(fine[0].unstableRanges[1].unstableReads, 3u);

  EXPECT_TRUE(ParseVirtualDrives("", drives, error));
  EXPECT_TRUE(drives.empty());
}

TEST(VirtualDriveConfig, MalformedItemsAreNamed) {
  struct CASE {
    std::string text;
    const char* reason;
  };
  std::string manyBad = "V=a.cue";
  for (int i = 0; i <= 64; ++i) manyBad += "|bad=" + std::to_string(i);
  const CASE cases[] = {
      {"V", "expected LETTER=PATH_TO_CUE"},
      {"=a.cue", "expected LETTER=PATH_TO_CUE"},
      {"VW=a.cue", "expected LETTER=PATH_TO_CUE"},
      {"1=a.cue", "expected LETTER=PATH_TO_CUE"},
      {"V=", "no cue sheet path"},
      {"V= |nosense", "no cue sheet path"},
      {"V=a.cue|log", "option \"log\" needs a value"},
      {"V=a.cue|log=" + std::string(260, 'p'), "log path must be at most 259"},
      {"V=" + std::string(260, 'p'), "at most 259"},
      {"V=a\tb.cue", "printable"},
      {"V=a.cue;W=b.cue|bogus", "item \"W=b.cue|bogus\": unknown option \"bogus\""},
      {"V=a.cue|bad=5-3", "not an LBA or a range"},
      {"V=a.cue|bad=x", "not an LBA or a range"},
      {"V=a.cue|bad=1-", "not an LBA or a range"},
      {"V=a.cue|bad=99999999999", "not an LBA or a range"},
      {"V=a.cue|bad", "needs a value"},
      {"V=a.cue|flaky=1001", "from 0 to 1000"},
      {"V=a.cue|unstable=9-3", "not an LBA or a range"},
      {"V=a.cue|unstable=3:0", "reads from 1 to 1000"},
      {"V=a.cue|unstable=3:1001", "reads from 1 to 1000"},
      {"V=a.cue|unstable=3:", "reads from 1 to 1000"},
      {"V=a.cue|unstable", "needs a value"},
      {"V=a.cue|flaky=-1", "from 0 to 1000"},
      {"V=a.cue|delay=1001", "from 0 to 1000"},
      {"V=a.cue|delay=1000.001", "from 0 to 1000"},
      {"V=a.cue|delay=0.5555", "up to three decimals"},
      {"V=a.cue|delay=.5", "from 0 to 1000"},
      {"V=a.cue|delay=1.", "from 0 to 1000"},
      {"V=a.cue|nosense=1", "takes no value"},
      {"V=a.cue|offset=5881", "from -5880 to 5880"},
      {"V=a.cue|offset=-x", "from -5880 to 5880"},
      {"V=a.cue|offset=", "from -5880 to 5880"},
      {"V=a.cue|offset", "needs a value"},
      {"V=a.cue|vendor=NINECHARS", "at most 8"},
      {"V=a.cue|product=SEVENTEEN CHARS!!", "at most 16"},
      {"V=a.cue|revision=12345", "at most 4"},
      {"V=a.cue;v=b.cue", "listed twice"},
      {manyBad, "more than 64 bad ranges"},
      {std::string(9000, ';'), "longer than 8192"},
  };
  for (const CASE& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 80));
    std::vector<VIRTUAL_DRIVE_CONFIG> drives;
    std::string error;
    EXPECT_FALSE(ParseVirtualDrives(c.text, drives, error));
    EXPECT_TRUE(drives.empty());
    EXPECT_NE(error.find("CANTARO_VIRTUAL_DRIVES"), std::string::npos) << error;
    EXPECT_NE(error.find(c.reason), std::string::npos) << error;
  }
}

}  // namespace

namespace {

// READ(10) of data-track blocks against MODE SELECT switching the block
// length on another thread. A read sized for one length is either refused
// or served whole in that length: 2048-byte blocks leave the bytes after
// them as they were, 2352-byte blocks are raw sectors (sync pattern first).
TEST_F(VirtualDriveTest, ReadTenAndModeSelectOnTwoThreadsAgreeOnTheBlockLength) {
  Start();
  CVirtualDrive& drive = *io_->Drive('V');
  constexpr uint32_t kBlocks = 1;
  const uint8_t sync[12] = {0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0};
  std::atomic<bool> done{false};
  std::thread switcher([&] {
    uint8_t list[12];
    for (uint32_t i = 0; !done.load(); ++i) {
      uint32_t transferred = 0;
      drive.Execute(ModeSelect(i % 2 ? 2352 : 2048, list), true, transferred);
      std::this_thread::yield();
    }
  });
  std::vector<uint8_t> buffer(kBlocks * 2352);
  int served = 0, mixed = 0;
  // Long enough for the two threads to meet between the steps of a read
  // many times over; a drive that is safe takes the whole time.
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  for (uint32_t i = 0; std::chrono::steady_clock::now() < end && mixed == 0; ++i) {
    const uint32_t blockLength = i % 2 ? 2352 : 2048;
    std::fill(buffer.begin(), buffer.end(), 0xA5);
    uint32_t transferred = 0;
    if (drive.Execute(Read10(725 + i % 100, kBlocks, blockLength, buffer.data()), true, transferred) != 0) continue;
    ++served;
    if (blockLength == 2048) {
      if (std::any_of(buffer.begin() + kBlocks * 2048, buffer.end(), [](uint8_t b) { return b != 0xA5; })) ++mixed;
    } else {
      for (uint32_t block = 0; block < kBlocks; ++block)
        if (std::memcmp(buffer.data() + block * 2352, sync, sizeof(sync)) != 0) ++mixed;
    }
  }
  done = true;
  switcher.join();
  EXPECT_EQ(mixed, 0) << "a read sized by one block length was served in the other";
  EXPECT_GT(served, 0);
}

// The 64-bit host build puts buffer addresses in a table: a command whose
// record is built keeps its slot, however many commands another thread
// sends before it is sent, and its INQUIRY lands in its own buffer.
TEST_F(VirtualDriveTest, BufferAddressOutlivesOtherThreadsCommands) {
  Start();
  DeviceHandle v = OpenV();
  std::vector<uint8_t> mine(96, 0);
  uint8_t record[80];
  CBufferAddressHold address =
      BuildPassThroughRecord(Command({0x12, 0, 0, 0, 96, 0}, DataDirection::In, 96, mine.data()), record);
  // More commands than the table has slots, each with a buffer of its own
  // (all kept, so that no address comes round again).
  std::vector<std::vector<uint8_t>> theirs(5000, std::vector<uint8_t>(96, 0));
  int theirFailures = 0;
  std::thread other([&] {
    DeviceHandle device = OpenV();
    for (std::vector<uint8_t>& buffer : theirs)
      if (SendCommand(device, Command({0x12, 0, 0, 0, 96, 0}, DataDirection::In, 96, buffer.data())) != 0)
        ++theirFailures;
  });
  other.join();
  EXPECT_EQ(theirFailures, 0);
  ASSERT_EQ(SendPassThrough(v, record), 0u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(mine.data() + 8), 8), "CANTARO ");
  EXPECT_EQ(std::string(reinterpret_cast<char*>(theirs.back().data() + 8), 8), "CANTARO ");
}

}  // namespace
