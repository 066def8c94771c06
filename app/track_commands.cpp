#include "app/track_commands.h"

#include "platform/case_mapping.h"
#include "platform/text.h"

std::string CapitalizeTitle(const std::string& title) {
  std::string text = SystemLowerCase(title);
  bool startOfWord = true;
  for (char& c : text) {
    if (startOfWord && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    startOfWord = c == ' ' || c == '(' || c == '[' || c == '{' || c == '<';
  }
  return text;
}

std::string TrackListClipboardText(const std::vector<CLIPBOARD_ROW>& rows) {
  std::string text;
  for (const CLIPBOARD_ROW& row : rows) text += row.title + "\t\t" + row.length + "\r\n";
  return text;
}

int MoveTarget(MOVE_KIND kind, int row, int rowCount) {
  if (row < 0 || row >= rowCount) return -1;
  switch (kind) {
    case MOVE_KIND::First: return row == 0 ? -1 : 0;
    case MOVE_KIND::Up: return row == 0 ? -1 : row - 1;
    case MOVE_KIND::Down: return row == rowCount - 1 ? -1 : row + 1;
    case MOVE_KIND::Last: return row == rowCount - 1 ? -1 : rowCount - 1;
  }
  return -1;
}

const CTrackEntry* RowTrackEntry(const CDiscRecord& disc, int trackIndex) {
  if (trackIndex < 0) return nullptr;
  size_t entry = static_cast<size_t>(trackIndex) + 1;
  return entry < disc.entries.size() ? &disc.entries[entry] : nullptr;
}

bool SetRowTitle(CDiscRecord& disc, int trackIndex, const std::string& title) {
  if (!RowTrackEntry(disc, trackIndex)) return false;
  disc.entries[static_cast<size_t>(trackIndex) + 1].title = title;
  return true;
}

std::optional<std::string> RowTitleText(const CDiscRecord& disc, int trackIndex, const std::string& untitledFormat) {
  const CTrackEntry* entry = RowTrackEntry(disc, trackIndex);
  if (!entry) return std::nullopt;
  if (!entry->title.empty()) return entry->title;
  size_t toc = static_cast<size_t>(trackIndex);
  int number = toc < sizeof(disc.toc.entries) / sizeof(disc.toc.entries[0]) ? disc.toc.entries[toc].trackNumber : 0;
  return Format(untitledFormat.c_str(), number);
}
