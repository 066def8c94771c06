// The encoder binding against the libraries the build puts next to the
// program: the real LAME_ENC.DLL and BLADEENC.DLL, and the failing stand-ins
// in fakes\. A stand-in is bound under the program's own library name by
// loading it first from its folder: the system then hands the module that is
// already loaded to any later LoadLibrary of the same name.
#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "app/job_settings.h"
#include "jobs/encoder_config.h"
#include "jobs/encoder_library.h"
#include "tests/core/test_folders.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

std::string ProgramFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path);
  return folder.substr(0, folder.rfind('\\') + 1);
}

// The folder a loaded module came from, or "" when no module of that name is loaded.
std::string LoadedFrom(const char* name) {
  HMODULE module = GetModuleHandleA(name);
  if (!module) return "";
  char path[MAX_PATH] = {};
  GetModuleFileNameA(module, path, MAX_PATH);
  std::string file(path);
  return file.substr(0, file.rfind('\\') + 1);
}

bool SameFolder(const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) == 0; }

bool AllBound(const ENCODER_ENTRY_POINTS& e) {
  return e.beInitStream && e.beEncodeChunk && e.beDeinitStream && e.beCloseStream && e.beVersion && e.beWriteVBRHeader;
}
bool NoneBound(const ENCODER_ENTRY_POINTS& e) {
  return !e.beInitStream && !e.beEncodeChunk && !e.beDeinitStream && !e.beCloseStream && !e.beVersion &&
         !e.beWriteVBRHeader;
}

// Interleaved 16-bit stereo at 44100 Hz: `silentSeconds` of silence, then a
// tone of 440 Hz on the left and 660 Hz on the right.
std::vector<int16_t> Tone(double seconds, double silentSeconds = 0) {
  const size_t frames = static_cast<size_t>(seconds * 44100);
  const size_t silent = static_cast<size_t>(silentSeconds * 44100);
  std::vector<int16_t> pcm(frames * 2);
  for (size_t i = silent; i < frames; ++i) {
    const double t = static_cast<double>(i) / 44100;
    pcm[2 * i] = static_cast<int16_t>(9000 * std::sin(2 * kPi * 440 * t));
    pcm[2 * i + 1] = static_cast<int16_t>(7000 * std::sin(2 * kPi * 660 * t));
  }
  return pcm;
}

struct Encoded {
  BE_ERR init = 0xFFFFFFFF, deinit = 0xFFFFFFFF, close = 0xFFFFFFFF;
  uint32_t samples = 0, bufferSize = 0;
  bool chunksOk = true, fitBuffer = true;
  std::vector<uint8_t> mp3;
};

// Feeds the samples in chunks of the size the library asks for, the
// remainder as one shorter chunk, flushes, and closes the stream unless
// told to leave that to the caller.
Encoded Encode(const ENCODER_ENTRY_POINTS& e, BE_CONFIG& config, const std::vector<int16_t>& pcm,
               HBE_STREAM* keepOpen = nullptr) {
  Encoded r;
  HBE_STREAM stream = 0;
  r.init = e.beInitStream(&config, &r.samples, &r.bufferSize, &stream);
  if (r.init != 0 || r.samples == 0) return r;
  std::vector<uint8_t> out(r.bufferSize);
  size_t done = 0;
  while (done < pcm.size()) {
    uint32_t n = static_cast<uint32_t>(std::min<size_t>(r.samples, pcm.size() - done));
    uint32_t produced = 0;
    if (e.beEncodeChunk(stream, n, pcm.data() + done, out.data(), &produced) != 0) r.chunksOk = false;
    if (produced > r.bufferSize) r.fitBuffer = false;
    r.mp3.insert(r.mp3.end(), out.begin(), out.begin() + std::min(produced, r.bufferSize));
    done += n;
  }
  uint32_t produced = 0;
  r.deinit = e.beDeinitStream(stream, out.data(), &produced);
  if (produced > r.bufferSize) r.fitBuffer = false;
  r.mp3.insert(r.mp3.end(), out.begin(), out.begin() + std::min(produced, r.bufferSize));
  if (keepOpen)
    *keepOpen = stream;
  else
    r.close = e.beCloseStream(stream);
  return r;
}

