#include "cdrom/autoplay_win.h"

#include <windows.h>

namespace {

// Failures are ignored: AutoPlay is a courtesy, not part of a rip.
void WriteVerb(const std::string& verb) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, kAutoPlayKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
  RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(verb.c_str()),
                 static_cast<DWORD>(verb.size() + 1));
  RegFlushKey(key);
  RegCloseKey(key);
}

}  // namespace

void CAutoPlay::SuppressAtStart(bool disable) {
  started_ = true;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, kAutoPlayKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
  char buffer[256] = "Play";
  DWORD size = sizeof(buffer) - 1;
  DWORD type = 0;
  bool read = RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) == ERROR_SUCCESS &&
              (type == REG_SZ || type == REG_EXPAND_SZ);
  if (read) {
    buffer[sizeof(buffer) - 1] = 0;
    savedVerb_.assign(buffer, strnlen(buffer, sizeof(buffer)));
    if (disable) RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1);
  }
  RegFlushKey(key);
  RegCloseKey(key);
}

void CAutoPlay::Apply(bool disable) { WriteVerb(disable ? std::string() : savedVerb_); }

void CAutoPlay::Restore() {
  if (started_) WriteVerb(savedVerb_);
}
