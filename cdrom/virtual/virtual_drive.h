#pragma once
// The virtual CD drive: CD-ROM drives backed by CUE/BIN images that stand
// in for hardware in tests and the demo. CVirtualDeviceIo wraps the
// system's device I/O: virtual letters join the system's drive roots as
// CD-ROM drives, "\\.\V:" opens a virtual drive and "\\.\Tambour" a
// virtual access driver that serves every virtual drive by index. Control
// requests are parsed as the system's pass-through driver or the vendor
// access driver would parse them and executed against the image, with the
// faults a configuration asks for.
//
// Supported commands: TEST UNIT READY, START STOP UNIT (the tray moves by
// way of the eject file, below), INQUIRY, READ TOC (format 0, LBA form), READ CD
// (expected sector type CD-DA, header flags F0 or 10, no sub-channel), the
// vendor reads D4 and D8, READ(10) (2352-byte blocks only after a
// MODE SELECT set that block length; 2048-byte blocks of data tracks),
// MODE SELECT(6) and MODE SENSE(6). Anything else fails, as do a record
// of the wrong size, code or length field, a CDB length other than the
// command's, a data direction other than the command's (pass-through
// only: the driver record carries none) and a transfer length other than
// the one the CDB implies. A command the drive rejects makes the control
// call fail; the program never looks at the SCSI status.
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "cdrom/virtual/cue_sheet.h"
#include "cdrom/device_io.h"
#include "cdrom/virtual/image_file.h"
#include "cdrom/scsi_records.h"
#include "platform/file.h"

// The name of the environment variable that lists the virtual drives.
inline constexpr const char* kVirtualDrivesVariable = "CANTARO_VIRTUAL_DRIVES";

struct VIRTUAL_LBA_RANGE {
  uint32_t first = 0;  // inclusive
  uint32_t last = 0;   // inclusive
};

// A range whose reads return different samples each time, as a scratched
// disc does under a drive that cannot settle on its bits.
struct VIRTUAL_UNSTABLE_RANGE {
  VIRTUAL_LBA_RANGE range;
  uint32_t unstableReads = 0;  // the first this many reads touching it differ; 0 = every read
};

// One virtual drive as configured.
struct VIRTUAL_DRIVE_CONFIG {
  char letter = 0;  // 'A'..'Z'
  std::string cuePath;
  std::vector<VIRTUAL_LBA_RANGE> badRanges;  // reads touching them fail
  std::vector<VIRTUAL_UNSTABLE_RANGE> unstableRanges;
  uint32_t failFirstAttempts = 0;            // each command fails this often before it works
  bool rejectModeSense = false;
  bool noMedium = false;  // the tray stays empty
  uint32_t delayPerSectorUs = 0;  // microseconds: a drive at 24x takes about 556 per sector
  int32_t readOffset = 0;  // samples: audio reads deliver the image's samples this much later (a drive needing +N)
  std::string vendor = "CANTARO";  // INQUIRY texts, space-padded to 8, 16 and 4
  std::string product = "VIRTUAL CD-ROM";
  std::string revision = "1.0";
  std::string commandLog;  // when set, each command received is appended there as a line of CDB bytes
  bool rejectCdText = false;  // READ TOC format 5 is rejected, as by a drive that reads no CD-Text
  bool corruptTextPack = false;  // the CD-Text pack numbered textPackToCorrupt (from 0) has a wrong CRC
  uint32_t textPackToCorrupt = 0;
};

inline constexpr size_t kMaxBadRanges = 64;  // also the most unstable ranges
inline constexpr uint32_t kMaxUnstableReads = 1000;
inline constexpr uint32_t kMaxFailFirstAttempts = 1000;
inline constexpr uint32_t kMaxDelayPerSectorMs = 1000;
inline constexpr size_t kMaxVirtualDrivesText = 8192;
inline constexpr int32_t kMaxVirtualReadOffset = 5880;

// Parses LETTER=PATH_TO_CUE[|option...] items separated by ';' (blank
// items are skipped). Options: bad=FIRST-LAST or bad=LBA (repeatable),
// unstable=FIRST-LAST[:N] or unstable=LBA[:N] (repeatable; audio reads
// touching the range return different samples each time, or only the first
// N times), flaky=N, nosense, nomedium, delay=MS (up to three decimals),
// offset=SAMPLES (signed), vendor=TEXT, product=TEXT, revision=TEXT, log=PATH,
// notext, badtext=N. On failure error names the item and what is wrong with it.
bool ParseVirtualDrives(const std::string& text, std::vector<VIRTUAL_DRIVE_CONFIG>& drives, std::string& error);

// The Win32 error codes a failing virtual call leaves behind.
namespace virtual_error {
inline constexpr uint32_t kInvalidFunction = 1;  // command or CDB field the drive rejects
inline constexpr uint32_t kInvalidHandle = 6;
inline constexpr uint32_t kNotReady = 21;             // no medium
inline constexpr uint32_t kInvalidDrive = 15;         // driver path: no virtual drive at that index
inline constexpr uint32_t kCrc = 23;                  // unreadable sector
inline constexpr uint32_t kSectorNotFound = 27;       // beyond the lead-out
inline constexpr uint32_t kInvalidParameter = 87;     // malformed record, length or direction
inline constexpr uint32_t kIoDevice = 1117;           // injected failure of an attempt
inline constexpr uint32_t kInvalidUserBuffer = 1784;  // no buffer for the data
}  // namespace virtual_error

