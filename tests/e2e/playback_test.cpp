// CD playback as a user meets it: the transport commands on the checked
// rows, the seek slider, the tray, a rip while playing, and what reaches
// the wave device. The virtual drive logs every command it receives, so
// where playback reads the disc shows where it plays; the test runs give
// Wine a wave device that plays into a capture file.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <vector>

#include "cdrom/virtual/disc_image_writer.h"
#include "cdrom/virtual/virtual_drive.h"
#include "resources/resource.h"
#include "tests/core/test_folders.h"
#include "tests/harness/audio_drivers_off_win.h"
#include "tests/harness/harness.h"

namespace {

const DWORD kTimeout = 60000;
constexpr uint32_t kFrame = 2352;

// Six tracks; the third is long enough to seek to 83 s, the fourth a tone
// for the volume.
DISC_IMAGE_LAYOUT SixTrackLayout() {
  DISC_IMAGE_LAYOUT layout;
  for (int i = 0; i < 6; ++i) {
    IMAGE_TRACK track;
    track.content = i == 3 ? TrackContent::Tone : TrackContent::Pattern;
    track.frames = i == 2 ? 90 * 75 : 10 * 75;
    layout.tracks.push_back(track);
  }
  return layout;
}

DISC_IMAGE_LAYOUT EnhancedLayout() {
  DISC_IMAGE_LAYOUT layout;
  IMAGE_TRACK audio;
  audio.content = TrackContent::Pattern;
  audio.frames = 10 * 75;
  layout.tracks = {audio, audio};
  IMAGE_TRACK data;
  data.content = TrackContent::Data;
  data.frames = 300;
  layout.tracks.push_back(data);
  return layout;
}

uint32_t TrackStart(const DISC_IMAGE_LAYOUT& layout, int index) {
  uint32_t lba = 0;
  for (int i = 0; i < index; ++i) lba += layout.tracks[static_cast<size_t>(i)].frames;
  return lba;
}

// The Windows path of the capture file the test runs name, or "".
std::string CaptureFile() {
  const char* unixPath = std::getenv("CANTARO_WAVE_CAPTURE");
  if (!unixPath || unixPath[0] != '/') return std::string();
  std::string path = std::string("Z:") + unixPath;
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

std::vector<uint8_t> ReadWholeFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// A device that runs dry plays silence between the samples it is given;
// what is left once silent samples are dropped is what the program sent.
std::vector<uint8_t> WithoutSilence(const std::vector<uint8_t>& pcm) {
  std::vector<uint8_t> kept;
  for (size_t i = 0; i + 4 <= pcm.size(); i += 4)
    if (pcm[i] | pcm[i + 1] | pcm[i + 2] | pcm[i + 3]) kept.insert(kept.end(), pcm.begin() + i, pcm.begin() + i + 4);
  return kept;
}

int PeakOf(const std::vector<uint8_t>& pcm) {
  int peak = 0;
  for (size_t i = 0; i + 2 <= pcm.size(); i += 2)
    peak = std::max(peak, std::abs(static_cast<int>(static_cast<int16_t>(pcm[i] | pcm[i + 1] << 8))));
  return peak;
}

class PlaybackTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = MakeTestFolder("e2e-playback");
    std::string error;
    ASSERT_TRUE(WriteDiscImage(SixTrackLayout(), folder_ + "six.cue", error)) << error;
    ASSERT_TRUE(WriteDiscImage(EnhancedLayout(), folder_ + "enhanced.cue", error)) << error;
  }

  void SetUp() override { DeleteProgramKey(); }

