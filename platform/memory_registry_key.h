#pragma once
// An in-memory registry key for tests: case-insensitive names that keep
// their spelling, typed values, and a switch that makes every call fail as
// an unavailable registry would.
#include <map>

#include "platform/registry_key.h"

class CMemoryRegistryKey : public IRegistryKey {
 public:
  enum class Type { Dword, String, Binary };
  struct Value {
    std::string storedName;  // the spelling the last writer used
    Type type = Type::Dword;
    int32_t number = 0;
    std::string text;
    std::vector<uint8_t> bytes;
  };

  RegistryRead QueryDword(const std::string& name, int32_t& value) override;
  RegistryRead QueryString(const std::string& name, size_t bufferBytes, std::string& value) override;
  RegistryRead QueryBinary(const std::string& name, std::vector<uint8_t>& value) override;
  bool SetDword(const std::string& name, int32_t value) override;
  bool SetString(const std::string& name, const std::string& value) override;
  bool SetBinary(const std::string& name, const std::vector<uint8_t>& value) override;

  // Test access.
  const Value* Find(const std::string& name) const;
  size_t Count() const { return values_.size(); }
  int WriteCount() const { return writes_; }
  void SetUnavailable(bool unavailable) { unavailable_ = unavailable; }

 private:
  std::map<std::string, Value> values_;  // keyed by the upper-case name
  bool unavailable_ = false;
  int writes_ = 0;
};
