// WAV headers: the CD-audio writer, the decoder writer and the acceptance test.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "jobs/wav_file.h"
#include "recording_job_report.h"
#include "test_folders.h"
#include "wave_chunks.h"

namespace {

uint32_t Le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

// A WAV file made by hand: header fields as given, then data bytes.
std::string WriteWave(const std::string& folder, const char* name, uint32_t rate, uint16_t channels, uint16_t bits,
                      size_t dataBytes, const std::string& extraChunk = "") {
  uint8_t header[44];
  BuildCdAudioHeader(static_cast<uint32_t>(dataBytes), header);
  header[22] = static_cast<uint8_t>(channels);
  std::memcpy(header + 24, &rate, 4);
  header[34] = static_cast<uint8_t>(bits);
  std::string path = folder + name;
  std::ofstream out(HostFolder(path), std::ios::binary);
  out.write(reinterpret_cast<char*>(header), 44);
  out << extraChunk << std::string(dataBytes, '\x01');
  return path;
}

TEST(WavFileTest, CdAudioHeaderFields) {
  uint8_t h[44];
  BuildCdAudioHeader(23520, h);  // ten sectors
  EXPECT_EQ(std::memcmp(h, "RIFF", 4), 0);
  EXPECT_EQ(Le32(h + 4), 23556u);
  EXPECT_EQ(std::memcmp(h + 8, "WAVEfmt ", 8), 0);
  EXPECT_EQ(Le32(h + 16), 16u);
  EXPECT_EQ(Le16(h + 20), 1);
  EXPECT_EQ(Le16(h + 22), 2);
  EXPECT_EQ(Le32(h + 24), 44100u);
  EXPECT_EQ(Le32(h + 28), 176400u);
  EXPECT_EQ(Le16(h + 32), 4);
  EXPECT_EQ(Le16(h + 34), 16);
  EXPECT_EQ(std::memcmp(h + 36, "data", 4), 0);
  EXPECT_EQ(Le32(h + 40), 23520u);
}

TEST(WavFileTest, CdAudioHeaderIsRewrittenInPlace) {
  std::string folder = MakeTestFolder("wav-rewrite");
  CFile file;
  ASSERT_TRUE(file.Open(folder + "t.wav", CFile::Mode::Create));
  ASSERT_TRUE(WriteCdAudioHeader(file, 0));
  EXPECT_EQ(file.Position(), 44);
  std::vector<uint8_t> audio(2352 * 10, 7);
  file.Write(audio.data(), audio.size());
  ASSERT_TRUE(WriteCdAudioHeader(file, static_cast<uint32_t>(audio.size())));
  EXPECT_EQ(file.Position(), 44);
  EXPECT_EQ(file.Size(), 44 + 23520);
  uint8_t h[44];
  file.Seek(0);
  file.Read(h, 44);
  EXPECT_EQ(Le32(h + 4), 23556u);
  EXPECT_EQ(Le32(h + 40), 23520u);
}

TEST(WavFileTest, DecoderHeaderForOtherFormats) {
  std::string folder = MakeTestFolder("wav-decoder");
  CFile file;
  ASSERT_TRUE(file.Open(folder + "d.wav", CFile::Mode::Create));
  CDecoderWavHeader header;
  EXPECT_EQ(Le32(header.Bytes() + 24), 22050u);  // the buffer's first contents
  ASSERT_TRUE(header.Write(file, 22050, 1, 16, 0));
  EXPECT_EQ(Le32(header.Bytes() + 28), 44100u);
  EXPECT_EQ(Le16(header.Bytes() + 32), 2);
  EXPECT_EQ(Le32(header.Bytes() + 4), 36u);
  ASSERT_TRUE(header.Write(file, 8000, 1, 8, 10));
  EXPECT_EQ(Le16(header.Bytes() + 20), 7);  // mu-law
  EXPECT_EQ(Le32(header.Bytes() + 28), 8000u);
  EXPECT_EQ(Le16(header.Bytes() + 32), 1);
  int64_t before = file.Position();
  EXPECT_FALSE(header.Write(file, 44100, 2, 16, 3));
  EXPECT_EQ(file.Position(), before);  // nothing written

  std::vector<uint8_t> data(1000, 0);
  file.Write(data.data(), data.size());
  ASSERT_TRUE(header.Finish(file, 1000));
  EXPECT_EQ(file.Position(), before + 1000);  // back at the end
  uint8_t h[44];
  file.Seek(0);
  file.Read(h, 44);
  EXPECT_EQ(Le32(h + 4), 1036u);
  EXPECT_EQ(Le32(h + 40), 1000u);
}

TEST(WavFileTest, AcceptanceChecksOnlyRateBitsAndChannels) {
  std::string folder = MakeTestFolder("wav-accept");
  CRecordingJobReport report;
  struct Case {
    std::string path;
    bool accepted;
  } cases[] = {
      {WriteWave(folder, "cd.wav", 44100, 2, 16, 4704), true},
      {WriteWave(folder, "list.wav", 44100, 2, 16, 100, std::string("LIST\x04\0\0\0abcd", 12)), true},
      {WriteWave(folder, "mono.wav", 44100, 1, 16, 100), false},
      {WriteWave(folder, "48k.wav", 48000, 2, 16, 100), false},
      {WriteWave(folder, "8bit.wav", 44100, 2, 8, 100), false},
  };
  for (const Case& c : cases) {
    CFile file;
    ASSERT_TRUE(file.Open(c.path, CFile::Mode::Read));
    WAVE_INPUT input;
    report.lines.clear();
    EXPECT_EQ(AcceptWaveInput(file, c.path, report, input), c.accepted) << c.path;
    if (!c.accepted) {
      ASSERT_EQ(report.lines.size(), 1u);
      EXPECT_TRUE(LooksLike(report.lines[0], "[", "] Error: Can't support this wave format of file " + c.path + "!"))
          << report.lines[0];
    }
  }
  // Bytes past the data size are not samples, whatever they are.
  CFile list;
  list.Open(folder + "list.wav", CFile::Mode::Read);
  WAVE_INPUT input;
  ASSERT_TRUE(AcceptWaveInput(list, folder + "list.wav", report, input));
  EXPECT_EQ(input.dataOffset, 44);
  EXPECT_EQ(input.dataBytes, 100u);
  EXPECT_EQ(list.Position(), 44);
}

// Accepts the file at path (or not) and gives what was found.
bool Accept(const std::string& path, WAVE_INPUT& input, CRecordingJobReport& report,
            WaveRequirement requirement = WaveRequirement::CdAudio) {
  CFile file;
  if (!file.Open(path, CFile::Mode::Read)) return false;
  report.lines.clear();
  bool accepted = AcceptWaveInput(file, path, report, input, requirement);
  // An accepted file is left at its first sample.
  if (accepted) {
    EXPECT_EQ(file.Position(), input.dataOffset) << path;
  }
  return accepted;
}

TEST(WavFileTest, SamplesAreFoundAmongOtherChunks) {
  using namespace wave_chunks;
  std::string folder = MakeTestFolder("wav-chunks");
  const std::string samples = Samples({1, -1, 2, -2, 3, -3});
  struct Case {
    const char* name;
    std::string bytes;
    int64_t dataOffset;
    uint32_t dataBytes;
  } cases[] = {
      // A "LIST" chunk between the format and the samples.
      {"list.wav",
       Riff(Chunk("fmt ", Format(kPcm, 2, 44100, 16)) + Chunk("LIST", "INFOISFT" + Bytes32(4) + std::string("sox", 4)) +
            Chunk("data", samples)),
       12 + 24 + 24 + 8, 12},
      // An 18-byte format (cbSize 0), an odd-sized chunk and one after the samples.
      {"fmt18.wav",
       Riff(Chunk("fmt ", Format(kPcm, 2, 44100, 16, Bytes16(0))) + Chunk("odd ", "abc") + Chunk("data", samples) +
            Chunk("id3 ", "TAG")),
       12 + 26 + 12 + 8, 12},
      // A data size larger than the file (a cut-off recording) stops at its end.
      {"cut.wav", Riff(Chunk("fmt ", Format(kPcm, 2, 44100, 16))) + "data" + Bytes32(0xFFFFFFF0u) + samples, 44, 12},
      // WAVE_FORMAT_EXTENSIBLE with the PCM subformat.
      {"extensible.wav", Riff(Chunk("fmt ", Extensible(2, 16, kPcmGuid)) + Chunk("data", samples)), 12 + 48 + 8, 12},
  };
  for (const Case& c : cases) {
    std::string path = WriteBytes(folder + c.name, c.bytes);
    WAVE_INPUT input;
    CRecordingJobReport report;
    ASSERT_TRUE(Accept(path, input, report)) << c.name << ": " << (report.lines.empty() ? "" : report.lines[0]);
    EXPECT_EQ(input.dataOffset, c.dataOffset) << c.name;
    EXPECT_EQ(input.dataBytes, c.dataBytes) << c.name;
    EXPECT_EQ(c.bytes.substr(static_cast<size_t>(input.dataOffset), input.dataBytes), samples) << c.name;
  }
}

TEST(WavFileTest, OnlySixteenBitPcmIsAccepted) {
  using namespace wave_chunks;
  std::string folder = MakeTestFolder("wav-formats");
  const std::string data = Chunk("data", Samples({1, 2, 3, 4}));
  const std::string cd = Chunk("fmt ", Format(kPcm, 2, 44100, 16));
  struct Case {
    const char* name;
    std::string bytes;
    bool anyPcm16;  // accepted for scaling (any rate and channels)
  } cases[] = {
      {"float.wav", Riff(Chunk("fmt ", Format(kFloat, 2, 44100, 16)) + data), false},
      {"extfloat.wav", Riff(Chunk("fmt ", Extensible(2, 16, kFloatGuid)) + data), false},
      {"ext24.wav", Riff(Chunk("fmt ", Extensible(2, 24, kPcmGuid)) + data), false},
      {"shortext.wav", Riff(Chunk("fmt ", Format(kExtensible, 2, 44100, 16, Bytes16(0))) + data), false},
      {"mulaw.wav", Riff(Chunk("fmt ", Format(7, 2, 44100, 16)) + data), false},
      {"mono.wav", Riff(Chunk("fmt ", Format(kPcm, 1, 44100, 16)) + data), true},
      {"22k.wav", Riff(Chunk("fmt ", Format(kPcm, 2, 22050, 16)) + data), true},
      {"nofmt.wav", Riff(Chunk("LIST", std::string(16, 'x')) + data), false},
      {"datafirst.wav", Riff(data + cd), false},
      {"nodata.wav", Riff(cd + Chunk("LIST", std::string(16, 'x'))), false},
      {"smallfmt.wav", Riff(Chunk("fmt ", Format(kPcm, 2, 44100, 16).substr(0, 14)) + data), false},
      {"riffx.wav", "RIFX" + Riff(cd + data).substr(4), false},
      {"avi.wav", Riff(cd + data).replace(8, 4, "AVI "), false},
      {"manychunks.wav",
       Riff(cd +
            [] {
              std::string many;
              for (size_t i = 0; i < kMaxWaveChunks; ++i) many += Chunk("junk", "");
              return many;
            }() +
            data),
       false},
  };
  for (const Case& c : cases) {
    std::string path = WriteBytes(folder + c.name, c.bytes);
    WAVE_INPUT input;
    CRecordingJobReport report;
    EXPECT_FALSE(Accept(path, input, report)) << c.name;
    ASSERT_EQ(report.lines.size(), 1u) << c.name;
    EXPECT_TRUE(LooksLike(report.lines[0], "[", "] Error: Can't support this wave format of file " + path + "!"))
        << report.lines[0];
    EXPECT_EQ(Accept(path, input, report, WaveRequirement::Pcm16), c.anyPcm16) << c.name;
  }
  // The canonical file is accepted both ways.
  std::string path = WriteBytes(folder + "cd.wav", Riff(cd + data));
  WAVE_INPUT input;
  CRecordingJobReport report;
  EXPECT_TRUE(Accept(path, input, report));
  EXPECT_TRUE(Accept(path, input, report, WaveRequirement::Pcm16));
}

TEST(WavFileTest, ShortFileCannotBeRead) {
  std::string folder = MakeTestFolder("wav-short");
  {
    std::ofstream out(HostFolder(folder + "short.wav"), std::ios::binary);
    out << "RIFF1234WAVE";
  }
  CFile file;
  ASSERT_TRUE(file.Open(folder + "short.wav", CFile::Mode::Read));
  CRecordingJobReport report;
  WAVE_INPUT input;
  EXPECT_FALSE(AcceptWaveInput(file, folder + "short.wav", report, input));
  ASSERT_EQ(report.lines.size(), 1u);
  EXPECT_TRUE(LooksLike(report.lines[0], "[", "] Error: Can't read file " + folder + "short.wav!"));
}

}  // namespace
