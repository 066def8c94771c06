#pragma once
// The drive command set: READ TOC, INQUIRY and the sector reads of the
// thirteen drive types, each built as a CDB, wrapped in the request record
// of the access path in use and sent with one device control call, tried
// up to "RetryTimes" times.
#include <cstdint>

#include <string>
#include <vector>

#include "cdrom/device_io.h"
#include "cdrom/scsi_records.h"
#include "cdrom/toc.h"

// One run of audio sectors to read (cleared to zero by the caller first).
struct CD_READ_REQUEST {
  uint32_t start = 0;   // LBA of the first frame
  uint32_t frames = 0;  // 1..255
  uint32_t bytes = 0;   // frames * 2352
  uint8_t* buffer = nullptr;
};

inline constexpr uint32_t kFrameBytes = 2352;
inline constexpr uint32_t kMaxFramesPerRead = 255;

// The drive's INQUIRY identification, space-padded as the drive returns it.
struct CDriveIdentity {
  char vendor[9] = {};
  char product[17] = {};
  char revision[5] = {};
  char vendorSpecific[21] = {};
};

enum class AccessPath {
  Driver,       // one handle to "\\.\Tambour"; commands name the drive by index
  PassThrough,  // one handle per drive; IOCTL_SCSI_PASS_THROUGH_DIRECT
};

inline constexpr uint32_t kIoctlScsiPassThroughDirect = 0x4D014;
inline constexpr uint32_t kDriverControlCode = 1;
inline constexpr const char* kDriverDevicePath = "\\\\.\\Tambour";
inline constexpr int kDriveTypeCount = 13;

// The names of the drive types, index = "DeviceType".
extern const char* const kDriveTypeNames[kDriveTypeCount];

// The command routines in use and the state they share. One instance per
// process: the main window installs routines, the job worker reads through
// it.
class CDriveCommands {
 public:
  explicit CDriveCommands(IDeviceIo& io) : io_(io) {}

  // Installs the routines of the access path and the read routine of the
  // drive type (0..12; others read as 0). Clears the block-length flag.
  void Install(AccessPath path, int driveType);
  void ChangeDriveType(int driveType);
  void ClearBlockLengthFlag() { blockLengthSet_ = false; }

  bool ReadToc(DeviceHandle device, CD_TOC& toc);
  // READ TOC format 5: the CD-Text packs behind a 4-byte header into data,
  // kCdTextResponseBytes asked for (the header says how many came). False
  // when the drive refuses, as one without CD-Text may.
  bool ReadCdText(DeviceHandle device, std::vector<uint8_t>& data);
  bool Identify(DeviceHandle device, CDriveIdentity& identity);
  // TEST UNIT READY, tried once: a drive without a medium answers no at
  // once, and asking again would not change that.
  bool TestUnitReady(DeviceHandle device);
  // START STOP UNIT with the load/eject bit: opens or closes the tray.
  bool MoveTray(DeviceHandle device, bool open);
  // Refuses, without sending anything, a request the drive would read
  // differently from what the caller asked for: frames outside 1..255
  // (only the low byte reaches the drive), bytes other than
  // frames * 2352, or no buffer.
  bool ReadSectors(DeviceHandle device, CD_READ_REQUEST& request);

  AccessPath Path() const { return path_; }
  int DriveType() const { return driveType_; }
  bool BlockLengthSet() const { return blockLengthSet_; }

  // Process-wide state the routines read.
  char currentDriveLetter = 'A';  // driver path: drive index = letter - 'A'
  int retryTimes = 5;             // attempts per command, at least 1

 private:
  // Builds the record of the path in use once and makes up to `attempts`
  // control calls with it, no delay; true at the first that succeeds.
  bool Send(DeviceHandle device, const SCSI_COMMAND& command, int attempts);
  // The attempt loop: retryTimes attempts, at least one.
  bool SendWithRetries(DeviceHandle device, const SCSI_COMMAND& command);
  void SwitchBlockLength(DeviceHandle device);

  IDeviceIo& io_;
  AccessPath path_ = AccessPath::PassThrough;
  int driveType_ = 0;
  bool blockLengthSet_ = false;
};

// The access path for a GetVersion result: the driver path when its high
// bit is set (Windows 9x family). The override "driver" or "passthrough"
// (any case) wins, so that tests can take the driver path on NT-family
// systems such as Wine; any other override is ignored.
AccessPath ChooseAccessPath(uint32_t versionResult, const std::string& override);
