#pragma once
// Each drive's read offset, in samples, under the settings key's subkey
// "ReadOffsets": one DWORD per drive, named by its INQUIRY vendor and
// product ("<vendor> <product>", each trimmed). A drive without a value
// reads with offset 0.
#include <cstdint>
#include <string>

#include "cdrom/drive_commands.h"
#include "platform/registry_key.h"

inline constexpr const char* kReadOffsetsSubkey = "ReadOffsets";

// The value name of a drive; empty when the drive gave neither text.
std::string ReadOffsetValueName(const CDriveIdentity& identity);
// The stored offset, held to the correctable range; 0 when there is none.
int32_t LoadReadOffset(IRegistryKey& offsets, const std::string& valueName);
bool SaveReadOffset(IRegistryKey& offsets, const std::string& valueName, int32_t offset);
