// The success panel's actions seen from outside: Play Now starts a
// stand-in player (bin\fakes\player\player1.exe, which records its
// arguments), Create Play List writes through the save dialog.
#include <gtest/gtest.h>
#include <shlwapi.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "resources/resource.h"
#include "tests/harness/harness.h"

namespace {

const DWORD kTimeout = 30000;
const char* const kTestFileClass = "CantaroTest.Mp3File";

std::vector<std::string> ReadLines(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void SetClassDefault(const std::string& subKey, const std::string& value) {
  HKEY key;
  if (RegCreateKeyExA(HKEY_CLASSES_ROOT, subKey.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != 0) return;
  RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>(value.size() + 1));
  RegCloseKey(key);
}

bool ReadClassDefault(const std::string& subKey, std::string& value) {
  char text[256] = {};
  LONG size = sizeof(text) - 1;
  if (RegQueryValueA(HKEY_CLASSES_ROOT, subKey.c_str(), text, &size) != ERROR_SUCCESS) return false;
  value = text;
  return true;
}

// An association of ".mp3" for the length of a test, written where the
// program reads it (Wine's HKEY_CLASSES_ROOT does not show the user's own
// classes); what was there before comes back afterwards.
class CScopedMp3Association {
 public:
  // An empty command leaves ".mp3" with no file class at all.
  explicit CScopedMp3Association(const std::string& command) {
    hadAssociation_ = ReadClassDefault(".mp3", previous_);
    SetClassDefault(".mp3", command.empty() ? "" : kTestFileClass);
    if (!command.empty()) SetClassDefault(std::string(kTestFileClass) + "\\shell\\open\\command", command);
  }
  ~CScopedMp3Association() {
    if (hadAssociation_)
      SetClassDefault(".mp3", previous_);
    else
      SHDeleteKeyA(HKEY_CLASSES_ROOT, ".mp3");
    SHDeleteKeyA(HKEY_CLASSES_ROOT, kTestFileClass);
  }
  CScopedMp3Association(const CScopedMp3Association&) = delete;
  CScopedMp3Association& operator=(const CScopedMp3Association&) = delete;

 private:
  bool hadAssociation_ = false;
  std::string previous_;
};

class CompletionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DeleteProgramKey();
    playerFolder_ = program_.Folder() + "Player 1\\";
    std::filesystem::create_directories(playerFolder_);
    ASSERT_TRUE(CopyFileA((BuildFolder() + "fakes\\player\\player1.exe").c_str(), Player().c_str(), FALSE));
  }
  void TearDown() override {
    if (main_) PostMessageA(main_, WM_CLOSE, 0, 0);
    EXPECT_TRUE(program_.WaitForExit(kTimeout));
    DeleteProgramKey();
  }

  std::string Player() const { return playerFolder_ + "player1.exe"; }
  std::string Launches() const { return playerFolder_ + "launches.txt"; }

  void StartProgram() {
    ASSERT_TRUE(program_.Start());
    program_.AnswerBoxesUntilMainWindow(kTimeout, &main_);
    ASSERT_NE(main_, nullptr);
  }

  // Runs a file job on three new WAV files in folder and returns the
  // processing window once it shows its success panel.
  HWND RunJobOnThreeFiles(const std::string& folder, UINT command, const std::string& dialogTitle) {
    std::vector<int16_t> tone(44100 * 2);
    for (size_t i = 0; i < tone.size(); ++i) tone[i] = static_cast<int16_t>((i / 2) % 100 < 50 ? 6000 : -6000);
    for (const char* name : {"one.wav", "two.wav", "three.wav"}) WriteWaveFile(folder + name, tone);
    PostMessageA(main_, WM_COMMAND, command, 0);
    if (!ChooseFilesInDialog(program_.ProcessId(), dialogTitle, "\"one.wav\" \"two.wav\" \"three.wav\""))
      return nullptr;
    return WaitForWindowTitled(program_.ProcessId(), "Finished", kTimeout);
  }
  HWND NormalizeThreeFiles() {
    return RunJobOnThreeFiles(program_.Folder() + "output\\", ID_FILE_NORMALIZE, "Normalize WAV Files");
  }

