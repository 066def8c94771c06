#pragma once
// The four pages of the submission window, laid over its frame.
#include <string>

#include "discinfo/cddb/cddb_component.h"
#include "discinfo/cddb_window_win.h"
#include "resources/resource.h"

class CSubmitProgress : public CCddbProgressPage {
 public:
  CSubmitProgress() : CCddbProgressPage(IDD_SUBMIT_PROGRESS, IDC_SUBMIT_STATUS) {}
};

class CSubmitEdit : public CDialog {
 public:
  CSubmitEdit() : CDialog(IDD_SUBMIT_EDIT, nullptr) {}
  // The disc's artist and title into the edits, one row per track.
  void ShowDisc(const CCddbDisc& disc);
  std::string Artist() const;
  std::string Title() const;

 protected:
  BOOL OnInitDialog() override;
  // "&Edit Disc Info..." belongs to the submission window.
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
};

class CSubmitOK : public CDialog {
 public:
  CSubmitOK() : CDialog(IDD_SUBMIT_OK, nullptr) {}
};

class CSubmitError : public CCddbTextPage {
 public:
  CSubmitError() : CCddbTextPage(IDD_SUBMIT_ERROR, IDC_SUBMIT_ERROR_TEXT) {}
};

// A row's title: "Track %d" for a title that is a single blank.
std::string SubmitRowTitle(const std::string& title, int number);
