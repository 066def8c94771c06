#pragma once
// The encoder-library seam: the six entry points of the BladeEnc
// programming interface, bound by name at run time. The real binding loads
// "BLADEENC.DLL" or "LAME_ENC.DLL"; tests bind stand-in libraries.
#include <cstdint>
#include <mutex>

typedef uint32_t BE_ERR;
typedef uint32_t HBE_STREAM;

#if defined(_WIN32)
#define BE_CALL __cdecl
#else
#define BE_CALL
#endif

typedef BE_ERR(BE_CALL* BEINITSTREAM)(void* config, uint32_t* samples, uint32_t* bufferSize, HBE_STREAM* stream);
typedef BE_ERR(BE_CALL* BEENCODECHUNK)(HBE_STREAM stream, uint32_t samples, const int16_t* pcm, uint8_t* output,
                                       uint32_t* produced);
typedef BE_ERR(BE_CALL* BEDEINITSTREAM)(HBE_STREAM stream, uint8_t* output, uint32_t* produced);
typedef BE_ERR(BE_CALL* BECLOSESTREAM)(HBE_STREAM stream);
typedef void(BE_CALL* BEVERSION)(void* version);
typedef BE_ERR(BE_CALL* BEWRITEVBRHEADER)(const char* mp3Path);

inline constexpr const char* kEncoderLibraryNames[2] = {"BLADEENC.DLL", "LAME_ENC.DLL"};

struct ENCODER_ENTRY_POINTS {
  BEINITSTREAM beInitStream = nullptr;
  BEENCODECHUNK beEncodeChunk = nullptr;
  BEDEINITSTREAM beDeinitStream = nullptr;
  BECLOSESTREAM beCloseStream = nullptr;
  BEVERSION beVersion = nullptr;
  BEWRITEVBRHEADER beWriteVBRHeader = nullptr;  // optional
};

// Process-wide binding, owned by the main window's thread.
class CEncoderBinding {
 public:
  // Loads library `index` (0 BLADEENC.DLL, 1 LAME_ENC.DLL) and looks up the
  // entry points. Fails, leaving nothing bound, when the library does not
  // load or a required entry point is missing. Does not unload a library
  // bound before: callers do.
  bool LoadEncoder(int index);
  void Unload();
  // Takes entry points found elsewhere: LoadEncoder's, or a test's stand-ins
  // (library null).
  void Adopt(void* library, const ENCODER_ENTRY_POINTS& entries) {
    library_ = library;
    entries_ = entries;
  }
  bool IsBound() const { return entries_.beInitStream != nullptr; }
  const ENCODER_ENTRY_POINTS& Entries() const { return entries_; }

  int loadedIndex = 1;
  // Held around opening a stream and around closing one with writing its
  // VBR header: the library keeps the stream closed last in one global, so
  // tracks encoded side by side take turns there.
  std::mutex& StreamLock() const { return streamLock_; }

 private:
  mutable std::mutex streamLock_;
  void* library_ = nullptr;
  ENCODER_ENTRY_POINTS entries_;
};
