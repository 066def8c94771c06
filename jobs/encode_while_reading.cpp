#include "jobs/encode_while_reading.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <limits>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/file.h"
#include "platform/thread_priority.h"

namespace {

constexpr size_t kNoTrack = std::numeric_limits<size_t>::max();

class CEncodeWhileReading;

// What one track's step may tell the processing window. The panel stays the
// extraction panel, so only the track being read moves it; a track stopped
// because an earlier one failed says nothing more.
class CTrackReport : public IJobReport {
 public:
  CTrackReport(CEncodeWhileReading& runner, IJobReport& parent, size_t index, bool reading)
      : runner_(runner), parent_(parent), index_(index), reading_(reading) {}

  void ExtractProgress(uint32_t tenths, uint32_t elapsedMs, bool wait) override {
    if (reading_) parent_.ExtractProgress(tenths, elapsedMs, wait);
  }
  void EncodeProgress(uint32_t, uint32_t) override {}
  void ItemStart(ITEM_START_KIND kind, const std::string& text, bool wait) override {
    if (reading_) parent_.ItemStart(kind, text, wait);
  }
  void EncodeStart(const std::string&) override {}
  void DecodeStart(const std::string& sourceName) override { parent_.DecodeStart(sourceName); }
  void Log(const std::string& line) override;
  bool AbortRequested() override;

 private:
  CEncodeWhileReading& runner_;
  IJobReport& parent_;
  size_t index_;
  bool reading_;
};

struct TRACK_TASK {
  size_t index = 0;
  std::unique_ptr<CTrackReport> report;
  std::unique_ptr<CJob> job;
};

class CEncodeWhileReading {
 public:
  CEncodeWhileReading(CJob& job, const JOB_STEPS& steps) : job_(job), steps_(steps), parent_(*job.report) {}
  ~CEncodeWhileReading() { StopEncoders(); }

  bool Run();
  // True when a track before `index` failed: `index` and later ones stop.
  bool StoppedBefore(size_t index) {
    std::lock_guard<std::mutex> hold(lock_);
    return failedAt_ < index;
  }

 private:
  void StartEncoders(size_t count);
  void StopEncoders();
  // False when the job ends here: a failure, an abort or a stop.
  bool ReadTrack(size_t index);
  void WaitForRoom();
  std::unique_ptr<TRACK_TASK> TrackTask(size_t index);
  void EncoderLoop();
  void Encode(TRACK_TASK& task);
  void Failed(size_t index) { failedAt_ = std::min(failedAt_, index); }
  void TellBackgroundCount() { parent_.BackgroundEncodes(static_cast<uint32_t>(encoding_ + waiting_.size())); }

