#include "shellext/shell_requests.h"

#include "platform/messages.h"

namespace {

// Fills the area with a file request and reads the program's window there;
// false when the area cannot be mapped.
bool WriteFiles(IShellHost& host, bool writeItemCount, const SHELL_SELECTION& selection, const std::string& folder,
                uint32_t& window) {
  IExchangeArea& area = host.Area();
  if (!area.Open()) return false;
  AREA_JOB_KIND kind = selection.kind == SELECTION_MP3 ? AREA_JOB_DECODE : AREA_JOB_ENCODE;
  WriteFileRequest(area.Bytes(), kind, selection.driveLetter, folder, selection.files, writeItemCount);
  window = ReadAreaWindow(area.Bytes());
  area.Close();
  return true;
}

void SendFileRequest(IShellHost& host, const SHELL_SELECTION& selection, const std::string& folder) {
  if (host.ProgramRunning()) {
    // A program still starting up (no window yet) picks the request up itself.
    uint32_t window = 0;
    if (WriteFiles(host, false, selection, folder, window) && window != 0)
      host.PostToProgram(window, selection.kind == SELECTION_MP3 ? UM_DECODE_REQUEST : UM_ENCODE_REQUEST);
    return;
  }
  // No program: a window handle left in the area is stale, so nothing is
  // posted; the program takes the request when its window is up.
  uint32_t stale = 0;
  if (host.HoldArea() && WriteFiles(host, true, selection, folder, stale)) host.StartProgram("");
}

// The track numbers of the ".cda" files, or false after showing why not.
bool ReadTracks(IShellHost& host, const std::vector<std::string>& files, std::vector<int32_t>& tracks) {
  for (const std::string& path : files) {
    int32_t track = 0;
    CDA_CHECK check = host.ReadCdaTrack(path, track);
    if (check != CDA_OK) {
      host.ShowMessage(CdaCheckMessage(check));
      return false;
    }
    tracks.push_back(track);
  }
  return true;
}

void SendExtractRequest(IShellHost& host, const SHELL_SELECTION& selection, const std::string& folder) {
  std::vector<int32_t> tracks;
  if (!ReadTracks(host, selection.files, tracks)) return;
  if (!host.ProgramRunning()) {
    host.StartProgram(ExtractCommandLine(tracks, selection.driveLetter, folder));
    return;
  }
  IExchangeArea& area = host.Area();
  if (!area.Open()) return;
  WriteExtractRequest(area.Bytes(), tracks, selection.driveLetter, folder);
  uint32_t window = ReadAreaWindow(area.Bytes());
  area.Close();
  if (window != 0) host.PostToProgram(window, UM_EXTRACT_REQUEST);
}

}  // namespace

void SendSelection(IShellHost& host, SHELL_SELECTION& selection, const std::string& targetFolder) {
  // A list already handed over is not sent again as an empty request.
  if (!selection.valid || selection.files.empty()) return;
  if (selection.kind == SELECTION_CD)
    SendExtractRequest(host, selection, targetFolder);
  else
    SendFileRequest(host, selection, targetFolder);
  selection.files.clear();  // consumed: the request has been handed over
}
