// The exchange area's layout, its writers and the program's request handlers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "app/exchange_area.h"
#include "app/exchange_requests.h"
#include "test_folders.h"

namespace {

TEST(ExchangeAreaTest, LayoutOffsetsAndSizes) {
  EXPECT_EQ(kAreaTracksOffset + 4 * kAreaMaxItems, kAreaDriveOffset);
  EXPECT_EQ(kAreaFilesOffset + kAreaMaxItems * kAreaTextSize, kExchangeAreaUsed);
  std::vector<uint8_t> area(kExchangeAreaSize, 0);
  WriteExtractRequest(area.data(), {3, 258}, 'e', "D:\\Music");
  EXPECT_EQ(area[4], 2);  // item count, little-endian
  EXPECT_EQ(area[8], 3);
  EXPECT_EQ(area[12], 2);  // 258 = 0x0102
  EXPECT_EQ(area[13], 1);
  EXPECT_EQ(area[408], 'e');
  EXPECT_EQ(std::string(reinterpret_cast<char*>(&area[416])), "D:\\Music");
}

TEST(ExchangeAreaTest, FileRequestRoundTrip) {
  std::vector<uint8_t> area(kExchangeAreaSize, 0xAB);
  size_t written = WriteFileRequest(area.data(), AREA_JOB_DECODE, 'C', "", {"C:\\a.mp3", "C:\\b.mp3"}, true);
  EXPECT_EQ(written, 2u);
  EXPECT_EQ(ReadAreaInt(area.data(), kAreaItemCountOffset), 2);
  EXCHANGE_REQUEST request = ReadExchangeArea(area.data());
  EXPECT_EQ(request.jobKind, AREA_JOB_DECODE);
  EXPECT_EQ(request.folder, "");
  EXPECT_EQ(request.files, (std::vector<std::string>{"C:\\a.mp3", "C:\\b.mp3"}));
}

TEST(ExchangeAreaTest, WriterSkipsPathsThatDoNotFitASlot) {
  std::vector<uint8_t> area(kExchangeAreaSize, 0);
  std::string tooLong = "C:\\" + std::string(257, 'x');  // 260 characters
  std::string longest = "C:\\" + std::string(256, 'y');  // 259 characters fit
  size_t written = WriteFileRequest(area.data(), AREA_JOB_ENCODE, 'C', "", {tooLong, longest}, false);
  EXPECT_EQ(written, 1u);
  EXPECT_EQ(ReadExchangeArea(area.data()).files, (std::vector<std::string>{longest}));
  std::vector<std::string> many(150, "C:\\x.wav");
  EXPECT_EQ(WriteFileRequest(area.data(), AREA_JOB_ENCODE, 'C', "", many, false), 100u);
}

TEST(ExchangeAreaTest, HostileAreaIsReadWithinBounds) {
  // Every byte set: counts far out of range and no terminator anywhere.
  std::vector<uint8_t> area(kExchangeAreaUsed, 0x7F);
  EXCHANGE_REQUEST request = ReadExchangeArea(area.data());
  EXPECT_EQ(request.itemCount, 100);
  EXPECT_EQ(request.tracks.size(), 100u);
  EXPECT_EQ(request.folder.size(), kAreaTextSize);
  EXPECT_EQ(request.files.size(), 100u);
  for (const std::string& f : request.files) EXPECT_EQ(f.size(), kAreaTextSize);

  WriteAreaInt(area.data(), kAreaItemCountOffset, -5);
  EXPECT_EQ(ReadExchangeArea(area.data()).itemCount, 0);
  EXPECT_TRUE(ReadExchangeArea(area.data()).tracks.empty());
  WriteAreaInt(area.data(), kAreaItemCountOffset, 0x7FFFFFFF);
  EXPECT_EQ(ReadExchangeArea(area.data()).itemCount, 100);
}

// A main window stand-in that records what the handlers ask of it.
class RecordingTarget : public IRequestTarget {
 public:
  void ComeToFront() override { ++fronts; }
  bool IsBusy() const override { return busy; }
  void SetBusy(bool b) override {
    busy = b;
    busyChanges.push_back(b);
  }
  uint32_t WindowHandle() const override { return 0x00010203; }
  char CurrentDriveLetter() const override { return drive; }
  bool HasDrive(char letter) const override { return std::find(drives.begin(), drives.end(), letter) != drives.end(); }
  bool SwitchToDrive(char letter) override {
    switches.push_back(letter);
    if (!switchSucceeds) return false;
    drive = letter;
    return true;
  }
  int RowCount() const override { return static_cast<int>(trackIndex.size()); }
  int RowTrackIndex(int row) const override { return trackIndex.at(static_cast<size_t>(row)); }
  void SetRowChecked(int row, bool c) override { checked.at(static_cast<size_t>(row)) = c; }
  void PostStartExtract(int flag) override { startExtract.push_back(flag); }
  void PostFileRequest(bool decode) override { postedFileRequests.push_back(decode); }
  void RunFileJob(size_t count, bool decode) override { jobs.push_back({count, decode}); }