  CJob& job_;
  const JOB_STEPS& steps_;
  IJobReport& parent_;
  std::mutex lock_;  // everything below
  std::condition_variable changed_;
  std::deque<std::unique_ptr<TRACK_TASK>> waiting_;
  size_t encoding_ = 0;
  bool readingDone_ = false;
  bool abortedByUser_ = false;
  size_t failedAt_ = kNoTrack;
  std::vector<std::thread> encoders_;
};

void CTrackReport::Log(const std::string& line) {
  if (!runner_.StoppedBefore(index_)) parent_.Log(line);
}

bool CTrackReport::AbortRequested() { return parent_.AbortRequested() || runner_.StoppedBefore(index_); }

bool CEncodeWhileReading::Run() {
  job_.cancelLineWritten = std::make_shared<std::atomic<bool>>(false);
  StartEncoders(std::min<size_t>(std::max<uint32_t>(job_.options.encoderThreads, 1), job_.items.size()));
  for (size_t index = 0; index < job_.items.size(); ++index)
    if (!ReadTrack(index)) break;
  StopEncoders();
  job_.report = &parent_;
  job_.cancelled = job_.cancelled || abortedByUser_;
  return failedAt_ == kNoTrack;
}

void CEncodeWhileReading::StartEncoders(size_t count) {
  int priority = CurrentThreadPriority();  // the worker's, as the user set it
  try {
    for (size_t i = 0; i < count; ++i)
      encoders_.emplace_back([this, priority] {
        SetCurrentThreadPriority(priority);
        EncoderLoop();
      });
  } catch (...) {
    StopEncoders();  // a thread that cannot start must not leave the others running
    throw;
  }
}

void CEncodeWhileReading::StopEncoders() {
  {
    std::lock_guard<std::mutex> hold(lock_);
    readingDone_ = true;
  }
  changed_.notify_all();
  for (std::thread& encoder : encoders_)
    if (encoder.joinable()) encoder.join();
  encoders_.clear();
}

bool CEncodeWhileReading::ReadTrack(size_t index) {
  WaitForRoom();
  if (StoppedBefore(index)) return false;
  CTrackReport report(*this, parent_, index, true);
  job_.report = &report;
  job_.current = index;
  parent_.ItemStart(ITEM_NEXT, job_.CurrentItem().sourceName, false);
  bool ok = steps_.extract(job_);
  job_.report = &parent_;
  std::lock_guard<std::mutex> hold(lock_);
  if (!ok) {
    Failed(index);
    return false;
  }
  if (job_.cancelled) {
    // Stopped for an earlier track's failure, not by the user: the partial
    // WAV it kept is of a track the job never finished.
    if (failedAt_ < index) {
      job_.cancelled = false;
      if (job_.keepWav) DeleteFileAt(job_.CurrentItem().outputPath);
    }
    return false;
  }
  waiting_.push_back(TrackTask(index));
  TellBackgroundCount();
  changed_.notify_all();
  return true;
}

void CEncodeWhileReading::WaitForRoom() {
  // The next track is read once the last one read has an encoder: the
  // temporary WAVs waiting stay at one.
  std::unique_lock<std::mutex> hold(lock_);
  changed_.wait(hold, [this] { return waiting_.empty() || failedAt_ != kNoTrack; });
}

std::unique_ptr<TRACK_TASK> CEncodeWhileReading::TrackTask(size_t index) {
  auto task = std::make_unique<TRACK_TASK>();
  task->index = index;
  task->report = std::make_unique<CTrackReport>(*this, parent_, index, false);
  task->job = std::make_unique<CJob>();
  CJob& track = *task->job;
  track.device = job_.device;
  track.report = task->report.get();
  track.options = job_.options;
  track.keepWav = job_.keepWav;
  track.fileJob = false;
  track.temporaryWavPath = job_.temporaryWavPath;
  job_.temporaryWavPath.clear();  // the track's own now
  track.items.assign(1, job_.items[index]);
  track.cancelLineWritten = job_.cancelLineWritten;
  return task;
}

void CEncodeWhileReading::EncoderLoop() {
  for (;;) {
    std::unique_ptr<TRACK_TASK> task;
    {
      std::unique_lock<std::mutex> hold(lock_);
      changed_.wait(hold, [this] { return !waiting_.empty() || readingDone_; });
      if (waiting_.empty()) return;
      task = std::move(waiting_.front());
      waiting_.pop_front();
      ++encoding_;
    }
    changed_.notify_all();  // room for the reader
    Encode(*task);
  }
}

void CEncodeWhileReading::Encode(TRACK_TASK& task) {
  CJob& track = *task.job;
  bool ok = true;
  if (track.report->AbortRequested()) {
    // Aborted or stopped before it began: a track never started writes nothing.
    track.cancelled = true;
    track.DeleteTemporaryWav();
  } else {
    try {
      ok = steps_.encode(track);
    } catch (...) {
      ok = false;
    }
    track.DeleteTemporaryWav();  // the step's own clean-up already did, unless it threw
  }
  std::lock_guard<std::mutex> hold(lock_);
  --encoding_;
  job_.items[task.index].outputPath = track.items[0].outputPath;
  job_.items[task.index].outputFolder = track.items[0].outputFolder;
  job_.items[task.index].elapsed = track.items[0].elapsed;
  if (!ok) Failed(task.index);
  if (ok && track.cancelled && failedAt_ > task.index) abortedByUser_ = true;
  TellBackgroundCount();
  changed_.notify_all();
}

}  // namespace

bool RunExtractEncodeWhileReading(CJob& job, const JOB_STEPS& steps) {
  CEncodeWhileReading runner(job, steps);
  return runner.Run();
}
