#pragma once
// A progress panel of the processing window (extract or encode): group box,
// bar with its percentage, elapsed and estimated time.
#include <cstdint>
#include <string>

#include "resources/resource.h"
#include "widgets/dialog.h"

class CProgressPanel : public CDialog {
 public:
  CProgressPanel(UINT templateId, int group, int bar, int elapsed, int estimated)
      : CDialog(templateId, nullptr), group_(group), bar_(bar), elapsed_(elapsed), estimated_(estimated) {}
  void SetGroupText(const std::string& text);
  void ShowProgress(uint32_t tenths, uint32_t elapsedMs);
  // Back to 0.0% and "00:00" elapsed for a new item or pass; the estimate
  // keeps its last text until the new item's progress gives one.
  void Reset();

 protected:
  BOOL OnInitDialog() override;

 private:
  int group_, bar_, elapsed_, estimated_;
};

class CExtractProgress : public CProgressPanel {
 public:
  CExtractProgress();
  // The line under the bar's right end while tracks encode behind the
  // reading; hidden at 0.
  void ShowBackgroundEncodes(uint32_t count);
};

class CEncodeProgress : public CProgressPanel {
 public:
  CEncodeProgress();
};
