// The real registry behind the settings: names, types and the long-string rule.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlwapi.h>

#include "app/settings.h"
#include "platform/registry_key_win.h"

namespace {

const char* kTestKey = "SoftWare\\CantaroTests\\Registry\\";

class RegistryKeyTest : public ::testing::Test {
 protected:
  void SetUp() override { SHDeleteKeyA(HKEY_CURRENT_USER, "SoftWare\\CantaroTests"); }
  void TearDown() override { SHDeleteKeyA(HKEY_CURRENT_USER, "SoftWare\\CantaroTests"); }

  // Reads a value back with the plain registry API.
  DWORD RawType(const char* name, std::vector<BYTE>& data) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kTestKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return REG_NONE;
    DWORD type = REG_NONE, size = 0;
    RegQueryValueExA(key, name, nullptr, &type, nullptr, &size);
    data.resize(size);
    RegQueryValueExA(key, name, nullptr, &type, data.data(), &size);
    RegCloseKey(key);
    return type;
  }

  CWin32RegistryKey key_{HKEY_CURRENT_USER, kTestKey};
};

TEST_F(RegistryKeyTest, MissingKeyReadsAsMissingAndWritesCreateIt) {
  int32_t number = 0;
  EXPECT_EQ(key_.QueryDword("NOTHING", number), RegistryRead::Missing);
  ASSERT_TRUE(key_.SetDword("WINDOWWIDTH", -7));
  EXPECT_EQ(key_.QueryDword("windowwidth", number), RegistryRead::Ok);  // case-insensitive
  EXPECT_EQ(number, -7);
  std::vector<BYTE> data;
  EXPECT_EQ(RawType("WINDOWWIDTH", data), static_cast<DWORD>(REG_DWORD));
}

TEST_F(RegistryKeyTest, StringsIncludeTheirTerminatorAndAreBoundedByTheBuffer) {
  ASSERT_TRUE(key_.SetString("NAMINGRULE", "<title>"));
  std::vector<BYTE> data;
  EXPECT_EQ(RawType("NAMINGRULE", data), static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(data.size(), 8u);
  std::string text;
  EXPECT_EQ(key_.QueryString("NAMINGRULE", 255, text), RegistryRead::Ok);
  EXPECT_EQ(text, "<title>");
  ASSERT_TRUE(key_.SetString("LONG", std::string(254, 'a')));
  EXPECT_EQ(key_.QueryString("LONG", 255, text), RegistryRead::Ok);
  EXPECT_EQ(text.size(), 254u);
  ASSERT_TRUE(key_.SetString("LONGER", std::string(255, 'a')));
  EXPECT_EQ(key_.QueryString("LONGER", 255, text), RegistryRead::TooLong);
}

TEST_F(RegistryKeyTest, ValueOfAnotherTypeIsUnreadable) {
  ASSERT_TRUE(key_.SetString("BITRATE", "8"));
  int32_t number = 0;
  EXPECT_EQ(key_.QueryDword("BITRATE", number), RegistryRead::Missing);
  std::vector<uint8_t> bytes;
  EXPECT_EQ(key_.QueryBinary("BITRATE", bytes), RegistryRead::Missing);
}

TEST_F(RegistryKeyTest, SettingsLoadCreatesTheTableInTheRealRegistry) {
  CAppSettings settings;
  settings.Load(key_, "Z:\\tmp\\cantaro-registry-test\\", nullptr);
  int32_t number = 0;
  EXPECT_EQ(key_.QueryDword("NORMALIZERATIO", number), RegistryRead::Ok);
  EXPECT_EQ(number, 95);
  std::string text;
  EXPECT_EQ(key_.QueryString("REPLACESTR10", 255, text), RegistryRead::Ok);
  EXPECT_EQ(text, " ");
  uint32_t colors[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 0xFFFFFF};
  ASSERT_TRUE(CAppSettings::SaveCustomColors(key_, colors));
  std::vector<BYTE> data;
  EXPECT_EQ(RawType("CustomColor", data), static_cast<DWORD>(REG_BINARY));
  EXPECT_EQ(data.size(), 48u);
}

}  // namespace
