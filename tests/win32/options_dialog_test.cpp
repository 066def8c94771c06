// The Options dialog in-process: its pages over a virtual drive and an
// in-memory registry key, driven through their controls; the message
// boxes and the Advanced dialog it opens are answered from a second thread.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "app/options_dlg_win.h"
#include "cdrom/cdrom_device.h"
#include "cdrom/device_io_win.h"
#include "cdrom/drive_commands.h"
#include "cdrom/virtual/disc_image_writer.h"
#include "cdrom/virtual/virtual_drive.h"
#include "platform/memory_registry_key.h"
#include "resources/resource.h"
#include "tests/core/test_folders.h"

namespace {

struct FOUND_WINDOW {
  std::string title;
  HWND window = nullptr;
};

BOOL CALLBACK FindTitled(HWND window, LPARAM param) {
  auto* found = reinterpret_cast<FOUND_WINDOW*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  char title[256] = {};
  GetWindowTextA(window, title, sizeof(title));
  if (pid == GetCurrentProcessId() && IsWindowVisible(window) && found->title == title) {
    found->window = window;
    return FALSE;
  }
  return TRUE;
}

// A second thread that answers what the dialog opens: message boxes are
// recorded and confirmed; a window with a title in `actions` gets its
// action instead.
class CAnswerer {
 public:
  explicit CAnswerer(std::vector<std::pair<std::string, std::function<void(HWND)>>> actions = {})
      : actions_(std::move(actions)), thread_([this] { Run(); }) {}
  ~CAnswerer() {
    stop_ = true;
    thread_.join();
  }
  std::vector<std::string> Texts() {
    std::lock_guard<std::mutex> lock(lock_);
    return texts_;
  }

 private:
  void Run() {
    while (!stop_) {
      AnswerMessageBox();
      for (auto& [title, action] : actions_) {
        FOUND_WINDOW found{title, nullptr};
        EnumWindows(FindTitled, reinterpret_cast<LPARAM>(&found));
        if (found.window) action(found.window);
      }
      Sleep(20);
    }
  }
  void AnswerMessageBox() {
    FOUND_WINDOW found{"Cantaro Maker", nullptr};
    EnumWindows(FindTitled, reinterpret_cast<LPARAM>(&found));
    HWND text = found.window ? GetDlgItem(found.window, 0xFFFF) : nullptr;
    if (!text) return;
    char buffer[512] = {};
    GetWindowTextA(text, buffer, sizeof(buffer));
    {
      std::lock_guard<std::mutex> lock(lock_);
      texts_.push_back(buffer);
    }
    SendMessageA(found.window, WM_COMMAND, IDOK, 0);
  }

