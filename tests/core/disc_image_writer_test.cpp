// The disc-image writer: deterministic bytes, the layout its cue sheet
// describes, the content kinds and the demo disc.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "cdrom/virtual/cue_sheet.h"
#include "cdrom/virtual/disc_image_writer.h"
#include "cdrom/virtual/image_file.h"
#include "test_folders.h"

namespace {

std::vector<uint8_t> FileBytes(const std::string& windowsPath) {
  std::ifstream in(HostFolder(windowsPath), std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<int16_t> Samples(const IMAGE_TRACK& track, uint32_t firstFrame, uint32_t count) {
  std::vector<uint8_t> bytes(size_t{count} * 2352);
  RenderTrackFrames(track, 1, firstFrame, firstFrame, count, bytes.data());
  std::vector<int16_t> samples(bytes.size() / 2);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
  return samples;
}

DISC_IMAGE_LAYOUT MixedLayout(bool filePerTrack) {
  DISC_IMAGE_LAYOUT layout;
  layout.firstTrack = 2;
  layout.filePerTrack = filePerTrack;
  IMAGE_TRACK tone;
  tone.frames = 200;
  layout.tracks.push_back(tone);
  IMAGE_TRACK noise;
  noise.content = TrackContent::Noise;
  noise.seed = 77;
  noise.frames = 150;
  noise.pregapFrames = 75;
  noise.pregapInFile = true;
  layout.tracks.push_back(noise);
  IMAGE_TRACK data;
  data.content = TrackContent::Data;
  data.frames = 100;
  data.pregapFrames = 150;
  layout.tracks.push_back(data);
  IMAGE_TRACK chord;
  chord.content = TrackContent::Chord;
  chord.frequencies = {220, 277.18, 329.63};
  chord.frames = 80;
  layout.tracks.push_back(chord);
  return layout;
}

TEST(DiscImageWriter, SameLayoutSameBytesAndTheSheetReadsBack) {
  std::string folder = MakeTestFolder("image-writer");
  std::string error;
  ASSERT_TRUE(WriteDiscImage(MixedLayout(false), folder + "a.cue", error)) << error;
  ASSERT_TRUE(WriteDiscImage(MixedLayout(false), folder + "b.cue", error)) << error;
  std::vector<uint8_t> a = FileBytes(folder + "a.bin"), b = FileBytes(folder + "b.bin");
  ASSERT_EQ(a.size(), size_t{200 + 75 + 150 + 100 + 80} * 2352) << "the PREGAP is not in the file";
  EXPECT_TRUE(a == b);
  std::vector<uint8_t> sheetA = FileBytes(folder + "a.cue"), sheetB = FileBytes(folder + "b.cue");
  std::string sheet(sheetA.begin(), sheetA.end()), other(sheetB.begin(), sheetB.end());
  size_t name = other.find("\"b.bin\"");
  ASSERT_NE(name, std::string::npos);
  EXPECT_EQ(other.replace(name, 7, "\"a.bin\""), sheet) << "the sheets differ only in the file name";
  EXPECT_EQ(sheet,
            "REM Cantaro Maker disc image\r\n"
            "FILE \"a.bin\" BINARY\r\n"
            "  TRACK 02 AUDIO\r\n"
            "    INDEX 01 00:00:00\r\n"
            "  TRACK 03 AUDIO\r\n"
            "    INDEX 00 00:02:50\r\n"
            "    INDEX 01 00:03:50\r\n"
            "  TRACK 04 MODE1/2352\r\n"
            "    PREGAP 00:02:00\r\n"
            "    INDEX 01 00:05:50\r\n"
            "  TRACK 05 AUDIO\r\n"
            "    INDEX 01 00:07:00\r\n");

  DISC_IMAGE image;
  ASSERT_TRUE(LoadCueImage(folder + "a.cue", image, error)) << error;
  ASSERT_EQ(image.tracks.size(), 4u);
  EXPECT_EQ(image.tracks[0].number, 2);
  EXPECT_EQ(image.tracks[0].start, 0u);
  EXPECT_EQ(image.tracks[1].regionStart, 200u);
  EXPECT_EQ(image.tracks[1].start, 275u);
  EXPECT_EQ(image.tracks[2].regionStart, 425u);
  EXPECT_EQ(image.tracks[2].start, 575u);
  EXPECT_TRUE(image.tracks[2].data);
  EXPECT_EQ(image.tracks[3].start, 675u);
  EXPECT_EQ(image.leadOut, 755u);

  // The INDEX 00 silence is zeros in the file; the noise follows it.
  for (size_t i = 200 * 2352; i < 275 * 2352; ++i) ASSERT_EQ(a[i], 0) << i;
  std::vector<uint8_t> noise(2352);
  RenderTrackFrames(MixedLayout(false).tracks[1], 3, 0, 275, 1, noise.data());
  EXPECT_TRUE(std::equal(noise.begin(), noise.end(), a.begin() + 275 * 2352));
  // The data sector at LBA 575 carries its address: 575 + 150 = 00:09:50.
  const uint8_t* sector = a.data() + size_t{425} * 2352;  // file frame 425 is LBA 575
  EXPECT_EQ(sector[0], 0x00);
  EXPECT_EQ(sector[1], 0xFF);
  EXPECT_EQ(sector[12], 0x00);
  EXPECT_EQ(sector[13], 0x09);
  EXPECT_EQ(sector[14], 0x50);
  EXPECT_EQ(sector[15], 0x01);
}

TEST(DiscImageWriter, OneFilePerTrack) {
  std::string folder = MakeTestFolder("image-writer-split");
  std::string error;
  ASSERT_TRUE(WriteDiscImage(MixedLayout(true), folder + "disc.cue", error)) << error;
  EXPECT_EQ(FileBytes(folder + "disc-02.bin").size(), 200u * 2352);
  EXPECT_EQ(FileBytes(folder + "disc-03.bin").size(), 225u * 2352);
  EXPECT_EQ(FileBytes(folder + "disc-04.bin").size(), 100u * 2352);
  EXPECT_EQ(FileBytes(folder + "disc-05.bin").size(), 80u * 2352);
  EXPECT_FALSE(std::filesystem::exists(HostFolder(folder + "disc.bin")));
  DISC_IMAGE image;
  ASSERT_TRUE(LoadCueImage(folder + "disc.cue", image, error)) << error;
  ASSERT_EQ(image.files.size(), 4u);
  EXPECT_EQ(image.tracks[1].start, 275u);
  EXPECT_EQ(image.tracks[2].start, 575u);
  EXPECT_EQ(image.leadOut, 755u) << "the same disc as with one file";
}

TEST(DiscImageWriter, ContentKinds) {
  IMAGE_TRACK track;
  track.content = TrackContent::Silence;
  for (int16_t s : Samples(track, 0, 10)) ASSERT_EQ(s, 0);

  track.content = TrackContent::Tone;
  track.frequencies = {1000};
  track.amplitude = 0.5;
  std::vector<int16_t> tone = Samples(track, 0, 75);
  int16_t peak = *std::max_element(tone.begin(), tone.end());
  EXPECT_NEAR(peak, 16384, 40);
  EXPECT_EQ(tone[0], tone[1]) << "both channels";
  // 1000 Hz: 2000 zero crossings a second in each channel.
  int crossings = 0;
  for (size_t i = 2; i < tone.size(); i += 2) crossings += (tone[i - 2] < 0) != (tone[i] < 0);
  EXPECT_NEAR(crossings, 2000, 2);

  track.content = TrackContent::FullScale;
  track.frequencies = {441};
  std::vector<int16_t> square = Samples(track, 0, 2);
  EXPECT_EQ(*std::max_element(square.begin(), square.end()), 32767);
  EXPECT_EQ(*std::min_element(square.begin(), square.end()), -32767);
  EXPECT_EQ(square[2 * 49], 32767);
  EXPECT_EQ(square[2 * 50], -32767);

  track.content = TrackContent::Noise;
  track.amplitude = 1.0;
  track.seed = 5;
  std::vector<int16_t> whole = Samples(track, 0, 20);
  std::vector<int16_t> tail = Samples(track, 7, 13);
  EXPECT_TRUE(std::equal(tail.begin(), tail.end(), whole.begin() + 7 * 1176)) << "rendered from any frame";
  track.seed = 6;
  EXPECT_NE(Samples(track, 0, 20), whole);
  double sum = 0;
  for (int16_t s : whole) sum += s;
  EXPECT_LT(std::fabs(sum / whole.size()), 500) << "no offset";

  track.content = TrackContent::Pattern;
  std::vector<uint8_t> bytes(2352 * 2);
  RenderTrackFrames(track, 7, 300, 0, 2, bytes.data());
  EXPECT_EQ(bytes[4 * 5 + 0], 7);
  EXPECT_EQ(bytes[4 * 5 + 1], 5);
  EXPECT_EQ(bytes[4 * 5 + 2] | bytes[4 * 5 + 3] << 8, 300);
  EXPECT_EQ(bytes[2352 + 2] | bytes[2352 + 3] << 8, 301);
}

TEST(DiscImageWriter, LayoutsADiscCannotHaveAreRefused) {
  std::string folder = MakeTestFolder("image-writer-bad");
  std::string error;
  DISC_IMAGE_LAYOUT layout;
  EXPECT_FALSE(WriteDiscImage(layout, folder + "x.cue", error));
  EXPECT_NE(error.find("at least one track"), std::string::npos);
  layout.tracks.resize(2);
  layout.firstTrack = 99;
  EXPECT_FALSE(WriteDiscImage(layout, folder + "x.cue", error));
  EXPECT_NE(error.find("1..99"), std::string::npos);
  layout.firstTrack = 0;
  EXPECT_FALSE(WriteDiscImage(layout, folder + "x.cue", error));
  layout.firstTrack = 1;
  layout.tracks[1].frames = 0;
  EXPECT_FALSE(WriteDiscImage(layout, folder + "x.cue", error));
  EXPECT_NE(error.find("at least one frame"), std::string::npos);
  layout.tracks[1].frames = 100 * 60 * 75;
  EXPECT_FALSE(WriteDiscImage(layout, folder + "x.cue", error));
  EXPECT_NE(error.find("100 minutes"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(HostFolder(folder + "x.cue")));
  layout.tracks[1].frames = 10;
  EXPECT_FALSE(WriteDiscImage(layout, folder + "no-such-folder\\x.cue", error));
  EXPECT_NE(error.find("cannot write"), std::string::npos);
}

TEST(DiscImageWriter, TheDemoDiscIsShortPleasantMusic) {
  DISC_IMAGE_LAYOUT demo = DemoDiscLayout();
  ASSERT_GE(demo.tracks.size(), 3u);
  ASSERT_LE(demo.tracks.size(), 4u);
  for (const IMAGE_TRACK& track : demo.tracks) {
    EXPECT_EQ(track.content, TrackContent::Music);
    EXPECT_GE(track.frames, 10u * 75);
    EXPECT_LE(track.frames, 20u * 75);
    std::vector<int16_t> samples = Samples(track, 0, track.frames);
    int peak = 0;
    double energy = 0;
    for (int16_t s : samples) {
      peak = std::max(peak, std::abs(static_cast<int>(s)));
      energy += static_cast<double>(s) * s;
    }
    double rms = std::sqrt(energy / samples.size());
    EXPECT_LT(peak, 32767) << "no clipping";
    EXPECT_GT(peak, 8000) << "clearly audible";
    EXPECT_GT(rms, 1000);
    // Faded in and out.
    EXPECT_LT(std::abs(samples[0]), 100);
    EXPECT_LT(std::abs(samples[samples.size() - 1]), 100);
  }
}

}  // namespace
