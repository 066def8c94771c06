#include "app/exchange_area_win.h"

bool CSharedExchangeArea::Open() {
  Close();
  mapping_ = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, kExchangeAreaName);
  if (!mapping_) return false;
  view_ = static_cast<uint8_t*>(MapViewOfFile(mapping_, FILE_MAP_ALL_ACCESS, 0, 0, kExchangeAreaUsed));
  if (!view_) {
    CloseHandle(mapping_);
    mapping_ = nullptr;
    return false;
  }
  return true;
}

void CSharedExchangeArea::Close() {
  if (view_) UnmapViewOfFile(view_);
  if (mapping_) CloseHandle(mapping_);
  view_ = nullptr;
  mapping_ = nullptr;
}

HANDLE CSharedExchangeArea::CreateNamedSection(bool& alreadyExisted) {
  HANDLE section = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                      static_cast<DWORD>(kExchangeAreaSize), kExchangeAreaName);
  alreadyExisted = GetLastError() == ERROR_ALREADY_EXISTS;
  return section;
}

bool CSharedExchangeArea::CreateSection(bool& alreadyExisted) {
  HANDLE section = CreateNamedSection(alreadyExisted);
  if (!section) return false;
  if (alreadyExisted) {
    // The shell extension created it and keeps it alive.
    CloseHandle(section);
    return true;
  }
  section_ = section;
  return true;
}

bool CSharedExchangeArea::KeepSection() {
  if (section_) return true;
  bool existed = false;
  section_ = CreateNamedSection(existed);
  return section_ != nullptr;
}

void CSharedExchangeArea::Release() {
  if (section_) CloseHandle(section_);
  section_ = nullptr;
}
