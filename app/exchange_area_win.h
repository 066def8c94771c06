#pragma once
// The named shared-memory section behind the exchange area.
#include <windows.h>

#include "app/exchange_area.h"

class CSharedExchangeArea : public IExchangeArea {
 public:
  ~CSharedExchangeArea() override { Close(); }
  bool Open() override;
  uint8_t* Bytes() override { return view_; }
  void Close() override;

  // Creates the 65536-byte section (or opens it when it exists); the handle
  // keeps the area alive until Release. alreadyExisted reports whether
  // another process had created it.
  bool CreateSection(bool& alreadyExisted);
  // Creates the section or opens the existing one and keeps this handle
  // either way: the shell extension holds the area for the life of its
  // host process, so a request left for a program it starts survives.
  bool KeepSection();
  void Release();

 private:
  static HANDLE CreateNamedSection(bool& alreadyExisted);

  HANDLE mapping_ = nullptr;  // between Open and Close
  uint8_t* view_ = nullptr;
  HANDLE section_ = nullptr;  // the creator's handle that keeps the area alive
};
