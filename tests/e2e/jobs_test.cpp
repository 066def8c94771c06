// File jobs seen from outside: the Normalize command through its file
// dialog, the processing window's panels and the log window.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <vector>

#include "resources/resource.h"
#include "tests/harness/harness.h"

namespace {

const DWORD kTimeout = 30000;

std::vector<int16_t> ReadWave(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  in.seekg(44);
  std::vector<int16_t> samples;
  int16_t s;
  while (in.read(reinterpret_cast<char*>(&s), 2)) samples.push_back(s);
  return samples;
}

class JobsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DeleteProgramKey();
    ASSERT_TRUE(program_.Start());
    program_.AnswerBoxesUntilMainWindow(kTimeout, &main_);
    ASSERT_NE(main_, nullptr);
    output_ = program_.Folder() + "output\\";
  }
  void TearDown() override {
    if (main_) PostMessageA(main_, WM_CLOSE, 0, 0);
    EXPECT_TRUE(program_.WaitForExit(kTimeout));
    DeleteProgramKey();
  }

  // Chooses files in the Normalize dialog as a user types their names.
  void NormalizeThroughTheFileDialog(const std::string& names) {
    PostMessageA(main_, WM_COMMAND, ID_FILE_NORMALIZE, 0);
    ASSERT_TRUE(ChooseFilesInDialog(program_.ProcessId(), "Normalize WAV Files", names)) << "no file dialog";
  }

  CProgramUnderTest program_{"jobs"};
  HWND main_ = nullptr;
  std::string output_;
};

TEST_F(JobsTest, NormalizeTwoFilesInPlace) {
  std::vector<int16_t> first(4704 * 3, 0), second(5000, 0);
  first[0] = 16384;
  first[1] = -16384;
  second[7] = -8192;
  second[8] = 4096;
  WriteWaveFile(output_ + "one.wav", first);
  WriteWaveFile(output_ + "two.wav", second);
  NormalizeThroughTheFileDialog("\"one.wav\" \"two.wav\"");

  HWND finished = WaitForWindowTitled(program_.ProcessId(), "Finished", kTimeout);
  ASSERT_NE(finished, nullptr) << "the job did not finish";
  EXPECT_NE(FindVisibleDescendant(finished, IDC_CREATE_PLAY_LIST), nullptr) << "success panel not shown";
  EXPECT_EQ(WindowText(GetDlgItem(finished, IDOK)), "Close");
  SaveScreenshot(ArtifactFolder() + "normalize-finished.bmp");

  std::vector<int16_t> a = ReadWave(output_ + "one.wav"), b = ReadWave(output_ + "two.wav");
  ASSERT_EQ(a.size(), first.size());
  EXPECT_EQ(a[0], 31129);
  EXPECT_EQ(a[1], -31128);
  EXPECT_EQ(a[2], 0);
  ASSERT_EQ(b.size(), second.size());
  EXPECT_EQ(b[7], -31128);  // peak 8192: gain 3.79988
  EXPECT_EQ(b[8], 15564);
  ClickButton(finished, IDOK);
}

