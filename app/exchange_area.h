#pragma once
// The data exchange area: a named block of shared memory through which the
// shell extension hands CD tracks or files to the program. Any process of
// the user can write it, so every count and text read from it is bounded.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

inline constexpr const char* kExchangeAreaName = "Tambour Data Exchange Area";
inline constexpr const char* kSingleInstanceMutexName = "Cantaro Maker Should Only Run One Time!";
inline constexpr size_t kExchangeAreaSize = 65536;
inline constexpr size_t kExchangeAreaUsed = 26676;  // every reader and writer copies exactly this

// Layout (little-endian byte offsets).
inline constexpr size_t kAreaWindowOffset = 0;     // 32-bit main window handle
inline constexpr size_t kAreaItemCountOffset = 4;  // signed 32-bit
inline constexpr size_t kAreaTracksOffset = 8;     // 100 signed 32-bit track numbers
inline constexpr size_t kAreaDriveOffset = 408;    // one character
inline constexpr size_t kAreaJobKindOffset = 412;  // 0 = encode, 1 = decode
inline constexpr size_t kAreaFolderOffset = 416;   // 260-byte zero-terminated text
inline constexpr size_t kAreaFilesOffset = 676;    // 100 slots of 260 bytes
inline constexpr size_t kAreaMaxItems = 100;
inline constexpr size_t kAreaTextSize = 260;  // so at most 259 characters

enum AREA_JOB_KIND : int32_t { AREA_JOB_ENCODE = 0, AREA_JOB_DECODE = 1 };

// What a reader takes from the area, bounded to the fields' limits.
struct EXCHANGE_REQUEST {
  uint32_t window = 0;
  int32_t itemCount = 0;        // clamped to 0..100
  std::vector<int32_t> tracks;  // the first itemCount track numbers
  char driveLetter = 0;
  int32_t jobKind = 0;
  std::string folder;
  std::vector<std::string> files;  // up to the first empty slot, at most 100
};

// area points at (at least) kExchangeAreaUsed bytes.
EXCHANGE_REQUEST ReadExchangeArea(const uint8_t* area);
uint32_t ReadAreaWindow(const uint8_t* area);
int32_t ReadAreaInt(const uint8_t* area, size_t offset);
void WriteAreaInt(uint8_t* area, size_t offset, int32_t value);
void WriteAreaWindow(uint8_t* area, uint32_t window);

// The writers' side, shared with the shell extension. Tracks beyond 100 are
// dropped; paths that do not fit a slot (more than 259 characters) are
// skipped rather than cut, since a cut path names another file. Both
// return the number of items written.
size_t WriteExtractRequest(uint8_t* area, const std::vector<int32_t>& tracks, char driveLetter,
                           const std::string& folder);
size_t WriteFileRequest(uint8_t* area, AREA_JOB_KIND kind, char driveLetter, const std::string& folder,
                        const std::vector<std::string>& paths, bool writeItemCount);

// The named area itself. The Win32 twin maps the shared-memory section;
// tests use a plain buffer.
class IExchangeArea {
 public:
  virtual ~IExchangeArea() = default;
  // Maps the existing area read/write; false when it is not there.
  virtual bool Open() = 0;
  // The first kExchangeAreaUsed bytes, valid between Open and Close.
  virtual uint8_t* Bytes() = 0;
  virtual void Close() = 0;
};

// An area in plain memory, for tests and tools.
class CMemoryExchangeArea : public IExchangeArea {
 public:
  CMemoryExchangeArea() : bytes_(kExchangeAreaSize, 0) {}
  bool Open() override { return present_; }
  uint8_t* Bytes() override { return bytes_.data(); }
  void Close() override {}
  void SetPresent(bool present) { present_ = present; }

 private:
  std::vector<uint8_t> bytes_;
  bool present_ = true;
};