  int fronts = 0;
  bool busy = false;
  std::vector<bool> busyChanges;
  char drive = 'D';
  std::vector<char> drives = {'D', 'E'};
  bool switchSucceeds = true;
  std::vector<char> switches;
  std::vector<int> trackIndex = {0, 1, 2, 3};
  std::vector<bool> checked = std::vector<bool>(4, true);
  std::vector<int> startExtract;
  std::vector<bool> postedFileRequests;
  std::vector<std::pair<size_t, bool>> jobs;
};

class ExchangeRequestsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    program_ = MakeTestFolder("exchange");
    settings_.programFolder = program_;
    settings_.OutputFolder = program_ + "output";
    settings_.sessionOutputFolder = "unchanged\\";
  }
  uint8_t* Bytes() { return area_.Bytes(); }

  CMemoryExchangeArea area_;
  RecordingTarget target_;
  CAppSettings settings_;
  std::vector<std::string> inputFiles_;
  CExchangeRequests requests_{area_, target_, settings_, inputFiles_};
  std::string program_;
};

TEST_F(ExchangeRequestsTest, EncodeRequestTakesThePathsAndClearsTheArea) {
  WriteFileRequest(Bytes(), AREA_JOB_ENCODE, 'C', "", {"C:\\1.wav", "C:\\2.wav", "C:\\3.wav"}, false);
  std::memcpy(Bytes() + kAreaFilesOffset + 4 * kAreaTextSize, "C:\\after-gap.wav", 16);
  requests_.OnFileRequest(false);
  EXPECT_EQ(inputFiles_, (std::vector<std::string>{"C:\\1.wav", "C:\\2.wav", "C:\\3.wav"}));
  ASSERT_EQ(target_.jobs.size(), 1u);
  EXPECT_EQ(target_.jobs[0], (std::pair<size_t, bool>{3, false}));
  // All zero except the window handle.
  EXPECT_EQ(ReadAreaWindow(Bytes()), 0x00010203u);
  EXPECT_TRUE(std::all_of(Bytes() + 4, Bytes() + kExchangeAreaUsed, [](uint8_t b) { return b == 0; }));
  EXPECT_EQ(target_.busyChanges, (std::vector<bool>{true, false}));
  EXPECT_EQ(settings_.sessionOutputFolder, program_ + "output\\");
}

TEST_F(ExchangeRequestsTest, BusyWindowDropsRequestsAndLeavesThemInTheArea) {
  target_.busy = true;
  WriteFileRequest(Bytes(), AREA_JOB_DECODE, 'C', "", {"C:\\1.mp3"}, false);
  requests_.OnFileRequest(true);
  WriteExtractRequest(Bytes(), {1}, 'D', "");
  requests_.OnExtractRequest();
  EXPECT_EQ(target_.fronts, 2);  // still comes to the front
  EXPECT_TRUE(target_.jobs.empty());
  EXPECT_TRUE(target_.startExtract.empty());
  EXPECT_EQ(ReadExchangeArea(Bytes()).files.size(), 1u);
  EXPECT_TRUE(inputFiles_.empty());
}

