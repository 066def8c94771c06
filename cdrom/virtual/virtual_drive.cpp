#include "cdrom/virtual/virtual_drive.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "cdrom/cd_text.h"
#include "cdrom/drive_commands.h"
#include "platform/file_system.h"
#include "platform/text.h"

// ---------------------------------------------------------------------------
// Configuration

namespace {

bool ParseNumber(const std::string& text, uint32_t& value) {
  if (text.empty() || text.size() > 10) return false;
  uint64_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + static_cast<uint64_t>(c - '0');
  }
  if (v > 0xFFFFFFFFull) return false;
  value = static_cast<uint32_t>(v);
  return true;
}

// Milliseconds with up to three decimals, as microseconds.
bool ParseMilliseconds(const std::string& text, uint32_t& microseconds) {
  size_t point = text.find('.');
  std::string whole = text.substr(0, point);
  std::string fraction = point == std::string::npos ? std::string() : text.substr(point + 1);
  uint32_t ms = 0;
  uint32_t part = 0;
  if (!ParseNumber(whole, ms) || fraction.size() > 3 || ms > kMaxDelayPerSectorMs) return false;
  if (point != std::string::npos && fraction.empty()) return false;
  if (point != std::string::npos && !ParseNumber(fraction + std::string(3 - fraction.size(), '0'), part)) return false;
  microseconds = ms * 1000 + part;
  return microseconds <= kMaxDelayPerSectorMs * 1000;
}

// "LBA" or "FIRST-LAST", FIRST not after LAST.
bool ParseRange(const std::string& value, VIRTUAL_LBA_RANGE& range) {
  size_t dash = value.find('-');
  bool ok = dash == std::string::npos ? ParseNumber(value, range.first) && ParseNumber(value, range.last)
                                      : ParseNumber(Trim(value.substr(0, dash)), range.first) &&
                                            ParseNumber(Trim(value.substr(dash + 1)), range.last);
  return ok && range.first <= range.last;
}

bool IsPrintable(const std::string& text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E) return false;
  return true;
}

// One option; false with the reason.
bool ParseOption(const std::string& option, VIRTUAL_DRIVE_CONFIG& drive, std::string& why) {
  size_t equals = option.find('=');
  std::string name = ToLowerAscii(Trim(option.substr(0, equals)));
  std::string value = equals == std::string::npos ? std::string() : Trim(option.substr(equals + 1));
  bool hasValue = equals != std::string::npos;
  auto needs = [&](bool wanted) {
    if (wanted != hasValue)
      why = wanted ? "option \"" + name + "\" needs a value" : "option \"" + name + "\" takes no value";
    return wanted == hasValue;
  };
  if (name == "bad") {
    if (!needs(true)) return false;
    VIRTUAL_LBA_RANGE range;
    if (!ParseRange(value, range)) {
      why = "bad=" + value + " is not an LBA or a range FIRST-LAST";
      return false;
    }
    if (drive.badRanges.size() == kMaxBadRanges) {
      why = "more than " + std::to_string(kMaxBadRanges) + " bad ranges";
      return false;
    }
    drive.badRanges.push_back(range);
    return true;
  }
  if (name == "unstable") {
    if (!needs(true)) return false;
    VIRTUAL_UNSTABLE_RANGE unstable;
    size_t colon = value.find(':');
    bool ok = ParseRange(Trim(value.substr(0, colon)), unstable.range);
    if (ok && colon != std::string::npos)
      ok = ParseNumber(Trim(value.substr(colon + 1)), unstable.unstableReads) && unstable.unstableReads >= 1 &&
           unstable.unstableReads <= kMaxUnstableReads;
    if (!ok) {
      why = "unstable=" + value + " is not an LBA or a range FIRST-LAST, optionally with :N reads from 1 to " +
            std::to_string(kMaxUnstableReads);
      return false;
    }
    if (drive.unstableRanges.size() == kMaxBadRanges) {
      why = "more than " + std::to_string(kMaxBadRanges) + " unstable ranges";
      return false;
    }
    drive.unstableRanges.push_back(unstable);
    return true;
  }
  if (name == "flaky") {
    if (!needs(true)) return false;
    if (!ParseNumber(value, drive.failFirstAttempts) || drive.failFirstAttempts > kMaxFailFirstAttempts) {
      why = name + "=" + value + " is not a number from 0 to " + std::to_string(kMaxFailFirstAttempts);
      return false;
    }
    return true;
  }
  if (name == "offset") {
    if (!needs(true)) return false;
    bool negative = !value.empty() && value[0] == '-';
    bool sign = !value.empty() && (value[0] == '-' || value[0] == '+');
    uint32_t magnitude = 0;
    if (!ParseNumber(sign ? value.substr(1) : value, magnitude) ||
        magnitude > static_cast<uint32_t>(kMaxVirtualReadOffset)) {
      why = "offset=" + value + " is not a number of samples from -" + std::to_string(kMaxVirtualReadOffset) +
            " to " + std::to_string(kMaxVirtualReadOffset);
      return false;
    }
    drive.readOffset = negative ? -static_cast<int32_t>(magnitude) : static_cast<int32_t>(magnitude);
    return true;
  }
  if (name == "delay") {
    if (!needs(true)) return false;
    if (!ParseMilliseconds(value, drive.delayPerSectorUs)) {
      why = name + "=" + value + " is not a number from 0 to " + std::to_string(kMaxDelayPerSectorMs) +
            " (milliseconds, up to three decimals)";
      return false;
    }
    return true;
  }
  if (name == "nosense" || name == "nomedium" || name == "notext") {
    if (!needs(false)) return false;
    (name == "nosense" ? drive.rejectModeSense : name == "nomedium" ? drive.noMedium : drive.rejectCdText) = true;
    return true;
  }
  if (name == "badtext") {
    if (!needs(true)) return false;
    if (!ParseNumber(value, drive.textPackToCorrupt) || drive.textPackToCorrupt >= kMaxCdTextPacks) {
      why = name + "=" + value + " is not a pack number from 0 to " + std::to_string(kMaxCdTextPacks - 1);
      return false;
    }
    drive.corruptTextPack = true;
    return true;
  }
  if (name == "log") {
    if (!needs(true)) return false;
    if (value.size() > kMaxCuePathLength || !IsPrintable(value)) {
      why = "the log path must be at most 259 printable characters";
      return false;
    }
    drive.commandLog = value;
    return true;
  }
  if (name == "vendor" || name == "product" || name == "revision") {
    if (!needs(true)) return false;
    size_t limit = name == "vendor" ? 8 : name == "product" ? 16 : 4;
    if (value.size() > limit || !IsPrintable(value)) {
      why = name + " text must be at most " + std::to_string(limit) + " printable characters";
      return false;
    }
    (name == "vendor" ? drive.vendor : name == "product" ? drive.product : drive.revision) = value;
    return true;
  }
  why = "unknown option \"" + name.substr(0, 32) + "\"";
  return false;
}

}  // namespace

