#pragma once
// Read-offset correction: a drive with correction +N delivers, where sample
// s was asked for, the sample N before it, so the true sample s lies at the
// drive's position s + N. Reading the neighbouring sectors and shifting by
// N samples gives the disc's true samples. A drive reads nothing before LBA
// 0 or from the lead-out on: samples whose position falls there are silence.
//
// The correction sits over a "read frames" function so that another layer
// (re-reading and comparing, say) can stand below or above it.
#include <cstdint>
#include <functional>
#include <vector>

// Reads `frames` (1..kMaxFramesPerRead) frames of 2352 bytes from `lba`
// into `out`; false when the drive could not.
using ReadFramesFunction = std::function<bool(uint32_t lba, uint32_t frames, uint8_t* out)>;

inline constexpr int32_t kMaxReadOffset = 5 * 588 * 10;  // ten times the detected range; beyond that a value is wrong

class CReadOffsetCorrection {
 public:
  // leadOut: the first frame past the disc's audio; maxFramesPerRead: what
  // one call of `read` may carry (1..255).
  CReadOffsetCorrection(ReadFramesFunction read, int32_t offset, uint32_t leadOut, uint32_t maxFramesPerRead);

  // Fills out (frames * 2352 bytes) with the disc's true samples of frames
  // lba .. lba + frames - 1. False when a read failed.
  bool Read(uint32_t lba, uint32_t frames, uint8_t* out);
  int32_t Offset() const { return offset_; }

 private:
  ReadFramesFunction read_;
  int32_t offset_;
  uint32_t leadOut_;
  uint32_t maxFrames_;
  std::vector<uint8_t> scratch_;
};

// The offset a drive's correction value holds, limited to +-kMaxReadOffset.
int32_t ClampReadOffset(int32_t offset);
