// Output names built from the naming rule.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/job_settings.h"
#include "jobs/naming.h"
#include "test_folders.h"

namespace {

class NamingTest : public ::testing::Test {
 protected:
  // The naming options a job would copy from these settings.
  NAMING_OPTIONS Naming() const { return JobOptionsFromSettings(settings_).naming; }

  CAppSettings settings_;
  CJobItem item_;
};

TEST_F(NamingTest, RuleWithFoldersReplacesCharactersAndCreatesTheFolders) {
  std::string music = MakeTestFolder("naming") + "Music\\";
  settings_.NamingRule = "<artist>\\<album>\\<number>-<title>";
  item_.texts.artist = "Rock/Pop";
  item_.sourceName = "A.B.";
  item_.trackIndex = 0;
  std::string path = BuildOutputPath(item_, music, ".MP3", Naming());
  EXPECT_EQ(path, music + "Rock#Pop\\Album\\01-A.B..MP3");
  EXPECT_TRUE(std::filesystem::is_directory(HostFolder(music + "Rock#Pop")));
  EXPECT_TRUE(std::filesystem::is_directory(HostFolder(music + "Rock#Pop\\Album")));
  EXPECT_FALSE(std::filesystem::exists(HostFolder(path)));  // only folders are made
}

TEST_F(NamingTest, DefaultTableReplacesEveryIllegalCharacter) {
  EXPECT_EQ(ReplaceIllegalChars("What? Why: Now", Naming()), "What# Why& Now");
  EXPECT_EQ(ReplaceIllegalChars("a*b\"c|d/e\\f<g>h", Naming()), "a#b=c#d#e#f(g)h");
  settings_.ReplaceStr[9] = "_";
  settings_.ReplaceStr[1] = "";
  EXPECT_EQ(ReplaceIllegalChars("Live: at home", Naming()), "Live_at_home");
}

TEST_F(NamingTest, VariablesAndDefaults) {
  std::string folder = MakeTestFolder("naming-vars");
  settings_.NamingRule = "<title>-<title> <year> <album> <artist>";
  item_.sourceName = "Song";
  EXPECT_EQ(BuildOutputPath(item_, folder, ".WAV", Naming()), folder + "Song-Song Year Album Artist.WAV");
  settings_.NamingRule = "<number>";
  item_.trackIndex = 99;
  EXPECT_EQ(BuildOutputPath(item_, folder, ".MP3", Naming()), folder + "100.MP3");
  // Trailing blanks and backslashes of the folder are dropped before the name.
  EXPECT_EQ(BuildOutputPath(item_, folder + "\\\\  ", ".MP3", Naming()), folder + "100.MP3");
}

TEST_F(NamingTest, GenreExpandsToItsName) {
  std::string folder = MakeTestFolder("naming-genre");
  settings_.NamingRule = "<genre>\\<title>";
  item_.sourceName = "Song";
  item_.texts.genreNumber = 14;  // R&B
  EXPECT_EQ(BuildOutputPath(item_, folder, ".MP3", Naming()), folder + "R&B\\Song.MP3");
  item_.texts.genreNumber = 400;
  EXPECT_EQ(BuildOutputPath(item_, folder, ".MP3", Naming()), folder + "Genre\\Song.MP3");
}

TEST_F(NamingTest, SubstitutedTextIsNotScannedAgain) {
  std::string folder = MakeTestFolder("naming-once");
  // The replacement table turns brackets back into brackets.
  settings_.ReplaceStr[7] = "<";
  settings_.ReplaceStr[8] = ">";
  settings_.NamingRule = "<title>";
  item_.sourceName = "<artist>";
  item_.texts.artist = "Somebody";
  EXPECT_EQ(BuildOutputPath(item_, folder, "", Naming()), folder + "<artist>");
}

TEST_F(NamingTest, RuleCheck) {
  std::string rule;
  EXPECT_TRUE(CheckNamingRule(rule));
  EXPECT_EQ(rule, "<title>");
  rule = "track";
  EXPECT_FALSE(CheckNamingRule(rule));
  rule = "<genre>";
  EXPECT_TRUE(CheckNamingRule(rule));
  rule = "<Title>";  // tokens are case-sensitive
  EXPECT_FALSE(CheckNamingRule(rule));
}

}  // namespace