bool ParseVirtualDrives(const std::string& text, std::vector<VIRTUAL_DRIVE_CONFIG>& drives, std::string& error) {
  drives.clear();
  if (text.size() > kMaxVirtualDrivesText) {
    error = std::string(kVirtualDrivesVariable) + " is longer than " + std::to_string(kMaxVirtualDrivesText) +
            " characters";
    return false;
  }
  for (const std::string& raw : SplitText(text, ';')) {
    std::string item = Trim(raw);
    if (item.empty()) continue;
    std::string why;
    VIRTUAL_DRIVE_CONFIG drive;
    std::vector<std::string> parts = SplitText(item, '|');
    size_t equals = parts[0].find('=');
    std::string letter = equals == std::string::npos ? std::string() : Trim(parts[0].substr(0, equals));
    std::string path = equals == std::string::npos ? std::string() : Trim(parts[0].substr(equals + 1));
    if (equals == std::string::npos || letter.size() != 1 || !std::isalpha(static_cast<unsigned char>(letter[0]))) {
      why = "expected LETTER=PATH_TO_CUE";
    } else if (path.empty()) {
      why = "no cue sheet path";
    } else if (path.size() > kMaxCuePathLength || !IsPrintable(path)) {
      why = "the cue sheet path must be at most 259 printable characters";
    } else {
      drive.letter = static_cast<char>(std::toupper(static_cast<unsigned char>(letter[0])));
      drive.cuePath = path;
      for (const VIRTUAL_DRIVE_CONFIG& other : drives)
        if (other.letter == drive.letter) why = std::string("drive ") + drive.letter + ": is listed twice";
      for (size_t i = 1; i < parts.size() && why.empty(); ++i) {
        std::string option = Trim(parts[i]);
        if (!option.empty()) ParseOption(option, drive, why);
      }
    }
    if (!why.empty()) {
      std::string shown = item.size() > 80 ? item.substr(0, 77) + "..." : item;
      error = std::string(kVirtualDrivesVariable) + ": item \"" + shown + "\": " + why;
      drives.clear();
      return false;
    }
    drives.push_back(drive);
  }
  return true;
}

std::string EjectFilePath(const std::string& cuePath) { return cuePath + ".eject"; }

bool RemoveVirtualMedium(const std::string& cuePath) {
  CImageFile file;
  return file.Create(EjectFilePath(cuePath)) && file.Finish();
}

bool InsertVirtualMedium(const std::string& cuePath) {
  std::string path = OpenablePath(EjectFilePath(cuePath));
  if (path.empty()) return false;
  return std::remove(path.c_str()) == 0 || !FileExists(EjectFilePath(cuePath));
}

// ---------------------------------------------------------------------------
// One drive

