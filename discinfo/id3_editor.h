#pragma once
// What the ID3 editor works on: a copy of every entry of the disc record,
// entry 0 the disc level, and the rule by which a change of the disc level
// reaches the tracks that shared its values.
#include <string>
#include <vector>

#include "discinfo/disc_record.h"

class CId3EditorModel {
 public:
  explicit CId3EditorModel(const CDiscRecord& disc);

  size_t Count() const { return entries_.size(); }
  const CTrackEntry& Entry(size_t index) const { return entries_.at(index); }
  // "[%02d] %s", or "[%02d] Track %02d" for an untitled track; entry 0 shows
  // its title alone.
  std::string SelectorText(size_t index) const;

  // Stores the fields into an entry. For entry 0, every track whose album,
  // artist, year and genre all equalled the disc level's takes the new disc
  // level's; titles and comments never spread.
  void Store(size_t index, const CTrackEntry& fields);

  // Back into the disc record; the genre name is not touched.
  void CopyBack(CDiscRecord& disc) const;

 private:
  std::vector<CTrackEntry> entries_;
};
