#pragma once
// What the disc-information component's tests share: a recorder of its
// events and the registry values under its own key.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "discinfo/cddb/cddb_component.h"

struct COMPLETION {
  int32_t command = 0;
  int32_t status = 0;
  CDDB_RESULT result;
};

class CRecordingEvents : public ICddbEvents {
 public:
  void CommandCompleted(int32_t command, int32_t status, const CDDB_RESULT& result) override {
    completions.push_back({command, status, result});
  }
  void CommandProgress(int32_t, int32_t phase, int32_t, int32_t) override { phases.push_back(phase); }
  std::vector<COMPLETION> completions;
  std::vector<int32_t> phases;
};

// Sets a text value of the component's key, or deletes it (value null).
inline void StoreComponentValue(const char* name, const char* value) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kCddbComponentKeyPath, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  if (value)
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), static_cast<DWORD>(strlen(value) + 1));
  else
    RegDeleteValueA(key, name);
  RegCloseKey(key);
}