namespace {

using namespace virtual_error;

constexpr uint32_t kInquiryLength = 96;  // standard data, additional length 91
constexpr uint32_t kModeDataLength = 12;
constexpr uint64_t kMaxTransfer = 2u * 1024u * 1024u;

uint32_t Be16(const uint8_t* p) { return (static_cast<uint32_t>(p[0]) << 8) | p[1]; }
uint32_t Be24(const uint8_t* p) { return (static_cast<uint32_t>(p[0]) << 16) | Be16(p + 1); }
uint32_t Be32(const uint8_t* p) { return (static_cast<uint32_t>(p[0]) << 24) | Be24(p + 1); }

void PutPadded(uint8_t* field, const std::string& text, size_t size) {
  std::memset(field, ' ', size);
  std::memcpy(field, text.data(), std::min(text.size(), size));
}

// The CDB length and data direction of every command the drive knows.
bool CommandShape(uint8_t opcode, uint8_t& cdbLength, DataDirection& direction) {
  direction = DataDirection::In;
  switch (opcode) {
    case 0x00:  // TEST UNIT READY
    case 0x1B:  // START STOP UNIT
      cdbLength = 6;
      direction = DataDirection::Unspecified;
      return true;
    case 0x12:  // INQUIRY
    case 0x1A:  // MODE SENSE(6)
      cdbLength = 6;
      return true;
    case 0x15:  // MODE SELECT(6)
      cdbLength = 6;
      direction = DataDirection::Out;
      return true;
    case 0x28:  // READ(10)
    case 0x43:  // READ TOC
    case 0xD4:  // vendor READ CD-DA
      cdbLength = 10;
      return true;
    case 0xBE:  // READ CD
    case 0xD8:  // vendor READ CD-DA
      cdbLength = 12;
      return true;
    default: return false;
  }
}

}  // namespace

CVirtualDrive::CVirtualDrive(VIRTUAL_DRIVE_CONFIG config)
    : config_(std::move(config)), unstableReadCounts_(config_.unstableRanges.size(), 0) {
  if (!config_.commandLog.empty()) commandLog_.Open(config_.commandLog, CFile::Mode::Create);
}

void CVirtualDrive::LogCommand(const SCSI_COMMAND& command) {
  if (!commandLog_.IsOpen()) return;
  std::string line;
  for (uint8_t i = 0; i < command.cdbLength && i < sizeof(command.cdb); ++i) {
    static const char kHex[] = "0123456789ABCDEF";
    if (i > 0) line += ' ';
    line += kHex[command.cdb[i] >> 4];
    line += kHex[command.cdb[i] & 0x0F];
  }
  line += "\r\n";
  commandLog_.Write(line.data(), line.size());
}

bool CVirtualDrive::Insert(std::string& error) {
  DISC_IMAGE image;
  if (config_.noMedium) {
    error = "configured without a medium";
    return false;
  }
  if (!LoadCueImage(config_.cuePath, image, error)) return false;
  std::vector<CImageFile> files(image.files.size());
  for (size_t i = 0; i < files.size(); ++i)
    if (!files[i].OpenForReading(image.files[i])) {
      error = "cannot open " + image.files[i];
      return false;
    }
  std::lock_guard<std::mutex> lock(lock_);
  image_ = std::move(image);
  files_ = std::move(files);
  hasMedium_ = true;
  return true;
}

void CVirtualDrive::Remove() {
  std::lock_guard<std::mutex> lock(lock_);
  hasMedium_ = false;
  image_ = DISC_IMAGE();
  files_.clear();
}

bool CVirtualDrive::HasMedium() const {
  std::lock_guard<std::mutex> lock(lock_);
  return hasMedium_;
}

uint32_t CVirtualDrive::BlockLength() const {
  std::lock_guard<std::mutex> lock(lock_);
  return blockLength_;
}

bool CVirtualDrive::InjectedFailure(const SCSI_COMMAND& command) {
  if (config_.failFirstAttempts == 0) return false;
  // A command is recognised by its CDB, direction and transfer length, so
  // the attempts of one command count together and the next one starts
  // afresh.
  uint8_t key[sizeof(lastCommand_)];
  std::memcpy(key, command.cdb, 16);
  key[16] = static_cast<uint8_t>(command.direction);
  StoreLe32(key + 17, command.transferLength);
  if (std::memcmp(key, lastCommand_, sizeof(key)) != 0) {
    std::memcpy(lastCommand_, key, sizeof(key));
    failedAttempts_ = 0;
  }
  if (failedAttempts_ < config_.failFirstAttempts) {
    ++failedAttempts_;
    return true;
  }
  failedAttempts_ = 0;  // the same command sent again fails anew
  return false;
}

