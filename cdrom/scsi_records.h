#pragma once
// The two request records that carry a SCSI command to a drive, byte for
// byte: the pass-through record (SCSI_PASS_THROUGH_DIRECT as the 32-bit
// system lays it out, a 4-byte gap and a 32-byte sense area) and the
// 64-byte record of the vendor CD access driver. The command routines
// build them; the virtual drive parses them as a driver would.
#include <cstdint>

// SCSI_IOCTL_DATA_OUT, _IN and _UNSPECIFIED.
enum class DataDirection : uint8_t { Out = 0, In = 1, Unspecified = 2 };

// One command as a routine issues it: the CDB, its length, the direction,
// the transfer length and the caller's buffer.
struct SCSI_COMMAND {
  uint8_t cdb[16] = {};
  uint8_t cdbLength = 0;
  DataDirection direction = DataDirection::In;
  uint32_t transferLength = 0;
  void* buffer = nullptr;
};

// Pass-through record: field offsets of SCSI_PASS_THROUGH_DIRECT on Win32.
inline constexpr uint32_t kPassThroughRecordSize = 80;
inline constexpr uint32_t kPassThroughLength = 44;  // sizeof(SCSI_PASS_THROUGH_DIRECT)
inline constexpr uint32_t kPassThroughSenseOffset = 48;
inline constexpr uint32_t kPassThroughTimeOut = 5;  // seconds
namespace sptd {
inline constexpr uint32_t kLength = 0;  // 16-bit
inline constexpr uint32_t kScsiStatus = 2;
inline constexpr uint32_t kPathId = 3;
inline constexpr uint32_t kTargetId = 4;
inline constexpr uint32_t kLun = 5;
inline constexpr uint32_t kCdbLength = 6;
inline constexpr uint32_t kSenseInfoLength = 7;
inline constexpr uint32_t kDataIn = 8;
inline constexpr uint32_t kDataTransferLength = 12;  // 32-bit
inline constexpr uint32_t kTimeOutValue = 16;        // 32-bit
inline constexpr uint32_t kDataBuffer = 20;          // 32-bit address
inline constexpr uint32_t kSenseInfoOffset = 24;     // 32-bit
inline constexpr uint32_t kCdb = 28;                 // 16 bytes
}  // namespace sptd

// Driver record (all multi-byte fields little-endian).
inline constexpr uint32_t kDriverRecordSize = 64;
namespace driver_record {
inline constexpr uint32_t kLength = 0;  // 16-bit, 64
inline constexpr uint32_t kCdbLength = 10;
inline constexpr uint32_t kConstant14 = 11;      // 8-bit, 14
inline constexpr uint32_t kConstant64 = 12;      // 32-bit, 64
inline constexpr uint32_t kTransferLength = 16;  // 32-bit
inline constexpr uint32_t kDataBuffer = 24;      // 32-bit address
inline constexpr uint32_t kCdb = 48;             // 16 bytes
}  // namespace driver_record

// The record holds a 32-bit buffer address, as on Win32, where the address
// is the pointer itself. A 64-bit host build cannot squeeze a pointer into
// 32 bits, so there the address is a token for a slot of a small
// process-wide table (4096 slots, handed out in turn; the same pointer
// keeps its token). A slot held by a command in flight is never handed to
// another buffer, so a token decodes to its own buffer until the command
// is done, however many commands other threads send meanwhile. Null
// encodes as 0, and an unknown token decodes to null.
uint32_t EncodeBufferAddress(void* buffer);
void* DecodeBufferAddress(uint32_t address);

// The buffer's address, its slot held from construction to destruction.
// 0 (no buffer) when every slot is held by other commands.
class CBufferAddressHold {
 public:
  explicit CBufferAddressHold(void* buffer);
  CBufferAddressHold(CBufferAddressHold&& other) noexcept : address_(other.address_) { other.address_ = 0; }
  CBufferAddressHold(const CBufferAddressHold&) = delete;
  CBufferAddressHold& operator=(const CBufferAddressHold&) = delete;
  CBufferAddressHold& operator=(CBufferAddressHold&&) = delete;
  ~CBufferAddressHold();
  uint32_t Address() const { return address_; }

 private:
  uint32_t address_;
};

// Both builders hold the buffer's address for the life of what they
// return: keep it until the command has been sent.
[[nodiscard]] CBufferAddressHold BuildPassThroughRecord(const SCSI_COMMAND& command,
                                                        uint8_t (&record)[kPassThroughRecordSize]);
[[nodiscard]] CBufferAddressHold BuildDriverRecord(const SCSI_COMMAND& command, uint8_t (&record)[kDriverRecordSize]);

uint16_t LoadLe16(const uint8_t* p);
uint32_t LoadLe32(const uint8_t* p);
void StoreLe16(uint8_t* p, uint16_t value);
void StoreLe32(uint8_t* p, uint32_t value);
