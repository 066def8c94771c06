#include "cdrom/virtual/disc_image_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "cdrom/virtual/cue_sheet.h"
#include "cdrom/virtual/image_file.h"

namespace {

constexpr uint32_t kSamplesPerFrame = kImageFrameBytes / 4;  // stereo 16-bit
constexpr double kSampleRate = 44100.0;
constexpr double kTwoPi = 6.283185307179586;
constexpr uint32_t kWriteChunkFrames = 75;

int16_t ToSample(double value) {
  double scaled = std::round(value * 32767.0);
  return static_cast<int16_t>(std::clamp(scaled, -32767.0, 32767.0));
}

void PutSample(uint8_t* at, int16_t left, int16_t right) {
  at[0] = static_cast<uint8_t>(left);
  at[1] = static_cast<uint8_t>(static_cast<uint16_t>(left) >> 8);
  at[2] = static_cast<uint8_t>(right);
  at[3] = static_cast<uint8_t>(static_cast<uint16_t>(right) >> 8);
}

// A hash of the seed and the sample's position, so that noise can be
// rendered from any frame on and still match.
uint32_t Mix(uint32_t seed, uint64_t position) {
  uint64_t x = position * 0x9E3779B97F4A7C15ull + seed * 0xBF58476D1CE4E5B9ull + 0x94D049BB133111EBull;
  x ^= x >> 30;
  x *= 0xBF58476D1CE4E5B9ull;
  x ^= x >> 27;
  x *= 0x94D049BB133111EBull;
  x ^= x >> 31;
  return static_cast<uint32_t>(x);
}

// ---- The demo's music -----------------------------------------------------

struct TUNE {
  double bpm;
  int roots[4];  // MIDI note of each bar's chord root
  bool minor[4];
};

const TUNE kTunes[kMusicStyles] = {
    {96, {48, 55, 57, 53}, {false, false, true, false}},   // C G Am F
    {84, {57, 53, 48, 55}, {true, false, false, false}},   // Am F C G
    {110, {50, 59, 55, 57}, {false, true, false, false}},  // D Bm G A
    {90, {53, 50, 58, 48}, {false, true, false, false}},   // F Dm Bb C
};

double NoteHz(int midi) { return 440.0 * std::pow(2.0, (midi - 69) / 12.0); }

// A rise over `attack` seconds and a fall over the last `release` seconds
// of a note lasting `length`, so that notes start and end at zero.
double Edges(double t, double length, double attack, double release) {
  return std::min({1.0, t / attack, std::max(0.0, (length - t) / release)});
}

void MusicSample(const TUNE& tune, double t, double trackSeconds, double& left, double& right) {
  double beat = 60.0 / tune.bpm, bar = 4 * beat;
  int barIndex = static_cast<int>(t / bar);
  int chord = barIndex % 4;
  double inBar = t - barIndex * bar;
  int root = tune.roots[chord];
  int third = tune.minor[chord] ? 3 : 4;
  int notes[3] = {root + 12, root + 12 + third, root + 19};

  // Pad: the chord, soft, with a little second harmonic.
  double pad = 0;
  double padEnvelope = Edges(inBar, bar, 0.25, 0.2) * 0.12;
  for (int note : notes) {
    double f = NoteHz(note);
    pad += padEnvelope * (std::sin(kTwoPi * f * t) + 0.3 * std::sin(kTwoPi * 2 * f * t));
  }

  // Bass: the root on every beat, plucked.
  int beatIndex = static_cast<int>(t / beat);
  double inBeat = t - beatIndex * beat;
  double bassHz = NoteHz(root - 12 + (beatIndex % 4 == 2 ? 7 : 0));
  double bass = 0.25 * Edges(inBeat, beat, 0.01, 0.02) * std::exp(-3.0 * inBeat) *
                (std::sin(kTwoPi * bassHz * inBeat) + 0.2 * std::sin(kTwoPi * 3 * bassHz * inBeat));

  // Arpeggio: chord tones an octave up in eighth notes, bell-like.
  double step = beat / 2;
  int stepIndex = static_cast<int>(t / step);
  double inStep = t - stepIndex * step;
  static const int kPattern[4] = {0, 1, 2, 1};
  double arpHz = NoteHz(notes[kPattern[stepIndex % 4]] + 12);
  double arp =
      0.15 * Edges(inStep, step, 0.005, 0.01) * std::exp(-5.0 * inStep) *
      (std::sin(kTwoPi * arpHz * inStep) + 0.5 * std::exp(-8.0 * inStep) * std::sin(kTwoPi * 2 * arpHz * inStep));
  double pan = stepIndex % 2 ? 0.8 : 0.45;

  double fade = std::min({1.0, t / 0.3, std::max(0.0, (trackSeconds - t) / 2.0)});
  left = fade * (pad + bass + pan * arp);
  right = fade * (pad + bass + (1.25 - pan) * arp);
}

// ---- Data sectors -----------------------------------------------------------

uint8_t Bcd(uint32_t value) { return static_cast<uint8_t>((value / 10) << 4 | (value % 10)); }

// Sync, header (the address in BCD minutes, seconds and frames with the
// 150-frame offset, mode 1) and 2048 bytes of text naming the sector. The
// EDC and ECC fields are left zero: no reader here checks them.
void DataSector(uint32_t lba, uint8_t* out) {
  std::memset(out, 0, kImageFrameBytes);
  std::memset(out + 1, 0xFF, 10);
  uint32_t address = lba + 150;
  out[12] = Bcd(address / 75 / 60);
  out[13] = Bcd(address / 75 % 60);
  out[14] = Bcd(address % 75);
  out[15] = 1;
  char line[40];
  std::snprintf(line, sizeof(line), "CANTARO DATA SECTOR %08u   \n", static_cast<unsigned>(lba % 100000000u));
  for (int i = 0; i < 64; ++i) std::memcpy(out + 16 + 32 * i, line, 32);
}

std::string TimeText(uint32_t frames) {
  char text[16];
  std::snprintf(text, sizeof(text), "%02u:%02u:%02u", static_cast<unsigned>(frames / 75 / 60),
                static_cast<unsigned>(frames / 75 % 60), static_cast<unsigned>(frames % 75));
  return text;
}

std::string BaseName(const std::string& cuePath) {
  std::string name = cuePath.substr(FolderOf(cuePath).size());
  size_t dot = name.rfind('.');
  return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

// A sheet's quoted word ends at the next quote and lines at control
// characters, so such texts cannot be written.
bool TextFitsSheet(const std::string& text) {
  for (char c : text)
    if (c == '"' || static_cast<unsigned char>(c) < 0x20) return false;
  return true;
}

bool CdTextFitsSheet(const DISC_IMAGE_LAYOUT& layout) {
  bool fits = TextFitsSheet(layout.title) && TextFitsSheet(layout.performer);
  for (const IMAGE_TRACK& track : layout.tracks) fits = fits && TextFitsSheet(track.title) && TextFitsSheet(track.performer);
  return fits;
}

std::string CdTextLines(const std::string& indent, const std::string& title, const std::string& performer) {
  std::string lines;
  if (!title.empty()) lines += indent + "TITLE \"" + title + "\"\r\n";
  if (!performer.empty()) lines += indent + "PERFORMER \"" + performer + "\"\r\n";
  return lines;
}

bool WriteFrames(CImageFile& file, const IMAGE_TRACK* track, int trackNumber, uint32_t frames, uint32_t firstLba) {
  std::vector<uint8_t> chunk(size_t{kWriteChunkFrames} * kImageFrameBytes);
  for (uint32_t done = 0; done < frames;) {
    uint32_t run = std::min(kWriteChunkFrames, frames - done);
    if (track)
      RenderTrackFrames(*track, trackNumber, done, firstLba + done, run, chunk.data());
    else
      std::memset(chunk.data(), 0, chunk.size());
    if (!file.Write(chunk.data(), size_t{run} * kImageFrameBytes)) return false;
    done += run;
  }
  return true;
}

}  // namespace

void RenderTrackFrames(const IMAGE_TRACK& track, int trackNumber, uint32_t firstFrame, uint32_t firstLba,
                       uint32_t count, uint8_t* out) {
  double amplitude = std::clamp(track.amplitude, 0.0, 1.0);
  double trackSeconds = track.frames / 75.0;
  for (uint32_t f = 0; f < count; ++f) {
    uint32_t frame = firstFrame + f;
    uint8_t* sector = out + size_t{f} * kImageFrameBytes;
    if (track.content == TrackContent::Data) {
      DataSector(firstLba + f, sector);
      continue;
    }
    for (uint32_t i = 0; i < kSamplesPerFrame; ++i) {
      uint64_t n = uint64_t{frame} * kSamplesPerFrame + i;
      double t = static_cast<double>(n) / kSampleRate;
      uint8_t* at = sector + 4 * i;
      switch (track.content) {
        case TrackContent::Silence: PutSample(at, 0, 0); break;
        case TrackContent::Tone: {
          double f0 = track.frequencies.empty() ? 440.0 : track.frequencies[0];
          int16_t s = ToSample(amplitude * std::sin(kTwoPi * f0 * t));
          PutSample(at, s, s);
          break;
        }
        case TrackContent::Chord: {
          double sum = 0;
          for (double hz : track.frequencies) sum += std::sin(kTwoPi * hz * t);
          int16_t s = ToSample(track.frequencies.empty() ? 0 : amplitude * sum / track.frequencies.size());
          PutSample(at, s, s);
          break;
        }
        case TrackContent::FullScale: {
          double hz = track.frequencies.empty() || track.frequencies[0] <= 0 ? 441.0 : track.frequencies[0];
          double phase = std::fmod(static_cast<double>(n) * hz / kSampleRate, 1.0);
          int16_t s = phase < 0.5 ? 32767 : -32767;
          PutSample(at, s, s);
          break;
        }
        case TrackContent::Noise: {
          int32_t scale = static_cast<int32_t>(amplitude * 32767.0);
          auto value = [&](uint32_t channel) {
            int64_t r = static_cast<int64_t>(Mix(track.seed, 2 * n + channel) % 65535u) - 32767;
            return static_cast<int16_t>(r * scale / 32767);
          };
          PutSample(at, value(0), value(1));
          break;
        }
        case TrackContent::Pattern:
          at[0] = static_cast<uint8_t>(trackNumber);
          at[1] = static_cast<uint8_t>(i);
          at[2] = static_cast<uint8_t>(frame);
          at[3] = static_cast<uint8_t>(frame >> 8);
          break;
        case TrackContent::Music: {
          double left = 0, right = 0;
          int style = track.style >= 0 && track.style < kMusicStyles ? track.style : 0;
          MusicSample(kTunes[style], t, trackSeconds, left, right);
          PutSample(at, ToSample(1.25 * amplitude * left), ToSample(1.25 * amplitude * right));
          break;
        }
        case TrackContent::Data: break;
      }
    }
  }
}

bool WriteDiscImage(const DISC_IMAGE_LAYOUT& layout, const std::string& cuePath, std::string& error) {
  size_t count = layout.tracks.size();
  if (count == 0) {
    error = "a disc needs at least one track";
    return false;
  }
  if (layout.firstTrack < 1 || layout.firstTrack + static_cast<int>(count) - 1 > 99) {
    error = "track numbers must stay within 1..99";
    return false;
  }
  uint64_t total = 0;
  for (const IMAGE_TRACK& track : layout.tracks) {
    if (track.frames == 0) {
      error = "a track needs at least one frame";
      return false;
    }
    total += uint64_t{track.frames} + track.pregapFrames;
  }
  if (total > kMaxImageFrames) {
    error = "the disc would be longer than 100 minutes";
    return false;
  }

  if (!CdTextFitsSheet(layout)) {
    error = "a CD-Text text holds a quote or a control character";
    return false;
  }
  std::string folder = FolderOf(cuePath), base = BaseName(cuePath);
  std::string cue = "REM Cantaro Maker disc image\r\n" + CdTextLines("", layout.title, layout.performer);
  CImageFile bin;
  uint32_t filePosition = 0;  // frames written to the current BIN
  uint32_t lba = 0;           // disc address of the next frame
  for (size_t i = 0; i < count; ++i) {
    const IMAGE_TRACK& track = layout.tracks[i];
    int number = layout.firstTrack + static_cast<int>(i);
    char name[16];
    std::snprintf(name, sizeof(name), "%02d", number);
    if (i == 0 || layout.filePerTrack) {
      std::string binName = layout.filePerTrack ? base + "-" + name + ".bin" : base + ".bin";
      if ((bin.IsOpen() && !bin.Finish()) || !bin.Create(folder + binName)) {
        error = "cannot write " + folder + binName;
        return false;
      }
      cue += "FILE \"" + binName + "\" BINARY\r\n";
      filePosition = 0;
    }
    cue += std::string("  TRACK ") + name + (track.content == TrackContent::Data ? " MODE1/2352\r\n" : " AUDIO\r\n");
    cue += CdTextLines("    ", track.title, track.performer);
    if (track.pregapFrames && track.pregapInFile) {
      cue += "    INDEX 00 " + TimeText(filePosition) + "\r\n";
      // Silence, or for a data track empty data sectors.
      IMAGE_TRACK gap = track;
      gap.content = track.content == TrackContent::Data ? TrackContent::Data : TrackContent::Silence;
      if (!WriteFrames(bin, &gap, number, track.pregapFrames, lba)) {
        error = "cannot write the image";
        return false;
      }
      filePosition += track.pregapFrames;
    } else if (track.pregapFrames) {
      cue += "    PREGAP " + TimeText(track.pregapFrames) + "\r\n";
    }
    lba += track.pregapFrames;
    cue += "    INDEX 01 " + TimeText(filePosition) + "\r\n";
    if (!WriteFrames(bin, &track, number, track.frames, lba)) {
      error = "cannot write the image";
      return false;
    }
    filePosition += track.frames;
    lba += track.frames;
  }
  if (!bin.Finish()) {
    error = "cannot write the image";
    return false;
  }
  CImageFile sheet;
  if (!sheet.Create(cuePath) || !sheet.Write(cue.data(), cue.size()) || !sheet.Finish()) {
    error = "cannot write " + cuePath;
    return false;
  }
  return true;
}

DISC_IMAGE_LAYOUT DemoDiscLayout() {
  DISC_IMAGE_LAYOUT layout;
  const uint32_t seconds[4] = {15, 18, 12, 16};
  for (int i = 0; i < 4; ++i) {
    IMAGE_TRACK track;
    track.content = TrackContent::Music;
    track.style = i;
    track.amplitude = 0.7;
    track.frames = seconds[i] * 75;
    layout.tracks.push_back(track);
  }
  return layout;
}
