#include "discinfo/cddb/cddb_dialogs_win.h"

#include <functional>
#include <vector>

#include "discinfo/cddb/cddb_answer.h"
#include "discinfo/cddb/xmcd_writer.h"
#include "platform/text.h"

namespace {

constexpr WORD kButton = 0x0080, kEdit = 0x0081, kStatic = 0x0082;

// A dialog template assembled in memory: a header, then items, each on a
// DWORD boundary, with strings as UTF-16.
class CTemplateBuilder {
 public:
  CTemplateBuilder(const char* title, short cx, short cy) {
    DLGTEMPLATE dialog = {};
    dialog.style = DS_MODALFRAME | DS_CENTER | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    dialog.cx = cx;
    dialog.cy = cy;
    Append(&dialog, sizeof(dialog));
    words_.push_back(0);  // no menu
    words_.push_back(0);  // standard class
    AppendString(title);
    words_.push_back(8);
    AppendString("MS Shell Dlg");
  }
  void Item(WORD classAtom, const char* text, WORD id, DWORD style, short x, short y, short cx, short cy) {
    if (words_.size() % 2) words_.push_back(0);
    DLGITEMTEMPLATE item = {};
    item.style = style | WS_CHILD | WS_VISIBLE;
    item.x = x;
    item.y = y;
    item.cx = cx;
    item.cy = cy;
    item.id = id;
    Append(&item, sizeof(item));
    words_.push_back(0xFFFF);
    words_.push_back(classAtom);
    AppendString(text);
    words_.push_back(0);  // no creation data
    reinterpret_cast<DLGTEMPLATE*>(words_.data())->cdit++;
  }
  // Labels carry id 0: 0xFFFF would make the dialog look like a message box to automation.
  void Label(const char* text, short x, short y, short cx) { Item(kStatic, text, 0, SS_LEFT, x, y + 2, cx, 8); }
  void Field(WORD id, short x, short y, short cx, DWORD style = 0) {
    Item(kEdit, "", id, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL | style, x, y, cx, 12);
  }
  void OkCancel(short x, short y) {
    Item(kButton, "OK", IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, x, y, 50, 14);
    Item(kButton, "Cancel", IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, static_cast<short>(x + 56), y, 50, 14);
  }
  const DLGTEMPLATE* Template() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

 private:
  void Append(const void* data, size_t bytes) {
    const WORD* from = static_cast<const WORD*>(data);
    words_.insert(words_.end(), from, from + bytes / 2);
  }
  void AppendString(const char* text) {
    while (*text) words_.push_back(static_cast<unsigned char>(*text++));
    words_.push_back(0);
  }
  std::vector<WORD> words_;
};

std::string ItemText(HWND dialog, int id) {
  HWND item = GetDlgItem(dialog, id);
  int length = GetWindowTextLengthA(item);
  std::string text(static_cast<size_t>(length > 0 ? length : 0) + 1, '\0');
  GetWindowTextA(item, &text[0], length + 1);
  text.resize(static_cast<size_t>(length > 0 ? length : 0));
  return text;
}

// The dialog procedure of both dialogs: `apply` reads the fields on OK and
// says whether they may close the dialog.
struct DIALOG_STATE {
  std::function<void(HWND)> fill;
  std::function<bool(HWND)> apply;
};

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrA(dialog, DWLP_USER, lParam);
    reinterpret_cast<DIALOG_STATE*>(lParam)->fill(dialog);
    return TRUE;
  }
  auto* state = reinterpret_cast<DIALOG_STATE*>(GetWindowLongPtrA(dialog, DWLP_USER));
  if (message != WM_COMMAND || !state) return FALSE;
  if (LOWORD(wParam) == IDOK && state->apply(dialog)) EndDialog(dialog, IDOK);
  if (LOWORD(wParam) == IDCANCEL) EndDialog(dialog, IDCANCEL);
  return TRUE;
}

bool Run(HWND parent, const CTemplateBuilder& builder, DIALOG_STATE& state) {
  return DialogBoxIndirectParamA(GetModuleHandleA(nullptr), builder.Template(), parent, DialogProc,
                                 reinterpret_cast<LPARAM>(&state)) == IDOK;
}