uint32_t CVirtualDrive::Execute(const SCSI_COMMAND& command, bool directionGiven, uint32_t& transferred) {
  transferred = 0;
  // One scope for the whole command: READ(10) sizes its transfer by the
  // block length and must fill the buffer by the same one, whatever a
  // MODE SELECT on another thread does meanwhile.
  std::lock_guard<std::mutex> lock(lock_);
  LogCommand(command);
  const uint8_t* cdb = command.cdb;
  uint8_t cdbLength = 0;
  DataDirection direction = DataDirection::In;
  if (!CommandShape(cdb[0], cdbLength, direction)) return kInvalidFunction;
  if (command.cdbLength != cdbLength) return kInvalidParameter;
  if (directionGiven && command.direction != direction) return kInvalidParameter;

  // The transfer length the CDB implies.
  uint64_t expected = 0;
  switch (cdb[0]) {
    case 0x12: expected = Be16(cdb + 3); break;
    case 0x43: expected = Be16(cdb + 7); break;
    case 0x15:
    case 0x1A: expected = cdb[4]; break;
    case 0xBE: expected = uint64_t{Be24(cdb + 6)} * kImageFrameBytes; break;
    case 0xD4: expected = uint64_t{Be16(cdb + 7)} * kImageFrameBytes; break;
    case 0xD8: expected = uint64_t{Be32(cdb + 6)} * kImageFrameBytes; break;
    case 0x28: expected = uint64_t{Be16(cdb + 7)} * blockLength_; break;
  }
  if (expected != command.transferLength || expected > kMaxTransfer) return kInvalidParameter;
  if (expected > 0 && command.buffer == nullptr) return kInvalidUserBuffer;

  if (InjectedFailure(command)) return kIoDevice;
  uint8_t* out = static_cast<uint8_t*>(command.buffer);
  switch (cdb[0]) {
    case 0x00: return hasMedium_ ? 0 : kNotReady;
    case 0x1B: return StartStopUnit(command);
    case 0x12: return Inquiry(command, transferred);
    case 0x15: return ModeSelect(command);
    case 0x1A: return ModeSense(command, transferred);
    case 0x43: return ReadToc(command, transferred);
    default: break;
  }

  // The reads.
  uint32_t lba = Be32(cdb + 2);
  uint32_t count = 0;
  SectorForm form = SectorForm::Audio;
  switch (cdb[0]) {
    case 0xBE:
      // Expected sector type CD-DA, no relative address, user data only
      // (F0: sync, header and data; 10: data; both are the 2352 bytes of
      // an audio sector), no sub-channel.
      if ((cdb[1] & 0x1D) != 0x04 || (cdb[9] != 0xF0 && cdb[9] != 0x10) || cdb[10] != 0) return kInvalidFunction;
      count = Be24(cdb + 6);
      break;
    case 0xD4: count = Be16(cdb + 7); break;
    case 0xD8:
      if (cdb[10] != 0) return kInvalidFunction;  // sub-code formats are not served
      count = Be32(cdb + 6);
      break;
    case 0x28:
      if (cdb[1] & 0x01) return kInvalidFunction;
      if (blockLength_ != kImageFrameBytes && blockLength_ != 2048) return kInvalidFunction;
      form = blockLength_ == kImageFrameBytes ? SectorForm::Raw : SectorForm::UserData;
      count = Be16(cdb + 7);
      break;
  }
  uint32_t result = ReadSectors(lba, count, form, out);
  if (result == 0) transferred = command.transferLength;
  return result;
}

// Load and eject act on the eject file, as a hand at the tray would: the
// media watcher then applies the change and tells the windows.
uint32_t CVirtualDrive::StartStopUnit(const SCSI_COMMAND& command) {
  const uint8_t* cdb = command.cdb;
  if ((cdb[4] & 0x02) == 0) return 0;  // spin up or down: nothing to do
  bool load = (cdb[4] & 0x01) != 0;
  bool done = load ? InsertVirtualMedium(config_.cuePath) : RemoveVirtualMedium(config_.cuePath);
  return done ? 0 : kIoDevice;
}

uint32_t CVirtualDrive::Inquiry(const SCSI_COMMAND& command, uint32_t& transferred) {
  const uint8_t* cdb = command.cdb;
  if ((cdb[1] & 0x03) != 0 || cdb[2] != 0) return kInvalidFunction;  // no vital product data pages
  uint8_t data[kInquiryLength] = {};
  data[0] = 0x05;  // CD-ROM device
  data[1] = 0x80;  // removable medium
  data[2] = 0x00;
  data[3] = 0x32;  // ATAPI, response data format 2
  data[4] = kInquiryLength - 5;
  PutPadded(data + 8, config_.vendor, 8);
  PutPadded(data + 16, config_.product, 16);
  PutPadded(data + 32, config_.revision, 4);
  PutPadded(data + 36, std::string("VIRTUAL DRIVE ") + config_.letter + ":", 20);
  transferred = std::min<uint32_t>(command.transferLength, kInquiryLength);
  if (transferred) std::memcpy(command.buffer, data, transferred);
  return 0;
}

uint32_t CVirtualDrive::ReadToc(const SCSI_COMMAND& command, uint32_t& transferred) {
  const uint8_t* cdb = command.cdb;
  if ((cdb[2] & 0x0F) == 5 && (cdb[9] & 0xC0) == 0) return ReadCdText(command, transferred);
  // Format 0 in LBA form only; the old format field in the control byte
  // must be 0 too.
  if ((cdb[1] & 0x02) != 0 || (cdb[2] & 0x0F) != 0 || (cdb[9] & 0xC0) != 0) return kInvalidFunction;
  if (!hasMedium_) return kNotReady;
  CD_TOC toc;
  BuildImageToc(image_, toc);
  size_t count = std::min(image_.tracks.size(), kMaxTocTracks);
  // Entries from the starting track on; 0 means the first, AA the lead-out.
  uint8_t from = cdb[6];
  size_t first = 0;
  if (from == kLeadOutTrack) {
    first = count;
  } else if (from > toc.lastTrack) {
    return kInvalidFunction;
  } else {
    while (first < count && toc.entries[first].trackNumber < from) ++first;
  }
  size_t entries = count + 1 - first;
  std::vector<uint8_t> response(4 + 8 * entries);
  uint16_t length = static_cast<uint16_t>(response.size() - 2);
  response[0] = static_cast<uint8_t>(length >> 8);
  response[1] = static_cast<uint8_t>(length);
  response[2] = toc.firstTrack;
  response[3] = toc.lastTrack;
  std::memcpy(response.data() + 4, &toc.entries[first], 8 * entries);
  transferred = std::min<uint32_t>(command.transferLength, static_cast<uint32_t>(response.size()));
  if (transferred) std::memcpy(command.buffer, response.data(), transferred);
  return 0;
}

