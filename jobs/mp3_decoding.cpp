#include "jobs/mp3_decoding.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "jobs/job_step.h"
#include "jobs/mpeg/mpeg_decoder.h"
#include "jobs/normalize.h"
#include "jobs/wav_file.h"
#include "platform/clock.h"
#include "platform/file.h"
#include "platform/text.h"
#include "resources/strings.h"

namespace {

constexpr size_t kInputBufferBytes = 60000;
constexpr size_t kRefillBelowBytes = 2500;
constexpr size_t kPcmBufferBytes = 60000;
constexpr size_t kFlushAboveBytes = 55000;
constexpr uint32_t kProgressEveryFrames = 30;
// A write the system cut short is tried again this often before it counts
// as failed, so a passing shortage does not end the file but a full disk
// cannot hold the step forever.
constexpr int kWriteAttempts = 4;
// A frame may carry a padding slot (4 bytes in Layer I) beyond the
// unpadded length of the first frame.
constexpr size_t kPaddingSlack = 4;

static_assert(kPcmBufferBytes - kFlushAboveBytes >= static_cast<size_t>(kMpegMaxFrameOutputBytes),
              "a frame always fits after an unflushed buffer");
static_assert(kInputBufferBytes > static_cast<size_t>(kMpegMaxFrameBytes) + kPaddingSlack,
              "the longest frame fits in the input buffer");

// Windows paths name the same file whatever their case or slashes.
std::string ComparablePath(const std::string& path) {
  std::string text = ToUpperAscii(path);
  std::replace(text.begin(), text.end(), '/', '\\');
  return text;
}

// The source file as the first-frame search reads it.
class CFileByteSource : public IMpegByteSource {
 public:
  explicit CFileByteSource(CFile& file) : file_(file) {}
  size_t ReadAt(int64_t offset, uint8_t* buffer, size_t count) override {
    return file_.Seek(offset) ? file_.Read(buffer, count) : 0;
  }

 private:
  CFile& file_;
};

class CMp3Decoding : private CJobStep {
 public:
  CMp3Decoding(const std::string& source, const std::string& output, int frequencyLimit, CJob& job, uint64_t dataLimit)
      : CJobStep(job),
        source_(source),
        output_(output),
        frequencyLimit_(frequencyLimit),
        options_(job.options),
        dataLimit_(dataLimit) {}
  ~CMp3Decoding() {
    input_.Close();
    outputFile_.Close();
    // A file that never got its header holds nothing of the source.
    if (outputCreated_ && !headerWritten_) DeleteFileAt(output_);
  }

  bool Run();

 private:
  bool Refill(size_t below);
  bool WritePending();
  void TrackPeak(size_t begin, size_t end);
  void PostProgress();
  bool FrameLoop();
  void Normalise();

  const std::string source_;
  const std::string output_;
  const int frequencyLimit_;
  const JOB_OPTIONS& options_;
  uint64_t dataLimit_;

