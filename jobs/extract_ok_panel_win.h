#pragma once
// The processing window's success panel: it keeps the job's output paths
// and the last output folder.
#include <string>
#include <vector>

#include "resources/resource.h"
#include "widgets/dialog.h"

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
