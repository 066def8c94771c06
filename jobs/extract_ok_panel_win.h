#pragma once
// The processing window's success panel: it keeps the job's output paths
// and the last output folder, and offers Play Now and Create Play List.
#include <functional>
#include <string>
#include <vector>

#include "jobs/completion.h"
#include "resources/resource.h"
#include "widgets/dialog.h"

class CExtractOK : public CDialog {
 public:
  CExtractOK() : CDialog(IDD_PANEL_OK, nullptr) {}
  void AddOutput(const std::string& path, const std::string& folder);
  const std::vector<std::string>& Outputs() const { return outputs_; }
  const std::string& LastFolder() const { return lastFolder_; }

  // Set by the opener: "MP3Player" and "MP3PlayerParameters", and where
  // the system's player is found when the first is blank.
  PLAYER_CHOICE configuredPlayer;
  std::function<std::string()> findSystemPlayer;

 protected:
  BOOL OnInitDialog() override;
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  LRESULT OnPlayNow(WPARAM wParam, LPARAM lParam);
  LRESULT OnCreatePlayList(WPARAM wParam, LPARAM lParam);
  bool ChoosePlayListFile(std::string& path);

  std::vector<std::string> outputs_;
  std::string lastFolder_;
};
