// The CD job that encodes earlier tracks while the drive reads the next:
// order, overlap, the limit of encoders, failure, abort, and the same files
// as one step at a time.
#include "jobs/encode_while_reading.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <set>

#include "app/job_settings.h"
#include "cdrom/virtual/disc_image_writer.h"
#include "cdrom/virtual/virtual_drive.h"
#include "jobs/extraction.h"
#include "jobs/mp3_encoding.h"
#include "platform/temp_file.h"
#include "recording_job_report.h"
#include "temporary_files.h"
#include "test_folders.h"

namespace {

using namespace std::chrono_literals;

// A report the reader and the encoders may call at once.
class CLockedJobReport : public IJobReport {
 public:
  void ExtractProgress(uint32_t, uint32_t, bool) override {}
  void EncodeProgress(uint32_t, uint32_t) override { Record(encodeProgress_, 1); }
  void ItemStart(ITEM_START_KIND kind, const std::string& text, bool) override {
    Record(starts_, std::to_string(kind) + " " + text);
  }
  void EncodeStart(const std::string& text) override { Record(starts_, "encode " + text); }
  void DecodeStart(const std::string&) override {}
  void Log(const std::string& line) override {
    Record(lines_, line);
    if (onLog) onLog(line);
  }
  bool AbortRequested() override { return abort; }
  void BackgroundEncodes(uint32_t count) override { Record(background_, count); }

  std::vector<std::string> Lines() { return Copy(lines_); }
  std::vector<std::string> Starts() { return Copy(starts_); }
  std::vector<uint32_t> Background() { return Copy(background_); }
  size_t EncodeProgressCalls() { return Copy(encodeProgress_).size(); }

  std::atomic<bool> abort{false};
  std::function<void(const std::string&)> onLog;  // called on the logging thread

 private:
  template <class T>
  void Record(std::vector<T>& list, const T& value) {
    std::lock_guard<std::mutex> hold(lock_);
    list.push_back(value);
  }
  template <class T>
  std::vector<T> Copy(const std::vector<T>& list) {
    std::lock_guard<std::mutex> hold(lock_);
    return list;
  }
  std::mutex lock_;
  std::vector<std::string> lines_, starts_;
  std::vector<uint32_t> background_;
  std::vector<int> encodeProgress_;
};

// A flag one thread raises and another waits for, with a bound so that a
// runner that never overlaps fails instead of hanging.
class CSignal {
 public:
  void Raise() {
    std::lock_guard<std::mutex> hold(lock_);
    raised_ = true;
    changed_.notify_all();
  }
  bool Wait() {
    std::unique_lock<std::mutex> hold(lock_);
    return changed_.wait_for(hold, 10s, [this] { return raised_; });
  }

 private:
  std::mutex lock_;
  std::condition_variable changed_;
  bool raised_ = false;
};

int IndexIn(const std::vector<std::string>& list, const std::string& item) {
  auto found = std::find(list.begin(), list.end(), item);
  return found == list.end() ? -1 : static_cast<int>(found - list.begin());
}

// The runner over stand-in steps that record what ran when.
class EncodeWhileReadingStepsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    job_.report = &report_;
    job_.fileJob = false;
    job_.keepWav = false;
    job_.options.encodeWhileReading = 1;
    job_.options.encoderThreads = 2;
    for (const char* name : {"One", "Two", "Three", "Four"}) {
      CJobItem item;
      item.sourceName = name;
      job_.items.push_back(item);
    }
    steps_.extract = [this](CJob& job) { return Extract(job); };
    steps_.encode = [this](CJob& job) { return Encode(job); };
  }

  bool Extract(CJob& job) {
    Note("extract " + job.CurrentItem().sourceName);
    if (extractHook) return extractHook(job);
    return true;
  }

  bool Encode(CJob& job) {
    const std::string& name = job.CurrentItem().sourceName;
    int running = ++running_;
    {
      std::lock_guard<std::mutex> hold(lock_);
      mostAtOnce_ = std::max(mostAtOnce_, running);
    }
    Note("encode " + name);
    bool ok = encodeHook ? encodeHook(job) : true;
    job.CurrentItem().outputPath = name + ".MP3";
    --running_;
    Note("encoded " + name);
    return ok;
  }

  void Note(const std::string& call) {
    std::lock_guard<std::mutex> hold(lock_);
    calls_.push_back(call);
  }
  std::vector<std::string> Calls() {
    std::lock_guard<std::mutex> hold(lock_);
    return calls_;
  }

  CLockedJobReport report_;
  CJob job_;
  JOB_STEPS steps_;
  std::function<bool(CJob&)> extractHook, encodeHook;
  std::mutex lock_;
  std::vector<std::string> calls_;
  std::atomic<int> running_{0};
  int mostAtOnce_ = 0;
};