TEST_F(JobsTest, UnsupportedFileFailsWithTheErrorPanelAndItsLogLine) {
  std::vector<int16_t> samples(2000, 100);
  WriteWaveFile(output_ + "studio.wav", samples, 48000);
  NormalizeThroughTheFileDialog("studio.wav");

  HWND window = WaitForWindowTitled(program_.ProcessId(), "Extracting(01/01)", kTimeout);
  ASSERT_NE(window, nullptr);
  HWND viewLog = nullptr;
  for (int i = 0; i < 200 && !viewLog; ++i, Sleep(50)) viewLog = FindVisibleDescendant(window, IDC_VIEW_LOG);
  ASSERT_NE(viewLog, nullptr) << "error panel not shown";
  EXPECT_EQ(WindowText(GetDlgItem(window, IDOK)), "Close");
  SaveScreenshot(ArtifactFolder() + "normalize-failed.bmp");
  EXPECT_EQ(ReadWave(output_ + "studio.wav"), samples);  // unchanged

  PostMessageA(GetParent(viewLog), WM_COMMAND, MAKEWPARAM(IDC_VIEW_LOG, BN_CLICKED), reinterpret_cast<LPARAM>(viewLog));
  HWND log = WaitForWindowTitled(program_.ProcessId(), "Cantaro Maker Log", kTimeout);
  ASSERT_NE(log, nullptr);
  HWND list = GetDlgItem(log, IDC_LOG_LIST);
  ASSERT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 1);
  std::string text = ListBoxText(list, 0);
  EXPECT_EQ(text.substr(0, 1), "[");
  EXPECT_NE(text.find("] Error: Can't support this wave format of file "), std::string::npos) << text;
  EXPECT_NE(text.find("studio.wav!"), std::string::npos) << text;
  SaveScreenshot(ArtifactFolder() + "log-window.bmp");
  ClickButton(log, IDOK);
  for (int i = 0; i < 100 && IsWindow(log); ++i) Sleep(20);
  ClickButton(window, IDOK);
}

TEST_F(JobsTest, AbortDuringTheSecondOfThreeFilesThenANewJobHasOnlyItsOwnFile) {
  // Large enough that the second file is still being worked on when the
  // test presses Abort.
  std::vector<int16_t> big(2352 * 6000, 1000);
  for (const char* name : {"a.wav", "b.wav", "c.wav"}) WriteWaveFile(output_ + name, big);
  NormalizeThroughTheFileDialog("\"a.wav\" \"b.wav\" \"c.wav\"");
  HWND window = WaitForWindowTitled(program_.ProcessId(), "Normalizing(02/03)", kTimeout);
  ASSERT_NE(window, nullptr) << "never saw the second file";
  SaveScreenshot(ArtifactFolder() + "normalize-working.bmp");
  ClickButton(window, IDOK);  // "&Abort"
  for (int i = 0; i < 200 && IsWindow(window); ++i) Sleep(20);
  EXPECT_FALSE(IsWindow(window)) << "the window closes at once";

  // The cancel line reaches the log; the third file is never started.
  HWND log = nullptr;
  for (int attempt = 0; attempt < 50 && !log; ++attempt) {
    PostMessageA(main_, WM_COMMAND, ID_FILE_VIEW_LOG, 0);
    log = WaitForWindowTitled(program_.ProcessId(), "Cantaro Maker Log", 500);
  }
  ASSERT_NE(log, nullptr);
  HWND list = GetDlgItem(log, IDC_LOG_LIST);
  ASSERT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 1);
  std::string line = ListBoxText(list, 0);
  EXPECT_EQ(line.substr(0, 1), "(");
  EXPECT_NE(line.find(") User canceled the operation."), std::string::npos) << line;
  ClickButton(log, IDC_LOG_CLEAR);
  ClickButton(log, IDOK);
  for (int i = 0; i < 100 && IsWindow(log); ++i) Sleep(20);
  EXPECT_EQ(ReadWave(output_ + "a.wav")[0], 31129);
  EXPECT_EQ(ReadWave(output_ + "c.wav"), big);

  // A new job works on its own file alone: a and b are not touched again.
  std::vector<int16_t> before = ReadWave(output_ + "a.wav");
  WriteWaveFile(output_ + "d.wav", {8192, -8192});
  NormalizeThroughTheFileDialog("d.wav");
  HWND finished = WaitForWindowTitled(program_.ProcessId(), "Finished", kTimeout);
  ASSERT_NE(finished, nullptr);
  EXPECT_EQ(ReadWave(output_ + "d.wav"), (std::vector<int16_t>{31129, -31128}));
  EXPECT_EQ(ReadWave(output_ + "a.wav"), before);
  EXPECT_EQ(ReadWave(output_ + "c.wav"), big);
  ClickButton(finished, IDOK);
}