  // Starts the program with disc (a cue name in the folder) in V:, its
  // commands logged; withDevice false turns the wave device off.
  void Start(const std::string& disc, bool withDevice = true) {
    if (withDevice && CaptureFile().empty()) GTEST_SKIP() << "no wave device: run through ctest";
    journal_ = folder_ + ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".log";
    drives_ = std::make_unique<CScopedEnvironment>(kVirtualDrivesVariable, "V=" + folder_ + disc + "|log=" + journal_);
    if (!withDevice) noDevice_ = std::make_unique<CScopedAudioDriversOff>("CantaroMaker.exe");
    ASSERT_TRUE(program_.Start());
    program_.AnswerBoxesUntilMainWindow(kTimeout, &main_);
    ASSERT_NE(main_, nullptr);
    list_ = GetDlgItem(main_, IDC_TRACK_LIST);
    seek_ = GetDlgItem(main_, IDC_SEEK_SLIDER);
    volume_ = GetDlgItem(main_, IDC_VOLUME_SLIDER);
    driveLabel_ = WindowText(GetDlgItem(main_, IDC_DRIVE_LABEL));
  }

  void TearDown() override {
    if (main_) {
      PostMessageA(main_, WM_CLOSE, 0, 0);
      EXPECT_TRUE(program_.WaitForExit(kTimeout));
    }
    noDevice_.reset();
    InsertVirtualMedium(folder_ + "six.cue");
    DeleteProgramKey();
  }

  void CheckOnly(std::initializer_list<int> rows) {
    for (int row = 0; row < TrackRowCount(main_); ++row)
      CheckListRow(list_, row, std::find(rows.begin(), rows.end(), row) != rows.end());
  }

  void Command(int id) { PostMessageA(main_, WM_COMMAND, static_cast<WPARAM>(id), 0); }

  // Lines of the drive's command log written so far.
  std::vector<std::string> Journal() {
    std::ifstream file(journal_);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) lines.push_back(line.substr(0, line.find('\r')));
    return lines;
  }
  size_t Mark() { return Journal().size(); }

  // The LBAs of READ CD after line `mark`.
  std::vector<uint32_t> ReadsSince(size_t mark) {
    std::vector<uint32_t> lbas;
    std::vector<std::string> lines = Journal();
    for (size_t i = mark; i < lines.size(); ++i) {
      std::istringstream bytes(lines[i]);
      unsigned value[6] = {};
      for (unsigned& v : value) bytes >> std::hex >> v;
      if (value[0] == 0xBE) lbas.push_back(value[2] << 24 | value[3] << 16 | value[4] << 8 | value[5]);
    }
    return lbas;
  }

  // Waits until playback reads the disc at lba, after line `mark`.
  bool WaitForReadAt(uint32_t lba, size_t mark) {
    for (int i = 0; i < 200; ++i) {
      std::vector<uint32_t> reads = ReadsSince(mark);
      if (std::find(reads.begin(), reads.end(), lba) != reads.end()) return true;
      Sleep(50);
    }
    return false;
  }

  bool WaitForText(int control, const std::string& text, DWORD milliseconds = 10000) {
    for (DWORD waited = 0; waited < milliseconds; waited += 50) {
      if (WindowText(GetDlgItem(main_, control)) == text) return true;
      Sleep(50);
    }
    return false;
  }

  // Drags a slider's thumb to position and lets it go, as the mouse would.
  void DragSlider(HWND slider, int position, bool release = true) {
    for (int i = 0; i < 2; ++i) {  // the second drag finds the position timer stopped
      SendMessageA(slider, TBM_SETPOS, TRUE, position);
      SendMessageA(main_, WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, position), reinterpret_cast<LPARAM>(slider));
    }
    if (release) SendMessageA(main_, WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0), reinterpret_cast<LPARAM>(slider));
  }

  static std::string folder_;
  std::string journal_;
  std::unique_ptr<CScopedEnvironment> drives_;
  std::unique_ptr<CScopedAudioDriversOff> noDevice_;
  CProgramUnderTest program_{"playback"};
  HWND main_ = nullptr;
  HWND list_ = nullptr;
  HWND seek_ = nullptr;
  HWND volume_ = nullptr;
  std::string driveLabel_;
};

std::string PlaybackTest::folder_;

}  // namespace

