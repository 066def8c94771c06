// The decoding step: hand-built streams for the structure of the input
// (tags, junk, truncation, damage, refusals), the buffering and the header,
// abort, write failures, normalisation; streams made with lame and sox and
// the shared vectors where they are at hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#if !defined(_WIN32)
#include <sys/resource.h>

#include <csignal>
#endif

#include "jobs/job_workers.h"
#include "jobs/mp3_decoding.h"
#include "jobs/normalize.h"
#include "recording_job_report.h"
#include "test_folders.h"
#include "tests/core/mpeg_test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr size_t kStereoFrameBytes = 417;  // 128 kbit/s at 44.1 kHz, no padding
constexpr size_t kStereoFramePcm = 4608;   // 1152 samples, two channels, 16 bits
constexpr size_t kToneFrameBytes = 384;    // Layer I, 384 kbit/s at 48 kHz
constexpr size_t kToneFramePcm = 768;      // 384 samples, one channel

// MPEG-1 Layer III, 128 kbit/s, 44.1 kHz, stereo: all-zero side information
// and main data, which decode to silence.
Bytes SilentStereoFrames(size_t count) {
  Bytes frame(kStereoFrameBytes, 0);
  const uint8_t header[4] = {0xFF, 0xFB, 0x90, 0x00};
  std::memcpy(frame.data(), header, 4);
  Bytes stream;
  for (size_t i = 0; i < count; ++i) stream.insert(stream.end(), frame.begin(), frame.end());
  return stream;
}

// The same at 48 kHz in one channel: another stream, to tell the two apart.
Bytes SilentMonoFrames(size_t count) {
  Bytes frame(384, 0);
  const uint8_t header[4] = {0xFF, 0xFB, 0x94, 0xC0};
  std::memcpy(frame.data(), header, 4);
  Bytes stream;
  for (size_t i = 0; i < count; ++i) stream.insert(stream.end(), frame.begin(), frame.end());
  return stream;
}

class CBitWriter {
 public:
  explicit CBitWriter(Bytes& bytes) : bytes_(bytes) {}
  void Put(uint32_t value, int bits) {
    for (int i = bits - 1; i >= 0; --i) {
      if (bit_ % 8 == 0) bytes_.push_back(0);
      if ((value >> i) & 1) bytes_.back() |= static_cast<uint8_t>(0x80 >> (bit_ % 8));
      ++bit_;
    }
  }

 private:
  Bytes& bytes_;
  size_t bit_ = 0;
};

// MPEG-1 Layer I, 384 kbit/s, 48 kHz, one channel: subband 0 carries
// 15-bit samples that change from frame to frame, the others nothing, so
// every frame decodes to its own low, loud but unclipped signal.
Bytes ToneFrames(size_t count) {
  Bytes stream;
  uint32_t seed = 12345;
  for (size_t f = 0; f < count; ++f) {
    Bytes frame;
    CBitWriter bits(frame);
    bits.Put(0xFFFFC4C0, 32);
    bits.Put(14, 4);  // subband 0: 15 bits a sample
    for (int sb = 1; sb < 32; ++sb) bits.Put(0, 4);
    bits.Put(6, 6);  // scale factor 0.5
    for (int slot = 0; slot < 12; ++slot) {
      seed = seed * 1103515245u + 12345u;
      bits.Put((seed >> 8) % 32767, 15);
    }
    frame.resize(kToneFrameBytes, 0);
    stream.insert(stream.end(), frame.begin(), frame.end());
  }
  return stream;
}

// MPEG-2 Layer III, 8 kbit/s, 24 kHz, one channel: 24-byte frames of silence.
Bytes TinyFrames(size_t count) {
  Bytes frame(24, 0);
  const uint8_t header[4] = {0xFF, 0xF3, 0x14, 0xC0};
  std::memcpy(frame.data(), header, 4);
  Bytes stream;
  for (size_t i = 0; i < count; ++i) stream.insert(stream.end(), frame.begin(), frame.end());
  return stream;
}

