// The encoding step against a stand-in library that records its calls.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "app/job_settings.h"
#include "discinfo/id3v2_tag.h"
#include "jobs/encoder_config.h"
#include "jobs/mp3_encoding.h"
#include "jobs/wav_file.h"
#include "platform/file.h"
#include "recording_job_report.h"
#include "test_folders.h"
#include "wave_chunks.h"

namespace {

// The stand-in library: each chunk becomes its sample count as text, so
// the MP3 file spells out how the WAV data was cut.
struct FAKE_LIBRARY {
  std::vector<uint8_t> config;
  std::vector<uint32_t> chunks;
  std::vector<int16_t> samples;  // every sample handed over, in order
  int closes = 0, deinits = 0, closesBeforeVbr = -1;
  std::vector<std::string> vbrHeaders;
  bool failInit = false, failChunk = false, failDeinit = false;
  uint32_t samplesPerChunk = 2304;
} g_fake;

BE_ERR BE_CALL FakeInit(void* config, uint32_t* samples, uint32_t* bufferSize, HBE_STREAM* stream) {
  g_fake.config.assign(static_cast<uint8_t*>(config), static_cast<uint8_t*>(config) + kEncoderConfigBytes);
  *samples = g_fake.samplesPerChunk;
  *bufferSize = 64;
  *stream = 7;
  return g_fake.failInit ? 1 : 0;
}

BE_ERR BE_CALL FakeChunk(HBE_STREAM, uint32_t samples, const int16_t* pcm, uint8_t* out, uint32_t* produced) {
  g_fake.chunks.push_back(samples);
  g_fake.samples.insert(g_fake.samples.end(), pcm, pcm + samples);
  if (g_fake.failChunk && g_fake.chunks.size() == 2) return 1;
  std::string text = "[" + std::to_string(samples) + "]";
  std::memcpy(out, text.data(), text.size());
  *produced = static_cast<uint32_t>(text.size());
  return 0;
}

BE_ERR BE_CALL FakeDeinit(HBE_STREAM, uint8_t* out, uint32_t* produced) {
  ++g_fake.deinits;
  std::memcpy(out, "END", 3);
  *produced = 3;
  return g_fake.failDeinit ? 1 : 0;
}

BE_ERR BE_CALL FakeClose(HBE_STREAM) {
  ++g_fake.closes;
  return 0;
}

void BE_CALL FakeVersion(void*) {}

BE_ERR BE_CALL FakeVbr(const char* path) {
  g_fake.vbrHeaders.push_back(path);
  g_fake.closesBeforeVbr = g_fake.closes;
  return 0;
}

class Mp3EncodingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_fake = FAKE_LIBRARY{};
    folder_ = MakeTestFolder("encoding");
    encoder_.Adopt(nullptr, {FakeInit, FakeChunk, FakeDeinit, FakeClose, FakeVersion, FakeVbr});
    encoder_.loadedIndex = 1;
    settings_.sessionOutputFolder = folder_;
    settings_.VerifyMP3 = 0;  // the stand-in writes text, not MPEG audio
    job_.report = &report_;
  }

  void AddWave(const std::string& name, size_t dataBytes, uint32_t rate = 44100) {
    uint8_t header[44];
    BuildCdAudioHeader(static_cast<uint32_t>(dataBytes), header);
    std::memcpy(header + 24, &rate, 4);
    std::ofstream out(HostFolder(folder_ + name), std::ios::binary);
    out.write(reinterpret_cast<char*>(header), 44);
    out << std::string(dataBytes, '\x02');
    CJobItem item;
    item.sourceName = folder_ + name;
    item.texts.title = "A Title That Is Longer Than Thirty Bytes";
    item.texts.artist = "Band";
    item.texts.year = "1999";
    item.texts.genreNumber = 17;
    job_.items.push_back(item);
  }

  // Copies the options from the settings as a starting job does.
  bool Encode(const CEncoderBinding& encoder) {
    job_.options = JobOptionsFromSettings(settings_);
    return EncodeWaveToMp3(job_, encoder);
  }

  std::string Mp3(const std::string& name) {
    std::ifstream in(HostFolder(folder_ + name), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }

  std::string folder_;
  CEncoderBinding encoder_;
  CAppSettings settings_;
  CRecordingJobReport report_;
  CJob job_;
};