  void Press(HWND window, int id) {
    HWND button = FindVisibleDescendant(window, id);
    ASSERT_NE(button, nullptr) << "success panel not shown";
    PostMessageA(GetParent(button), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
  }

  // The player's launches once count of them are recorded.
  std::vector<std::string> WaitForLaunches(size_t count) {
    std::vector<std::string> lines;
    for (int i = 0; i < 200 && lines.size() < count; ++i, Sleep(50)) lines = ReadLines(Launches());
    Sleep(500);  // a further, wrong launch would show up by now
    return ReadLines(Launches());
  }

  std::vector<std::string> NormalizedFiles() const {
    std::string folder = program_.Folder() + "output\\";
    return {folder + "one.wav", folder + "two.wav", folder + "three.wav"};
  }

  CProgramUnderTest program_{"completion"};
  HWND main_ = nullptr;
  std::string playerFolder_;
};

TEST_F(CompletionTest, AssociatedPlayerStartsOncePerFileWithOneQuotedPath) {
  // The registered command's program path ends in the digit 1 right before
  // the quoted placeholder: the clean-up must keep it.
  CScopedMp3Association association("\"" + Player() + "\" \"%1\"");
  StartProgram();
  HWND finished = NormalizeThreeFiles();
  ASSERT_NE(finished, nullptr) << "the job did not finish";
  Press(finished, IDC_PLAY_NOW);
  std::vector<std::string> launches = WaitForLaunches(3);
  std::vector<std::string> files = NormalizedFiles();
  ASSERT_EQ(launches.size(), 3u);
  // One process per file; they may start in any order.
  for (const std::string& file : files)
    EXPECT_EQ(std::count(launches.begin(), launches.end(), "\"" + file + "\""), 1) << file;
  SaveScreenshot(ArtifactFolder() + "play-now.bmp");
  ClickButton(finished, IDOK);
}

TEST_F(CompletionTest, ConfiguredPlayerGetsItsParametersBeforeEachPath) {
  StoreString("MP3PLAYER", Player() + "  ");
  StoreString("MP3PLAYERPARAMETERS", "/add");
  StartProgram();
  HWND finished = NormalizeThreeFiles();
  ASSERT_NE(finished, nullptr) << "the job did not finish";
  Press(finished, IDC_PLAY_NOW);
  std::vector<std::string> launches = WaitForLaunches(3);
  ASSERT_EQ(launches.size(), 3u);
  for (const std::string& file : NormalizedFiles())
    EXPECT_EQ(std::count(launches.begin(), launches.end(), "/add \"" + file + "\""), 1) << file;
  // Shown normally: a player started hidden could be neither seen nor closed.
  EXPECT_EQ(ReadLines(playerFolder_ + "shows.txt"), std::vector<std::string>(3, std::to_string(SW_SHOWNORMAL)));
  ClickButton(finished, IDOK);
}

TEST_F(CompletionTest, NoPlayerAnywhereGivesItsMessageAndTheButtonsStayUsable) {
  CScopedMp3Association none("");
  StartProgram();
  HWND finished = NormalizeThreeFiles();
  ASSERT_NE(finished, nullptr) << "the job did not finish";
  Press(finished, IDC_PLAY_NOW);
  EXPECT_EQ(program_.WaitForMessageBox(kTimeout), "Cann't find the default MP3 player!");
  Press(finished, IDC_PLAY_NOW);
  EXPECT_EQ(program_.WaitForMessageBox(kTimeout), "Cann't find the default MP3 player!");
  EXPECT_FALSE(std::filesystem::exists(Launches()));
  ClickButton(finished, IDOK);
}

TEST_F(CompletionTest, MissingPlayerProgramGivesTheLaunchFailure) {
  std::string missing = program_.Folder() + "no such player.exe";
  StoreString("MP3PLAYER", missing);
  StartProgram();
  HWND finished = NormalizeThreeFiles();
  ASSERT_NE(finished, nullptr) << "the job did not finish";
  Press(finished, IDC_PLAY_NOW);
  // One message, not one per file: the first failure stops the rest.
  EXPECT_EQ(program_.WaitForMessageBox(kTimeout), "Failed to launch default MP3 player: " + missing);
  EXPECT_EQ(program_.WaitForMessageBox(1500), "");
  ClickButton(finished, IDOK);
}

struct QUESTION_SEARCH {
  DWORD processId;
  HWND found;
};

BOOL CALLBACK FindQuestionOfProcess(HWND hwnd, LPARAM param) {
  QUESTION_SEARCH* search = reinterpret_cast<QUESTION_SEARCH*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid != search->processId || !IsWindowVisible(hwnd) || !GetDlgItem(hwnd, IDYES)) return TRUE;
  search->found = hwnd;
  return FALSE;
}

