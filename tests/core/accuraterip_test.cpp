// The checksums of a rip, the disc's database identifiers, the database
// file and the verdicts, and finding a drive's read offset. Each result is
// held against a plain implementation written here from the published
// description, sample by sample in 64-bit arithmetic.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "accuraterip_reference.h"
#include "jobs/accuraterip.h"

namespace {

// --- Checksums ---------------------------------------------------------------

TEST(AccurateRipChecksums, Crc32OfTheStandardCheckString) {
  CCrc32 crc;
  crc.Add(reinterpret_cast<const uint8_t*>("123456789"), 9);
  EXPECT_EQ(crc.Value(), 0xCBF43926u);
  EXPECT_EQ(CCrc32().Value(), 0u);
}

TEST(AccurateRipChecksums, MiddleTrackMatchesTheReference) {
  std::vector<uint32_t> samples = Noise(588 * 40, 1);
  CTrackChecksums sums(static_cast<uint32_t>(samples.size()), false, false);
  std::vector<uint8_t> bytes = Bytes(samples);
  sums.Add(bytes.data(), bytes.size());
  REFERENCE_SUMS reference = ReferenceSums(samples, false, false);
  EXPECT_EQ(sums.Result().v1, reference.v1);
  EXPECT_EQ(sums.Result().v2, reference.v2);
  EXPECT_EQ(sums.Result().crc32, ReferenceCrc32(bytes));
  EXPECT_NE(reference.v1, reference.v2);  // the noise carries past 32 bits
}

TEST(AccurateRipChecksums, FirstLastAndOnlyTrackLeaveOutTheirEdges) {
  std::vector<uint32_t> samples = Noise(588 * 30, 2);
  std::vector<uint8_t> bytes = Bytes(samples);
  for (auto [first, last] : {std::pair{true, false}, {false, true}, {true, true}}) {
    CTrackChecksums sums(static_cast<uint32_t>(samples.size()), first, last);
    sums.Add(bytes.data(), bytes.size());
    REFERENCE_SUMS reference = ReferenceSums(samples, first, last);
    EXPECT_EQ(sums.Result().v1, reference.v1) << first << last;
    EXPECT_EQ(sums.Result().v2, reference.v2) << first << last;
  }
  // A change inside the edge leaves the sums alone; one just inside counts.
  std::vector<uint32_t> changed = samples;
  changed[5 * 588 - 2] ^= 1;
  changed[changed.size() - 5 * 588] ^= 1;
  EXPECT_EQ(ReferenceSums(changed, true, true).v1, ReferenceSums(samples, true, true).v1);
  changed[5 * 588 - 1] ^= 1;
  EXPECT_NE(ReferenceSums(changed, true, true).v1, ReferenceSums(samples, true, true).v1);
  CTrackChecksums edge(static_cast<uint32_t>(samples.size()), true, true);
  std::vector<uint8_t> changedBytes = Bytes(changed);
  edge.Add(changedBytes.data(), changedBytes.size());
  EXPECT_EQ(edge.Result().v1, ReferenceSums(changed, true, true).v1);
}

TEST(AccurateRipChecksums, PiecesOfAnySizeGiveTheSameSums) {
  std::vector<uint32_t> samples = Noise(5000, 3);
  std::vector<uint8_t> bytes = Bytes(samples);
  CTrackChecksums whole(5000, true, false), pieces(5000, true, false);
  whole.Add(bytes.data(), bytes.size());
  for (size_t at = 0; at < bytes.size();) {
    size_t run = std::min<size_t>(bytes.size() - at, 4 * (1 + at % 333));
    pieces.Add(bytes.data() + at, run);
    at += run;
  }
  EXPECT_EQ(whole.Result().v1, pieces.Result().v1);
  EXPECT_EQ(whole.Result().v2, pieces.Result().v2);
  EXPECT_EQ(whole.Result().crc32, pieces.Result().crc32);
}

TEST(AccurateRipChecksums, ASkippedBlockKeepsLaterMultipliers) {
  std::vector<uint32_t> samples = Noise(3000, 4);
  std::vector<uint8_t> bytes = Bytes(samples);
  CTrackChecksums sums(3000, false, false);
  sums.Add(bytes.data(), 4000);
  sums.Skip(4000);
  sums.Add(bytes.data() + 8000, bytes.size() - 8000);
  std::vector<uint32_t> silenced(samples.size());
  for (size_t i = 0; i < samples.size(); ++i) silenced[i] = i >= 1000 && i < 2000 ? 0 : samples[i];
  EXPECT_EQ(sums.Result().v1, ReferenceSums(silenced, false, false).v1);
}

TEST(AccurateRipChecksums, TrackShorterThanItsEdgesSumsNothing) {
  std::vector<uint32_t> samples = Noise(100, 5);
  std::vector<uint8_t> bytes = Bytes(samples);
  CTrackChecksums sums(100, false, true);
  sums.Add(bytes.data(), bytes.size());
  EXPECT_EQ(sums.Result().v1, 0u);
  EXPECT_EQ(sums.Result().v2, 0u);
}

// --- Disc identifiers ------------------------------------------------------------

TEST(AccurateRipDisc, IdentifiersFollowTheTableOfContents) {
  AR_DISC disc{{0, 15000, 33000}, 51000, 0x1F02C303};
  AR_DISC_ID id = ArDiscId(disc);
  EXPECT_EQ(id.trackCount, 3u);
  EXPECT_EQ(id.id1, 0u + 15000 + 33000 + 51000);
  // A track at 0 counts as 1.
  EXPECT_EQ(id.id2, 1u * 1 + 15000u * 2 + 33000u * 3 + 51000u * 4);
  EXPECT_EQ(id.cddbId, 0x1F02C303u);
  EXPECT_EQ(ArDatabasePath(id), "8/b/2/dBAR-003-000182b8-000514c9-1f02c303.bin");
  EXPECT_EQ(ArDatabaseUrl("http://h/accuraterip/", id),
            "http://h/accuraterip/8/b/2/dBAR-003-000182b8-000514c9-1f02c303.bin");
  EXPECT_EQ(ArDatabaseUrl("http://h/x", id), "http://h/x/8/b/2/dBAR-003-000182b8-000514c9-1f02c303.bin");
}

TEST(AccurateRipDisc, UnusableTablesAreRefused) {
  EXPECT_TRUE(IsValidArDisc({{0}, 1, 0}));
  EXPECT_FALSE(IsValidArDisc({{}, 1, 0}));
  EXPECT_FALSE(IsValidArDisc({{0, 0}, 10, 0}));
  EXPECT_FALSE(IsValidArDisc({{0, 5}, 5, 0}));
  EXPECT_FALSE(IsValidArDisc({std::vector<uint32_t>(100, 0), 10, 0}));
}

// --- The database file -------------------------------------------------------------

TEST(AccurateRipDatabase, EveryPressingIsRead) {
  AR_DISC_ID id{2, 100, 200, 300};
  std::string data = Pressing(id, {{5, 0xAAAA0001}, {5, 0xAAAA0002}}) + Pressing(id, {{3, 0xBBBB0001}, {200, 2}});
  std::vector<AR_PRESSING> pressings;
  ASSERT_TRUE(ParseArDatabase(data, pressings));
  ASSERT_EQ(pressings.size(), 2u);
  EXPECT_EQ(pressings[0].id.id2, 200u);
  EXPECT_EQ(pressings[1].tracks[0].checksum, 0xBBBB0001u);
  EXPECT_EQ(pressings[1].tracks[1].confidence, 200u);
  EXPECT_EQ(pressings[1].tracks[1].frame450, 0x12345678u);
}

TEST(AccurateRipDatabase, DamagedFilesAreRefused) {
  AR_DISC_ID id{2, 100, 200, 300};
  std::string good = Pressing(id, {{5, 1}, {5, 2}});
  std::vector<AR_PRESSING> pressings;
  EXPECT_FALSE(ParseArDatabase("", pressings));
  EXPECT_FALSE(ParseArDatabase(good.substr(0, good.size() - 1), pressings));
  EXPECT_FALSE(ParseArDatabase(good + good.substr(0, 5), pressings));
  std::string zeroTracks = good;
  zeroTracks[0] = 0;
  EXPECT_FALSE(ParseArDatabase(zeroTracks, pressings));
  std::string tooMany(kMaxArResponseBytes + 1, '\x01');
  EXPECT_FALSE(ParseArDatabase(tooMany, pressings));
  EXPECT_TRUE(pressings.empty());
  std::string many;
  for (size_t i = 0; i <= kMaxArPressings; ++i) many += Pressing(id, {{1, 1}});
  EXPECT_FALSE(ParseArDatabase(many, pressings));
}

TEST(AccurateRipDatabase, VerdictsOverPressings) {
  AR_DISC_ID id{2, 100, 200, 300};
  AR_DISC_ID other{2, 101, 200, 300};
  std::vector<AR_PRESSING> pressings;
  ASSERT_TRUE(ParseArDatabase(Pressing(id, {{12, 0x1111}, {12, 0x2222}}) + Pressing(id, {{4, 0x3333}, {0, 0x4444}}) +
                                  Pressing(other, {{99, 0x5555}, {99, 0x5555}}),
                              pressings));
  AR_VERDICT v = ArVerdict(pressings, id, 0, {0, 0x1111, 0x9999});
  EXPECT_EQ(v.result, AR_RESULT::Accurate);
  EXPECT_EQ(v.confidence, 12u);
  EXPECT_FALSE(v.v2);
  v = ArVerdict(pressings, id, 0, {0, 0x9999, 0x3333});
  EXPECT_EQ(v.result, AR_RESULT::Accurate);
  EXPECT_EQ(v.confidence, 4u);
  EXPECT_TRUE(v.v2);
  v = ArVerdict(pressings, id, 0, {0, 0x5555, 0x5555});  // only another disc has it
  EXPECT_EQ(v.result, AR_RESULT::NotAccurate);
  EXPECT_EQ(v.confidence, 12u);
  v = ArVerdict(pressings, id, 1, {0, 0x4444, 0});  // an entry of confidence 0 is no entry
  EXPECT_EQ(v.result, AR_RESULT::NotAccurate);
  v = ArVerdict(pressings, id, 2, {0, 0x1111, 0});
  EXPECT_EQ(v.result, AR_RESULT::NotPresent);
  EXPECT_EQ(ArVerdict({}, id, 0, {}).result, AR_RESULT::NotPresent);
}

TEST(AccurateRipDatabase, LogTexts) {
  EXPECT_EQ(ArVerdictText({AR_RESULT::Accurate, 7, false}), "accurately ripped (confidence 7)");
  EXPECT_EQ(ArVerdictText({AR_RESULT::NotAccurate, 9, false}), "NOT accurate (best confidence 9)");
  EXPECT_EQ(ArVerdictText({AR_RESULT::NotPresent, 0, false}), "not present in database");
  EXPECT_EQ(ArChecksumText({0xDEADBEEF, 1, 0xABC}), "CRC32 DEADBEEF, AccurateRip v1 00000001, v2 00000ABC");
}

// --- Offset detection -------------------------------------------------------

class OffsetDetection : public ::testing::Test {
 protected:
  // A disc of three tracks of noise, its database file built from the true
  // samples with the reference sums.
  void SetUp() override {
    disc_ = {{0, 20, 45}, 70, 0x0A0B0C0D};
    image_ = Noise(70 * 588, 6);
    AR_DISC_ID id = ArDiscId(disc_);
    std::vector<std::pair<uint8_t, uint32_t>> tracks;
    for (size_t t = 0; t < 3; ++t) tracks.push_back({static_cast<uint8_t>(10 + t), TrueSums(t).v1});
    ASSERT_TRUE(ParseArDatabase(Pressing(id, tracks), pressings_));
  }
  std::vector<uint32_t> TrackOf(size_t t) const {
    uint32_t end = t + 1 < disc_.trackStarts.size() ? disc_.trackStarts[t + 1] : disc_.leadOut;
    return {image_.begin() + disc_.trackStarts[t] * 588, image_.begin() + end * 588};
  }
  REFERENCE_SUMS TrueSums(size_t t) const { return ReferenceSums(TrackOf(t), t == 0, t == 2); }
  // What a drive needing correction `offset` delivers around track t,
  // with the margin the detection wants.
  std::vector<uint8_t> ReadWithMargin(size_t t, int32_t offset) const {
    int64_t first = static_cast<int64_t>(disc_.trackStarts[t]) * 588 - kMaxDetectedOffset;
    size_t count = TrackOf(t).size() + 2 * kMaxDetectedOffset;
    std::vector<uint32_t> read(count, 0);
    for (size_t i = 0; i < count; ++i) {
      int64_t drive = first + static_cast<int64_t>(i);                 // position asked of the drive
      int64_t truth = drive - offset;                                  // what it delivers there
      bool readable = drive >= 0 && drive < int64_t{disc_.leadOut} * 588;  // it reads only the disc
      if (readable && truth >= 0 && truth < static_cast<int64_t>(image_.size())) read[i] = image_[truth];
    }
    return Bytes(read);
  }

