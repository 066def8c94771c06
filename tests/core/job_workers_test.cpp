// The workers' order of work, their stops and the processing window's texts.
#include <gtest/gtest.h>

#include "jobs/job_workers.h"
#include "recording_job_report.h"

namespace {

class JobWorkersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    job_.report = &report_;
    for (const char* name : {"One", "Two", "Three"}) {
      CJobItem item;
      item.sourceName = name;
      job_.items.push_back(item);
    }
    steps_.extract = [this](CJob& job) {
      calls_.push_back("extract " + job.CurrentItem().sourceName);
      return true;
    };
    steps_.encode = [this](CJob& job) {
      calls_.push_back("encode " + job.CurrentItem().sourceName);
      return job.CurrentItem().sourceName != failOn_;
    };
    steps_.decode = [this](CJob&, const std::string& source, const std::string& output) {
      calls_.push_back("decode " + source + " -> " + output);
      return true;
    };
    steps_.normalize = [this](CJob& job) {
      calls_.push_back("normalize " + job.CurrentItem().sourceName);
      if (job.current == 1 && abortOnSecond_) {
        job.report->Log("(stamp) User canceled the operation.");
        job.cancelled = true;
        return false;
      }
      return true;
    };
  }
  CRecordingJobReport report_;
  CJob job_;
  JOB_STEPS steps_;
  std::vector<std::string> calls_;
  std::string failOn_;
  bool abortOnSecond_ = false;
};

TEST_F(JobWorkersTest, ExtractEncodeRunsBothStepsPerTrackUnlessWavOnly) {
  EXPECT_TRUE(RunJobItems(JOB_KIND::ExtractEncode, job_, steps_));
  EXPECT_EQ(calls_, (std::vector<std::string>{"extract One", "encode One", "extract Two", "encode Two", "extract Three",
                                              "encode Three"}));
  EXPECT_EQ(report_.starts[0], "0 posted One");
  calls_.clear();
  job_.options.outputFormat = 1;
  EXPECT_TRUE(RunJobItems(JOB_KIND::ExtractEncode, job_, steps_));
  EXPECT_EQ(calls_, (std::vector<std::string>{"extract One", "extract Two", "extract Three"}));
}

TEST_F(JobWorkersTest, FirstFailureStopsTheJob) {
  failOn_ = "Two";
  EXPECT_FALSE(RunJobItems(JOB_KIND::EncodeFiles, job_, steps_));
  EXPECT_EQ(calls_, (std::vector<std::string>{"encode One", "encode Two"}));
  EXPECT_EQ(report_.starts, (std::vector<std::string>{"0 sent One", "0 sent Two"}));
}

TEST_F(JobWorkersTest, AbortDuringTheSecondOfThreeItemsStartsNoThird) {
  abortOnSecond_ = true;
  job_.options.outputFolder = "C:\\out\\";
  EXPECT_FALSE(RunJobItems(JOB_KIND::NormalizeFiles, job_, steps_));
  EXPECT_EQ(calls_, (std::vector<std::string>{"normalize One", "normalize Two"}));
  EXPECT_TRUE(job_.cancelled);
  EXPECT_EQ(report_.lines, (std::vector<std::string>{"(stamp) User canceled the operation."}));
  EXPECT_EQ(job_.items[0].outputPath, "One");  // normalised in place
  EXPECT_EQ(job_.items[0].outputFolder, "C:\\out\\");
}

TEST_F(JobWorkersTest, StopAfterCancelStillCountsAsSuccess) {
  steps_.encode = [](CJob& job) {
    job.cancelled = job.current == 0;
    return true;
  };
  EXPECT_TRUE(RunJobItems(JOB_KIND::EncodeFiles, job_, steps_));
  EXPECT_EQ(report_.starts.size(), 1u);
}

TEST_F(JobWorkersTest, DecodedFilesGoToTheSessionFolder) {
  job_.items.resize(1);
  job_.items[0].sourceName = "D:\\mp3\\my.song.mp3";
  job_.options.outputFolder = "C:\\out\\ ";
  EXPECT_TRUE(RunJobItems(JOB_KIND::DecodeFiles, job_, steps_));
  EXPECT_EQ(calls_, (std::vector<std::string>{"decode D:\\mp3\\my.song.mp3 -> C:\\out\\my.song.WAV"}));
  EXPECT_EQ(job_.items[0].outputFolder, "C:\\out");
  EXPECT_EQ(DecodeOutputPath("C:\\out", "noext"), "C:\\out\\noext.WAV");
  // Slashes separate folders as well.
  EXPECT_EQ(DecodeOutputPath("C:\\out", "Z:/music/a.b/song.mp3"), "C:\\out\\song.WAV");
  EXPECT_EQ(DecodeOutputPath("C:\\out", "Z:\\music/x\\song.mp3"), "C:\\out\\song.WAV");
}

TEST(JobWorkersKindTest, TheStartRequestAloneNamesTheJobKind) {
  EXPECT_EQ(JobKindOfStartRequest(0, 0), JOB_KIND::ExtractEncode);
  EXPECT_EQ(JobKindOfStartRequest(0, 1), JOB_KIND::ExtractEncode);  // lParam only counts for file jobs
  EXPECT_EQ(JobKindOfStartRequest(1, 1), JOB_KIND::DecodeFiles);
  EXPECT_EQ(JobKindOfStartRequest(1, 2), JOB_KIND::NormalizeFiles);
  EXPECT_EQ(JobKindOfStartRequest(1, 0), JOB_KIND::EncodeFiles);
  EXPECT_EQ(JobKindOfStartRequest(1, 7), JOB_KIND::EncodeFiles);
}

TEST(JobTextsTest, ProgressAndTimes) {
  EXPECT_EQ(ProgressPercentText(0), "0.0%");
  EXPECT_EQ(ProgressPercentText(1000), "100.0%");
  EXPECT_EQ(ProgressPercentText(457), "45.7%");
  uint32_t estimate = 7;
  EXPECT_FALSE(EstimatedTotal(5000, 0, estimate));
  EXPECT_EQ(estimate, 7u);
  ASSERT_TRUE(EstimatedTotal(95000, 1000, estimate));
  EXPECT_EQ(MinutesSecondsText(95000), "01:35");
  EXPECT_EQ(MinutesSecondsText(estimate), "01:35");
  ASSERT_TRUE(EstimatedTotal(30000, 250, estimate));
  EXPECT_EQ(MinutesSecondsText(estimate), "02:00");
  EXPECT_EQ(MinutesSecondsText(6000000), "100:00");  // minutes are not limited
  EXPECT_EQ(ItemTitle("Extracting(%02d/%02d): %s", 1, 4, "Intro"), "Extracting(01/04): Intro");
  EXPECT_EQ(CorrectThreadPriority(7), 2);
  EXPECT_EQ(CorrectThreadPriority(-1), 2);
  EXPECT_EQ(ThreadPriorityDelta(0), -2);
  EXPECT_EQ(ThreadPriorityDelta(4), 2);
}

}  // namespace
