#pragma once
// The program's side of the exchange area: the handlers of the requests the
// shell extension (or a second instance) posts to the main window, and the
// start-up steps that register the window and pick up a waiting request.
#include <string>
#include <vector>

#include "app/exchange_area.h"
#include "app/settings.h"

// What the handlers need of the main window.
class IRequestTarget {
 public:
  virtual ~IRequestTarget() = default;
  virtual void ComeToFront() = 0;
  virtual bool IsBusy() const = 0;
  virtual void SetBusy(bool busy) = 0;
  virtual uint32_t WindowHandle() const = 0;
  virtual char CurrentDriveLetter() const = 0;
  // Switches as the Options command does; false when no drive has that
  // letter or its device cannot be opened.
  virtual bool HasDrive(char letter) const = 0;
  virtual bool SwitchToDrive(char letter) = 0;
  // The track list: rows in processing order, each with its 0-based track index.
  virtual int RowCount() const = 0;
  virtual int RowTrackIndex(int row) const = 0;
  virtual void SetRowChecked(int row, bool checked) = 0;
  // Posts the start-extract message with the given wParam.
  virtual void PostStartExtract(int repaintFlag) = 0;
  // Posts a file request to the window itself (start-up step 21).
  virtual void PostFileRequest(bool decode) = 0;
  // Runs the processing window modally on the input file list.
  virtual void RunFileJob(size_t fileCount, bool decode) = 0;
};

class CExchangeRequests {
 public:
  CExchangeRequests(IExchangeArea& area, IRequestTarget& target, CAppSettings& settings,
                    std::vector<std::string>& inputFiles)
      : area_(area), target_(target), settings_(settings), inputFiles_(inputFiles) {}

  // WM_USER+2000.
  void OnExtractRequest();
  // WM_USER+2010 (decode) and WM_USER+2011 (encode).
  void OnFileRequest(bool decode);
  // Start-up: write the window handle and a zero item count.
  void RegisterWindow();
  // Start-up: take a file request the extension left before the program ran.
  void PickUpWaitingRequest();

 private:
  // Folder handed over in the area, or the configured folder when empty.
  void ApplyFolder(const std::string& folder);
  int CheckRequestedTracks(const std::vector<int32_t>& tracks);

  IExchangeArea& area_;
  IRequestTarget& target_;
  CAppSettings& settings_;
  std::vector<std::string>& inputFiles_;
};
