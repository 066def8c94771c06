#include "cdrom/scsi_records.h"

#include <cstring>
#include <mutex>

uint16_t LoadLe16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint32_t LoadLe32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void StoreLe16(uint8_t* p, uint16_t value) {
  p[0] = static_cast<uint8_t>(value);
  p[1] = static_cast<uint8_t>(value >> 8);
}

void StoreLe32(uint8_t* p, uint32_t value) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
}

#if UINTPTR_MAX == 0xFFFFFFFFu

uint32_t EncodeBufferAddress(void* buffer) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(buffer));
}

void* DecodeBufferAddress(uint32_t address) {
  return reinterpret_cast<void*>(static_cast<uintptr_t>(address));
}

#else

namespace {

constexpr uint32_t kAddressSlots = 4096;
// Tokens look like aligned addresses and are never 0.
constexpr uint32_t kTokenStep = 16;

std::mutex g_addressLock;
void* g_addressSlots[kAddressSlots] = {};
uint32_t g_nextSlot = 0;

}  // namespace

uint32_t EncodeBufferAddress(void* buffer) {
  if (!buffer) return 0;
  std::lock_guard<std::mutex> lock(g_addressLock);
  for (uint32_t i = 0; i < kAddressSlots; ++i)
    if (g_addressSlots[i] == buffer) return (i + 1) * kTokenStep;
  uint32_t slot = g_nextSlot;
  g_nextSlot = (g_nextSlot + 1) % kAddressSlots;
  g_addressSlots[slot] = buffer;
  return (slot + 1) * kTokenStep;
}

void* DecodeBufferAddress(uint32_t address) {
  if (address == 0 || address % kTokenStep != 0 || address / kTokenStep > kAddressSlots) return nullptr;
  std::lock_guard<std::mutex> lock(g_addressLock);
  return g_addressSlots[address / kTokenStep - 1];
}

#endif

void BuildPassThroughRecord(const SCSI_COMMAND& command, uint8_t (&record)[kPassThroughRecordSize]) {
  std::memset(record, 0, sizeof(record));
  StoreLe16(record + sptd::kLength, static_cast<uint16_t>(kPassThroughLength));
  record[sptd::kCdbLength] = command.cdbLength;
  record[sptd::kDataIn] = static_cast<uint8_t>(command.direction);
  StoreLe32(record + sptd::kDataTransferLength, command.transferLength);
  StoreLe32(record + sptd::kTimeOutValue, kPassThroughTimeOut);
  StoreLe32(record + sptd::kDataBuffer, EncodeBufferAddress(command.buffer));
  StoreLe32(record + sptd::kSenseInfoOffset, kPassThroughSenseOffset);
  std::memcpy(record + sptd::kCdb, command.cdb, sizeof(command.cdb));
}

void BuildDriverRecord(const SCSI_COMMAND& command, uint8_t (&record)[kDriverRecordSize]) {
  std::memset(record, 0, sizeof(record));
  StoreLe16(record + driver_record::kLength, static_cast<uint16_t>(kDriverRecordSize));
  record[driver_record::kCdbLength] = command.cdbLength;
  record[driver_record::kConstant14] = 14;
  StoreLe32(record + driver_record::kConstant64, 64);
  StoreLe32(record + driver_record::kTransferLength, command.transferLength);
  StoreLe32(record + driver_record::kDataBuffer, EncodeBufferAddress(command.buffer));
  std::memcpy(record + driver_record::kCdb, command.cdb, sizeof(command.cdb));
}
