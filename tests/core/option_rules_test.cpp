// What the Options dialog's pages accept and store: number fields, the
// corrections made on opening, the MP3 enabling rules, and the folders and
// naming rule that OK applies.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/option_rules.h"
#include "test_folders.h"

TEST(OptionRules, NumberFieldsTakeIntegersInRangeAsTheFrameworkReadsThem) {
  const INTEGER_FIELD buffer = {0, 1, 255};
  int value = -7;
  EXPECT_FALSE(ParseIntegerField("0", buffer, value));
  EXPECT_FALSE(ParseIntegerField("256", buffer, value));
  EXPECT_EQ(value, -7) << "a refused field leaves the value alone";
  EXPECT_TRUE(ParseIntegerField("1", buffer, value));
  EXPECT_EQ(value, 1);
  EXPECT_TRUE(ParseIntegerField(" 255 ", buffer, value));
  EXPECT_EQ(value, 255);
  EXPECT_TRUE(ParseIntegerField("+26", buffer, value));
  EXPECT_EQ(value, 26);
  for (const char* text : {"", " ", "-", "12a", "1 2", "0x10", "99999999999999999999"})
    EXPECT_FALSE(ParseIntegerField(text, buffer, value)) << '"' << text << '"';
  const INTEGER_FIELD timeout = {0, 0, 1000000};
  EXPECT_TRUE(ParseIntegerField("1000000", timeout, value));
  EXPECT_FALSE(ParseIntegerField("1000001", timeout, value));
  EXPECT_FALSE(ParseIntegerField("-1", timeout, value));
}

TEST(OptionRules, OpeningCorrectsOnlyWhatIsOutOfRange) {
  CAppSettings settings;
  settings.OutputFormat = 3;
  settings.NormalizeRatio = 0;
  CorrectOutputSettings(settings);
  EXPECT_EQ(settings.OutputFormat, 0);
  EXPECT_EQ(settings.NormalizeRatio, 95);
  settings.OutputFormat = 2;
  settings.NormalizeRatio = 100;
  CorrectOutputSettings(settings);
  EXPECT_EQ(settings.OutputFormat, 2);
  EXPECT_EQ(settings.NormalizeRatio, 100);
  EXPECT_EQ(ShownBitRate(14), 9);
  EXPECT_EQ(ShownBitRate(-1), 9);
  EXPECT_EQ(ShownBitRate(13), 13);
  EXPECT_EQ(ShownThreadPriority(5), 2);
  EXPECT_EQ(ShownThreadPriority(0), 0);
  EXPECT_EQ(FolderForDisplay("Z:\\music\\\\"), "Z:\\music");
}

TEST(OptionRules, BladeEncTurnsOffVbrAndTheVbrOnlyControls) {
  MP3_ENABLING blade = Mp3Enabling(0, true);
  EXPECT_FALSE(blade.vbrBox);
  EXPECT_FALSE(blade.vbrOnly);
  MP3_ENABLING lameCbr = Mp3Enabling(1, false);
  EXPECT_TRUE(lameCbr.vbrBox);
  EXPECT_FALSE(lameCbr.vbrOnly);
  MP3_ENABLING lameVbr = Mp3Enabling(1, true);
  EXPECT_TRUE(lameVbr.vbrBox);
  EXPECT_TRUE(lameVbr.vbrOnly);
}

TEST(OptionRules, TheOutputPageChecksTheRuleAndMakesTheFolder) {
  std::string base = MakeTestFolder("option-rules");
  CAppSettings settings;
  settings.OutputFolder = "Z:\\before\\";
  OUTPUT_CHOICES choices;
  choices.folder = "  " + base + "rips\\new\\\\\\  ";
  choices.namingRule = "<genre>-x";
  choices.format = 2;
  choices.normalize = true;
  choices.ratio = 80;
  std::string folder;
  ASSERT_EQ(ApplyOutputChoices(choices, settings, folder), OPTION_FAILURE::None);
  EXPECT_EQ(folder, base + "rips\\new\\");
  EXPECT_EQ(settings.OutputFolder, folder);
  EXPECT_EQ(settings.sessionOutputFolder, folder);
  EXPECT_TRUE(std::filesystem::is_directory(HostFolder(folder)));
  EXPECT_EQ(settings.NamingRule, "<genre>-x");
  EXPECT_EQ(settings.OutputFormat, 2);
  EXPECT_EQ(settings.Normalize, 1);
  EXPECT_EQ(settings.NormalizeRatio, 80);

  choices.namingRule = "";
  ASSERT_EQ(ApplyOutputChoices(choices, settings, folder), OPTION_FAILURE::None);
  EXPECT_EQ(settings.NamingRule, "<title>");

  CAppSettings untouched;
  choices.namingRule = "track-only";
  EXPECT_EQ(ApplyOutputChoices(choices, untouched, folder), OPTION_FAILURE::NamingRuleWithoutVariable);
  choices.namingRule = "<title>";
  choices.folder = "Q:\\nowhere";  // no such drive
  EXPECT_EQ(ApplyOutputChoices(choices, untouched, folder), OPTION_FAILURE::CannotCreateFolder);
  EXPECT_EQ(folder, "Q:\\nowhere\\");
  EXPECT_EQ(untouched.NamingRule, CAppSettings().NamingRule) << "a refused page stores nothing";
  EXPECT_EQ(untouched.OutputFormat, CAppSettings().OutputFormat);
}

TEST(OptionRules, TheCddbCacheFolderIsTrimmedAndEndsInOneBackslash) {
  std::string base = MakeTestFolder("option-cddb");
  CAppSettings settings;
  CDDB_CHOICES choices;
  choices.proxy = true;
  choices.host = "proxy.example";
  choices.port = 3128;
  choices.user = "me";
  choices.password = "secret";
  choices.timeout = 5000;
  choices.cacheFolder = base + "data\\\\\\   ";
  choices.cacheSize = 4096000;
  std::string folder;
  ASSERT_EQ(ApplyCddbChoices(choices, settings, folder), OPTION_FAILURE::None);
  EXPECT_EQ(settings.CACHEDIRECTORY, base + "data\\");
  EXPECT_TRUE(std::filesystem::is_directory(HostFolder(settings.CACHEDIRECTORY)));
  EXPECT_EQ(settings.PROXY, 1);
  EXPECT_EQ(settings.PROXYHOST, "proxy.example");
  EXPECT_EQ(settings.ProxyPort, 3128);
  EXPECT_EQ(settings.PROXYPASSWORD, "secret");
  EXPECT_EQ(settings.ServerTimeout, 5000);
  EXPECT_EQ(settings.CacheSize, 4096000);

  CAppSettings untouched;
  choices.cacheFolder = "Q:\\cache";
  EXPECT_EQ(ApplyCddbChoices(choices, untouched, folder), OPTION_FAILURE::CannotCreateFolder);
  EXPECT_EQ(untouched.PROXYHOST, "");
}