TEST_F(Mp3EncodingTest, ChunksByTheLibrarysSizeThenTheRestThenTheTag) {
  AddWave("song.wav", 2304 * 2 * 2 + 100);
  ASSERT_TRUE(Encode(encoder_));
  EXPECT_EQ(g_fake.chunks, (std::vector<uint32_t>{2304, 2304, 50}));
  std::string mp3 = Mp3("song.MP3");
  ASSERT_EQ(mp3.size(), std::string("[2304][2304][50]END").size() + 128);
  EXPECT_EQ(mp3.substr(0, 19), "[2304][2304][50]END");
  std::string tag = mp3.substr(mp3.size() - 128);
  EXPECT_EQ(tag.substr(0, 3), "TAG");
  EXPECT_EQ(tag.substr(3, 30), "A Title That Is Longer Than Th");  // cut, no terminator
  EXPECT_EQ(tag.substr(33, 30), std::string("Band") + std::string(26, '\0'));
  EXPECT_EQ(tag.substr(93, 4), "1999");
  EXPECT_EQ(static_cast<uint8_t>(tag[127]), 17);
  EXPECT_EQ(g_fake.closes, 1);
  EXPECT_EQ(job_.items[0].outputPath, folder_ + "song.MP3");
  ASSERT_EQ(report_.lines.size(), 2u);
  EXPECT_TRUE(LooksLike(report_.lines[0], "(", ") Encoding " + folder_ + "song.wav ..."));
  EXPECT_TRUE(LooksLike(report_.lines[1], "(", ") Encoding " + folder_ + "song.wav OK!"));
  EXPECT_EQ(report_.starts, (std::vector<std::string>{"encode " + folder_ + "song.wav"}));
  EXPECT_TRUE(g_fake.vbrHeaders.empty());  // VBR is off by default
}

// Only the samples of the data chunk reach the library: no header bytes
// of a longer format or a "LIST" chunk (a click at the start), and
// nothing of a chunk after the samples.
TEST_F(Mp3EncodingTest, OnlyTheSamplesAreEncoded) {
  using namespace wave_chunks;
  std::vector<int16_t> samples(2304 * 2 + 10);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<int16_t>(i * 7 - 9000);
  AddWave("list.wav", 0);
  WriteBytes(folder_ + "list.wav", Riff(Chunk("fmt ", Format(kPcm, 2, 44100, 16, Bytes16(0))) +
                                        Chunk("LIST", "INFOISFT" + Bytes32(6) + "tool!") +
                                        Chunk("data", Samples(samples)) + Chunk("id3 ", std::string(128, 'T'))));
  AddWave("song.wav", 8);  // the canonical file: its eight bytes of 0x02
  settings_.EnableID3 = 0;
  ASSERT_TRUE(Encode(encoder_));
  EXPECT_EQ(g_fake.chunks, (std::vector<uint32_t>{2304, 2304, 10}));
  EXPECT_EQ(g_fake.samples, samples);
  g_fake.samples.clear();
  job_.current = 1;
  ASSERT_TRUE(Encode(encoder_));
  EXPECT_EQ(g_fake.samples, std::vector<int16_t>(4, 0x0202));
}

TEST_F(Mp3EncodingTest, ShortAndEmptyWavesAreEncodedByTheFinalChunk) {
  AddWave("short.wav", 1000);
  AddWave("empty.wav", 0);
  settings_.EnableID3 = 0;
  ASSERT_TRUE(Encode(encoder_));
  job_.current = 1;
  ASSERT_TRUE(Encode(encoder_));
  EXPECT_EQ(g_fake.chunks, (std::vector<uint32_t>{500, 0}));
  EXPECT_EQ(Mp3("short.MP3"), "[500]END");  // no tag
  EXPECT_EQ(Mp3("empty.MP3"), "[0]END");
}

TEST_F(Mp3EncodingTest, ConfigurationRecordFollowsTheSettings) {
  AddWave("a.wav", 10);
  settings_.StereoMode = 1;
  settings_.EnableVBR = 1;
  ASSERT_TRUE(Encode(encoder_));
  ASSERT_EQ(g_fake.config.size(), 331u);
  auto le32 = [](const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; };
  const uint8_t* c = g_fake.config.data();
  EXPECT_EQ(le32(c + 0), 256u);
  EXPECT_EQ(le32(c + 8), 331u);
  EXPECT_EQ(le32(c + 20), 2u);    // Joint Stereo
  EXPECT_EQ(le32(c + 24), 128u);  // BitRate 8
  EXPECT_EQ(le32(c + 28), 320u);  // MaxBitRate 13
  EXPECT_EQ(le32(c + 64), 1u);    // VBR header in the record
  EXPECT_EQ(g_fake.vbrHeaders, (std::vector<std::string>{folder_ + "a.MP3"}));
  EXPECT_EQ(g_fake.closesBeforeVbr, 1);  // the library needs its stream closed first

  // The other library takes the plain form and never gets a VBR header.
  job_.current = 0;
  encoder_.loadedIndex = 0;
  g_fake.vbrHeaders.clear();
  ASSERT_TRUE(Encode(encoder_));
  EXPECT_EQ(le32(g_fake.config.data()), 0u);
  EXPECT_EQ(g_fake.config[8], 2);  // byMode
  EXPECT_TRUE(g_fake.vbrHeaders.empty());
}

