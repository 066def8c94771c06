#include "jobs/extraction.h"

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

#include "cdrom/read_offset.h"
#include "jobs/job_step.h"
#include "jobs/naming.h"
#include "jobs/normalize.h"
#include "jobs/secure_reading.h"
#include "jobs/wav_file.h"
#include "platform/clock.h"
#include "platform/file.h"
#include "platform/temp_file.h"
#include "platform/text.h"
#include "resources/strings.h"

void TrimSilence(uint32_t& start, uint32_t& end, uint32_t leading, uint32_t trailing) {
  if (end < start || end - start < 75) return;
  uint64_t first = std::min<uint64_t>(static_cast<uint64_t>(start) + leading, end - 75);
  uint64_t last = end >= trailing ? end - trailing : 0;
  last = std::clamp<uint64_t>(last, first + 75, end);
  start = static_cast<uint32_t>(first);
  end = static_cast<uint32_t>(last);
}

uint32_t FramesPerRead(int32_t bufferSize) {
  return static_cast<uint32_t>(std::clamp<int32_t>(bufferSize, 1, static_cast<int32_t>(kMaxFramesPerRead)));
}

namespace {

// New lines of secure reading; they appear only when it is on.
constexpr const char* kHealedLine = "(%s) Secure reading: %s read again until two reads agreed";
constexpr const char* kSuspiciousLine = "(%s) Suspicious position: %s, no two reads agreed";
constexpr const char* kMoreSuspiciousLine = "(%s) Suspicious positions: %s more";
// The most suspicious ranges a track logs one by one.
constexpr size_t kMaxSuspiciousLines = 20;

class CTrackExtraction : private CJobStep {
 public:
  CTrackExtraction(CJob& job, CDriveCommands& commands)
      : CJobStep(job), item_(job.CurrentItem()), commands_(commands), options_(job.options) {}
  ~CTrackExtraction() {
    // A temporary file of a failed extraction is of no use to anyone.
    if (!succeeded_ && !job_.keepWav) {
      file_.Close();
      job_.DeleteTemporaryWav();
    }
  }

  bool Run();

 private:
  void LogReadError() { Log(STR_ERROR_LINE, LastSystemErrorText()); }
  bool PreRead(uint32_t start);
  bool OpenOutput();
  bool ReadLoop(uint32_t start, uint32_t end);
  void ChooseReader(uint32_t start, uint32_t end);
  void LogSecureReading(uint32_t trackStart) const;
  void Normalise();
  void StartChecksums(uint32_t start, uint32_t end);
  void Verify();

