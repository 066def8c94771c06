#include "cdrom/drive_commands.h"

#include <cstring>

#include "cdrom/cd_text.h"
#include "platform/text.h"

const char* const kDriveTypeNames[kDriveTypeCount] = {
    "IDE   - ATAPI",     "IDE   - ATAPI(2)", "SCSI - NEC",       "SCSI - SONY",  "SCSI - PHILIPS",
    "SCSI - PIONEER",    "SCSI - PANASONIC", "SCSI - PLEXTOR",   "SCSI - RICOH", "SCSI - TOSHIBA",
    "SCSI - TOSHIBA(2)", "SCSI - YAMAHA",    "SCSI - NAKAMICHI",
};

namespace {

constexpr uint32_t kTocBytes = sizeof(CD_TOC);
constexpr uint32_t kInquiryBytes = 100;
constexpr uint32_t kModeListBytes = 12;
constexpr uint32_t kCdTextBytes = static_cast<uint32_t>(kCdTextResponseBytes);

// The command variant a drive type reads with.
enum class ReadCommand { ReadCdF0, ReadCd10, VendorD4, VendorD8, Read10 };
enum class BlockSwitch { None, ModeSelectPageFormat, SenseThenSelect };

struct DRIVE_TYPE_ROW {
  ReadCommand read;
  BlockSwitch blockSwitch;
};

constexpr DRIVE_TYPE_ROW kDriveTypeTable[kDriveTypeCount] = {
    {ReadCommand::ReadCdF0, BlockSwitch::None},                  // IDE - ATAPI
    {ReadCommand::ReadCd10, BlockSwitch::None},                  // IDE - ATAPI(2)
    {ReadCommand::VendorD4, BlockSwitch::None},                  // NEC
    {ReadCommand::VendorD8, BlockSwitch::None},                  // SONY
    {ReadCommand::Read10, BlockSwitch::ModeSelectPageFormat},    // PHILIPS
    {ReadCommand::VendorD8, BlockSwitch::None},                  // PIONEER
    {ReadCommand::VendorD4, BlockSwitch::ModeSelectPageFormat},  // PANASONIC
    {ReadCommand::VendorD8, BlockSwitch::None},                  // PLEXTOR
    {ReadCommand::VendorD8, BlockSwitch::None},                  // RICOH
    {ReadCommand::Read10, BlockSwitch::ModeSelectPageFormat},    // TOSHIBA
    {ReadCommand::Read10, BlockSwitch::SenseThenSelect},         // TOSHIBA(2)
    {ReadCommand::VendorD8, BlockSwitch::None},                  // YAMAHA
    {ReadCommand::VendorD8, BlockSwitch::None},                  // NAKAMICHI
};

SCSI_COMMAND MakeCommand(std::initializer_list<uint8_t> cdb, DataDirection direction, uint32_t transferLength,
                         void* buffer) {
  SCSI_COMMAND command;
  size_t i = 0;
  for (uint8_t b : cdb) command.cdb[i++] = b;
  command.cdbLength = static_cast<uint8_t>(cdb.size());
  command.direction = direction;
  command.transferLength = transferLength;
  command.buffer = buffer;
  return command;
}

uint8_t Byte(uint32_t value, int shift) { return static_cast<uint8_t>(value >> shift); }

SCSI_COMMAND MakeReadCommand(ReadCommand kind, const CD_READ_REQUEST& request) {
  // The most significant LBA byte is always sent as 0.
  uint8_t l2 = Byte(request.start, 16), l1 = Byte(request.start, 8), l0 = Byte(request.start, 0);
  uint8_t n = Byte(request.frames, 0);
  DataDirection in = DataDirection::In;
  switch (kind) {
    case ReadCommand::ReadCdF0:
      return MakeCommand({0xBE, 0x04, 0x00, l2, l1, l0, 0x00, 0x00, n, 0xF0, 0x00, 0x00}, in, request.bytes,
                         request.buffer);
    case ReadCommand::ReadCd10:
      return MakeCommand({0xBE, 0x04, 0x00, l2, l1, l0, 0x00, 0x00, n, 0x10, 0x00, 0x00}, in, request.bytes,
                         request.buffer);
    case ReadCommand::VendorD4:
      return MakeCommand({0xD4, 0x00, 0x00, l2, l1, l0, 0x00, 0x00, n, 0x00}, in, request.bytes, request.buffer);
    case ReadCommand::VendorD8:
      return MakeCommand({0xD8, 0x00, 0x00, l2, l1, l0, 0x00, 0x00, 0x00, n, 0x00, 0x00}, in, request.bytes,
                         request.buffer);
    case ReadCommand::Read10: break;
  }
  return MakeCommand({0x28, 0x00, 0x00, l2, l1, l0, 0x00, 0x00, n, 0x00}, in, request.bytes, request.buffer);
}

// Header 00 00 00 08, then a block descriptor with density 0, no block
// count and a block length of 2352.
void PrepareModeList(uint8_t (&list)[kModeListBytes]) {
  static const uint8_t kList[kModeListBytes] = {0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x09, 0x30};
  std::memcpy(list, kList, sizeof(list));
}

void CopyField(char* field, const uint8_t* data, size_t count) {
  std::memcpy(field, data, count);
  field[count] = '\0';
}

int ValidDriveType(int driveType) { return driveType >= 0 && driveType < kDriveTypeCount ? driveType : 0; }

}  // namespace

void CDriveCommands::Install(AccessPath path, int driveType) {
  path_ = path;
  ChangeDriveType(driveType);
}

