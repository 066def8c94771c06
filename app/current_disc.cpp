#include "app/current_disc.h"

#include <string>
#include <vector>

#include "discinfo/disc_record.h"
#include "app/playback_commands.h"
#include "app/settings.h"
#include "app/track_list_win.h"
#include "cdrom/cdrom_device.h"
#include "discinfo/disc_reader.h"
#include "discinfo/disc_cache.h"
#include "platform/text.h"
#include "resources/resource.h"
#include "widgets/dialog.h"

void CCurrentDisc::Read() {
  list_.Clear();
  playback_.OpenDevice(cdrom_.CurrentLetter() - 'A');
  DISC_TEXTS texts = {LoadResourceString(IDS_ALL_TRACKS), LoadResourceString(IDS_TRACK_FORMAT)};
  std::vector<TRACK_ROW> rows;
  CDiscCacheSource cache(settings_.programFolder);
  if (!ReadDisc(commands_, cdrom_.Handle(), texts, cache, disc_, rows)) {
    if (cache.Status() == DiscCacheStatus::NoFolder)
      ShowMessageText(owner_, Format(LoadResourceString(IDS_CANT_OPEN_DB).c_str(), settings_.programFolder.c_str()));
    else
      list_.SetNoDisc(true);
    return;
  }
  read_ = true;
  list_.Fill(rows);
}

void CCurrentDisc::ShowDriveLabel() {
  disc_.driveLabel = cdrom_.DriveLabel(cdrom_.SelectedUnit());
  SetDlgItemTextA(owner_, IDC_DRIVE_LABEL, disc_.driveLabel.c_str());
}

void CCurrentDisc::WriteCache() {
  // Without a TOC ever read there is no disc to name a file after.
  if (!read_) return;
  std::vector<int> rowTracks;
  for (int row = 0; row < list_.Count(); ++row) rowTracks.push_back(list_.TrackIndex(row));
  if (WriteDiscCache(settings_.programFolder, disc_, rowTracks) == DiscCacheStatus::NoFolder)
    ShowMessageText(owner_, Format(LoadResourceString(IDS_CANT_OPEN_DB).c_str(), settings_.programFolder.c_str()));
}

void CCurrentDisc::Eject() {
  playback_.OpenTray();
  WriteCache();
  list_.Clear();
}

void CCurrentDisc::OnMediaChange(bool arrival, char letter) {
  if (arrival) playback_.ClearPause();
  if (letter == 0 || letter != cdrom_.CurrentLetter()) return;
  if (arrival) {
    Read();
    return;
  }
  playback_.CloseDevice();
  ShowDriveLabel();
  WriteCache();
  list_.Clear();
  list_.SetNoDisc(false);
  playback_.ClearPause();
}
