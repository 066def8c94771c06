// Proven rips seen from outside: secure reading heals an unstable range of
// the virtual drive and reports one that never settles, and every MP3 is
// decoded back and verified, through the real encoder library and through
// a stand-in that damages its output.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>

#include "cdrom/virtual/disc_image_writer.h"
#include "cdrom/virtual/virtual_drive.h"
#include "resources/resource.h"
#include "tests/core/test_folders.h"
#include "tests/harness/harness.h"

namespace {

const DWORD kTimeout = 90000;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  return text;
}

// Titles may reach the log upper-cased, as the command line is.
bool HasLine(const std::vector<std::string>& lines, const std::string& part) {
  for (const std::string& line : lines)
    if (Upper(line).find(Upper(part)) != std::string::npos) return true;
  return false;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += "\n" + line;
  return text;
}

class ProvenRipTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DeleteProgramKey();
    folder_ = MakeTestFolder("e2e-proven");
    cue_ = folder_ + "disc.cue";
    for (int i = 0; i < 3; ++i) {
      IMAGE_TRACK track;
      track.content = TrackContent::Music;
      track.style = i;
      track.frames = 75 * 4 + 10 * i;
      layout_.tracks.push_back(track);
    }
    std::string error;
    ASSERT_TRUE(WriteDiscImage(layout_, cue_, error)) << error;
  }
  void TearDown() override { DeleteProgramKey(); }

  HWND Start(CProgramUnderTest& program, const std::string& commandLine) {
    EXPECT_TRUE(program.Start(commandLine));
    HWND main = nullptr;
    program.AnswerBoxesUntilMainWindow(kTimeout, &main);
    EXPECT_NE(main, nullptr);
    return main;
  }

  // Waits for the success panel, closes it and reads the log window.
  std::vector<std::string> FinishedLog(CProgramUnderTest& program, HWND main, const std::string& shot) {
    HWND finished = WaitForWindowTitled(program.ProcessId(), "Finished", kTimeout);
    EXPECT_NE(finished, nullptr) << "the job did not finish";
    if (!finished) return {};
    SaveScreenshot(ArtifactFolder() + shot);
    ClickButton(finished, IDOK);
    HWND log = nullptr;
    for (int attempt = 0; attempt < 50 && !log; ++attempt) {
      PostMessageA(main, WM_COMMAND, ID_FILE_VIEW_LOG, 0);
      log = WaitForWindowTitled(program.ProcessId(), "Cantaro Maker Log", 500);
    }
    EXPECT_NE(log, nullptr);
    std::vector<std::string> lines;
    if (!log) return lines;
    HWND list = GetDlgItem(log, IDC_LOG_LIST);
    LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; ++i) lines.push_back(ListBoxText(list, i));
    SaveScreenshot(ArtifactFolder() + "log-" + shot);
    ClickButton(log, IDOK);
    for (int i = 0; i < 100 && IsWindow(log); ++i) Sleep(20);
    return lines;
  }

  void Close(CProgramUnderTest& program, HWND main) {
    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(program.WaitForExit(kTimeout));
  }

  std::string TrackBytes(int track) {
    uint32_t first = 0;
    for (int i = 0; i + 1 < track; ++i) first += layout_.tracks[i].frames;
    const IMAGE_TRACK& t = layout_.tracks[track - 1];
    std::vector<uint8_t> bytes(static_cast<size_t>(t.frames) * 2352);
    RenderTrackFrames(t, track, 0, first, t.frames, bytes.data());
    return std::string(bytes.begin(), bytes.end());
  }

  std::string folder_, cue_;
  DISC_IMAGE_LAYOUT layout_;
};