// The file whose presence beside a cue sheet takes the medium out of
// every virtual drive that plays it: "<cue path>.eject".
std::string EjectFilePath(const std::string& cuePath);
// For tests and scripts: take the medium out (creates the eject file) or
// put it back (deletes it). The program notices within a tenth of a
// second and receives WM_DEVICECHANGE.
bool RemoveVirtualMedium(const std::string& cuePath);
bool InsertVirtualMedium(const std::string& cuePath);

// One drive: its medium and the state a real drive keeps (block length,
// the attempts of the current command). Thread-safe: each command runs
// whole under the drive's lock, so it sees one block length throughout.
class CVirtualDrive {
 public:
  explicit CVirtualDrive(VIRTUAL_DRIVE_CONFIG config);

  const VIRTUAL_DRIVE_CONFIG& Config() const { return config_; }
  // Loads the image; on failure the tray stays empty and error says why.
  bool Insert(std::string& error);
  void Remove();
  bool HasMedium() const;
  uint32_t BlockLength() const;

  // Executes one command. The direction is checked only when the record
  // gave one. Returns 0 or a virtual_error code; transferred is the
  // number of bytes moved.
  uint32_t Execute(const SCSI_COMMAND& command, bool directionGiven, uint32_t& transferred);

 private:
  uint32_t Inquiry(const SCSI_COMMAND& command, uint32_t& transferred);
  uint32_t ReadToc(const SCSI_COMMAND& command, uint32_t& transferred);
  uint32_t ReadCdText(const SCSI_COMMAND& command, uint32_t& transferred);
  uint32_t ModeSelect(const SCSI_COMMAND& command);
  uint32_t ModeSense(const SCSI_COMMAND& command, uint32_t& transferred);
  uint32_t StartStopUnit(const SCSI_COMMAND& command);
  void LogCommand(const SCSI_COMMAND& command);
  // Reads count sectors at lba as raw CD-DA (audioOnly), raw 2352-byte
  // blocks of any track, or 2048-byte user data of data tracks.
  enum class SectorForm { Audio, Raw, UserData };
  uint32_t ReadSectors(uint32_t lba, uint32_t count, SectorForm form, uint8_t* out);
  bool ReadRaw(uint32_t lba, uint32_t count, uint8_t* out);
  // ReadRaw as a drive with the configured read offset delivers it:
  // shifted by whole samples, silence beyond the image's ends.
  bool ReadShifted(uint32_t lba, uint32_t count, uint8_t* out);
  bool InjectedFailure(const SCSI_COMMAND& command);
  // Alters the samples of an audio read in the unstable ranges it touches.
  void DisturbUnstableFrames(uint32_t lba, uint32_t count, uint8_t* out);

  const VIRTUAL_DRIVE_CONFIG config_;
  mutable std::mutex lock_;
  bool hasMedium_ = false;
  DISC_IMAGE image_;
  std::vector<CImageFile> files_;
  uint32_t blockLength_ = 2048;
  // The command being repeated and how often it has been failed.
  uint8_t lastCommand_[16 + 5] = {};
  uint32_t failedAttempts_ = 0;
  std::vector<uint32_t> unstableReadCounts_;  // reads of each unstable range so far
  CFile commandLog_;
};

struct MEDIA_CHANGE {
  char letter = 0;
  bool arrived = false;  // true = medium inserted, false = removed
};

class CVirtualDeviceIo : public IDeviceIo {
 public:
  // system may be null: then only the virtual drives exist. Each drive's
  // medium is loaded unless it is configured empty or its eject file
  // exists; the reasons images could not be loaded are kept.
  CVirtualDeviceIo(IDeviceIo* system, const std::vector<VIRTUAL_DRIVE_CONFIG>& drives);

  std::vector<std::string> DriveRoots() override;
  unsigned DriveType(const std::string& root) override;
  DeviceHandle Open(const std::string& devicePath, bool readWrite) override;
  bool Control(DeviceHandle device, uint32_t code, void* in, uint32_t inSize, void* out, uint32_t outSize,
               uint32_t* returned) override;
  void Close(DeviceHandle device) override;

  CVirtualDrive* Drive(char letter);
  // One line per image that could not be loaded: "V: reason".
  std::vector<std::string> TakeLoadProblems();

  // Brings every drive in line with its eject file and returns what
  // changed, in letter order. An image that fails to load keeps the tray
  // empty (and adds a load problem) until the next remove and insert.
  std::vector<MEDIA_CHANGE> PollMedia();

  // The error of the last virtual call of this thread that failed.
  static uint32_t LastError();
  // Called with the error of every failing virtual call (the Win32 layer
  // sets the thread's last-error value from it).
  void SetErrorSink(std::function<void(uint32_t)> sink) { errorSink_ = std::move(sink); }

  static bool IsVirtualHandle(DeviceHandle device);

 private:
  struct OPEN_HANDLE {
    DeviceHandle handle;
    int drive;  // index into drives_, or -1 for the access driver
  };
  bool Fail(uint32_t error);
  bool PassThrough(CVirtualDrive& drive, uint32_t code, void* in, uint32_t inSize, void* out, uint32_t outSize,
                   uint32_t* returned);
  bool DriverRequest(uint32_t code, void* in, uint32_t inSize, uint32_t driveIndex, uint32_t* returned);
  int DriveIndexOf(char letter) const;

  IDeviceIo* system_;
  std::vector<std::unique_ptr<CVirtualDrive>> drives_;
  std::vector<bool> insertFailed_;  // until the next remove
  std::mutex lock_;                 // handles_, serial_, problems_, insertFailed_
  std::vector<OPEN_HANDLE> handles_;
  uint32_t serial_ = 0;
  std::vector<std::string> problems_;
  std::function<void(uint32_t)> errorSink_;
};
