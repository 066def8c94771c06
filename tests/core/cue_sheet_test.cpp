// Cue sheets: the disc layout they describe, the TOC it gives, and sheets
// that must be refused.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>

#include "cdrom/virtual/cue_sheet.h"
#include "cdrom/virtual/image_file.h"
#include "test_folders.h"

namespace {

// BIN files that exist only as frame counts.
class CueSheetTest : public ::testing::Test {
 protected:
  bool Parse(const std::string& text, const std::string& cuePath = "Z:\\discs\\disc.cue") {
    counted_.clear();
    return ParseCueSheet(
        text, cuePath,
        [this](const std::string& path, uint64_t& frames, std::string& error) {
          counted_.push_back(path);
          auto it = bins_.find(path);
          if (it == bins_.end()) {
            error = "cannot open " + path;
            return false;
          }
          frames = it->second;
          return true;
        },
        image_, error_);
  }

  std::map<std::string, uint64_t> bins_;
  std::vector<std::string> counted_;
  DISC_IMAGE image_;
  std::string error_;
};

TEST_F(CueSheetTest, OneBinWithIndex00PregapAndADataTrack) {
  bins_["Z:\\discs\\disc.bin"] = 10000;
  ASSERT_TRUE(
      Parse("REM a comment\r\n"
            "PERFORMER \"Someone\"\r\n"
            "FILE \"disc.bin\" BINARY\r\n"
            "  TRACK 01 AUDIO\r\n"
            "    TITLE \"One\"\r\n"
            "    INDEX 01 00:00:00\r\n"
            "  TRACK 02 AUDIO\r\n"
            "    FLAGS DCP\r\n"
            "    INDEX 00 00:40:00\r\n"
            "    INDEX 01 00:42:00\r\n"
            "  TRACK 03 MODE1/2352\r\n"
            "    PREGAP 00:02:00\r\n"
            "    INDEX 01 01:00:00\r\n"))
      << error_;
  ASSERT_EQ(image_.files, std::vector<std::string>{"Z:\\discs\\disc.bin"});
  ASSERT_EQ(image_.tracks.size(), 3u);
  EXPECT_EQ(image_.tracks[0].start, 0u);
  EXPECT_EQ(image_.tracks[1].regionStart, 3000u);
  EXPECT_EQ(image_.tracks[1].start, 3150u);
  // The PREGAP's 150 frames of silence come before INDEX 01 and push the
  // rest of the file back.
  EXPECT_EQ(image_.tracks[2].regionStart, 4500u);
  EXPECT_EQ(image_.tracks[2].start, 4650u);
  EXPECT_TRUE(image_.tracks[2].data);
  EXPECT_FALSE(image_.tracks[1].data);
  EXPECT_EQ(image_.leadOut, 10150u);

  ASSERT_EQ(image_.extents.size(), 5u);
  const DISC_EXTENT* gap = ExtentAt(image_, 4500);
  ASSERT_NE(gap, nullptr);
  EXPECT_EQ(gap->file, -1);
  EXPECT_EQ(gap->frames, 150u);
  const DISC_EXTENT* after = ExtentAt(image_, 4650);
  ASSERT_NE(after, nullptr);
  EXPECT_EQ(after->file, 0);
  EXPECT_EQ(after->fileFrame, 4500u);
  EXPECT_EQ(ExtentAt(image_, 10150), nullptr);
  EXPECT_EQ(TrackIndexAt(image_, 3149), 1) << "the pregap belongs to its track";
  EXPECT_EQ(TrackIndexAt(image_, 4600), 2);
  EXPECT_EQ(TrackIndexAt(image_, 10150), -1);
}

TEST_F(CueSheetTest, OneBinPerTrackStartingAtTrackTwo) {
  bins_["Z:\\discs\\t02.bin"] = 1000;
  bins_["Z:\\discs\\t03.bin"] = 2000;
  bins_["Z:\\discs\\t04.bin"] = 500;
  ASSERT_TRUE(
      Parse("FILE t02.bin BINARY\n TRACK 02 AUDIO\n  INDEX 01 00:00:00\n"
            "FILE \"t03.bin\" binary\n track 03 audio\n  index 00 00:00:00\n  index 01 00:02:00\n"
            "FILE \"t04.bin\" BINARY\n TRACK 04 AUDIO\n  PREGAP 00:01:00\n  INDEX 01 00:00:00\n"))
      << error_;
  ASSERT_EQ(image_.tracks.size(), 3u);
  EXPECT_EQ(image_.tracks[0].number, 2);
  EXPECT_EQ(image_.tracks[1].regionStart, 1000u);
  EXPECT_EQ(image_.tracks[1].start, 1150u);
  EXPECT_EQ(image_.tracks[2].regionStart, 3000u);
  EXPECT_EQ(image_.tracks[2].start, 3075u);
  EXPECT_EQ(image_.leadOut, 3575u);

  CD_TOC toc;
  BuildImageToc(image_, toc);
  EXPECT_EQ(toc.firstTrack, 2);
  EXPECT_EQ(toc.lastTrack, 4);
  EXPECT_EQ(toc.dataLength[0] * 256 + toc.dataLength[1], 2 + 8 * 4);
  const uint32_t starts[] = {0, 1150, 3075, 3575};
  const uint8_t numbers[] = {2, 3, 4, 0xAA};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(toc.entries[i].trackNumber, numbers[i]);
    EXPECT_EQ(toc.entries[i].adrControl, 0x10);
    uint32_t lba = static_cast<uint32_t>(toc.entries[i].address[0]) << 24 | toc.entries[i].address[1] << 16 |
                   toc.entries[i].address[2] << 8 | toc.entries[i].address[3];
    EXPECT_EQ(lba, starts[i]) << i;
  }
  EXPECT_EQ(toc.entries[4].trackNumber, 0) << "nothing after the lead-out";
}