TEST_F(EncodeWhileReadingStepsTest, ReadsInListOrderWhileEarlierTracksEncodeOnEveryCore) {
  // Track One's encoding waits until Two is being read, and Two's until
  // Three is: a runner that did one thing at a time would never get there.
  CSignal readingTwo, readingThree;
  extractHook = [&](CJob& job) {
    if (job.current == 1) readingTwo.Raise();
    if (job.current == 2) readingThree.Raise();
    return true;
  };
  std::atomic<bool> overlapped{true};
  encodeHook = [&](CJob& job) {
    if (job.CurrentItem().sourceName == "One" && !readingTwo.Wait()) overlapped = false;
    if (job.CurrentItem().sourceName == "Two" && !readingThree.Wait()) overlapped = false;
    std::this_thread::sleep_for(20ms);
    return true;
  };
  EXPECT_TRUE(RunJobItems(JOB_KIND::ExtractEncode, job_, steps_));
  EXPECT_TRUE(overlapped);
  EXPECT_FALSE(job_.cancelled);
  std::vector<std::string> calls = Calls();
  std::vector<std::string> reads;
  std::copy_if(calls.begin(), calls.end(), std::back_inserter(reads),
               [](const std::string& c) { return c.rfind("extract ", 0) == 0; });
  EXPECT_EQ(reads, (std::vector<std::string>{"extract One", "extract Two", "extract Three", "extract Four"}));
  for (const char* name : {"One", "Two", "Three", "Four"}) {
    int read = IndexIn(calls, std::string("extract ") + name), encoded = IndexIn(calls, std::string("encoded ") + name);
    ASSERT_GE(read, 0) << name;
    EXPECT_LT(read, IndexIn(calls, std::string("encode ") + name)) << name;
    EXPECT_GE(encoded, 0) << name;
  }
  EXPECT_EQ(mostAtOnce_, 2);  // never more encoders than cores
  // The window heard of the tracks behind the reading, and of none at the end.
  std::vector<uint32_t> background = report_.Background();
  ASSERT_FALSE(background.empty());
  EXPECT_EQ(background.back(), 0u);
  EXPECT_LE(*std::max_element(background.begin(), background.end()), 3u);
  // Each track's output reached the job the window reads at the end.
  for (const CJobItem& item : job_.items) EXPECT_EQ(item.outputPath, item.sourceName + ".MP3");
  // The reading announced every item; the encoders switched no panel.
  EXPECT_EQ(report_.Starts(), (std::vector<std::string>{"0 One", "0 Two", "0 Three", "0 Four"}));
}

TEST_F(EncodeWhileReadingStepsTest, OneEncoderStillReadsAhead) {
  job_.options.encoderThreads = 1;
  CSignal readingTwo;
  extractHook = [&](CJob& job) {
    if (job.current == 1) readingTwo.Raise();
    return true;
  };
  std::atomic<bool> overlapped{true};
  encodeHook = [&](CJob& job) {
    if (job.current == 0 && job.CurrentItem().sourceName == "One" && !readingTwo.Wait()) overlapped = false;
    return true;
  };
  EXPECT_TRUE(RunJobItems(JOB_KIND::ExtractEncode, job_, steps_));
  EXPECT_TRUE(overlapped);
  EXPECT_EQ(mostAtOnce_, 1);
}