Bytes Join(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

uint32_t Get32(const Bytes& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}
uint32_t Get16(const Bytes& b, size_t at) { return b[at] | b[at + 1] << 8; }

struct WAV {
  uint32_t riffSize = 0, formatTag = 0, channels = 0, rate = 0, byteRate = 0, blockAlign = 0, bits = 0;
  uint32_t dataSize = 0;
  Bytes data;  // everything after the header
};

class Mp3DecodingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = MakeTestFolder("decoding");
    job_.report = &report_;
  }

  std::string Put(const std::string& name, const Bytes& bytes) {
    std::ofstream out(HostFolder(folder_ + name), std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return folder_ + name;
  }

  Bytes Get(const std::string& path) {
    std::ifstream in(HostFolder(path), std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }

  bool Exists(const std::string& path) { return std::filesystem::exists(HostFolder(path)); }

  WAV ReadWav(const std::string& path) {
    Bytes b = Get(path);
    WAV w;
    EXPECT_GE(b.size(), 44u);
    if (b.size() < 44) return w;
    EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "RIFF");
    EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(std::string(b.begin() + 36, b.begin() + 40), "data");
    w.riffSize = Get32(b, 4);
    w.formatTag = Get16(b, 20);
    w.channels = Get16(b, 22);
    w.rate = Get32(b, 24);
    w.byteRate = Get32(b, 28);
    w.blockAlign = Get16(b, 32);
    w.bits = Get16(b, 34);
    w.dataSize = Get32(b, 40);
    w.data.assign(b.begin() + 44, b.end());
    return w;
  }

  // Decodes name into name.WAV as the worker would name it.
  bool Decode(const std::string& source, uint64_t limit = kWavMaxDataBytes) {
    output_ = DecodeOutputPath(folder_, source);
    return DecodeMp3ToWave(source, output_, 24000, job_, limit);
  }

  void ExpectLines(const std::vector<std::string>& suffixes) {
    ASSERT_EQ(report_.lines.size(), suffixes.size());
    for (size_t i = 0; i < suffixes.size(); ++i)
      EXPECT_TRUE(LooksLike(report_.lines[i], "[", suffixes[i])) << report_.lines[i];
  }

  std::string folder_, output_;
  CRecordingJobReport report_;
  CJob job_;
};

TEST_F(Mp3DecodingTest, StereoLayer3GivesCdFormatAndCountsItsData) {
  std::string source = Put("song.mp3", SilentStereoFrames(100));
  ASSERT_TRUE(Decode(source));
  EXPECT_EQ(output_, folder_ + "song.WAV");
  WAV w = ReadWav(output_);
  EXPECT_EQ(w.formatTag, 1u);
  EXPECT_EQ(w.rate, 44100u);
  EXPECT_EQ(w.channels, 2u);
  EXPECT_EQ(w.bits, 16u);
  EXPECT_EQ(w.byteRate, 176400u);
  EXPECT_EQ(w.blockAlign, 4u);
  EXPECT_EQ(w.dataSize, 100 * kStereoFramePcm);
  EXPECT_EQ(w.riffSize, w.dataSize + 36);
  EXPECT_EQ(w.data.size(), w.dataSize);
  EXPECT_EQ(std::count(w.data.begin(), w.data.end(), 0), static_cast<std::ptrdiff_t>(w.data.size()));
  ExpectLines({"] Decode file " + source, "] Decode MPEG file OK!"});
  EXPECT_EQ(report_.starts, (std::vector<std::string>{"decode " + source}));
  // Every 30th frame: consumed / (41700 / 1000); then the end.
  EXPECT_EQ(report_.encode, (std::vector<uint32_t>{30 * 417 / 41, 60 * 417 / 41, 90 * 417 / 41, 1000}));
  EXPECT_EQ(report_.polls, 101);  // once a frame and once more at the end of the data
  EXPECT_FALSE(job_.cancelled);
}