// A disc without CD-Text answers with the bare header, as many drives do.
uint32_t CVirtualDrive::ReadCdText(const SCSI_COMMAND& command, uint32_t& transferred) {
  if (config_.rejectCdText) return kInvalidFunction;
  if (!hasMedium_) return kNotReady;
  int first = image_.tracks.empty() ? 1 : image_.tracks.front().number;
  int last = image_.tracks.empty() ? 0 : image_.tracks.back().number;
  std::vector<uint8_t> packs = BuildCdTextPacks(image_.cdText, first, last);
  size_t corrupt = static_cast<size_t>(config_.textPackToCorrupt) * kCdTextPackBytes;
  if (config_.corruptTextPack && corrupt < packs.size()) packs[corrupt + kCdTextPackBytes - 1] ^= 0xFF;
  std::vector<uint8_t> response(kCdTextHeaderBytes);
  uint16_t length = static_cast<uint16_t>(packs.size() + 2);
  response[0] = static_cast<uint8_t>(length >> 8);
  response[1] = static_cast<uint8_t>(length);
  response.insert(response.end(), packs.begin(), packs.end());
  transferred = std::min<uint32_t>(command.transferLength, static_cast<uint32_t>(response.size()));
  if (transferred) std::memcpy(command.buffer, response.data(), transferred);
  return 0;
}

uint32_t CVirtualDrive::ModeSelect(const SCSI_COMMAND& command) {
  const uint8_t* cdb = command.cdb;
  if (cdb[1] & 0x01) return kInvalidFunction;  // saving pages is not supported
  uint32_t length = command.transferLength;
  if (length == 0) return 0;
  if (length < 4) return kInvalidFunction;
  const uint8_t* list = static_cast<const uint8_t*>(command.buffer);
  // The mode data length (byte 0) is reserved here and ignored, as drives
  // do, so a MODE SENSE answer can be sent back as it is.
  uint32_t descriptorLength = list[3];
  if (descriptorLength != 0 && descriptorLength != 8) return kInvalidFunction;
  if (4 + descriptorLength != length) return kInvalidFunction;  // no mode pages are supported
  if (descriptorLength == 8) {
    uint32_t blockLength = Be24(list + 9);
    if (blockLength != 2048 && blockLength != kImageFrameBytes) return kInvalidFunction;
    blockLength_ = blockLength;
  }
  return 0;
}

uint32_t CVirtualDrive::ModeSense(const SCSI_COMMAND& command, uint32_t& transferred) {
  const uint8_t* cdb = command.cdb;
  if (config_.rejectModeSense) return kInvalidFunction;
  uint8_t control = cdb[2] >> 6, page = cdb[2] & 0x3F;
  if (control == 3 || (page != 0 && page != 0x3F)) return kInvalidFunction;  // no saved values, no pages
  bool blockDescriptor = (cdb[1] & 0x08) == 0;
  uint8_t data[kModeDataLength] = {};
  data[0] = blockDescriptor ? 11 : 3;
  data[3] = blockDescriptor ? 8 : 0;
  uint32_t blockLength = control == 1 ? 0xFFFFFF : control == 2 ? 2048 : blockLength_;
  data[9] = static_cast<uint8_t>(blockLength >> 16);
  data[10] = static_cast<uint8_t>(blockLength >> 8);
  data[11] = static_cast<uint8_t>(blockLength);
  uint32_t available = blockDescriptor ? kModeDataLength : 4;
  transferred = std::min(command.transferLength, available);
  if (transferred) std::memcpy(command.buffer, data, transferred);
  return 0;
}

