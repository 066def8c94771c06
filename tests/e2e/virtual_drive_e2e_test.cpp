// The real program with a virtual CD drive from CANTARO_VIRTUAL_DRIVES:
// it finds the drive, names it and lists the disc's tracks.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/harness/harness.h"

#include <commctrl.h>

#include "cdrom/virtual/disc_image_writer.h"
#include "cdrom/virtual/virtual_drive.h"
#include "resources/resource.h"
#include "tests/core/test_folders.h"

namespace {

const DWORD kStartTimeout = 30000;

class VirtualDriveE2eTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DeleteProgramKey();
    std::string folder = MakeTestFolder("e2e-virtual-drive");
    cue_ = folder + "three.cue";
    DISC_IMAGE_LAYOUT layout;
    for (int i = 0; i < 3; ++i) {
      IMAGE_TRACK track;
      track.frames = 75 * (4 + i);
      track.frequencies = {330.0 + 110 * i};
      layout.tracks.push_back(track);
    }
    std::string error;
    ASSERT_TRUE(WriteDiscImage(layout, cue_, error)) << error;
  }
  void TearDown() override { DeleteProgramKey(); }

  // Starts the program, answers its boxes until the window shows, reads
  // the drive label and the row count, and closes it.
  std::vector<std::string> Run(CProgramUnderTest& program) {
    EXPECT_TRUE(program.Start());
    HWND main = nullptr;
    std::vector<std::string> boxes = program.AnswerBoxesUntilMainWindow(kStartTimeout, &main);
    EXPECT_NE(main, nullptr) << "main window never appeared";
    if (main) {
      char label[128] = {};
      GetDlgItemTextA(main, IDC_DRIVE_LABEL, label, sizeof(label));
      label_ = label;
      rows_ = static_cast<int>(SendDlgItemMessageA(main, 1200, LVM_GETITEMCOUNT, 0, 0));
      PostMessageA(main, WM_CLOSE, 0, 0);
    }
    EXPECT_TRUE(program.WaitForExit(kStartTimeout)) << "program did not end after WM_CLOSE";
    return boxes;
  }

  static bool Shown(const std::vector<std::string>& boxes, const std::string& text) {
    return std::find(boxes.begin(), boxes.end(), text) != boxes.end();
  }

  std::string cue_, label_;
  int rows_ = -1;
};

TEST_F(VirtualDriveE2eTest, TheProgramFindsTheVirtualDriveAndListsItsDisc) {
  CScopedEnvironment drives(kVirtualDrivesVariable, "V=" + cue_);
  for (const char* path : {"passthrough", "driver"}) {
    SCOPED_TRACE(path);
    CScopedEnvironment access("CANTARO_ACCESS_PATH", path);
    CProgramUnderTest program(std::string("virtual-drive-") + path);
    std::vector<std::string> boxes = Run(program);
    EXPECT_FALSE(Shown(boxes, "No CDROM found!"));
    EXPECT_FALSE(Shown(boxes, "Error to open CDROM Handle!"));
    EXPECT_EQ(label_, "V:  CANTARO VIRTUAL CD-ROM  ");
    EXPECT_EQ(rows_, 3);
  }
}

TEST_F(VirtualDriveE2eTest, AMalformedConfigurationIsReportedByItsItem) {
  CScopedEnvironment drives(kVirtualDrivesVariable, "V=" + cue_ + "|speed=52");
  CProgramUnderTest program("virtual-drive-malformed");
  std::vector<std::string> boxes = Run(program);
  ASSERT_FALSE(boxes.empty());
  EXPECT_NE(boxes[0].find("unknown option \"speed\""), std::string::npos) << boxes[0];
  EXPECT_NE(boxes[0].find("CANTARO_VIRTUAL_DRIVES"), std::string::npos) << boxes[0];
  EXPECT_TRUE(Shown(boxes, "No CDROM found!")) << "the program goes on without the virtual drives";
}

}  // namespace