TEST_F(CueSheetTest, GapsAcrossFilesPostgapsAndPaths) {
  // The next track's INDEX 00 at the end of the previous file.
  bins_["Z:\\discs\\a.bin"] = 1000;
  bins_["Z:\\discs\\b.bin"] = 600;
  ASSERT_TRUE(
      Parse("FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nPOSTGAP 00:00:10\n"
            "TRACK 02 AUDIO\nINDEX 00 00:12:00\nFILE b.bin BINARY\nINDEX 01 00:00:00\nPOSTGAP 00:00:05\n"))
      << error_;
  EXPECT_EQ(image_.tracks[1].regionStart, 910u) << "after track 1's data and its postgap";
  EXPECT_EQ(image_.tracks[1].start, 1010u);
  EXPECT_EQ(image_.leadOut, 1615u);
  EXPECT_EQ(ExtentAt(image_, 900)->file, -1);
  EXPECT_EQ(ExtentAt(image_, 1005)->fileFrame, 900u);

  // Names beside the sheet, absolute names as they are, POSIX sheets.
  bins_.clear();
  bins_["C:\\elsewhere\\x.bin"] = 100;
  ASSERT_TRUE(Parse("FILE \"C:\\elsewhere\\x.bin\" BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n")) << error_;
  bins_["/tmp/images/y y.bin"] = 100;
  ASSERT_TRUE(Parse("FILE \"y y.bin\" BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n", "/tmp/images/y.cue")) << error_;
  EXPECT_EQ(image_.files[0], "/tmp/images/y y.bin");
  bins_["z.bin"] = 100;
  ASSERT_TRUE(
      Parse("\xEF\xBB\xBF"
            "FILE z.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00",
            "z.cue"))
      << error_;
}

TEST_F(CueSheetTest, NinetyNineTracksFillTheToc) {
  bins_["Z:\\discs\\disc.bin"] = 99 * 100;
  std::string text = "FILE disc.bin BINARY\n";
  for (int t = 1; t <= 99; ++t) {
    char line[64];
    int frames = (t - 1) * 100;
    std::snprintf(line, sizeof(line), "TRACK %02d AUDIO\nINDEX 01 %02d:%02d:%02d\n", t, frames / 75 / 60,
                  frames / 75 % 60, frames % 75);
    text += line;
  }
  ASSERT_TRUE(Parse(text)) << error_;
  CD_TOC toc;
  BuildImageToc(image_, toc);
  EXPECT_EQ(toc.lastTrack, 99);
  EXPECT_EQ(toc.entries[99].trackNumber, 0xAA);
  EXPECT_EQ(toc.entries[99].address[2] * 256 + toc.entries[99].address[3], 9900);
}

struct HOSTILE_SHEET {
  const char* text;
  const char* reason;  // part of the error
};

