#pragma once
// The program's own MPEG audio decoder: MPEG-1 Layers I, II and III, the
// lower sampling frequencies of MPEG-2 and the MPEG 2.5 extension.
//
// A CMpegDecoder is set up for one stream with `Init` and then turns one
// frame at a time into PCM with `DecodeFrame`; each instance holds its own
// history, so instances decode side by side. The program's decoding step
// uses the process-wide decoder behind the free functions `InitDecoder`,
// `GetOutputFormat` and `DecodeFrame`, one stream at a time. Input is
// untrusted: every call is bounded by the byte counts it is given and never
// reads or writes outside them.
#include <cstddef>
#include <cstdint>
#include <memory>

// The fields of a frame header, as the header parser found them.
struct MPEG_HEADER {
  int32_t versionKind = 0;      // 1 = MPEG-1 or MPEG-2 (sync 0xFFF), 2 = MPEG 2.5 (sync 0xFFE)
  int32_t id = 0;               // 1 = MPEG-1, 0 = lower sampling frequencies
  int32_t layerCode = 0;        // as coded: 3 = Layer I, 2 = Layer II, 1 = Layer III
  int32_t protection = 0;       // protection bit as coded: 0 means a 16-bit CRC follows
  int32_t bitRateIndex = 0;     // 0 = free format
  int32_t sampleRateIndex = 0;  // 0..2
  int32_t padding = 0;
  int32_t privateBit = 0;
  int32_t mode = 0;  // 0 stereo, 1 joint stereo, 2 dual channel, 3 single channel
  int32_t modeExtension = 0;
  int32_t copyright = 0;
  int32_t original = 0;
  int32_t emphasis = 0;
};

// What `DecodeFrame` produces: 24 bytes, six integers in this order.
struct MPEG_OUTPUT_FORMAT {
  int32_t channels = 0;
  int32_t samplesPerFrame = 0;  // over all channels
  int32_t sampleRate = 0;       // Hz
  int32_t bitsPerSample = 0;    // 16 (signed) or 8 (unsigned)
  int32_t reserved = 0;         // copied from the caller of InitDecoder
  int32_t encoding = 0;         // always 0 = PCM
};
static_assert(sizeof(MPEG_OUTPUT_FORMAT) == 24, "the output format record is six 32-bit integers");

// Output options of InitDecoder.
inline constexpr uint32_t kMpegOutputEightBit = 0x08;  // else 16-bit
inline constexpr uint32_t kMpegChannelMask = 0x03;     // handling of a two-channel stream:
inline constexpr uint32_t kMpegChannelsKeep = 0;       //   both, interleaved left first
inline constexpr uint32_t kMpegChannelsAverage = 1;    //   one channel, (left + right) / 2
inline constexpr uint32_t kMpegChannelsLeft = 2;       //   left only
inline constexpr uint32_t kMpegChannelsRight = 3;      //   right only

// No frame is longer than this (a free-format frame is found within it), and
// no frame decodes to more PCM bytes than kMpegMaxFrameOutputBytes.
inline constexpr int32_t kMpegMaxFrameBytes = 10000;
inline constexpr int32_t kMpegMaxFrameOutputBytes = 1152 * 2 * 2;
// With float output a frame needs up to this many bytes.
inline constexpr int32_t kMpegMaxFloatFrameOutputBytes = 1152 * 2 * 4;

// Reads the header at `bytes` (`available` bytes readable). Returns the
// length in bytes of the frame it starts, or 0 when the bytes do not start a
// valid header: no sync word (0xFF then 0xF0..0xFF for MPEG-1/MPEG-2, or
// 0xE0..0xE7 for MPEG 2.5), a reserved version, layer, bit-rate or
// sampling-frequency code, or a free-format frame whose next sync word is not
// within the first 10000 bytes (or the available bytes, if fewer). On success
// fills `header` and `bitRate` (bits per second; for free format the rate the
// measured length implies).
int32_t ParseFrameHeader(const uint8_t* bytes, size_t available, MPEG_HEADER& header, int32_t& bitRate);

struct MPEG_DECODER_STATE;

class CMpegDecoder {
 public:
  CMpegDecoder();
  ~CMpegDecoder();
  CMpegDecoder(const CMpegDecoder&) = delete;
  CMpegDecoder& operator=(const CMpegDecoder&) = delete;