TEST_F(Mp3DecodingTest, FirstFrameIsFoundAfterATagAndAfterJunk) {
  // A 4096-byte ID3v2 tag (size bytes 00 00 20 00) full of frames of another
  // stream: decoding starts at 4106 with the stereo stream.
  Bytes tag = {'I', 'D', '3', 3, 0, 0, 0x00, 0x00, 0x20, 0x00};
  Bytes inside = SilentMonoFrames(11);
  inside.resize(4096);
  std::string tagged = Put("tagged.mp3", Join(Join(tag, inside), SilentStereoFrames(20)));
  ASSERT_TRUE(Decode(tagged));
  WAV w = ReadWav(output_);
  EXPECT_EQ(w.rate, 44100u);
  EXPECT_EQ(w.channels, 2u);
  EXPECT_EQ(w.dataSize, 20 * kStereoFramePcm);

  // Junk before the first frame: 100 zeros; 0xFF bytes without a sync after
  // them; a sync that straddles the 1441-byte search blocks (at 1440) and
  // one just after the first block; a long run of junk.
  Bytes falseStarts(300, 0);
  for (size_t i = 0; i < falseStarts.size(); i += 3) falseStarts[i] = 0xFF;
  for (const Bytes& junk :
       {Bytes(100, 0), falseStarts, Bytes(1439, 0x20), Bytes(1440, 0x20), Bytes(1441, 0x20), Bytes(5000, 0x7F)}) {
    SCOPED_TRACE(junk.size());
    std::string source = Put("junk.mp3", Join(junk, SilentStereoFrames(20)));
    ASSERT_TRUE(Decode(source));
    EXPECT_EQ(ReadWav(output_).dataSize, 20 * kStereoFramePcm);
  }
  // A whole stream shorter than one search block.
  std::string tiny = Put("short.mp3", SilentStereoFrames(3));
  ASSERT_TRUE(Decode(tiny));
  EXPECT_EQ(ReadWav(output_).dataSize, 3 * kStereoFramePcm);
}

TEST_F(Mp3DecodingTest, EndOfTheDataKeepsTheCompleteFrames) {
  // Cut in the middle of the eleventh frame: ten frames, no complaint.
  Bytes cut = SilentStereoFrames(11);
  cut.resize(10 * kStereoFrameBytes + 200);
  std::string source = Put("cut.mp3", cut);
  ASSERT_TRUE(Decode(source));
  WAV w = ReadWav(output_);
  EXPECT_EQ(w.dataSize, 10 * kStereoFramePcm);
  EXPECT_EQ(w.data.size(), w.dataSize);
  ExpectLines({"] Decode file " + source, "] Decode MPEG file OK!"});

  // A padded first frame is a byte longer than the last one, which still counts.
  report_.lines.clear();
  Bytes padded = Join(Bytes{0xFF, 0xFB, 0x92, 0x00}, Bytes(kStereoFrameBytes + 1 - 4, 0));
  source = Put("padded.mp3", Join(padded, SilentStereoFrames(9)));
  ASSERT_TRUE(Decode(source));
  EXPECT_EQ(ReadWav(output_).dataSize, 10 * kStereoFramePcm);
  ExpectLines({"] Decode file " + source, "] Decode MPEG file OK!"});

  // Damage longer than a frame ends decoding there; the step succeeds.
  report_.lines.clear();
  source = Put("damaged.mp3", Join(SilentStereoFrames(10), Bytes(1000, 0x55)));
  ASSERT_TRUE(Decode(source));
  EXPECT_EQ(ReadWav(output_).dataSize, 10 * kStereoFramePcm);
  ExpectLines({"] Decode file " + source, "] Bad Sync. in MPEG file.", "] Decode MPEG file OK!"});
}

