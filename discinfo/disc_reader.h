#pragma once
// The read-disc operation: TOC, track ranges, and the rows of the track list
// with their default or cached titles.
#include <functional>
#include <string>
#include <vector>

#include "cdrom/drive_commands.h"
#include "discinfo/disc_record.h"

// The disc cache's part of reading a disc. The default does nothing, so a
// disc shows its default titles.
class IDiscTextSource {
 public:
  virtual ~IDiscTextSource() = default;
  // Called with the TOC read; false stops the read (the cache folder cannot
  // be made, and the source has told the user).
  virtual bool Prepare(CDiscRecord& disc) { return true; }
  // After Prepare: whether the source knows this disc. A disc it does not
  // know takes the CD-Text the drive reads, if any.
  virtual bool KnowsDisc() const { return false; }
  virtual void LoadDiscText(CDiscRecord& disc) {}
  // Fills entry row + 1 of the disc; its title holds the default already.
  virtual void LoadTrackText(CDiscRecord& disc, int row) {}
};

struct DISC_TEXTS {
  std::string allTracks;    // "All Tracks"
  std::string trackFormat;  // "Track %d"
};

// Reads the TOC through the installed routine and rebuilds the disc record;
// rows receives one entry per track. A disc the source does not know gets
// the titles and performers of its CD-Text (READ TOC format 5): the disc's
// as album and artist, each track's as title and artist (the disc's
// performer where the track names none). False when no usable TOC was
// read.
bool ReadDisc(CDriveCommands& commands, DeviceHandle device, const DISC_TEXTS& texts, IDiscTextSource& source,
              CDiscRecord& disc, std::vector<TRACK_ROW>& rows);
