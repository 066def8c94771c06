// Proven rips from the user's side: the program rips the disc in virtual
// drive V: and asks the loopback AccurateRip server, whose database files
// the test computes from the disc image with its own implementation; the
// processing log tells each track's verdict. The drive's read offset,
// stored for the drive's INQUIRY name, is corrected to bit-exact WAVs.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "cdrom/virtual/disc_image_writer.h"
#include "cdrom/virtual/virtual_drive.h"
#include "resources/resource.h"
#include "tests/core/accuraterip_reference.h"
#include "tests/core/test_folders.h"
#include "tests/harness/accuraterip_test_server_win.h"
#include "tests/harness/harness.h"

namespace {

const DWORD kTimeout = 60000;
constexpr uint32_t kFrames[] = {300, 310, 320};

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(HostFolder(path), std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A control's text in the program's process: WM_GETTEXT is marshalled
// across processes, GetWindowText asks other processes' controls nothing.
std::string ControlText(HWND control) {
  char text[256] = {};
  SendMessageA(control, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  return text;
}

class AccuracyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (AccurateRipServerFolder().empty()) GTEST_SKIP() << "no AccurateRip test server (run through ctest)";
    DeleteProgramKey();
    folder_ = MakeTestFolder("e2e-accuracy");
    cue_ = folder_ + "disc.cue";
    DISC_IMAGE_LAYOUT layout;
    for (int i = 0; i < 3; ++i) {
      IMAGE_TRACK track;
      track.content = TrackContent::Music;
      track.style = i;
      track.frames = kFrames[i];
      layout.tracks.push_back(track);
    }
    std::string error;
    ASSERT_TRUE(WriteDiscImage(layout, cue_, error)) << error;
    image_ = ReadBytes(folder_ + "disc.bin");
    ASSERT_EQ(image_.size(), (300u + 310 + 320) * 2352);
    StoreDword("OUTPUTFORMAT", 1);  // WAV files only
  }
  void TearDown() override { DeleteProgramKey(); }

  std::vector<uint8_t> TrueTrack(int t) const {
    uint32_t start = 0;
    for (int i = 0; i < t; ++i) start += kFrames[i];
    return {image_.begin() + start * 2352, image_.begin() + (start + kFrames[t]) * 2352};
  }

  // The disc's database name, worked out here from the layout: track
  // starts 0, 300, 610, lead-out 930.
  static std::string DatabasePath() {
    uint32_t starts[] = {0, 300, 610}, leadOut = 930;
    uint32_t id1 = 0, id2 = 0, digits = 0;
    for (int t = 0; t < 3; ++t) {
      id1 += starts[t];
      id2 += (starts[t] ? starts[t] : 1) * (t + 1);
      for (uint32_t seconds = (starts[t] + 150) / 75; seconds; seconds /= 10) digits += seconds % 10;
    }
    id1 += leadOut;
    id2 += leadOut * 4;
    uint32_t cddb = (digits % 255) << 24 | ((leadOut + 150) / 75 - (starts[0] + 150) / 75) << 8 | 3;
    char path[80];
    std::snprintf(path, sizeof path, "%x/%x/%x/dBAR-003-%08x-%08x-%08x.bin", id1 & 0xF, (id1 >> 4) & 0xF,
                  (id1 >> 8) & 0xF, id1, id2, cddb);
    return path;
  }

  // Two pressings: the disc's v1 sums at confidence 12, 13, 14 and its v2
  // sums at confidence 3.
  void ServeDisc() {
    std::vector<std::pair<uint8_t, uint32_t>> v1, v2;
    for (int t = 0; t < 3; ++t) {
      REFERENCE_SUMS sums = ReferenceSums(Words(TrueTrack(t)), t == 0, t == 2);
      v1.push_back({static_cast<uint8_t>(12 + t), sums.v1});
      v2.push_back({3, sums.v2});
    }
    std::string path = DatabasePath();
    uint32_t id1 = std::stoul(path.substr(15, 8), nullptr, 16), id2 = std::stoul(path.substr(24, 8), nullptr, 16),
             cddb = std::stoul(path.substr(33, 8), nullptr, 16);
    AR_DISC_ID id{3, id1, id2, cddb};
    ServeAccurateRipFile(path, Pressing(id, v1) + Pressing(id, v2));
  }
  void RemoveServedDisc() {
    std::error_code ignored;
    std::filesystem::remove_all(HostFolder(AccurateRipServerFolder() + "files"), ignored);
  }

  // Rips the tracks into folder_\out and returns the log's lines.
  std::vector<std::string> Rip(const std::string& driveOptions, const std::string& tracks, DWORD* took = nullptr) {
    CScopedEnvironment drives(kVirtualDrivesVariable, "V=" + cue_ + driveOptions);
    CProgramUnderTest program("accuracy");
    DWORD began = GetTickCount();
    EXPECT_TRUE(program.Start("-A" + tracks + "  -DV -F" + folder_ + "out"));
    HWND main = nullptr;
    program.AnswerBoxesUntilMainWindow(kTimeout, &main);
    if (!main) return {};
    HWND finished = WaitForWindowTitled(program.ProcessId(), "Finished", kTimeout);
    if (took) *took = GetTickCount() - began;
    EXPECT_NE(finished, nullptr) << "the rip did not finish";
    std::vector<std::string> lines;
    if (finished) {
      ClickButton(finished, IDOK);
      HWND log = nullptr;
      for (int attempt = 0; attempt < 50 && !log; ++attempt) {
        PostMessageA(main, WM_COMMAND, ID_FILE_VIEW_LOG, 0);
        log = WaitForWindowTitled(program.ProcessId(), "Cantaro Maker Log", 500);
      }
      EXPECT_NE(log, nullptr);
      if (log) {
        HWND list = GetDlgItem(log, IDC_LOG_LIST);
        for (int i = 0; i < SendMessageA(list, LB_GETCOUNT, 0, 0); ++i) lines.push_back(ListBoxText(list, i));
        SaveScreenshot(ArtifactFolder() + "accuracy-log.bmp");
        ClickButton(log, IDOK);
      }
    }
    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(program.WaitForExit(kTimeout));
    return lines;
  }

  static std::string LineWith(const std::vector<std::string>& lines, const std::string& text) {
    for (const std::string& line : lines)
      if (line.find(text) != std::string::npos) return line;
    return "";
  }
  static std::string Joined(const std::vector<std::string>& lines) {
    std::string all;
    for (const std::string& line : lines) all += line + "\n";
    return all;
  }

  std::vector<uint8_t> Wav(int t) {
    std::vector<uint8_t> bytes = ReadBytes(folder_ + "out\\Track " + std::to_string(t + 1) + ".WAV");
    return bytes.size() >= 44 ? std::vector<uint8_t>(bytes.begin() + 44, bytes.end()) : std::vector<uint8_t>();
  }

  std::string folder_, cue_;
  std::vector<uint8_t> image_;
};

TEST_F(AccuracyTest, CleanRipIsAccurateWithEachTracksConfidence) {
  ServeDisc();
  std::vector<std::string> lines = Rip("", "1,2,3");
  for (int t = 0; t < 3; ++t) {
    std::vector<uint8_t> wav = Wav(t);
    ASSERT_EQ(wav, TrueTrack(t));
    REFERENCE_SUMS sums = ReferenceSums(Words(wav), t == 0, t == 2);
    char expected[200];
    std::snprintf(expected, sizeof expected,
                  "AccurateRip: track %d: CRC32 %08X, AccurateRip v1 %08X, v2 %08X: accurately ripped (confidence %d)",
                  t + 1, ReferenceCrc32(wav), sums.v1, sums.v2, 12 + t);
    EXPECT_NE(LineWith(lines, expected), "") << expected << "\n" << Joined(lines);
  }
  EXPECT_NE(LineWith(lines, "AccurateRip: 3 of 3 tracks accurately ripped, 0 not accurate, 0 not present"), "")
      << Joined(lines);
  RemoveServedDisc();
}

TEST_F(AccuracyTest, SkippedBadRangeIsNotAccurateForThatTrackOnly) {
  ServeDisc();
  std::vector<std::string> lines = Rip("|bad=400-401", "1,2,3");  // inside track 2
  EXPECT_NE(LineWith(lines, "track 1: CRC32").find("accurately ripped (confidence 12)"), std::string::npos)
      << Joined(lines);
  EXPECT_NE(LineWith(lines, "track 2: CRC32").find("NOT accurate (best confidence 13)"), std::string::npos)
      << Joined(lines);
  EXPECT_NE(LineWith(lines, "track 3: CRC32").find("accurately ripped (confidence 14)"), std::string::npos)
      << Joined(lines);
  EXPECT_NE(LineWith(lines, "2 of 3 tracks accurately ripped, 1 not accurate"), "") << Joined(lines);
  RemoveServedDisc();
}

TEST_F(AccuracyTest, ADiscAbsentFromTheServerSaysSo) {
  RemoveServedDisc();
  std::vector<std::string> lines = Rip("", "2");
  EXPECT_NE(LineWith(lines, "track 2: CRC32").find(": not present in database"), std::string::npos)
      << Joined(lines);
  EXPECT_NE(LineWith(lines, "0 of 1 tracks accurately ripped, 0 not accurate, 1 not present"), "") << Joined(lines);
}

TEST_F(AccuracyTest, AServerThatNeverAnswersCostsItsTimeOutAndTheRipSucceeds) {
  ServeDisc();
  StoreDword("SERVERTIMEOUT", 3000);
  CScopedEnvironment silent(kAccurateRipUrlVariableName, AccurateRipServerUrl("silent"));
  DWORD took = 0;
  std::vector<std::string> lines = Rip("", "1", &took);
  EXPECT_NE(LineWith(lines, "AccurateRip: the database could not be reached (timed out)"), "") << Joined(lines);
  EXPECT_NE(LineWith(lines, "track 1: CRC32"), "") << Joined(lines);
  EXPECT_EQ(Wav(0), TrueTrack(0));
  // Start-up, the rip and the time-out, with room for a slow machine but
  // far below the two minutes of the CDDB default.
  EXPECT_LT(took, 30000u);
  RemoveServedDisc();
}

TEST_F(AccuracyTest, DriveOffsetsAreCorrectedToBitExactWavs) {
  ServeDisc();
  for (int offset : {6, -1160, 667}) {
    SCOPED_TRACE(offset);
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "SoftWare\\BRENMARK\\TAMBOUR\\ReadOffsets", 0, nullptr, 0,
                              KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    DWORD value = static_cast<DWORD>(offset);
    RegSetValueExA(key, "CANTARO VIRTUAL CD-ROM", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
    std::vector<std::string> lines = Rip("|offset=" + std::to_string(offset), "2");
    EXPECT_EQ(Wav(1), TrueTrack(1));
    EXPECT_NE(LineWith(lines, "track 2: CRC32").find("accurately ripped (confidence 13)"), std::string::npos)
        << Joined(lines);
  }
  RemoveServedDisc();
}

TEST_F(AccuracyTest, DetectFindsTheDrivesOffsetOnTheAccuracyPage) {
  ServeDisc();
  CScopedEnvironment drives(kVirtualDrivesVariable, "V=" + cue_ + "|offset=667");
  CProgramUnderTest program("accuracy-detect");
  ASSERT_TRUE(program.Start());
  HWND main = nullptr;
  program.AnswerBoxesUntilMainWindow(kTimeout, &main);
  ASSERT_NE(main, nullptr);
  PostMessageA(main, WM_COMMAND, ID_EDIT_OPTIONS, 0);
  HWND options = WaitForWindowTitled(program.ProcessId(), "Options", kTimeout);
  ASSERT_NE(options, nullptr);
  HWND tree = GetDlgItem(options, IDC_OPTIONS_TREE);
  HTREEITEM item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
  for (int i = 0; i < 6; ++i)
    item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)));
  SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
  Sleep(300);
  HWND offset = FindVisibleDescendant(options, IDC_OPT_READ_OFFSET);
  ASSERT_NE(offset, nullptr) << "the Accuracy page is not shown";
  EXPECT_EQ(ControlText(offset), "0");
  EXPECT_EQ(ControlText(FindVisibleDescendant(options, IDC_OPT_DRIVE_NAME)), "Drive: CANTARO VIRTUAL CD-ROM");
  SaveScreenshot(ArtifactFolder() + "options-accuracy.bmp");
  HWND detect = FindVisibleDescendant(options, IDC_OPT_DETECT_OFFSET);
  PostMessageA(GetParent(detect), WM_COMMAND, MAKEWPARAM(IDC_OPT_DETECT_OFFSET, BN_CLICKED),
               reinterpret_cast<LPARAM>(detect));
  std::string said = program.WaitForMessageBox(kTimeout);
  EXPECT_NE(said.find("read offset is +667 samples (AccurateRip confidence 13)"), std::string::npos) << said;
  EXPECT_EQ(ControlText(offset), "667");
  ClickButton(options, IDOK);
  for (int i = 0; i < 200 && IsWindow(options); ++i) Sleep(20);
  HKEY key = nullptr;
  DWORD value = 0, size = sizeof value;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "SoftWare\\BRENMARK\\TAMBOUR\\ReadOffsets", 0, KEY_QUERY_VALUE, &key),
            ERROR_SUCCESS);
  EXPECT_EQ(RegQueryValueExA(key, "CANTARO VIRTUAL CD-ROM", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size),
            ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(static_cast<int>(value), 667);
  PostMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(program.WaitForExit(kTimeout));
  RemoveServedDisc();
}

}  // namespace
