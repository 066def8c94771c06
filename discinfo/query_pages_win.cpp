#include "discinfo/query_pages_win.h"

#include <commctrl.h>

#include <algorithm>

namespace {

constexpr const char* kMusicBrainz = "MusicBrainz";
constexpr int kCddbColumns = 3;

bool FromMusicBrainz(const CCddbDiscCollection& matches) {
  return matches.Count() > 0 && matches.Item(1)->source == kMusicBrainz;
}

constexpr int kCddbWidths[kCddbColumns] = {35, 110, 110};

constexpr int kCellPadding = 12;
constexpr int kNarrowestText = 40;
constexpr int kWidestLabel = 110;

int TextWidth(HWND list, const std::string& text) {
  return static_cast<int>(SendMessageA(list, LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(text.c_str()))) +
         kCellPadding;
}

// When and where a pressing came out: "2004-06-07 DE".
std::string ReleasedText(const CCddbDisc& disc) {
  if (disc.date.empty() || disc.country.empty()) return disc.date + disc.country;
  return disc.date + " " + disc.country;
}

std::string LabelText(const CCddbDisc& disc) { return disc.label; }

// The width that shows the header and every disc's text of one column.
int ColumnWidth(HWND list, const char* heading, const CCddbDiscCollection& matches,
                std::string (*text)(const CCddbDisc&)) {
  int width = TextWidth(list, heading);
  for (const auto& disc : matches.discs) width = std::max(width, TextWidth(list, text(*disc)));
  return width;
}

// MusicBrainz lists pressings of one disc: how each was published tells
// them apart, so its list has two more columns, shown whole; the titles and
// artists of pressings are mostly alike and share what is left, and the row
// number gives its room up (the column stays, folded).
void ShowPressingColumns(HWND list, const CCddbDiscCollection* matches) {
  HWND header = ListView_GetHeader(list);
  int count = header ? Header_GetItemCount(header) : kCddbColumns;
  while (count > kCddbColumns) ListView_DeleteColumn(list, --count);
  if (!matches) {
    for (int column = 0; column < kCddbColumns; ++column) ListView_SetColumnWidth(list, column, kCddbWidths[column]);
    return;
  }
  int released = ColumnWidth(list, "Released", *matches, ReleasedText);
  int label = std::min(kWidestLabel, ColumnWidth(list, "Label", *matches, LabelText));
  RECT area = {};
  GetClientRect(list, &area);
  int shared = std::max(kNarrowestText, (static_cast<int>(area.right - area.left) - released - label) / 2);
  ListView_SetColumnWidth(list, 0, 0);
  ListView_SetColumnWidth(list, 1, shared);
  ListView_SetColumnWidth(list, 2, shared);
  int index = kCddbColumns;
  for (auto [name, width] : {std::pair{"Released", released}, std::pair{"Label", label}}) {
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = const_cast<char*>(name);
    column.cx = width;
    SendMessageA(list, LVM_INSERTCOLUMNA, index++, reinterpret_cast<LPARAM>(&column));
  }
}

}  // namespace

BOOL CQueryMatchMulti::OnInitDialog() {
  AddListColumns(Item(IDC_QUERY_MATCH_LIST),
                 {{"No.", kCddbWidths[0]}, {"Title", kCddbWidths[1]}, {"Artist", kCddbWidths[2]}});
  return TRUE;
}

void CQueryMatchMulti::ShowMatches(const CCddbDiscCollection& matches) {
  HWND list = Item(IDC_QUERY_MATCH_LIST);
  ListView_DeleteAllItems(list);
  bool musicBrainz = FromMusicBrainz(matches);
  SetDlgItemTextA(Handle(), IDC_QUERY_MATCH_CAPTION,
                  musicBrainz ? "MusicBrainz found some potential matches:" : "CDDB found some potential matches:");
  ShowPressingColumns(list, musicBrainz ? &matches : nullptr);
  for (int n = 1; n <= matches.Count(); ++n) {
    const CCddbDisc& disc = *matches.Item(n);
    if (musicBrainz)
      AddListRow(list, {std::to_string(n), disc.title, disc.artist, ReleasedText(disc), disc.label});
    else
      AddListRow(list, {std::to_string(n), disc.title, disc.artist});
  }
  if (matches.Count() > 0) ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

int CQueryMatchMulti::SelectedRow() const {
  return static_cast<int>(
      SendMessageA(Item(IDC_QUERY_MATCH_LIST), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void CQueryFullInfo::ShowDisc(const CCddbDisc& disc) {
  SetDlgItemTextA(Handle(), IDC_QUERY_INFO_CAPTION,
                  disc.source == kMusicBrainz ? "MusicBrainz found this matched disc:" : "CDDB found this matched disc:");
  SetDlgItemTextA(Handle(), IDC_QUERY_ARTIST, ("Artist: " + disc.artist).c_str());
  SetDlgItemTextA(Handle(), IDC_QUERY_YEAR, ("Year: " + disc.year).c_str());
  SetDlgItemTextA(Handle(), IDC_QUERY_TITLE, ("Title: " + disc.title).c_str());
}

bool CQueryFullInfo::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message != WM_COMMAND || LOWORD(wParam) != IDC_QUERY_MORE_INFO) return false;
  result = SendMessageA(GetParent(Handle()), message, wParam, lParam);
  return true;
}
