#include "jobs/mp3_verification.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "jobs/mpeg/mpeg_decoder.h"
#include "jobs/wav_file.h"
#include "platform/file.h"
#include "platform/text.h"

namespace {

constexpr size_t kInputBytes = 32768;
constexpr size_t kWaveBufferFrames = 8192;
constexpr uint32_t kAbortPollFrames = 30;
// Mean square below which a channel counts as quiet (RMS 8, -72 dBFS):
// its SNR says nothing, so only its noise is held against it.
constexpr double kQuietMeanSquare = 64.0;
// A window is one second of the source.
constexpr uint32_t kWindowFrames = 44100;
constexpr double kWindowMarginDb = 4.0;
// Samples of a stream whose header states no delay and padding may run past
// the source's by the encoder's delay, its padding (less than two frames)
// and the decoder's delay.
constexpr uint32_t kLayer3FrameSamples = 1152;

constexpr const char* kVerifiedLine = "(%s) %s";

double Decibels(double signal, double noise) {
  if (noise <= 0) return kMaxReportedSnrDb;
  if (signal <= 0) return -kMaxReportedSnrDb;
  return std::clamp(10.0 * std::log10(signal / noise), -kMaxReportedSnrDb, kMaxReportedSnrDb);
}

// What a LAME tag in the first frame states.
struct STREAM_TAG {
  bool present = false;  // a "Xing" or "Info" frame, which holds no audio
  bool delays = false;   // the LAME extension with delay and padding
  uint32_t delay = 0;
  uint32_t padding = 0;
};

// Side information bytes of a Layer III frame, by version and channels.
size_t SideInfoBytes(const MPEG_HEADER& header) {
  bool mono = header.mode == 3;
  if (header.id == 1) return mono ? 17 : 32;
  return mono ? 9 : 17;
}

STREAM_TAG ReadStreamTag(const uint8_t* frame, size_t length, const MPEG_HEADER& header) {
  STREAM_TAG tag;
  if (header.layerCode != 1) return tag;
  size_t at = 4 + (header.protection == 0 ? 2 : 0) + SideInfoBytes(header);
  if (at + 8 > length) return tag;
  if (std::memcmp(frame + at, "Xing", 4) != 0 && std::memcmp(frame + at, "Info", 4) != 0) return tag;
  tag.present = true;
  uint32_t flags = static_cast<uint32_t>(frame[at + 4]) << 24 | static_cast<uint32_t>(frame[at + 5]) << 16 |
                   static_cast<uint32_t>(frame[at + 6]) << 8 | frame[at + 7];
  size_t lame = at + 8 + (flags & 1 ? 4 : 0) + (flags & 2 ? 4 : 0) + (flags & 4 ? 100 : 0) + (flags & 8 ? 4 : 0);
  // The LAME extension: encoder name (9 bytes), then at 21 three bytes of
  // 12-bit delay and 12-bit padding.
  if (lame + 24 > length || std::memcmp(frame + lame, "LAME", 4) != 0) return tag;
  const uint8_t* d = frame + lame + 21;
  tag.delays = true;
  tag.delay = static_cast<uint32_t>(d[0]) << 4 | d[1] >> 4;
  tag.padding = static_cast<uint32_t>(d[1] & 0x0F) << 8 | d[2];
  return tag;
}

class CFileBytes : public IMpegByteSource {
 public:
  explicit CFileBytes(CFile& file) : file_(file) {}
  size_t ReadAt(int64_t offset, uint8_t* buffer, size_t count) override {
    return file_.Seek(offset) ? file_.Read(buffer, count) : 0;
  }

 private:
  CFile& file_;
};

class CMp3Comparison {
 public:
  CMp3Comparison(const std::string& mp3Path, const std::string& wavPath, IJobReport& report)
      : mp3Path_(mp3Path), wavPath_(wavPath), report_(report) {}
  MP3_VERIFICATION Run();

 private:
  bool Fail(const std::string& problem) {
    result_.problem = problem;
    return false;
  }
  bool OpenWave();
  bool OpenMp3();
  bool Refill();
  bool DecodeAll();
  void CompareSamples(const int16_t* pcm, size_t frames);
  bool NextSourceFrame(int16_t source[2]);
  void CloseWindow();
  bool Judge();

  const std::string mp3Path_, wavPath_;
  IJobReport& report_;
  MP3_VERIFICATION result_;

