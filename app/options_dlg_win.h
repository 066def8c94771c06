#pragma once
// The Options dialog: a tree of seven pages on the left, the chosen page in
// the frame beside it. Leaving a page checks its numbers; OK applies the
// pages in order and stays on the first that fails (the pages before it
// keep what they stored). It changes the settings in memory only.
#include <windows.h>
#include <commctrl.h>

#include <functional>

#include "app/option_pages_win.h"
#include "widgets/page_host.h"

class CCdromDevice;
class IRegistryKey;

class COptionsDlg : public CDialog {
 public:
  COptionsDlg(HWND owner, CAppSettings& settings, const CCdromDevice& drives, IRegistryKey& settingsKey,
              std::function<void()> clearCddbCache, COptionAccuracy::DetectOffset detectOffset = nullptr);
  ~COptionsDlg() override;
  // After OK: whether the Appearance page changed a colour.
  bool AppearanceChanged() const { return appearance_.Changed(); }

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;
  bool PreTranslateMessage(MSG& msg) override { return pages_.TranslateNavigation(msg); }
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  static constexpr int kPageCount = 7;
  COptionPage* PageAt(int index);
  void ShowPage(int index);
  LRESULT OnTreeNotify(const NMHDR& header);

  COptionOutput output_;
  COptionMP3 mp3_;
  COptionCDDB cddb_;
  COptionCDROM cdrom_;
  COptionAppearance appearance_;
  COptionMisc misc_;
  COptionAccuracy accuracy_;
  CPageHost pages_;
  HTREEITEM items_[kPageCount] = {};
  int current_ = 0;
  bool showingFailure_ = false;
  HFONT productFont_ = nullptr;
};
