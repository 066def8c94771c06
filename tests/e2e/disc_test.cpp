// The program with a disc in virtual drive V:: the track list, media
// changes, and rips started from the command line as the shell starts them.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "cdrom/virtual/disc_image_writer.h"
#include "cdrom/virtual/virtual_drive.h"
#include "jobs/wav_file.h"
#include "resources/resource.h"
#include "tests/core/test_folders.h"
#include "tests/harness/harness.h"

namespace {

const DWORD kTimeout = 60000;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The extraction's temporary files ("PW...") in the system's temporary folder.
std::set<std::string> TemporaryWavFiles() {
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(temp))
    if (entry.path().filename().string().rfind("PW", 0) == 0) names.insert(entry.path().string());
  return names;
}

std::string CellText(HWND main, int row, int column) { return ListViewText(GetDlgItem(main, 1200), row, column); }

// Leaves a rip where tests/quality/check_rip.py, which runs after this
// program, compares it with the disc: the MP3s, the image and a manifest
// of tab-separated lines "track, first LBA, its frame in the BIN, frames,
// title, MP3 file" (a PREGAP line counts on the disc but not in the BIN).
void KeepRipForQualityCheck(const std::string& cue, const DISC_IMAGE_LAYOUT& layout, const std::string& mp3Folder,
                            const std::vector<int>& tracks) {
  std::string rip = ArtifactFolder() + "rip\\";
  std::filesystem::create_directories(rip);
  for (const char* extension : {".cue", ".bin"})
    std::filesystem::copy_file(cue.substr(0, cue.size() - 4) + extension, rip + "disc" + extension,
                               std::filesystem::copy_options::overwrite_existing);
  std::ofstream manifest(rip + "manifest.txt", std::ios::binary);
  for (int track : tracks) {
    uint32_t firstLba = 0, binFrame = 0;
    for (int i = 0; i < track; ++i) {
      const IMAGE_TRACK& t = layout.tracks[i];
      firstLba += t.pregapFrames + (i + 1 < track ? t.frames : 0);
      binFrame += (t.pregapInFile ? t.pregapFrames : 0) + (i + 1 < track ? t.frames : 0);
    }
    std::string title = "Track " + std::to_string(track);
    std::string file = "0" + std::to_string(track) + "-" + title + ".MP3";
    std::filesystem::copy_file(mp3Folder + file, rip + file, std::filesystem::copy_options::overwrite_existing);
    manifest << track << '\t' << firstLba << '\t' << binFrame << '\t' << layout.tracks[track - 1].frames << '\t'
             << title << '\t' << file << '\n';
  }
}

class DiscTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DeleteProgramKey();
    folder_ = MakeTestFolder("e2e-disc");
    cue_ = folder_ + "disc.cue";
    DISC_IMAGE_LAYOUT layout;
    for (int i = 0; i < 3; ++i) {
      IMAGE_TRACK track;
      track.content = TrackContent::Music;
      track.style = i;
      track.frames = 75 * 4 + 10 * i;
      layout.tracks.push_back(track);
    }
    layout_ = layout;
    std::string error;
    ASSERT_TRUE(WriteDiscImage(layout, cue_, error)) << error;
    drives_ = std::make_unique<CScopedEnvironment>(kVirtualDrivesVariable, "V=" + cue_);
  }
  void TearDown() override {
    InsertVirtualMedium(cue_);
    DeleteProgramKey();
  }

  HWND StartProgram(CProgramUnderTest& program, const std::string& commandLine = "") {
    EXPECT_TRUE(program.Start(commandLine));
    HWND main = nullptr;
    program.AnswerBoxesUntilMainWindow(kTimeout, &main);
    EXPECT_NE(main, nullptr);
    return main;
  }

  void Close(CProgramUnderTest& program, HWND main) {
    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(program.WaitForExit(kTimeout));
  }

  // What the log says when a job ended with its error panel.
  static std::string FailureLog(CProgramUnderTest& program) {
    HWND window = WaitForWindowTitled(program.ProcessId(), "Extracting", 1000);
    if (!window) window = WaitForWindowTitled(program.ProcessId(), "Encoding", 1000);
    std::string text;
    if (window)
      for (const std::string& line : LogLinesFromErrorPanel(program.ProcessId(), window)) text += "\n" + line;
    return text;
  }

  std::string folder_, cue_;
  DISC_IMAGE_LAYOUT layout_;
  std::unique_ptr<CScopedEnvironment> drives_;
};