  // Sets the decoder up for the stream whose first header is `header` and
  // whose first frame is `frameLength` bytes long (as ParseFrameHeader
  // measured it; free-format streams keep that length). `rateReduction` 0, 1
  // or 2 gives full, half or quarter sampling rate (clamped to 0..2).
  // `reserved` is copied into the output format. `outputOptions` combines
  // kMpegOutputEightBit and one kMpegChannels value (a single-channel stream
  // always gives one channel). Subbands above `frequencyLimit` Hz are not
  // decoded. Clears all history and ends float output. Fails for a header
  // without tables: a reserved code, or a Layer II bit rate and mode with no
  // allocation table.
  bool Init(const MPEG_HEADER& header, int32_t frameLength, int32_t rateReduction, int32_t reserved,
            uint32_t outputOptions, int32_t frequencyLimit);

  // For measuring the decoder's accuracy, after a successful Init:
  // DecodeFrame then writes 32-bit float PCM in 16-bit units (32768 = full
  // scale), the filter bank's sums before their rounding and clipping to
  // integers, so a frame needs up to kMpegMaxFloatFrameOutputBytes. The
  // format reports 32 bits per sample; kMpegOutputEightBit no longer
  // applies. Returns false, changing nothing, when no stream is set up.
  bool SelectFloatOutput();

  // The format of the PCM that DecodeFrame produces for the current stream
  // (all zeros before the first Init).
  void GetOutputFormat(MPEG_OUTPUT_FORMAT& format) const;

  // Decodes the frame that starts at `input` (`available` bytes readable)
  // into `output` (`outputCapacity` bytes writable). Returns bytes consumed
  // in the low 32 bits (signed) and PCM bytes produced in the high 32 bits.
  // Consumed is 0 when no frame could be decoded there: no initialised
  // stream, no valid header, a header of another stream (layer, version,
  // sampling frequency or channel count differ), a frame longer than the
  // available bytes, or too little output room. A frame whose header is
  // sound but whose content is damaged is consumed and decodes to what can
  // be recovered of it (silence at worst), so the PCM length stays in step
  // with the stream.
  uint64_t DecodeFrame(const uint8_t* input, size_t available, uint8_t* output, size_t outputCapacity);

 private:
  std::unique_ptr<MPEG_DECODER_STATE> state_;
};

// The process-wide decoder: these do what the CMpegDecoder members of the
// same names do, on one instance the process keeps. Not reentrant.
bool InitDecoder(const MPEG_HEADER& header, int32_t frameLength, int32_t rateReduction, int32_t reserved,
                 uint32_t outputOptions, int32_t frequencyLimit);
void GetOutputFormat(MPEG_OUTPUT_FORMAT& format);
uint64_t DecodeFrame(const uint8_t* input, size_t available, uint8_t* output, size_t outputCapacity);

inline int32_t DecodedBytesConsumed(uint64_t result) {
  return static_cast<int32_t>(static_cast<uint32_t>(result & 0xFFFFFFFFu));
}
inline int32_t DecodedBytesProduced(uint64_t result) {
  return static_cast<int32_t>(static_cast<uint32_t>(result >> 32));
}

// ---- Where the audio starts ----

// The bytes of a stream the first-frame search reads: a file, or memory.
class IMpegByteSource {
 public:
  // Reads up to `count` bytes at `offset` into `buffer` and returns how many
  // it read: fewer only at the end of the stream or on a read failure.
  virtual size_t ReadAt(int64_t offset, uint8_t* buffer, size_t count) = 0;

 protected:
  ~IMpegByteSource() = default;
};

// Where the first frame of a stream of `size` bytes is looked for: past an
// ID3 version 2 tag at its start (the ten-byte tag header plus the size it
// states; a footer is not counted, a size beyond the stream leaves
// nothing), at the first byte pair 0xFF 0xEx or 0xFF 0xFx, searched for up
// to the end of the stream. Returns that pair's offset, or where the
// readable bytes ended when there is none (`size` when all could be read).
// The pair is only a candidate: ParseFrameHeader tells whether a frame
// starts there.
int64_t FindFirstFrame(IMpegByteSource& source, int64_t size);

// The same over `size` bytes in memory: the first frame's offset, or `size`.
size_t FindFirstFrame(const uint8_t* bytes, size_t size);
