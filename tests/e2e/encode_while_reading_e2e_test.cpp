// "Encode while reading" as a user meets it: the processing window tells of
// the tracks encoding behind the reading, and the rip gives the same MP3
// files, VBR headers included, as a rip that does one step at a time.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "cdrom/virtual/disc_image_writer.h"
#include "cdrom/virtual/virtual_drive.h"
#include "resources/resource.h"
#include "tests/core/test_folders.h"
#include "tests/harness/harness.h"

namespace {

const DWORD kTimeout = 120000;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The control with `id` anywhere inside `window` (the panels are child dialogs).
HWND DescendantWithId(HWND window, int id) {
  struct SEARCH {
    int id;
    HWND found;
  } search{id, nullptr};
  EnumChildWindows(
      window,
      [](HWND child, LPARAM parameter) -> BOOL {
        auto* s = reinterpret_cast<SEARCH*>(parameter);
        if (GetDlgCtrlID(child) != s->id) return TRUE;
        s->found = child;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

class EncodeWhileReadingE2eTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DeleteProgramKey();
    folder_ = MakeTestFolder("e2e-encode-while-reading");
    DISC_IMAGE_LAYOUT layout;
    for (int i = 0; i < 4; ++i) {
      IMAGE_TRACK track;
      track.content = TrackContent::Music;
      track.style = i;
      track.frames = 75 * 6 + 20 * i;
      layout.tracks.push_back(track);
    }
    std::string error;
    ASSERT_TRUE(WriteDiscImage(layout, folder_ + "disc.cue", error)) << error;
    // About half a second of reading a track: long enough to see the encoders behind it.
    drives_ = std::make_unique<CScopedEnvironment>(kVirtualDrivesVariable, "V=" + folder_ + "disc.cue|delay=1");
  }
  void TearDown() override { DeleteProgramKey(); }

  // Rips the four tracks into `target` from the shell's command line; the
  // background lines the processing window showed go to `shown`.
  void Rip(int encodeWhileReading, const std::string& target, std::set<std::string>& shown) {
    StoreDword("ENCODEWHILEREADING", encodeWhileReading);
    StoreDword("ENABLEVBR", 1);
    StoreDword("WRITEVBRHEADER", 1);
    CProgramUnderTest program("encode-while-reading");
    ASSERT_TRUE(program.Start("-A1,2,3,4  -DV -F" + target));
    HWND main = nullptr;
    program.AnswerBoxesUntilMainWindow(kTimeout, &main);
    ASSERT_NE(main, nullptr);
    HWND processing = WaitForWindowTitled(program.ProcessId(), "Extracting", kTimeout);
    ASSERT_NE(processing, nullptr);
    HWND finished = nullptr;
    for (DWORD waited = 0; !finished && waited < kTimeout; waited += 50) {
      HWND line = DescendantWithId(processing, IDC_EXTRACT_BACKGROUND);
      // Read from another process, the text may change between the two looks.
      std::string text = line ? WindowText(line) : "";
      if (line && IsWindowVisible(line) && !text.empty()) {
        shown.insert(text);
      }
      finished = WaitForWindowTitled(program.ProcessId(), "Finished", 50);
    }
    ASSERT_NE(finished, nullptr) << "the rip did not finish";
    ClickButton(finished, IDOK);
    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(program.WaitForExit(kTimeout));
  }

  std::string folder_;
  std::unique_ptr<CScopedEnvironment> drives_;
};

TEST_F(EncodeWhileReadingE2eTest, SameMp3FilesAsOneStepAtATimeAndTheWindowTellsOfTheEncoders) {
  std::set<std::string> parallelLines, sequentialLines;
  Rip(1, folder_ + "parallel", parallelLines);
  Rip(0, folder_ + "sequential", sequentialLines);
  EXPECT_TRUE(sequentialLines.empty());
  EXPECT_TRUE(parallelLines.count("Encoding 1 track in the background")) << ::testing::PrintToString(parallelLines);
  for (const std::string& line : parallelLines)
    EXPECT_TRUE(line == "Encoding 1 track in the background" || line == "Encoding 2 tracks in the background" ||
                line == "Encoding 3 tracks in the background")
        << line;
  for (int track = 1; track <= 4; ++track) {
    std::string name = "\\TRACK " + std::to_string(track) + ".MP3";
    std::string parallel = ReadAll(folder_ + "parallel" + name);
    ASSERT_GT(parallel.size(), 10000u) << name;
    EXPECT_TRUE(parallel == ReadAll(folder_ + "sequential" + name)) << name << " differs";
    // LAME's VBR header ("Xing") sits in the first frame.
    EXPECT_NE(parallel.substr(0, 600).find("Xing"), std::string::npos) << name;
  }
}

}  // namespace
