#pragma once
// The five pages of the query window, laid over its frame.
#include <memory>
#include <string>

#include "discinfo/cddb/cddb_component.h"
#include "widgets/dialog.h"

class CQueryProgress : public CDialog {
 public:
  explicit CQueryProgress(HWND owner);
  void SetStatus(const char* text);
  // Range 0..total and the position, both as the bar's 16-bit values.
  void SetProgress(int32_t position, int32_t total);
};

class CQueryMatchMulti : public CDialog {
 public:
  explicit CQueryMatchMulti(HWND owner);
  void ShowMatches(const CCddbDiscCollection& matches);
  int SelectedRow() const;

 protected:
  BOOL OnInitDialog() override;
};

class CQueryFullInfo : public CDialog {
 public:
  explicit CQueryFullInfo(HWND owner);
  void ShowDisc(const CCddbDisc& disc);

 protected:
  // "&More Disc Info..." belongs to the query window.
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
};

class CQueryNoMatch : public CDialog {
 public:
  explicit CQueryNoMatch(HWND owner);
};

class CQueryError : public CDialog {
 public:
  explicit CQueryError(HWND owner);
  void SetText(const std::string& text);
};
