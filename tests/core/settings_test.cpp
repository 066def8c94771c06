// The settings record against an in-memory registry key.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "app/settings.h"
#include "platform/memory_registry_key.h"
#include "resources/resource.h"
#include "test_folders.h"

namespace {

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override { program_ = MakeTestFolder("settings"); }

  void Load() {
    messages_.clear();
    settings_.Load(key_, program_, [this](int id) { messages_.push_back(id); });
  }

  int32_t StoredDword(const char* name) {
    const CMemoryRegistryKey::Value* v = key_.Find(name);
    EXPECT_NE(v, nullptr) << name;
    return v ? v->number : -999;
  }

  std::string StoredString(const char* name) {
    const CMemoryRegistryKey::Value* v = key_.Find(name);
    EXPECT_NE(v, nullptr) << name;
    return v ? v->text : "<missing>";
  }

  std::string program_;  // Windows-style program folder with trailing backslash
  CMemoryRegistryKey key_;
  CAppSettings settings_;
  std::vector<int> messages_;
};

TEST_F(SettingsTest, FirstRunWritesEveryDefaultUnderUpperCaseNames) {
  Load();
  // The whole table but CustomColor: 62 values of the first release and
  // those added since.
  EXPECT_EQ(key_.Count(), 62u + 2 + 4);
  EXPECT_EQ(StoredDword("ENCODEWHILEREADING"), 0);
  EXPECT_EQ(StoredDword("ID3V2"), 0);  // the ID3v2.3 tag is off until chosen
  EXPECT_EQ(StoredDword("MP3ENCODER"), 1);
  EXPECT_EQ(key_.Find("MP3ENCODER")->storedName, "MP3ENCODER");
  EXPECT_EQ(key_.Find("OUTPUTFOLDER")->storedName, "OUTPUTFOLDER");
  EXPECT_EQ(StoredString("OUTPUTFOLDER"), program_ + "output");
  EXPECT_EQ(StoredString("CACHEDIRECTORY"), program_ + "CACHE");
  EXPECT_EQ(StoredDword("SERVERTIMEOUT"), 120000);
  EXPECT_EQ(StoredDword("TEXTCOLOR"), 0x0000FF00);
  EXPECT_EQ(StoredDword("STATUSLINECOLOR"), 0x00B4C8C8);
  EXPECT_EQ(StoredString("REPLACESTR10"), " ");
  EXPECT_EQ(StoredString("REPLACESTR02"), "&");
  EXPECT_EQ(StoredString("NAMINGRULE"), "<title>");
  EXPECT_EQ(StoredDword("WINDOWWIDTH"), 580);
  EXPECT_EQ(StoredDword("NORMALIZERATIO"), 95);
  EXPECT_EQ(StoredString("PROXYPASSWORD"), "");
  EXPECT_EQ(StoredDword("ACCURATERIP"), 1);
  EXPECT_EQ(StoredString("ACCURATERIPURL"), "http://www.accuraterip.com/accuraterip");
  EXPECT_EQ(StoredDword("SECUREREAD"), 0);
  EXPECT_EQ(StoredDword("VERIFYMP3"), 1);
  EXPECT_EQ(key_.Find("CUSTOMCOLOR"), nullptr);
  EXPECT_TRUE(std::filesystem::is_directory(HostFolder(program_ + "output")));
  EXPECT_TRUE(std::filesystem::is_directory(HostFolder(program_ + "CACHE")));
  EXPECT_TRUE(messages_.empty());
  // After load both folders end with exactly one backslash.
  EXPECT_EQ(settings_.sessionOutputFolder, program_ + "output\\");
  EXPECT_EQ(settings_.CACHEDIRECTORY, program_ + "CACHE\\");
}

TEST_F(SettingsTest, SecondLoadReadsWhatIsStoredWithoutWriting) {
  Load();
  int writes = key_.WriteCount();
  key_.SetDword("BITRATE", 11);
  key_.SetString("namingrule", "<number> - <title>");
  Load();
  EXPECT_EQ(key_.WriteCount(), writes + 2);
  EXPECT_EQ(settings_.BitRate, 11);
  EXPECT_EQ(settings_.NamingRule, "<number> - <title>");
}

struct Correction {
  const char* name;
  int32_t stored;
  int32_t loaded;
  int32_t CAppSettings::*field;
};

