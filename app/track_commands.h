#pragma once
// The track list's commands that need no window: the case rules, the
// clipboard text and where a Move command takes the highlighted row.
#include <string>
#include <vector>

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