  std::vector<std::pair<std::string, std::function<void(HWND)>>> actions_;
  std::atomic<bool> stop_{false};
  std::mutex lock_;
  std::vector<std::string> texts_;
  std::thread thread_;
};

class OptionsDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetMessageCaption("Cantaro Maker");
    folder_ = MakeTestFolder("win32-options");
    DISC_IMAGE_LAYOUT layout;
    layout.tracks.push_back(IMAGE_TRACK());
    std::string error;
    ASSERT_TRUE(WriteDiscImage(layout, folder_ + "disc.cue", error)) << error;
    ASSERT_TRUE(ParseVirtualDrives("V=" + folder_ + "disc.cue", drives_, error)) << error;
    io_ = std::make_unique<CVirtualDeviceIo>(nullptr, drives_);
    commands_ = std::make_unique<CDriveCommands>(*io_);
    cdrom_ = std::make_unique<CCdromDevice>(*io_, *commands_);
    cdrom_->EnumerateDrives();
    settings_.OutputFolder = folder_ + "out\\";
    settings_.CACHEDIRECTORY = folder_ + "cache\\";
  }
  void TearDown() override {
    if (dialog_) dialog_->Destroy();
  }

  void Open() {
    dialog_ = std::make_unique<COptionsDlg>(nullptr, settings_, *cdrom_, key_, [this] { ++cacheClears_; });
    ASSERT_TRUE(dialog_->Create(nullptr));
    ShowWindow(dialog_->Handle(), SW_SHOW);
  }
  // The page control id of the shown page.
  HWND Control(int id) {
    HWND page = GetWindow(dialog_->Handle(), GW_CHILD);
    for (; page; page = GetWindow(page, GW_HWNDNEXT))
      if (IsWindowVisible(page) && GetDlgItem(page, id)) return GetDlgItem(page, id);
    return nullptr;
  }
  void ShowPage(int index) {
    HWND tree = dialog_->Item(IDC_OPTIONS_TREE);
    HTREEITEM item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    for (int i = 0; i < index; ++i)
      item =
          reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)));
    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
  }
  void Type(int id, const std::string& text) { SetWindowTextA(Control(id), text.c_str()); }
  void Click(int id) { SendMessageA(GetParent(Control(id)), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
  void Choose(int id, int index) {
    HWND combo = Control(id);
    SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageA(GetParent(combo), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
  }
  // OK; true when the dialog closed.
  bool PressOk() {
    SendMessageA(dialog_->Handle(), WM_COMMAND, IDOK, 0);
    return dialog_->Handle() == nullptr;
  }

  std::string folder_;
  std::vector<VIRTUAL_DRIVE_CONFIG> drives_;
  std::unique_ptr<CVirtualDeviceIo> io_;
  std::unique_ptr<CDriveCommands> commands_;
  std::unique_ptr<CCdromDevice> cdrom_;
  CAppSettings settings_;
  CMemoryRegistryKey key_;
  std::unique_ptr<COptionsDlg> dialog_;
  int cacheClears_ = 0;
};

}  // namespace

TEST_F(OptionsDialogTest, TheNamingRuleNeedsAVariableAndGenreCounts) {
  Open();
  CAnswerer answers;
  Type(IDC_OPT_NAMING_RULE, "track");
  EXPECT_FALSE(PressOk());
  Type(IDC_OPT_NAMING_RULE, "<genre>-a");
  Type(IDC_OPT_OUTPUT_FOLDER, folder_ + "rips\\  ");
  EXPECT_TRUE(PressOk());
  EXPECT_EQ(answers.Texts(), (std::vector<std::string>{
                                 "Naming rule string must contain one of the following variables:\n<title> <number> "
                                 "<artist> <album> <year>"}));
  EXPECT_EQ(settings_.NamingRule, "<genre>-a");
  EXPECT_EQ(settings_.OutputFolder, folder_ + "rips\\");
  EXPECT_EQ(settings_.sessionOutputFolder, folder_ + "rips\\");
}

TEST_F(OptionsDialogTest, BladeEncTurnsOffVbrAndItsControls) {
  settings_.MP3Encoder = 1;
  settings_.EnableVBR = 1;
  Open();
  ShowPage(1);
  for (int id :
       {IDC_OPT_ENABLE_VBR, IDC_OPT_MAX_BITRATE, IDC_OPT_MPEG_QUALITY, IDC_OPT_VBR_QUALITY, IDC_OPT_VBR_HEADER})
    EXPECT_TRUE(IsWindowEnabled(Control(id))) << id;
  Choose(IDC_OPT_ENCODER, 0);
  for (int id :
       {IDC_OPT_ENABLE_VBR, IDC_OPT_MAX_BITRATE, IDC_OPT_MPEG_QUALITY, IDC_OPT_VBR_QUALITY, IDC_OPT_VBR_HEADER})
    EXPECT_FALSE(IsWindowEnabled(Control(id))) << id;
  EXPECT_TRUE(IsWindowEnabled(Control(IDC_OPT_BITRATE)));
  Choose(IDC_OPT_ENCODER, 1);
  CheckDlgButton(GetParent(Control(IDC_OPT_ENABLE_VBR)), IDC_OPT_ENABLE_VBR, BST_UNCHECKED);
  Click(IDC_OPT_ENABLE_VBR);
  EXPECT_TRUE(IsWindowEnabled(Control(IDC_OPT_ENABLE_VBR)));
  EXPECT_FALSE(IsWindowEnabled(Control(IDC_OPT_MAX_BITRATE)));
  Choose(IDC_OPT_ENCODER, 0);
  EXPECT_TRUE(PressOk());
  EXPECT_EQ(settings_.MP3Encoder, 0);
  EXPECT_EQ(settings_.EnableVBR, 0);
}

TEST_F(OptionsDialogTest, EncodeWhileReadingIsOffAtFirstAndTheMp3PageSetsIt) {
  Open();
  ShowPage(1);
  HWND box = Control(IDC_OPT_ENCODE_WHILE_READING);
  ASSERT_NE(box, nullptr);
  char text[64] = {};
  GetWindowTextA(box, text, sizeof(text));
  EXPECT_STREQ(text, "Encode &while reading");
  EXPECT_EQ(SendMessageA(box, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  SendMessageA(box, BM_SETCHECK, BST_CHECKED, 0);
  EXPECT_TRUE(PressOk());
  EXPECT_EQ(settings_.EncodeWhileReading, 1);
  Open();
  ShowPage(1);
  EXPECT_EQ(SendMessageA(Control(IDC_OPT_ENCODE_WHILE_READING), BM_GETCHECK, 0, 0), BST_CHECKED);
}

TEST_F(OptionsDialogTest, AdvancedStoresItsBitsAtOnceAndCancelKeepsThem) {
  settings_.Copyright = 1;
  settings_.Original = 1;
  settings_.Private = 1;
  settings_.BitRate = 20;  // out of the list: shown as 160 kbit/s
  Open();
  ShowPage(1);
  EXPECT_EQ(SendMessageA(Control(IDC_OPT_BITRATE), CB_GETCURSEL, 0, 0), 9);
  CAnswerer answers({{" Advanced", [](HWND advanced) {
                        CheckDlgButton(advanced, IDC_OPT_ORIGINAL, BST_UNCHECKED);
                        CheckDlgButton(advanced, IDC_OPT_PRIVATE, BST_UNCHECKED);
                        SendMessageA(advanced, WM_COMMAND, IDOK, 0);
                      }}});
  Click(IDC_OPT_ADVANCED);
  EXPECT_EQ(settings_.Copyright, 1);
  EXPECT_EQ(settings_.Original, 0);
  EXPECT_EQ(settings_.Private, 0);
  SendMessageA(dialog_->Handle(), WM_COMMAND, IDCANCEL, 0);
  EXPECT_EQ(dialog_->Handle(), nullptr);
  EXPECT_EQ(settings_.Original, 0);
  EXPECT_EQ(settings_.BitRate, 20) << "Cancel stores nothing";
}

TEST_F(OptionsDialogTest, TheBufferSizeTakesOneTo255AndAPageWithABadNumberCannotBeLeft) {
  Open();
  ShowPage(3);
  CAnswerer answers;
  for (const char* refused : {"0", "256"}) {
    Type(IDC_OPT_BUFFER_SIZE, refused);
    EXPECT_FALSE(PressOk()) << refused;
  }
  ShowPage(5);  // refused: the CD-ROM page stays
  EXPECT_NE(Control(IDC_OPT_BUFFER_SIZE), nullptr);
  EXPECT_EQ(Control(IDC_OPT_THREAD_PRIORITY), nullptr);
  EXPECT_EQ(answers.Texts(), std::vector<std::string>(3, "Please enter an integer between 1 and 255."));
  Type(IDC_OPT_BUFFER_SIZE, "1");
  ShowPage(5);
  EXPECT_NE(Control(IDC_OPT_THREAD_PRIORITY), nullptr);
  ShowPage(3);
  Type(IDC_OPT_BUFFER_SIZE, "255");
  EXPECT_TRUE(PressOk());
  EXPECT_EQ(settings_.BufferSize, 255);
  EXPECT_EQ(settings_.CDROMDriver, 0);
}

TEST_F(OptionsDialogTest, CancelChangesNothingButTheOutputPagesCorrections) {
  settings_.OutputFormat = 7;
  settings_.NormalizeRatio = 500;
  CAppSettings before = settings_;
  Open();
  Type(IDC_OPT_NAMING_RULE, "<artist>");
  ShowPage(2);
  Type(IDC_OPT_PROXY_HOST, "elsewhere");
  SendMessageA(dialog_->Handle(), WM_COMMAND, IDCANCEL, 0);
  EXPECT_EQ(settings_.OutputFormat, 0);
  EXPECT_EQ(settings_.NormalizeRatio, 95);
  EXPECT_EQ(settings_.NamingRule, before.NamingRule);
  EXPECT_EQ(settings_.PROXYHOST, before.PROXYHOST);
  EXPECT_EQ(settings_.OutputFolder, before.OutputFolder);
}

TEST_F(OptionsDialogTest, AnOkFailingOnALaterPageKeepsWhatEarlierPagesStored) {
  Open();
  CAnswerer answers;
  Type(IDC_OPT_NAMING_RULE, "<album>");
  ShowPage(2);
  Type(IDC_OPT_PROXY_PORT, "123456");
  ShowPage(2);
  Type(IDC_OPT_SERVER_TIMEOUT, "x");
  ShowPage(0);
  // Page changes refuse the bad port with the range message; show the
  // CDDB page again with a bad time-out and let OK find it.
  EXPECT_FALSE(PressOk());
  EXPECT_EQ(settings_.NamingRule, "<album>") << "the Output page stored before the CDDB page failed";
  std::vector<std::string> texts = answers.Texts();
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts.back(), "Input data is invalid.");
  EXPECT_NE(Control(IDC_OPT_PROXY_PORT), nullptr) << "the failing page is shown";
  SendMessageA(dialog_->Handle(), WM_COMMAND, IDCANCEL, 0);
  EXPECT_EQ(settings_.NamingRule, "<album>");
}

TEST_F(OptionsDialogTest, TheCacheFolderIsTrimmedAndClearReachesTheComponent) {
  Open();
  ShowPage(2);
  EXPECT_EQ(GetWindowTextLengthA(Control(IDC_OPT_CACHE_FOLDER)), static_cast<int>(folder_.size() + 5))
      << "shown without its backslash";
  Type(IDC_OPT_CACHE_FOLDER, "  " + folder_ + "data\\\\\\   ");
  Click(IDC_OPT_CACHE_CLEAR);
  EXPECT_EQ(cacheClears_, 1);
  EXPECT_FALSE(IsWindowEnabled(Control(IDC_OPT_PROXY_HOST)));
  CheckDlgButton(GetParent(Control(IDC_OPT_PROXY)), IDC_OPT_PROXY, BST_CHECKED);
  Click(IDC_OPT_PROXY);
  EXPECT_TRUE(IsWindowEnabled(Control(IDC_OPT_PROXY_HOST)));
  EXPECT_TRUE(PressOk());
  EXPECT_EQ(settings_.CACHEDIRECTORY, folder_ + "data\\");
  EXPECT_EQ(settings_.PROXY, 1);
}

TEST_F(OptionsDialogTest, TheAppearancePageReportsChangesAndKeepsTheCustomColours) {
  Open();
  ShowPage(4);
  Click(IDC_OPT_DEFAULT_COLORS);  // the defaults are what the settings hold
  EXPECT_TRUE(PressOk());
  EXPECT_FALSE(dialog_->AppearanceChanged());
  std::vector<uint8_t> stored;
  EXPECT_EQ(key_.QueryBinary("CustomColor", stored), RegistryRead::Ok);
  EXPECT_EQ(stored.size(), 48u);

  settings_.TextColor = 0x00123456;
  Open();
  ShowPage(4);
  Click(IDC_OPT_DEFAULT_COLORS);
  EXPECT_TRUE(PressOk());
  EXPECT_TRUE(dialog_->AppearanceChanged());
  EXPECT_EQ(settings_.TextColor, 0x0000FF00);
}