void CDriveCommands::ChangeDriveType(int driveType) {
  driveType_ = ValidDriveType(driveType);
  blockLengthSet_ = false;
}

bool CDriveCommands::Send(DeviceHandle device, const SCSI_COMMAND& command, int attempts) {
  uint32_t returned = 0;
  if (path_ == AccessPath::PassThrough) {
    uint8_t record[kPassThroughRecordSize];
    CBufferAddressHold address = BuildPassThroughRecord(command, record);
    for (int i = 0; i < attempts; ++i)
      if (io_.Control(device, kIoctlScsiPassThroughDirect, record, sizeof(record), record, sizeof(record), &returned))
        return true;
    return false;
  }
  uint8_t record[kDriverRecordSize];
  CBufferAddressHold address = BuildDriverRecord(command, record);
  uint32_t driveIndex = static_cast<uint32_t>(static_cast<unsigned char>(currentDriveLetter) - 'A');
  for (int i = 0; i < attempts; ++i)
    if (io_.Control(device, kDriverControlCode, record, sizeof(record), nullptr, driveIndex, &returned)) return true;
  return false;
}

bool CDriveCommands::SendWithRetries(DeviceHandle device, const SCSI_COMMAND& command) {
  return Send(device, command, retryTimes < 1 ? 1 : retryTimes);
}

bool CDriveCommands::ReadToc(DeviceHandle device, CD_TOC& toc) {
  if (path_ == AccessPath::PassThrough) std::memset(&toc, 0, sizeof(toc));
  return SendWithRetries(device, MakeCommand({0x43, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x03, 0x24, 0x00},
                                             DataDirection::In, kTocBytes, &toc));
}

bool CDriveCommands::ReadCdText(DeviceHandle device, std::vector<uint8_t>& data) {
  data.assign(kCdTextBytes, 0);
  uint8_t high = Byte(kCdTextBytes, 8), low = Byte(kCdTextBytes, 0);
  return SendWithRetries(device, MakeCommand({0x43, 0x00, 0x05, 0x00, 0x00, 0x00, 0x00, high, low, 0x00},
                                             DataDirection::In, kCdTextBytes, data.data()));
}

bool CDriveCommands::Identify(DeviceHandle device, CDriveIdentity& identity) {
  if (path_ == AccessPath::PassThrough) identity = CDriveIdentity();
  uint8_t data[kInquiryBytes] = {};
  if (!SendWithRetries(device,
                       MakeCommand({0x12, 0x00, 0x00, 0x00, 0x64, 0x00}, DataDirection::In, kInquiryBytes, data)))
    return false;
  CopyField(identity.vendor, data + 8, 8);
  CopyField(identity.product, data + 16, 16);
  CopyField(identity.revision, data + 32, 4);
  CopyField(identity.vendorSpecific, data + 36, 20);
  return true;
}

bool CDriveCommands::TestUnitReady(DeviceHandle device) {
  return Send(device, MakeCommand({0x00, 0x00, 0x00, 0x00, 0x00, 0x00}, DataDirection::Unspecified, 0, nullptr), 1);
}

bool CDriveCommands::MoveTray(DeviceHandle device, bool open) {
  uint8_t loadEject = open ? 0x02 : 0x03;
  return SendWithRetries(
      device, MakeCommand({0x1B, 0x00, 0x00, 0x00, loadEject, 0x00}, DataDirection::Unspecified, 0, nullptr));
}

void CDriveCommands::SwitchBlockLength(DeviceHandle device) {
  uint8_t list[kModeListBytes];
  PrepareModeList(list);
  bool selected = false;
  if (kDriveTypeTable[driveType_].blockSwitch == BlockSwitch::ModeSelectPageFormat) {
    selected =
        Send(device, MakeCommand({0x15, 0x10, 0x00, 0x00, 0x0C, 0x00}, DataDirection::Out, kModeListBytes, list), 1);
  } else {
    // The drive gets its own current parameters back; when it will not
    // tell them, the prepared list (restored in case the failed command
    // wrote into the buffer).
    if (!Send(device, MakeCommand({0x1A, 0x00, 0x00, 0x00, 0x0C, 0x00}, DataDirection::In, kModeListBytes, list), 1))
      PrepareModeList(list);
    selected =
        Send(device, MakeCommand({0x15, 0x00, 0x00, 0x00, 0x0C, 0x00}, DataDirection::Out, kModeListBytes, list), 1);
  }
  if (selected) blockLengthSet_ = true;
}

bool CDriveCommands::ReadSectors(DeviceHandle device, CD_READ_REQUEST& request) {
  if (request.frames == 0 || request.frames > kMaxFramesPerRead || request.buffer == nullptr ||
      request.bytes != request.frames * kFrameBytes)
    return false;
  const DRIVE_TYPE_ROW& row = kDriveTypeTable[driveType_];
  // The switch's own outcome never stops the read.
  if (row.blockSwitch != BlockSwitch::None && !blockLengthSet_) SwitchBlockLength(device);
  return SendWithRetries(device, MakeReadCommand(row.read, request));
}

AccessPath ChooseAccessPath(uint32_t versionResult, const std::string& override) {
  std::string choice = ToLowerAscii(Trim(override));
  if (choice == "driver") return AccessPath::Driver;
  if (choice == "passthrough") return AccessPath::PassThrough;
  return (versionResult & 0x80000000u) ? AccessPath::Driver : AccessPath::PassThrough;
}
