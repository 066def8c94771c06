#pragma once
// The local disc cache: the texts of every disc the program has seen, one
// profile file per disc in the "db" folder beside the program, named by an
// identifier computed from the table of contents.
//
// File layout (section and key names match without regard to case):
//   [DISC]     Artist, Album, Year (written "year"), Genre (the CDDB genre
//              code, kept in the disc-level entry's genre name), Comment
//   [TRACKS] [ARTIST] [ALBUM] [YEAR] [COMMENT]   "%02d" of the track's
//              position from 1 = its text
//   [GENRE]    "%02d" = the track's genre number as "%d"
// The disc-level genre number and the tracks' genre names are not stored.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "discinfo/disc_reader.h"
#include "discinfo/disc_record.h"
#include "discinfo/profile_file.h"

enum class DiscCacheStatus {
  Done,
  NoFolder,     // programFolder + "db\" could not be made: show "Cannot open directory %sdb." with programFolder
  NoTracks,     // the TOC lists no usable track count (identifier 0): nothing read or written
  WriteFailed,  // the file could not be written, or the reader refuses the one there; it is as it was
};

// count = last - first + 1; the digit sum of every track's length in
// seconds (mod 255) in bits 24-31, the disc's length in seconds from
// bit 8, count in bits 0-7. Addresses that go backwards wrap as unsigned
// numbers do. 0 when last < first or count exceeds the 99 tracks a TOC
// holds, since no entry beyond the record may be read.
uint32_t DiscCacheId(const CD_TOC& toc);
// programFolder ends in a backslash; gives programFolder + "db\".
std::string DiscCacheFolder(const std::string& programFolder);
// programFolder + "db\%x.db".
std::string DiscCachePath(const std::string& programFolder, uint32_t id);

// The disc-level texts into entry 0 (genre number 0); empty when absent.
void LoadDiscCacheEntry(const CProfileFile& file, CTrackEntry& discEntry);
// The texts of the track at position (from 1) into its entry. Its title
// holds the default, which stays when the cache has no title or an empty
// one; the other texts are empty and the genre number 0 when absent.
void LoadTrackCacheEntry(const CProfileFile& file, int position, CTrackEntry& track);

// Computes the identifier of disc.toc into disc.discId ("%x"), makes the
// folder and fills entry 0 and every track entry there is (entry j + 1 by
// key "%02d" of j + 1) from the file; a missing or unreadable file reads
// as all-empty texts with the titles the entries already hold.
DiscCacheStatus ReadDiscCache(const std::string& programFolder, CDiscRecord& disc);

// Writes the texts of disc to the file named by disc.toc as it stands:
// for each track-list row in list order, with position p = its track index
// + 1 (rowTrackIndexes[row]), the keys "%02d"(p) of "TRACKS", "ARTIST",
// "ALBUM", "YEAR", "GENRE" and "COMMENT"; then "DISC". Every other line of
// an existing file stays where it was. A track index without an entry in
// disc is skipped. Nothing is written when the folder cannot be made.
DiscCacheStatus WriteDiscCache(const std::string& programFolder, const CDiscRecord& disc,
                               const std::vector<int>& rowTrackIndexes, FileReplacer replace = MoveFileReplacing);

// The cache's part of the read-disc operation: the file is read once, in
// Prepare, and the entries are filled from it as the rows are built.
class CDiscCacheSource : public IDiscTextSource {
 public:
  explicit CDiscCacheSource(std::string programFolder) : programFolder_(std::move(programFolder)) {}

  // Sets disc.discId, makes the folder and reads the file. False when the
  // folder cannot be made; Status() then says NoFolder and the caller
  // shows the message.
  bool Prepare(CDiscRecord& disc) override;
  // A file for the disc was there (even one the reader refused).
  bool KnowsDisc() const override { return knowsDisc_; }
  void LoadDiscText(CDiscRecord& disc) override;
  void LoadTrackText(CDiscRecord& disc, int row) override;

  DiscCacheStatus Status() const { return status_; }
  const std::string& ProgramFolder() const { return programFolder_; }

 private:
  std::string programFolder_;
  CProfileFile file_;
  DiscCacheStatus status_ = DiscCacheStatus::Done;
  bool knowsDisc_ = false;
};
