// Each drive's read offset in the settings' "ReadOffsets" subkey.
#include <gtest/gtest.h>

#include <cstring>

#include "app/drive_offsets.h"
#include "cdrom/read_offset.h"
#include "platform/memory_registry_key.h"

namespace {

CDriveIdentity Identity(const char* vendor, const char* product) {
  CDriveIdentity identity;
  std::memcpy(identity.vendor, vendor, std::min<size_t>(std::strlen(vendor), 8));
  std::memcpy(identity.product, product, std::min<size_t>(std::strlen(product), 16));
  return identity;
}

TEST(DriveOffsets, ValueNameIsTheTrimmedVendorAndProduct) {
  EXPECT_EQ(ReadOffsetValueName(Identity("PLEXTOR ", "DVDR   PX-716A  ")), "PLEXTOR DVDR   PX-716A");
  EXPECT_EQ(ReadOffsetValueName(Identity("CANTARO ", "VIRTUAL CD-ROM  ")), "CANTARO VIRTUAL CD-ROM");
  EXPECT_EQ(ReadOffsetValueName(Identity("", "")), "");
  // Fields are bounded even without their zero, and control bytes become blanks.
  CDriveIdentity full;
  std::memset(full.vendor, 'V', sizeof full.vendor);
  std::memset(full.product, 'P', sizeof full.product);
  full.product[3] = '\t';
  std::string name = ReadOffsetValueName(full);
  EXPECT_EQ(name.size(), 9u + 1 + 17);
  EXPECT_EQ(name.find('\t'), std::string::npos);
}

TEST(DriveOffsets, MissingIsZeroAndStoredValuesAreBounded) {
  CMemoryRegistryKey key;
  EXPECT_EQ(LoadReadOffset(key, "CANTARO VIRTUAL CD-ROM"), 0);
  ASSERT_TRUE(SaveReadOffset(key, "CANTARO VIRTUAL CD-ROM", -1160));
  EXPECT_EQ(LoadReadOffset(key, "CANTARO VIRTUAL CD-ROM"), -1160);
  EXPECT_EQ(LoadReadOffset(key, "OTHER DRIVE"), 0);
  key.SetDword("WILD", 0x7FFFFFFF);
  EXPECT_EQ(LoadReadOffset(key, "WILD"), kMaxReadOffset);
  EXPECT_FALSE(SaveReadOffset(key, "", 6));
  EXPECT_EQ(LoadReadOffset(key, ""), 0);
}

}  // namespace