uint32_t CVirtualDrive::ReadSectors(uint32_t lba, uint32_t count, SectorForm form, uint8_t* out) {
  if (!hasMedium_) return kNotReady;
  if (count == 0) return 0;
  if (uint64_t{lba} + count > image_.leadOut) return kSectorNotFound;
  uint32_t last = lba + count - 1;
  for (const VIRTUAL_LBA_RANGE& bad : config_.badRanges)
    if (bad.first <= last && lba <= bad.last) return kCrc;
  for (uint32_t i = 0; i < count; ++i) {
    int track = TrackIndexAt(image_, lba + i);
    bool data = track >= 0 && image_.tracks[static_cast<size_t>(track)].data;
    // CD-DA reads refuse data sectors, 2048-byte reads audio sectors.
    if ((form == SectorForm::Audio && data) || (form == SectorForm::UserData && !data)) return kInvalidFunction;
  }
  if (config_.delayPerSectorUs)
    std::this_thread::sleep_for(std::chrono::microseconds(uint64_t{config_.delayPerSectorUs} * count));
  if (form != SectorForm::UserData) {
    bool read = form == SectorForm::Audio && config_.readOffset != 0 ? ReadShifted(lba, count, out)
                                                                        : ReadRaw(lba, count, out);
    if (!read) return kCrc;
    DisturbUnstableFrames(lba, count, out);
    return 0;
  }
  uint8_t sector[kImageFrameBytes];
  for (uint32_t i = 0; i < count; ++i) {
    if (!ReadRaw(lba + i, 1, sector)) return kCrc;
    std::memcpy(out + size_t{i} * 2048, sector + 16, 2048);  // after sync and header
  }
  return 0;
}

void CVirtualDrive::DisturbUnstableFrames(uint32_t lba, uint32_t count, uint8_t* out) {
  uint32_t last = lba + count - 1;
  for (size_t r = 0; r < config_.unstableRanges.size(); ++r) {
    const VIRTUAL_UNSTABLE_RANGE& unstable = config_.unstableRanges[r];
    if (unstable.range.first > last || lba > unstable.range.last) continue;
    uint32_t reads = unstableReadCounts_[r]++;
    if (unstable.unstableReads != 0 && reads >= unstable.unstableReads) continue;
    // An odd multiplier maps distinct read counts to distinct, non-zero
    // masks, so no two reads of the range return the same samples.
    uint32_t mask = (reads + 1) * 0x9E3779B1u;
    uint32_t first = std::max(lba, unstable.range.first);
    uint32_t end = std::min(last, unstable.range.last) + 1;
    for (uint32_t frame = first; frame < end; ++frame) {
      uint8_t* sector = out + size_t{frame - lba} * kImageFrameBytes;
      for (size_t at = 0; at + 4 <= kImageFrameBytes; at += 64)
        for (size_t b = 0; b < 4; ++b) sector[at + b] ^= static_cast<uint8_t>(mask >> (8 * b));
    }
  }
}

bool CVirtualDrive::ReadShifted(uint32_t lba, uint32_t count, uint8_t* out) {
  // Position p delivers the image's sample p - offset.
  const int64_t frameBytes = kImageFrameBytes;
  int64_t begin = int64_t{lba} * frameBytes - int64_t{config_.readOffset} * 4;
  int64_t end = begin + int64_t{count} * frameBytes;
  int64_t from = std::max<int64_t>(begin, 0);
  int64_t to = std::min<int64_t>(end, int64_t{image_.leadOut} * frameBytes);
  std::memset(out, 0, static_cast<size_t>(end - begin));
  if (from >= to) return true;
  uint32_t firstFrame = static_cast<uint32_t>(from / frameBytes);
  uint32_t lastFrame = static_cast<uint32_t>((to - 1) / frameBytes);
  std::vector<uint8_t> frames(size_t{lastFrame - firstFrame + 1} * kImageFrameBytes);
  if (!ReadRaw(firstFrame, lastFrame - firstFrame + 1, frames.data())) return false;
  std::memcpy(out + (from - begin), frames.data() + (from - int64_t{firstFrame} * frameBytes),
              static_cast<size_t>(to - from));
  return true;
}

bool CVirtualDrive::ReadRaw(uint32_t lba, uint32_t count, uint8_t* out) {
  while (count > 0) {
    const DISC_EXTENT* extent = ExtentAt(image_, lba);
    if (!extent) return false;
    uint32_t offset = lba - extent->start;
    uint32_t run = std::min(count, extent->frames - offset);
    size_t bytes = size_t{run} * kImageFrameBytes;
    if (extent->file < 0) {
      std::memset(out, 0, bytes);
    } else {
      int64_t position = static_cast<int64_t>((extent->fileFrame + offset) * kImageFrameBytes);
      // A BIN that shrank since it was measured reads as a medium error.
      if (!files_[static_cast<size_t>(extent->file)].ReadAt(position, out, bytes)) return false;
    }
    out += bytes;
    lba += run;
    count -= run;
  }
  return true;
}

// ---------------------------------------------------------------------------
// The device I/O wrapper

namespace {

// Virtual handles have both low bits set, which no kernel handle has.
constexpr DeviceHandle kVirtualHandleBase = 0x56430003;
constexpr DeviceHandle kVirtualHandleSpan = 4 * 0x100000;
constexpr uint32_t kMaxDriveIndex = 25;

thread_local uint32_t t_lastError = 0;

// The letter of "X:\" or "X:", or 0.
char RootLetter(const std::string& root) {
  if (root.size() < 2 || root[1] != ':' || !std::isalpha(static_cast<unsigned char>(root[0]))) return 0;
  if (root.size() > 3 || (root.size() == 3 && root[2] != '\\')) return 0;
  return static_cast<char>(std::toupper(static_cast<unsigned char>(root[0])));
}

}  // namespace

