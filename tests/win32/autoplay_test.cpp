// AutoPlay suppression against the real registry.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlwapi.h>

#include "cdrom/autoplay_win.h"

namespace {

class AutoPlayTest : public ::testing::Test {
 protected:
  void SetUp() override { SHDeleteKeyA(HKEY_CLASSES_ROOT, "AudioCD"); }
  void TearDown() override { SHDeleteKeyA(HKEY_CLASSES_ROOT, "AudioCD"); }

  void CreateKey(const char* verb) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, kAutoPlayKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    if (verb) RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(verb), lstrlenA(verb) + 1);
    RegCloseKey(key);
  }

  // The default verb, or "<absent>".
  std::string Verb() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, kAutoPlayKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return "<no key>";
    char buffer[256] = {};
    DWORD size = sizeof(buffer), type = 0;
    LONG status = RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? std::string(buffer) : "<absent>";
  }
};

TEST_F(AutoPlayTest, VerbIsEmptiedWhileRunningAndRestoredAtExit) {
  CreateKey("play");
  CAutoPlay autoPlay;
  autoPlay.SuppressAtStart(true);
  EXPECT_EQ(Verb(), "");
  autoPlay.Apply(false);
  EXPECT_EQ(Verb(), "play");
  autoPlay.Apply(true);
  EXPECT_EQ(Verb(), "");
  autoPlay.Restore();
  EXPECT_EQ(Verb(), "play");
}

TEST_F(AutoPlayTest, SettingOffLeavesTheVerbAlone) {
  CreateKey("play");
  CAutoPlay autoPlay;
  autoPlay.SuppressAtStart(false);
  EXPECT_EQ(Verb(), "play");
}

TEST_F(AutoPlayTest, AbsentValueIsNotWrittenAtStartAndPlayReturnsAtExit) {
  CreateKey(nullptr);
  CAutoPlay autoPlay;
  autoPlay.SuppressAtStart(true);
  EXPECT_EQ(Verb(), "<absent>");
  autoPlay.Restore();
  EXPECT_EQ(Verb(), "Play");
}

TEST_F(AutoPlayTest, NothingHappensWithoutTheKeyOrBeforeStart) {
  CAutoPlay autoPlay;
  autoPlay.SuppressAtStart(true);
  autoPlay.Restore();
  EXPECT_EQ(Verb(), "<no key>");
  // A run that stopped before saving the verb must not overwrite it.
  CreateKey("MyPlayer");
  CAutoPlay early;
  early.Restore();
  EXPECT_EQ(Verb(), "MyPlayer");
}

}  // namespace