// One MPEG-1 Layer III frame header.
struct Frame {
  size_t offset = 0, length = 0;
  int bitrate = 0, sampleRate = 0, mode = 0;
  bool crc = false, privateBit = false, copyright = false, original = false;
};

// Walks the frames from the start; `whole` tells whether they tile the data
// exactly, with nothing before, between or after them.
std::vector<Frame> Frames(const std::vector<uint8_t>& data, bool* whole) {
  static const int kBitrates[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
  static const int kRates[4] = {44100, 48000, 32000, 0};
  std::vector<Frame> frames;
  size_t at = 0;
  *whole = false;
  while (at + 4 <= data.size()) {
    const uint8_t* h = &data[at];
    if (h[0] != 0xFF || (h[1] & 0xFE) != 0xFA) return frames;  // sync, MPEG-1, Layer III
    Frame f;
    f.offset = at;
    f.crc = !(h[1] & 1);
    f.bitrate = kBitrates[h[2] >> 4];
    f.sampleRate = kRates[(h[2] >> 2) & 3];
    if (!f.bitrate || !f.sampleRate) return frames;
    f.privateBit = h[2] & 1;
    f.mode = h[3] >> 6;
    f.copyright = h[3] & 8;
    f.original = h[3] & 4;
    f.length = 144 * f.bitrate * 1000 / f.sampleRate + ((h[2] >> 1) & 1);
    if (at + f.length > data.size()) return frames;
    frames.push_back(f);
    at += f.length;
  }
  *whole = at == data.size();
  return frames;
}

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(HostFolder(path), std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
void WriteFile(const std::string& path, const std::vector<uint8_t>& data) {
  std::ofstream out(HostFolder(path), std::ios::binary);
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

uint32_t BigEndian32(const uint8_t* p) { return uint32_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]; }

// A stand-in from bin\fakes\<variant>\, loaded by its full path and freed at
// the end of the test.
class Preloaded {
 public:
  Preloaded(const char* variant, const char* name) {
    path_ = ProgramFolder() + "fakes\\" + variant + "\\" + name;
    module_ = LoadLibraryA(path_.c_str());
  }
  ~Preloaded() {
    if (module_) FreeLibrary(module_);
  }
  HMODULE module() const { return module_; }
  const std::string& path() const { return path_; }
  void Release() {
    if (module_) FreeLibrary(module_);
    module_ = nullptr;
  }

 private:
  std::string path_;
  HMODULE module_ = nullptr;
};

class EncoderBinding : public ::testing::Test {
 protected:
  void SetUp() override {
    // Every test starts with neither library in the process, so that a
    // module left loaded by an earlier test cannot answer for this one.
    ASSERT_EQ(GetModuleHandleA("LAME_ENC.DLL"), nullptr);
    ASSERT_EQ(GetModuleHandleA("BLADEENC.DLL"), nullptr);
    SetEnvironmentVariableA("CANTARO_FAKE_ENCODER", nullptr);
    SetEnvironmentVariableA("CANTARO_FAKE_ENCODER_LOG", nullptr);
  }
  void TearDown() override {
    binding.Unload();
    SetEnvironmentVariableA("CANTARO_FAKE_ENCODER", nullptr);
    SetEnvironmentVariableA("CANTARO_FAKE_ENCODER_LOG", nullptr);
  }

  CEncoderBinding binding;
};

using EncoderLibrary = EncoderBinding;

TEST_F(EncoderBinding, LameEncIsFoundNextToTheProgramAndBindsAllSix) {
  ASSERT_TRUE(binding.LoadEncoder(1));
  EXPECT_TRUE(binding.IsBound());
  EXPECT_TRUE(AllBound(binding.Entries()));
  EXPECT_TRUE(SameFolder(LoadedFrom("LAME_ENC.DLL"), ProgramFolder())) << LoadedFrom("LAME_ENC.DLL");
  EXPECT_EQ(GetModuleHandleA("BLADEENC.DLL"), nullptr);

  binding.Unload();
  EXPECT_FALSE(binding.IsBound());
  EXPECT_TRUE(NoneBound(binding.Entries()));
  EXPECT_EQ(GetModuleHandleA("LAME_ENC.DLL"), nullptr) << "Unload must release the library";
}

TEST_F(EncoderBinding, BladeEncIsFoundTheSameWay) {
  ASSERT_TRUE(binding.LoadEncoder(0));
  EXPECT_TRUE(AllBound(binding.Entries()));
  EXPECT_TRUE(SameFolder(LoadedFrom("BLADEENC.DLL"), ProgramFolder())) << LoadedFrom("BLADEENC.DLL");
  EXPECT_EQ(GetModuleHandleA("LAME_ENC.DLL"), nullptr);
}

TEST_F(EncoderBinding, IndicesOtherThanTheTwoLibrariesBindNothing) {
  EXPECT_FALSE(binding.LoadEncoder(2));
  EXPECT_FALSE(binding.LoadEncoder(-1));
  EXPECT_FALSE(binding.IsBound());
  EXPECT_TRUE(NoneBound(binding.Entries()));
}

TEST_F(EncoderBinding, LibraryWithoutBeVersionIsRefusedAndReleased) {
  Preloaded fake("no_version", "LAME_ENC.DLL");
  ASSERT_NE(fake.module(), nullptr) << fake.path();
  ASSERT_NE(GetProcAddress(fake.module(), "beInitStream"), nullptr);
  ASSERT_EQ(GetProcAddress(fake.module(), "beVersion"), nullptr);

  EXPECT_FALSE(binding.LoadEncoder(1));
  EXPECT_FALSE(binding.IsBound());
  EXPECT_TRUE(NoneBound(binding.Entries()));
  // The refused library was the stand-in, and the binding let go of it.
  EXPECT_EQ(GetModuleHandleA("LAME_ENC.DLL"), fake.module());
  fake.Release();
  EXPECT_EQ(GetModuleHandleA("LAME_ENC.DLL"), nullptr) << "LoadEncoder kept a reference to the refused library";
}

TEST_F(EncoderBinding, BladeEncWithoutBeVersionIsRefusedToo) {
  Preloaded fake("no_version", "BLADEENC.DLL");
  ASSERT_NE(fake.module(), nullptr) << fake.path();
  EXPECT_FALSE(binding.LoadEncoder(0));
  EXPECT_FALSE(binding.IsBound());
  EXPECT_TRUE(NoneBound(binding.Entries()));
  fake.Release();
  EXPECT_EQ(GetModuleHandleA("BLADEENC.DLL"), nullptr);
}

TEST_F(EncoderBinding, VbrHeaderEntryIsOptional) {
  Preloaded fake("no_vbr_header", "LAME_ENC.DLL");
  ASSERT_NE(fake.module(), nullptr) << fake.path();
  ASSERT_TRUE(binding.LoadEncoder(1));
  const ENCODER_ENTRY_POINTS& e = binding.Entries();
  EXPECT_TRUE(e.beInitStream && e.beEncodeChunk && e.beDeinitStream && e.beCloseStream && e.beVersion);
  EXPECT_EQ(e.beWriteVBRHeader, nullptr);
  binding.Unload();
}

TEST_F(EncoderLibrary, LameReportsItsVersion) {
  ASSERT_TRUE(binding.LoadEncoder(1));
  uint8_t record[kEncoderVersionBytes + 16];
  memset(record, 0xCC, sizeof(record));
  binding.Entries().beVersion(record);
  for (size_t i = kEncoderVersionBytes; i < sizeof(record); ++i)
    ASSERT_EQ(record[i], 0xCC) << "beVersion wrote past the 265-byte record at " << i;
  BE_VERSION v;
  memcpy(&v, record, sizeof(v));
  std::string homePage(v.zHomepage, strnlen(v.zHomepage, sizeof(v.zHomepage)));
  std::cout << "LAME_ENC.DLL, Version " << int(v.byMajorVersion) << "." << int(v.byMinorVersion) << " (DLL "
            << int(v.byDLLMajorVersion) << "." << int(v.byDLLMinorVersion) << ", " << int(v.byDay) << "."
            << int(v.byMonth) << "." << v.wYear << ", " << homePage << ")\n";
  EXPECT_EQ(v.byMajorVersion, 3);     // LAME 3.x
  EXPECT_GE(v.byMinorVersion, 100);   // Debian 12 ships 3.100
  EXPECT_EQ(v.byDLLMajorVersion, 1);  // LAME's BladeEnc-interface DLL, 1.x
  EXPECT_GE(v.byDay, 1);
  EXPECT_LE(v.byDay, 31);
  EXPECT_GE(v.byMonth, 1);
  EXPECT_LE(v.byMonth, 12);
  EXPECT_GE(v.wYear, 2017);  // the package's release date, not the build's
  EXPECT_EQ(homePage.rfind("http://", 0), 0u) << homePage;
}

TEST_F(EncoderLibrary, LameFormRoundTrip) {
  ASSERT_TRUE(binding.LoadEncoder(1));
  const ENCODER_ENTRY_POINTS& e = binding.Entries();
  CAppSettings s;
  s.StereoMode = 1;  // mode value 2
  s.BitRate = 8;     // 128 kbit/s
  s.Private = 1;
  s.Copyright = 0;
  s.Original = 1;
  BE_CONFIG config;
  FillEncoderConfig(1, JobOptionsFromSettings(s).encoding, config);
  ASSERT_EQ(config.format.LHV1.nMode, 2);

  const std::vector<int16_t> pcm = Tone(3.0);
  Encoded r = Encode(e, config, pcm);
  ASSERT_EQ(r.init, 0u);
  EXPECT_EQ(r.samples, 2304u);     // one MPEG-1 frame of both channels
  EXPECT_GE(r.bufferSize, 1441u);  // room for the largest 128 kbit/s frame
  EXPECT_TRUE(r.chunksOk);
  EXPECT_TRUE(r.fitBuffer);
  EXPECT_EQ(r.deinit, 0u);
  EXPECT_EQ(r.close, 0u);

  const std::string path = MakeTestFolder("encoder-lame") + "tone.mp3";
  WriteFile(path, r.mp3);
  // No VBR header was asked for, so there is none to write.
  EXPECT_NE(e.beWriteVBRHeader(path.c_str()), 0u);
  const std::vector<uint8_t> data = ReadFile(path);
  ASSERT_EQ(data, r.mp3) << "beWriteVBRHeader changed a file without a header frame";

  ASSERT_GE(data.size(), 4u);
  EXPECT_EQ(data[0], 0xFF);
  EXPECT_EQ(data[1], 0xFB);
  bool whole = false;
  std::vector<Frame> frames = Frames(data, &whole);
  EXPECT_TRUE(whole) << "frames stop at byte " << (frames.empty() ? 0 : frames.back().offset + frames.back().length)
                     << " of " << data.size();
  // 3 s are 114.8 frames of 1152 samples, plus the encoder's delay and padding.
  EXPECT_GE(frames.size(), 115u);
  EXPECT_LE(frames.size(), 119u);
  for (const Frame& f : frames) {
    EXPECT_EQ(f.bitrate, 128) << f.offset;
    EXPECT_EQ(f.sampleRate, 44100) << f.offset;
    EXPECT_EQ(f.mode, 2) << f.offset;  // the interface's mode value 2 is dual channel
    EXPECT_FALSE(f.crc);
    EXPECT_TRUE(f.privateBit);
    EXPECT_FALSE(f.copyright);
    EXPECT_TRUE(f.original);
    if (HasFailure()) break;
  }
  std::cout << "encoded 3 s of tone into " << data.size() << " bytes, " << frames.size() << " frames\n";
}

TEST_F(EncoderLibrary, PlainFormThroughBladeEncReadsEveryField) {
  // The plain form packs a byte and a 16-bit bit rate at offsets 8 and 9;
  // a library that read them aligned would see another bit rate.
  ASSERT_TRUE(binding.LoadEncoder(0));
  CAppSettings s;
  s.StereoMode = 0;
  s.BitRate = 10;  // 192 kbit/s
  s.Private = 0;
  s.Copyright = 1;
  s.Original = 0;
  BE_CONFIG config;
  FillEncoderConfig(0, JobOptionsFromSettings(s).encoding, config);
  Encoded r = Encode(binding.Entries(), config, Tone(1.0));
  ASSERT_EQ(r.init, 0u);
  EXPECT_EQ(r.samples, 2304u);
  EXPECT_TRUE(r.chunksOk);
  EXPECT_EQ(r.deinit, 0u);
  EXPECT_EQ(r.close, 0u);
  bool whole = false;
  std::vector<Frame> frames = Frames(r.mp3, &whole);
  EXPECT_TRUE(whole);
  ASSERT_GE(frames.size(), 38u);  // 1 s is 38.3 frames
  for (const Frame& f : frames) {
    EXPECT_EQ(f.bitrate, 192) << f.offset;
    EXPECT_EQ(f.mode, 0) << f.offset;  // stereo
    EXPECT_FALSE(f.privateBit);
    EXPECT_TRUE(f.copyright);
    EXPECT_FALSE(f.original);
    if (HasFailure()) break;
  }
}

TEST_F(EncoderLibrary, VbrHeaderIsWrittenIntoTheClosedFile) {
  ASSERT_TRUE(binding.LoadEncoder(1));
  const ENCODER_ENTRY_POINTS& e = binding.Entries();
  CAppSettings s;
  s.EnableVBR = 1;
  s.WriteVBRHeader = 1;
  s.BitRate = 0;      // VBR between 32
  s.MaxBitRate = 13;  // and 320 kbit/s
  BE_CONFIG config;
  FillEncoderConfig(1, JobOptionsFromSettings(s).encoding, config);
  ASSERT_EQ(config.format.LHV1.bWriteVBRHeader, 1);

  // Silence, then tone: a VBR encoder spends very different sizes on them.
  Encoded r = Encode(e, config, Tone(4.0, 2.0));
  ASSERT_EQ(r.init, 0u);
  EXPECT_TRUE(r.chunksOk);
  EXPECT_EQ(r.deinit, 0u);
  EXPECT_EQ(r.close, 0u);
  bool whole = false;
  std::vector<Frame> frames = Frames(r.mp3, &whole);
  EXPECT_TRUE(whole);
  ASSERT_GE(frames.size(), 150u);
  std::set<int> bitrates;
  for (const Frame& f : frames) bitrates.insert(f.bitrate);
  EXPECT_GE(bitrates.size(), 2u) << "constant bit rate despite VBR";

  // The first frame is kept free for the header (32 bytes of side
  // information follow the 4-byte frame header in MPEG-1 stereo).
  ASSERT_GT(frames[0].length, 36u + 12u);
  EXPECT_EQ(memcmp(&r.mp3[36], "Xing", 4) == 0, false) << "header present before beWriteVBRHeader";

  const std::string path = MakeTestFolder("encoder-vbr") + "vbr.mp3";
  WriteFile(path, r.mp3);
  ASSERT_EQ(e.beWriteVBRHeader(path.c_str()), 0u);
  const std::vector<uint8_t> data = ReadFile(path);
  ASSERT_EQ(data.size(), r.mp3.size()) << "the header replaces the first frame in place";
  EXPECT_TRUE(std::equal(data.begin() + frames[0].length, data.end(), r.mp3.begin() + frames[0].length))
      << "beWriteVBRHeader touched more than the first frame";
  ASSERT_EQ(memcmp(&data[36], "Xing", 4), 0);
  const uint32_t flags = BigEndian32(&data[40]);
  ASSERT_TRUE(flags & 1) << "no frame count";
  ASSERT_TRUE(flags & 2) << "no byte count";
  EXPECT_EQ(BigEndian32(&data[44]), frames.size() - 1) << "audio frames after the header frame";
  EXPECT_EQ(BigEndian32(&data[48]), data.size());
}

TEST_F(EncoderLibrary, VbrHeaderNeedsTheStreamClosedFirst) {
  // LAME's DLL keeps the stream for the header only once beCloseStream has
  // run; asked earlier it has nothing to write and leaves the file alone.
  ASSERT_TRUE(binding.LoadEncoder(1));
  const ENCODER_ENTRY_POINTS& e = binding.Entries();
  CAppSettings s;
  s.EnableVBR = 1;
  s.WriteVBRHeader = 1;
  BE_CONFIG config;
  FillEncoderConfig(1, JobOptionsFromSettings(s).encoding, config);
  HBE_STREAM stream = 0;
  Encoded r = Encode(e, config, Tone(1.0), &stream);
  ASSERT_EQ(r.init, 0u);
  const std::string path = MakeTestFolder("encoder-vbr-order") + "early.mp3";
  WriteFile(path, r.mp3);
  EXPECT_NE(e.beWriteVBRHeader(path.c_str()), 0u);
  EXPECT_EQ(ReadFile(path), r.mp3);
  EXPECT_EQ(e.beCloseStream(stream), 0u);
  EXPECT_EQ(e.beWriteVBRHeader(path.c_str()), 0u);
  EXPECT_EQ(memcmp(&ReadFile(path)[36], "Xing", 4), 0);
}

TEST_F(EncoderLibrary, EmptyInputStillFlushes) {
  ASSERT_TRUE(binding.LoadEncoder(1));
  const ENCODER_ENTRY_POINTS& e = binding.Entries();
  BE_CONFIG config;
  FillEncoderConfig(1, JobOptionsFromSettings(CAppSettings()).encoding, config);
  uint32_t samples = 0, bufferSize = 0;
  HBE_STREAM stream = 0;
  ASSERT_EQ(e.beInitStream(&config, &samples, &bufferSize, &stream), 0u);
  std::vector<uint8_t> out(bufferSize);
  int16_t none[2] = {};
  uint32_t produced = 123;
  EXPECT_EQ(e.beEncodeChunk(stream, 0, none, out.data(), &produced), 0u);  // the final chunk of a 44-byte WAV
  EXPECT_EQ(produced, 0u);
  EXPECT_EQ(e.beDeinitStream(stream, out.data(), &produced), 0u);
  EXPECT_LE(produced, bufferSize);
  out.resize(produced);
  bool whole = false;
  Frames(out, &whole);
  EXPECT_TRUE(whole) << "a flush of nothing is nothing or whole frames";
  EXPECT_EQ(e.beCloseStream(stream), 0u);
}

TEST_F(EncoderLibrary, ScriptedFakeFailsOnDemandAndKeepsATrace) {
  Preloaded fake("scripted", "LAME_ENC.DLL");
  ASSERT_NE(fake.module(), nullptr) << fake.path();
  ASSERT_TRUE(binding.LoadEncoder(1));
  const ENCODER_ENTRY_POINTS& e = binding.Entries();
  ASSERT_TRUE(AllBound(e));
  BE_VERSION v = {};
  e.beVersion(&v);
  ASSERT_EQ(v.byDLLMajorVersion, 9) << "the real library answered, not the stand-in";

  const std::string folder = MakeTestFolder("encoder-fake");
  const std::string log = folder + "calls.log";
  SetEnvironmentVariableA("CANTARO_FAKE_ENCODER_LOG", log.c_str());
  BE_CONFIG config;
  FillEncoderConfig(1, JobOptionsFromSettings(CAppSettings()).encoding, config);
  uint32_t samples = 0, bufferSize = 0;
  HBE_STREAM stream = 0;

  SetEnvironmentVariableA("CANTARO_FAKE_ENCODER", "init=2");
  EXPECT_EQ(e.beInitStream(&config, &samples, &bufferSize, &stream), 2u);

  SetEnvironmentVariableA("CANTARO_FAKE_ENCODER", "chunk=3,samples=6,buffer=64");
  ASSERT_EQ(e.beInitStream(&config, &samples, &bufferSize, &stream), 0u);
  EXPECT_EQ(samples, 6u);
  EXPECT_EQ(bufferSize, 64u);
  const int16_t pcm[6] = {1, 2, 3, 4, 5, -1};
  uint8_t out[64];
  uint32_t produced = 0;
  ASSERT_EQ(e.beEncodeChunk(stream, 6, pcm, out, &produced), 0u);
  ASSERT_EQ(produced, 8u);
  EXPECT_EQ(memcmp(out, "CHNK\x06\0\0\0", 8), 0);
  EXPECT_EQ(e.beEncodeChunk(stream, 2, pcm, out, &produced), 0u);
  EXPECT_NE(e.beEncodeChunk(stream, 6, pcm, out, &produced), 0u);
  EXPECT_EQ(produced, 0u);
  EXPECT_EQ(e.beDeinitStream(stream, out, &produced), 0u);
  EXPECT_EQ(memcmp(out, "DONE", 4), 0);
  EXPECT_EQ(e.beCloseStream(stream), 0u);
  EXPECT_EQ(e.beCloseStream(stream), 4u);  // a second close is caught

  SetEnvironmentVariableA("CANTARO_FAKE_ENCODER", "deinit");
  ASSERT_EQ(e.beInitStream(&config, &samples, &bufferSize, &stream), 0u);
  EXPECT_EQ(samples, 2304u);
  EXPECT_NE(e.beDeinitStream(stream, out, &produced), 0u);
  EXPECT_EQ(e.beCloseStream(stream), 0u);

  const std::string mp3 = folder + "out.mp3";
  WriteFile(mp3, {'a', 'b', 'c', 'd', 'e'});
  SetEnvironmentVariableA("CANTARO_FAKE_ENCODER", "vbr");
  EXPECT_NE(e.beWriteVBRHeader(mp3.c_str()), 0u);
  EXPECT_EQ(ReadFile(mp3), (std::vector<uint8_t>{'a', 'b', 'c', 'd', 'e'}));
  SetEnvironmentVariableA("CANTARO_FAKE_ENCODER", nullptr);
  EXPECT_EQ(e.beWriteVBRHeader(mp3.c_str()), 0u);
  EXPECT_EQ(ReadFile(mp3), (std::vector<uint8_t>{'V', 'B', 'R', 'H', 'e'}));

  std::vector<uint8_t> trace = ReadFile(log);
  EXPECT_EQ(std::string(trace.begin(), trace.end()),
            "beInitStream failed 2\n"
            "beInitStream 1 config 256\n"
            "beEncodeChunk 1 6 sum 14\n"
            "beEncodeChunk 1 2 sum 3\n"
            "beEncodeChunk 1 6 sum 14\n"
            "beDeinitStream 1\n"
            "beCloseStream 1\n"
            "beCloseStream 1 invalid\n"
            "beInitStream 2 config 256\n"
            "beDeinitStream 2\n"
            "beCloseStream 2\n"
            "beWriteVBRHeader " +
                mp3 +
                "\n"
                "beWriteVBRHeader " +
                mp3 + "\n");
}

}  // namespace