// A visible Yes/No box of the process, or nullptr.
HWND FindYesNoQuestion(DWORD processId) {
  QUESTION_SEARCH search = {processId, nullptr};
  EnumWindows(FindQuestionOfProcess, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Saves the play list through the panel's dialog; answers an overwrite
// question with Yes when one comes.
std::string CreatePlayList(CProgramUnderTest& program, HWND finished, const std::string& path, bool expectQuestion) {
  HWND button = FindVisibleDescendant(finished, IDC_CREATE_PLAY_LIST);
  if (!button) return "no button";
  PostMessageA(GetParent(button), WM_COMMAND, MAKEWPARAM(IDC_CREATE_PLAY_LIST, BN_CLICKED),
               reinterpret_cast<LPARAM>(button));
  if (!ChooseFilesInDialog(program.ProcessId(), "Save As", path)) return "no save dialog";
  if (expectQuestion) {
    HWND question = nullptr;
    for (DWORD start = GetTickCount(); !question && GetTickCount() - start < kTimeout; Sleep(50))
      question = FindYesNoQuestion(program.ProcessId());
    if (!question) return "no overwrite question";
    ClickButton(question, IDYES);
    for (int i = 0; i < 100 && IsWindow(question) && IsWindowVisible(question); ++i) Sleep(20);
  }
  return program.WaitForMessageBox(kTimeout);
}

TEST_F(CompletionTest, PlayListMadeTwiceHoldsTheEncodedFilesTwice) {
  // On drive Z: (the artifacts folder under CTest) the list's paths are
  // Unix paths too, so the play-list check can hand it to mpg123.
  std::string folder = ArtifactFolder() + "playlist\\";
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  std::filesystem::create_directories(folder);
  StoreString("OUTPUTFOLDER", folder);
  StartProgram();
  HWND finished = RunJobOnThreeFiles(folder, ID_FILE_ENCODE, "Encode WAV to MP3");
  ASSERT_NE(finished, nullptr) << "the job did not finish";

  std::string list = folder + "list.m3u";
  EXPECT_EQ(CreatePlayList(program_, finished, list, false), "Play list file was successfully created!");
  std::vector<std::string> once = ReadLines(list);
  ASSERT_EQ(once.size(), 3u);
  const char* names[] = {"one", "two", "three"};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(StrCmpIA(once[i].c_str(), (folder + names[i] + ".mp3").c_str()), 0) << once[i];
    EXPECT_TRUE(std::filesystem::exists(once[i])) << once[i];
  }
  EXPECT_EQ(CreatePlayList(program_, finished, list, true), "Play list file was successfully created!");
  std::vector<std::string> twice = ReadLines(list);
  ASSERT_EQ(twice.size(), 6u);
  EXPECT_EQ(std::vector<std::string>(twice.begin() + 3, twice.end()), once);
  EXPECT_EQ(ReadBytes(list).find('\r'), std::string::npos) << "line feeds only";
  SaveScreenshot(ArtifactFolder() + "play-list.bmp");
  ClickButton(finished, IDOK);
}

}  // namespace
