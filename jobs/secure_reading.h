#pragma once
// Secure reading: every block of a track is read at least twice and used
// only when two reads agree. A block whose reads differ is read again, up to
// a limit; a block that never got two equal reads is kept as read and its
// position remembered as suspicious.
//
// A drive that reads the same block again straight away may answer from its
// cache, and two equal answers would prove nothing. So the reader goes over
// the track in stretches: it reads a whole stretch once, keeping only a
// fingerprint of each block, and then reads the stretch again block by
// block, comparing; a stretch is longer than the cache of common drives, so
// the second read of a block comes from the disc. Before each further read
// of a block whose reads differed it reads one frame a stretch away, which
// moves the drive's head and its cache elsewhere.
//
// The reader works over any function that reads frames, and is one itself,
// so it composes with other layers over the drive (a read-offset
// correction, for example).
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Reads `frames` frames of 2352 bytes from `lba` into `buffer`; false when
// the drive could not read them.
using FRAME_READER = std::function<bool(uint32_t lba, uint32_t frames, uint8_t* buffer)>;

// Frames of a stretch: about 2.3 MB, more than the cache of most drives.
inline constexpr uint32_t kSecureStretchFrames = 1000;

struct FRAME_RANGE {
  uint32_t first = 0;  // LBA, inclusive
  uint32_t last = 0;   // LBA, inclusive
};

class CSecureReader {
 public:
  // Reads the frames [start, end) in blocks of `blockFrames`; `rereads` is
  // how often a block whose reads differ is read again (at least 1).
  CSecureReader(FRAME_READER read, uint32_t start, uint32_t end, uint32_t blockFrames, uint32_t rereads,
                uint32_t stretchFrames = kSecureStretchFrames);

  // Reads a block the way `read` does; the caller walks the track in
  // order. False only when the drive fails the block's delivering read.
  bool Read(uint32_t lba, uint32_t frames, uint8_t* buffer);
  // This reader as a FRAME_READER; it must outlive the function.
  FRAME_READER AsFrameReader();

  // Blocks that needed more than two reads and then got two equal ones.
  uint32_t HealedBlocks() const { return healed_; }
  // Frames whose reads never agreed, neighbouring blocks joined.
  const std::vector<FRAME_RANGE>& Suspicious() const { return suspicious_; }

 private:
  struct FIRST_READ {
    uint32_t lba = 0;
    uint32_t frames = 0;
    uint64_t fingerprint = 0;
    bool read = false;  // false: the drive failed it
  };
  const FIRST_READ* FindFirstRead(uint32_t lba, uint32_t frames) const;
  void ReadStretch(uint32_t lba);
  void MoveAway(uint32_t lba);
  bool Settle(uint32_t lba, uint32_t frames, uint8_t* buffer, std::vector<uint64_t> seen);
  void MarkSuspicious(uint32_t lba, uint32_t frames);

  FRAME_READER read_;
  uint32_t start_, end_, blockFrames_, rereads_, stretchFrames_;
  std::vector<FIRST_READ> stretch_;
  std::vector<uint8_t> scratch_;
  uint32_t healed_ = 0;
  std::vector<FRAME_RANGE> suspicious_;
};

// A fingerprint of a block's bytes (64-bit FNV-1a).
uint64_t BlockFingerprint(const uint8_t* bytes, size_t count);

// "mm:ss.ff" of a frame count (75 frames a second).
std::string TrackTimeText(uint32_t frames);
