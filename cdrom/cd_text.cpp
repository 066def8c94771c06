#include "cdrom/cd_text.h"

#include <algorithm>
#include <cstring>

bool CD_TEXT::Empty() const {
  auto blank = [](const std::string& s) { return s.empty(); };
  return std::all_of(titles.begin(), titles.end(), blank) && std::all_of(performers.begin(), performers.end(), blank);
}

uint16_t CdTextPackCrc(const uint8_t* pack) {
  uint16_t crc = 0;
  for (size_t i = 0; i < 16; ++i) {
    crc ^= static_cast<uint16_t>(pack[i] << 8);
    for (int bit = 0; bit < 8; ++bit) crc = static_cast<uint16_t>(crc & 0x8000 ? (crc << 1) ^ 0x1021 : crc << 1);
  }
  return static_cast<uint16_t>(~crc);
}

bool CdTextPackValid(const uint8_t* pack) {
  uint16_t stored = static_cast<uint16_t>(pack[16] << 8 | pack[17]);
  return stored == CdTextPackCrc(pack);
}

namespace {

using TEXT_ITEMS = std::array<std::string, kCdTextItems>;

uint8_t PackTrack(const uint8_t* pack) { return pack[1] & 0x7F; }
uint8_t PackBlock(const uint8_t* pack) { return (pack[3] >> 4) & 0x07; }
bool PackDoubleByte(const uint8_t* pack) { return (pack[3] & 0x80) != 0; }
uint8_t PackCharPosition(const uint8_t* pack) { return pack[3] & 0x0F; }

// Control characters (C0 and the C1 range of ISO-8859-1) become blanks.
char TextByte(uint8_t byte) {
  bool control = byte < 0x20 || (byte >= 0x7F && byte < 0xA0);
  return control && byte != '\t' ? ' ' : static_cast<char>(byte);
}

// The strings of one pack type as its packs arrive.
class CTextRun {
 public:
  CTextRun(TEXT_ITEMS& items, int firstTrack) : items_(items), firstTrack_(firstTrack) {}

  void Feed(const uint8_t* pack) {
    // A pack that does not follow the last one read starts afresh at its
    // own track; the string it joins mid-way lost its start.
    if (pack[2] != static_cast<uint8_t>(lastSequence_ + 1)) {
      track_ = PackTrack(pack);
      current_.clear();
      lost_ = PackCharPosition(pack) != 0;
    }
    lastSequence_ = pack[2];
    for (size_t i = 4; i < 16; ++i) {
      if (pack[i] == 0)
        EndString();
      else if (current_.size() < kMaxCdTextChars)
        current_ += TextByte(pack[i]);
    }
  }

 private:
  void EndString() {
    std::string value = current_ == "\t" && track_ > 0 ? previous_ : current_;
    if (!lost_ && track_ < static_cast<int>(kCdTextItems)) items_[static_cast<size_t>(track_)] = value;
    previous_ = lost_ ? std::string() : value;
    track_ = track_ == 0 ? std::max(firstTrack_, 1) : track_ + 1;
    current_.clear();
    lost_ = false;
  }

  TEXT_ITEMS& items_;
  int firstTrack_;
  int track_ = 0;
  int lastSequence_ = -2;
  bool lost_ = true;
  std::string current_;
  std::string previous_;
};

}  // namespace

bool ParseCdText(const uint8_t* data, size_t size, int firstTrack, CD_TEXT& text) {
  text = CD_TEXT();
  if (data == nullptr || size < kCdTextHeaderBytes) return false;
  size_t declared = static_cast<size_t>(data[0] << 8 | data[1]);
  size_t bytes = std::min(size - kCdTextHeaderBytes, declared >= 2 ? declared - 2 : 0);
  size_t packs = std::min(bytes / kCdTextPackBytes, kMaxCdTextPacks);
  CTextRun titles(text.titles, firstTrack), performers(text.performers, firstTrack);
  bool used = false;
  for (size_t i = 0; i < packs; ++i) {
    const uint8_t* pack = data + kCdTextHeaderBytes + i * kCdTextPackBytes;
    if (!CdTextPackValid(pack) || PackBlock(pack) != 0 || PackDoubleByte(pack)) continue;
    if (pack[0] == kCdTextTitle)
      titles.Feed(pack);
    else if (pack[0] == kCdTextPerformer)
      performers.Feed(pack);
    else
      continue;
    used = true;
  }
  return used;
}

namespace {

// One type's strings: the disc's, then tracks first..last, each followed
// by a zero, cut into 12-byte pieces with the track and position of each
// piece's first byte.
void AppendTypePacks(uint8_t type, const TEXT_ITEMS& items, int first, int last, uint8_t& sequence,
                     std::vector<uint8_t>& out) {
  std::vector<int> order{0};
  for (int track = std::max(first, 1); track <= last && track < static_cast<int>(kCdTextItems); ++track)
    order.push_back(track);
  std::string bytes;
  std::vector<uint8_t> trackOf, positionOf;
  bool any = false;
  for (int track : order) {
    std::string item = items[static_cast<size_t>(track)].substr(0, kMaxCdTextChars);
    any = any || !item.empty();
    for (size_t i = 0; i <= item.size(); ++i) {
      bytes += i < item.size() ? item[i] : '\0';
      trackOf.push_back(static_cast<uint8_t>(track));
      positionOf.push_back(static_cast<uint8_t>(std::min<size_t>(i, 15)));
    }
  }
  if (!any) return;
  // Block 0 numbers its packs with one byte.
  for (size_t start = 0; start < bytes.size() && out.size() < 256 * kCdTextPackBytes; start += 12) {
    uint8_t pack[kCdTextPackBytes] = {type, trackOf[start], sequence++, positionOf[start]};
    std::memcpy(pack + 4, bytes.data() + start, std::min<size_t>(12, bytes.size() - start));
    uint16_t crc = CdTextPackCrc(pack);
    pack[16] = static_cast<uint8_t>(crc >> 8);
    pack[17] = static_cast<uint8_t>(crc);
    out.insert(out.end(), pack, pack + kCdTextPackBytes);
  }
}

}  // namespace

std::vector<uint8_t> BuildCdTextPacks(const CD_TEXT& text, int first, int last) {
  std::vector<uint8_t> packs;
  uint8_t sequence = 0;
  AppendTypePacks(kCdTextTitle, text.titles, first, last, sequence, packs);
  AppendTypePacks(kCdTextPerformer, text.performers, first, last, sequence, packs);
  return packs;
}
