// The words for the CDDB component's failure codes.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "discinfo/cddb/cddb_status.h"
#include "discinfo/cddb_errors.h"

namespace {

struct GROUP {
  uint32_t first;
  size_t count;
};

// The table runs through these groups in this order, one code after the other.
constexpr GROUP kGroups[] = {{0x82FA0001, 38}, {0x82FB0001, 4}, {0x82FB0064, 3}, {0x82FC0001, 11}};

TEST(CddbErrorsTest, TableHoldsEveryGroupInOrder) {
  size_t count = 0;
  const CDDB_ERROR_TEXT* table = CddbErrorTable(count);
  ASSERT_EQ(count, 56u);
  size_t index = 0;
  for (const GROUP& group : kGroups) {
    for (size_t i = 0; i < group.count; ++i, ++index) {
      EXPECT_EQ(table[index].code, group.first + i) << "entry " << index;
    }
  }
  std::set<std::string> texts;
  for (size_t i = 0; i < count; ++i) {
    const std::string text = table[i].text;
    EXPECT_FALSE(text.empty());
    EXPECT_LE(text.size(), 254u);
    EXPECT_TRUE(texts.insert(text).second) << "twice: " << text;
    EXPECT_EQ(CddbErrorText(table[i].code), text);
  }
}

TEST(CddbErrorsTest, TextsOfKnownCodes) {
  EXPECT_EQ(CddbErrorText(0x82FA0001), "couldn't allocate memory.");
  EXPECT_EQ(CddbErrorText(0x82FA000C), "Recv of server data failed.");
  EXPECT_EQ(CddbErrorText(0x82FA0019), "protocol parser error: token exceeds max size");
  EXPECT_EQ(CddbErrorText(static_cast<uint32_t>(kCddbCancelled)), "command cancelled before completion");
  EXPECT_EQ(CddbErrorText(0x82FA0026), "HTTP processing error");
  EXPECT_EQ(CddbErrorText(0x82FB0004), "handle is unknown");
  EXPECT_EQ(CddbErrorText(0x82FB0064), "disc query limit reached");
  EXPECT_EQ(CddbErrorText(static_cast<uint32_t>(kCddbBusy)), "Control is busy.");
  EXPECT_EQ(CddbErrorText(0x82FC0001), "user nickname is used or the password is invalid");
  EXPECT_EQ(CddbErrorText(0x82FC0009), "the application or Control has been disabled");
  EXPECT_EQ(CddbErrorText(0x82FA0008), "CDDB server can't be found.");  // a plain apostrophe
}

// The program's text is Windows-1252, where 0x92 is the right single quotation mark.
TEST(CddbErrorsTest, TwoTextsCarryTheRightQuotationMark) {
  EXPECT_EQ(CddbErrorText(0x82FA0007), "couldn\x92t initialize network communications.");
  EXPECT_EQ(CddbErrorText(0x82FC0007), "Control hasn\x92t been initialized");
  size_t count = 0;
  const CDDB_ERROR_TEXT* table = CddbErrorTable(count);
  int marks = 0;
  for (size_t i = 0; i < count; ++i) marks += std::string(table[i].text).find('\x92') != std::string::npos;
  EXPECT_EQ(marks, 2);
}

TEST(CddbErrorsTest, UnknownCodeShowsItInLowerCaseHex) {
  EXPECT_EQ(CddbErrorText(0x80004005), "Unknown error,Code:(80004005)");
  EXPECT_EQ(CddbErrorText(0x82FA0027), "Unknown error,Code:(82fa0027)");
  EXPECT_EQ(CddbErrorText(0x82FB0005), "Unknown error,Code:(82fb0005)");
  EXPECT_EQ(CddbErrorText(0), "Unknown error,Code:(0)");
  EXPECT_EQ(CddbErrorText(0xABCDEF), "Unknown error,Code:(abcdef)");
}

}  // namespace
