#include "app/options_dlg_win.h"

#include <commctrl.h>

namespace {
const char* const kPageNames[] = {"Output", "MP3", "CDDB", "CD-ROM", "Appearance", "Misc.", "Accuracy"};
}  // namespace

COptionsDlg::COptionsDlg(HWND owner, CAppSettings& settings, const CCdromDevice& drives, IRegistryKey& settingsKey,
                         std::function<void()> clearCddbCache, COptionAccuracy::DetectOffset detectOffset)
    : CDialog(IDD_OPTIONS, owner),
      output_(settings),
      mp3_(settings),
      cddb_(settings, std::move(clearCddbCache)),
      cdrom_(settings, drives),
      appearance_(settings, settingsKey),
      misc_(settings),
      accuracy_(settings, drives, std::move(detectOffset)) {}

COptionsDlg::~COptionsDlg() {
  if (productFont_) DeleteObject(productFont_);
}

COptionPage* COptionsDlg::PageAt(int index) {
  COptionPage* pages[kPageCount] = {&output_, &mp3_, &cddb_, &cdrom_, &appearance_, &misc_, &accuracy_};
  return index >= 0 && index < kPageCount ? pages[index] : nullptr;
}

BOOL COptionsDlg::OnInitDialog() {
  HDC dc = GetDC(Handle());
  int height = -MulDiv(18, GetDeviceCaps(dc, LOGPIXELSY), 72);
  ReleaseDC(Handle(), dc);
  productFont_ = CreateFontA(height, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "Verana");
  SendDlgItemMessageA(Handle(), IDC_OPTIONS_PRODUCT, WM_SETFONT, reinterpret_cast<WPARAM>(productFont_), FALSE);
  if (!pages_.Create(Handle(), IDC_OPTIONS_FRAME, {&output_, &mp3_, &cddb_, &cdrom_, &appearance_, &misc_, &accuracy_})) {
    EndDialog(IDCANCEL);
    return TRUE;
  }
  HWND tree = Item(IDC_OPTIONS_TREE);
  for (int i = 0; i < kPageCount; ++i) {
    TVINSERTSTRUCTA insert = {};
    insert.hParent = TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM;
    insert.item.pszText = const_cast<char*>(kPageNames[i]);
    insert.item.lParam = i;
    items_[i] = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
  }
  ShowPage(0);
  SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(items_[0]));
  return TRUE;
}

void COptionsDlg::ShowPage(int index) {
  current_ = index;
  pages_.Show(*PageAt(index));
}

bool COptionsDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message != WM_NOTIFY || wParam != IDC_OPTIONS_TREE) return false;
  result = OnTreeNotify(*reinterpret_cast<const NMHDR*>(lParam));
  return true;
}

LRESULT COptionsDlg::OnTreeNotify(const NMHDR& header) {
  const NMTREEVIEWA& change = reinterpret_cast<const NMTREEVIEWA&>(header);
  switch (header.code) {
    // A page with a number out of range cannot be left.
    case TVN_SELCHANGINGA:
    case TVN_SELCHANGINGW: return showingFailure_ || PageAt(current_)->ValidateFields() ? FALSE : TRUE;
    case TVN_SELCHANGEDA:
    case TVN_SELCHANGEDW:
      if (PageAt(static_cast<int>(change.itemNew.lParam))) ShowPage(static_cast<int>(change.itemNew.lParam));
      return 0;
    default: return 0;
  }
}

void COptionsDlg::OnOK() {
  for (int i = 0; i < kPageCount; ++i) {
    if (PageAt(i)->Apply()) continue;
    if (i != current_) {
      // The failing page is shown whatever the page on view holds.
      showingFailure_ = true;
      SendDlgItemMessageA(Handle(), IDC_OPTIONS_TREE, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(items_[i]));
      showingFailure_ = false;
      ShowPage(i);
    }
    return;
  }
  EndDialog(IDOK);
}
