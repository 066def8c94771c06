#include "jobs/offset_detection.h"

#include <algorithm>
#include <cstring>
#include <numeric>

#include "cdrom/drive_commands.h"

namespace {

constexpr size_t kTracksTried = 2;
constexpr uint32_t kMarginFrames = (kMaxDetectedOffset + kSamplesPerFrame - 1) / kSamplesPerFrame;

uint32_t TrackEnd(const AR_DISC& disc, size_t index) {
  return index + 1 < disc.trackStarts.size() ? disc.trackStarts[index + 1] : disc.leadOut;
}

// The tracks to try: the inner ones (whole checksums) longest first, then
// the edge tracks.
std::vector<size_t> TracksToTry(const AR_DISC& disc) {
  std::vector<size_t> order(disc.trackStarts.size());
  std::iota(order.begin(), order.end(), size_t{0});
  size_t last = order.size() - 1;
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    bool edgeA = a == 0 || a == last, edgeB = b == 0 || b == last;
    if (edgeA != edgeB) return !edgeA;
    return TrackEnd(disc, a) - disc.trackStarts[a] > TrackEnd(disc, b) - disc.trackStarts[b];
  });
  if (order.size() > kTracksTried) order.resize(kTracksTried);
  return order;
}

// The track's samples with kMaxDetectedOffset samples of margin each side,
// silence where the disc has none.
bool ReadWithMargin(const AR_DISC& disc, size_t index, const ReadFramesFunction& read, uint32_t perRead,
                    std::vector<uint8_t>& samples) {
  int64_t first = int64_t{disc.trackStarts[index]} - kMarginFrames;
  int64_t end = int64_t{TrackEnd(disc, index)} + kMarginFrames;
  std::vector<uint8_t> frames(static_cast<size_t>(end - first) * kFrameBytes, 0);
  int64_t from = std::max<int64_t>(first, 0), to = std::min<int64_t>(end, disc.leadOut);
  for (int64_t lba = from; lba < to;) {
    uint32_t run = static_cast<uint32_t>(std::min<int64_t>(to - lba, perRead));
    if (!read(static_cast<uint32_t>(lba), run, frames.data() + static_cast<size_t>(lba - first) * kFrameBytes))
      return false;
    lba += run;
  }
  size_t skip = (static_cast<size_t>(kMarginFrames) * kSamplesPerFrame - kMaxDetectedOffset) * 4;
  size_t bytes = (static_cast<size_t>(TrackEnd(disc, index) - disc.trackStarts[index]) * kSamplesPerFrame +
                  2 * kMaxDetectedOffset) * 4;
  samples.assign(frames.begin() + static_cast<ptrdiff_t>(skip), frames.begin() + static_cast<ptrdiff_t>(skip + bytes));
  return true;
}

}  // namespace

bool DetectDriveOffset(const OFFSET_DETECTION& detection, const ReadFramesFunction& read, AR_OFFSET_MATCH& match,
                       std::string& why) {
  match = AR_OFFSET_MATCH();
  if (!detection.disc || !detection.database || !IsValidArDisc(*detection.disc)) {
    why = "The disc's table of contents cannot be used.";
    return false;
  }
  const AR_DISC& disc = *detection.disc;
  std::string body, reason;
  AR_FETCH fetched =
      detection.database->Fetch(ArDatabaseUrl(detection.serverUrl, ArDiscId(disc)), detection.timeoutMs, body, reason);
  std::vector<AR_PRESSING> pressings;
  if (fetched == AR_FETCH::Absent) {
    why = "This disc is not in the AccurateRip database: try another disc.";
    return false;
  }
  if (fetched == AR_FETCH::Failed || !ParseArDatabase(body, pressings)) {
    why = "The AccurateRip database could not be reached (" + (reason.empty() ? "damaged answer" : reason) + ").";
    return false;
  }
  uint32_t perRead = std::clamp<uint32_t>(detection.maxFramesPerRead, 1, kMaxFramesPerRead);
  for (size_t index : TracksToTry(disc)) {
    std::vector<uint8_t> samples;
    if (!ReadWithMargin(disc, index, read, perRead, samples)) {
      why = "The drive could not read the disc.";
      return false;
    }
    match = DetectReadOffset(pressings, disc, index, samples);
    if (match.found) return true;
  }
  why = "No offset from -2940 to +2940 samples matches the database: try another disc.";
  return false;
}
