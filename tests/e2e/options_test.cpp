// The Options dialog as a user meets it: what it changes shows in the
// next rip, in the encoder in use, in the drive on view and, after exit,
// in the registry.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <filesystem>
#include <memory>

#include "cdrom/virtual/disc_image_writer.h"
#include "cdrom/virtual/virtual_drive.h"
#include "resources/resource.h"
#include "tests/core/test_folders.h"
#include "tests/harness/harness.h"

namespace {

const DWORD kTimeout = 60000;
const char* const kPageNames[] = {"output", "mp3", "cddb", "cdrom", "appearance", "misc"};

std::string WriteDisc(const std::string& folder, const std::string& name, int tracks) {
  DISC_IMAGE_LAYOUT layout;
  for (int i = 0; i < tracks; ++i) {
    IMAGE_TRACK track;
    track.frames = 75 * (2 + i);
    layout.tracks.push_back(track);
  }
  std::string error;
  EXPECT_TRUE(WriteDiscImage(layout, folder + name, error)) << error;
  return folder + name;
}

std::string TestProgramFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder = path;
  return folder.substr(0, folder.rfind('\\') + 1);
}

class OptionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DeleteProgramKey();
    folder_ = MakeTestFolder("e2e-options");
    std::string v = WriteDisc(folder_, "three.cue", 3);
    std::string w = WriteDisc(folder_, "five.cue", 5);
    drives_ = std::make_unique<CScopedEnvironment>(kVirtualDrivesVariable, "V=" + v + ";W=" + w);
  }
  void StartProgram(std::vector<std::string>* startMessages = nullptr) {
    ASSERT_TRUE(program_.Start());
    std::vector<std::string> messages = program_.AnswerBoxesUntilMainWindow(kTimeout, &main_);
    if (startMessages) *startMessages = messages;
    ASSERT_NE(main_, nullptr);
  }
  void TearDown() override {
    if (main_ && !program_.HasExited()) {
      PostMessageA(main_, WM_CLOSE, 0, 0);
      EXPECT_TRUE(program_.WaitForExit(kTimeout));
    }
    DeleteProgramKey();
  }
  void Exit() {
    PostMessageA(main_, WM_CLOSE, 0, 0);
    ASSERT_TRUE(program_.WaitForExit(kTimeout));
  }

  HWND OpenOptions() {
    PostMessageA(main_, WM_COMMAND, ID_EDIT_OPTIONS, 0);
    options_ = WaitForWindowTitled(program_.ProcessId(), "Options", kTimeout);
    return options_;
  }
  void ShowPage(int index) {
    HWND tree = GetDlgItem(options_, IDC_OPTIONS_TREE);
    HTREEITEM item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    for (int i = 0; i < index; ++i)
      item =
          reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)));
    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
  }
  HWND Control(int id) { return FindVisibleDescendant(options_, id); }
  void Type(int id, const std::string& text) {
    SendMessageA(Control(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  void Choose(int id, int index) { SendMessageA(Control(id), CB_SETCURSEL, static_cast<WPARAM>(index), 0); }
  void PressOk() {
    ClickButton(options_, IDOK);
    for (int i = 0; i < 200 && IsWindow(options_); ++i) Sleep(20);
  }

  std::string folder_;
  std::unique_ptr<CScopedEnvironment> drives_;
  CProgramUnderTest program_{"options"};
  HWND main_ = nullptr;
  HWND options_ = nullptr;
};

}  // namespace

TEST_F(OptionsTest, TheRipLandsWhereTheNewRuleSaysAndEveryValueReachesTheRegistry) {
  StartProgram();
  ASSERT_NE(OpenOptions(), nullptr);
  for (int page = 0; page < 6; ++page) {
    ShowPage(page);
    Sleep(300);
    SaveScreenshot(ArtifactFolder() + "options-" + kPageNames[page] + ".bmp");
  }
  ShowPage(0);
  std::string output = folder_ + "ripped\\by rule";
  Type(IDC_OPT_OUTPUT_FOLDER, output + "\\\\  ");
  Type(IDC_OPT_NAMING_RULE, "<number>-<title>");
  Choose(IDC_OPT_OUTPUT_FORMAT, 1);  // WAV only
  ShowPage(2);
  Type(IDC_OPT_SERVER_TIMEOUT, "4321");
  ShowPage(3);
  Type(IDC_OPT_BUFFER_SIZE, "77");
  ShowPage(5);
  Type(IDC_OPT_REPLACE_FIRST, "+");
  Choose(IDC_OPT_THREAD_PRIORITY, 3);
  PressOk();
  ASSERT_FALSE(IsWindow(options_));

  PostMessageA(main_, WM_COMMAND, ID_EDIT_SELECT_NONE, 0);
  Sleep(200);
  CheckListRow(GetDlgItem(main_, IDC_TRACK_LIST), 1, true);
  PostMessageA(main_, WM_COMMAND, ID_ACTION_EXTRACT, 0);
  HWND finished = WaitForWindowTitled(program_.ProcessId(), "Finished", kTimeout);
  ASSERT_NE(finished, nullptr);
  ClickButton(finished, IDOK);
  EXPECT_TRUE(std::filesystem::exists(HostFolder(output + "\\02-Track 2.wav")));
  EXPECT_FALSE(std::filesystem::exists(HostFolder(output + "\\02-Track 2.mp3")));

  Exit();
  std::string text;
  ASSERT_TRUE(ReadStoredString("OUTPUTFOLDER", text));
  EXPECT_EQ(text, output) << "stored without its backslash";
  ASSERT_TRUE(ReadStoredString("NAMINGRULE", text));
  EXPECT_EQ(text, "<number>-<title>");
  ASSERT_TRUE(ReadStoredString("REPLACESTR01", text));
  EXPECT_EQ(text, "+");
  DWORD value = 0;
  ASSERT_TRUE(ReadStoredDword("OUTPUTFORMAT", value));
  EXPECT_EQ(value, 1u);
  ASSERT_TRUE(ReadStoredDword("SERVERTIMEOUT", value));
  EXPECT_EQ(value, 4321u);
  ASSERT_TRUE(ReadStoredDword("BUFFERSIZE", value));
  EXPECT_EQ(value, 77u);
  ASSERT_TRUE(ReadStoredDword("THREADPRIORITY", value));
  EXPECT_EQ(value, 3u);
}

TEST_F(OptionsTest, AnEncoderThatWillNotLoadGivesBothMessagesInOrder) {
  // Libraries that load but lack an entry point: none can be bound.
  std::string fake = TestProgramFolder() + "fakes\\no_version\\";
  for (const char* library : {"LAME_ENC.DLL", "BLADEENC.DLL"})
    ASSERT_TRUE(CopyFileA((fake + library).c_str(), (program_.Folder() + library).c_str(), FALSE));
  std::vector<std::string> atStart;
  StartProgram(&atStart);
  EXPECT_EQ(atStart, std::vector<std::string>{"No Encode DLL was found!"});
  ASSERT_NE(OpenOptions(), nullptr);
  ShowPage(1);
  Choose(IDC_OPT_ENCODER, 0);
  ClickButton(options_, IDOK);
  EXPECT_EQ(program_.WaitForMessageBox(kTimeout), "Cann't load Encoder! Use the old one.");
  EXPECT_EQ(program_.WaitForMessageBox(kTimeout), "Cann't load the old Encoder! Pls restart Cantaro Maker");
  Exit();
  DWORD encoder = 0;
  ASSERT_TRUE(ReadStoredDword("MP3ENCODER", encoder));
  EXPECT_EQ(encoder, 1u) << "the library that failed is not kept";
}

TEST_F(OptionsTest, ChoosingTheOtherDriveShowsItsDisc) {
  StartProgram();
  EXPECT_EQ(TrackRowCount(main_), 3);
  ASSERT_NE(OpenOptions(), nullptr);
  ShowPage(3);
  EXPECT_EQ(SendMessageA(Control(IDC_OPT_UNIT), CB_GETCOUNT, 0, 0), 2);
  Choose(IDC_OPT_UNIT, 1);
  PressOk();
  for (int i = 0; i < 100 && TrackRowCount(main_) != 5; ++i) Sleep(50);
  EXPECT_EQ(TrackRowCount(main_), 5);
  EXPECT_EQ(WindowText(GetDlgItem(main_, IDC_DRIVE_LABEL)).substr(0, 4), "W:  ");
  Exit();
  DWORD unit = 0;
  ASSERT_TRUE(ReadStoredDword("CDROMDRIVER", unit));
  EXPECT_EQ(unit, 1u);
}

TEST_F(OptionsTest, TheFileDialogsOpenTheOptionsFromTheirButton) {
  StartProgram();
  PostMessageA(main_, WM_COMMAND, ID_FILE_ENCODE, 0);
  HWND files = WaitForWindowTitled(program_.ProcessId(), "Encode WAV to MP3", kTimeout);
  ASSERT_NE(files, nullptr);
  HWND button = FindVisibleDescendant(files, IDC_FILE_OPTIONS);
  ASSERT_NE(button, nullptr);
  Sleep(1500);  // the dialog paints its folder view first
  SaveScreenshot(ArtifactFolder() + "encode-file-dialog.bmp");
  PostMessageA(GetParent(button), WM_COMMAND, MAKEWPARAM(IDC_FILE_OPTIONS, BN_CLICKED),
               reinterpret_cast<LPARAM>(button));
  options_ = WaitForWindowTitled(program_.ProcessId(), "Options", kTimeout);
  ASSERT_NE(options_, nullptr);
  Type(IDC_OPT_NAMING_RULE, "<artist>-<title>");
  PressOk();
  PostMessageA(files, WM_COMMAND, IDCANCEL, 0);
  for (int i = 0; i < 100 && IsWindow(files); ++i) Sleep(20);
  Exit();
  std::string rule;
  ASSERT_TRUE(ReadStoredString("NAMINGRULE", rule));
  EXPECT_EQ(rule, "<artist>-<title>");
}

TEST_F(OptionsTest, Id3v2BoxStartsClearedAndReachesTheRegistry) {
  StartProgram();
  ASSERT_NE(OpenOptions(), nullptr);
  ShowPage(1);
  Sleep(300);
  HWND box = Control(IDC_OPT_ID3V2);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(SendMessageA(box, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(WindowText(box), "ID3v&2.3 Tag with Cover Art");
  SendMessageA(box, BM_SETCHECK, BST_CHECKED, 0);
  SaveScreenshot(ArtifactFolder() + "options-mp3-id3v2.bmp");
  PressOk();
  ASSERT_FALSE(IsWindow(options_));
  Exit();
  DWORD value = 0;
  ASSERT_TRUE(ReadStoredDword("ID3V2", value));
  EXPECT_EQ(value, 1u);
}
