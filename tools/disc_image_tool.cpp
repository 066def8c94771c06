// Writes deterministic CUE/BIN disc images for the virtual CD drive.
//
//   disc_image_tool [--first-track N] [--file-per-track] [--title T] [--performer P] OUTPUT.cue TRACK...
//   disc_image_tool --demo OUTPUT.cue
//
// TRACK is a kind followed by comma-separated settings, for example
// "tone,seconds=10,freq=440,amp=0.5" or "data,frames=300,pregap=150".
// Kinds: silence, tone, chord, fullscale, noise, pattern, music, data.
// Settings: seconds=S or frames=N (default 10 s), pregap=N (frames before
// INDEX 01, as a PREGAP line), index0 (the pregap is silence in the BIN,
// marked by INDEX 00), freq=HZ[+HZ...], amp=0..1, seed=N (noise),
// style=0..3 (music), title=TEXT and performer=TEXT (the track's CD-Text;
// no commas). --title and --performer give the disc's CD-Text.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cdrom/virtual/disc_image_writer.h"
#include "platform/text.h"

namespace {

void Usage() {
  std::fprintf(stderr,
               "usage: disc_image_tool [--first-track N] [--file-per-track] [--title T] [--performer P] OUTPUT.cue "
               "TRACK...\n"
               "       disc_image_tool --demo OUTPUT.cue\n"
               "TRACK: KIND[,setting...]  KIND = silence|tone|chord|fullscale|noise|pattern|music|data\n"
               "settings: seconds=S frames=N pregap=N index0 freq=HZ[+HZ...] amp=0..1 seed=N style=0..3 title=TEXT "
               "performer=TEXT\n");
}

bool ParseUnsigned(const std::string& text, uint32_t& value) {
  if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos) return false;
  value = static_cast<uint32_t>(std::strtoul(text.c_str(), nullptr, 10));
  return true;
}

bool ParseReal(const std::string& text, double& value) {
  char* end = nullptr;
  value = std::strtod(text.c_str(), &end);
  return !text.empty() && end && *end == '\0' && std::isfinite(value);
}

bool ParseTrack(const std::string& text, IMAGE_TRACK& track, std::string& error) {
  static const struct {
    const char* name;
    TrackContent content;
  } kKinds[] = {{"silence", TrackContent::Silence}, {"tone", TrackContent::Tone},
                {"chord", TrackContent::Chord},     {"fullscale", TrackContent::FullScale},
                {"noise", TrackContent::Noise},     {"pattern", TrackContent::Pattern},
                {"music", TrackContent::Music},     {"data", TrackContent::Data}};
  std::vector<std::string> parts = SplitText(text, ',');
  bool known = false;
  for (const auto& kind : kKinds)
    if (parts[0] == kind.name) {
      track.content = kind.content;
      known = true;
    }
  if (!known) {
    error = "unknown track kind \"" + parts[0] + "\"";
    return false;
  }
  if (track.content == TrackContent::Chord) track.frequencies = {261.63, 329.63, 392.0};
  for (size_t i = 1; i < parts.size(); ++i) {
    size_t equals = parts[i].find('=');
    std::string key = parts[i].substr(0, equals);
    std::string value = equals == std::string::npos ? std::string() : parts[i].substr(equals + 1);
    double real = 0;
    bool ok = true;
    if (key == "seconds") {
      ok = ParseReal(value, real) && real > 0 && real <= 6000;
      track.frames = static_cast<uint32_t>(std::lround(real * 75));
    } else if (key == "frames") {
      ok = ParseUnsigned(value, track.frames);
    } else if (key == "pregap") {
      ok = ParseUnsigned(value, track.pregapFrames);
    } else if (key == "index0") {
      ok = equals == std::string::npos;
      track.pregapInFile = true;
    } else if (key == "freq") {
      track.frequencies.clear();
      for (const std::string& hz : SplitText(value, '+')) {
        ok = ok && ParseReal(hz, real) && real > 0 && real < 22050;
        track.frequencies.push_back(real);
      }
    } else if (key == "amp") {
      ok = ParseReal(value, track.amplitude) && track.amplitude >= 0 && track.amplitude <= 1;
    } else if (key == "seed") {
      ok = ParseUnsigned(value, track.seed);
    } else if (key == "style") {
      uint32_t style = 0;
      ok = ParseUnsigned(value, style) && style < kMusicStyles;
      track.style = static_cast<int>(style);
    } else if (key == "title" || key == "performer") {
      ok = equals != std::string::npos;
      (key == "title" ? track.title : track.performer) = value;
    } else {
      ok = false;
    }
    if (!ok) {
      error = "bad setting \"" + parts[i] + "\" in \"" + text + "\"";
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  DISC_IMAGE_LAYOUT layout;
  std::string output;
  bool demo = false;
  std::vector<std::string> tracks;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--demo") {
      demo = true;
    } else if (arg == "--file-per-track") {
      layout.filePerTrack = true;
    } else if (arg == "--first-track" && i + 1 < argc) {
      uint32_t first = 0;
      if (!ParseUnsigned(argv[++i], first) || first < 1 || first > 99) {
        std::fprintf(stderr, "disc_image_tool: --first-track takes 1..99\n");
        return 2;
      }
      layout.firstTrack = static_cast<int>(first);
    } else if ((arg == "--title" || arg == "--performer") && i + 1 < argc) {
      (arg == "--title" ? layout.title : layout.performer) = argv[++i];
    } else if (arg == "--help" || arg == "-h") {
      Usage();
      return 0;
    } else if (output.empty()) {
      output = arg;
    } else {
      tracks.push_back(arg);
    }
  }
  if (output.empty() || (demo == !tracks.empty())) {
    Usage();
    return 2;
  }
  if (demo) {
    bool split = layout.filePerTrack;
    layout = DemoDiscLayout();
    layout.filePerTrack = split;
  }
  for (const std::string& text : tracks) {
    IMAGE_TRACK track;
    std::string error;
    if (!ParseTrack(text, track, error)) {
      std::fprintf(stderr, "disc_image_tool: %s\n", error.c_str());
      return 2;
    }
    layout.tracks.push_back(track);
  }
  std::string error;
  if (!WriteDiscImage(layout, output, error)) {
    std::fprintf(stderr, "disc_image_tool: %s\n", error.c_str());
    return 1;
  }
  std::printf("%s: %zu tracks\n", output.c_str(), layout.tracks.size());
  return 0;
}
