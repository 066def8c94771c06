#pragma once
// The processing window: which item is being worked on, a progress panel
// with elapsed and estimated times, and at the end the success or the error
// panel. It talks to the worker and the main window only through messages.
#include <functional>
#include <string>
#include <utility>

#include "jobs/extract_error_panel_win.h"
#include "jobs/extract_ok_panel_win.h"
#include "jobs/job.h"
#include "jobs/progress_panel_win.h"
#include "resources/resource.h"
#include "widgets/dialog.h"
#include "widgets/page_host.h"

class CProcessingDialog : public CDialog {
 public:
  explicit CProcessingDialog(HWND mainWindow);

  // Set by the opener before DoModal.
  int total = 0;
  bool encodeFiles = false;
  bool decode = false;
  bool normalize = false;
  // The player the success panel's Play Now starts (see CExtractOK).
  void SetPlayer(const PLAYER_CHOICE& configured, std::function<std::string()> findSystemPlayer) {
    okPanel_.configuredPlayer = configured;
    okPanel_.findSystemPlayer = std::move(findSystemPlayer);
  }

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;
  bool PreTranslateMessage(MSG& msg) override;
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  void ShowPanel(CDialog& panel);
  void SetTitle(UINT format, int number, const std::string& text);
  LRESULT OnExtractProgress(WPARAM wParam, LPARAM lParam);
  LRESULT OnEncodeProgress(WPARAM wParam, LPARAM lParam);
  LRESULT OnItemStart(WPARAM wParam, LPARAM lParam);
  LRESULT OnEncodeStart(WPARAM wParam, LPARAM lParam);
  LRESULT OnDecodeStart(WPARAM wParam, LPARAM lParam);
  LRESULT OnBackgroundEncodes(WPARAM wParam, LPARAM lParam);
  LRESULT OnJobDone(WPARAM wParam, LPARAM lParam);
  LRESULT OnJobFailed(WPARAM wParam, LPARAM lParam);

  HWND mainWindow_;
  int current_ = 0;
  bool ended_ = false;  // the end panel is up
  CExtractProgress extractPanel_;
  CEncodeProgress encodePanel_;
  CExtractError errorPanel_;
  CExtractOK okPanel_;
  CPageHost pages_;
};
