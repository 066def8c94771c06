#include "platform/memory_registry_key.h"

#include "platform/text.h"

RegistryRead CMemoryRegistryKey::QueryDword(const std::string& name, int32_t& value) {
  const Value* v = Find(name);
  if (unavailable_ || !v || v->type != Type::Dword) return RegistryRead::Missing;
  value = v->number;
  return RegistryRead::Ok;
}

RegistryRead CMemoryRegistryKey::QueryString(const std::string& name, size_t bufferBytes, std::string& value) {
  const Value* v = Find(name);
  if (unavailable_ || !v || v->type != Type::String) return RegistryRead::Missing;
  if (v->text.size() + 1 > bufferBytes) return RegistryRead::TooLong;
  value = v->text;
  return RegistryRead::Ok;
}

RegistryRead CMemoryRegistryKey::QueryBinary(const std::string& name, std::vector<uint8_t>& value) {
  const Value* v = Find(name);
  if (unavailable_ || !v || v->type != Type::Binary) return RegistryRead::Missing;
  value = v->bytes;
  return RegistryRead::Ok;
}

bool CMemoryRegistryKey::SetDword(const std::string& name, int32_t value) {
  if (unavailable_) return false;
  Value& v = values_[ToUpperAscii(name)];
  v = Value{name, Type::Dword, value, {}, {}};
  ++writes_;
  return true;
}

bool CMemoryRegistryKey::SetString(const std::string& name, const std::string& value) {
  if (unavailable_) return false;
  Value& v = values_[ToUpperAscii(name)];
  v = Value{name, Type::String, 0, value, {}};
  ++writes_;
  return true;
}

bool CMemoryRegistryKey::SetBinary(const std::string& name, const std::vector<uint8_t>& value) {
  if (unavailable_) return false;
  Value& v = values_[ToUpperAscii(name)];
  v = Value{name, Type::Binary, 0, {}, value};
  ++writes_;
  return true;
}

const CMemoryRegistryKey::Value* CMemoryRegistryKey::Find(const std::string& name) const {
  auto it = values_.find(ToUpperAscii(name));
  return it == values_.end() ? nullptr : &it->second;
}
