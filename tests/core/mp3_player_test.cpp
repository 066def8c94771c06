// The registered ".mp3" open command, cleaned down to the player's path.
#include <gtest/gtest.h>

#include "app/mp3_player.h"

namespace {

TEST(Mp3PlayerTest, QuotedPathAndQuotedArgumentGiveTheBarePath) {
  EXPECT_EQ(CleanPlayerCommand("\"C:\\Program Files\\Player\\play.exe\" \"%1\""),
            "C:\\Program Files\\Player\\play.exe");
}

TEST(Mp3PlayerTest, OtherShapesOfTheCommand) {
  EXPECT_EQ(CleanPlayerCommand("C:\\Players\\amp.exe %1"), "C:\\Players\\amp.exe");
  EXPECT_EQ(CleanPlayerCommand("  \"C:\\Players\\amp.exe\"  "), "C:\\Players\\amp.exe");
  EXPECT_EQ(CleanPlayerCommand("C:\\Players\\amp.exe"), "C:\\Players\\amp.exe");
  EXPECT_EQ(CleanPlayerCommand(""), "");
  EXPECT_EQ(CleanPlayerCommand("\"\"%1"), "");
  // A player whose own name ends in 1 keeps it.
  EXPECT_EQ(CleanPlayerCommand("C:\\Winamp1"), "C:\\Winamp1");
  EXPECT_EQ(CleanPlayerCommand("\"C:\\Player 1\" \"%1\""), "C:\\Player 1");
  EXPECT_EQ(CleanPlayerCommand("\"C:\\Players\\player1.exe\" \"%1\""), "C:\\Players\\player1.exe");
  EXPECT_EQ(CleanPlayerCommand("C:\\Players\\Winamp1 %1"), "C:\\Players\\Winamp1");
}

TEST(Mp3PlayerTest, SwitchesAfterAQuotedPathAreNoPartOfIt) {
  EXPECT_EQ(CleanPlayerCommand("\"C:\\Program Files\\WMP\\wmplayer.exe\" /prefetch:6 /Open \"%1\""),
            "C:\\Program Files\\WMP\\wmplayer.exe");
  EXPECT_EQ(CleanPlayerCommand("  \"C:\\amp.exe\" /add %1"), "C:\\amp.exe");
}

}  // namespace
