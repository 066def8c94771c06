#include "platform/registry_key_win.h"

#include <cstring>

RegistryRead CWin32RegistryKey::Query(const std::string& name, DWORD wantedType, std::vector<uint8_t>& data,
                                      size_t bufferBytes) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root_, path_.c_str(), 0, KEY_READ | KEY_WRITE, &key) != ERROR_SUCCESS) return RegistryRead::Missing;
  data.assign(bufferBytes, 0);
  DWORD type = 0;
  DWORD size = static_cast<DWORD>(bufferBytes);
  LONG status = RegQueryValueExA(key, name.c_str(), nullptr, &type, data.data(), &size);
  RegCloseKey(key);
  if (status == ERROR_MORE_DATA) return RegistryRead::TooLong;
  if (status != ERROR_SUCCESS || type != wantedType) return RegistryRead::Missing;
  data.resize(size);
  return RegistryRead::Ok;
}

RegistryRead CWin32RegistryKey::QueryDword(const std::string& name, int32_t& value) {
  std::vector<uint8_t> data;
  RegistryRead status = Query(name, REG_DWORD, data, sizeof(DWORD));
  if (status != RegistryRead::Ok || data.size() != sizeof(DWORD)) return RegistryRead::Missing;
  std::memcpy(&value, data.data(), sizeof(value));
  return RegistryRead::Ok;
}

RegistryRead CWin32RegistryKey::QueryString(const std::string& name, size_t bufferBytes, std::string& value) {
  std::vector<uint8_t> data;
  RegistryRead status = Query(name, REG_SZ, data, bufferBytes);
  if (status != RegistryRead::Ok) return status;
  const char* text = reinterpret_cast<const char*>(data.data());
  value.assign(text, strnlen(text, data.size()));
  return RegistryRead::Ok;
}

RegistryRead CWin32RegistryKey::QueryBinary(const std::string& name, std::vector<uint8_t>& value) {
  // Binary values here are small and of fixed size; 4 KiB bounds the read.
  return Query(name, REG_BINARY, value, 4096);
}

bool CWin32RegistryKey::Set(const std::string& name, DWORD type, const void* data, DWORD size) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root_, path_.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS &&
      RegCreateKeyExA(root_, path_.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return false;
  LONG status = RegSetValueExA(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
  RegCloseKey(key);
  return status == ERROR_SUCCESS;
}

bool CWin32RegistryKey::SetDword(const std::string& name, int32_t value) {
  DWORD raw = static_cast<DWORD>(value);
  return Set(name, REG_DWORD, &raw, sizeof(raw));
}

bool CWin32RegistryKey::SetString(const std::string& name, const std::string& value) {
  return Set(name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

bool CWin32RegistryKey::SetBinary(const std::string& name, const std::vector<uint8_t>& value) {
  return Set(name, REG_BINARY, value.data(), static_cast<DWORD>(value.size()));
}
