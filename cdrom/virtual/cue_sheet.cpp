#include "cdrom/virtual/cue_sheet.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "cdrom/virtual/image_file.h"
#include "platform/text.h"

namespace {

// The walk over the sheet: a cursor on the disc, the file being laid out
// and how much of it is already placed.
class CCueParser {
 public:
  CCueParser(const std::string& cuePath, const BinFrameCounter& frameCount, DISC_IMAGE& image)
      : folder_(FolderOf(cuePath)), frameCount_(frameCount), image_(image) {}

  bool Parse(const std::string& text, std::string& error);

 private:
  // What the sheet said so far about the track being read.
  struct TRACK_STATE {
    int lastIndex = -1;  // highest INDEX number seen
    bool pregapSeen = false;
    uint32_t pregap = 0;
    bool postgapSeen = false;
    uint32_t postgap = 0;
  };

  bool Line(const std::vector<std::string>& words);
  bool File(const std::vector<std::string>& words);
  bool Track(const std::vector<std::string>& words);
  bool Index(const std::vector<std::string>& words);
  bool Gap(const std::vector<std::string>& words, bool pre);
  bool CdText(const std::vector<std::string>& words, std::array<std::string, kCdTextItems>& items);
  bool Finish();

  // Places the current file's sectors up to position `upTo`.
  bool PlaceFileUpTo(uint64_t upTo);
  bool PlaceSilence(uint32_t frames);
  bool Place(uint32_t frames, int file, uint64_t fileFrame);
  bool Fail(const std::string& why) {
    why_ = why;
    return false;
  }

  std::string folder_;
  const BinFrameCounter& frameCount_;
  DISC_IMAGE& image_;
  std::string why_;

  uint64_t cursor_ = 0;  // next LBA to place
  int file_ = -1;
  uint64_t fileFrames_ = 0;
  uint64_t filePlaced_ = 0;  // frames of the current file already on the disc
  TRACK_STATE track_;
  // The previous track's POSTGAP: it follows that track's last sector,
  // which is known when the next track's first index arrives.
  uint32_t owedPostgap_ = 0;
};

bool IsDigits(const std::string& s, size_t minLength, size_t maxLength) {
  if (s.size() < minLength || s.size() > maxLength) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

// "mm:ss:ff" with 75 frames a second.
bool ParseTime(const std::string& text, uint32_t& frames) {
  size_t first = text.find(':');
  size_t second = first == std::string::npos ? first : text.find(':', first + 1);
  if (second == std::string::npos) return false;
  std::string mm = text.substr(0, first), ss = text.substr(first + 1, second - first - 1), ff = text.substr(second + 1);
  if (!IsDigits(mm, 1, 3) || !IsDigits(ss, 1, 2) || !IsDigits(ff, 1, 2)) return false;
  uint32_t m = static_cast<uint32_t>(std::stoul(mm)), s = static_cast<uint32_t>(std::stoul(ss)),
           f = static_cast<uint32_t>(std::stoul(ff));
  if (s > 59 || f > 74) return false;
  frames = (m * 60 + s) * 75 + f;
  return true;
}

// Splits a line into words; a quoted word may hold blanks.
bool SplitWords(const std::string& line, std::vector<std::string>& words) {
  words.clear();
  size_t i = 0;
  while (i < line.size()) {
    if (IsBlank(line[i])) {
      ++i;
      continue;
    }
    std::string word;
    if (line[i] == '"') {
      size_t end = line.find('"', i + 1);
      if (end == std::string::npos) return false;
      word = line.substr(i + 1, end - i - 1);
      i = end + 1;
      if (i < line.size() && !IsBlank(line[i])) return false;
    } else {
      size_t end = i;
      while (end < line.size() && !IsBlank(line[end])) ++end;
      word = line.substr(i, end - i);
      i = end;
    }
    words.push_back(word);
  }
  return true;
}

bool IsAbsolute(const std::string& path) {
  return (!path.empty() && (path[0] == '\\' || path[0] == '/')) || (path.size() >= 2 && path[1] == ':');
}

bool CountFramesOfFile(const std::string& path, uint64_t& frames, std::string& error) {
  CImageFile file;
  if (!file.OpenForReading(path)) {
    error = "cannot open " + path;
    return false;
  }
  int64_t size = file.Size();
  if (size < 0) {
    error = "cannot read " + path;
    return false;
  }
  if (size % kImageFrameBytes != 0) {
    error = path + " is not a whole number of 2352-byte sectors (" + std::to_string(size) + " bytes)";
    return false;
  }
  frames = static_cast<uint64_t>(size) / kImageFrameBytes;
  return true;
}

}  // namespace

std::string FolderOf(const std::string& path) {
  size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool CCueParser::Parse(const std::string& text, std::string& error) {
  size_t lineNumber = 0;
  size_t at = 0;
  // A byte-order mark from a Unicode editor.
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) at = 3;
  std::vector<std::string> words;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    at = end + 1;
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    bool ok = true;
    if (line.size() > kMaxCueLineLength)
      ok = Fail("line longer than " + std::to_string(kMaxCueLineLength) + " characters");
    else if (line.find('\0') != std::string::npos)
      ok = Fail("a NUL character");
    else if (!SplitWords(line, words))
      ok = Fail("unbalanced quotes");
    else if (!words.empty())
      ok = Line(words);
    if (!ok) {
      error = "line " + std::to_string(lineNumber) + ": " + why_;
      return false;
    }
  }
  if (!Finish()) {
    error = why_;
    return false;
  }
  return true;
}

