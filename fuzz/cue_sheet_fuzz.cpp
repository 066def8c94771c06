// libFuzzer target: an untrusted cue sheet through the parser, with BIN
// sizes taken from the first input bytes instead of the disk, then the
// image's table of contents and lookups over every sector the image says
// it has.
#include <cstdint>
#include <string>

#include "cdrom/virtual/cue_sheet.h"
#include "fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  // Up to 65535 frames per BIN, so that big and odd sizes are both met.
  const uint64_t binFrames = data[0] | static_cast<uint64_t>(data[1]) << 8;
  const std::string text(reinterpret_cast<const char*>(data + 2), size - 2);
  BinFrameCounter count = [binFrames](const std::string& path, uint64_t& frames, std::string& error) {
    if (path.empty()) {
      error = "no name";
      return false;
    }
    frames = binFrames + path.size() % 3;  // files of different sizes
    return true;
  };
  DISC_IMAGE image;
  std::string error;
  if (!ParseCueSheet(text, "C:\\discs\\disc.cue", count, image, error)) {
    FuzzCheck(!error.empty() && image.tracks.empty() && image.extents.empty());
    return 0;
  }
  FuzzCheck(!image.tracks.empty() && image.leadOut <= kMaxImageFrames);
  FuzzCheck(image.files.size() <= kMaxCueFiles);
  // The extents cover the disc from LBA 0 without gaps or overlaps.
  uint32_t next = 0;
  for (const DISC_EXTENT& extent : image.extents) {
    FuzzCheck(extent.start == next && extent.frames > 0);
    FuzzCheck(extent.file < static_cast<int>(image.files.size()));
    if (extent.file >= 0) FuzzCheck(extent.fileFrame + extent.frames <= binFrames + 2);
    next = extent.start + extent.frames;
  }
  FuzzCheck(next == image.leadOut);
  for (size_t i = 1; i < image.tracks.size(); ++i) {
    FuzzCheck(image.tracks[i].number > image.tracks[i - 1].number);
    FuzzCheck(image.tracks[i].start >= image.tracks[i - 1].start);
  }
  CD_TOC toc;
  BuildImageToc(image, toc);
  FuzzCheck(toc.firstTrack <= toc.lastTrack);
  // Sample the sectors (every one for small discs) and the first beyond.
  const uint32_t step = image.leadOut / 512 + 1;
  for (uint32_t lba = 0; lba < image.leadOut; lba += step) {
    int track = TrackIndexAt(image, lba);
    FuzzCheck(track >= 0 && static_cast<size_t>(track) < image.tracks.size());
    const DISC_EXTENT* extent = ExtentAt(image, lba);
    FuzzCheck(extent && extent->start <= lba && lba - extent->start < extent->frames);
  }
  FuzzCheck(TrackIndexAt(image, image.leadOut) == -1 && ExtentAt(image, image.leadOut) == nullptr);
  return 0;
}
