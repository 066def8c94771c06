#include "app/application.h"

#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <cstring>
#include <vector>

#include "app/exchange_area_win.h"
#include "app/main_window.h"
#include "cdrom/cd_audio_service_win.h"
#include "cdrom/device_io_win.h"
#include "cdrom/drive_commands.h"
#include "cdrom/virtual/virtual_drive_win.h"
#include "platform/messages.h"
#include "platform/registry_key_win.h"
#include "resources/resource.h"

namespace {

CAppSettings g_settings;  // process-wide, as every subsystem reads it

// A second instance: hand over to the first one's window if it has one.
void DeferToFirstInstance() {
  std::vector<uint8_t> copy(kExchangeAreaUsed, 0);
  CSharedExchangeArea area;
  if (area.Open()) {
    std::memcpy(copy.data(), area.Bytes(), kExchangeAreaUsed);
    area.Close();
  }
  uint32_t window = ReadAreaWindow(copy.data());
  if (window != 0)
    PostMessageA(reinterpret_cast<HWND>(static_cast<uintptr_t>(window)), UM_COME_TO_FRONT, 0, 0);
  else
    ShowMessage(nullptr, IDS_ALREADY_RUNNING);
}

// The Windows 9x family reaches drives through the vendor driver; the NT
// family through SCSI pass-through. Tests force the driver path with
// CANTARO_ACCESS_PATH=driver, since Wine reports the NT family.
AccessPath AccessPathOfThisSystem() {
  char forced[16] = {};
  DWORD length = GetEnvironmentVariableA("CANTARO_ACCESS_PATH", forced, sizeof(forced));
  return ChooseAccessPath(GetVersion(), length < sizeof(forced) ? std::string(forced, length) : std::string());
}

}  // namespace

int RunApplication(const std::string& commandLine) {
  SetMessageCaption(LoadResourceString(IDS_APP_TITLE));
  HANDLE mutex = CreateMutexA(nullptr, TRUE, kSingleInstanceMutexName);
  if (mutex && GetLastError() == ERROR_ALREADY_EXISTS) {
    DeferToFirstInstance();
    CloseHandle(mutex);
    return 0;
  }

  CSharedExchangeArea area;
  bool areaExisted = false;
  area.CreateSection(areaExisted);

  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  OleInitialize(nullptr);

  CWin32DeviceIo systemIo;
  std::unique_ptr<IDeviceIo> virtualIo = CreateVirtualDrivesFromEnvironment(systemIo);
  IDeviceIo& deviceIo = virtualIo ? *virtualIo : systemIo;
  auto* virtualDrives = dynamic_cast<CVirtualDeviceIo*>(virtualIo.get());
  CCdAudioRouter cdAudio(deviceIo, [virtualDrives](char letter) {
    return virtualDrives != nullptr && virtualDrives->Drive(letter) != nullptr;
  });
  SetCdAudioService(&cdAudio);
  CWin32RegistryKey settingsKey(HKEY_CURRENT_USER, kSettingsKeyPath);
  CMainWindow mainWindow(g_settings, deviceIo, cdAudio, settingsKey, AccessPathOfThisSystem(), commandLine);
  mainWindow.DoModal();

  SetCdAudioService(nullptr);
  OleUninitialize();
  area.Release();
  if (mutex) CloseHandle(mutex);
  return 0;
}