TEST_F(Mp3DecodingTest, DataSpanningManyBuffersComesOutWhole) {
  // 1000 frames: seven input refills, more than a hundred PCM flushes.
  Bytes stream = ToneFrames(1000);
  std::string source = Put("long.mp3", stream);
  ASSERT_TRUE(Decode(source));
  WAV w = ReadWav(output_);
  EXPECT_EQ(w.rate, 48000u);
  EXPECT_EQ(w.channels, 1u);
  EXPECT_EQ(w.blockAlign, 2u);
  mpeg_test::DECODED_STREAM expected = mpeg_test::DecodeStream(stream);
  ASSERT_EQ(expected.frames, 1000);
  EXPECT_EQ(w.dataSize, 1000 * kToneFramePcm);
  EXPECT_TRUE(w.data == expected.pcm);
  EXPECT_GT(mpeg_test::Rms(mpeg_test::AsSamples(w.data)), 1000.0);
}

TEST_F(Mp3DecodingTest, ProgressOfAFileUnder1000Bytes) {
  // 40 frames of 24 bytes: 960 bytes, too small for the per-mille divisor.
  std::string source = Put("tiny.mp3", TinyFrames(40));
  ASSERT_TRUE(Decode(source));
  WAV w = ReadWav(output_);
  EXPECT_EQ(w.rate, 24000u);
  EXPECT_EQ(w.channels, 1u);
  EXPECT_EQ(w.dataSize, 40 * 1152u);
  EXPECT_EQ(report_.encode, (std::vector<uint32_t>{720 * 1000 / 960, 1000}));
}

TEST_F(Mp3DecodingTest, AbortLeavesTheFileAsWrittenAndStopsTheJob) {
  std::string source = Put("abort.mp3", SilentStereoFrames(100));
  report_.abortAfterPolls = 40;  // 40 frames decoded, three flushes of 12
  EXPECT_FALSE(Decode(source));
  EXPECT_TRUE(job_.cancelled);
  WAV w = ReadWav(output_);
  EXPECT_EQ(w.dataSize, 0u);
  EXPECT_EQ(w.riffSize, 36u);
  EXPECT_EQ(w.data.size(), 36 * kStereoFramePcm);
  ExpectLines({"] Decode file " + source, "] User canceled."});

  // In a job, the worker stops at that item and reports a failure.
  CRecordingJobReport report;
  report.abortAfterPolls = 5;
  CJob job;
  job.report = &report;
  job.items.resize(2);
  job.items[0].sourceName = source;
  job.items[1].sourceName = Put("second.mp3", SilentStereoFrames(5));
  JOB_STEPS steps;
  steps.decode = [](CJob& j, const std::string& in, const std::string& out) {
    return DecodeMp3ToWave(in, out, 24000, j);
  };
  job.options.outputFolder = folder_;
  EXPECT_FALSE(RunJobItems(JOB_KIND::DecodeFiles, job, steps));
  EXPECT_TRUE(job.cancelled);
  EXPECT_EQ(job.items[0].outputPath, folder_ + "abort.WAV");
  EXPECT_EQ(report.starts, (std::vector<std::string>{"0 sent " + source, "decode " + source}));
  EXPECT_FALSE(Exists(folder_ + "second.WAV"));
}

