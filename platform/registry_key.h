#pragma once
// The registry-key seam: one key, named by its path. The real key is the
// Win32 registry; host tests use the in-memory key.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class RegistryRead {
  Ok,
  Missing,  // key or value absent, or of a form that cannot be read
  TooLong,  // a string value that does not fit the receive buffer
};

class IRegistryKey {
 public:
  virtual ~IRegistryKey() = default;
  // Each call opens the key, works and closes it again. Names are passed on
  // exactly as given; lookups are case-insensitive, as in the registry.
  virtual RegistryRead QueryDword(const std::string& name, int32_t& value) = 0;
  // bufferBytes counts the terminating zero, so at most bufferBytes - 1
  // characters are returned.
  virtual RegistryRead QueryString(const std::string& name, size_t bufferBytes, std::string& value) = 0;
  virtual RegistryRead QueryBinary(const std::string& name, std::vector<uint8_t>& value) = 0;
  // Create (or open) the key and write the value. False on failure.
  virtual bool SetDword(const std::string& name, int32_t value) = 0;
  virtual bool SetString(const std::string& name, const std::string& value) = 0;
  virtual bool SetBinary(const std::string& name, const std::vector<uint8_t>& value) = 0;
};