CVirtualDeviceIo::CVirtualDeviceIo(IDeviceIo* system, const std::vector<VIRTUAL_DRIVE_CONFIG>& drives)
    : system_(system) {
  for (const VIRTUAL_DRIVE_CONFIG& config : drives) {
    drives_.push_back(std::make_unique<CVirtualDrive>(config));
    insertFailed_.push_back(false);
  }
  std::sort(drives_.begin(), drives_.end(),
            [](const auto& a, const auto& b) { return a->Config().letter < b->Config().letter; });
  for (size_t i = 0; i < drives_.size(); ++i) {
    const VIRTUAL_DRIVE_CONFIG& config = drives_[i]->Config();
    if (config.noMedium || FileExists(EjectFilePath(config.cuePath))) continue;
    std::string error;
    if (!drives_[i]->Insert(error)) {
      insertFailed_[i] = true;
      problems_.push_back(std::string(1, config.letter) + ": " + error);
    }
  }
}

bool CVirtualDeviceIo::IsVirtualHandle(DeviceHandle device) {
  return (device & 3) == 3 && device >= kVirtualHandleBase && device < kVirtualHandleBase + kVirtualHandleSpan;
}

uint32_t CVirtualDeviceIo::LastError() { return t_lastError; }

bool CVirtualDeviceIo::Fail(uint32_t error) {
  t_lastError = error;
  if (errorSink_) errorSink_(error);
  return false;
}

int CVirtualDeviceIo::DriveIndexOf(char letter) const {
  for (size_t i = 0; i < drives_.size(); ++i)
    if (drives_[i]->Config().letter == letter) return static_cast<int>(i);
  return -1;
}

CVirtualDrive* CVirtualDeviceIo::Drive(char letter) {
  int index = DriveIndexOf(static_cast<char>(std::toupper(static_cast<unsigned char>(letter))));
  return index < 0 ? nullptr : drives_[static_cast<size_t>(index)].get();
}

std::vector<std::string> CVirtualDeviceIo::TakeLoadProblems() {
  std::lock_guard<std::mutex> lock(lock_);
  std::vector<std::string> problems;
  problems.swap(problems_);
  return problems;
}

std::vector<std::string> CVirtualDeviceIo::DriveRoots() {
  // A virtual drive hides a system drive of the same letter.
  std::vector<std::string> roots;
  if (system_)
    for (const std::string& root : system_->DriveRoots()) {
      char letter = RootLetter(root);
      if (letter == 0 || DriveIndexOf(letter) < 0) roots.push_back(root);
    }
  for (const auto& drive : drives_) roots.push_back(std::string(1, drive->Config().letter) + ":\\");
  std::stable_sort(roots.begin(), roots.end(), [](const std::string& a, const std::string& b) {
    return std::toupper(static_cast<unsigned char>(a.empty() ? 0 : a[0])) <
           std::toupper(static_cast<unsigned char>(b.empty() ? 0 : b[0]));
  });
  return roots;
}

unsigned CVirtualDeviceIo::DriveType(const std::string& root) {
  char letter = RootLetter(root);
  if (letter && DriveIndexOf(letter) >= 0) return kDriveTypeCdrom;
  return system_ ? system_->DriveType(root) : 1;  // DRIVE_NO_ROOT_DIR
}

DeviceHandle CVirtualDeviceIo::Open(const std::string& devicePath, bool readWrite) {
  std::string upper = ToUpperAscii(devicePath);
  int drive = -2;
  if (!drives_.empty() && upper == ToUpperAscii(kDriverDevicePath)) {
    drive = -1;
  } else if (upper.size() == 6 && upper.compare(0, 4, "\\\\.\\") == 0 && upper[5] == ':') {
    int index = DriveIndexOf(upper[4]);
    if (index >= 0) drive = index;
  }
  if (drive == -2) return system_ ? system_->Open(devicePath, readWrite) : kInvalidDevice;
  std::lock_guard<std::mutex> lock(lock_);
  DeviceHandle handle = kVirtualHandleBase + 4 * static_cast<DeviceHandle>(serial_ % (kVirtualHandleSpan / 4));
  ++serial_;
  handles_.push_back({handle, drive});
  return handle;
}

void CVirtualDeviceIo::Close(DeviceHandle device) {
  if (!IsVirtualHandle(device)) {
    if (system_) system_->Close(device);
    return;
  }
  std::lock_guard<std::mutex> lock(lock_);
  handles_.erase(
      std::remove_if(handles_.begin(), handles_.end(), [device](const OPEN_HANDLE& h) { return h.handle == device; }),
      handles_.end());
}

bool CVirtualDeviceIo::Control(DeviceHandle device, uint32_t code, void* in, uint32_t inSize, void* out,
                               uint32_t outSize, uint32_t* returned) {
  if (!IsVirtualHandle(device)) {
    if (system_) return system_->Control(device, code, in, inSize, out, outSize, returned);
    return Fail(kInvalidHandle);
  }
  int drive = -2;
  {
    std::lock_guard<std::mutex> lock(lock_);
    for (const OPEN_HANDLE& h : handles_)
      if (h.handle == device) drive = h.drive;
  }
  if (returned) *returned = 0;
  if (drive == -2) return Fail(kInvalidHandle);
  if (drive == -1) return DriverRequest(code, in, inSize, outSize, returned);
  return PassThrough(*drives_[static_cast<size_t>(drive)], code, in, inSize, out, outSize, returned);
}

