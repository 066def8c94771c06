// The drive command set: the request records byte for byte on both access
// paths, the attempt loop, the block-length switch and the read guard.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "cdrom/cd_text.h"
#include "cdrom/drive_commands.h"
#include "recording_device_io.h"

namespace {

using Bytes = std::vector<uint8_t>;

void PutLe32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// The pass-through record written out by hand from its documented layout.
Bytes ExpectedPassThrough(const Bytes& cdb, uint8_t dataIn, uint32_t transfer, void* buffer) {
  Bytes b(80, 0);
  b[0] = 44;
  b[6] = static_cast<uint8_t>(cdb.size());
  b[8] = dataIn;
  PutLe32(b, 12, transfer);
  PutLe32(b, 16, 5);
  PutLe32(b, 20, EncodeBufferAddress(buffer));
  PutLe32(b, 24, 48);
  std::memcpy(b.data() + 28, cdb.data(), cdb.size());
  return b;
}

Bytes ExpectedDriver(const Bytes& cdb, uint32_t transfer, void* buffer) {
  Bytes b(64, 0);
  b[0] = 64;
  b[10] = static_cast<uint8_t>(cdb.size());
  b[11] = 14;
  PutLe32(b, 12, 64);
  PutLe32(b, 16, transfer);
  PutLe32(b, 24, EncodeBufferAddress(buffer));
  std::memcpy(b.data() + 48, cdb.data(), cdb.size());
  return b;
}

class DriveCommandsTest : public ::testing::Test {
 protected:
  void Use(AccessPath path, int type) {
    commands_.Install(path, type);
    commands_.retryTimes = 1;
  }

  CD_READ_REQUEST Request(uint32_t start, uint32_t frames) {
    buffer_.assign(frames * kFrameBytes + 1, 0);
    CD_READ_REQUEST r;
    r.start = start;
    r.frames = frames;
    r.bytes = frames * kFrameBytes;
    r.buffer = buffer_.data();
    return r;
  }

  void ExpectPassThroughCall(const RECORDED_CALL& call, const Bytes& cdb, uint8_t dataIn, uint32_t transfer,
                             void* buffer) {
    EXPECT_EQ(call.code, 0x4D014u);
    EXPECT_EQ(call.inSize, 80u);
    EXPECT_EQ(call.outSize, 80u);
    EXPECT_TRUE(call.outIsIn) << "the record is also the output buffer";
    EXPECT_EQ(call.in, ExpectedPassThrough(cdb, dataIn, transfer, buffer));
    EXPECT_EQ(call.Buffer(), buffer);
  }

  void ExpectDriverCall(const RECORDED_CALL& call, const Bytes& cdb, uint32_t transfer, void* buffer, uint32_t index) {
    EXPECT_EQ(call.code, 1u);
    EXPECT_EQ(call.inSize, 64u);
    EXPECT_TRUE(call.outIsNull);
    EXPECT_EQ(call.outSize, index) << "the drive index travels as the output size";
    EXPECT_EQ(call.in, ExpectedDriver(cdb, transfer, buffer));
    EXPECT_EQ(call.Buffer(), buffer);
  }