TEST_F(EncodeWhileReadingStepsTest, FailureFinishesEarlierTracksAndStopsLaterOnes) {
  // One is still encoding when Two's encoding fails: One completes, as it
  // would have one step at a time; Three (being read) stops; Four never starts.
  CSignal twoFailed;
  encodeHook = [&](CJob& job) {
    const std::string& name = job.CurrentItem().sourceName;
    if (name == "One") {
      twoFailed.Wait();
      return !job.report->AbortRequested();
    }
    if (name == "Two") {
      twoFailed.Raise();
      return false;
    }
    return true;
  };
  extractHook = [&](CJob& job) {
    if (job.current != 2) return true;
    for (int i = 0; i < 500 && !job.report->AbortRequested(); ++i) std::this_thread::sleep_for(10ms);
    job.report->Log("(stamp) reading Three was stopped");
    job.cancelled = job.report->AbortRequested();
    return true;
  };
  EXPECT_FALSE(RunJobItems(JOB_KIND::ExtractEncode, job_, steps_));
  std::vector<std::string> calls = Calls();
  EXPECT_GE(IndexIn(calls, "encoded One"), 0);
  EXPECT_EQ(IndexIn(calls, "encode Three"), -1);
  EXPECT_EQ(IndexIn(calls, "extract Four"), -1);
  EXPECT_EQ(job_.items[0].outputPath, "One.MP3");
  // A track stopped for another's failure says nothing more.
  EXPECT_EQ(report_.Lines(), std::vector<std::string>{});
  EXPECT_FALSE(job_.cancelled);
}

TEST_F(EncodeWhileReadingStepsTest, FailedReadEndsTheJobAfterTheEncodingsBeforeIt) {
  extractHook = [&](CJob& job) { return job.current != 1; };
  encodeHook = [&](CJob&) {
    std::this_thread::sleep_for(50ms);
    return true;
  };
  EXPECT_FALSE(RunJobItems(JOB_KIND::ExtractEncode, job_, steps_));
  std::vector<std::string> calls = Calls();
  EXPECT_GE(IndexIn(calls, "encoded One"), 0);
  EXPECT_EQ(IndexIn(calls, "encode Two"), -1);
  EXPECT_EQ(IndexIn(calls, "extract Three"), -1);
}

TEST_F(EncodeWhileReadingStepsTest, WavOnlyAndTheSettingOffRunOneStepAtATime) {
  job_.options.outputFormat = 1;
  EXPECT_TRUE(RunJobItems(JOB_KIND::ExtractEncode, job_, steps_));
  EXPECT_EQ(Calls(), (std::vector<std::string>{"extract One", "extract Two", "extract Three", "extract Four"}));
  calls_.clear();
  job_.options.outputFormat = 0;
  job_.options.encodeWhileReading = 0;
  EXPECT_TRUE(RunJobItems(JOB_KIND::ExtractEncode, job_, steps_));
  EXPECT_EQ(Calls()[1], "encode One");
  EXPECT_EQ(Calls()[3], "extract Two");
  EXPECT_TRUE(report_.Background().empty());
}

// ---------------------------------------------------------------------------
// The real steps: the virtual drive, the extraction, the encoding step over a
// stand-in library that any number of threads may call.

std::atomic<uint32_t> g_nextStream{1};
std::atomic<int> g_initCalls{0};
std::atomic<int> g_failInitCall{0};                 // 1-based; 0 never
std::function<void(HBE_STREAM)> g_onChunk;          // set before a job starts

BE_ERR BE_CALL SafeInit(void*, uint32_t* samples, uint32_t* bufferSize, HBE_STREAM* stream) {
  *samples = 1152 * 2;
  *bufferSize = 64;
  *stream = g_nextStream++;
  return ++g_initCalls == g_failInitCall ? 1 : 0;
}

// Each chunk becomes its sample count and the sum of its samples, so equal
// MP3 files mean equal samples in equal chunks.
BE_ERR BE_CALL SafeChunk(HBE_STREAM stream, uint32_t samples, const int16_t* pcm, uint8_t* out, uint32_t* produced) {
  if (g_onChunk) g_onChunk(stream);
  int64_t sum = 0;
  for (uint32_t i = 0; i < samples; ++i) sum = sum * 31 + pcm[i];
  std::string text = "[" + std::to_string(samples) + ":" + std::to_string(sum) + "]";
  text.resize(std::min<size_t>(text.size(), 64));
  std::memcpy(out, text.data(), text.size());
  *produced = static_cast<uint32_t>(text.size());
  return 0;
}

