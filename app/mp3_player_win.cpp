#include "app/mp3_player_win.h"

#include <windows.h>

#include "app/mp3_player.h"

namespace {

// The default value of a key under HKEY_CLASSES_ROOT, at most 254 characters.
bool ReadClassDefault(const std::string& subKey, std::string& value) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, subKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  char buffer[255] = {};
  DWORD size = sizeof(buffer) - 1;
  DWORD type = 0;
  LONG status = RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
  value.assign(buffer, strnlen(buffer, sizeof(buffer)));
  return true;
}

}  // namespace

std::string FindSystemMp3Player() {
  std::string fileType;
  std::string command;
  if (!ReadClassDefault(".mp3", fileType) || fileType.empty()) return std::string();
  if (!ReadClassDefault(fileType + "\\shell\\open\\command\\", command)) return std::string();
  return CleanPlayerCommand(command);
}