enum : WORD { kHandle = 101, kEmail, kArtist = 201, kTitle, kYear, kGenre, kTracks };

}  // namespace

bool RunRegistrationDialog(HWND parent, CDDB_USER& user) {
  CTemplateBuilder builder("CDDB Registration", 220, 96);
  builder.Item(kStatic, "Enter a handle and the e-mail address the CDDB server may use to reach you.", 0, SS_LEFT, 7, 7,
               206, 18);
  builder.Label("&Handle:", 7, 34, 60);
  builder.Field(kHandle, 70, 34, 143);
  builder.Label("&E-mail address:", 7, 52, 60);
  builder.Field(kEmail, 70, 52, 143);
  builder.OkCancel(107, 76);
  DIALOG_STATE state;
  state.fill = [&user](HWND dialog) {
    SetDlgItemTextA(dialog, kHandle, user.handle.c_str());
    SetDlgItemTextA(dialog, kEmail, user.email.c_str());
  };
  state.apply = [&user](HWND dialog) {
    std::string handle = Trim(ItemText(dialog, kHandle)), email = Trim(ItemText(dialog, kEmail));
    if (handle.empty() || !IsPlausibleEmail(email)) {
      MessageBoxA(dialog, "Please enter a handle and an e-mail address such as name@example.org.", "CDDB Registration",
                  MB_OK | MB_ICONEXCLAMATION);
      return false;
    }
    user.handle = handle;
    user.email = email;
    return true;
  };
  return Run(parent, builder, state);
}

std::string TrackLinesOfDisc(const CCddbDisc& disc) {
  std::string lines;
  for (const auto& track : disc.tracks) {
    if (!lines.empty()) lines += "\r\n";
    lines += disc.multiArtist ? track->artist + " / " + track->title : track->title;
  }
  return lines;
}

void ApplyTrackLines(const std::string& text, CCddbDisc& disc) {
  std::vector<std::string> lines = SplitText(text, '\n');
  for (size_t i = 0; i < disc.tracks.size(); ++i) {
    std::string line = i < lines.size() ? lines[i] : std::string();
    if (!line.empty() && line.back() == '\r') line.pop_back();
    CCddbTrack& track = *disc.tracks[i];
    if (!disc.multiArtist || !SplitCddbTitle(line, track.artist, track.title)) track.title = line;
  }
}

bool RunDiscEditor(HWND parent, CCddbDisc& disc) {
  CTemplateBuilder builder("Disc Information", 260, 214);
  builder.Label("&Artist:", 7, 7, 40);
  builder.Field(kArtist, 50, 7, 196);
  builder.Label("&Title:", 7, 25, 40);
  builder.Field(kTitle, 50, 25, 196);
  builder.Label("&Year:", 7, 43, 40);
  builder.Field(kYear, 50, 43, 50);
  builder.Label("&Genre:", 110, 43, 30);
  builder.Field(kGenre, 143, 43, 103);
  builder.Label(disc.multiArtist ? "T&racks (artist / title):" : "T&racks:", 7, 61, 200);
  builder.Item(
      kEdit, "", kTracks,
      WS_BORDER | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_WANTRETURN,
      7, 73, 239, 112);
  builder.OkCancel(147, 192);
  DIALOG_STATE state;
  state.fill = [&disc](HWND dialog) {
    SetDlgItemTextA(dialog, kArtist, disc.artist.c_str());
    SetDlgItemTextA(dialog, kTitle, disc.title.c_str());
    SetDlgItemTextA(dialog, kYear, disc.year.c_str());
    SetDlgItemTextA(dialog, kGenre, disc.genre.c_str());
    SetDlgItemTextA(dialog, kTracks, TrackLinesOfDisc(disc).c_str());
  };
  state.apply = [&disc](HWND dialog) {
    disc.artist = ItemText(dialog, kArtist);
    disc.title = ItemText(dialog, kTitle);
    disc.year = ItemText(dialog, kYear);
    disc.genre = ItemText(dialog, kGenre);
    ApplyTrackLines(ItemText(dialog, kTracks), disc);
    return true;
  };
  return Run(parent, builder, state);
}