TEST_F(SettingsTest, LoadCorrectsOutOfRangeNumbers) {
  const Correction cases[] = {
      {"WINDOWWIDTH", 900, 580, &CAppSettings::WindowWidth},
      {"WINDOWWIDTH", 300, 420, &CAppSettings::WindowWidth},
      {"WINDOWWIDTH", 800, 800, &CAppSettings::WindowWidth},
      {"WINDOWHEIGHT", 700, 380, &CAppSettings::WindowHeight},
      {"WINDOWHEIGHT", 200, 352, &CAppSettings::WindowHeight},
      {"NORMALIZERATIO", 0, 95, &CAppSettings::NormalizeRatio},
      {"NORMALIZERATIO", 101, 95, &CAppSettings::NormalizeRatio},
      {"NORMALIZERATIO", 100, 100, &CAppSettings::NormalizeRatio},
      {"SERVERTIMEOUT", 500, 1000, &CAppSettings::ServerTimeout},
      {"CACHESIZE", 1000, 65536, &CAppSettings::CacheSize},
      {"STEREOMODE", 2, 0, &CAppSettings::StereoMode},
      {"STEREOMODE", -1, -1, &CAppSettings::StereoMode},  // only values above 1 are corrected
      {"MP3ENCODER", 5, 0, &CAppSettings::MP3Encoder},
      {"OUTPUTFORMAT", 3, 0, &CAppSettings::OutputFormat},
      {"OUTPUTFORMAT", 2, 2, &CAppSettings::OutputFormat},
      {"BITRATE", 14, 8, &CAppSettings::BitRate},
      {"BITRATE", -1, 8, &CAppSettings::BitRate},
      {"MAXBITRATE", 20, 13, &CAppSettings::MaxBitRate},
      {"MPEGQUALITY", 4, 2, &CAppSettings::MPEGQuality},
      {"VBRQUALITY", 9, 4, &CAppSettings::VBRQuality},
      {"RETRYTIMES", 0, 5, &CAppSettings::RetryTimes},
      {"BUFFERSIZE", -3, 26, &CAppSettings::BufferSize},
      {"BUFFERSIZE", 400, 400, &CAppSettings::BufferSize},  // bounded where reads are made
      {"DEVICETYPE", 13, 0, &CAppSettings::DeviceType},
      {"DEVICETYPE", 12, 12, &CAppSettings::DeviceType},
  };
  for (const Correction& c : cases) {
    CMemoryRegistryKey key;
    key.SetDword(c.name, c.stored);
    CAppSettings settings;
    settings.Load(key, program_, nullptr);
    EXPECT_EQ(settings.*(c.field), c.loaded) << c.name << " stored " << c.stored;
    // The corrected value is what a save writes back.
    settings.Save(
        key,
        MAIN_WINDOW_GEOMETRY{
            settings.WindowLeft, settings.WindowTop, settings.WindowWidth, settings.WindowHeight, {60, 280, 80, 80}});
    EXPECT_EQ(key.Find(c.name)->number, c.loaded) << c.name;
  }
}

TEST_F(SettingsTest, UnreadableValueOfTheWrongTypeIsReplacedByItsDefault) {
  key_.SetString("BITRATE", "128");
  Load();
  EXPECT_EQ(settings_.BitRate, 8);
  EXPECT_EQ(key_.Find("BITRATE")->type, CMemoryRegistryKey::Type::Dword);
}

TEST_F(SettingsTest, UnavailableRegistryGivesDefaultsSilently) {
  key_.SetUnavailable(true);
  Load();
  EXPECT_EQ(settings_.BitRate, 8);
  EXPECT_EQ(settings_.OutputFolder, program_ + "output");
  EXPECT_EQ(key_.Count(), 0u);
  EXPECT_TRUE(messages_.empty());
}

TEST_F(SettingsTest, EmptyFoldersBecomeTheirDefaults) {
  key_.SetString("OUTPUTFOLDER", "");
  key_.SetString("CACHEDIRECTORY", "");
  Load();
  EXPECT_EQ(settings_.OutputFolder, program_ + "output");
  EXPECT_EQ(settings_.CACHEDIRECTORY, program_ + "CACHE\\");
}

TEST_F(SettingsTest, FoldersAreNormalisedOnLoadAndStoredWithoutBackslash) {
  std::string music = program_ + "My Music";
  key_.SetString("OUTPUTFOLDER", "  " + music + "\\\\\\  ");
  key_.SetString("CACHEDIRECTORY", program_ + "cddb cache\\");
  Load();
  EXPECT_EQ(settings_.sessionOutputFolder, music + "\\");
  EXPECT_EQ(settings_.CACHEDIRECTORY, program_ + "cddb cache\\");
  EXPECT_TRUE(std::filesystem::is_directory(HostFolder(music)));
  settings_.Save(key_, MAIN_WINDOW_GEOMETRY{1, 2, 600, 400, {61, 281, 81, 82}});
  EXPECT_EQ(StoredString("CACHEDIRECTORY"), program_ + "cddb cache");
  std::string storedOutput = StoredString("OUTPUTFOLDER");
  ASSERT_FALSE(storedOutput.empty());
  EXPECT_NE(storedOutput.back(), '\\');
}

TEST_F(SettingsTest, OutputFolderOnMissingDriveFallsBackToTheDefault) {
  key_.SetString("OUTPUTFOLDER", "Q:\\Music");
  key_.SetString("CACHEDIRECTORY", "Q:\\Cache");
  Load();
  EXPECT_EQ(settings_.OutputFolder, program_ + "output");
  EXPECT_EQ(settings_.sessionOutputFolder, program_ + "output\\");
  EXPECT_EQ(settings_.CACHEDIRECTORY, program_ + "CACHE\\");
  EXPECT_TRUE(messages_.empty());
}

