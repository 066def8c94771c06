#pragma once
// The pages of the query window (the music browser shows three of them),
// laid over its frame.
#include <string>

#include "discinfo/cddb/cddb_component.h"
#include "discinfo/cddb_window_win.h"
#include "resources/resource.h"

class CQueryProgress : public CCddbProgressPage {
 public:
  CQueryProgress() : CCddbProgressPage(IDD_QUERY_PROGRESS, IDC_QUERY_STATUS) {}
};

class CQueryMatchMulti : public CDialog {
 public:
  CQueryMatchMulti() : CDialog(IDD_QUERY_MATCH_MULTI, nullptr) {}
  void ShowMatches(const CCddbDiscCollection& matches);
  int SelectedRow() const;

 protected:
  BOOL OnInitDialog() override;
};

class CQueryFullInfo : public CDialog {
 public:
  CQueryFullInfo() : CDialog(IDD_QUERY_FULL_INFO, nullptr) {}
  void ShowDisc(const CCddbDisc& disc);

 protected:
  // "&More Disc Info..." belongs to the query window.
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
};

class CQueryNoMatch : public CDialog {
 public:
  CQueryNoMatch() : CDialog(IDD_QUERY_NO_MATCH, nullptr) {}
};

class CQueryError : public CCddbTextPage {
 public:
  CQueryError() : CCddbTextPage(IDD_QUERY_ERROR, IDC_QUERY_ERROR_TEXT) {}
};
