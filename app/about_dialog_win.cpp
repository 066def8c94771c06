#include "app/about_dialog_win.h"

#include "jobs/encoder_config.h"
#include "platform/text.h"
#include "resources/resource.h"

CAboutDialog::CAboutDialog(HWND owner, const CEncoderBinding& encoder) : CDialog(IDD_ABOUT, owner), encoder_(encoder) {}

BOOL CAboutDialog::OnInitDialog() {
  std::string engine = "No encoder library is loaded.";
  if (encoder_.IsBound() && encoder_.Entries().beVersion) {
    BE_VERSION version = {};
    encoder_.Entries().beVersion(&version);
    version.zHomepage[sizeof(version.zHomepage) - 1] = 0;
    engine = Format(encoder_.loadedIndex == 1 ? "LAME_ENC.DLL, Version %d.%d" : "BLADE_ENC.DLL, Version %d.%d",
                    version.byMajorVersion, version.byMinorVersion);
    if (version.zHomepage[0]) engine += std::string("\n") + version.zHomepage;
  }
  SetDlgItemTextA(Handle(), IDC_ABOUT_ENGINE, engine.c_str());
  return TRUE;
}
