#pragma once
// The system behind the extension's selection check and requests.
#include <windows.h>

#include "app/exchange_area_win.h"
#include "shellext/shell_requests.h"
#include "shellext/shell_selection.h"

// Reads at most kCdaHeaderSize bytes of a ".cda" file and checks them.
CDA_CHECK ReadCdaFile(const std::string& path, int32_t& track);

class CShellFilesWin : public ISelectionFiles {
 public:
  bool IsDirectory(const std::string& path) override;
  bool IsCdRomDrive(const std::string& root) override;
  CDA_CHECK ReadCdaTrack(const std::string& path, int32_t& track) override { return ReadCdaFile(path, track); }
};

class CShellHostWin : public IShellHost {
 public:
  bool ProgramRunning() override;
  IExchangeArea& Area() override { return area_; }
  bool HoldArea() override;
  void PostToProgram(uint32_t window, uint32_t message) override;
  void StartProgram(const std::string& parameters) override;
  void ShowMessage(int stringId) override;
  CDA_CHECK ReadCdaTrack(const std::string& path, int32_t& track) override { return ReadCdaFile(path, track); }

 private:
  CSharedExchangeArea area_;
};
