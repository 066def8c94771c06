#include "discinfo/query_pages_win.h"

#include <commctrl.h>

namespace {

constexpr const char* kMusicBrainz = "MusicBrainz";
constexpr int kCddbColumns = 3;

bool FromMusicBrainz(const CCddbDiscCollection& matches) {
  return matches.Count() > 0 && matches.Item(1)->source == kMusicBrainz;
}

// MusicBrainz lists pressings of one disc: how each was published tells
// them apart, so its list has three more columns.
void ShowPressingColumns(HWND list, bool shown) {
  HWND header = ListView_GetHeader(list);
  int count = header ? Header_GetItemCount(header) : kCddbColumns;
  if (!shown) {
    while (count > kCddbColumns) ListView_DeleteColumn(list, --count);
    return;
  }
  if (count > kCddbColumns) return;
  int index = kCddbColumns;
  for (auto [name, width] : {std::pair{"Country", 50}, std::pair{"Date", 70}, std::pair{"Label", 90}}) {
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = const_cast<char*>(name);
    column.cx = width;
    SendMessageA(list, LVM_INSERTCOLUMNA, index++, reinterpret_cast<LPARAM>(&column));
  }
}

}  // namespace

BOOL CQueryMatchMulti::OnInitDialog() {
  AddListColumns(Item(IDC_QUERY_MATCH_LIST), {{"No.", 35}, {"Title", 110}, {"Artist", 110}});
  return TRUE;
}

void CQueryMatchMulti::ShowMatches(const CCddbDiscCollection& matches) {
  HWND list = Item(IDC_QUERY_MATCH_LIST);
  ListView_DeleteAllItems(list);
  bool musicBrainz = FromMusicBrainz(matches);
  SetDlgItemTextA(Handle(), IDC_QUERY_MATCH_CAPTION,
                  musicBrainz ? "MusicBrainz found some potential matches:" : "CDDB found some potential matches:");
  ShowPressingColumns(list, musicBrainz);
  for (int n = 1; n <= matches.Count(); ++n) {
    const CCddbDisc& disc = *matches.Item(n);
    if (musicBrainz)
      AddListRow(list, {std::to_string(n), disc.title, disc.artist, disc.country, disc.date, disc.label});
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
