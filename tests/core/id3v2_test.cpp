// ID3 version 2.3 tags: the header, the frames, the text encodings and the
// cover picture, byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "discinfo/id3v2_tag.h"
#include "platform/code_page.h"

namespace {

using BYTES = std::vector<uint8_t>;

uint32_t SyncSafe(const BYTES& tag, size_t at) {
  return static_cast<uint32_t>(tag[at] << 21 | tag[at + 1] << 14 | tag[at + 2] << 7 | tag[at + 3]);
}

// The frames of a tag by identifier, with their bodies; fails on a frame
// that runs past the tag.
std::vector<std::pair<std::string, BYTES>> Frames(const BYTES& tag) {
  std::vector<std::pair<std::string, BYTES>> frames;
  size_t at = kId3v2HeaderBytes;
  while (at + 10 <= tag.size()) {
    std::string id(tag.begin() + static_cast<long>(at), tag.begin() + static_cast<long>(at) + 4);
    size_t size = static_cast<size_t>(tag[at + 4]) << 24 | static_cast<size_t>(tag[at + 5]) << 16 |
                  static_cast<size_t>(tag[at + 6]) << 8 | tag[at + 7];
    EXPECT_EQ(tag[at + 8], 0);
    EXPECT_EQ(tag[at + 9], 0);
    EXPECT_LE(at + 10 + size, tag.size()) << id;
    if (at + 10 + size > tag.size()) break;
    frames.emplace_back(id, BYTES(tag.begin() + static_cast<long>(at) + 10,
                                  tag.begin() + static_cast<long>(at + 10 + size)));
    at += 10 + size;
  }
  EXPECT_EQ(at, tag.size());
  return frames;
}

BYTES Latin1Body(const std::string& text) {
  BYTES body(1 + text.size(), 0);
  std::copy(text.begin(), text.end(), body.begin() + 1);
  return body;
}

TEST(Id3v2TagTest, HeaderAndLatinFramesInOrder) {
  ID3V2_INPUT input;
  input.texts.title = "Low Tide";
  input.texts.artist = "The Harbour Band";
  input.texts.album = "Songs of the Sea";
  input.texts.year = "1999";
  input.texts.comment = "Caf\xE9";
  input.genre = "Folk";
  input.track = 3;
  input.trackTotal = 12;
  BYTES tag = BuildId3v2Tag(input);
  ASSERT_GE(tag.size(), kId3v2HeaderBytes);
  EXPECT_EQ(BYTES(tag.begin(), tag.begin() + 6), (BYTES{'I', 'D', '3', 3, 0, 0}));
  EXPECT_EQ(SyncSafe(tag, 6), tag.size() - kId3v2HeaderBytes);
  auto frames = Frames(tag);
  ASSERT_EQ(frames.size(), 7u);
  EXPECT_EQ(frames[0], std::make_pair(std::string("TIT2"), Latin1Body("Low Tide")));
  EXPECT_EQ(frames[1], std::make_pair(std::string("TPE1"), Latin1Body("The Harbour Band")));
  EXPECT_EQ(frames[2], std::make_pair(std::string("TALB"), Latin1Body("Songs of the Sea")));
  EXPECT_EQ(frames[3], std::make_pair(std::string("TYER"), Latin1Body("1999")));
  EXPECT_EQ(frames[4], std::make_pair(std::string("TRCK"), Latin1Body("3/12")));
  EXPECT_EQ(frames[5], std::make_pair(std::string("TCON"), Latin1Body("Folk")));
  // Latin-1 "eng", an empty description, the text.
  EXPECT_EQ(frames[6].first, "COMM");
  EXPECT_EQ(frames[6].second, (BYTES{0, 'e', 'n', 'g', 0, 'C', 'a', 'f', 0xE9}));
}

TEST(Id3v2TagTest, TextBeyondLatin1IsUtf16WithByteOrderMark) {
  ID3V2_INPUT input;
  input.texts.title = "Price \x80 5";  // the euro sign of Windows-1252
  input.texts.comment = "\x93quoted\x94";
  BYTES tag = BuildId3v2Tag(input);
  auto frames = Frames(tag);
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0].first, "TIT2");
  EXPECT_EQ(frames[0].second, (BYTES{1, 0xFF, 0xFE, 'P', 0, 'r', 0, 'i', 0, 'c', 0, 'e', 0, ' ', 0, 0xAC, 0x20, ' ',
                                     0, '5', 0}));
  EXPECT_EQ(frames[1].first, "COMM");
  EXPECT_EQ(frames[1].second, (BYTES{1, 'e', 'n', 'g', 0xFF, 0xFE, 0, 0, 0xFF, 0xFE, 0x1C, 0x20, 'q', 0, 'u', 0, 'o',
                                     0, 't', 0, 'e', 0, 'd', 0, 0x1D, 0x20}));
}

TEST(Id3v2TagTest, EmptyTextsAndTrackWithoutTotalAreLeftOut) {
  ID3V2_INPUT input;
  input.texts.title = "Only";
  input.track = 2;
  auto frames = Frames(BuildId3v2Tag(input));
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].first, "TIT2");
  EXPECT_TRUE(BuildId3v2Tag(ID3V2_INPUT()).empty()) << "no frame, no tag";
}

TEST(Id3v2TagTest, CoverIsAFrontCoverPictureFrame) {
  ID3V2_INPUT input;
  input.cover.mimeType = "image/png";
  input.cover.data = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0x80};
  auto frames = Frames(BuildId3v2Tag(input));
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].first, "APIC");
  BYTES expected{0, 'i', 'm', 'a', 'g', 'e', '/', 'p', 'n', 'g', 0, 3, 0};
  expected.resize(13 + input.cover.data.size());
  std::copy(input.cover.data.begin(), input.cover.data.end(), expected.begin() + 13);
  EXPECT_EQ(frames[0].second, expected);
}

TEST(Id3v2TagTest, LargeTagSizeIsSyncSafe) {
  ID3V2_INPUT input;
  input.cover.mimeType = "image/jpeg";
  input.cover.data.assign(300000, 0xFF);
  BYTES tag = BuildId3v2Tag(input);
  for (size_t i = 6; i < 10; ++i) EXPECT_LT(tag[i], 0x80);
  EXPECT_EQ(SyncSafe(tag, 6), tag.size() - kId3v2HeaderBytes);
  input.cover.data.assign(kMaxCoverBytes + 1, 0xFF);
  EXPECT_TRUE(BuildId3v2Tag(input).empty()) << "an oversized cover is left out";
}

TEST(Id3v2TagTest, PictureTypeFromTheFirstBytes) {
  EXPECT_EQ(PictureMimeType({0xFF, 0xD8, 0xFF, 0xE0}), "image/jpeg");
  EXPECT_EQ(PictureMimeType({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}), "image/png");
  EXPECT_EQ(PictureMimeType({0x89, 'P', 'N', 'G'}), "");
  EXPECT_EQ(PictureMimeType({'G', 'I', 'F', '8'}), "");
  EXPECT_EQ(PictureMimeType({}), "");
}

TEST(CodePageTest, AnsiTextBecomesUtf16) {
  EXPECT_EQ(AnsiToUtf16("A\xE9\x80\x9C"), std::u16string(u"A\u00E9\u20AC\u0153"));
  EXPECT_EQ(AnsiToUtf16(""), std::u16string());
}

}  // namespace