bool CCueParser::Line(const std::vector<std::string>& words) {
  std::string keyword = ToUpperAscii(words[0]);
  if (keyword == "FILE") return File(words);
  if (keyword == "TRACK") return Track(words);
  if (keyword == "INDEX") return Index(words);
  if (keyword == "PREGAP") return Gap(words, true);
  if (keyword == "POSTGAP") return Gap(words, false);
  if (keyword == "TITLE") return CdText(words, image_.cdText.titles);
  if (keyword == "PERFORMER") return CdText(words, image_.cdText.performers);
  static const char* const kIgnored[] = {"REM", "CATALOG", "SONGWRITER", "FLAGS", "ISRC", "CDTEXTFILE"};
  for (const char* ignored : kIgnored)
    if (keyword == ignored) return true;
  return Fail("unknown command \"" + words[0].substr(0, 32) + "\"");
}

bool CCueParser::File(const std::vector<std::string>& words) {
  if (words.size() != 3) return Fail("FILE needs a name and a type");
  if (ToUpperAscii(words[2]) != "BINARY")
    return Fail("file type \"" + words[2].substr(0, 32) + "\" is not supported (only BINARY)");
  const std::string& name = words[1];
  if (name.empty()) return Fail("FILE with an empty name");
  for (char c : name)
    if (static_cast<unsigned char>(c) < 0x20) return Fail("FILE name with a control character");
  std::string path = IsAbsolute(name) ? name : folder_ + name;
  if (path.size() > kMaxCuePathLength) return Fail("FILE path longer than 259 characters");
  if (image_.files.size() == kMaxCueFiles) return Fail("more than 99 FILE lines");
  // The rest of the previous file belongs to the track that was running.
  if (file_ >= 0 && !PlaceFileUpTo(fileFrames_)) return false;
  uint64_t frames = 0;
  std::string why;
  if (!frameCount_(path, frames, why)) return Fail(why);
  if (frames > kMaxImageFrames) return Fail(path + " holds more than 100 minutes");
  image_.files.push_back(path);
  file_ = static_cast<int>(image_.files.size()) - 1;
  fileFrames_ = frames;
  filePlaced_ = 0;
  return true;
}

bool CCueParser::Track(const std::vector<std::string>& words) {
  if (words.size() != 3) return Fail("TRACK needs a number and a mode");
  if (file_ < 0) return Fail("TRACK before any FILE");
  if (!IsDigits(words[1], 1, 2)) return Fail("bad track number \"" + words[1].substr(0, 32) + "\"");
  int number = std::stoi(words[1]);
  if (number < 1 || number > 99) return Fail("track number outside 1..99");
  if (!image_.tracks.empty()) {
    if (track_.lastIndex < 1) return Fail("track " + std::to_string(image_.tracks.back().number) + " has no INDEX 01");
    if (number != image_.tracks.back().number + 1) return Fail("track numbers must follow one another");
  }
  std::string mode = ToUpperAscii(words[2]);
  if (mode != "AUDIO" && mode != "MODE1/2352")
    return Fail("track mode \"" + words[2].substr(0, 32) + "\" is not supported (AUDIO or MODE1/2352)");
  owedPostgap_ = track_.postgap;
  track_ = TRACK_STATE();
  DISC_IMAGE_TRACK track;
  track.number = static_cast<uint8_t>(number);
  track.data = mode != "AUDIO";
  image_.tracks.push_back(track);
  return true;
}