TEST_F(CueSheetTest, HostileSheetsAreRefusedWithAReason) {
  bins_["Z:\\discs\\disc.bin"] = 1000;
  bins_["Z:\\discs\\odd.bin"] = 0;
  const HOSTILE_SHEET sheets[] = {
      {"", "no TRACK"},
      {"REM nothing\n", "no TRACK"},
      {"TRACK 01 AUDIO\nINDEX 01 00:00:00\n", "line 1: TRACK before any FILE"},
      {"FILE disc.bin WAVE\n", "not supported"},
      {"FILE disc.bin\n", "needs a name and a type"},
      {"FILE \"disc.bin BINARY\n", "unbalanced quotes"},
      {"FILE \"\" BINARY\n", "empty name"},
      {"FILE missing.bin BINARY\n", "cannot open Z:\\discs\\missing.bin"},
      {"FILE disc.bin BINARY\nTRACK 00 AUDIO\n", "outside 1..99"},
      {"FILE disc.bin BINARY\nTRACK 100 AUDIO\n", "bad track number"},
      {"FILE disc.bin BINARY\nTRACK 1a AUDIO\n", "bad track number"},
      {"FILE disc.bin BINARY\nTRACK 01 MODE2/2352\n", "not supported"},
      {"FILE disc.bin BINARY\nTRACK 01 MODE1/2048\n", "not supported"},
      {"FILE disc.bin BINARY\nTRACK 01 AUDIO\nTRACK 02 AUDIO\n", "line 3: track 1 has no INDEX 01"},
      {"FILE disc.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 03 AUDIO\n", "follow one another"},
      {"FILE disc.bin BINARY\nTRACK 01 AUDIO\nINDEX 02 00:00:00\n", "start at 00 or 01"},
      {"FILE disc.bin BINARY\nTRACK 01 AUDIO\nINDEX 00 00:00:00\nINDEX 02 00:01:00\n", "follow one another"},
      {"FILE disc.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 02 AUDIO\nINDEX 01 00:00:00\n", "no sectors"},
      {"FILE disc.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:02:00\nTRACK 02 AUDIO\nINDEX 01 00:01:00\n",
       "before the previous one"},
      {"FILE disc.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:14:00\n", "beyond the end"},
      {"FILE disc.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:60:00\n", "bad time"},
      {"FILE disc.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:75\n", "bad time"},
      {"FILE disc.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 -1:00:00\n", "bad time"},
      {"FILE disc.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00\n", "bad time"},
      {"FILE disc.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00 extra\n", "needs a number and a time"},
      {"FILE disc.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nPREGAP 00:02:00\n", "PREGAP must come once"},
      {"FILE disc.bin BINARY\nTRACK 01 AUDIO\nPREGAP 00:02:00\nPREGAP 00:02:00\n", "PREGAP must come once"},
      {"FILE disc.bin BINARY\nTRACK 01 AUDIO\nPOSTGAP 00:02:00\n", "POSTGAP must come once"},
      {"FILE disc.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nPOSTGAP 00:00:01\nINDEX 02 00:00:05\n",
       "INDEX after POSTGAP"},
      {"FILE disc.bin BINARY\nTRACK 01 AUDIO\nPREGAP 99:59:74\nINDEX 01 00:00:00\n", "longer than 100 minutes"},
      {"FILE odd.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n", "no sectors"},
      {"INDEX 01 00:00:00\n", "INDEX outside a track"},
      {"FILE disc.bin BINARY\nCDDA\n", "unknown command \"CDDA\""},
  };
  for (const HOSTILE_SHEET& sheet : sheets) {
    SCOPED_TRACE(sheet.text);
    EXPECT_FALSE(Parse(sheet.text));
    EXPECT_NE(error_.find(sheet.reason), std::string::npos) << error_;
    EXPECT_TRUE(image_.tracks.empty() && image_.extents.empty() && image_.files.empty());
  }
}

TEST_F(CueSheetTest, SizeLimitsOfTheSheetItsLinesAndItsFiles) {
  bins_["Z:\\discs\\disc.bin"] = 1000;
  bins_["Z:\\discs\\huge.bin"] = uint64_t{kMaxImageFrames} + 1;
  std::string lineTooLong = "REM " + std::string(kMaxCueLineLength, 'x') + "\n";
  EXPECT_FALSE(Parse(lineTooLong));
  EXPECT_NE(error_.find("line 1: line longer"), std::string::npos) << error_;
  EXPECT_FALSE(Parse(std::string("FILE disc.bin BINARY\0TRACK 01 AUDIO\n", 36)));
  EXPECT_NE(error_.find("NUL"), std::string::npos);
  EXPECT_FALSE(Parse(std::string(kMaxCueSheetBytes + 1, '\n')));
  EXPECT_NE(error_.find("larger than"), std::string::npos);
  EXPECT_FALSE(Parse("FILE huge.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n"));
  EXPECT_NE(error_.find("more than 100 minutes"), std::string::npos);
  EXPECT_FALSE(Parse("FILE \"" + std::string(300, 'n') + "\" BINARY\n"));
  EXPECT_NE(error_.find("longer than 259"), std::string::npos);

  std::string files;
  for (int i = 0; i < 100; ++i) files += "FILE disc.bin BINARY\n";
  EXPECT_FALSE(Parse(files));
  EXPECT_NE(error_.find("line 100: more than 99 FILE lines"), std::string::npos) << error_;
}