TEST_F(DiscTest, TrackListShowsTheDiscAndFollowsTheMedium) {
  CProgramUnderTest program("disc-list");
  HWND main = StartProgram(program);
  ASSERT_NE(main, nullptr);
  ASSERT_EQ(TrackRowCount(main), 3);
  EXPECT_EQ(CellText(main, 0, 0), "01");
  EXPECT_EQ(CellText(main, 2, 1), "Track 3");
  EXPECT_EQ(CellText(main, 0, 2), "00:04");
  EXPECT_EQ(CellText(main, 0, 3), "0.67");
  SaveScreenshot(ArtifactFolder() + "main-window-disc.bmp");

  ASSERT_TRUE(RemoveVirtualMedium(cue_));
  for (int i = 0; i < 100 && TrackRowCount(main) != 0; ++i) Sleep(50);
  EXPECT_EQ(TrackRowCount(main), 0);
  ASSERT_TRUE(InsertVirtualMedium(cue_));
  for (int i = 0; i < 100 && TrackRowCount(main) != 3; ++i) Sleep(50);
  EXPECT_EQ(TrackRowCount(main), 3);
  Close(program, main);
}

TEST_F(DiscTest, CommandLineRipsTheChosenTracksByTheNamingRule) {
  StoreString("NAMINGRULE", "<artist>\\<album>\\<number>-<title>");
  // A failed rip must not leave the quality check an older one.
  std::filesystem::remove_all(ArtifactFolder() + "rip");
  std::string target = folder_ + "rips";
  std::set<std::string> pwBefore = TemporaryWavFiles();
  CProgramUnderTest program("disc-rip");
  HWND main = StartProgram(program, "-A1,3  -DV -F" + target);
  ASSERT_NE(main, nullptr);
  HWND finished = WaitForWindowTitled(program.ProcessId(), "Finished", kTimeout);
  ASSERT_NE(finished, nullptr) << "the rip did not finish: " << FailureLog(program);
  SaveScreenshot(ArtifactFolder() + "rip-finished.bmp");
  ClickButton(finished, IDOK);

  // The command line is upper-cased, and so is the folder.
  std::string album = target + "\\ARTIST\\ALBUM\\";
  std::string album2 = target + "\\Artist\\Album\\";
  std::string base = std::filesystem::exists(album2) ? album2 : album;
  for (int track : {1, 3}) {
    std::string path = base + "0" + std::to_string(track) + "-Track " + std::to_string(track) + ".MP3";
    std::string mp3 = ReadAll(path);
    ASSERT_GT(mp3.size(), 1000u) << path;
    EXPECT_EQ(static_cast<uint8_t>(mp3[0]), 0xFF) << "no MPEG frame at the start";
    std::string tag = mp3.substr(mp3.size() - 128);
    EXPECT_EQ(tag.substr(0, 3), "TAG");
    EXPECT_EQ(tag.substr(3, 7), "Track " + std::to_string(track));
  }
  EXPECT_FALSE(std::filesystem::exists(base + "02-Track 2.MP3"));
  EXPECT_EQ(TemporaryWavFiles(), pwBefore) << "a temporary WAV was left behind";
  KeepRipForQualityCheck(cue_, layout_, base, {1, 3});
  Close(program, main);
}

TEST_F(DiscTest, KeptWavFilesAreTheImagesTrackData) {
  StoreDword("OUTPUTFORMAT", 2);
  std::string target = folder_ + "wavs";
  CProgramUnderTest program("disc-wav");
  HWND main = StartProgram(program, "-A2  -DV -F" + target);
  ASSERT_NE(main, nullptr);
  HWND finished = WaitForWindowTitled(program.ProcessId(), "Finished", kTimeout);
  ASSERT_NE(finished, nullptr) << FailureLog(program);
  ClickButton(finished, IDOK);
  std::string wav = ReadAll(target + "\\TRACK 2.WAV");
  ASSERT_GT(wav.size(), 44u);
  const IMAGE_TRACK& track = layout_.tracks[1];
  std::vector<uint8_t> expected(static_cast<size_t>(track.frames) * 2352);
  RenderTrackFrames(track, 2, 0, layout_.tracks[0].frames, track.frames, expected.data());
  EXPECT_EQ(wav.substr(44), std::string(expected.begin(), expected.end()));
  EXPECT_TRUE(std::filesystem::exists(target + "\\TRACK 2.MP3"));
  Close(program, main);
}