TEST_F(Mp3DecodingTest, RefusedInputLeavesNoOutputFile) {
  struct CASE {
    const char* name;
    Bytes bytes;
    const char* line;
  };
  Bytes pastTheEnd = {'I', 'D', '3', 4, 0, 0, 0x7F, 0x7F, 0x7F, 0x7F};  // 256 MB
  Bytes layer2 = Bytes(104 * 10, 0);                                    // Layer II at 32 kbit/s in stereo has no table
  for (size_t i = 0; i < layer2.size(); i += 104) {
    layer2[i] = 0xFF;
    layer2[i + 1] = 0xFD;
    layer2[i + 2] = 0x10;
  }
  std::string text = "This is a text file.\r\nIt only looks like an MP3 by its name.\r\n";
  for (int i = 0; i < 6; ++i) text += text;
  const std::vector<CASE> cases = {
      {"text.mp3", Bytes(text.begin(), text.end()), "] Bad or unsupported MPEG file."},
      {"empty.mp3", Bytes(), "] Bad or unsupported MPEG file."},
      {"id3.mp3", Bytes{'I', 'D', '3'}, "] Bad or unsupported MPEG file."},
      {"past.mp3", Join(pastTheEnd, SilentStereoFrames(5)), "] Bad or unsupported MPEG file."},
      {"layer2.mp3", layer2, "] Decoder initialization fail."},
  };
  for (const CASE& c : cases) {
    SCOPED_TRACE(c.name);
    report_.lines.clear();
    std::string source = Put(c.name, c.bytes);
    EXPECT_FALSE(Decode(source));
    EXPECT_FALSE(Exists(output_));
    ExpectLines({"] Decode file " + source, c.line});
  }
  report_.lines.clear();
  std::string missing = folder_ + "missing.mp3";
  EXPECT_FALSE(Decode(missing));
  ExpectLines({"] Decode file " + missing, "] Can't open input files " + missing});
  EXPECT_FALSE(Exists(output_));
  EXPECT_FALSE(job_.cancelled);
}

TEST_F(Mp3DecodingTest, OutputThatWouldOverwriteTheSourceIsRefused) {
  // "song.wav" in the output folder decodes to "song.WAV": the same file.
  Bytes stream = SilentStereoFrames(10);
  std::string source = Put("song.wav", stream);
  EXPECT_FALSE(Decode(source));
  ExpectLines({"] Decode file " + source, "] Can't open output file " + folder_ + "song.WAV."});
  EXPECT_TRUE(Get(source) == stream);
  // An output folder that cannot hold files.
  report_.lines.clear();
  std::string blocked = folder_ + "no such folder\\song.WAV";
  EXPECT_FALSE(DecodeMp3ToWave(folder_ + "song.wav", blocked, 24000, job_));
  ExpectLines({"] Decode file " + source, "] Can't open output file " + blocked + "."});
}

#if !defined(_WIN32)
TEST_F(Mp3DecodingTest, UnreadableSourceFailsBeforeAnyOutput) {
  // A folder opens for reading on POSIX systems but every read fails.
  std::string source = folder_ + "folder.mp3";
  std::filesystem::create_directories(HostFolder(source));
  EXPECT_FALSE(Decode(source));
  ExpectLines({"] Decode file " + source, "] File read error while decoding."});
  EXPECT_FALSE(Exists(output_));
}
#endif

TEST_F(Mp3DecodingTest, NormalisesWithThePeakMeasuredWhileWriting) {
  std::string source = Put("tone.mp3", ToneFrames(200));
  ASSERT_TRUE(Decode(source));
  std::vector<int16_t> plain = mpeg_test::AsSamples(ReadWav(output_).data);
  int peak = 0;
  for (int16_t s : plain) peak = std::max(peak, std::abs(int{s}));
  ASSERT_GT(peak, 1000);
  ASSERT_LT(peak, 30000);

  job_.options.normalize = 1;
  job_.options.normalizeRatio = 50;
  report_ = CRecordingJobReport{};
  ASSERT_TRUE(Decode(source));
  WAV w = ReadWav(output_);
  std::vector<int16_t> scaled = mpeg_test::AsSamples(w.data);
  ASSERT_EQ(scaled.size(), plain.size());
  double gain = NormalizeGain(50, peak);
  size_t wrong = 0;
  for (size_t i = 0; i < plain.size(); ++i) wrong += scaled[i] != ScaleSample(plain[i], gain);
  EXPECT_EQ(wrong, 0u);
  EXPECT_EQ(w.dataSize, 200 * kToneFramePcm);  // the header survives the pass
  EXPECT_EQ(report_.starts, (std::vector<std::string>{"decode " + source, "1 sent " + output_}));
  ASSERT_FALSE(report_.extract.empty());
  EXPECT_EQ(report_.extract.back().tenths, 1000u);
  EXPECT_FALSE(report_.extract.back().wait);
  ExpectLines({"] Decode file " + source, "] Decode MPEG file OK!"});

  // Silence keeps its samples.
  report_ = CRecordingJobReport{};
  ASSERT_TRUE(Decode(Put("silence.mp3", SilentStereoFrames(20))));
  Bytes data = ReadWav(output_).data;
  EXPECT_EQ(std::count(data.begin(), data.end(), 0), static_cast<std::ptrdiff_t>(data.size()));
}

