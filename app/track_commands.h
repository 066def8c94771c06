#pragma once
// The track list's commands that need no window: the case rules, the
// clipboard text, where a Move command takes the highlighted row, and the
// way a row reaches its own track's entry in the disc record.
#include <optional>
#include <string>
#include <vector>

#include "discinfo/disc_record.h"

// Lower-cases the text with the system's mapping, then upper-cases its first
// character and every character after a space, "(", "[", "{" or "<"; only
// ASCII letters change on the way up.
std::string CapitalizeTitle(const std::string& title);

struct CLIPBOARD_ROW {
  std::string title;
  std::string length;
};
// One line per row: the title, two tabs, the length, CR LF.
std::string TrackListClipboardText(const std::vector<CLIPBOARD_ROW>& rows);

enum class MOVE_KIND { First, Up, Down, Last };
// The row index the highlighted row ends at, or -1 when it does not move
// (no row, Up on the first, Down on the last).
int MoveTarget(MOVE_KIND kind, int row, int rowCount);

// A row carries the index of its track (its 0-based place in the TOC when
// the disc was read), which a Move does not change; its entry in the disc
// record is that index + 1. nullptr when the record has no such entry.
const CTrackEntry* RowTrackEntry(const CDiscRecord& disc, int trackIndex);
// Rename and the case commands: the new title of the row whose track index
// is trackIndex goes into that track's own entry, whatever the row's place
// in the list. False, and nothing changed, when the record has no entry.
bool SetRowTitle(CDiscRecord& disc, int trackIndex, const std::string& title);
// The title column text of a row after the ID3 editor: its track's title,
// or untitledFormat ("Track %d") with the TOC's track number when that is
// empty; nothing when the record has no entry for the row.
std::optional<std::string> RowTitleText(const CDiscRecord& disc, int trackIndex, const std::string& untitledFormat);
