#include "cdrom/scsi_records.h"

#include <cstring>
#include <mutex>

uint16_t LoadLe16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint32_t LoadLe32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

void StoreLe16(uint8_t* p, uint16_t value) {
  p[0] = static_cast<uint8_t>(value);
  p[1] = static_cast<uint8_t>(value >> 8);
}

void StoreLe32(uint8_t* p, uint32_t value) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
}

#if UINTPTR_MAX == 0xFFFFFFFFu

uint32_t EncodeBufferAddress(void* buffer) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(buffer)); }

void* DecodeBufferAddress(uint32_t address) { return reinterpret_cast<void*>(static_cast<uintptr_t>(address)); }

CBufferAddressHold::CBufferAddressHold(void* buffer) : address_(EncodeBufferAddress(buffer)) {}

CBufferAddressHold::~CBufferAddressHold() = default;

#else

namespace {

constexpr uint32_t kAddressSlots = 4096;
// Tokens look like aligned addresses and are never 0.
constexpr uint32_t kTokenStep = 16;

struct ADDRESS_SLOT {
  void* buffer = nullptr;
  uint32_t holds = 0;  // commands in flight with this token
};

std::mutex g_addressLock;
ADDRESS_SLOT g_addressSlots[kAddressSlots];
uint32_t g_nextSlot = 0;

uint32_t Token(uint32_t slot) { return (slot + 1) * kTokenStep; }

// The slot index of a token, or kAddressSlots for none.
uint32_t SlotOf(uint32_t address) {
  if (address == 0 || address % kTokenStep != 0 || address / kTokenStep > kAddressSlots) return kAddressSlots;
  return address / kTokenStep - 1;
}

// The buffer's token, adding hold to its slot; 0 when every slot is held.
// A slot nobody holds keeps its buffer until it is needed, so that the
// same pointer keeps its token, but a held one is never taken.
uint32_t Assign(void* buffer, uint32_t hold) {
  if (!buffer) return 0;
  std::lock_guard<std::mutex> lock(g_addressLock);
  for (uint32_t i = 0; i < kAddressSlots; ++i) {
    if (g_addressSlots[i].buffer != buffer) continue;
    g_addressSlots[i].holds += hold;
    return Token(i);
  }
  for (uint32_t tried = 0; tried < kAddressSlots; ++tried) {
    uint32_t slot = g_nextSlot;
    g_nextSlot = (g_nextSlot + 1) % kAddressSlots;
    if (g_addressSlots[slot].holds != 0) continue;
    g_addressSlots[slot] = {buffer, hold};
    return Token(slot);
  }
  return 0;
}

}  // namespace

uint32_t EncodeBufferAddress(void* buffer) { return Assign(buffer, 0); }

void* DecodeBufferAddress(uint32_t address) {
  uint32_t slot = SlotOf(address);
  if (slot == kAddressSlots) return nullptr;
  std::lock_guard<std::mutex> lock(g_addressLock);
  return g_addressSlots[slot].buffer;
}

CBufferAddressHold::CBufferAddressHold(void* buffer) : address_(Assign(buffer, 1)) {}

CBufferAddressHold::~CBufferAddressHold() {
  uint32_t slot = SlotOf(address_);
  if (slot == kAddressSlots) return;
  std::lock_guard<std::mutex> lock(g_addressLock);
  if (g_addressSlots[slot].holds > 0) --g_addressSlots[slot].holds;
}

#endif

CBufferAddressHold BuildPassThroughRecord(const SCSI_COMMAND& command, uint8_t (&record)[kPassThroughRecordSize]) {
  CBufferAddressHold address(command.buffer);
  std::memset(record, 0, sizeof(record));
  StoreLe16(record + sptd::kLength, static_cast<uint16_t>(kPassThroughLength));
  record[sptd::kCdbLength] = command.cdbLength;
  record[sptd::kDataIn] = static_cast<uint8_t>(command.direction);
  StoreLe32(record + sptd::kDataTransferLength, command.transferLength);
  StoreLe32(record + sptd::kTimeOutValue, kPassThroughTimeOut);
  StoreLe32(record + sptd::kDataBuffer, address.Address());
  StoreLe32(record + sptd::kSenseInfoOffset, kPassThroughSenseOffset);
  std::memcpy(record + sptd::kCdb, command.cdb, sizeof(command.cdb));
  return address;
}

CBufferAddressHold BuildDriverRecord(const SCSI_COMMAND& command, uint8_t (&record)[kDriverRecordSize]) {
  CBufferAddressHold address(command.buffer);
  std::memset(record, 0, sizeof(record));
  StoreLe16(record + driver_record::kLength, static_cast<uint16_t>(kDriverRecordSize));
  record[driver_record::kCdbLength] = command.cdbLength;
  record[driver_record::kConstant14] = 14;
  StoreLe32(record + driver_record::kConstant64, 64);
  StoreLe32(record + driver_record::kTransferLength, command.transferLength);
  StoreLe32(record + driver_record::kDataBuffer, address.Address());
  std::memcpy(record + driver_record::kCdb, command.cdb, sizeof(command.cdb));
  return address;
}
