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
}

}  // namespace