TEST_F(PlaybackTest, PlayNextAndPreviousWalkTheCheckedRows) {
  Start("six.cue");
  const DISC_IMAGE_LAYOUT layout = SixTrackLayout();
  Command(ID_ACTION_PLAY);
  EXPECT_EQ(program_.WaitForMessageBox(kTimeout), "Please select at least one track to play.");

  CheckOnly({2, 5});
  size_t mark = Mark();
  Command(ID_ACTION_PLAY);
  EXPECT_TRUE(WaitForReadAt(TrackStart(layout, 2), mark)) << "Play starts the first checked row";
  EXPECT_TRUE(WaitForText(IDC_DRIVE_LABEL, "Playing : Track 3"));
  EXPECT_EQ(SendMessageA(seek_, TBM_GETRANGEMAX, 0, 0), 90);
  SaveScreenshot(ArtifactFolder() + "playing.bmp");

  mark = Mark();
  Command(IDC_BTN_NEXT);
  EXPECT_TRUE(WaitForReadAt(TrackStart(layout, 5), mark)) << "Next goes to row 5";
  EXPECT_TRUE(WaitForText(IDC_DRIVE_LABEL, "Playing : Track 6"));
  EXPECT_EQ(SendMessageA(seek_, TBM_GETRANGEMAX, 0, 0), 10);
  Sleep(1200);
  mark = Mark();
  Command(ID_ACTION_NEXT);
  EXPECT_TRUE(WaitForReadAt(TrackStart(layout, 5), mark)) << "past the last checked row, row 5 starts over";

  mark = Mark();
  Command(ID_ACTION_PREVIOUS);
  EXPECT_TRUE(WaitForReadAt(TrackStart(layout, 2), mark)) << "Previous goes back to row 2";
  Sleep(1200);
  mark = Mark();
  Command(IDC_BTN_PREVIOUS);
  EXPECT_TRUE(WaitForReadAt(TrackStart(layout, 2), mark)) << "nothing checked above row 2: it starts over";

  Command(ID_ACTION_STOP);
  EXPECT_TRUE(WaitForText(IDC_DRIVE_LABEL, driveLabel_));
  EXPECT_TRUE(WaitForText(IDC_PLAY_TIME, "00:00"));
  mark = Mark();
  Sleep(1000);
  EXPECT_TRUE(ReadsSince(mark).empty()) << "Stop stops reading";
}

TEST_F(PlaybackTest, TheSeekSliderPlaysFromTheChosenSecondAndTheDeviceGetsThoseSamples) {
  Start("six.cue");
  const DISC_IMAGE_LAYOUT layout = SixTrackLayout();
  CheckOnly({2});
  size_t mark = Mark();
  Command(IDC_BTN_PLAY);
  ASSERT_TRUE(WaitForReadAt(TrackStart(layout, 2), mark));

  DragSlider(seek_, 83, false);
  EXPECT_TRUE(WaitForText(IDC_PLAY_TIME, "01:23"));
  Sleep(800);
  EXPECT_EQ(WindowText(GetDlgItem(main_, IDC_PLAY_TIME)), "01:23") << "the display holds while dragging";
  mark = Mark();
  SendMessageA(main_, WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0), reinterpret_cast<LPARAM>(seek_));
  const uint32_t seekFrame = 83 * 75 + 40;
  EXPECT_TRUE(WaitForReadAt(TrackStart(layout, 2) + seekFrame, mark)) << "from minute 1, second 23, frame 40";
  EXPECT_TRUE(WaitForText(IDC_PLAY_TIME, "01:24"));
  EXPECT_GE(SendMessageA(seek_, TBM_GETPOS, 0, 0), 83);
  SaveScreenshot(ArtifactFolder() + "playing-seek.bmp");

  // The wave device got the track's samples from the seek position on.
  Sleep(1500);
  std::vector<uint8_t> played = WithoutSilence(ReadWholeFile(CaptureFile()));
  const uint32_t frames = 75;
  std::vector<uint8_t> expected(frames * kFrame);
  RenderTrackFrames(layout.tracks[2], 3, seekFrame, TrackStart(layout, 2) + seekFrame, frames, expected.data());
  ASSERT_GE(played.size(), expected.size());
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), played.begin()));
}

