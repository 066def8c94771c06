#include "discinfo/id3_editor_win.h"

#include "discinfo/genres.h"
#include "resources/resource.h"

namespace {

std::string ItemText(HWND dialog, int id) {
  char text[256] = {};
  GetDlgItemTextA(dialog, id, text, sizeof(text));
  return text;
}

}  // namespace

CId3EditorDialog::CId3EditorDialog(HWND owner, const CDiscRecord& disc)
    : CDialog(IDD_ID3_EDITOR, owner), model_(disc) {}

BOOL CId3EditorDialog::OnInitDialog() {
  for (int id : {IDC_ID3_ARTIST, IDC_ID3_ALBUM, IDC_ID3_TITLE, IDC_ID3_COMMENT})
    SendDlgItemMessageA(Handle(), id, EM_LIMITTEXT, 250, 0);
  SendDlgItemMessageA(Handle(), IDC_ID3_YEAR, EM_LIMITTEXT, 4, 0);
  // Index order, unsorted, so a list position is a genre number.
  for (size_t g = 0; g < GenreCount(); ++g)
    SendDlgItemMessageA(Handle(), IDC_ID3_GENRE, CB_ADDSTRING, 0,
                        reinterpret_cast<LPARAM>(GenreName(static_cast<int>(g))));
  FillSelector();
  Show(0);
  return TRUE;
}

void CId3EditorDialog::FillSelector() {
  HWND selector = Item(IDC_ID3_TRACK);
  SendMessageA(selector, CB_RESETCONTENT, 0, 0);
  for (size_t i = 0; i < model_.Count(); ++i)
    SendMessageA(selector, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(model_.SelectorText(i).c_str()));
}

void CId3EditorDialog::Show(size_t index) {
  const CTrackEntry& e = model_.Entry(index);
  shown_ = index;
  SendDlgItemMessageA(Handle(), IDC_ID3_TRACK, CB_SETCURSEL, index, 0);
  SetDlgItemTextA(Handle(), IDC_ID3_TITLE, e.title.c_str());
  SetDlgItemTextA(Handle(), IDC_ID3_ALBUM, e.album.c_str());
  SetDlgItemTextA(Handle(), IDC_ID3_ARTIST, e.artist.c_str());
  SetDlgItemTextA(Handle(), IDC_ID3_COMMENT, e.comment.c_str());
  SetDlgItemTextA(Handle(), IDC_ID3_YEAR, e.year.c_str());
  int genre = e.genreNumber >= 0 && static_cast<size_t>(e.genreNumber) < GenreCount() ? e.genreNumber : -1;
  SendDlgItemMessageA(Handle(), IDC_ID3_GENRE, CB_SETCURSEL, static_cast<WPARAM>(genre), 0);
}

CTrackEntry CId3EditorDialog::ReadFields() const {
  CTrackEntry f;
  f.title = ItemText(Handle(), IDC_ID3_TITLE);
  f.artist = ItemText(Handle(), IDC_ID3_ARTIST);
  f.album = ItemText(Handle(), IDC_ID3_ALBUM);
  f.year = ItemText(Handle(), IDC_ID3_YEAR);
  f.comment = ItemText(Handle(), IDC_ID3_COMMENT);
  LRESULT genre = SendDlgItemMessageA(Handle(), IDC_ID3_GENRE, CB_GETCURSEL, 0, 0);
  // A genre outside the table stays as it was.
  f.genreNumber = genre == CB_ERR ? model_.Entry(shown_).genreNumber : static_cast<int>(genre);
  return f;
}

bool CId3EditorDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
  if (message != WM_COMMAND || LOWORD(wParam) != IDC_ID3_TRACK || HIWORD(wParam) != CBN_SELCHANGE) return false;
  LRESULT chosen = SendDlgItemMessageA(Handle(), IDC_ID3_TRACK, CB_GETCURSEL, 0, 0);
  model_.Store(shown_, ReadFields());
  FillSelector();  // a stored title changes its selector text
  if (chosen != CB_ERR) Show(static_cast<size_t>(chosen));
  result = 0;
  return true;
}

void CId3EditorDialog::OnOK() {
  model_.Store(shown_, ReadFields());
  EndDialog(IDOK);
}
