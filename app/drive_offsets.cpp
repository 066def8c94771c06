#include "app/drive_offsets.h"

#include "cdrom/read_offset.h"
#include "platform/text.h"

namespace {

// An INQUIRY field is space-padded and may lack its terminating zero.
std::string Field(const char* text, size_t size) {
  std::string value;
  for (size_t i = 0; i < size && text[i]; ++i)
    value.push_back(static_cast<unsigned char>(text[i]) >= 0x20 && static_cast<unsigned char>(text[i]) < 0x7F
                        ? text[i]
                        : ' ');
  return Trim(value);
}

}  // namespace

std::string ReadOffsetValueName(const CDriveIdentity& identity) {
  std::string vendor = Field(identity.vendor, sizeof identity.vendor);
  std::string product = Field(identity.product, sizeof identity.product);
  if (vendor.empty() && product.empty()) return std::string();
  return vendor + " " + product;
}

int32_t LoadReadOffset(IRegistryKey& offsets, const std::string& valueName) {
  int32_t value = 0;
  if (valueName.empty() || offsets.QueryDword(valueName, value) != RegistryRead::Ok) return 0;
  return ClampReadOffset(value);
}

bool SaveReadOffset(IRegistryKey& offsets, const std::string& valueName, int32_t offset) {
  return !valueName.empty() && offsets.SetDword(valueName, ClampReadOffset(offset));
}
