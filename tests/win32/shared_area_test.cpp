// The exchange area as named shared memory.
#include <gtest/gtest.h>

#include <windows.h>

#include "app/exchange_area_win.h"

namespace {

TEST(SharedAreaTest, AbsentAreaDoesNotOpen) {
  CSharedExchangeArea area;
  EXPECT_FALSE(area.Open());
}

TEST(SharedAreaTest, CreatorKeepsTheAreaAliveForOtherOpeners) {
  CSharedExchangeArea creator;
  bool existed = true;
  ASSERT_TRUE(creator.CreateSection(existed));
  EXPECT_FALSE(existed);

  // A second creator finds it and lets go of its own handle at once.
  CSharedExchangeArea second;
  ASSERT_TRUE(second.CreateSection(existed));
  EXPECT_TRUE(existed);

  CSharedExchangeArea writer;
  ASSERT_TRUE(writer.Open());
  WriteExtractRequest(writer.Bytes(), {4, 5}, 'E', "C:\\Out");
  writer.Close();

  CSharedExchangeArea reader;
  ASSERT_TRUE(reader.Open());
  EXCHANGE_REQUEST request = ReadExchangeArea(reader.Bytes());
  reader.Close();
  EXPECT_EQ(request.tracks, (std::vector<int32_t>{4, 5}));
  EXPECT_EQ(request.driveLetter, 'E');
  EXPECT_EQ(request.folder, "C:\\Out");

  // The section is 64 KiB, of which the program uses the first 26676 bytes.
  HANDLE mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, kExchangeAreaName);
  ASSERT_NE(mapping, nullptr);
  void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
  ASSERT_NE(view, nullptr);
  MEMORY_BASIC_INFORMATION info;
  VirtualQuery(view, &info, sizeof(info));
  EXPECT_GE(info.RegionSize, kExchangeAreaSize);
  UnmapViewOfFile(view);
  CloseHandle(mapping);

  creator.Release();
  CSharedExchangeArea late;
  EXPECT_FALSE(late.Open());
}

// The shell extension holds the area whether or not it made it, so that a
// request it leaves outlives whoever created the section first.
TEST(SharedAreaTest, KeptSectionOutlivesItsCreator) {
  CSharedExchangeArea creator;
  bool existed = true;
  ASSERT_TRUE(creator.CreateSection(existed));
  ASSERT_FALSE(existed);
  CSharedExchangeArea keeper;
  ASSERT_TRUE(keeper.KeepSection());
  ASSERT_TRUE(keeper.KeepSection()) << "a second call keeps the one handle";
  creator.Release();

  CSharedExchangeArea opener;
  EXPECT_TRUE(opener.Open()) << "the keeper's handle keeps the area";
  opener.Close();
  keeper.Release();
  EXPECT_FALSE(opener.Open());
}

}  // namespace