  CFile wav_, mp3_;
  WAVE_INPUT wave_;
  uint64_t sourceFrames_ = 0, sourceRead_ = 0;
  std::vector<int16_t> waveBuffer_;
  size_t waveAt_ = 0, waveHeld_ = 0;

  CMpegDecoder decoder_;
  MPEG_HEADER header_;
  STREAM_TAG tag_;
  uint32_t channels_ = 0;
  uint32_t sampleRate_ = 0;
  std::vector<uint8_t> in_;
  size_t inAt_ = 0, inHeld_ = 0;
  bool inEnded_ = false;
  size_t leastFrame_ = 0;
  uint64_t audioBytes_ = 0;
  uint64_t decodedFrames_ = 0;  // sample frames decoded, delay included
  uint64_t toSkip_ = 0;

  double signal_[2] = {}, noise_[2] = {}, decoded_[2] = {};
  double swappedNoise_ = 0;
  double windowSignal_ = 0, windowNoise_ = 0;
  uint32_t windowFrames_ = 0, window_ = 0;
  double worstWindowDb_ = kMaxReportedSnrDb;
  uint32_t worstWindow_ = 0;
};

bool CMp3Comparison::OpenWave() {
  if (!wav_.Open(wavPath_, CFile::Mode::Read)) return Fail("the WAV file cannot be opened");
  if (!AcceptWaveInput(wav_, wavPath_, report_, wave_, WaveRequirement::Pcm16) || wave_.channels > 2)
    return Fail("the WAV file is not 16-bit PCM of one or two channels");
  sourceFrames_ = wave_.dataBytes / (2u * wave_.channels);
  waveBuffer_.resize(kWaveBufferFrames * wave_.channels);
  return true;
}

bool CMp3Comparison::Refill() {
  if (inHeld_ >= static_cast<size_t>(kMpegMaxFrameBytes) + 4 || inEnded_) return true;
  std::memmove(in_.data(), in_.data() + inAt_, inHeld_);
  inAt_ = 0;
  size_t want = in_.size() - inHeld_;
  size_t got = mp3_.Read(in_.data() + inHeld_, want);
  inHeld_ += got;
  inEnded_ = got < want;
  return true;
}

bool CMp3Comparison::OpenMp3() {
  if (!mp3_.Open(mp3Path_, CFile::Mode::Read)) return Fail("the MP3 file cannot be opened");
  // The first frame is looked for as the decoding step looks: past an
  // ID3v2 tag and any junk.
  CFileBytes source(mp3_);
  int64_t size = std::max<int64_t>(mp3_.Size(), 0);
  int64_t first = FindFirstFrame(source, size);
  if (first >= size || !mp3_.Seek(first)) return Fail("no MPEG audio found");
  in_.resize(kInputBytes);
  inAt_ = 0;
  inHeld_ = mp3_.Read(in_.data(), in_.size());
  inEnded_ = inHeld_ < in_.size();
  int32_t bitRate = 0;
  int32_t length = ParseFrameHeader(in_.data() + inAt_, inHeld_, header_, bitRate);
  if (length <= 0 || static_cast<size_t>(length) > inHeld_) return Fail("no MPEG audio found");
  if (!decoder_.Init(header_, length, 0, 0, kMpegChannelsKeep, 24000)) return Fail("no MPEG audio found");
  MPEG_OUTPUT_FORMAT format;
  decoder_.GetOutputFormat(format);
  channels_ = static_cast<uint32_t>(std::clamp(format.channels, 0, 2));
  sampleRate_ = static_cast<uint32_t>(std::max(format.sampleRate, 0));
  leastFrame_ = static_cast<size_t>(length) - (header_.padding ? (header_.layerCode == 3 ? 4 : 1) : 0);
  if (sampleRate_ != wave_.rate) return Fail(Format("sampling rate %u Hz, the WAV has %u Hz", sampleRate_, wave_.rate));
  if (channels_ == 0 || channels_ > wave_.channels)
    return Fail(Format("%u channels for a WAV of %u", channels_, wave_.channels));
  tag_ = ReadStreamTag(in_.data() + inAt_, static_cast<size_t>(length), header_);
  if (tag_.present) {
    inAt_ += static_cast<size_t>(length);
    inHeld_ -= static_cast<size_t>(length);
  }
  uint32_t encoderDelay = tag_.delays ? tag_.delay : kLameEncoderDelay;
  toSkip_ = encoderDelay + (header_.layerCode == 1 ? kLayer3DecoderDelay : 0);
  return true;
}

bool CMp3Comparison::NextSourceFrame(int16_t source[2]) {
  if (waveAt_ == waveHeld_) {
    uint64_t left = sourceFrames_ - sourceRead_;
    size_t frames = static_cast<size_t>(std::min<uint64_t>(left, kWaveBufferFrames));
    if (frames == 0) return false;
    size_t bytes = frames * 2 * wave_.channels;
    if (wav_.Read(waveBuffer_.data(), bytes) != bytes) {
      sourceFrames_ = sourceRead_;  // what could not be read is not compared
      return false;
    }
    waveAt_ = 0;
    waveHeld_ = frames;
  }
  const int16_t* s = waveBuffer_.data() + waveAt_ * wave_.channels;
  source[0] = s[0];
  source[1] = wave_.channels == 2 ? s[1] : s[0];
  ++waveAt_;
  ++sourceRead_;
  return true;
}

void CMp3Comparison::CloseWindow() {
  uint32_t samples = windowFrames_ * channels_;
  if (samples && windowSignal_ / samples >= kQuietMeanSquare) {
    double db = Decibels(windowSignal_, windowNoise_);
    if (db < worstWindowDb_) {
      worstWindowDb_ = db;
      worstWindow_ = window_;
    }
  }
  windowSignal_ = windowNoise_ = 0;
  windowFrames_ = 0;
  ++window_;
}

void CMp3Comparison::CompareSamples(const int16_t* pcm, size_t frames) {
  for (size_t f = 0; f < frames; ++f) {
    int16_t source[2];
    if (!NextSourceFrame(source)) return;
    const int16_t* out = pcm + f * channels_;
    double expected[2] = {static_cast<double>(source[0]), static_cast<double>(source[1])};
    // A mono stream of a stereo source carries the mix of both.
    if (channels_ == 1 && wave_.channels == 2) expected[0] = (expected[0] + expected[1]) / 2;
    for (uint32_t c = 0; c < channels_; ++c) {
      double error = expected[c] - out[c];
      signal_[c] += expected[c] * expected[c];
      noise_[c] += error * error;
      decoded_[c] += static_cast<double>(out[c]) * out[c];
      windowSignal_ += expected[c] * expected[c];
      windowNoise_ += error * error;
    }
    if (channels_ == 2) {
      double a = expected[0] - out[1], b = expected[1] - out[0];
      swappedNoise_ += a * a + b * b;
    }
    if (++windowFrames_ == kWindowFrames) CloseWindow();
  }
}

bool CMp3Comparison::DecodeAll() {
  std::vector<uint8_t> pcm(kMpegMaxFrameOutputBytes);
  for (uint32_t frames = 0;; ++frames) {
    if (frames % kAbortPollFrames == 0 && report_.AbortRequested()) {
      result_.cancelled = true;
      return Fail("cancelled");
    }
    Refill();
    if (inHeld_ < leastFrame_ || inHeld_ < 4) break;
    uint64_t decoded = decoder_.DecodeFrame(in_.data() + inAt_, inHeld_, pcm.data(), pcm.size());
    int32_t consumed = DecodedBytesConsumed(decoded);
    int32_t produced = DecodedBytesProduced(decoded);
    if (consumed <= 0 || static_cast<size_t>(consumed) > inHeld_ || produced < 0 ||
        static_cast<size_t>(produced) > pcm.size())
      break;  // the end of the audio: a tag, junk or the end of the file
    inAt_ += static_cast<size_t>(consumed);
    inHeld_ -= static_cast<size_t>(consumed);
    audioBytes_ += static_cast<uint64_t>(consumed);
    size_t count = static_cast<size_t>(produced) / (2 * channels_);
    decodedFrames_ += count;
    const int16_t* samples = reinterpret_cast<const int16_t*>(pcm.data());
    size_t skip = static_cast<size_t>(std::min<uint64_t>(toSkip_, count));
    toSkip_ -= skip;
    CompareSamples(samples + skip * channels_, count - skip);
  }
  if (windowFrames_) CloseWindow();
  return true;
}

bool CMp3Comparison::Judge() {
  uint64_t delay = (tag_.delays ? tag_.delay : kLameEncoderDelay) + (header_.layerCode == 1 ? kLayer3DecoderDelay : 0);
  if (decodedFrames_ == 0) return Fail("no MPEG audio found");
  unsigned long long decoded = decodedFrames_;
  unsigned long long least = sourceFrames_ + delay;
  if (sourceRead_ < sourceFrames_ || decoded < least)
    return Fail(Format("too short: %llu samples decoded, at least %llu expected", decoded, least));
  uint64_t extra = decodedFrames_ - sourceFrames_;
  uint64_t allowed = tag_.delays ? tag_.delay + tag_.padding : delay + 2 * kLayer3FrameSamples;
  unsigned long long most = sourceFrames_ + allowed;
  if (tag_.delays && extra != allowed)
    return Fail(Format("%llu samples decoded, the LAME tag says %llu", decoded, most));
  if (extra > allowed) return Fail(Format("too long: %llu samples decoded, at most %llu expected", decoded, most));
  double samples = static_cast<double>(sourceFrames_);
  static const char* const kNames[2] = {"left", "right"};
  for (uint32_t c = 0; c < channels_; ++c) {
    bool quietSource = samples == 0 || signal_[c] / samples < kQuietMeanSquare;
    if (quietSource) {
      if (samples > 0 && noise_[c] / samples >= kQuietMeanSquare)
        return Fail(Format("the %s channel holds sound where the WAV is silent", kNames[c]));
      continue;
    }
    if (decoded_[c] < signal_[c] / 100)
      return Fail(Format("the %s channel is silent", channels_ == 2 ? kNames[c] : "only"));
  }
  double signal = signal_[0] + signal_[1], noise = noise_[0] + noise_[1];
  if (channels_ == 2 && swappedNoise_ * 4 < noise) return Fail("the left and right channels are swapped");
  result_.snrDb = Decibels(signal, noise);
  uint32_t kbit = static_cast<uint32_t>(
      static_cast<double>(audioBytes_) * 8 * sampleRate_ / static_cast<double>(decodedFrames_) / 1000 + 0.5);
  double floor = SnrFloorDb(kbit);
  bool quiet = samples == 0 || signal / (samples * channels_) < kQuietMeanSquare;
  if (!quiet && result_.snrDb < floor)
    return Fail(Format("SNR %.1f dB, below the floor of %.1f dB for %u kbit/s", result_.snrDb, floor, kbit));
  if (worstWindowDb_ < floor - kWindowMarginDb)
    return Fail(Format("SNR %.1f dB at %02u:%02u, below the floor of %.1f dB for %u kbit/s", worstWindowDb_,
                       worstWindow_ / 60, worstWindow_ % 60, floor - kWindowMarginDb, kbit));
  return true;
}

MP3_VERIFICATION CMp3Comparison::Run() {
  try {
    result_.passed = OpenWave() && OpenMp3() && DecodeAll() && Judge();
  } catch (const std::bad_alloc&) {
    result_.passed = false;
    result_.problem = "out of memory";
  }
  return result_;
}

}  // namespace

double SnrFloorDb(uint32_t kbitPerSecond) {
  // LAME reaches about 25 dB at 128 kbit/s and 43 dB at 320 on music; a
  // lost channel gives 0 dB and a stream out of step with its source less.
  if (kbitPerSecond < 96) return 4.0;
  if (kbitPerSecond < 160) return 7.0;
  if (kbitPerSecond < 256) return 10.0;
  return 13.0;
}

MP3_VERIFICATION VerifyMp3AgainstWave(const std::string& mp3Path, const std::string& wavPath, IJobReport& report) {
  CMp3Comparison comparison(mp3Path, wavPath, report);
  return comparison.Run();
}

void VerifyEncodedFile(CJob& job, const std::string& name, const std::string& mp3Path, const std::string& wavPath) {
  MP3_VERIFICATION result = VerifyMp3AgainstWave(mp3Path, wavPath, *job.report);
  if (result.cancelled) {
    LogCancelled(job);  // the MP3 is whole: only the job ends
    return;
  }
  std::string text = result.passed ? Format("%s verified (SNR %.1f dB)", name.c_str(), result.snrDb)
                                   : name + " NOT verified: " + result.problem;
  job.report->Log(JobLine(kVerifiedLine, text));
}
