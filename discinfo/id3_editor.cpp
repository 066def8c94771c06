#include "discinfo/id3_editor.h"

#include "platform/text.h"

CId3EditorModel::CId3EditorModel(const CDiscRecord& disc) : entries_(disc.entries) {}

std::string CId3EditorModel::SelectorText(size_t index) const {
  const CTrackEntry& e = Entry(index);
  if (index == 0) return e.title;
  int number = static_cast<int>(index);
  return e.title.empty() ? Format("[%02d] Track %02d", number, number) : Format("[%02d] %s", number, e.title.c_str());
}

void CId3EditorModel::Store(size_t index, const CTrackEntry& fields) {
  if (index >= entries_.size()) return;
  if (index != 0) {
    entries_[index] = fields;
    return;
  }
  const CTrackEntry before = entries_[0];
  entries_[0] = fields;
  for (size_t i = 1; i < entries_.size(); ++i) {
    CTrackEntry& track = entries_[i];
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
    std::string genreName = std::move(disc.entries[i].genreName);
    disc.entries[i] = entries_[i];
    disc.entries[i].genreName = std::move(genreName);
  }
}
