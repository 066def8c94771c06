// The exchange area seen from outside: what the shell extension and a
// second instance meet, as the extension would write it.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>

#include "app/exchange_area.h"
#include "cdrom/disc_image_writer.h"
#include "cdrom/virtual_drive.h"
#include "jobs/wav_file.h"
#include "platform/messages.h"
#include "tests/core/test_folders.h"
#include "tests/harness/harness.h"

namespace {

const DWORD kTimeout = 60000;

// The area as the shell extension holds it: created, kept open, written.
class CAreaWriter {
 public:
  CAreaWriter() {
    mapping_ = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kExchangeAreaSize, kExchangeAreaName);
    view_ = mapping_ ? static_cast<uint8_t*>(MapViewOfFile(mapping_, FILE_MAP_ALL_ACCESS, 0, 0, kExchangeAreaUsed)) : nullptr;
  }
  ~CAreaWriter() {
    if (view_) UnmapViewOfFile(view_);
    if (mapping_) CloseHandle(mapping_);
  }
  uint8_t* Bytes() { return view_; }

 private:
  HANDLE mapping_ = nullptr;
  uint8_t* view_ = nullptr;
};

uint32_t WindowInArea() {
  CAreaWriter area;
  return area.Bytes() ? ReadAreaWindow(area.Bytes()) : 0;
}

class ExchangeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DeleteProgramKey();
    folder_ = MakeTestFolder("e2e-exchange");
    DISC_IMAGE_LAYOUT layout;
    for (int i = 0; i < 4; ++i) {
      IMAGE_TRACK track;
      track.frames = 75 * 2;
      track.frequencies = {220.0 * (i + 1)};
      layout.tracks.push_back(track);
    }
    std::string error;
    ASSERT_TRUE(WriteDiscImage(layout, folder_ + "four.cue", error)) << error;
    drives_ = std::make_unique<CScopedEnvironment>("CANTARO_VIRTUAL_DRIVES", "V=" + folder_ + "four.cue");
    StoreString("OUTPUTFOLDER", folder_ + "out");
  }
  void TearDown() override { DeleteProgramKey(); }

  std::string folder_;
  std::unique_ptr<CScopedEnvironment> drives_;
};

TEST_F(ExchangeTest, RunningProgramIsInTheAreaAndASecondInstanceBringsItForward) {
  CProgramUnderTest first("exchange-first");
  ASSERT_TRUE(first.Start());
  HWND main = nullptr;
  first.AnswerBoxesUntilMainWindow(kTimeout, &main);
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(WindowInArea(), static_cast<uint32_t>(reinterpret_cast<uintptr_t>(main)));

  ShowWindow(main, SW_MINIMIZE);
  for (int i = 0; i < 50 && !IsIconic(main); ++i) Sleep(20);
  CProgramUnderTest second("exchange-second");
  ASSERT_TRUE(second.Start());
  EXPECT_TRUE(second.WaitForExit(kTimeout));
  EXPECT_EQ(second.WaitForMessageBox(0), "");  // no window and no message of its own
  for (int i = 0; i < 100 && IsIconic(main); ++i) Sleep(50);
  EXPECT_FALSE(IsIconic(main)) << "the first window was not restored";
  PostMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(first.WaitForExit(kTimeout));
}

TEST_F(ExchangeTest, FileRequestLeftBeforeStartIsPickedUp) {
  std::filesystem::create_directories(folder_ + "wav");
  std::vector<std::string> paths;
  for (int i = 1; i <= 2; ++i) {
    std::vector<uint8_t> pcm(2352 * 40, static_cast<uint8_t>(i));
    uint8_t header[44];
    BuildCdAudioHeader(static_cast<uint32_t>(pcm.size()), header);
    std::string path = folder_ + "wav\\\\piece" + std::to_string(i) + ".wav";
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<char*>(header), 44);
    out.write(reinterpret_cast<char*>(pcm.data()), static_cast<std::streamsize>(pcm.size()));
    paths.push_back(path);
  }
  CAreaWriter area;
  ASSERT_NE(area.Bytes(), nullptr);
  WriteFileRequest(area.Bytes(), AREA_JOB_ENCODE, 'Z', "", paths, true);

  CProgramUnderTest program("exchange-waiting");
  ASSERT_TRUE(program.Start());
  HWND main = nullptr;
  program.AnswerBoxesUntilMainWindow(kTimeout, &main);
  ASSERT_NE(main, nullptr);
  HWND finished = WaitForWindowTitled(program.ProcessId(), "Finished", kTimeout);
  ASSERT_NE(finished, nullptr) << "the waiting request did not run";
  ClickButton(finished, IDOK);
  EXPECT_TRUE(std::filesystem::exists(folder_ + "out\\\\piece1.MP3"));
  EXPECT_TRUE(std::filesystem::exists(folder_ + "out\\\\piece2.MP3"));
  // Taken: all zero but the window handle.
  EXPECT_EQ(ReadAreaWindow(area.Bytes()), static_cast<uint32_t>(reinterpret_cast<uintptr_t>(main)));
  EXPECT_TRUE(ReadExchangeArea(area.Bytes()).files.empty());
  PostMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(program.WaitForExit(kTimeout));
}

TEST_F(ExchangeTest, TracksOfTheCommandLineBeyondTheDiscAreIgnored) {
  CProgramUnderTest program("exchange-tracks");
  ASSERT_TRUE(program.Start("-A2,5  -DV"));
  HWND main = nullptr;
  program.AnswerBoxesUntilMainWindow(kTimeout, &main);
  ASSERT_NE(main, nullptr);
  HWND finished = WaitForWindowTitled(program.ProcessId(), "Finished", kTimeout);
  ASSERT_NE(finished, nullptr);
  ClickButton(finished, IDOK);
  EXPECT_TRUE(std::filesystem::exists(folder_ + "out\\\\Track 2.MP3"));
  for (const char* other : {"Track 1.MP3", "Track 3.MP3", "Track 4.MP3"})
    EXPECT_FALSE(std::filesystem::exists(folder_ + "out\\\\" + other)) << other;
  PostMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(program.WaitForExit(kTimeout));
}

TEST_F(ExchangeTest, ExtractRequestFromTheShellChecksItsTracks) {
  CProgramUnderTest program("exchange-extract");
  ASSERT_TRUE(program.Start());
  HWND main = nullptr;
  program.AnswerBoxesUntilMainWindow(kTimeout, &main);
  ASSERT_NE(main, nullptr);
  {
    CAreaWriter area;
    ASSERT_NE(area.Bytes(), nullptr);
    WriteExtractRequest(area.Bytes(), {3}, 'V', folder_ + "shell");
    PostMessageA(reinterpret_cast<HWND>(static_cast<uintptr_t>(ReadAreaWindow(area.Bytes()))), UM_EXTRACT_REQUEST, 1, 0);
  }
  HWND finished = WaitForWindowTitled(program.ProcessId(), "Finished", kTimeout);
  ASSERT_NE(finished, nullptr);
  ClickButton(finished, IDOK);
  EXPECT_TRUE(std::filesystem::exists(folder_ + "shell\\\\Track 3.MP3"));
  PostMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(program.WaitForExit(kTimeout));
}

}  // namespace