TEST_F(SettingsTest, FoldersThatCannotBeCreatedAtAllAreReported) {
  // A program folder on a missing drive: neither the stored nor the default folders exist.
  CMemoryRegistryKey key;
  key.SetString("OUTPUTFOLDER", "Q:\\Music");
  CAppSettings settings;
  std::vector<int> messages;
  settings.Load(key, "Q:\\Program\\", [&](int id) { messages.push_back(id); });
  EXPECT_EQ(messages, (std::vector<int>{IDS_CANT_OPEN_OUTPUT_DIR, IDS_CANT_OPEN_CACHE_DIR}));
  EXPECT_EQ(settings.OutputFolder, "Q:\\Music");  // loading went on with what it had
}

TEST_F(SettingsTest, OverlongStringIsNeitherUsedNorOverwritten) {
  std::string longRule(300, 'x');
  key_.SetString("NAMINGRULE", longRule);
  std::string longFolder = program_ + std::string(260, 'f');
  key_.SetString("OUTPUTFOLDER", longFolder);
  int writesBefore = key_.WriteCount();
  Load();
  EXPECT_EQ(settings_.NamingRule, "<title>");
  EXPECT_EQ(settings_.OutputFolder, program_ + "output");
  EXPECT_EQ(StoredString("NAMINGRULE"), longRule);
  EXPECT_EQ(StoredString("OUTPUTFOLDER"), longFolder);
  EXPECT_EQ(key_.WriteCount() - writesBefore, 60 + 2 + 4);  // every other value was created
  settings_.Save(key_, MAIN_WINDOW_GEOMETRY{200, 100, 580, 380, {60, 280, 80, 80}});
  EXPECT_EQ(StoredString("NAMINGRULE"), longRule);
  EXPECT_EQ(StoredString("OUTPUTFOLDER"), longFolder);
}

TEST_F(SettingsTest, OverlongStringChangedByTheUserIsSaved) {
  key_.SetString("NAMINGRULE", std::string(255, 'x'));
  Load();
  settings_.NamingRule = "<artist> - <title>";
  settings_.Save(key_, MAIN_WINDOW_GEOMETRY{200, 100, 580, 380, {60, 280, 80, 80}});
  EXPECT_EQ(StoredString("NAMINGRULE"), "<artist> - <title>");
}

TEST_F(SettingsTest, StringOf254CharactersIsRead) {
  std::string rule = "<title>" + std::string(247, 'y');
  ASSERT_EQ(rule.size(), 254u);
  key_.SetString("NAMINGRULE", rule);
  Load();
  EXPECT_EQ(settings_.NamingRule, rule);
}

TEST_F(SettingsTest, SaveTakesTheWindowGeometryAndKeepsThePasswordAsTyped) {
  Load();
  settings_.PROXYPASSWORD = "s3cret pass";
  settings_.Save(key_, MAIN_WINDOW_GEOMETRY{-5, 17, 640, 420, {50, 300, 70, 90}});
  EXPECT_EQ(StoredDword("WINDOWLEFT"), -5);
  EXPECT_EQ(StoredDword("WINDOWTOP"), 17);
  EXPECT_EQ(StoredDword("WINDOWWIDTH"), 640);
  EXPECT_EQ(StoredDword("WINDOWHEIGHT"), 420);
  EXPECT_EQ(StoredDword("COLUMNWIDTH1"), 50);
  EXPECT_EQ(StoredDword("COLUMNWIDTH4"), 90);
  EXPECT_EQ(StoredString("PROXYPASSWORD"), "s3cret pass");
}

TEST_F(SettingsTest, CustomColorsAreRawBytesUnderTheirOwnSpelling) {
  uint32_t colors[12];
  for (int i = 0; i < 12; ++i) colors[i] = 0x00010203u * static_cast<uint32_t>(i + 1);
  ASSERT_TRUE(CAppSettings::SaveCustomColors(key_, colors));
  const CMemoryRegistryKey::Value* v = key_.Find("CustomColor");
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(v->storedName, "CustomColor");
  ASSERT_EQ(v->bytes.size(), 48u);
  EXPECT_EQ(v->bytes[4], 0x06);  // second colour, little-endian
  uint32_t back[12] = {};
  ASSERT_TRUE(CAppSettings::LoadCustomColors(key_, back));
  EXPECT_EQ(back[11], colors[11]);
  key_.SetBinary("CustomColor", std::vector<uint8_t>(64, 1));
  EXPECT_FALSE(CAppSettings::LoadCustomColors(key_, back));  // only the 48-byte form is taken
}

TEST_F(SettingsTest, HandedOverFolderMustBeCreatable) {
  Load();
  std::string before = settings_.sessionOutputFolder;
  EXPECT_FALSE(TrySetSessionOutputFolder(settings_, "Q:\\Nowhere"));
  EXPECT_EQ(settings_.sessionOutputFolder, before);
  EXPECT_TRUE(TrySetSessionOutputFolder(settings_, program_ + "handed\\  "));
  EXPECT_EQ(settings_.sessionOutputFolder, program_ + "handed\\");
}

}  // namespace
