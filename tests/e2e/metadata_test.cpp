// Texts that come with the disc and go into the files: CD-Text read from a
// virtual disc, and the ID3v2.3 tag with the cover in front of each MP3
// (tests/quality/check_id3v2.py reads the tags back with an independent
// reader after this program has run).
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>

#include "cdrom/virtual/cue_sheet.h"
#include "cdrom/virtual/disc_image_writer.h"
#include "cdrom/virtual/virtual_drive.h"
#include "discinfo/cddb/cddb_toc.h"
#include "jobs/mp3_decoding.h"
#include "resources/resource.h"
#include "tests/core/recording_job_report.h"
#include "tests/core/test_folders.h"
#include "tests/harness/harness.h"

namespace {

const DWORD kTimeout = 60000;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string CellText(HWND main, int row, int column) { return ListViewText(GetDlgItem(main, 1200), row, column); }

bool WaitForRows(HWND main, int rows) {
  for (int i = 0; i < 200 && TrackRowCount(main) != rows; ++i) Sleep(50);
  return TrackRowCount(main) == rows;
}

class MetadataTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DeleteProgramKey();
    folder_ = MakeTestFolder("e2e-metadata");
    cue_ = folder_ + "disc.cue";
    layout_.title = "Songs of the Sea";
    layout_.performer = "The Harbour Band";
    for (int i = 0; i < 3; ++i) {
      IMAGE_TRACK track;
      track.content = TrackContent::Music;
      track.style = i;
      track.frames = 75 * 3 + 20 * i;
      layout_.tracks.push_back(track);
    }
    layout_.tracks[0].title = "Low Tide";
    layout_.tracks[1].title = "Caf\xE9 on the Quay";
    std::string error;
    ASSERT_TRUE(WriteDiscImage(layout_, cue_, error)) << error;
    drives_ = std::make_unique<CScopedEnvironment>(kVirtualDrivesVariable, "V=" + cue_);
  }
  void TearDown() override {
    InsertVirtualMedium(cue_);
    DeleteProgramKey();
  }

  HWND StartProgram(CProgramUnderTest& program) {
    EXPECT_TRUE(program.Start());
    HWND main = nullptr;
    program.AnswerBoxesUntilMainWindow(kTimeout, &main);
    EXPECT_NE(main, nullptr);
    return main;
  }

  void Close(CProgramUnderTest& program, HWND main) {
    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(program.WaitForExit(kTimeout));
  }

  // The CDDB identifier of the test disc, as the cover's file is named.
  std::string CddbId() {
    DISC_IMAGE image;
    std::string error;
    EXPECT_TRUE(LoadCueImage(cue_, image, error)) << error;
    CDDB_TOC toc;
    for (const DISC_IMAGE_TRACK& track : image.tracks) toc.trackFrames.push_back(track.start + kCddbLeadInFrames);
    toc.leadOutFrame = image.leadOut + kCddbLeadInFrames;
    return CddbDiscIdText(CddbDiscId(toc));
  }

  std::string folder_, cue_;
  DISC_IMAGE_LAYOUT layout_;
  std::unique_ptr<CScopedEnvironment> drives_;
};

TEST_F(MetadataTest, CdTextFillsTheListOnInsertionAndTheCacheKeepsIt) {
  ASSERT_TRUE(RemoveVirtualMedium(cue_));
  CProgramUnderTest program("cd-text");
  HWND main = StartProgram(program);
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(TrackRowCount(main), 0);
  ASSERT_TRUE(InsertVirtualMedium(cue_));
  ASSERT_TRUE(WaitForRows(main, 3));
  EXPECT_EQ(CellText(main, 0, 1), "Low Tide");
  EXPECT_EQ(CellText(main, 1, 1), "Caf\xE9 on the Quay");
  EXPECT_EQ(CellText(main, 2, 1), "Track 3");
  SaveScreenshot(ArtifactFolder() + "cd-text-list.bmp");
  Close(program, main);

  // The texts went to the disc cache as typed ones do.
  std::string cache;
  for (const auto& entry : std::filesystem::directory_iterator(program.Folder() + "db"))
    cache += ReadAll(entry.path().string());
  EXPECT_NE(cache.find("01=Low Tide"), std::string::npos) << cache;
  EXPECT_NE(cache.find("Artist=The Harbour Band"), std::string::npos) << cache;
  EXPECT_NE(cache.find("Album=Songs of the Sea"), std::string::npos) << cache;
}

TEST_F(MetadataTest, DamagedCdTextPackLeavesItsTextOut) {
  drives_.reset();  // its end clears the variable
  drives_ = std::make_unique<CScopedEnvironment>(kVirtualDrivesVariable, "V=" + cue_ + "|badtext=2");
  CProgramUnderTest program("cd-text-crc");
  HWND main = StartProgram(program);
  ASSERT_NE(main, nullptr);
  ASSERT_TRUE(WaitForRows(main, 3));
  // Pack 2 carries the end of "Low Tide" and the start of the next title.
  EXPECT_EQ(CellText(main, 0, 1), "Track 1");
  EXPECT_EQ(CellText(main, 1, 1), "Track 2");
  Close(program, main);
}

