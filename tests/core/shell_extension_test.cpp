// The context-menu extension's decisions: which selections get the item,
// and what each request writes, posts or starts.
#include <gtest/gtest.h>

#include <map>

#include "platform/messages.h"
#include "shellext/shell_requests.h"
#include "shellext/shell_selection.h"

namespace {

std::vector<uint8_t> CdaHeader(const char* riff, const char* cdda, int16_t track) {
  std::vector<uint8_t> bytes(kCdaHeaderSize, 0);
  std::copy(riff, riff + 4, bytes.begin());
  std::copy(cdda, cdda + 4, bytes.begin() + 8);
  bytes[22] = static_cast<uint8_t>(track & 0xFF);
  bytes[23] = static_cast<uint8_t>((track >> 8) & 0xFF);
  return bytes;
}

TEST(CdaHeader, ChecksTheTwoTagsAndReadsTheSignedTrackNumber) {
  int32_t track = 0;
  std::vector<uint8_t> good = CdaHeader("RIFF", "CDDA", 3);
  EXPECT_EQ(CheckCdaHeader(good.data(), good.size(), track), CDA_OK);
  EXPECT_EQ(track, 3);
  std::vector<uint8_t> negative = CdaHeader("RIFF", "CDDA", -2);
  EXPECT_EQ(CheckCdaHeader(negative.data(), negative.size(), track), CDA_OK);
  EXPECT_EQ(track, -2);
  std::vector<uint8_t> wave = CdaHeader("RIFF", "WAVE", 1);
  EXPECT_EQ(CheckCdaHeader(wave.data(), wave.size(), track), CDA_NOT_CDDA);
  std::vector<uint8_t> other = CdaHeader("RIFX", "CDDA", 1);
  EXPECT_EQ(CheckCdaHeader(other.data(), other.size(), track), CDA_NOT_RIFF);
  EXPECT_EQ(CheckCdaHeader(good.data(), kCdaHeaderSize - 1, track), CDA_READ_FAILED);
  EXPECT_EQ(CdaCheckMessage(CDA_OPEN_FAILED), IDS_EXT_CDA_OPEN);
  EXPECT_EQ(CdaCheckMessage(CDA_NOT_CDDA), IDS_EXT_CDA_CDDA);
}

// Files as a test lays them out: directories, CD-ROM drive roots and the
// track number of each ".cda" file (missing ones fail to open).
class CFakeFiles : public ISelectionFiles {
 public:
  bool IsDirectory(const std::string& path) override { return directories.count(path) > 0; }
  bool IsCdRomDrive(const std::string& root) override { return cdRoots.count(root) > 0; }
  CDA_CHECK ReadCdaTrack(const std::string& path, int32_t& track) override {
    auto found = tracks.find(path);
    if (found == tracks.end()) return CDA_OPEN_FAILED;
    track = found->second;
    return found->second > 0 ? CDA_OK : CDA_NOT_CDDA;
  }
  std::map<std::string, int> directories, cdRoots;
  std::map<std::string, int32_t> tracks;
};

std::vector<std::string> Numbered(int count, const char* extension) {
  std::vector<std::string> paths;
  for (int i = 0; i < count; ++i) paths.push_back("C:\\music\\piece" + std::to_string(i) + extension);
  return paths;
}

TEST(ShellSelection, OffersOneItemForOneKindOfUpToAHundredFiles) {
  CFakeFiles files;
  SHELL_SELECTION selection;
  EXPECT_TRUE(ExamineSelection(Numbered(100, ".wav"), files, selection));
  EXPECT_EQ(selection.kind, SELECTION_WAV);
  EXPECT_EQ(selection.files.size(), 100u);
  EXPECT_STREQ(MenuText(selection.kind), "&Encode with Cantaro Maker");
  EXPECT_FALSE(ExamineSelection(Numbered(101, ".wav"), files, selection));
  EXPECT_FALSE(selection.valid);
  EXPECT_FALSE(ExamineSelection({}, files, selection));

  std::vector<std::string> mixed = Numbered(2, ".wav");
  mixed.push_back("C:\\music\\song.mp3");
  EXPECT_FALSE(ExamineSelection(mixed, files, selection));
  EXPECT_FALSE(ExamineSelection({"C:\\music\\notes.txt"}, files, selection));

  EXPECT_TRUE(ExamineSelection({"C:\\music\\LOUD.WAV", "D:\\b.Wav"}, files, selection));
  EXPECT_EQ(selection.kind, SELECTION_WAV);
  EXPECT_EQ(selection.driveLetter, 'D');  // the last path examined
  EXPECT_TRUE(ExamineSelection({"C:\\a.mp3"}, files, selection));
  EXPECT_STREQ(HelpText(selection.kind), "Decode MP3 to WAV with Cantaro Maker.");
}

TEST(ShellSelection, RefusesDirectoriesAndPathsTooLongForTheArea) {
  CFakeFiles files;
  files.directories["C:\\folder.wav"] = 1;
  SHELL_SELECTION selection;
  EXPECT_FALSE(ExamineSelection({"C:\\folder.wav"}, files, selection));
  std::string longest = "C:\\" + std::string(kMaxSelectedPath - 7, 'x') + ".wav";
  ASSERT_EQ(longest.size(), kMaxSelectedPath);
  EXPECT_TRUE(ExamineSelection({longest}, files, selection));
  EXPECT_FALSE(ExamineSelection({"C:\\x" + longest.substr(2)}, files, selection));
}

TEST(ShellSelection, TrackFilesMustLieOnACdRomDriveInRiffCddaForm) {
  CFakeFiles files;
  files.cdRoots["E:"] = 1;
  files.tracks = {{"E:\\Track01.cda", 1}, {"E:\\Track03.cda", 3}, {"E:\\Bad.cda", 0}, {"C:\\Track01.cda", 1}};
  SHELL_SELECTION selection;
  EXPECT_TRUE(ExamineSelection({"E:\\Track01.cda", "E:\\Track03.cda"}, files, selection));
  EXPECT_EQ(selection.kind, SELECTION_CD);
  EXPECT_STREQ(MenuText(selection.kind), "&Extract with Cantaro Maker");
  EXPECT_FALSE(ExamineSelection({"C:\\Track01.cda"}, files, selection));  // not a CD-ROM drive
  EXPECT_FALSE(ExamineSelection({"E:\\Track01.cda", "E:\\Bad.cda"}, files, selection));
  EXPECT_FALSE(ExamineSelection({"E:\\Missing.cda"}, files, selection));
}

TEST(ShellSelection, ExtractCommandLineHasTwoSpacesBeforeTheDriveAndTheFolderOnlyWhenKnown) {
  EXPECT_EQ(ExtractCommandLine({1, 3}, 'E', ""), "-A1,3  -DE");
  EXPECT_EQ(ExtractCommandLine({1, 3, 4}, 'E', "D:\\Music"), "-A1,3,4  -DE -FD:\\Music");
}

// The system as the extension meets it, recorded.
class CFakeHost : public IShellHost {
 public:
  bool ProgramRunning() override { return running; }
  IExchangeArea& Area() override { return area; }
  bool HoldArea() override {
    ++holds;
    area.SetPresent(canCreate);
    return canCreate;
  }
  void PostToProgram(uint32_t window, uint32_t message) override { posts.push_back({window, message}); }
  void StartProgram(const std::string& parameters) override { starts.push_back(parameters); }
  void ShowMessage(int stringId) override { messages.push_back(stringId); }
  CDA_CHECK ReadCdaTrack(const std::string& path, int32_t& track) override { return files.ReadCdaTrack(path, track); }

