#pragma once
// The program's exchange area held by a test: created (or taken) and
// mapped while the object lives, as the program or the shell extension
// holds it.
#include <windows.h>

#include <cstdint>

#include "app/exchange_area.h"

class CHeldExchangeArea {
 public:
  CHeldExchangeArea() {
    mapping_ =
        CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kExchangeAreaSize, kExchangeAreaName);
    view_ = mapping_ ? static_cast<uint8_t*>(MapViewOfFile(mapping_, FILE_MAP_ALL_ACCESS, 0, 0, kExchangeAreaUsed))
                     : nullptr;
  }
  ~CHeldExchangeArea() {
    if (view_) UnmapViewOfFile(view_);
    if (mapping_) CloseHandle(mapping_);
  }
  CHeldExchangeArea(const CHeldExchangeArea&) = delete;
  CHeldExchangeArea& operator=(const CHeldExchangeArea&) = delete;
  uint8_t* Bytes() { return view_; }

 private:
  HANDLE mapping_ = nullptr;
  uint8_t* view_ = nullptr;
};
