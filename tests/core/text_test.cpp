// The small text helpers every subsystem leans on.
#include <gtest/gtest.h>

#include "platform/text.h"

namespace {

TEST(TextTest, SplitKeepsEmptyPiecesAndTheEnds) {
  EXPECT_EQ(SplitText("V=a.cue;W=b.cue|bad=1", ';'), (std::vector<std::string>{"V=a.cue", "W=b.cue|bad=1"}));
  EXPECT_EQ(SplitText("a;;b;", ';'), (std::vector<std::string>{"a", "", "b", ""}));
  EXPECT_EQ(SplitText("", ','), (std::vector<std::string>{""}));
  EXPECT_EQ(SplitText("440+880", '+'), (std::vector<std::string>{"440", "880"}));
}

TEST(TextTest, FileDialogFilterSeparatesWithZeros) {
  EXPECT_EQ(FileDialogFilter("Play List File(*.m3u)|*.m3u||"), std::string("Play List File(*.m3u)\0*.m3u\0\0", 29));
  EXPECT_EQ(FileDialogFilter(""), "");
}

}  // namespace