TEST_F(Mp3EncodingTest, FailuresLeaveNoMp3AndCloseTheStreamOnce) {
  AddWave("a.wav", 2304 * 2 * 3);
  g_fake.failChunk = true;
  EXPECT_FALSE(Encode(encoder_));
  EXPECT_FALSE(std::filesystem::exists(HostFolder(folder_ + "a.MP3")));
  EXPECT_EQ(g_fake.closes, 1);
  EXPECT_TRUE(LooksLike(report_.lines.back(), "(", ") Error: Encoder function beEncodeChunk() failed!"));

  g_fake = FAKE_LIBRARY{};
  g_fake.failDeinit = true;
  EXPECT_FALSE(Encode(encoder_));
  EXPECT_TRUE(LooksLike(report_.lines.back(), "(", ") Error: Encoder function beDeinitStream() failed!"));
  EXPECT_EQ(g_fake.closes, 1);

  g_fake = FAKE_LIBRARY{};
  g_fake.failInit = true;
  EXPECT_FALSE(Encode(encoder_));
  EXPECT_TRUE(LooksLike(report_.lines.back(), "(", ") Error: Error initialize mp3 encoder!"));
  EXPECT_EQ(g_fake.closes, 0);  // no stream was opened

  g_fake = FAKE_LIBRARY{};
  AddWave("48k.wav", 100, 48000);
  job_.current = 1;
  EXPECT_FALSE(Encode(encoder_));
  EXPECT_TRUE(
      LooksLike(report_.lines.back(), "[", "] Error: Can't support this wave format of file " + folder_ + "48k.wav!"));
  EXPECT_FALSE(std::filesystem::exists(HostFolder(folder_ + "48k.MP3")));
}

TEST_F(Mp3EncodingTest, UnboundLibraryCallsNothing) {
  AddWave("a.wav", 100);
  CEncoderBinding none;
  EXPECT_FALSE(Encode(none));
  ASSERT_EQ(report_.lines.size(), 1u);
  EXPECT_TRUE(LooksLike(report_.lines[0], "(", ") Error: Error initialize mp3 encoder!"));
  EXPECT_TRUE(g_fake.config.empty());
}

TEST_F(Mp3EncodingTest, AbortRemovesThePartialMp3AndTheTemporaryWav) {
  AddWave("track.wav", 2304 * 2 * 30);
  job_.fileJob = false;
  job_.keepWav = false;
  job_.temporaryWavPath = folder_ + "track.wav";
  job_.items[0].sourceName = "Track 1";
  settings_.NamingRule = "<title>";
  report_.abortAfterPolls = 12;
  ASSERT_TRUE(Encode(encoder_));
  EXPECT_TRUE(job_.cancelled);
  EXPECT_FALSE(std::filesystem::exists(HostFolder(folder_ + "Track 1.MP3")));
  EXPECT_FALSE(std::filesystem::exists(HostFolder(folder_ + "track.wav")));
  ASSERT_EQ(report_.lines.size(), 2u);  // start and cancel, no OK line
  EXPECT_TRUE(LooksLike(report_.lines[1], "(", ") User canceled the operation."));
  EXPECT_EQ(report_.encode.size(), 2u);  // the 10th chunk and the end
  EXPECT_EQ(report_.encode[0], 333u);
}

uint64_t g_freeBytes = 0;
bool FixedFreeSpace(const std::string&, uint64_t& bytes) {
  bytes = g_freeBytes;
  return true;
}

TEST_F(Mp3EncodingTest, FreeSpaceMustExceedAQuarterOfTheWavData) {
  AddWave("a.wav", 4000);
  SetFreeSpaceQuery(FixedFreeSpace);
  g_freeBytes = 1000;
  EXPECT_FALSE(Encode(encoder_));
  EXPECT_TRUE(LooksLike(report_.lines.back(), "(", ") Error: Not enough free disk space at disk: "));
  EXPECT_FALSE(std::filesystem::exists(HostFolder(folder_ + "a.MP3")));
  g_freeBytes = 1001;
  EXPECT_TRUE(Encode(encoder_));
  SetFreeSpaceQuery(nullptr);
}

}  // namespace