  CJobItem& item_;
  CDriveCommands& commands_;
  const JOB_OPTIONS& options_;
  CFile file_;
  std::vector<uint8_t> buffer_;
  uint32_t framesPerRead_ = 26;
  FRAME_READER read_;
  std::unique_ptr<CReadOffsetCorrection> offset_;
  std::unique_ptr<CSecureReader> secure_;
  uint32_t written_ = 0;
  CPeakTracker peak_;
  std::unique_ptr<CTrackChecksums> checksums_;  // while the rip is to be proved
  bool succeeded_ = false;
};

bool CTrackExtraction::PreRead(uint32_t start) {
  // Reading just ahead of the track first settles the drive on the disc.
  CD_READ_REQUEST request;
  request.start = start > framesPerRead_ ? start - framesPerRead_ : 0;
  request.frames = framesPerRead_;
  request.bytes = framesPerRead_ * kFrameBytes;
  request.buffer = buffer_.data();
  if (commands_.ReadSectors(job_.device, request)) return true;
  LogReadError();
  return options_.extraction.skipError != 0;
}

bool CTrackExtraction::OpenOutput() {
  if (job_.keepWav) {
    std::string path = BuildOutputPath(item_, options_.outputFolder, ".WAV", options_.naming);
    if (!file_.Open(path, CFile::Mode::Create)) {
      Log(STR_CANT_OPEN_FILE, options_.outputFolder + item_.sourceName + ".WAV");
      return false;
    }
    item_.outputPath = path;
    item_.outputFolder = options_.outputFolder;
    return true;
  }
  if (!file_.Open(job_.temporaryWavPath, CFile::Mode::Create)) {
    Log(STR_CANT_OPEN_TEMP, job_.temporaryWavPath);
    return false;
  }
  return true;
}

void CTrackExtraction::StartChecksums(uint32_t start, uint32_t end) {
  const CRipVerification& verification = job_.verification;
  if (!options_.accuracy.accurateRip || !verification.Usable()) return;
  size_t index = static_cast<size_t>(item_.trackIndex);
  const std::vector<uint32_t>& starts = verification.disc.trackStarts;
  if (index >= starts.size()) return;
  // A trimmed track is not the track the database knows.
  uint32_t trackEnd = index + 1 < starts.size() ? starts[index + 1] : verification.disc.leadOut;
  if (start != starts[index] || end != trackEnd) return;
  checksums_ = std::make_unique<CTrackChecksums>((end - start) * kSamplesPerFrame, index == 0,
                                                 index + 1 == verification.disc.trackStarts.size());
}

void CTrackExtraction::Verify() {
  if (!checksums_) return;
  for (const std::string& line :
       job_.verification.CheckTrack(static_cast<size_t>(item_.trackIndex), checksums_->Result()))
    job_.report->Log(JobLine("[%s] %s", line));
  if (job_.current + 1 < job_.items.size()) return;
  std::string summary = job_.verification.Summary();
  if (!summary.empty()) job_.report->Log(JobLine("[%s] %s", summary));
}

bool CTrackExtraction::ReadLoop(uint32_t start, uint32_t end) {
  uint32_t began = TickCount();
  for (uint32_t lba = start; lba < end;) {
    if (job_.report->AbortRequested()) {
      LogCancelled(job_);
      break;
    }
    CD_READ_REQUEST request;
    request.start = lba;
    request.frames = std::min(end - lba, framesPerRead_);
    request.bytes = request.frames * kFrameBytes;
    request.buffer = buffer_.data();
    if (read_(request.start, request.frames, request.buffer)) {
      if (options_.normalize) peak_.Add(buffer_.data(), request.bytes);
      if (checksums_) checksums_->Add(buffer_.data(), request.bytes);
      if (file_.Write(buffer_.data(), request.bytes) != request.bytes) {
        LogFileError(file_);
        return false;
      }
      written_ += request.bytes;
      uint32_t tenths = static_cast<uint32_t>(static_cast<uint64_t>(lba - start) * 1000 / (end - start));
      job_.report->ExtractProgress(tenths, TickCount() - began, false);
    } else {
      LogReadError();
      if (!options_.extraction.skipError) return false;  // the file keeps its empty header
      if (checksums_) checksums_->Skip(request.bytes);
    }
    lba += request.frames;
  }
  job_.report->ExtractProgress(1000, TickCount() - began, false);
  return true;
}

void CTrackExtraction::ChooseReader(uint32_t start, uint32_t end) {
  // Layers over the drive: its read offset corrected first, then secure
  // reading compares what the corrected reads give. With neither, the
  // reads are exactly those the loop asks for.
  read_ = [this](uint32_t lba, uint32_t frames, uint8_t* buffer) {
    CD_READ_REQUEST request;
    request.start = lba;
    request.frames = frames;
    request.bytes = frames * kFrameBytes;
    request.buffer = buffer;
    return commands_.ReadSectors(job_.device, request);
  };
  if (options_.accuracy.readOffset != 0) {
    uint32_t leadOut = job_.verification.disc.leadOut ? job_.verification.disc.leadOut : end;
    offset_ = std::make_unique<CReadOffsetCorrection>(read_, options_.accuracy.readOffset, leadOut, framesPerRead_);
    read_ = [this](uint32_t lba, uint32_t frames, uint8_t* buffer) { return offset_->Read(lba, frames, buffer); };
  }
  if (!options_.extraction.secureRead) return;
  uint32_t rereads = static_cast<uint32_t>(std::max<int32_t>(options_.extraction.retryTimes, 1));
  secure_ = std::make_unique<CSecureReader>(read_, start, end, framesPerRead_, rereads);
  read_ = secure_->AsFrameReader();
}

void CTrackExtraction::LogSecureReading(uint32_t trackStart) const {
  if (!secure_) return;
  if (uint32_t healed = secure_->HealedBlocks())
    Log(kHealedLine, healed == 1 ? std::string("1 block") : Format("%u blocks", healed));
  const std::vector<FRAME_RANGE>& suspicious = secure_->Suspicious();
  for (size_t i = 0; i < suspicious.size() && i < kMaxSuspiciousLines; ++i)
    Log(kSuspiciousLine,
        TrackTimeText(suspicious[i].first - trackStart) + " - " + TrackTimeText(suspicious[i].last - trackStart));
  if (suspicious.size() > kMaxSuspiciousLines)
    Log(kMoreSuspiciousLine, std::to_string(suspicious.size() - kMaxSuspiciousLines));
}

void CTrackExtraction::Normalise() {
  std::string path = job_.keepWav ? item_.outputPath : job_.temporaryWavPath;
  job_.report->ItemStart(ITEM_NORMALIZING, job_.keepWav ? item_.outputPath : STR_TEMPORARY_WAVE, true);
  bool wasCancelled = job_.cancelled;
  ScaleWaveFile(path, NormalizeGain(options_.normalizeRatio, peak_.Peak()), job_);
  // An abort seen by the scaling pass ends the job like one seen here.
  job_.cancelled = job_.cancelled || wasCancelled;
}

bool CTrackExtraction::Run() {
  item_.elapsed = TickCount();
  const uint32_t trackStart = static_cast<uint32_t>(item_.startSector);
  uint32_t start = trackStart;
  uint32_t end = static_cast<uint32_t>(item_.endSector);
  const EXTRACTION_OPTIONS& extraction = options_.extraction;
  if (extraction.deleteSilence == 1)
    TrimSilence(start, end, static_cast<uint32_t>(extraction.leadingFrame),
                static_cast<uint32_t>(extraction.trailingFrame));
  item_.startSector = static_cast<int>(start);
  item_.endSector = static_cast<int>(end);
  if (!job_.keepWav) {
    job_.temporaryWavPath = CreateTemporaryFile("PW");
    if (job_.temporaryWavPath.empty()) {
      Log(STR_CANT_OPEN_TEMP, TemporaryFolder() + "PW");
      return false;
    }
  }
  // The space check counts the track's samples against the drive the WAV goes to.
  const std::string folder = job_.keepWav ? options_.outputFolder : TemporaryFolder();
  if (!EnoughSpace(folder, static_cast<uint64_t>(end - start) * kFrameBytes)) return false;
  framesPerRead_ = FramesPerRead(extraction.bufferSize);
  try {
    buffer_.resize(static_cast<size_t>(framesPerRead_) * kFrameBytes);
  } catch (const std::bad_alloc&) {
    Log(STR_OUT_OF_MEMORY);
    return false;
  }
  if (!PreRead(start)) return false;
  if (!OpenOutput()) return false;
  if (!WriteCdAudioHeader(file_, 0)) {
    LogFileError(file_);
    return false;
  }
  Log(STR_EXTRACTING, item_.sourceName);
  StartChecksums(start, end);
  ChooseReader(start, end);
  if (end > start && !ReadLoop(start, end)) return false;
  LogSecureReading(trackStart);
  if (end <= start) job_.report->ExtractProgress(1000, 0, false);
  if (!WriteCdAudioHeader(file_, written_)) {
    LogFileError(file_);
    return false;
  }
  file_.Close();
  if (options_.normalize) Normalise();
  if (!job_.cancelled) {
    Log(STR_EXTRACTING_OK, item_.sourceName);
    Verify();
  } else if (!job_.keepWav) {
    job_.DeleteTemporaryWav();
  }
  succeeded_ = true;
  return true;
}

}  // namespace

bool ExtractTrack(CJob& job, CDriveCommands& commands) {
  if (job.current >= job.items.size()) return false;
  CTrackExtraction extraction(job, commands);
  return extraction.Run();
}