TEST_F(JobsTest, DecodeTurnsAnMp3IntoAWavAsTheReferenceDecodes) {
  const std::string vectors = std::string("Z:") + CANTARO_SOURCE_DIR + "/../shared/mpeg-vectors/";
  if (GetFileAttributesA((vectors + "l3-he_44khz.bit").c_str()) == INVALID_FILE_ATTRIBUTES)
    GTEST_SKIP() << "no reference vectors beside the project";
  ASSERT_TRUE(CopyFileA((vectors + "l3-he_44khz.bit").c_str(), (output_ + "stream.mp3").c_str(), FALSE));
  PostMessageA(main_, WM_COMMAND, ID_FILE_DECODE, 0);
  ASSERT_TRUE(ChooseFilesInDialog(program_.ProcessId(), "Decode MP3 to WAV", "stream.mp3"));
  HWND finished = WaitForWindowTitled(program_.ProcessId(), "Finished", kTimeout);
  ASSERT_NE(finished, nullptr);
  ClickButton(finished, IDOK);

  std::ifstream wav(output_ + "stream.WAV", std::ios::binary);
  ASSERT_TRUE(wav.good());
  uint8_t header[44] = {};
  wav.read(reinterpret_cast<char*>(header), 44);
  EXPECT_EQ(std::memcmp(header, "RIFF", 4), 0);
  uint32_t rate = 0;
  std::memcpy(&rate, header + 24, 4);
  EXPECT_EQ(rate, 44100u);
  std::vector<int16_t> ours = ReadWave(output_ + "stream.WAV");
  std::ifstream reference(vectors + "l3-he_44khz.pcm", std::ios::binary);
  std::vector<int16_t> expected;
  int16_t s;
  while (reference.read(reinterpret_cast<char*>(&s), 2)) expected.push_back(s);
  size_t common = std::min(ours.size(), expected.size());
  ASSERT_GT(common, 44100u);
  int worst = 0;
  for (size_t i = 0; i < common; ++i) worst = std::max(worst, std::abs(ours[i] - expected[i]));
  EXPECT_LE(worst, 1) << "16-bit output within one step of the reference";
}

TEST_F(JobsTest, DecodeTwoFilesWithNormalisation) {
  const std::string vectors = std::string("Z:") + CANTARO_SOURCE_DIR + "/../shared/mpeg-vectors/";
  if (GetFileAttributesA((vectors + "l3-he_32khz.bit").c_str()) == INVALID_FILE_ATTRIBUTES)
    GTEST_SKIP() << "no reference vectors beside the project";
  // Normalisation is read when an item starts: set it before the job.
  PostMessageA(main_, WM_CLOSE, 0, 0);
  ASSERT_TRUE(program_.WaitForExit(kTimeout));
  StoreDword("NORMALIZE", 1);
  ASSERT_TRUE(program_.Start());
  program_.AnswerBoxesUntilMainWindow(kTimeout, &main_);
  ASSERT_NE(main_, nullptr);
  ASSERT_TRUE(CopyFileA((vectors + "l3-he_32khz.bit").c_str(), (output_ + "a.mp3").c_str(), FALSE));
  ASSERT_TRUE(CopyFileA((vectors + "l3-he_44khz.bit").c_str(), (output_ + "b.mp3").c_str(), FALSE));
  PostMessageA(main_, WM_COMMAND, ID_FILE_DECODE, 0);
  ASSERT_TRUE(ChooseFilesInDialog(program_.ProcessId(), "Decode MP3 to WAV", "\"a.mp3\" \"b.mp3\""));
  HWND finished = WaitForWindowTitled(program_.ProcessId(), "Finished", kTimeout);
  ASSERT_NE(finished, nullptr);
  ClickButton(finished, IDOK);
  for (const char* name : {"a.WAV", "b.WAV"}) {
    std::vector<int16_t> samples = ReadWave(output_ + name);
    ASSERT_GT(samples.size(), 10000u) << name;
    int peak = 0;
    for (int16_t s : samples) peak = std::max(peak, std::abs(static_cast<int>(s)));
    EXPECT_NEAR(peak, 31129, 2) << name << " is normalised to 95%";
  }
}

}  // namespace
