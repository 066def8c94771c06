#pragma once
// The About dialog: the program's name and version and the encoder engine
// in use.
#include "jobs/encoder_library.h"
#include "widgets/dialog.h"

class CAboutDialog : public CDialog {
 public:
  CAboutDialog(HWND owner, const CEncoderBinding& encoder);

 protected:
  BOOL OnInitDialog() override;

 private:
  const CEncoderBinding& encoder_;
};