// The text of the disc, or of the track being read. Unquoted words are
// taken with single blanks between them, as sheets written by hand have
// them; the text is cut to what CD-Text holds.
bool CCueParser::CdText(const std::vector<std::string>& words, std::array<std::string, kCdTextItems>& items) {
  std::string text;
  for (size_t i = 1; i < words.size() && text.size() < kMaxCdTextChars; ++i) text += (i > 1 ? " " : "") + words[i];
  size_t item = image_.tracks.empty() ? 0 : image_.tracks.back().number;
  items[item] = text.substr(0, kMaxCdTextChars);
  return true;
}

bool CCueParser::Index(const std::vector<std::string>& words) {
  if (image_.tracks.empty()) return Fail("INDEX outside a track");
  if (words.size() != 3) return Fail("INDEX needs a number and a time");
  if (!IsDigits(words[1], 1, 2)) return Fail("bad index number \"" + words[1].substr(0, 32) + "\"");
  int number = std::stoi(words[1]);
  if (track_.lastIndex < 0 ? number > 1 : number != track_.lastIndex + 1)
    return Fail("index numbers must start at 00 or 01 and follow one another");
  if (track_.postgapSeen) return Fail("INDEX after POSTGAP");
  uint32_t position = 0;
  if (!ParseTime(words[2], position)) return Fail("bad time \"" + words[2].substr(0, 32) + "\" (mm:ss:ff)");
  if (position < filePlaced_) return Fail("INDEX lies before the previous one");
  if (position > fileFrames_) return Fail("INDEX lies beyond the end of " + image_.files.back());
  if (!PlaceFileUpTo(position)) return false;
  DISC_IMAGE_TRACK& track = image_.tracks.back();
  if (track_.lastIndex < 0) {
    if (!PlaceSilence(owedPostgap_)) return false;
    owedPostgap_ = 0;
    // The PREGAP's silence is the start of the track's own region.
    track.regionStart = static_cast<uint32_t>(cursor_);
    if (!PlaceSilence(track_.pregap)) return false;
  }
  if (number == 1) track.start = static_cast<uint32_t>(cursor_);
  track_.lastIndex = number;
  return true;
}

bool CCueParser::Gap(const std::vector<std::string>& words, bool pre) {
  const char* name = pre ? "PREGAP" : "POSTGAP";
  if (image_.tracks.empty()) return Fail(std::string(name) + " outside a track");
  if (words.size() != 2) return Fail(std::string(name) + " needs a time");
  uint32_t frames = 0;
  if (!ParseTime(words[1], frames)) return Fail("bad time \"" + words[1].substr(0, 32) + "\" (mm:ss:ff)");
  if (pre) {
    if (track_.pregapSeen || track_.lastIndex >= 0) return Fail("PREGAP must come once, before the INDEX lines");
    track_.pregapSeen = true;
    track_.pregap = frames;
  } else {
    if (track_.postgapSeen || track_.lastIndex < 1) return Fail("POSTGAP must come once, after INDEX 01");
    track_.postgapSeen = true;
    track_.postgap = frames;
  }
  return true;
}

bool CCueParser::Finish() {
  if (image_.tracks.empty()) return Fail("no TRACK");
  if (track_.lastIndex < 1) return Fail("track " + std::to_string(image_.tracks.back().number) + " has no INDEX 01");
  if (!PlaceFileUpTo(fileFrames_) || !PlaceSilence(track_.postgap)) return false;
  image_.leadOut = static_cast<uint32_t>(cursor_);
  for (size_t i = 0; i < image_.tracks.size(); ++i) {
    uint32_t end = i + 1 < image_.tracks.size() ? image_.tracks[i + 1].regionStart : image_.leadOut;
    if (image_.tracks[i].start >= end)
      return Fail("track " + std::to_string(image_.tracks[i].number) + " has no sectors");
  }
  return true;
}

