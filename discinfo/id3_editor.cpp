#include "discinfo/id3_editor.h"

#include "platform/text.h"

CId3EditorModel::CId3EditorModel(const CDiscRecord& disc) {
  for (const CTrackEntry& e : disc.entries)
    entries_.push_back({e.title, e.artist, e.album, e.year, e.comment, e.genreNumber});
}

std::string CId3EditorModel::SelectorText(size_t index) const {
  const ID3_FIELDS& e = Entry(index);
  if (index == 0) return e.title;
  int number = static_cast<int>(index);
  return e.title.empty() ? Format("[%02d] Track %02d", number, number) : Format("[%02d] %s", number, e.title.c_str());
}

void CId3EditorModel::Store(size_t index, const ID3_FIELDS& fields) {
  if (index >= entries_.size()) return;
  if (index != 0) {
    entries_[index] = fields;
    return;
  }
  const ID3_FIELDS before = entries_[0];
  entries_[0] = fields;
  for (size_t i = 1; i < entries_.size(); ++i) {
    ID3_FIELDS& track = entries_[i];
    if (track.album != before.album || track.artist != before.artist || track.year != before.year ||
        track.genreNumber != before.genreNumber)
      continue;
    track.album = fields.album;
    track.artist = fields.artist;
    track.year = fields.year;
    track.genreNumber = fields.genreNumber;
  }
}

void CId3EditorModel::CopyBack(CDiscRecord& disc) const {
  for (size_t i = 0; i < entries_.size() && i < disc.entries.size(); ++i) {
    CTrackEntry& e = disc.entries[i];
    const ID3_FIELDS& f = entries_[i];
    e.title = f.title;
    e.artist = f.artist;
    e.album = f.album;
    e.year = f.year;
    e.comment = f.comment;
    e.genreNumber = f.genreNumber;
  }
}
