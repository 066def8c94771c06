#include "app/track_list_win.h"

#include <commctrl.h>

#include "resources/resource.h"
#include "widgets/dialog.h"
#include "widgets/skin.h"

void CTrackList::Attach(HWND list, const CAppSettings& settings) {
  list_ = list;
  settings_ = &settings;
  ListView_SetExtendedListViewStyle(list_, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
  COLORREF background = static_cast<COLORREF>(settings.BackgroundColor);
  ListView_SetBkColor(list_, background);
  checks_ = CreateCheckBoxStrip(background, static_cast<COLORREF>(settings.TextColor));
  SetWindowSubclass(list_, ListProc, 1, reinterpret_cast<DWORD_PTR>(this));
}

void CTrackList::Release() {
  if (list_) RemoveWindowSubclass(list_, ListProc, 1);
  if (checks_) DeleteObject(checks_);
  checks_ = nullptr;
  list_ = nullptr;
}

void CTrackList::CreateColumns(const int widths[4]) {
  static const UINT headings[4] = {IDS_COLUMN_NO, IDS_COLUMN_TITLE, IDS_COLUMN_LENGTH, IDS_COLUMN_SIZE};
  for (int i = 0; i < 4; ++i) {
    std::string heading = LoadResourceString(headings[i]);
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.fmt = i == 0 ? LVCFMT_LEFT : LVCFMT_CENTER;
    column.cx = widths[i];
    column.pszText = heading.data();
    SendMessageA(list_, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
  }
}

void CTrackList::Fill(const std::vector<TRACK_ROW>& rows) {
  Clear();
  for (size_t j = 0; j < rows.size(); ++j) {
    const TRACK_ROW& row = rows[j];
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = static_cast<int>(j);
    item.pszText = const_cast<char*>(row.number.c_str());
    item.lParam = row.trackIndex;
    int at = static_cast<int>(SendMessageA(list_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    const std::string* cells[3] = {&row.title, &row.length, &row.size};
    for (int c = 0; c < 3; ++c) {
      LVITEMA cell = {};
      cell.iSubItem = c + 1;
      cell.pszText = const_cast<char*>(cells[c]->c_str());
      SendMessageA(list_, LVM_SETITEMTEXTA, at, reinterpret_cast<LPARAM>(&cell));
    }
    SetChecked(at, false);
  }
  SetNoDisc(false);
}

void CTrackList::Clear() { ListView_DeleteAllItems(list_); }

void CTrackList::SetNoDisc(bool noDisc) {
  noDisc_ = noDisc;
  InvalidateRect(list_, nullptr, TRUE);
}

int CTrackList::Count() const { return ListView_GetItemCount(list_); }

int CTrackList::TrackIndex(int row) const {
  LVITEMA item = {};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  SendMessageA(list_, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
  return static_cast<int>(item.lParam);
}

bool CTrackList::Checked(int row) const { return ListView_GetCheckState(list_, row) != FALSE; }

void CTrackList::SetChecked(int row, bool checked) { ListView_SetCheckState(list_, row, checked ? TRUE : FALSE); }

int CTrackList::Highlighted() const { return ListView_GetNextItem(list_, -1, LVNI_SELECTED); }

std::string CTrackList::Text(int row, int column) const {
  char buffer[512] = {};
  LVITEMA item = {};
  item.iSubItem = column;
  item.pszText = buffer;
  item.cchTextMax = sizeof(buffer);
  SendMessageA(list_, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
  return buffer;
}

void CTrackList::SetText(int row, int column, const std::string& text) {
  LVITEMA item = {};
  item.iSubItem = column;
  item.pszText = const_cast<char*>(text.c_str());
  SendMessageA(list_, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
}

void CTrackList::MoveRow(int from, int to) {
  std::string texts[4];
  for (int c = 0; c < 4; ++c) texts[c] = Text(from, c);
  int trackIndex = TrackIndex(from);
  bool checked = Checked(from);
  UINT state = ListView_GetItemState(list_, from, LVIS_SELECTED | LVIS_FOCUSED);
  ListView_DeleteItem(list_, from);
  LVITEMA item = {};
  item.mask = LVIF_TEXT | LVIF_PARAM;
  item.iItem = to;
  item.pszText = texts[0].data();
  item.lParam = trackIndex;
  int at = static_cast<int>(SendMessageA(list_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
  for (int c = 1; c < 4; ++c) SetText(at, c, texts[c]);
  SetChecked(at, checked);
  ListView_SetItemState(list_, at, state, LVIS_SELECTED | LVIS_FOCUSED);
  ListView_EnsureVisible(list_, at, FALSE);
}

void CTrackList::Highlight(int row) {
  ListView_SetItemState(list_, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

int CTrackList::ColumnWidth(int column) const { return ListView_GetColumnWidth(list_, column); }

void CTrackList::SetColumnWidth(int column, int width) { ListView_SetColumnWidth(list_, column, width); }

void CTrackList::DrawCellText(HDC dc, const std::string& text, RECT cell, UINT align, bool highlighted) const {
  UINT format = align | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX;
  SetBkMode(dc, TRANSPARENT);
  if (settings_->BoolShadowColor) {
    RECT shadow = cell;
    OffsetRect(&shadow, 1, 1);
    SetTextColor(dc, static_cast<COLORREF>(settings_->TextShadowColor));
    DrawTextA(dc, text.c_str(), -1, &shadow, format);
  }
  SetTextColor(dc, static_cast<COLORREF>(highlighted ? settings_->TextSelColor : settings_->TextColor));
  DrawTextA(dc, text.c_str(), -1, &cell, format);
}

void CTrackList::DrawRow(const DRAWITEMSTRUCT& item) const {
  HDC dc = item.hDC;
  int row = static_cast<int>(item.itemID);
  bool highlighted = (item.itemState & ODS_SELECTED) != 0;
  HBRUSH background = CreateSolidBrush(static_cast<COLORREF>(settings_->BackgroundColor));
  FillRect(dc, &item.rcItem, background);
  DeleteObject(background);
  for (int column = 0; column < 4; ++column) {
    RECT cell;
    ListView_GetSubItemRect(list_, row, column, LVIR_BOUNDS, &cell);
    if (column == 0) {
      cell.right = cell.left + ColumnWidth(0);
      HDC source = CreateCompatibleDC(dc);
      HGDIOBJ old = SelectObject(source, checks_);
      BitBlt(dc, cell.left, cell.top + 3, 12, 12, source, Checked(row) ? 12 : 0, 0, SRCCOPY);
      SelectObject(source, old);
      DeleteDC(source);
      RECT text = {cell.left + 15, cell.top + 1, cell.right, cell.bottom + 1};
      DrawCellText(dc, Text(row, 0), text, DT_LEFT, highlighted);
    } else {
      DrawCellText(dc, Text(row, column), cell, DT_CENTER, highlighted);
    }
  }
}

void CTrackList::PaintEmptyText(HDC dc) const {
  RECT client;
  GetClientRect(list_, &client);
  HWND header = ListView_GetHeader(list_);
  RECT headerRect = {};
  if (header) GetWindowRect(header, &headerRect);
  client.top += headerRect.bottom - headerRect.top;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, static_cast<COLORREF>(settings_->TextColor));
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(list_, WM_GETFONT, 0, 0)));
  DrawTextA(dc, LoadResourceString(IDS_NO_AUDIO_CD).c_str(), -1, &client,
            DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(dc, old);
}

LRESULT CALLBACK CTrackList::ListProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
  CTrackList* self = reinterpret_cast<CTrackList*>(data);
  LRESULT result = DefSubclassProc(hwnd, message, wParam, lParam);
  if (message == WM_PAINT && self->noDisc_ && self->Count() == 0) {
    HDC dc = GetDC(hwnd);
    self->PaintEmptyText(dc);
    ReleaseDC(hwnd, dc);
  }
  return result;
}