// Mutated sheets: whatever the parser accepts keeps the layout's promises.
TEST_F(CueSheetTest, MutatedSheetsNeverBreakTheLayoutInvariants) {
  bins_["Z:\\discs\\disc.bin"] = 20000;
  bins_["Z:\\discs\\b.bin"] = 300;
  const std::string seed =
      "FILE disc.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 02 AUDIO\nINDEX 00 00:30:00\n"
      "INDEX 01 00:32:00\nTRACK 03 MODE1/2352\nPREGAP 00:02:00\nINDEX 01 01:00:00\nPOSTGAP 00:01:00\n"
      "FILE b.bin BINARY\nTRACK 04 AUDIO\nINDEX 01 00:00:00\n";
  ASSERT_TRUE(Parse(seed)) << error_;
  const char alphabet[] = "0123456789: \n\"ABCDEFGIKLMNOPRSTUXabin./\\";
  std::mt19937 random(1234);
  int accepted = 0;
  for (int round = 0; round < 3000; ++round) {
    std::string text = seed;
    int edits = 1 + static_cast<int>(random() % 4);
    for (int e = 0; e < edits; ++e) {
      size_t at = random() % text.size();
      char c = alphabet[random() % (sizeof(alphabet) - 1)];
      switch (random() % 3) {
        case 0: text[at] = c; break;
        case 1: text.insert(at, 1, c); break;
        default: text.erase(at, 1); break;
      }
    }
    if (!Parse(text)) {
      EXPECT_FALSE(error_.empty());
      continue;
    }
    ++accepted;
    ASSERT_FALSE(image_.tracks.empty());
    ASSERT_LE(image_.tracks.size(), 99u);
    ASSERT_LE(image_.leadOut, kMaxImageFrames);
    uint32_t next = 0;
    for (const DISC_EXTENT& e : image_.extents) {
      ASSERT_EQ(e.start, next) << text;
      ASSERT_GT(e.frames, 0u);
      if (e.file >= 0) {
        ASSERT_LT(static_cast<size_t>(e.file), image_.files.size());
        ASSERT_LE(e.fileFrame + e.frames, bins_[image_.files[static_cast<size_t>(e.file)]]) << text;
      }
      next += e.frames;
    }
    ASSERT_EQ(next, image_.leadOut);
    for (size_t i = 0; i < image_.tracks.size(); ++i) {
      ASSERT_LE(image_.tracks[i].regionStart, image_.tracks[i].start);
      uint32_t end = i + 1 < image_.tracks.size() ? image_.tracks[i + 1].regionStart : image_.leadOut;
      ASSERT_LT(image_.tracks[i].start, end) << text;
    }
  }
  EXPECT_GT(accepted, 30) << "the mutations should keep many sheets valid";
}

TEST(CueImageFiles, BinFilesAreMeasuredAndOddSizesRefused) {
  std::string folder = MakeTestFolder("cue-files");
  auto write = [&](const std::string& name, const std::string& bytes) {
    CImageFile file;
    ASSERT_TRUE(file.Create(folder + name));
    ASSERT_TRUE(file.Write(bytes.data(), bytes.size()));
    ASSERT_TRUE(file.Finish());
  };
  write("good.bin", std::string(2352 * 3, '\x01'));
  write("odd.bin", std::string(2352 * 3 + 1, '\x01'));
  write("good.cue", "FILE good.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n");
  write("odd.cue", "FILE odd.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n");
  write("missing.cue", "FILE nothere.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n");

  DISC_IMAGE image;
  std::string error;
  ASSERT_TRUE(LoadCueImage(folder + "good.cue", image, error)) << error;
  EXPECT_EQ(image.leadOut, 3u);
  EXPECT_EQ(image.files[0], folder + "good.bin");
  EXPECT_FALSE(LoadCueImage(folder + "odd.cue", image, error));
  EXPECT_NE(error.find("not a whole number of 2352-byte sectors"), std::string::npos) << error;
  EXPECT_FALSE(LoadCueImage(folder + "missing.cue", image, error));
  EXPECT_NE(error.find("cannot open"), std::string::npos) << error;
  EXPECT_FALSE(LoadCueImage(folder + "absent.cue", image, error));
  EXPECT_NE(error.find("cannot open"), std::string::npos) << error;
}

}  // namespace
