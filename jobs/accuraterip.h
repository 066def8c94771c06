#pragma once
// Proof that a rip is bit-exact: the CRC32 and the AccurateRip v1 and v2
// checksums of a track's samples, the disc's AccurateRip identifiers and
// the address of its database file, the parsed database file (every
// pressing) and the verdict for a track. Portable; the HTTP request lives
// in the application's Win32 layer.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

inline constexpr uint32_t kSamplesPerFrame = 588;
// The first track's checksum leaves out this many samples at its start and
// the last track's the last kArEdgeSamples + 1 at its end: five frames that
// not every drive can read at the disc's edges.
inline constexpr uint32_t kArEdgeSamples = 5 * kSamplesPerFrame - 1;
inline constexpr uint32_t kArLastTrackSkip = 5 * kSamplesPerFrame;

// The CRC32 of IEEE 802.3 (as zip and PNG use), fed in pieces.
class CCrc32 {
 public:
  void Add(const uint8_t* data, size_t bytes);
  uint32_t Value() const { return ~state_; }

 private:
  uint32_t state_ = 0xFFFFFFFFu;
};

struct AR_CHECKSUMS {
  uint32_t crc32 = 0;
  uint32_t v1 = 0;
  uint32_t v2 = 0;
};

// The checksums of one track, fed the samples in order as they are written
// (any piece size, whole samples of four bytes). sampleCount is the track's
// length; firstTrack/lastTrack say whether it begins or ends the disc.
class CTrackChecksums {
 public:
  CTrackChecksums(uint32_t sampleCount, bool firstTrack, bool lastTrack);
  void Add(const uint8_t* data, size_t bytes);
  // Samples that never came (a skipped unreadable block) count as missing
  // positions: the multiplier moves on without adding to the sums.
  void Skip(size_t bytes);
  AR_CHECKSUMS Result() const;

 private:
  CCrc32 crc_;
  uint32_t position_ = 0;  // 1-based multiplier of the next sample, minus one
  uint32_t checkFirst_ = 1;
  uint32_t checkLast_ = 0;
  uint32_t v1_ = 0;
  uint32_t v2_ = 0;
};

// The disc as the database names it: the start of every track and the
// lead-out in frames without the 150-frame lead-in, and the CDDB identifier.
struct AR_DISC {
  std::vector<uint32_t> trackStarts;
  uint32_t leadOut = 0;
  uint32_t cddbId = 0;
};

struct AR_DISC_ID {
  uint32_t trackCount = 0;
  uint32_t id1 = 0;
  uint32_t id2 = 0;
  uint32_t cddbId = 0;
};

// 1..99 tracks, ascending starts, the lead-out after the last start.
bool IsValidArDisc(const AR_DISC& disc);
AR_DISC_ID ArDiscId(const AR_DISC& disc);
// "a/b/c/dBAR-nnn-iiiiiiii-jjjjjjjj-cccccccc.bin", the last three hex digits
// of id1 as folders, lowest first.
std::string ArDatabasePath(const AR_DISC_ID& id);
// The server address with one slash between it and the path.
std::string ArDatabaseUrl(const std::string& server, const AR_DISC_ID& id);

// One track of one pressing in the database file.
struct AR_ENTRY {
  uint32_t confidence = 0;
  uint32_t checksum = 0;
  uint32_t frame450 = 0;
};

// One pressing: the disc identifiers it was filed under and its tracks.
struct AR_PRESSING {
  AR_DISC_ID id;
  std::vector<AR_ENTRY> tracks;
};

inline constexpr size_t kMaxArResponseBytes = 1u << 20;
inline constexpr size_t kMaxArPressings = 1000;

// Parses a dBAR file: pressings of a 13-byte header (track count, id1, id2,
// CDDB id, little-endian) and 9 bytes per track. False when the data is
// empty, cut short, too large or a track count is 0 or above 99.
bool ParseArDatabase(const std::string& data, std::vector<AR_PRESSING>& pressings);

enum class AR_RESULT { Accurate, NotAccurate, NotPresent };

struct AR_VERDICT {
  AR_RESULT result = AR_RESULT::NotPresent;
  uint32_t confidence = 0;  // the match's (summed over pressings), or the best of the track
  bool v2 = false;          // the match was the v2 checksum
};

// The verdict for track `index` (0-based) of the disc `id` identifies:
// pressings filed under other identifiers are ignored.
AR_VERDICT ArVerdict(const std::vector<AR_PRESSING>& pressings, const AR_DISC_ID& id, size_t index,
                     const AR_CHECKSUMS& sums);

// The processing log's words for a verdict: "accurately ripped (confidence
// N)", "not present in database", "NOT accurate (best confidence N)".
std::string ArVerdictText(const AR_VERDICT& verdict);
// "CRC32 xxxxxxxx, AccurateRip v1 xxxxxxxx, v2 xxxxxxxx".
std::string ArChecksumText(const AR_CHECKSUMS& sums);

// The offsets (in samples) searched when detecting a drive's read offset.
inline constexpr int32_t kMaxDetectedOffset = 2940;

struct AR_OFFSET_MATCH {
  bool found = false;
  int32_t offset = 0;
  uint32_t confidence = 0;
};

// Finds the shift between what a drive delivered and the pressings: the
// samples were read at offset correction 0 around track `index` of the
// disc, kMaxDetectedOffset samples of margin on both sides (silence where
// the disc has none). Tries every offset in -kMaxDetectedOffset ..
// +kMaxDetectedOffset against the v1 checksums of every pressing (the v1 sum
// moves from one offset to the next in constant time; v2 does not) and
// returns the one with the largest confidence, the smallest on a tie.
AR_OFFSET_MATCH DetectReadOffset(const std::vector<AR_PRESSING>& pressings, const AR_DISC& disc, size_t index,
                                 const std::vector<uint8_t>& samplesWithMargin);