// With the ID3v2 setting on, a rip of the three tracks with the disc's texts
// (CD-Text, then an artist typed with characters beyond Latin-1) and a
// cover in the CDDB cache; VBR with its header, which LAME must find
// behind the tag. The files go to the artifacts for the tag check.
TEST_F(MetadataTest, Id3v2TagsCarryTheTextsAndTheCover) {
  std::string target = folder_ + "tagged";
  std::string cacheFolder = folder_ + "cddb-cache";
  std::filesystem::create_directories(cacheFolder + "\\covers");
  std::string cover = std::string("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00", 11) + std::string(3000, '\x5A') + "\xFF\xD9";
  std::ofstream(cacheFolder + "\\covers\\" + CddbId() + ".jpg", std::ios::binary) << cover;
  StoreString("OUTPUTFOLDER", target);
  StoreString("CACHEDIRECTORY", cacheFolder);
  StoreDword("ID3V2", 1);
  StoreDword("ENABLEVBR", 1);
  CProgramUnderTest program("id3v2");
  HWND main = StartProgram(program);
  ASSERT_NE(main, nullptr);
  ASSERT_TRUE(WaitForRows(main, 3));
  PostMessageA(main, WM_COMMAND, ID_EDIT_ID3TAG, 0);
  HWND editor = WaitForWindowTitled(program.ProcessId(), "ID3 Editor", kTimeout);
  ASSERT_NE(editor, nullptr);
  // The euro sign and curly quotes of the ANSI code page have no Latin-1 form.
  SendDlgItemMessageA(editor, IDC_ID3_ARTIST, WM_SETTEXT, 0,
                      reinterpret_cast<LPARAM>("The \x93Harbour\x94 Band \x80"));
  SendDlgItemMessageA(editor, IDC_ID3_YEAR, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("2026"));
  SendDlgItemMessageA(editor, IDC_ID3_GENRE, CB_SETCURSEL, 8, 0);  // Jazz
  ClickButton(editor, IDOK);
  for (int i = 0; i < 100 && IsWindow(editor); ++i) Sleep(20);
  PostMessageA(main, WM_COMMAND, ID_EDIT_SELECT_NONE, 0);
  PostMessageA(main, WM_COMMAND, ID_EDIT_INVERT, 0);
  PostMessageA(main, WM_COMMAND, ID_ACTION_EXTRACT, 0);
  HWND finished = WaitForWindowTitled(program.ProcessId(), "Finished", kTimeout);
  ASSERT_NE(finished, nullptr);
  ClickButton(finished, IDOK);
  Close(program, main);

  std::string kept = ArtifactFolder() + "id3v2\\";
  std::filesystem::remove_all(kept);
  std::filesystem::create_directories(kept);
  std::ofstream(kept + "cover.jpg", std::ios::binary) << cover;
  std::ofstream manifest(kept + "manifest.txt", std::ios::binary);
  // file, title, artist, album, year, track, genre, frames (UTF-8)
  const char* const titles[] = {"Low Tide", "Caf\xC3\xA9 on the Quay", "Track 3"};
  const char* const files[] = {"Low Tide.MP3", "Caf\xE9 on the Quay.MP3", "Track 3.MP3"};
  for (int i = 0; i < 3; ++i) {
    std::string mp3 = ReadAll(target + "\\" + files[i]);
    ASSERT_GT(mp3.size(), 4000u) << files[i];
    EXPECT_EQ(mp3.substr(0, 4), std::string("ID3\x03", 4));
    EXPECT_EQ(mp3.substr(mp3.size() - 128, 3), "TAG") << "the ID3v1 tag stays at the end";
    std::string name = "track" + std::to_string(i + 1) + ".mp3";
    std::filesystem::copy_file(target + "\\" + files[i], kept + name);
    manifest << name << '\t' << titles[i] << "\tThe \xE2\x80\x9CHarbour\xE2\x80\x9D Band \xE2\x82\xAC\t"
             << "Songs of the Sea\t2026\t" << i + 1 << "/3\tJazz\t" << layout_.tracks[i].frames << '\n';

    // Our own decoder, as the decoding job runs it, reads past the tag.
    CRecordingJobReport report;
    CJob job;
    job.report = &report;
    job.items.push_back(CJobItem{});
    std::string wav = folder_ + "decoded" + std::to_string(i) + ".wav";
    ASSERT_TRUE(DecodeMp3ToWave(target + "\\" + files[i], wav, 24000, job));
    uint64_t samples = (std::filesystem::file_size(wav) - 44) / 4;
    uint64_t expected = uint64_t{layout_.tracks[i].frames} * 588;
    EXPECT_GE(samples, expected) << files[i];
    EXPECT_LE(samples, expected + 3 * 1152) << files[i];
  }
}

}  // namespace
