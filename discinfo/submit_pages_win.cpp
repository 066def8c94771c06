#include "discinfo/submit_pages_win.h"

#include <commctrl.h>

#include "platform/text.h"

std::string SubmitRowTitle(const std::string& title, int number) {
  return title == " " ? Format("Track %d", number) : title;
}

BOOL CSubmitEdit::OnInitDialog() {
  AddListColumns(Item(IDC_SUBMIT_TRACKS), {{"No.", 40}, {"Title", 250}});
  return TRUE;
}

void CSubmitEdit::ShowDisc(const CCddbDisc& disc) {
  SetDlgItemTextA(Handle(), IDC_SUBMIT_ARTIST, disc.artist.c_str());
  SetDlgItemTextA(Handle(), IDC_SUBMIT_TITLE, disc.title.c_str());
  HWND list = Item(IDC_SUBMIT_TRACKS);
  ListView_DeleteAllItems(list);
  for (int n = 1; n <= disc.TrackCount(); ++n)
    AddListRow(list, {Format("%02d", n), SubmitRowTitle(disc.Track(n)->title, n)});
}

std::string CSubmitEdit::Artist() const { return ControlText(Item(IDC_SUBMIT_ARTIST)); }
std::string CSubmitEdit::Title() const { return ControlText(Item(IDC_SUBMIT_TITLE)); }

bool CSubmitEdit::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message != WM_COMMAND || LOWORD(wParam) != IDC_SUBMIT_EDIT_DISC) return false;
  result = SendMessageA(GetParent(Handle()), message, wParam, lParam);
  return true;
}