TEST_F(PlaybackTest, PlayAfterPauseResumesAndASecondPlayOnlyResumes) {
  Start("six.cue");
  const DISC_IMAGE_LAYOUT layout = SixTrackLayout();
  CheckOnly({2});
  size_t mark = Mark();
  Command(ID_ACTION_PLAY);
  ASSERT_TRUE(WaitForReadAt(TrackStart(layout, 2), mark));
  ASSERT_TRUE(WaitForText(IDC_PLAY_TIME, "00:02"));
  Command(IDC_BTN_PAUSE);
  Sleep(700);
  std::string paused = WindowText(GetDlgItem(main_, IDC_PLAY_TIME));
  mark = Mark();
  Sleep(1500);
  EXPECT_EQ(WindowText(GetDlgItem(main_, IDC_PLAY_TIME)), paused) << "a pause holds the position";
  EXPECT_TRUE(ReadsSince(mark).empty());

  Command(ID_ACTION_PLAY);
  EXPECT_TRUE(WaitForText(IDC_PLAY_TIME, "00:04"));
  Command(ID_ACTION_PLAY);  // still marked paused: resumes only
  Sleep(1200);
  std::vector<uint32_t> reads = ReadsSince(mark);
  ASSERT_FALSE(reads.empty());
  EXPECT_GT(*std::min_element(reads.begin(), reads.end()), TrackStart(layout, 2) + 75)
      << "no play from the track's start";
  EXPECT_NE(WindowText(GetDlgItem(main_, IDC_PLAY_TIME)), "00:00");
}

TEST_F(PlaybackTest, CloseTrayLeavesAReadyDiscAloneAndEjectOpensTheTray) {
  Start("six.cue");
  size_t mark = Mark();
  Command(ID_FILE_CLOSE_TRAY);
  Sleep(500);
  std::vector<std::string> lines = Journal();
  lines.erase(lines.begin(), lines.begin() + static_cast<long>(mark));
  EXPECT_NE(std::find(lines.begin(), lines.end(), "00 00 00 00 00 00"), lines.end()) << "asks whether it is ready";
  for (const std::string& line : lines) EXPECT_NE(line.substr(0, 2), "1B") << "a door command: " << line;

  Command(ID_FILE_EJECT);
  for (int i = 0; i < 100 && TrackRowCount(main_) > 0; ++i) Sleep(50);
  EXPECT_EQ(TrackRowCount(main_), 0);
  lines = Journal();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "1B 00 00 00 02 00"), lines.end());
  EXPECT_NE(GetFileAttributesA(EjectFilePath(folder_ + "six.cue").c_str()), INVALID_FILE_ATTRIBUTES);

  Sleep(500);  // the removal has reached the window
  Command(ID_FILE_CLOSE_TRAY);
  for (int i = 0; i < 100 && TrackRowCount(main_) == 0; ++i) Sleep(50);
  EXPECT_EQ(TrackRowCount(main_), 6) << "the tray closes and the disc is read again";
  lines = Journal();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "1B 00 00 00 03 00"), lines.end());
}

TEST_F(PlaybackTest, ADiscWithADataTrackPlaysOnlyItsAudioTracks) {
  Start("enhanced.cue");
  const DISC_IMAGE_LAYOUT layout = EnhancedLayout();
  ASSERT_EQ(TrackRowCount(main_), 3);
  Command(ID_EDIT_SELECT_ALL);
  size_t mark = Mark();
  Command(ID_ACTION_PLAY);
  EXPECT_TRUE(WaitForReadAt(TrackStart(layout, 0), mark));
  mark = Mark();
  Command(ID_ACTION_NEXT);
  EXPECT_TRUE(WaitForReadAt(TrackStart(layout, 1), mark));
  Sleep(1200);
  mark = Mark();
  Command(ID_ACTION_NEXT);  // the data row is passed over: track 2 starts over
  EXPECT_TRUE(WaitForReadAt(TrackStart(layout, 1), mark));
  for (uint32_t lba : ReadsSince(mark)) EXPECT_LT(lba, TrackStart(layout, 2));
  CheckOnly({2});
  Command(ID_ACTION_PLAY);
  EXPECT_EQ(program_.WaitForMessageBox(kTimeout), "Please select at least one track to play.");
}

