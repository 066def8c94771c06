#pragma once
// The requests the context-menu extension sends when its item is chosen:
// through the exchange area and a posted message to a running program, or
// by starting the program. The writing itself is the area codec's, shared
// with the program.
#include <cstdint>
#include <string>
#include <vector>

#include "app/exchange_area.h"
#include "shellext/shell_selection.h"

// What sending needs of the system; the Win32 twin lives in the extension.
class IShellHost {
 public:
  virtual ~IShellHost() = default;
  // The single-instance mutex exists.
  virtual bool ProgramRunning() = 0;
  // The named area; Open fails when it is not there.
  virtual IExchangeArea& Area() = 0;
  // Creates the area (or takes the existing one) and holds it for the life
  // of the host process; false when it cannot be created.
  virtual bool HoldArea() = 0;
  // Posts message with wParam 1, lParam 0 to the program's window.
  virtual void PostToProgram(uint32_t window, uint32_t message) = 0;
  // Starts the program from its setup folder with these parameters.
  virtual void StartProgram(const std::string& parameters) = 0;
  // Shows a message of the string table (caption "Cantaro Maker", OK).
  virtual void ShowMessage(int stringId) = 0;
  virtual CDA_CHECK ReadCdaTrack(const std::string& path, int32_t& track) = 0;
};

// Sends what the chosen item asks for; the selection's file list is
// consumed. Does nothing for a selection that is not valid.
void SendSelection(IShellHost& host, SHELL_SELECTION& selection, const std::string& targetFolder);
