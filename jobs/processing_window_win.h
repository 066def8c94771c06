#pragma once
// The processing window: which item is being worked on, a progress panel
// with elapsed and estimated times, and at the end the success or the error
// panel. It talks to the worker and the main window only through messages.
#include <string>
#include <vector>

#include "jobs/job.h"
#include "resources/resource.h"
#include "widgets/dialog.h"

// A progress panel (extract or encode): group box, bar with its percentage,
// elapsed and estimated time.
class CProgressPanel : public CDialog {
 public:
  CProgressPanel(UINT templateId, int group, int bar, int elapsed, int estimated)
      : CDialog(templateId, nullptr), group_(group), bar_(bar), elapsed_(elapsed), estimated_(estimated) {}
  void SetGroupText(const std::string& text);
  void ShowProgress(uint32_t tenths, uint32_t elapsedMs);
  // Back to 0.0% and "00:00" for a new item or pass.
  void Reset();

 protected:
  BOOL OnInitDialog() override;

 private:
  int group_, bar_, elapsed_, estimated_;
};

class CExtractProgress : public CProgressPanel {
 public:
  CExtractProgress();
};

class CEncodeProgress : public CProgressPanel {
 public:
  CEncodeProgress();
};

class CExtractError : public CDialog {
 public:
  CExtractError() : CDialog(IDD_PANEL_ERROR, nullptr) {}

 protected:
  BOOL OnInitDialog() override;
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
};

class CExtractOK : public CDialog {
 public:
  CExtractOK() : CDialog(IDD_PANEL_OK, nullptr) {}
  void AddOutput(const std::string& path, const std::string& folder);
  const std::vector<std::string>& Outputs() const { return outputs_; }
  const std::string& LastFolder() const { return lastFolder_; }

 protected:
  BOOL OnInitDialog() override;

 private:
  std::vector<std::string> outputs_;
  std::string lastFolder_;
};

class CProcessingDialog : public CDialog {
 public:
  explicit CProcessingDialog(HWND mainWindow);

  // Set by the opener before DoModal.
  int total = 0;
  bool encodeFiles = false;
  bool decode = false;
  bool normalize = false;

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  void ShowPanel(CDialog& panel);
  void SetTitle(UINT format, int number, const std::string& text);
  LRESULT OnExtractProgress(WPARAM wParam, LPARAM lParam);
  LRESULT OnEncodeProgress(WPARAM wParam, LPARAM lParam);
  LRESULT OnItemStart(WPARAM wParam, LPARAM lParam);
  LRESULT OnEncodeStart(WPARAM wParam, LPARAM lParam);
  LRESULT OnDecodeStart(WPARAM wParam, LPARAM lParam);
  LRESULT OnJobDone(WPARAM wParam, LPARAM lParam);
  LRESULT OnJobFailed(WPARAM wParam, LPARAM lParam);

  HWND mainWindow_;
  int current_ = 0;
  bool ended_ = false;  // the end panel is up
  CExtractProgress extractPanel_;
  CEncodeProgress encodePanel_;
  CExtractError errorPanel_;
  CExtractOK okPanel_;
};

// Opens the log window modally.
void ShowLogWindow(HWND owner);
