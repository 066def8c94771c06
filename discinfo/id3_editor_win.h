#pragma once
// The ID3 editor window over a copy of the disc record's entries.
#include "discinfo/id3_editor.h"
#include "widgets/dialog.h"

class CId3EditorDialog : public CDialog {
 public:
  CId3EditorDialog(HWND owner, const CDiscRecord& disc);
  const CId3EditorModel& Model() const { return model_; }

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  void Show(size_t index);
  CTrackEntry ReadFields() const;
  void FillSelector();

  CId3EditorModel model_;
  size_t shown_ = 0;
};