TEST_F(PlaybackTest, ExtractWhilePlayingStopsPlaybackFirst) {
  Start("six.cue");
  CheckOnly({0});
  size_t mark = Mark();
  Command(ID_ACTION_PLAY);
  ASSERT_TRUE(WaitForReadAt(0, mark));
  ASSERT_TRUE(WaitForText(IDC_DRIVE_LABEL, "Playing : Track 1"));
  Command(ID_ACTION_EXTRACT);
  HWND finished = WaitForWindowTitled(program_.ProcessId(), "Finished", kTimeout);
  ASSERT_NE(finished, nullptr);
  EXPECT_EQ(WindowText(GetDlgItem(main_, IDC_DRIVE_LABEL)), driveLabel_);
  EXPECT_EQ(WindowText(GetDlgItem(main_, IDC_PLAY_TIME)), "00:00");
  ClickButton(finished, IDOK);
  Sleep(1200);
  EXPECT_EQ(WindowText(GetDlgItem(main_, IDC_PLAY_TIME)), "00:00") << "nothing plays on after the rip";
}

TEST_F(PlaybackTest, TheVolumeSliderSetsTheDeviceVolume) {
  Start("six.cue");
  EXPECT_EQ(SendMessageA(volume_, TBM_GETRANGEMIN, 0, 0), 0);
  LRESULT maximum = SendMessageA(volume_, TBM_GETRANGEMAX, 0, 0);
  ASSERT_EQ(maximum, 65535);
  CheckOnly({3});
  size_t mark = Mark();
  Command(ID_ACTION_PLAY);
  ASSERT_TRUE(WaitForReadAt(TrackStart(SixTrackLayout(), 3), mark));
  Sleep(1500);
  int loud = PeakOf(WithoutSilence(ReadWholeFile(CaptureFile())));
  EXPECT_NEAR(loud, 16383, 200) << "the tone at half scale, untouched";

  DragSlider(volume_, static_cast<int>(maximum / 2 + 1));
  Command(ID_ACTION_STOP);
  mark = Mark();
  Command(ID_ACTION_PLAY);
  ASSERT_TRUE(WaitForReadAt(TrackStart(SixTrackLayout(), 3), mark));
  Sleep(1500);
  int soft = PeakOf(WithoutSilence(ReadWholeFile(CaptureFile())));
  EXPECT_NEAR(soft, loud / 2, loud / 20) << "half the master volume, half the amplitude";
}

TEST_F(PlaybackTest, WithoutASoundDeviceTheClockPlaysAndTheVolumeSliderIsDead) {
  Start("six.cue", false);
  EXPECT_EQ(SendMessageA(volume_, TBM_GETRANGEMIN, 0, 0), 0);
  EXPECT_EQ(SendMessageA(volume_, TBM_GETRANGEMAX, 0, 0), 0);
  DragSlider(volume_, 40);
  EXPECT_EQ(SendMessageA(volume_, TBM_GETPOS, 0, 0), 0);

  CheckOnly({0, 1});
  size_t mark = Mark();
  Command(ID_ACTION_PLAY);
  EXPECT_TRUE(WaitForText(IDC_DRIVE_LABEL, "Playing : Track 1"));
  EXPECT_TRUE(WaitForText(IDC_PLAY_TIME, "00:02"));
  EXPECT_TRUE(ReadsSince(mark).empty()) << "no device, nothing read to play";
  EXPECT_TRUE(WaitForText(IDC_DRIVE_LABEL, "Playing : Track 2", 15000)) << "the end of track 1 moves on";
}
