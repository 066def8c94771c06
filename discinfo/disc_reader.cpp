#include "discinfo/disc_reader.h"

#include "cdrom/cd_text.h"
#include "platform/text.h"

namespace {

// A drive that refuses the command, or a disc whose packs all fail their
// CRC, has no CD-Text.
bool ReadDiscCdText(CDriveCommands& commands, DeviceHandle device, const CD_TOC& toc, CD_TEXT& text) {
  std::vector<uint8_t> data;
  return commands.ReadCdText(device, data) && ParseCdText(data.data(), data.size(), toc.firstTrack, text) &&
         !text.Empty();
}

void ApplyCdTextToDisc(const CD_TEXT& text, CTrackEntry& disc) {
  disc.album = text.titles[0];
  disc.artist = text.performers[0];
}

void ApplyCdTextToTrack(const CD_TEXT& text, uint8_t trackNumber, CTrackEntry& track) {
  if (trackNumber >= kCdTextItems) return;
  if (!text.titles[trackNumber].empty()) track.title = text.titles[trackNumber];
  track.album = text.titles[0];
  track.artist = text.performers[trackNumber].empty() ? text.performers[0] : text.performers[trackNumber];
}

}  // namespace

bool ReadDisc(CDriveCommands& commands, DeviceHandle device, const DISC_TEXTS& texts, IDiscTextSource& source,
              CDiscRecord& disc, std::vector<TRACK_ROW>& rows) {
  rows.clear();
  if (device == kInvalidDevice) return false;
  CD_TOC toc = {};
  if (!commands.ReadToc(device, toc) || !IsUsableToc(toc)) return false;
  disc.toc = toc;
  disc.ranges.clear();
  if (!source.Prepare(disc)) return false;
  CD_TEXT cdText;
  bool useCdText = !source.KnowsDisc() && ReadDiscCdText(commands, device, toc, cdText);
  disc.Reset(texts.allTracks);
  source.LoadDiscText(disc);
  if (useCdText) ApplyCdTextToDisc(cdText, disc.entries[0]);
  std::vector<TRACK_RANGE> ranges = TrackRanges(toc);
  for (size_t j = 0; j < ranges.size(); ++j) {
    int row = static_cast<int>(j);
    CTrackEntry entry;
    entry.title = Format(texts.trackFormat.c_str(), toc.entries[j].trackNumber);
    disc.entries.push_back(entry);
    source.LoadTrackText(disc, row);
    if (useCdText) ApplyCdTextToTrack(cdText, toc.entries[j].trackNumber, disc.entries.back());
    TRACK_ROW r;
    r.number = Format("%02d", row + 1);
    r.title = disc.entries.back().title;
    r.length = FrameLengthText(ranges[j].Frames());
    r.size = FrameSizeText(ranges[j].Frames());
    r.trackIndex = row;
    rows.push_back(r);
    disc.ranges.push_back(ranges[j]);
  }
  return true;
}