  CFile input_, outputFile_;
  bool outputCreated_ = false;
  bool headerWritten_ = false;
  CDecoderWavHeader header_;
  std::vector<uint8_t> in_;
  size_t readPosition_ = 0;
  size_t buffered_ = 0;
  bool readFailed_ = false;
  std::vector<uint8_t> pcm_;
  size_t pcmUsed_ = 0;
  size_t pcmFlushed_ = 0;  // bytes of pcm_ already in the file after a short write
  int64_t fileSize_ = 0;
  size_t firstFrameBytes_ = 0;  // without its padding slot: the least a frame can be
  uint64_t consumed_ = 0;
  uint32_t frames_ = 0;
  uint64_t written_ = 0;
  CPeakTracker peak_;
  uint32_t start_ = 0;
};

bool CMp3Decoding::Refill(size_t below) {
  if (readFailed_) return false;
  if (buffered_ >= below) return true;
  std::memmove(in_.data(), in_.data() + readPosition_, buffered_);
  readPosition_ = 0;
  size_t want = kInputBufferBytes - buffered_;
  size_t got = input_.Read(in_.data() + buffered_, want);
  buffered_ += got;
  if (got < want) {
    // A short read before the end of the file is an error, at the end it is not.
    int64_t position = input_.Position();
    if (position < 0 || position < input_.Size()) {
      readFailed_ = true;
      return false;
    }
  }
  return true;
}

void CMp3Decoding::TrackPeak(size_t begin, size_t end) {
  // Samples sit at even offsets of the buffer; a sample split by a short
  // write is left out.
  size_t first = begin + (begin & 1);
  if (first < end) peak_.Add(pcm_.data() + first, end - first);
}

bool CMp3Decoding::WritePending() {
  size_t want = pcmUsed_ - pcmFlushed_;
  size_t ask = static_cast<size_t>(std::min<uint64_t>(want, dataLimit_ - written_));
  size_t done = 0;
  for (int attempt = 0; done < ask && attempt < kWriteAttempts; ++attempt)
    done += outputFile_.Write(pcm_.data() + pcmFlushed_ + done, ask - done);
  if (options_.normalize) TrackPeak(pcmFlushed_, pcmFlushed_ + done);
  // The header counts what reached the file; what did not stays pending,
  // so it is neither counted nor written twice.
  written_ += done;
  pcmFlushed_ += done;
  if (pcmFlushed_ < pcmUsed_) return false;
  pcmUsed_ = pcmFlushed_ = 0;
  return true;
}

void CMp3Decoding::PostProgress() {
  // Tenths of a percent; a file of under 1000 bytes is measured directly.
  uint64_t size = static_cast<uint64_t>(fileSize_);
  uint64_t tenths = size >= 1000 ? consumed_ / (size / 1000) : size ? consumed_ * 1000 / size : 0;
  job_.report->EncodeProgress(static_cast<uint32_t>(std::min<uint64_t>(tenths, 1000)), TickCount() - start_);
}

// Returns false only on an abort; every other end of the data is an end.
bool CMp3Decoding::FrameLoop() {
  // Refilling before the buffer holds less than a frame keeps a free-format
  // frame longer than the usual threshold whole.
  size_t refillBelow = std::max(kRefillBelowBytes, firstFrameBytes_ + kPaddingSlack);
  for (;;) {
    if (job_.report->AbortRequested()) {
      Log(LINE_DECODE_CANCELED);
      job_.cancelled = true;
      return false;
    }
    if (!Refill(refillBelow)) {
      Log(LINE_DECODE_READ_ERROR);
      return true;
    }
    if (buffered_ < firstFrameBytes_) return true;
    size_t room = kPcmBufferBytes - pcmUsed_;
    uint64_t result = DecodeFrame(in_.data() + readPosition_, buffered_, pcm_.data() + pcmUsed_, room);
    int32_t consumed = DecodedBytesConsumed(result);
    int32_t produced = DecodedBytesProduced(result);
    if (consumed <= 0 || static_cast<size_t>(consumed) > buffered_ || produced < 0 ||
        static_cast<size_t>(produced) > room) {
      Log(LINE_BAD_SYNC);
      return true;
    }
    readPosition_ += static_cast<size_t>(consumed);
    buffered_ -= static_cast<size_t>(consumed);
    pcmUsed_ += static_cast<size_t>(produced);
    ++frames_;
    if (pcmUsed_ > kFlushAboveBytes && !WritePending()) {
      Log(LINE_FILE_WRITE_ERROR);
      return true;
    }
    consumed_ += static_cast<uint64_t>(consumed);
    if (frames_ % kProgressEveryFrames == 0) PostProgress();
  }
}

void CMp3Decoding::Normalise() {
  job_.report->ItemStart(ITEM_NORMALIZING, output_, true);
  ScaleWaveFile(output_, NormalizeGain(options_.normalizeRatio, peak_.Peak()), job_);
}

bool CMp3Decoding::Run() {
  Log(LINE_DECODE_FILE, source_);
  job_.report->DecodeStart(source_);
  start_ = TickCount();
  if (!input_.Open(source_, CFile::Mode::Read)) {
    Log(LINE_CANT_OPEN_INPUT, source_);
    return false;
  }
  fileSize_ = std::max<int64_t>(input_.Size(), 0);
  CFileByteSource source(input_);
  input_.Seek(FindFirstFrame(source, fileSize_));
  try {
    in_.resize(kInputBufferBytes);
  } catch (const std::bad_alloc&) {
    Log(LINE_CANT_ALLOC_INPUT);
    return false;
  }
  if (!Refill(kRefillBelowBytes)) {
    Log(LINE_DECODE_READ_ERROR);
    return false;
  }
  MPEG_HEADER header;
  int32_t bitRate = 0;
  int32_t frameBytes = ParseFrameHeader(in_.data() + readPosition_, buffered_, header, bitRate);
  if (frameBytes <= 0) {
    Log(LINE_BAD_MPEG_FILE);
    return false;
  }
  firstFrameBytes_ = static_cast<size_t>(frameBytes);
  // A padded first frame is a slot longer than the stream's unpadded frames;
  // measured with it, a last frame without padding would be left out.
  size_t slot = header.layerCode == 3 ? 4 : 1;
  if (header.padding && firstFrameBytes_ > slot) firstFrameBytes_ -= slot;
  // Creating the output would truncate the source it is decoded from.
  if (ComparablePath(source_) == ComparablePath(output_) || !outputFile_.Open(output_, CFile::Mode::Create)) {
    Log(LINE_CANT_OPEN_OUTPUT, output_);
    return false;
  }
  outputCreated_ = true;
  try {
    pcm_.resize(kPcmBufferBytes);
  } catch (const std::bad_alloc&) {
    Log(LINE_CANT_ALLOC_PCM);
    return false;
  }
  if (!InitDecoder(header, frameBytes, 0, 0, 0, frequencyLimit_)) {
    Log(LINE_DECODER_INIT_FAILED);
    return false;
  }
  MPEG_OUTPUT_FORMAT format;
  GetOutputFormat(format);
  if (format.channels <= 0 || format.bitsPerSample <= 0 ||
      !header_.Write(outputFile_, static_cast<uint32_t>(format.sampleRate), static_cast<uint32_t>(format.channels),
                     static_cast<uint32_t>(format.bitsPerSample), format.encoding)) {
    Log(LINE_FILE_WRITE_ERROR);
    return false;
  }
  headerWritten_ = true;
  // Whole sample frames only, so the data stays aligned to its blocks.
  uint64_t blockAlign = static_cast<uint64_t>(format.channels * format.bitsPerSample + 7) / 8;
  dataLimit_ = std::min(dataLimit_, kWavMaxDataBytes) / blockAlign * blockAlign;

  if (!FrameLoop()) return false;
  if (pcmUsed_ > pcmFlushed_ && !WritePending()) Log(LINE_FILE_WRITE_ERROR);
  // A header still saying 0 would pass an empty file off as decoded.
  if (!header_.Finish(outputFile_, static_cast<uint32_t>(written_))) {
    Log(LINE_FILE_WRITE_ERROR);
    return false;
  }
  job_.report->EncodeProgress(1000, TickCount() - start_);
  Log(LINE_DECODE_OK);
  input_.Close();
  outputFile_.Close();
  std::vector<uint8_t>().swap(in_);
  std::vector<uint8_t>().swap(pcm_);
  if (options_.normalize) Normalise();
  return true;
}

}  // namespace

bool DecodeMp3ToWave(const std::string& source, const std::string& output, int frequencyLimit, CJob& job,
                     uint64_t dataLimit) {
  CMp3Decoding decoding(source, output, frequencyLimit, job, dataLimit);
  return decoding.Run();
}
