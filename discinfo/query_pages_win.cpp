#include "discinfo/query_pages_win.h"

#include <commctrl.h>

#include "resources/resource.h"

CQueryProgress::CQueryProgress(HWND owner) : CDialog(IDD_QUERY_PROGRESS, owner) {}

void CQueryProgress::SetStatus(const char* text) { SetDlgItemTextA(Handle(), IDC_QUERY_STATUS, text); }

void CQueryProgress::SetProgress(int32_t position, int32_t total) {
  HWND bar = Item(IDC_QUERY_PROGRESS);
  SendMessageA(bar, PBM_SETRANGE, 0, MAKELPARAM(0, static_cast<WORD>(total)));
  SendMessageA(bar, PBM_SETPOS, static_cast<WORD>(position), 0);
}

CQueryMatchMulti::CQueryMatchMulti(HWND owner) : CDialog(IDD_QUERY_MATCH_MULTI, owner) {}

BOOL CQueryMatchMulti::OnInitDialog() {
  HWND list = Item(IDC_QUERY_MATCH_LIST);
  ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
  static const struct {
    const char* name;
    int width;
  } kColumns[] = {{"No.", 35}, {"Title", 110}, {"Artist", 110}};
  for (int i = 0; i < 3; ++i) {
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = const_cast<char*>(kColumns[i].name);
    column.cx = kColumns[i].width;
    SendMessageA(list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
  }
  return TRUE;
}

void CQueryMatchMulti::ShowMatches(const CCddbDiscCollection& matches) {
  HWND list = Item(IDC_QUERY_MATCH_LIST);
  ListView_DeleteAllItems(list);
  for (int n = 1; n <= matches.Count(); ++n) {
    std::shared_ptr<CCddbDisc> disc = matches.Item(n);
    std::string number = std::to_string(n);
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = n - 1;
    item.pszText = &number[0];
    int row = static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    const std::string* texts[] = {&disc->title, &disc->artist};
    for (int column = 1; column <= 2; ++column) {
      LVITEMA cell = {};
      cell.iSubItem = column;
      cell.pszText = const_cast<char*>(texts[column - 1]->c_str());
      SendMessageA(list, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&cell));
    }
  }
  if (matches.Count() > 0) ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

int CQueryMatchMulti::SelectedRow() const {
  return static_cast<int>(
      SendMessageA(Item(IDC_QUERY_MATCH_LIST), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

CQueryFullInfo::CQueryFullInfo(HWND owner) : CDialog(IDD_QUERY_FULL_INFO, owner) {}

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

CQueryNoMatch::CQueryNoMatch(HWND owner) : CDialog(IDD_QUERY_NO_MATCH, owner) {}

CQueryError::CQueryError(HWND owner) : CDialog(IDD_QUERY_ERROR, owner) {}

void CQueryError::SetText(const std::string& text) { SetDlgItemTextA(Handle(), IDC_QUERY_ERROR_TEXT, text.c_str()); }