TEST_F(Mp3DecodingTest, DataStopsWhereTheHeaderCanNoLongerCountIt) {
  Bytes stream = ToneFrames(300);
  std::string source = Put("limit.mp3", stream);
  ASSERT_TRUE(Decode(source, 100001));  // rounded down to whole 2-byte frames
  WAV w = ReadWav(output_);
  EXPECT_EQ(w.dataSize, 100000u);
  ASSERT_EQ(w.data.size(), 100000u);
  Bytes full = mpeg_test::DecodeStream(stream).pcm;
  EXPECT_TRUE(std::equal(w.data.begin(), w.data.end(), full.begin()));
  ExpectLines({"] Decode file " + source, "] File write error.", "] File write error.", "] Decode MPEG file OK!"});
}

#if !defined(_WIN32)
// A disk that fills up: the file size limit makes writes beyond 100000
// bytes fail. What reached the file is counted once, in order.
TEST_F(Mp3DecodingTest, ShortWritesKeepTheHeaderTrueToTheFile) {
  Bytes stream = ToneFrames(300);
  std::string source = Put("full.mp3", stream);
  rlimit old;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = old;
  small.rlim_cur = 100000;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  bool decoded = Decode(source);
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);
  ASSERT_TRUE(decoded);
  WAV w = ReadWav(output_);
  EXPECT_EQ(w.data.size(), 100000u - 44);
  EXPECT_EQ(w.dataSize, w.data.size());
  Bytes full = mpeg_test::DecodeStream(stream).pcm;
  EXPECT_TRUE(std::equal(w.data.begin(), w.data.end(), full.begin()));
  ExpectLines({"] Decode file " + source, "] File write error.", "] File write error.", "] Decode MPEG file OK!"});
}
#endif

bool HaveTool(const char* name) {
#if defined(_WIN32)
  (void)name;
  return false;
#else
  return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
#endif
}

bool RunQuietly(const std::string& command) { return std::system(("(" + command + ") >/dev/null 2>&1").c_str()) == 0; }