TEST_F(ExchangeRequestsTest, DecodeRequestWithAHandedOverFolder) {
  WriteFileRequest(Bytes(), AREA_JOB_DECODE, 'C', program_ + "decoded", {"C:\\1.mp3"}, false);
  requests_.OnFileRequest(true);
  EXPECT_EQ(target_.jobs[0], (std::pair<size_t, bool>{1, true}));
  EXPECT_EQ(settings_.sessionOutputFolder, program_ + "decoded\\");
}

TEST_F(ExchangeRequestsTest, EmptyFileRequestRunsNoJob) {
  requests_.OnFileRequest(false);
  EXPECT_TRUE(target_.jobs.empty());
  EXPECT_FALSE(target_.busy);
}

TEST_F(ExchangeRequestsTest, ExtractRequestChecksRowsByTrackIndex) {
  target_.trackIndex = {2, 0, 1, 3};  // rows reordered by the user
  WriteExtractRequest(Bytes(), {1, 4, 9}, 'D', "");
  requests_.OnExtractRequest();
  EXPECT_EQ(target_.checked, (std::vector<bool>{false, true, false, true}));
  EXPECT_EQ(target_.startExtract, (std::vector<int>{1}));
  EXPECT_TRUE(target_.switches.empty());
  EXPECT_EQ(ReadExchangeArea(Bytes()).itemCount, 3);  // the area is not cleared
}

TEST_F(ExchangeRequestsTest, ExtractRequestWithNoTrackOnTheDiscStartsNothing) {
  WriteExtractRequest(Bytes(), {7, 0, -3}, 'D', "");
  requests_.OnExtractRequest();
  EXPECT_EQ(target_.checked, std::vector<bool>(4, false));
  EXPECT_TRUE(target_.startExtract.empty());
}

TEST_F(ExchangeRequestsTest, ExtractRequestSwitchesToTheRequestedDrive) {
  WriteExtractRequest(Bytes(), {2}, 'E', "");
  requests_.OnExtractRequest();
  EXPECT_EQ(target_.switches, (std::vector<char>{'E'}));
  EXPECT_EQ(target_.startExtract.size(), 1u);

  // A drive that cannot be opened abandons the request; an unknown one keeps the drive.
  RecordingTarget failing;
  failing.switchSucceeds = false;
  CExchangeRequests requests(area_, failing, settings_, inputFiles_);
  requests.OnExtractRequest();
  EXPECT_TRUE(failing.startExtract.empty());
  EXPECT_EQ(failing.checked, std::vector<bool>(4, true));
  WriteExtractRequest(Bytes(), {2}, 'Q', "");
  requests.OnExtractRequest();
  EXPECT_EQ(failing.switches, (std::vector<char>{'E'}));
  EXPECT_EQ(failing.startExtract.size(), 1u);
}

TEST_F(ExchangeRequestsTest, ExtractFolderThatCannotBeCreatedKeepsTheSessionFolder) {
  WriteExtractRequest(Bytes(), {1}, 'D', "Q:\\nowhere");
  requests_.OnExtractRequest();
  EXPECT_EQ(settings_.sessionOutputFolder, "unchanged\\");
}

TEST_F(ExchangeRequestsTest, MissingAreaIsIgnoredSilently) {
  area_.SetPresent(false);
  requests_.OnExtractRequest();
  requests_.OnFileRequest(false);
  requests_.RegisterWindow();
  requests_.PickUpWaitingRequest();
  EXPECT_TRUE(target_.startExtract.empty());
  EXPECT_TRUE(target_.jobs.empty());
  EXPECT_TRUE(target_.postedFileRequests.empty());
  EXPECT_FALSE(target_.busy);
}

TEST_F(ExchangeRequestsTest, StartUpRegistersTheWindowAndPicksUpAWaitingRequest) {
  WriteFileRequest(Bytes(), AREA_JOB_DECODE, 'C', "", {"C:\\1.mp3"}, true);
  requests_.RegisterWindow();
  EXPECT_EQ(ReadAreaWindow(Bytes()), 0x00010203u);
  EXPECT_EQ(ReadAreaInt(Bytes(), kAreaItemCountOffset), 0);
  requests_.PickUpWaitingRequest();
  EXPECT_EQ(target_.postedFileRequests, (std::vector<bool>{true}));
}

}  // namespace