TEST_F(ProvenRipTest, SecureRipHealsReportsAndVerifiesEveryMp3) {
  // Track 1 differs on its first two reads of 50..60; track 3 (from 610)
  // never settles at 700.
  CScopedEnvironment drives(kVirtualDrivesVariable, "V=" + cue_ + "|unstable=50-60:2|unstable=700");
  StoreDword("SECUREREAD", 1);
  StoreDword("OUTPUTFORMAT", 2);
  std::string target = folder_ + "secure";
  CProgramUnderTest program("proven-secure");
  HWND main = Start(program, "-A1,3  -DV -F" + target);
  ASSERT_NE(main, nullptr);
  std::vector<std::string> log = FinishedLog(program, main, "secure-rip-finished.bmp");
  EXPECT_EQ(ReadAll(target + "\\TRACK 1.WAV").substr(44), TrackBytes(1)) << "track 1 is not bit-exact";
  EXPECT_TRUE(HasLine(log, ") Secure reading: 2 blocks read again until two reads agreed")) << Joined(log);
  // Blocks of track 3 from 610: 688..713 holds 700, 78..103 frames in.
  EXPECT_TRUE(HasLine(log, ") Suspicious position: 00:01.03 - 00:01.28, no two reads agreed")) << Joined(log);
  EXPECT_TRUE(HasLine(log, ") Track 1 verified (SNR ")) << Joined(log);
  EXPECT_TRUE(HasLine(log, ") Track 3 verified (SNR ")) << Joined(log);
  Close(program, main);
}

TEST_F(ProvenRipTest, WithTheNewSettingsOffTheLogIsAsBefore) {
  CScopedEnvironment drives(kVirtualDrivesVariable, "V=" + cue_ + "|unstable=50-60");
  StoreDword("VERIFYMP3", 0);
  StoreDword("ACCURATERIP", 0);
  std::string target = folder_ + "plain";
  CProgramUnderTest program("proven-plain");
  HWND main = Start(program, "-A1  -DV -F" + target);
  ASSERT_NE(main, nullptr);
  std::vector<std::string> log = FinishedLog(program, main, "plain-rip-finished.bmp");
  ASSERT_EQ(log.size(), 4u) << Joined(log);  // extracting, OK, encoding, OK
  EXPECT_FALSE(HasLine(log, "verified")) << Joined(log);
  EXPECT_FALSE(HasLine(log, "Secure")) << Joined(log);
  Close(program, main);
}

// The encode job through a stand-in that damages the real library's output.
class DamagedEncodingTest : public ProvenRipTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(DamagedEncodingTest, VerificationFlagsTheDamagedFileAndTheJobGoesOn) {
  std::string damage = GetParam();
  CScopedEnvironment drives(kVirtualDrivesVariable, "V=" + cue_);
  std::string target = folder_ + "damaged";
  CProgramUnderTest program("proven-damaged");
  // The real library under a name of its own, so that loading it does not
  // find the stand-in already loaded under the same one.
  std::string real = program.Folder() + "REAL_LAME.DLL";
  ASSERT_TRUE(CopyFileA((BuildFolder() + "LAME_ENC.DLL").c_str(), real.c_str(), FALSE));
  CScopedEnvironment library("CANTARO_DAMAGE_LIBRARY", real);
  CScopedEnvironment how("CANTARO_DAMAGE", damage);
  for (const char* name : {"LAME_ENC.DLL", "BLADEENC.DLL"})
    ASSERT_TRUE(
        CopyFileA((BuildFolder() + "fakes\\damaging\\" + name).c_str(), (program.Folder() + name).c_str(), FALSE));
  HWND main = Start(program, "-A1,2  -DV -F" + target);
  ASSERT_NE(main, nullptr);
  std::vector<std::string> log = FinishedLog(program, main, "damaged-" + damage.substr(0, damage.find('=')) + ".bmp");
  std::string expected =
      damage == "silence=right" ? ") Track 1 NOT verified: the right channel is silent" : ") Track 1 NOT verified: ";
  EXPECT_TRUE(HasLine(log, expected)) << Joined(log);
  EXPECT_TRUE(HasLine(log, ") Track 2 NOT verified: ")) << Joined(log);
  EXPECT_TRUE(std::filesystem::exists(target + "\\Track 2.MP3")) << "the file is kept for the user to judge";
  Close(program, main);
}

INSTANTIATE_TEST_SUITE_P(Damages, DamagedEncodingTest, ::testing::Values("dropframe=100", "silence=right"));

}  // namespace
