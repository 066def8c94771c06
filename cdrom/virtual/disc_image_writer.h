#pragma once
// Writes deterministic CUE/BIN disc images for the virtual CD drive: the
// same layout always gives the same bytes. Tests make the discs they need
// with it; the disc-image tool and the build's demo disc use it too.
#include <cstdint>
#include <string>
#include <vector>

enum class TrackContent {
  Silence,
  Tone,       // one sine at frequencies[0]
  Chord,      // the sum of sines at every frequency, sharing the amplitude
  FullScale,  // a square wave at frequencies[0] swinging to +32767 and -32767
  Noise,      // white noise from the seed, reproducible for any position
  Pattern,    // every sample names its place: see RenderTrackFrames
  Music,      // a short tune with chords, bass and arpeggio; style picks it
  Data,       // a MODE1/2352 data track
};

struct IMAGE_TRACK {
  TrackContent content = TrackContent::Tone;
  uint32_t frames = 10 * 75;  // from INDEX 01 to the end of the track
  uint32_t pregapFrames = 0;  // before INDEX 01
  bool pregapInFile = false;  // INDEX 00 and silence in the BIN; otherwise a PREGAP line
  std::vector<double> frequencies = {440.0};
  double amplitude = 0.5;  // of full scale, 0..1
  uint32_t seed = 1;       // Noise
  int style = 0;           // Music: 0..3
  std::string title;       // CD-Text: TITLE and PERFORMER lines when not empty
  std::string performer;
};

struct DISC_IMAGE_LAYOUT {
  int firstTrack = 1;
  bool filePerTrack = false;  // one BIN per track ("name-NN.bin") instead of one ("name.bin")
  std::vector<IMAGE_TRACK> tracks;
  std::string title;  // the disc's CD-Text, as the tracks'
  std::string performer;
};

inline constexpr int kMusicStyles = 4;

// Writes the cue sheet at cuePath (a Windows path, or a POSIX one in the
// host build) and its BIN files beside it, named after the sheet. False
// with the reason for a layout a disc cannot have (no tracks, track
// numbers beyond 99, an empty track, more than 100 minutes, a CD-Text
// text with a quote or a control character) or a file that cannot be
// written.
bool WriteDiscImage(const DISC_IMAGE_LAYOUT& layout, const std::string& cuePath, std::string& error);

// Frames firstFrame .. firstFrame + count - 1 of a track (frame 0 is its
// INDEX 01), 2352 bytes each, as WriteDiscImage writes them. firstLba is
// the disc address of firstFrame (data sectors carry it in their header).
// A Pattern sample (4 bytes) is: the track number, the sample's index in
// its frame (low byte), and the frame's number in the track (16-bit,
// little-endian).
void RenderTrackFrames(const IMAGE_TRACK& track, int trackNumber, uint32_t firstFrame, uint32_t firstLba,
                       uint32_t count, uint8_t* out);

// The build's demo disc: four short tunes.
DISC_IMAGE_LAYOUT DemoDiscLayout();
