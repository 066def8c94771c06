#include "cdrom/read_offset.h"

#include <algorithm>
#include <cstring>

#include "cdrom/drive_commands.h"

namespace {

constexpr int64_t kSampleBytes = 4;

int64_t FloorDiv(int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

}  // namespace

int32_t ClampReadOffset(int32_t offset) { return std::clamp(offset, -kMaxReadOffset, kMaxReadOffset); }

CReadOffsetCorrection::CReadOffsetCorrection(ReadFramesFunction read, int32_t offset, uint32_t leadOut,
                                             uint32_t maxFramesPerRead)
    : read_(std::move(read)),
      offset_(ClampReadOffset(offset)),
      leadOut_(leadOut),
      maxFrames_(std::clamp<uint32_t>(maxFramesPerRead, 1, kMaxFramesPerRead)) {}

bool CReadOffsetCorrection::Read(uint32_t lba, uint32_t frames, uint8_t* out) {
  const int64_t frameBytes = kFrameBytes;
  if (offset_ == 0) {
    // No shift: the very reads of an uncorrected drive, nothing more.
    for (uint32_t done = 0; done < frames;) {
      uint32_t run = std::min(frames - done, maxFrames_);
      if (!read_(lba + done, run, out + static_cast<size_t>(done) * kFrameBytes)) return false;
      done += run;
    }
    return true;
  }
  // The wanted bytes as disc positions, and the whole frames that hold them.
  int64_t begin = static_cast<int64_t>(lba) * frameBytes + offset_ * kSampleBytes;
  int64_t end = begin + static_cast<int64_t>(frames) * frameBytes;
  int64_t firstFrame = FloorDiv(begin, frameBytes);
  int64_t lastFrame = FloorDiv(end - 1, frameBytes);  // inclusive
  int64_t readFirst = std::max<int64_t>(firstFrame, 0);
  int64_t readLast = std::min<int64_t>(lastFrame, static_cast<int64_t>(leadOut_) - 1);
  std::memset(out, 0, static_cast<size_t>(frames) * kFrameBytes);
  if (readFirst > readLast) return true;  // wholly outside the disc
  size_t count = static_cast<size_t>(readLast - readFirst + 1);
  scratch_.resize(count * kFrameBytes);
  for (size_t done = 0; done < count;) {
    uint32_t run = static_cast<uint32_t>(std::min<size_t>(count - done, maxFrames_));
    if (!read_(static_cast<uint32_t>(readFirst + static_cast<int64_t>(done)), run,
               scratch_.data() + done * kFrameBytes))
      return false;
    done += run;
  }
  int64_t from = std::max(begin, readFirst * frameBytes);
  int64_t to = std::min(end, (readLast + 1) * frameBytes);
  std::memcpy(out + (from - begin), scratch_.data() + (from - readFirst * frameBytes), static_cast<size_t>(to - from));
  return true;
}
