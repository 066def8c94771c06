#include "app/exchange_requests.h"

#include <cstring>

#include "platform/text.h"

void CExchangeRequests::OnExtractRequest() {
  target_.ComeToFront();
  if (target_.IsBusy()) return;  // the request stays in the area
  if (!area_.Open()) return;
  EXCHANGE_REQUEST request = ReadExchangeArea(area_.Bytes());
  area_.Close();

  if (request.driveLetter != target_.CurrentDriveLetter() && target_.HasDrive(request.driveLetter) &&
      !target_.SwitchToDrive(request.driveLetter))
    return;  // the requested drive cannot be opened: abandon quietly
  int checked = request.itemCount > 0 ? CheckRequestedTracks(request.tracks) : 0;
  ApplyFolder(request.folder);
  if (checked > 0) target_.PostStartExtract(1);
}

int CExchangeRequests::CheckRequestedTracks(const std::vector<int32_t>& tracks) {
  int rows = target_.RowCount();
  for (int row = 0; row < rows; ++row) target_.SetRowChecked(row, false);
  int checked = 0;
  for (int32_t t : tracks) {
    if (t < 1 || t > rows) continue;
    for (int row = 0; row < rows; ++row) {
      if (target_.RowTrackIndex(row) + 1 == t) {
        target_.SetRowChecked(row, true);
        ++checked;
        break;
      }
    }
  }
  return checked;
}

void CExchangeRequests::OnFileRequest(bool decode) {
  target_.ComeToFront();
  if (target_.IsBusy()) return;
  target_.SetBusy(true);
  std::vector<uint8_t> copy(kExchangeAreaUsed, 0);
  if (area_.Open()) {
    std::memcpy(copy.data(), area_.Bytes(), kExchangeAreaUsed);
    // Taken: clear it so the request is not run twice.
    std::memset(area_.Bytes(), 0, kExchangeAreaUsed);
    WriteAreaWindow(area_.Bytes(), target_.WindowHandle());
    area_.Close();
  }
  EXCHANGE_REQUEST request = ReadExchangeArea(copy.data());
  ApplyFolder(request.folder);
  inputFiles_ = request.files;
  if (!inputFiles_.empty()) target_.RunFileJob(inputFiles_.size(), decode);
  target_.SetBusy(false);
}

void CExchangeRequests::ApplyFolder(const std::string& folder) {
  if (folder.empty()) {
    settings_.sessionOutputFolder = NormaliseFolder(settings_.OutputFolder);
    return;
  }
  TrySetSessionOutputFolder(settings_, folder);
}

void CExchangeRequests::RegisterWindow() {
  if (!area_.Open()) return;
  WriteAreaWindow(area_.Bytes(), target_.WindowHandle());
  WriteAreaInt(area_.Bytes(), kAreaItemCountOffset, 0);
  area_.Close();
}

void CExchangeRequests::PickUpWaitingRequest() {
  if (!area_.Open()) return;
  WriteAreaWindow(area_.Bytes(), target_.WindowHandle());
  int32_t kind = ReadAreaInt(area_.Bytes(), kAreaJobKindOffset);
  area_.Close();
  target_.PostFileRequest(kind != 0);
}