  AR_DISC disc_;
  std::vector<uint32_t> image_;
  std::vector<AR_PRESSING> pressings_;
};

TEST_F(OffsetDetection, FindsPositiveNegativeAndMultiSectorOffsets) {
  for (int32_t offset : {0, 6, -1160, 667, 2940, -2940}) {
    AR_OFFSET_MATCH match = DetectReadOffset(pressings_, disc_, 1, ReadWithMargin(1, offset));
    ASSERT_TRUE(match.found) << offset;
    EXPECT_EQ(match.offset, offset);
    EXPECT_EQ(match.confidence, 11u);
  }
}

TEST_F(OffsetDetection, WorksOnTheEdgeTracks) {
  for (size_t t : {size_t{0}, size_t{2}}) {
    AR_OFFSET_MATCH match = DetectReadOffset(pressings_, disc_, t, ReadWithMargin(t, 667));
    ASSERT_TRUE(match.found) << t;
    EXPECT_EQ(match.offset, 667);
    EXPECT_EQ(match.confidence, 10u + t);
  }
}

TEST_F(OffsetDetection, NothingOutsideTheRangeOrForAnotherDisc) {
  EXPECT_FALSE(DetectReadOffset(pressings_, disc_, 1, ReadWithMargin(1, 2941)).found);
  AR_DISC other = disc_;
  other.cddbId ^= 1;
  EXPECT_FALSE(DetectReadOffset(pressings_, other, 1, ReadWithMargin(1, 6)).found);
  EXPECT_FALSE(DetectReadOffset(pressings_, disc_, 3, {}).found);
  EXPECT_FALSE(DetectReadOffset(pressings_, disc_, 1, std::vector<uint8_t>(16)).found);
}

}  // namespace
