#include "app/options_command.h"

#include <algorithm>

#include "app/accuraterip_http_win.h"
#include "app/busy_guard.h"
#include "app/cddb_commands.h"
#include "app/current_disc.h"
#include "app/options_dlg_win.h"
#include "app/playback_commands.h"
#include "app/settings.h"
#include "cdrom/autoplay_win.h"
#include "cdrom/cdrom_device.h"
#include "cdrom/drive_commands.h"
#include "discinfo/disc_record.h"
#include "jobs/offset_detection.h"
#include "jobs/encoder_library.h"
#include "jobs/extraction.h"
#include "resources/resource.h"

void COptionsCommand::Run() {
  CBusyGuard busy(busy_);
  if (busy.Held()) RunWhileBusy(owner_);
}

void COptionsCommand::RunWhileBusy(HWND dialogOwner) {
  COptionsDlg dialog(dialogOwner, *t_.settings, *t_.cdrom, *t_.settingsKey, [this] { t_.cddb->ClearCddbCache(); },
                     [this](int32_t& offset, uint32_t& confidence, std::string& why) {
                       return DetectReadOffset(offset, confidence, why);
                     });
  if (dialog.DoModal() != IDOK) return;
  ApplyChanges(dialog.AppearanceChanged());
}

void COptionsCommand::ApplyChanges(bool appearanceChanged) {
  const CAppSettings& settings = *t_.settings;
  RebindEncoder();
  if (!ChangeDrive()) return;
  if (settings.DeviceType != t_.commands->DriveType()) t_.commands->ChangeDriveType(settings.DeviceType);
  t_.commands->retryTimes = settings.RetryTimes;
  t_.cddb->ApplyCddbOptions();
  t_.autoPlay->Apply(settings.DisableAutoPlay == 1);
  if (appearanceChanged) RedrawWindow(owner_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void COptionsCommand::RebindEncoder() {
  CEncoderBinding& encoder = *t_.encoder;
  int chosen = t_.settings->MP3Encoder;
  if (chosen == encoder.loadedIndex) return;
  int old = encoder.loadedIndex;
  encoder.loadedIndex = chosen;
  encoder.Unload();
  if (encoder.LoadEncoder(chosen)) return;
  ShowMessage(owner_, IDS_CANT_LOAD_ENCODER);
  // The old library is the one in use again, and the one the next start
  // loads: the choice that failed is not kept.
  encoder.loadedIndex = old;
  t_.settings->MP3Encoder = old;
  if (!encoder.LoadEncoder(old)) ShowMessage(owner_, IDS_CANT_LOAD_OLD_ENCODER);
}

bool COptionsCommand::ChangeDrive() {
  int chosen = t_.settings->CDROMDriver;
  if (chosen == t_.cdrom->SelectedUnit()) return true;
  // The disc that goes out of view keeps its texts.
  t_.disc->WriteCache();
  if (!t_.cdrom->ChangeUnit(chosen)) return false;
  t_.playback->CloseDevice();
  t_.disc->Read();
  t_.disc->ShowDriveLabel();
  return true;
}

bool COptionsCommand::DetectReadOffset(int32_t& offset, uint32_t& confidence, std::string& why) {
  AR_DISC disc = AccurateRipDisc(t_.record->ranges);
  OFFSET_DETECTION detection;
  detection.disc = &disc;
  detection.database = &SessionAccurateRipDatabase();
  detection.serverUrl = AccurateRipServer(t_.settings->AccurateRipURL);
  detection.timeoutMs = std::clamp<int32_t>(t_.settings->ServerTimeout, 1000, 10000);
  detection.maxFramesPerRead = FramesPerRead(t_.settings->BufferSize);
  CDriveCommands& commands = *t_.commands;
  DeviceHandle device = t_.cdrom->Handle();
  ReadFramesFunction read = [&commands, device](uint32_t lba, uint32_t frames, uint8_t* out) {
    CD_READ_REQUEST request;
    request.start = lba;
    request.frames = frames;
    request.bytes = frames * kFrameBytes;
    request.buffer = out;
    return commands.ReadSectors(device, request);
  };
  AR_OFFSET_MATCH match;
  if (!DetectDriveOffset(detection, read, match, why)) return false;
  offset = match.offset;
  confidence = match.confidence;
  return true;
}
