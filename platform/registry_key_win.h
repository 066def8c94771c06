#pragma once
// The real registry behind the registry-key seam.
#include <windows.h>

#include "platform/registry_key.h"

class CWin32RegistryKey : public IRegistryKey {
 public:
  CWin32RegistryKey(HKEY root, std::string path) : root_(root), path_(std::move(path)) {}

  RegistryRead QueryDword(const std::string& name, int32_t& value) override;
  RegistryRead QueryString(const std::string& name, size_t bufferBytes, std::string& value) override;
  RegistryRead QueryBinary(const std::string& name, std::vector<uint8_t>& value) override;
  bool SetDword(const std::string& name, int32_t value) override;
  bool SetString(const std::string& name, const std::string& value) override;
  bool SetBinary(const std::string& name, const std::vector<uint8_t>& value) override;

 private:
  RegistryRead Query(const std::string& name, DWORD wantedType, std::vector<uint8_t>& data, size_t bufferBytes);
  bool Set(const std::string& name, DWORD type, const void* data, DWORD size);

  HKEY root_;
  std::string path_;
};
