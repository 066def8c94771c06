#include "discinfo/disc_reader.h"

#include "platform/text.h"

bool ReadDisc(CDriveCommands& commands, DeviceHandle device, const DISC_TEXTS& texts, IDiscTextSource& source,
              CDiscRecord& disc, std::vector<TRACK_ROW>& rows) {
  rows.clear();
  if (device == kInvalidDevice) return false;
  CD_TOC toc = {};
  if (!commands.ReadToc(device, toc) || !IsUsableToc(toc)) return false;
  disc.toc = toc;
  disc.ranges.clear();
  if (!source.Prepare(disc)) return false;
  disc.Reset(texts.allTracks);
  source.LoadDiscText(disc);
  std::vector<TRACK_RANGE> ranges = TrackRanges(toc);
  for (size_t j = 0; j < ranges.size(); ++j) {
    int row = static_cast<int>(j);
    CTrackEntry entry;
    entry.title = Format(texts.trackFormat.c_str(), toc.entries[j].trackNumber);
    disc.entries.push_back(entry);
    source.LoadTrackText(disc, row);
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
