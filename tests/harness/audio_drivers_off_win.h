#pragma once
// Wine's audio drivers turned off for one program, by its per-program DLL
// overrides in the registry: the program then starts on a machine without
// a sound device. (WINEDLLOVERRIDES in a child's environment does not
// reach Wine's start-up, which reads its own.)
#include <windows.h>

#include <string>

class CScopedAudioDriversOff {
 public:
  explicit CScopedAudioDriversOff(const std::string& program)
      : program_("Software\\Wine\\AppDefaults\\" + program), overrides_(program_ + "\\DllOverrides") {
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, overrides_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
      return;
    for (const char* driver : {"winealsa.drv", "winepulse.drv", "wineoss.drv", "winecoreaudio.drv"})
      RegSetValueExA(key, driver, 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1);
    RegCloseKey(key);
  }
  ~CScopedAudioDriversOff() {
    RegDeleteKeyA(HKEY_CURRENT_USER, overrides_.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, program_.c_str());  // only when nothing else is kept there
  }

 private:
  std::string program_;
  std::string overrides_;
};