TEST_F(DiscTest, TracksBeyondTheDiscStartNothing) {
  CProgramUnderTest program("disc-none");
  HWND main = StartProgram(program, "-A7  -DV");
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(WaitForWindowTitled(program.ProcessId(), "Extracting", 3000), nullptr);
  Close(program, main);
}

TEST_F(DiscTest, EditedTagsReachTheRippedFile) {
  std::string target = folder_ + "tagged";
  StoreString("OUTPUTFOLDER", target);
  CProgramUnderTest program("disc-id3");
  HWND main = StartProgram(program);
  ASSERT_NE(main, nullptr);
  PostMessageA(main, WM_COMMAND, ID_EDIT_ID3TAG, 0);
  HWND editor = WaitForWindowTitled(program.ProcessId(), "ID3 Editor", kTimeout);
  ASSERT_NE(editor, nullptr);
  // The disc level: a new artist reaches every track that shared the old one.
  SendDlgItemMessageA(editor, IDC_ID3_ARTIST, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("The Testers"));
  SendDlgItemMessageA(editor, IDC_ID3_GENRE, CB_SETCURSEL, 8, 0);  // Jazz
  SaveScreenshot(ArtifactFolder() + "id3-editor.bmp");
  ClickButton(editor, IDOK);
  for (int i = 0; i < 100 && IsWindow(editor); ++i) Sleep(20);

  PostMessageA(main, WM_COMMAND, ID_EDIT_SELECT_NONE, 0);
  PostMessageA(main, WM_COMMAND, ID_EDIT_INVERT, 0);  // all checked
  PostMessageA(main, WM_COMMAND, ID_ACTION_EXTRACT, 0);
  HWND finished = WaitForWindowTitled(program.ProcessId(), "Finished", kTimeout);
  ASSERT_NE(finished, nullptr) << FailureLog(program);
  ClickButton(finished, IDOK);
  std::string mp3 = ReadAll(target + "\\Track 2.MP3");
  ASSERT_GT(mp3.size(), 128u);
  std::string tag = mp3.substr(mp3.size() - 128);
  EXPECT_EQ(tag.substr(33, 11), "The Testers");
  EXPECT_EQ(static_cast<uint8_t>(tag[127]), 8);
  Close(program, main);
}

TEST_F(DiscTest, EncodeCommandTurnsChosenWavFilesIntoMp3s) {
  std::string target = folder_ + "encoded";
  StoreString("OUTPUTFOLDER", target);
  std::filesystem::create_directories(target);
  // Two CD-format WAV files made from the disc's own audio.
  for (int track = 1; track <= 2; ++track) {
    const IMAGE_TRACK& t = layout_.tracks[static_cast<size_t>(track - 1)];
    std::vector<uint8_t> pcm(static_cast<size_t>(t.frames) * 2352);
    RenderTrackFrames(t, track, 0, 0, t.frames, pcm.data());
    uint8_t header[44];
    BuildCdAudioHeader(static_cast<uint32_t>(pcm.size()), header);
    std::ofstream out(target + "\\song" + std::to_string(track) + ".wav", std::ios::binary);
    out.write(reinterpret_cast<char*>(header), 44);
    out.write(reinterpret_cast<char*>(pcm.data()), static_cast<std::streamsize>(pcm.size()));
  }
  CProgramUnderTest program("disc-encode");
  HWND main = StartProgram(program);
  ASSERT_NE(main, nullptr);
  PostMessageA(main, WM_COMMAND, ID_FILE_ENCODE, 0);
  ASSERT_TRUE(ChooseFilesInDialog(program.ProcessId(), "Encode WAV to MP3", "\"song1.wav\" \"song2.wav\""));
  HWND finished = WaitForWindowTitled(program.ProcessId(), "Finished", kTimeout);
  ASSERT_NE(finished, nullptr) << FailureLog(program);
  ClickButton(finished, IDOK);
  for (const char* name : {"song1.MP3", "song2.MP3"}) {
    std::string mp3 = ReadAll(target + "\\" + name);
    ASSERT_GT(mp3.size(), 1000u) << name;
    EXPECT_EQ(static_cast<uint8_t>(mp3[0]), 0xFF) << name;
  }
  Close(program, main);
}

}  // namespace
