#pragma once
// The processing window's error panel: the job failed; its button opens the
// log window.
#include "resources/resource.h"
#include "widgets/dialog.h"

class CExtractError : public CDialog {
 public:
  CExtractError() : CDialog(IDD_PANEL_ERROR, nullptr) {}

 protected:
  BOOL OnInitDialog() override;
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
};
