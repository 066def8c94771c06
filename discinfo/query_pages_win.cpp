#include "discinfo/query_pages_win.h"

#include <commctrl.h>

BOOL CQueryMatchMulti::OnInitDialog() {
  AddListColumns(Item(IDC_QUERY_MATCH_LIST), {{"No.", 35}, {"Title", 110}, {"Artist", 110}});
  return TRUE;
}

void CQueryMatchMulti::ShowMatches(const CCddbDiscCollection& matches) {
  HWND list = Item(IDC_QUERY_MATCH_LIST);
  ListView_DeleteAllItems(list);
  for (int n = 1; n <= matches.Count(); ++n)
    AddListRow(list, {std::to_string(n), matches.Item(n)->title, matches.Item(n)->artist});
  if (matches.Count() > 0) ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

int CQueryMatchMulti::SelectedRow() const {
  return static_cast<int>(
      SendMessageA(Item(IDC_QUERY_MATCH_LIST), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void CQueryFullInfo::ShowDisc(const CCddbDisc& disc) {
  SetDlgItemTextA(Handle(), IDC_QUERY_ARTIST, ("Artist: " + disc.artist).c_str());
  SetDlgItemTextA(Handle(), IDC_QUERY_YEAR, ("Year: " + disc.year).c_str());
  SetDlgItemTextA(Handle(), IDC_QUERY_TITLE, ("Title: " + disc.title).c_str());
}

bool CQueryFullInfo::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message != WM_COMMAND || LOWORD(wParam) != IDC_QUERY_MORE_INFO) return false;
  result = SendMessageA(GetParent(Handle()), message, wParam, lParam);
  return true;
}