namespace {

class Mp3Id3v2Test : public Mp3EncodingTest {
 protected:
  void SetUp() override {
    Mp3EncodingTest::SetUp();
    settings_.ID3V2 = 1;
    AddWave("song.wav", 8);
    job_.fileJob = false;
    job_.keepWav = true;
    job_.discTracks = 9;
    job_.items[0].trackIndex = 1;
    job_.items[0].sourceName = "Tagged Song";
    job_.items[0].texts.title = "Tagged Song";
    settings_.NamingRule = "<title>";
    std::filesystem::copy_file(HostFolder(folder_ + "song.wav"), HostFolder(folder_ + "Tagged Song.WAV"));
    std::filesystem::create_directories(HostFolder(folder_ + "covers"));
  }

  bool EncodeWithCover() {
    job_.options = JobOptionsFromSettings(settings_);
    job_.options.coverFileStem = folder_ + "covers\\0a0b0c0d";
    return EncodeWaveToMp3(job_, encoder_);
  }

  void WriteCover(const std::string& name, const std::string& bytes) {
    std::ofstream(HostFolder(folder_ + "covers\\" + name), std::ios::binary) << bytes;
  }
};

TEST_F(Mp3Id3v2Test, TagLeadsTheAudioAndCarriesTheCover) {
  std::string jpeg = "\xFF\xD8\xFF\xE0picture";
  WriteCover("0a0b0c0d.jpg", jpeg);
  ASSERT_TRUE(EncodeWithCover());
  std::string mp3 = Mp3("Tagged Song.MP3");
  ASSERT_GT(mp3.size(), 10u);
  ASSERT_EQ(mp3.substr(0, 5), std::string("ID3\x03\x00", 5));
  size_t tagSize = 10 + (static_cast<size_t>(mp3[6]) << 21 | static_cast<size_t>(mp3[7]) << 14 |
                         static_cast<size_t>(mp3[8]) << 7 | static_cast<size_t>(mp3[9]));
  ASSERT_EQ(mp3.substr(tagSize), std::string("[4]END") + mp3.substr(mp3.size() - 128)) << "audio follows the tag";
  std::string tag = mp3.substr(0, tagSize);
  EXPECT_NE(tag.find(std::string("TRCK\0\0\0\x04\0\0\0" "2/9", 14)), std::string::npos);
  EXPECT_NE(tag.find(std::string("TCON\0\0\0\x05\0\0\0" "Rock", 15)), std::string::npos);  // genre 17
  EXPECT_NE(tag.find("image/jpeg"), std::string::npos);
  EXPECT_EQ(tag.substr(tag.size() - jpeg.size()), jpeg);
  EXPECT_EQ(mp3.substr(mp3.size() - 128, 3), "TAG") << "the ID3v1 tag stays at the end";
}

TEST_F(Mp3Id3v2Test, PngCoverWhenThereIsNoJpeg) {
  std::string png = std::string("\x89PNG\r\n\x1A\n", 8) + "rest";
  WriteCover("0a0b0c0d.png", png);
  ASSERT_TRUE(EncodeWithCover());
  std::string mp3 = Mp3("Tagged Song.MP3");
  EXPECT_NE(mp3.find("image/png"), std::string::npos);
  EXPECT_NE(mp3.find(png), std::string::npos);
}

TEST_F(Mp3Id3v2Test, CoverThatIsNoPictureOrTooLargeIsLeftOut) {
  WriteCover("0a0b0c0d.jpg", "GIF89a not a jpeg");
  ASSERT_TRUE(EncodeWithCover());
  EXPECT_EQ(Mp3("Tagged Song.MP3").find("APIC"), std::string::npos);
  WriteCover("0a0b0c0d.jpg", "\xFF\xD8\xFF" + std::string(kMaxCoverBytes, 'x'));
  ASSERT_TRUE(EncodeWithCover());
  std::string mp3 = Mp3("Tagged Song.MP3");
  EXPECT_EQ(mp3.find("APIC"), std::string::npos);
  EXPECT_EQ(mp3.substr(0, 3), "ID3") << "the texts are still tagged";
}

TEST_F(Mp3Id3v2Test, FileJobTagsWithItsOwnTextsAndNoTrackNumber) {
  job_.fileJob = true;
  job_.items[0].sourceName = folder_ + "song.wav";
  ASSERT_TRUE(EncodeWithCover());
  std::string mp3 = Mp3("song.MP3");
  ASSERT_EQ(mp3.substr(0, 3), "ID3");
  EXPECT_EQ(mp3.find("TRCK"), std::string::npos);
  EXPECT_NE(mp3.find("TPE1"), std::string::npos);
}

}  // namespace
