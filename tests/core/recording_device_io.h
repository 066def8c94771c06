#pragma once
// A device I/O double that records every control call byte for byte and
// answers from a script: the results to report, in turn (then `otherwise`),
// and what a successful call writes into the buffer the record names.
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "cdrom/device_io.h"
#include "cdrom/scsi_records.h"

struct RECORDED_CALL {
  DeviceHandle device = kInvalidDevice;
  uint32_t code = 0;
  std::vector<uint8_t> in;  // the input buffer as it was sent
  uint32_t inSize = 0;
  bool outIsIn = false;
  bool outIsNull = false;
  uint32_t outSize = 0;

  // The CDB, transfer length and buffer, whichever record it is.
  const uint8_t* Cdb() const { return in.data() + (code == 1 ? driver_record::kCdb : sptd::kCdb); }
  uint8_t Opcode() const { return Cdb()[0]; }
  uint32_t TransferLength() const {
    return LoadLe32(in.data() + (code == 1 ? driver_record::kTransferLength : sptd::kDataTransferLength));
  }
  uint8_t* Buffer() const {
    return static_cast<uint8_t*>(
        DecodeBufferAddress(LoadLe32(in.data() + (code == 1 ? driver_record::kDataBuffer : sptd::kDataBuffer))));
  }
};

class CRecordingDeviceIo : public IDeviceIo {
 public:
  std::vector<std::string> roots = {"C:\\", "D:\\"};
  std::map<std::string, unsigned> types = {{"C:\\", 3}, {"D:\\", kDriveTypeCdrom}};
  std::vector<RECORDED_CALL> calls;
  std::vector<std::string> opened;
  std::vector<DeviceHandle> closed;
  std::deque<bool> results;  // consumed one per call
  bool otherwise = true;
  // Called for a call that succeeds, with the opcode and the data buffer.
  std::function<void(uint8_t opcode, uint8_t* buffer, uint32_t length)> onSuccess;

  std::vector<std::string> DriveRoots() override { return roots; }
  unsigned DriveType(const std::string& root) override {
    auto it = types.find(root);
    return it == types.end() ? 1 : it->second;
  }
  DeviceHandle Open(const std::string& devicePath, bool readWrite) override {
    opened.push_back(devicePath);
    return 0x100;
  }
  bool Control(DeviceHandle device, uint32_t code, void* in, uint32_t inSize, void* out, uint32_t outSize,
               uint32_t* returned) override {
    RECORDED_CALL call;
    call.device = device;
    call.code = code;
    const uint8_t* bytes = static_cast<const uint8_t*>(in);
    call.in.assign(bytes, bytes + inSize);
    call.inSize = inSize;
    call.outIsIn = out == in;
    call.outIsNull = out == nullptr;
    call.outSize = outSize;
    calls.push_back(call);
    bool ok = otherwise;
    if (!results.empty()) {
      ok = results.front();
      results.pop_front();
    }
    if (ok && onSuccess && inSize >= 64) onSuccess(call.Opcode(), call.Buffer(), call.TransferLength());
    if (returned) *returned = 0;
    return ok;
  }
  void Close(DeviceHandle device) override { closed.push_back(device); }

  std::vector<uint8_t> Opcodes() const {
    std::vector<uint8_t> codes;
    for (const RECORDED_CALL& c : calls) codes.push_back(c.Opcode());
    return codes;
  }
};