  CRecordingDeviceIo io_;
  CDriveCommands commands_{io_};
  Bytes buffer_;
};

TEST_F(DriveCommandsTest, ReadTocAndInquiryRecordsOnBothPaths) {
  CD_TOC toc;
  Use(AccessPath::PassThrough, 0);
  ASSERT_TRUE(commands_.ReadToc(0x100, toc));
  ExpectPassThroughCall(io_.calls[0], {0x43, 0, 0, 0, 0, 0, 0, 0x03, 0x24, 0}, 1, 804, &toc);
  EXPECT_EQ(io_.calls[0].device, 0x100);

  CDriveIdentity identity;
  ASSERT_TRUE(commands_.Identify(0x100, identity));
  const RECORDED_CALL& inquiry = io_.calls[1];
  EXPECT_EQ(inquiry.in[6], 6);
  EXPECT_EQ(Bytes(inquiry.Cdb(), inquiry.Cdb() + 16), Bytes({0x12, 0, 0, 0, 0x64, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(inquiry.TransferLength(), 100u);
  EXPECT_EQ(inquiry.in[8], 1);

  io_.calls.clear();
  Use(AccessPath::Driver, 0);
  commands_.currentDriveLetter = 'E';
  ASSERT_TRUE(commands_.ReadToc(0x200, toc));
  ExpectDriverCall(io_.calls[0], {0x43, 0, 0, 0, 0, 0, 0, 0x03, 0x24, 0}, 804, &toc, 4);
  ASSERT_TRUE(commands_.Identify(0x200, identity));
  EXPECT_EQ(io_.calls[1].in[10], 6);
  EXPECT_EQ(io_.calls[1].Opcode(), 0x12);
  EXPECT_EQ(io_.calls[1].outSize, 4u);
}

TEST_F(DriveCommandsTest, CdTextReadAsksForEveryPackOnBothPaths) {
  std::vector<uint8_t> data{1, 2, 3};
  Use(AccessPath::PassThrough, 0);
  ASSERT_TRUE(commands_.ReadCdText(0x100, data));
  ASSERT_EQ(data.size(), kCdTextResponseBytes);
  ExpectPassThroughCall(io_.calls[0], {0x43, 0, 0x05, 0, 0, 0, 0, 0x90, 0x04, 0}, 1, 0x9004, data.data());
  EXPECT_EQ(data[0], 0) << "the buffer starts cleared";

  io_.calls.clear();
  Use(AccessPath::Driver, 0);
  commands_.currentDriveLetter = 'E';
  ASSERT_TRUE(commands_.ReadCdText(0x200, data));
  ExpectDriverCall(io_.calls[0], {0x43, 0, 0x05, 0, 0, 0, 0, 0x90, 0x04, 0}, 0x9004, data.data(), 4);

  io_.calls.clear();
  io_.otherwise = false;
  commands_.retryTimes = 2;
  EXPECT_FALSE(commands_.ReadCdText(0x200, data)) << "a drive without CD-Text refuses";
  EXPECT_EQ(io_.calls.size(), 2u);
}

// Every drive type's read command, as both paths send it, for a start LBA
// of 0x012345 and 26 frames.
struct READ_ROW {
  int type;
  Bytes cdb;
};

const READ_ROW kReadRows[] = {
    {0, {0xBE, 0x04, 0x00, 0x01, 0x23, 0x45, 0x00, 0x00, 26, 0xF0, 0x00, 0x00}},
    {1, {0xBE, 0x04, 0x00, 0x01, 0x23, 0x45, 0x00, 0x00, 26, 0x10, 0x00, 0x00}},
    {2, {0xD4, 0x00, 0x00, 0x01, 0x23, 0x45, 0x00, 0x00, 26, 0x00}},
    {3, {0xD8, 0x00, 0x00, 0x01, 0x23, 0x45, 0x00, 0x00, 0x00, 26, 0x00, 0x00}},
    {4, {0x28, 0x00, 0x00, 0x01, 0x23, 0x45, 0x00, 0x00, 26, 0x00}},
    {5, {0xD8, 0x00, 0x00, 0x01, 0x23, 0x45, 0x00, 0x00, 0x00, 26, 0x00, 0x00}},
    {6, {0xD4, 0x00, 0x00, 0x01, 0x23, 0x45, 0x00, 0x00, 26, 0x00}},
    {7, {0xD8, 0x00, 0x00, 0x01, 0x23, 0x45, 0x00, 0x00, 0x00, 26, 0x00, 0x00}},
    {8, {0xD8, 0x00, 0x00, 0x01, 0x23, 0x45, 0x00, 0x00, 0x00, 26, 0x00, 0x00}},
    {9, {0x28, 0x00, 0x00, 0x01, 0x23, 0x45, 0x00, 0x00, 26, 0x00}},
    {10, {0x28, 0x00, 0x00, 0x01, 0x23, 0x45, 0x00, 0x00, 26, 0x00}},
    {11, {0xD8, 0x00, 0x00, 0x01, 0x23, 0x45, 0x00, 0x00, 0x00, 26, 0x00, 0x00}},
    {12, {0xD8, 0x00, 0x00, 0x01, 0x23, 0x45, 0x00, 0x00, 0x00, 26, 0x00, 0x00}},
};

TEST_F(DriveCommandsTest, EveryDriveTypeReadsWithItsCommandOnBothPaths) {
  for (const READ_ROW& row : kReadRows) {
    SCOPED_TRACE(kDriveTypeNames[row.type]);
    for (AccessPath path : {AccessPath::PassThrough, AccessPath::Driver}) {
      io_.calls.clear();
      Use(path, row.type);
      commands_.currentDriveLetter = 'A';
      CD_READ_REQUEST request = Request(0x012345, 26);
      ASSERT_TRUE(commands_.ReadSectors(0x100, request));
      // The read is the last call; types 4, 6, 9 and 10 switch first.
      const RECORDED_CALL& read = io_.calls.back();
      if (path == AccessPath::PassThrough)
        ExpectPassThroughCall(read, row.cdb, 1, 26 * 2352, buffer_.data());
      else
        ExpectDriverCall(read, row.cdb, 26 * 2352, buffer_.data(), 0);
    }
  }
}

TEST_F(DriveCommandsTest, BlockLengthSwitchRecordsCarryThePreparedList) {
  const Bytes list = {0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x09, 0x30};
  Bytes seen;
  io_.onSuccess = [&](uint8_t opcode, uint8_t* buffer, uint32_t length) {
    if (opcode == 0x15) seen.assign(buffer, buffer + length);
  };
  Use(AccessPath::PassThrough, 4);
  CD_READ_REQUEST request = Request(100, 1);
  ASSERT_TRUE(commands_.ReadSectors(0x100, request));
  ASSERT_EQ(io_.calls.size(), 2u);
  EXPECT_EQ(io_.calls[0].Opcode(), 0x15);
  EXPECT_EQ(io_.calls[0].in[8], 0) << "MODE SELECT sends data out";
  EXPECT_EQ(io_.calls[0].in[6], 6);
  EXPECT_EQ(Bytes(io_.calls[0].Cdb(), io_.calls[0].Cdb() + 6), Bytes({0x15, 0x10, 0x00, 0x00, 0x0C, 0x00}));
  EXPECT_EQ(io_.calls[0].TransferLength(), 12u);
  EXPECT_EQ(seen, list);

  io_.calls.clear();
  Use(AccessPath::Driver, 10);
  seen.clear();
  ASSERT_TRUE(commands_.ReadSectors(0x100, request));
  ASSERT_EQ(io_.Opcodes(), Bytes({0x1A, 0x15, 0x28}));
  EXPECT_EQ(Bytes(io_.calls[0].Cdb(), io_.calls[0].Cdb() + 6), Bytes({0x1A, 0x00, 0x00, 0x00, 0x0C, 0x00}));
  EXPECT_EQ(io_.calls[0].TransferLength(), 12u);
  EXPECT_EQ(Bytes(io_.calls[1].Cdb(), io_.calls[1].Cdb() + 6), Bytes({0x15, 0x00, 0x00, 0x00, 0x0C, 0x00}));
  EXPECT_EQ(io_.calls[1].in[10], 6);
  EXPECT_EQ(io_.calls[0].Buffer(), io_.calls[1].Buffer()) << "the sensed buffer is sent back";
}

TEST_F(DriveCommandsTest, DriverPathNamesTheDriveByItsLetter) {
  Use(AccessPath::Driver, 0);
  CD_READ_REQUEST request = Request(0, 1);
  for (char letter : {'A', 'D', 'E', 'Z'}) {
    io_.calls.clear();
    commands_.currentDriveLetter = letter;
    ASSERT_TRUE(commands_.ReadSectors(0x100, request));
    EXPECT_EQ(io_.calls[0].outSize, static_cast<uint32_t>(letter - 'A'));
  }
}

TEST_F(DriveCommandsTest, AttemptLoopStopsAtTheFirstSuccessAndResendsTheSameRecord) {
  CD_READ_REQUEST request = Request(1000, 10);
  Use(AccessPath::PassThrough, 0);

  commands_.retryTimes = 1;
  io_.otherwise = false;
  EXPECT_FALSE(commands_.ReadSectors(0x100, request));
  EXPECT_EQ(io_.calls.size(), 1u) << "RetryTimes 1: tried exactly once";

  io_.calls.clear();
  commands_.retryTimes = 5;
  EXPECT_FALSE(commands_.ReadSectors(0x100, request));
  EXPECT_EQ(io_.calls.size(), 5u);

  io_.calls.clear();
  io_.results = {false, false, true};
  EXPECT_TRUE(commands_.ReadSectors(0x100, request));
  ASSERT_EQ(io_.calls.size(), 3u);
  EXPECT_EQ(io_.calls[0].in, io_.calls[1].in);
  EXPECT_EQ(io_.calls[1].in, io_.calls[2].in);

  io_.calls.clear();
  commands_.retryTimes = 0;  // never below one attempt
  io_.otherwise = false;
  CD_TOC toc;
  EXPECT_FALSE(commands_.ReadToc(0x100, toc));
  EXPECT_EQ(io_.calls.size(), 1u);
}

TEST_F(DriveCommandsTest, ReadRefusesRequestsTheDriveWouldReadDifferently) {
  Use(AccessPath::PassThrough, 0);
  CD_READ_REQUEST request = Request(0, 255);
  ASSERT_TRUE(commands_.ReadSectors(0x100, request));
  ASSERT_EQ(io_.calls.size(), 1u);
  EXPECT_EQ(io_.calls[0].Cdb()[8], 0xFF);
  EXPECT_EQ(io_.calls[0].TransferLength(), 255u * 2352u);

  io_.calls.clear();
  CD_READ_REQUEST bad = Request(0, 256);  // would reach the drive as 0 frames
  EXPECT_FALSE(commands_.ReadSectors(0x100, bad));
  bad = Request(0, 1);
  bad.frames = 0;
  bad.bytes = 0;
  EXPECT_FALSE(commands_.ReadSectors(0x100, bad));
  bad = Request(0, 2);
  bad.bytes = 2352;
  EXPECT_FALSE(commands_.ReadSectors(0x100, bad));
  bad = Request(0, 2);
  bad.buffer = nullptr;
  EXPECT_FALSE(commands_.ReadSectors(0x100, bad));
  EXPECT_TRUE(io_.calls.empty()) << "nothing may reach the drive";

  // A refused request does not count as a switch attempt either.
  Use(AccessPath::PassThrough, 4);
  bad = Request(0, 300);
  EXPECT_FALSE(commands_.ReadSectors(0x100, bad));
  EXPECT_TRUE(io_.calls.empty());
}

TEST_F(DriveCommandsTest, StartAddressKeepsOnlyItsLow24Bits) {
  Use(AccessPath::PassThrough, 3);
  CD_READ_REQUEST request = Request(0x01ABCDEF, 1);
  ASSERT_TRUE(commands_.ReadSectors(0x100, request));
  EXPECT_EQ(Bytes(io_.calls[0].Cdb(), io_.calls[0].Cdb() + 6), Bytes({0xD8, 0x00, 0x00, 0xAB, 0xCD, 0xEF}));
}

TEST_F(DriveCommandsTest, BlockLengthSwitchIsSentOnceUntilTheTypeChanges) {
  CD_READ_REQUEST request = Request(0, 1);
  Use(AccessPath::PassThrough, 4);
  commands_.retryTimes = 3;
  ASSERT_TRUE(commands_.ReadSectors(0x100, request));
  ASSERT_TRUE(commands_.ReadSectors(0x100, request));
  EXPECT_EQ(io_.Opcodes(), Bytes({0x15, 0x28, 0x28}));
  EXPECT_TRUE(commands_.BlockLengthSet());

  // Type 4 to 9: the switch goes out again before the next read.
  io_.calls.clear();
  commands_.ChangeDriveType(9);
  EXPECT_FALSE(commands_.BlockLengthSet());
  ASSERT_TRUE(commands_.ReadSectors(0x100, request));
  EXPECT_EQ(io_.Opcodes(), Bytes({0x15, 0x28}));

  // The unit changed: the flag is cleared and the switch repeated.
  io_.calls.clear();
  commands_.ClearBlockLengthFlag();
  ASSERT_TRUE(commands_.ReadSectors(0x100, request));
  EXPECT_EQ(io_.Opcodes(), Bytes({0x15, 0x28}));

  // Type 6 switches, then reads with D4; type 2 never switches.
  io_.calls.clear();
  commands_.ChangeDriveType(6);
  ASSERT_TRUE(commands_.ReadSectors(0x100, request));
  commands_.ChangeDriveType(2);
  ASSERT_TRUE(commands_.ReadSectors(0x100, request));
  EXPECT_EQ(io_.Opcodes(), Bytes({0x15, 0xD4, 0xD4}));
}

TEST_F(DriveCommandsTest, FailedSwitchIsTriedOnceAndNeverStopsTheRead) {
  CD_READ_REQUEST request = Request(0, 1);
  Use(AccessPath::PassThrough, 9);
  commands_.retryTimes = 3;
  io_.results = {false, true, false, true};  // switch fails, read succeeds, switch fails again
  EXPECT_TRUE(commands_.ReadSectors(0x100, request));
  EXPECT_FALSE(commands_.BlockLengthSet());
  EXPECT_TRUE(commands_.ReadSectors(0x100, request));
  EXPECT_EQ(io_.Opcodes(), Bytes({0x15, 0x28, 0x15, 0x28}));
}

TEST_F(DriveCommandsTest, Type10SendsBackTheSenseDataOrThePreparedList) {
  const Bytes list = {0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x09, 0x30};
  const Bytes sensed = {0x0B, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x08, 0x00};
  Bytes selected;
  io_.onSuccess = [&](uint8_t opcode, uint8_t* buffer, uint32_t length) {
    if (opcode == 0x1A) std::memcpy(buffer, sensed.data(), sensed.size());
    if (opcode == 0x15) selected.assign(buffer, buffer + length);
  };
  CD_READ_REQUEST request = Request(0, 1);
  Use(AccessPath::PassThrough, 10);
  ASSERT_TRUE(commands_.ReadSectors(0x100, request));
  EXPECT_EQ(io_.calls[0].in[8], 1) << "MODE SENSE reads data in";
  EXPECT_EQ(io_.calls[1].in[8], 0);
  EXPECT_EQ(selected, sensed);
  EXPECT_TRUE(commands_.BlockLengthSet());

  // A drive that rejects MODE SENSE receives the 2352-byte descriptor.
  io_.calls.clear();
  selected.clear();
  commands_.ClearBlockLengthFlag();
  io_.results = {false};
  ASSERT_TRUE(commands_.ReadSectors(0x100, request));
  EXPECT_EQ(io_.Opcodes(), Bytes({0x1A, 0x15, 0x28}));
  EXPECT_EQ(selected, list);
  EXPECT_TRUE(commands_.BlockLengthSet()) << "only the MODE SELECT decides";

  // MODE SENSE succeeds but MODE SELECT fails: the flag stays clear.
  io_.calls.clear();
  commands_.ClearBlockLengthFlag();
  io_.results = {true, false};
  ASSERT_TRUE(commands_.ReadSectors(0x100, request));
  EXPECT_FALSE(commands_.BlockLengthSet());
}

TEST_F(DriveCommandsTest, IdentifyCopiesTheFourFieldsTerminated) {
  io_.onSuccess = [](uint8_t opcode, uint8_t* buffer, uint32_t length) {
    ASSERT_EQ(length, 100u);
    for (uint32_t i = 0; i < length; ++i) buffer[i] = static_cast<uint8_t>('!' + i % 90);
    std::memcpy(buffer + 8, "VENDOR  PRODUCT  NAME    REV1SPECIFIC TEXT 12345", 48);
  };
  Use(AccessPath::PassThrough, 0);
  CDriveIdentity identity;
  ASSERT_TRUE(commands_.Identify(0x100, identity));
  EXPECT_STREQ(identity.vendor, "VENDOR  ");
  EXPECT_STREQ(identity.product, "PRODUCT  NAME   ");
  EXPECT_STREQ(identity.revision, " REV");
  EXPECT_EQ(std::string(identity.vendorSpecific), std::string("1SPECIFIC TEXT 12345"));
}

TEST_F(DriveCommandsTest, FailedIdentifyAndTocClearTheirResultsOnlyOnThePassThroughPath) {
  io_.otherwise = false;
  CDriveIdentity identity;
  std::strcpy(identity.vendor, "OLD");
  CD_TOC toc;
  std::memset(&toc, 0x5A, sizeof(toc));

  Use(AccessPath::Driver, 0);
  EXPECT_FALSE(commands_.Identify(0x100, identity));
  EXPECT_FALSE(commands_.ReadToc(0x100, toc));
  EXPECT_STREQ(identity.vendor, "OLD");
  EXPECT_EQ(toc.firstTrack, 0x5A);

  Use(AccessPath::PassThrough, 0);
  EXPECT_FALSE(commands_.Identify(0x100, identity));
  EXPECT_FALSE(commands_.ReadToc(0x100, toc));
  EXPECT_STREQ(identity.vendor, "");
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(&toc);
  for (size_t i = 0; i < sizeof(toc); ++i) ASSERT_EQ(bytes[i], 0) << i;
}

TEST(DriveTypeTable, NamesAndOutOfRangeTypes) {
  const char* expected[] = {"IDE   - ATAPI",   "IDE   - ATAPI(2)", "SCSI - NEC",        "SCSI - SONY",
                            "SCSI - PHILIPS",  "SCSI - PIONEER",   "SCSI - PANASONIC",  "SCSI - PLEXTOR",
                            "SCSI - RICOH",    "SCSI - TOSHIBA",   "SCSI - TOSHIBA(2)", "SCSI - YAMAHA",
                            "SCSI - NAKAMICHI"};
  for (int i = 0; i < kDriveTypeCount; ++i) EXPECT_STREQ(kDriveTypeNames[i], expected[i]);

  CRecordingDeviceIo io;
  CDriveCommands commands(io);
  for (int type : {-1, 13, 1000}) {
    commands.Install(AccessPath::PassThrough, type);
    EXPECT_EQ(commands.DriveType(), 0);
  }
}

TEST(AccessPathChoice, HighBitOfTheVersionOrTheOverride) {
  EXPECT_EQ(ChooseAccessPath(0xC0000A04u, ""), AccessPath::Driver);       // Windows 98
  EXPECT_EQ(ChooseAccessPath(0x0A280105u, ""), AccessPath::PassThrough);  // Windows XP
  EXPECT_EQ(ChooseAccessPath(0x0A280105u, "driver"), AccessPath::Driver);
  EXPECT_EQ(ChooseAccessPath(0x0A280105u, " Driver "), AccessPath::Driver);
  EXPECT_EQ(ChooseAccessPath(0xC0000A04u, "PassThrough"), AccessPath::PassThrough);
  EXPECT_EQ(ChooseAccessPath(0xC0000A04u, "tambour"), AccessPath::Driver);
}

TEST(BufferAddress, RoundTripsAndKeepsTokens) {
  std::vector<uint8_t> a(16), b(16);
  uint32_t ta = EncodeBufferAddress(a.data());
  uint32_t tb = EncodeBufferAddress(b.data());
  EXPECT_NE(ta, 0u);
  EXPECT_NE(ta, tb);
  EXPECT_EQ(EncodeBufferAddress(a.data()), ta);
  EXPECT_EQ(DecodeBufferAddress(ta), a.data());
  EXPECT_EQ(DecodeBufferAddress(tb), b.data());
  EXPECT_EQ(EncodeBufferAddress(nullptr), 0u);
  EXPECT_EQ(DecodeBufferAddress(0), nullptr);
}

}  // namespace