bool CCueParser::PlaceFileUpTo(uint64_t upTo) {
  if (upTo <= filePlaced_) return true;
  uint64_t frames = upTo - filePlaced_;
  if (!Place(static_cast<uint32_t>(std::min<uint64_t>(frames, kMaxImageFrames + 1ull)), file_, filePlaced_))
    return false;
  filePlaced_ = upTo;
  return true;
}

bool CCueParser::PlaceSilence(uint32_t frames) { return Place(frames, -1, 0); }

bool CCueParser::Place(uint32_t frames, int file, uint64_t fileFrame) {
  if (frames == 0) return true;
  if (cursor_ + frames > kMaxImageFrames) return Fail("the disc would be longer than 100 minutes");
  DISC_EXTENT extent;
  extent.start = static_cast<uint32_t>(cursor_);
  extent.frames = frames;
  extent.file = file;
  extent.fileFrame = fileFrame;
  image_.extents.push_back(extent);
  cursor_ += frames;
  return true;
}

bool ParseCueSheet(const std::string& text, const std::string& cuePath, const BinFrameCounter& frameCount,
                   DISC_IMAGE& image, std::string& error) {
  image = DISC_IMAGE();
  if (text.size() > kMaxCueSheetBytes) {
    error = "the cue sheet is larger than " + std::to_string(kMaxCueSheetBytes) + " bytes";
    return false;
  }
  CCueParser parser(cuePath, frameCount, image);
  if (parser.Parse(text, error)) return true;
  image = DISC_IMAGE();
  return false;
}

bool LoadCueImage(const std::string& cuePath, DISC_IMAGE& image, std::string& error) {
  image = DISC_IMAGE();
  std::string text;
  if (!ReadTextFile(cuePath, kMaxCueSheetBytes, text, error)) return false;
  if (!ParseCueSheet(text, cuePath, CountFramesOfFile, image, error)) {
    error = cuePath + ": " + error;
    return false;
  }
  return true;
}

void BuildImageToc(const DISC_IMAGE& image, CD_TOC& toc) {
  std::memset(&toc, 0, sizeof(toc));
  size_t count = std::min(image.tracks.size(), kMaxTocTracks);
  uint16_t length = static_cast<uint16_t>(2 + 8 * (count + 1));
  toc.dataLength[0] = static_cast<uint8_t>(length >> 8);
  toc.dataLength[1] = static_cast<uint8_t>(length);
  if (count == 0) return;
  toc.firstTrack = image.tracks.front().number;
  toc.lastTrack = image.tracks[count - 1].number;
  auto put = [](CD_TOC_ENTRY& entry, uint8_t number, bool data, uint32_t lba) {
    entry.adrControl = data ? 0x14 : 0x10;  // ADR 1; control 4 = data track
    entry.trackNumber = number;
    for (int i = 0; i < 4; ++i) entry.address[i] = static_cast<uint8_t>(lba >> (24 - 8 * i));
  };
  for (size_t i = 0; i < count; ++i)
    put(toc.entries[i], image.tracks[i].number, image.tracks[i].data, image.tracks[i].start);
  put(toc.entries[count], kLeadOutTrack, image.tracks[count - 1].data, image.leadOut);
}

int TrackIndexAt(const DISC_IMAGE& image, uint32_t lba) {
  if (lba >= image.leadOut || image.tracks.empty()) return -1;
  int found = 0;
  for (size_t i = 1; i < image.tracks.size(); ++i)
    if (image.tracks[i].regionStart <= lba) found = static_cast<int>(i);
  return found;
}

const DISC_EXTENT* ExtentAt(const DISC_IMAGE& image, uint32_t lba) {
  auto it = std::upper_bound(image.extents.begin(), image.extents.end(), lba,
                             [](uint32_t value, const DISC_EXTENT& e) { return value < e.start; });
  if (it == image.extents.begin()) return nullptr;
  --it;
  return lba - it->start < it->frames ? &*it : nullptr;
}