  bool running = false;
  bool canCreate = true;
  int holds = 0;
  CMemoryExchangeArea area;
  CFakeFiles files;
  std::vector<std::pair<uint32_t, uint32_t>> posts;
  std::vector<std::string> starts;
  std::vector<int> messages;
};

SHELL_SELECTION Selected(SELECTION_KIND kind, std::vector<std::string> paths) {
  SHELL_SELECTION selection;
  selection.valid = true;
  selection.kind = kind;
  selection.driveLetter = paths.empty() ? 0 : paths.front()[0];
  selection.files = std::move(paths);
  return selection;
}

TEST(ShellRequests, FileRequestToARunningProgramFillsTheAreaAndPosts) {
  CFakeHost host;
  host.running = true;
  WriteAreaWindow(host.area.Bytes(), 0x1234);
  WriteAreaInt(host.area.Bytes(), kAreaItemCountOffset, 7);
  SHELL_SELECTION selection = Selected(SELECTION_MP3, {"C:\\a.mp3", "C:\\b.mp3"});
  SendSelection(host, selection, "D:\\drop");
  EXCHANGE_REQUEST written = ReadExchangeArea(host.area.Bytes());
  EXPECT_EQ(written.files, (std::vector<std::string>{"C:\\a.mp3", "C:\\b.mp3"}));
  EXPECT_EQ(written.jobKind, AREA_JOB_DECODE);
  EXPECT_EQ(written.folder, "D:\\drop");
  EXPECT_EQ(written.driveLetter, 'C');
  EXPECT_EQ(written.itemCount, 7);  // not written for a running program
  ASSERT_EQ(host.posts.size(), 1u);
  EXPECT_EQ(host.posts[0], std::make_pair(0x1234u, static_cast<uint32_t>(UM_DECODE_REQUEST)));
  EXPECT_TRUE(host.starts.empty());
  EXPECT_TRUE(selection.files.empty());  // consumed
  SendSelection(host, selection, "");
  EXPECT_EQ(host.posts.size(), 1u) << "a consumed list sends nothing";
}

TEST(ShellRequests, ProgramStillStartingUpGetsNoMessage) {
  CFakeHost host;
  host.running = true;  // the mutex is there, the window is not yet
  SHELL_SELECTION wav = Selected(SELECTION_WAV, {"C:\\a.wav"});
  SendSelection(host, wav, "");
  EXPECT_TRUE(host.posts.empty());
  EXPECT_TRUE(host.starts.empty());
  host.files.tracks["E:\\Track01.cda"] = 1;
  SHELL_SELECTION cd = Selected(SELECTION_CD, {"E:\\Track01.cda"});
  SendSelection(host, cd, "");
  EXPECT_TRUE(host.posts.empty());
  EXPECT_TRUE(host.starts.empty());
}

TEST(ShellRequests, FileRequestWithoutAProgramHoldsTheAreaCountsTheFilesAndStartsIt) {
  CFakeHost host;
  host.area.SetPresent(false);
  WriteAreaWindow(host.area.Bytes(), 0x99);  // stale, from an earlier run
  SHELL_SELECTION selection = Selected(SELECTION_WAV, {"C:\\a.wav", "C:\\b.wav", "C:\\c.wav"});
  SendSelection(host, selection, "");
  EXPECT_EQ(host.holds, 1);
  EXCHANGE_REQUEST written = ReadExchangeArea(host.area.Bytes());
  EXPECT_EQ(written.itemCount, 3);
  EXPECT_EQ(written.jobKind, AREA_JOB_ENCODE);
  EXPECT_EQ(written.files.size(), 3u);
  EXPECT_TRUE(host.posts.empty()) << "a stale window must not be posted to";
  EXPECT_EQ(host.starts, (std::vector<std::string>{""}));

  CFakeHost failing;
  failing.canCreate = false;
  SHELL_SELECTION again = Selected(SELECTION_WAV, {"C:\\a.wav"});
  SendSelection(failing, again, "");
  EXPECT_TRUE(failing.starts.empty()) << "no area, no start";
}

TEST(ShellRequests, ExtractRequestStartsTheProgramOrWritesTheTracks) {
  CFakeHost host;
  host.files.tracks = {{"E:\\Track01.cda", 1}, {"E:\\Track03.cda", 3}};
  SHELL_SELECTION selection = Selected(SELECTION_CD, {"E:\\Track01.cda", "E:\\Track03.cda"});
  SendSelection(host, selection, "");
  EXPECT_EQ(host.starts, (std::vector<std::string>{"-A1,3  -DE"}));

  host.running = true;
  WriteAreaWindow(host.area.Bytes(), 0x42);
  selection = Selected(SELECTION_CD, {"E:\\Track03.cda"});
  SendSelection(host, selection, "F:\\rips");
  EXCHANGE_REQUEST written = ReadExchangeArea(host.area.Bytes());
  EXPECT_EQ(written.tracks, (std::vector<int32_t>{3}));
  EXPECT_EQ(written.driveLetter, 'E');
  EXPECT_EQ(written.folder, "F:\\rips");
  ASSERT_EQ(host.posts.size(), 1u);
  EXPECT_EQ(host.posts[0], std::make_pair(0x42u, static_cast<uint32_t>(UM_EXTRACT_REQUEST)));
}

TEST(ShellRequests, UnreadableTrackFileShowsItsMessageAndSendsNothing) {
  CFakeHost host;
  host.running = true;
  WriteAreaWindow(host.area.Bytes(), 0x42);
  host.files.tracks = {{"E:\\Track01.cda", 1}, {"E:\\Bad.cda", 0}};
  SHELL_SELECTION selection = Selected(SELECTION_CD, {"E:\\Track01.cda", "E:\\Bad.cda"});
  SendSelection(host, selection, "");
  EXPECT_EQ(host.messages, (std::vector<int>{IDS_EXT_CDA_CDDA}));
  selection = Selected(SELECTION_CD, {"E:\\Gone.cda"});
  SendSelection(host, selection, "");
  EXPECT_EQ(host.messages, (std::vector<int>{IDS_EXT_CDA_CDDA, IDS_EXT_CDA_OPEN}));
  EXPECT_TRUE(host.posts.empty());
  EXPECT_EQ(ReadAreaInt(host.area.Bytes(), kAreaItemCountOffset), 0);
}

}  // namespace