BE_ERR BE_CALL SafeDeinit(HBE_STREAM, uint8_t* out, uint32_t* produced) {
  std::memcpy(out, "END", 3);
  *produced = 3;
  return 0;
}

BE_ERR BE_CALL SafeClose(HBE_STREAM) { return 0; }
void BE_CALL SafeVersion(void*) {}

class EncodeWhileReadingRipTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_initCalls = 0;
    g_failInitCall = 0;
    g_onChunk = nullptr;
    folder_ = MakeTestFolder("encode-while-reading");
    DISC_IMAGE_LAYOUT layout;
    for (TrackContent content : {TrackContent::Pattern, TrackContent::Tone, TrackContent::Pattern, TrackContent::Tone}) {
      IMAGE_TRACK track;
      track.content = content;
      track.frames = 150 + 25 * static_cast<uint32_t>(layout.tracks.size());
      layout.tracks.push_back(track);
    }
    std::string error;
    ASSERT_TRUE(WriteDiscImage(layout, folder_ + "disc.cue", error)) << error;
    uint32_t start = 0;
    for (const IMAGE_TRACK& track : layout.tracks) {
      ranges_.push_back({start, start + track.frames});
      start += track.frames;
    }
    encoder_.Adopt(nullptr, {SafeInit, SafeChunk, SafeDeinit, SafeClose, SafeVersion, nullptr});
    encoder_.loadedIndex = 1;
    settings_.NamingRule = "<title>";
    settings_.OutputFormat = 0;
    pwBefore_ = TemporaryPwFiles();
  }
  void TearDown() override { g_onChunk = nullptr; }

  // Rips every track into folder out<name>\ with the setting as given.
  bool Rip(const std::string& name, int32_t encodeWhileReading, const std::string& driveOptions = "") {
    std::vector<VIRTUAL_DRIVE_CONFIG> drives;
    std::string error;
    EXPECT_TRUE(ParseVirtualDrives("V=" + folder_ + "disc.cue" + driveOptions, drives, error)) << error;
    CVirtualDeviceIo io(nullptr, drives);
    CDriveCommands commands(io);
    commands.Install(AccessPath::PassThrough, 0);
    settings_.sessionOutputFolder = folder_ + name + "\\";
    std::filesystem::create_directories(HostFolder(settings_.sessionOutputFolder));
    settings_.EncodeWhileReading = encodeWhileReading;
    job_ = CJob{};
    job_.options = JobOptionsFromSettings(settings_);
    job_.options.encoderThreads = 2;
    job_.report = &report_;
    job_.device = io.Open("\\\\.\\V:", true);
    job_.keepWav = false;
    job_.fileJob = false;
    const char* names[] = {"One", "Two", "Three", "Four"};
    for (size_t i = 0; i < ranges_.size(); ++i) {
      CJobItem item;
      item.startSector = static_cast<int>(ranges_[i].first);
      item.endSector = static_cast<int>(ranges_[i].second);
      item.sourceName = names[i];
      item.trackIndex = static_cast<int>(i);
      job_.items.push_back(item);
    }
    JOB_STEPS steps;
    steps.extract = [&commands](CJob& job) { return ExtractTrack(job, commands); };
    steps.encode = [this](CJob& job) { return EncodeWaveToMp3(job, encoder_); };
    return RunJobItems(JOB_KIND::ExtractEncode, job_, steps);
  }

  std::string FileText(const std::string& path) {
    std::ifstream in(HostFolder(path), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  std::set<std::string> FilesIn(const std::string& name) {
    std::set<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(HostFolder(folder_ + name + "\\")))
      files.insert(entry.path().filename().string());
    return files;
  }
  // The log without its time stamps, "(stamp) " cut off.
  std::vector<std::string> Unstamped() {
    std::vector<std::string> lines;
    for (const std::string& line : report_.Lines()) lines.push_back(line.size() > 22 ? line.substr(22) : line);
    return lines;
  }

  std::string folder_;
  std::vector<std::pair<uint32_t, uint32_t>> ranges_;
  CEncoderBinding encoder_;
  CAppSettings settings_;
  CLockedJobReport report_;
  CJob job_;
  std::set<std::string> pwBefore_;
};

