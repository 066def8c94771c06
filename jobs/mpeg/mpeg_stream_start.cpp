// The search for the first frame, shared by the decoding step and by every
// other caller that decodes whole files.
#include <algorithm>
#include <cstring>

#include "jobs/mpeg/mpeg_decoder.h"

namespace {

constexpr size_t kId3v2HeaderBytes = 10;
// The search reads this much at a time; a block's last byte is read again
// with the next block, so a pair split between two blocks is found.
constexpr size_t kSyncBlockBytes = 1441;

// The offset the audio follows: the size of an ID3 version 2 tag at the
// start (its header and the syncsafe size it states), at most `size`; 0
// without a tag.
int64_t Id3v2TagEnd(IMpegByteSource& source, int64_t size) {
  uint8_t tag[kId3v2HeaderBytes] = {};
  if (source.ReadAt(0, tag, sizeof(tag)) != sizeof(tag) || std::memcmp(tag, "ID3", 3) != 0) return 0;
  const int64_t end = (static_cast<int64_t>(tag[6] & 0x7F) << 21) + ((tag[7] & 0x7F) << 14) + ((tag[8] & 0x7F) << 7) +
                      (tag[9] & 0x7F) + static_cast<int64_t>(kId3v2HeaderBytes);
  // A size beyond the stream leaves nothing to decode, not a read from nowhere.
  return std::min(end, size);
}

class CMemoryByteSource : public IMpegByteSource {
 public:
  CMemoryByteSource(const uint8_t* bytes, size_t size) : bytes_(bytes), size_(size) {}
  size_t ReadAt(int64_t offset, uint8_t* buffer, size_t count) override {
    if (offset < 0 || static_cast<uint64_t>(offset) >= size_) return 0;
    const size_t start = static_cast<size_t>(offset);
    const size_t copied = std::min(count, size_ - start);
    std::memcpy(buffer, bytes_ + start, copied);
    return copied;
  }

 private:
  const uint8_t* bytes_;
  size_t size_;
};

}  // namespace

int64_t FindFirstFrame(IMpegByteSource& source, int64_t size) {
  uint8_t block[kSyncBlockBytes];
  int64_t blockStart = Id3v2TagEnd(source, std::max<int64_t>(size, 0));
  for (;;) {
    const size_t got = std::min(source.ReadAt(blockStart, block, sizeof(block)), sizeof(block));
    // The last, short block is searched as well: a stream shorter than one
    // block is still a stream.
    for (size_t i = 0; i + 1 < got; ++i) {
      if (block[i] == 0xFF && (block[i + 1] & 0xE0) == 0xE0) return blockStart + static_cast<int64_t>(i);
    }
    if (got < sizeof(block)) return blockStart + static_cast<int64_t>(got);  // the end of the readable bytes
    blockStart += static_cast<int64_t>(got) - 1;
  }
}

size_t FindFirstFrame(const uint8_t* bytes, size_t size) {
  if (bytes == nullptr) return size;
  CMemoryByteSource source(bytes, size);
  return static_cast<size_t>(FindFirstFrame(source, static_cast<int64_t>(size)));
}