bool CVirtualDeviceIo::PassThrough(CVirtualDrive& drive, uint32_t code, void* in, uint32_t inSize, void* out,
                                   uint32_t outSize, uint32_t* returned) {
  if (code != kIoctlScsiPassThroughDirect) return Fail(kInvalidFunction);
  if (!in || inSize < kPassThroughLength || !out || outSize < kPassThroughLength) return Fail(kInvalidParameter);
  const uint8_t* record = static_cast<const uint8_t*>(in);
  if (LoadLe16(record + sptd::kLength) != kPassThroughLength) return Fail(kInvalidParameter);
  uint8_t senseLength = record[sptd::kSenseInfoLength];
  uint32_t senseOffset = LoadLe32(record + sptd::kSenseInfoOffset);
  if (senseLength &&
      (senseOffset < kPassThroughLength || uint64_t{senseOffset} + senseLength > std::min(inSize, outSize)))
    return Fail(kInvalidParameter);
  uint8_t dataIn = record[sptd::kDataIn];
  uint32_t timeOut = LoadLe32(record + sptd::kTimeOutValue);
  SCSI_COMMAND command;
  command.cdbLength = record[sptd::kCdbLength];
  if (command.cdbLength == 0 || command.cdbLength > 16 || dataIn > 2 || timeOut == 0) return Fail(kInvalidParameter);
  std::memcpy(command.cdb, record + sptd::kCdb, 16);
  command.direction = static_cast<DataDirection>(dataIn);
  command.transferLength = LoadLe32(record + sptd::kDataTransferLength);
  command.buffer = DecodeBufferAddress(LoadLe32(record + sptd::kDataBuffer));
  uint32_t transferred = 0;
  if (uint32_t error = drive.Execute(command, true, transferred)) return Fail(error);
  // The system hands the record back with the status and the bytes moved.
  if (out != in) std::memcpy(out, in, std::min(inSize, outSize));
  uint8_t* answer = static_cast<uint8_t*>(out);
  answer[sptd::kScsiStatus] = 0;
  StoreLe32(answer + sptd::kDataTransferLength, transferred);
  if (returned) *returned = kPassThroughLength;
  return true;
}

bool CVirtualDeviceIo::DriverRequest(uint32_t code, void* in, uint32_t inSize, uint32_t driveIndex,
                                     uint32_t* returned) {
  if (code != kDriverControlCode) return Fail(kInvalidFunction);
  if (!in || inSize != kDriverRecordSize) return Fail(kInvalidParameter);
  const uint8_t* record = static_cast<const uint8_t*>(in);
  if (LoadLe16(record + driver_record::kLength) != kDriverRecordSize || record[driver_record::kConstant14] != 14 ||
      LoadLe32(record + driver_record::kConstant64) != 64)
    return Fail(kInvalidParameter);
  if (driveIndex > kMaxDriveIndex) return Fail(kInvalidDrive);
  int index = DriveIndexOf(static_cast<char>('A' + driveIndex));
  if (index < 0) return Fail(kInvalidDrive);
  SCSI_COMMAND command;
  command.cdbLength = record[driver_record::kCdbLength];
  if (command.cdbLength == 0 || command.cdbLength > 16) return Fail(kInvalidParameter);
  std::memcpy(command.cdb, record + driver_record::kCdb, 16);
  command.direction = DataDirection::Unspecified;
  command.transferLength = LoadLe32(record + driver_record::kTransferLength);
  command.buffer = DecodeBufferAddress(LoadLe32(record + driver_record::kDataBuffer));
  uint32_t transferred = 0;
  if (uint32_t error = drives_[static_cast<size_t>(index)]->Execute(command, false, transferred)) return Fail(error);
  return true;
}

std::vector<MEDIA_CHANGE> CVirtualDeviceIo::PollMedia() {
  std::vector<MEDIA_CHANGE> changes;
  for (size_t i = 0; i < drives_.size(); ++i) {
    CVirtualDrive& drive = *drives_[i];
    const VIRTUAL_DRIVE_CONFIG& config = drive.Config();
    bool wanted = !config.noMedium && !FileExists(EjectFilePath(config.cuePath));
    bool present = drive.HasMedium();
    if (!wanted) {
      std::lock_guard<std::mutex> lock(lock_);
      insertFailed_[i] = false;
    }
    if (present && !wanted) {
      drive.Remove();
      changes.push_back({config.letter, false});
    } else if (!present && wanted) {
      {
        std::lock_guard<std::mutex> lock(lock_);
        if (insertFailed_[i]) continue;
      }
      std::string error;
      if (drive.Insert(error)) {
        changes.push_back({config.letter, true});
      } else {
        std::lock_guard<std::mutex> lock(lock_);
        insertFailed_[i] = true;
        problems_.push_back(std::string(1, config.letter) + ": " + error);
      }
    }
  }
  return changes;
}