// Streams made by lame from a sox signal: the step's output is exactly the
// whole-stream decode, whatever the tags, the VBR frame or the frame size.
TEST_F(Mp3DecodingTest, LameStreamsDecodeAsAWhole) {
  if (!HaveTool("sox") || !HaveTool("lame") || !HaveTool("mpg123")) GTEST_SKIP() << "needs sox, lame and mpg123";
  auto host = [this](const std::string& name) { return "'" + HostFolder(folder_ + name).string() + "'"; };
  ASSERT_TRUE(RunQuietly("sox -n -r 44100 -c 2 -b 16 " + host("signal.wav") +
                         " synth 3 pinknoise sine 440 tremolo 3 100 gain -3"));
  ASSERT_TRUE(RunQuietly("sox " + host("signal.wav") + " -r 32000 " + host("signal32.wav")));
  std::string art(20000, 'x');
  struct CASE {
    const char* name;
    std::string options;
    const char* input;
  };
  const std::vector<CASE> cases = {
      {"cbr.mp3", "-b 128", "signal.wav"},
      {"vbr.mp3", "-V 2", "signal.wav"},
      {"tags.mp3", "-b 192 --add-id3v2 --tt " + art + " --ta Band", "signal.wav"},
      {"joint.mp3", "-m j -b 64", "signal.wav"},
      // Free-format frames of 2610 bytes, longer than the refill threshold.
      {"free.mp3", "--freeformat -b 580", "signal32.wav"},
  };
  for (const CASE& c : cases) {
    SCOPED_TRACE(c.name);
    report_.lines.clear();
    ASSERT_TRUE(RunQuietly("lame --quiet " + c.options + " " + host(c.input) + " " + host(c.name)));
    Bytes stream = Get(folder_ + c.name);
    mpeg_test::DECODED_STREAM expected = mpeg_test::DecodeStream(stream);
    ASSERT_TRUE(expected.initialised);
    ASSERT_TRUE(Decode(folder_ + c.name));
    WAV w = ReadWav(output_);
    EXPECT_EQ(w.rate, static_cast<uint32_t>(expected.format.sampleRate));
    EXPECT_EQ(w.channels, 2u);
    EXPECT_EQ(w.dataSize, w.data.size());
    EXPECT_EQ(w.data.size(), expected.pcm.size());
    EXPECT_TRUE(w.data == expected.pcm);
    EXPECT_GT(mpeg_test::Rms(mpeg_test::AsSamples(w.data)), 1000.0);
    ASSERT_FALSE(report_.lines.empty());
    EXPECT_TRUE(LooksLike(report_.lines.back(), "[", "] Decode MPEG file OK!"));
  }
  // Against mpg123, which rounds where we truncate; lame -t writes no VBR
  // frame, which mpg123 would not play as audio.
  ASSERT_TRUE(RunQuietly("lame --quiet -t -b 160 " + host("signal.wav") + " " + host("plain.mp3")));
  ASSERT_TRUE(RunQuietly("mpg123 -q --no-gapless -s " + host("plain.mp3") + " > " + host("theirs.raw")));
  ASSERT_TRUE(Decode(folder_ + "plain.mp3"));
  std::vector<int16_t> ours = mpeg_test::AsSamples(ReadWav(output_).data);
  std::vector<int16_t> theirs = mpeg_test::AsSamples(Get(folder_ + "theirs.raw"));
  EXPECT_EQ(ours.size(), theirs.size());
  EXPECT_LE(mpeg_test::Compare(ours, theirs).maxAbs, 1);
}

// The shared reference streams, where they are at hand: each decodes to
// the frames of the whole-stream decode, or is refused without a file.
TEST_F(Mp3DecodingTest, SharedVectorsDecodeAsAWhole) {
  if (!mpeg_test::HaveVectors()) GTEST_SKIP() << "no vectors at " << mpeg_test::VectorDirectory();
  std::string directory = "Z:" + mpeg_test::VectorDirectory();
  std::replace(directory.begin(), directory.end(), '/', '\\');
  int checked = 0;
  for (const auto& entry : std::filesystem::directory_iterator(mpeg_test::VectorDirectory())) {
    if (entry.path().extension() != ".bit") continue;
    std::string name = entry.path().filename().string();
    SCOPED_TRACE(name);
    Bytes stream;
    ASSERT_TRUE(mpeg_test::ReadFile(entry.path().string(), stream));
    mpeg_test::DECODED_STREAM expected = mpeg_test::DecodeStream(stream);
    std::string output = folder_ + name + ".WAV";
    bool decoded = DecodeMp3ToWave(directory + "\\" + name, output, 24000, job_);
    if (!expected.initialised) {
      EXPECT_FALSE(decoded);
      EXPECT_FALSE(Exists(output));
      continue;
    }
    ASSERT_TRUE(decoded);
    WAV w = ReadWav(output);
    EXPECT_EQ(w.dataSize, w.data.size());
    EXPECT_EQ(w.channels, static_cast<uint32_t>(expected.format.channels));
    EXPECT_EQ(w.rate, static_cast<uint32_t>(expected.format.sampleRate));
    EXPECT_TRUE(w.data == expected.pcm);
    ++checked;
  }
  EXPECT_GE(checked, 20);
}

}  // namespace
