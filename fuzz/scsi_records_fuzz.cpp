// libFuzzer target: untrusted request records, as any process could hand
// them to a driver, through the virtual drive's parsing of the pass-through
// and vendor driver records and on into the commands it serves from a
// small disc image. The data buffer is always a real one of the largest
// transfer the drive takes, since a record's address is the caller's
// promise; every other byte comes from the input.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "cdrom/virtual/disc_image_writer.h"
#include "cdrom/drive_commands.h"
#include "cdrom/virtual/virtual_drive.h"
#include "fuzz/fuzz_check.h"

namespace {

constexpr size_t kBufferBytes = 2u * 1024u * 1024u;  // the drive's largest transfer

struct FUZZ_DRIVE {
  std::unique_ptr<CVirtualDeviceIo> io;
  DeviceHandle device = 0;
  DeviceHandle driver = 0;
  std::vector<uint8_t> buffer = std::vector<uint8_t>(kBufferBytes);
};

// An audio track, a data track and another audio track, written once.
FUZZ_DRIVE& Drive() {
  static FUZZ_DRIVE drive = [] {
    FUZZ_DRIVE d;
    std::string folder = "/tmp/cantaro-scsi-fuzz-" + std::to_string(getpid());
    std::string cue = "Z:" + folder + "/disc.cue";
    for (char& c : cue)
      if (c == '/') c = '\\';
    std::string mkdir = "mkdir -p " + folder;
    FuzzCheck(std::system(mkdir.c_str()) == 0);
    DISC_IMAGE_LAYOUT layout;
    IMAGE_TRACK audio;
    audio.content = TrackContent::Pattern;
    audio.frames = 40;
    IMAGE_TRACK data;
    data.content = TrackContent::Data;
    data.frames = 20;
    data.pregapFrames = 5;
    layout.tracks = {audio, data, audio};
    std::string error;
    FuzzCheck(WriteDiscImage(layout, cue, error));
    std::vector<VIRTUAL_DRIVE_CONFIG> drives;
    FuzzCheck(ParseVirtualDrives("V=" + cue + "|bad=70-71", drives, error));
    d.io = std::make_unique<CVirtualDeviceIo>(nullptr, drives);
    d.device = d.io->Open("\\\\.\\V:", true);
    d.driver = d.io->Open(kDriverDevicePath, true);
    return d;
  }();
  return drive;
}

// A command built by the program's own record builders must come back
// from the records unchanged.
void CheckRecordRoundTrip(const uint8_t* data, size_t size, void* buffer) {
  if (size < 22) return;
  SCSI_COMMAND command;
  std::memcpy(command.cdb, data, 16);
  command.cdbLength = data[16];
  command.direction = static_cast<DataDirection>(data[17] % 3);
  std::memcpy(&command.transferLength, data + 18, 4);
  command.buffer = buffer;
  uint8_t pass[kPassThroughRecordSize];
  const CBufferAddressHold passAddress = BuildPassThroughRecord(command, pass);
  FuzzCheck(LoadLe32(pass + sptd::kDataBuffer) == passAddress.Address());
  FuzzCheck(std::memcmp(pass + sptd::kCdb, command.cdb, 16) == 0 && pass[sptd::kCdbLength] == command.cdbLength);
  FuzzCheck(LoadLe32(pass + sptd::kDataTransferLength) == command.transferLength);
  FuzzCheck(DecodeBufferAddress(LoadLe32(pass + sptd::kDataBuffer)) == buffer);
  uint8_t driver[kDriverRecordSize];
  const CBufferAddressHold driverAddress = BuildDriverRecord(command, driver);
  FuzzCheck(std::memcmp(driver + driver_record::kCdb, command.cdb, 16) == 0);
  FuzzCheck(LoadLe32(driver + driver_record::kTransferLength) == command.transferLength);
  FuzzCheck(DecodeBufferAddress(LoadLe32(driver + driver_record::kDataBuffer)) == buffer);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  FUZZ_DRIVE& drive = Drive();
  const uint8_t control = data[0];
  const uint8_t index = data[1];
  data += 2;
  size -= 2;
  CheckRecordRoundTrip(data, size, drive.buffer.data());
  // The record in a buffer of exactly the size the call names, so that a
  // read beyond it is caught.
  const bool passThrough = (control & 1) == 0;
  const size_t full = passThrough ? kPassThroughRecordSize : kDriverRecordSize;
  std::vector<uint8_t> record(data, data + std::min(size, full));
  const uint32_t bufferField = passThrough ? sptd::kDataBuffer : driver_record::kDataBuffer;
  // Mostly the real buffer; sometimes whatever the input says, which must
  // decode to nothing rather than to another buffer.
  const CBufferAddressHold address(drive.buffer.data());
  if (record.size() >= bufferField + 4 && (control & 2) == 0) StoreLe32(record.data() + bufferField, address.Address());
  uint32_t returned = 0;
  const uint32_t recordSize = static_cast<uint32_t>(record.size());
  uint8_t* bytes = record.empty() ? nullptr : record.data();
  bool ok;
  if (passThrough) {
    ok = drive.io->Control(drive.device, kIoctlScsiPassThroughDirect, bytes, recordSize, bytes, recordSize, &returned);
    if (ok) FuzzCheck(returned == kPassThroughLength && LoadLe32(bytes + sptd::kDataTransferLength) <= kBufferBytes);
  } else {
    const uint32_t code = (control & 4) ? kIoctlScsiPassThroughDirect : kDriverControlCode;
    ok = drive.io->Control(drive.driver, code, bytes, recordSize, nullptr, index % 32, &returned);
  }
  if (!ok) FuzzCheck(CVirtualDeviceIo::LastError() != 0);
  return 0;
}