TEST_F(EncodeWhileReadingRipTest, SameMp3FilesAsOneStepAtATimeAndEachTrackLogsReadingThenEncoding) {
  ASSERT_TRUE(Rip("sequential", 0));
  ASSERT_TRUE(Rip("parallel", 1));
  EXPECT_EQ(FilesIn("parallel"), (std::set<std::string>{"One.MP3", "Two.MP3", "Three.MP3", "Four.MP3"}));
  for (const char* name : {"One", "Two", "Three", "Four"}) {
    std::string mp3 = FileText(folder_ + "parallel\\" + name + ".MP3");
    EXPECT_GT(mp3.size(), 128u) << name;
    EXPECT_EQ(mp3, FileText(folder_ + "sequential\\" + name + ".MP3")) << name;
  }
  EXPECT_EQ(TemporaryPwFiles(), pwBefore_);
  std::vector<std::string> lines = Unstamped();
  EXPECT_EQ(lines.size(), 4u * 2 * 2 * 2);  // both runs: four tracks, two steps, two lines each
  std::vector<std::string> parallel(lines.begin() + 16, lines.end());
  for (const std::string name : {"One", "Two", "Three", "Four"}) {
    int read = IndexIn(parallel, "Extracting " + name + " ..."), readOk = IndexIn(parallel, "Extracting " + name + " OK!");
    int encode = IndexIn(parallel, "Encoding " + name + " ..."), encodeOk = IndexIn(parallel, "Encoding " + name + " OK!");
    EXPECT_GE(read, 0) << name;
    EXPECT_LT(read, readOk) << name;
    EXPECT_LT(readOk, encode) << name;
    EXPECT_LT(encode, encodeOk) << name;
  }
  EXPECT_EQ(job_.items[3].outputPath, folder_ + "parallel\\Four.MP3");
}

TEST_F(EncodeWhileReadingRipTest, AbortWhileReadingTheSecondTrackLeavesOnlyFinishedFiles) {
  // Track One's encoder holds its first chunk until Two is being read; then
  // the user aborts. Neither track is finished, so no MP3 stays.
  CSignal readingTwo;
  report_.onLog = [&](const std::string& line) {
    if (line.find("Extracting Two ...") != std::string::npos) readingTwo.Raise();
  };
  std::atomic<bool> held{false};
  g_onChunk = [&](HBE_STREAM) {
    if (held.exchange(true)) return;
    readingTwo.Wait();
    report_.abort = true;
  };
  ASSERT_TRUE(Rip("aborted", 1, "|delay=1"));
  EXPECT_TRUE(job_.cancelled);
  EXPECT_EQ(FilesIn("aborted"), std::set<std::string>{});
  EXPECT_EQ(TemporaryPwFiles(), pwBefore_);
  std::vector<std::string> lines = Unstamped();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "User canceled the operation."), 1);
  EXPECT_EQ(IndexIn(lines, "Extracting Three ..."), -1);
  EXPECT_EQ(IndexIn(lines, "Encoding One OK!"), -1) << ::testing::PrintToString(lines);
}

TEST_F(EncodeWhileReadingRipTest, FailingEncoderStopsTheJobWithItsLogLine) {
  g_failInitCall = 2;  // Two's stream cannot be opened
  EXPECT_FALSE(Rip("failed", 1, "|delay=0.2"));
  std::vector<std::string> lines = Unstamped();
  EXPECT_GE(IndexIn(lines, "Encoding Two ..."), 0);
  EXPECT_LT(IndexIn(lines, "Encoding Two ..."), IndexIn(lines, "Error: Error initialize mp3 encoder!"));
  std::set<std::string> files = FilesIn("failed");
  EXPECT_TRUE(files.count("One.MP3"));
  EXPECT_FALSE(files.count("Two.MP3"));
  EXPECT_FALSE(files.count("Four.MP3"));
  EXPECT_EQ(IndexIn(lines, "Extracting Four ..."), -1);
  EXPECT_EQ(TemporaryPwFiles(), pwBefore_);
}

}  // namespace
