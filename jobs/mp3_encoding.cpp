#include "jobs/mp3_encoding.h"

#include <new>
#include <vector>

#include "discinfo/id3_tag.h"
#include "jobs/encoder_config.h"
#include "jobs/job_step.h"
#include "jobs/job_workers.h"
#include "jobs/naming.h"
#include "jobs/wav_file.h"
#include "platform/clock.h"
#include "platform/file.h"
#include "platform/text.h"
#include "resources/strings.h"

namespace {

class CFileEncoding : private CJobStep {
 public:
  CFileEncoding(CJob& job, const CEncoderBinding& encoder)
      : CJobStep(job), item_(job.CurrentItem()), e_(encoder.Entries()), encoder_(encoder), options_(job.options) {}
  ~CFileEncoding() {
    if (streamOpen_) {
      std::lock_guard<std::mutex> hold(encoder_.StreamLock());
      e_.beCloseStream(stream_);
    }
    input_.Close();
    output_.Close();
    // An MP3 that did not get all its data is of no use: never leave one.
    if (!keepOutput_ && !outputPath_.empty()) DeleteFileAt(outputPath_);
    // The temporary WAV of a CD track is spent either way.
    if (!job_.keepWav && !job_.fileJob) job_.DeleteTemporaryWav();
  }

  bool Run();

 private:
  bool OpenStream(BE_CONFIG& config, uint32_t& bufferBytes);
  void CloseStreamWithVbrHeader(const std::string& path);
  bool Append(const uint8_t* bytes, uint32_t count);
  bool EncodeChunk(uint32_t samples);
  std::string InputPath() const;

  CJobItem& item_;
  const ENCODER_ENTRY_POINTS& e_;
  const CEncoderBinding& encoder_;
  const JOB_OPTIONS& options_;
  HBE_STREAM stream_ = 0;
  bool streamOpen_ = false;
  uint32_t samplesPerChunk_ = 0;
  std::vector<uint8_t> samples_;
  std::vector<uint8_t> mp3_;
  CFile input_, output_;
  std::string outputPath_;
  bool keepOutput_ = false;
};

bool CFileEncoding::OpenStream(BE_CONFIG& config, uint32_t& bufferBytes) {
  std::lock_guard<std::mutex> hold(encoder_.StreamLock());
  return e_.beInitStream(&config, &samplesPerChunk_, &bufferBytes, &stream_) == 0;
}

void CFileEncoding::CloseStreamWithVbrHeader(const std::string& path) {
  std::lock_guard<std::mutex> hold(encoder_.StreamLock());
  e_.beCloseStream(stream_);
  streamOpen_ = false;
  const ENCODING_OPTIONS& encoding = options_.encoding;
  if (!job_.cancelled && encoder_.loadedIndex == 1 && encoding.writeVbrHeader && encoding.enableVbr &&
      e_.beWriteVBRHeader)
    e_.beWriteVBRHeader(path.c_str());
}

bool CFileEncoding::Append(const uint8_t* bytes, uint32_t count) {
  if (count == 0 || output_.Write(bytes, count) == count) return true;
  LogFileError(output_);
  return false;
}

bool CFileEncoding::EncodeChunk(uint32_t samples) {
  uint32_t bytes = samples * 2;
  if (input_.Read(samples_.data(), bytes) != bytes) {
    LogFileError(input_);
    return false;
  }
  uint32_t produced = 0;
  if (e_.beEncodeChunk(stream_, samples, reinterpret_cast<const int16_t*>(samples_.data()), mp3_.data(), &produced) !=
      0) {
    Log(STR_ENCODE_CHUNK_FAILED);
    return false;
  }
  // The library never produces more than the buffer it asked for.
  return Append(mp3_.data(), std::min<uint32_t>(produced, static_cast<uint32_t>(mp3_.size())));
}

std::string CFileEncoding::InputPath() const {
  if (job_.fileJob) return item_.sourceName;
  if (job_.keepWav) return BuildOutputPath(item_, options_.outputFolder, ".WAV", options_.naming);
  return job_.temporaryWavPath;
}

bool CFileEncoding::Run() {
  if (!encoder_.IsBound() || !e_.beInitStream) {
    Log(STR_ENCODER_INIT_FAILED);
    return false;
  }
  BE_CONFIG config;
  FillEncoderConfig(encoder_.loadedIndex, options_.encoding, config);
  Log(STR_ENCODING, item_.sourceName);
  job_.report->EncodeStart(item_.sourceName);
  uint32_t bufferBytes = 0;
  if (!OpenStream(config, bufferBytes)) {
    Log(STR_ENCODER_INIT_FAILED);
    return false;
  }
  streamOpen_ = true;
  try {
    samples_.resize(static_cast<size_t>(samplesPerChunk_) * 2);
    mp3_.resize(bufferBytes);
  } catch (const std::bad_alloc&) {
    Log(STR_OUT_OF_MEMORY);
    return false;
  }
  std::string path = job_.fileJob ? FileOutputPath(options_.outputFolder, item_.sourceName, ".MP3")
                                  : BuildOutputPath(item_, options_.outputFolder, ".MP3", options_.naming);
  if (!output_.Open(path, CFile::Mode::Create)) {
    Log(STR_CANT_OPEN_FILE, path);
    return false;
  }
  outputPath_ = path;
  item_.outputPath = path;
  item_.outputFolder = options_.outputFolder;
  std::string inputPath = InputPath();
  if (!input_.Open(inputPath, CFile::Mode::Read)) {
    Log(STR_CANT_OPEN_FILE, inputPath);
    return false;
  }
  WAVE_INPUT wave;
  if (!AcceptWaveInput(input_, inputPath, *job_.report, wave)) return false;
  // The input is positioned at its first sample; only the samples go in.
  uint64_t dataBytes = wave.dataBytes;
  // An MP3 takes at most a quarter of its samples' bytes.
  if (!EnoughSpace(options_.outputFolder, dataBytes / 4)) return false;

  uint32_t start = TickCount();
  uint64_t done = 0;
  uint64_t chunkBytes = static_cast<uint64_t>(samplesPerChunk_) * 2;
  uint32_t chunks = 0;
  while (chunkBytes > 0 && dataBytes - done >= chunkBytes) {
    if (job_.report->AbortRequested()) {
      LogCancelled(job_);
      break;
    }
    if (!EncodeChunk(samplesPerChunk_)) return false;
    done += chunkBytes;
    if (++chunks % 10 == 0 && dataBytes >= 1000)
      job_.report->EncodeProgress(static_cast<uint32_t>(done / (dataBytes / 1000)), TickCount() - start);
  }
  if (!job_.cancelled && !EncodeChunk(static_cast<uint32_t>((dataBytes - done) / 2))) return false;
  uint32_t produced = 0;
  if (e_.beDeinitStream(stream_, mp3_.data(), &produced) != 0) {
    Log(STR_DEINIT_FAILED);
    return false;
  }
  if (!Append(mp3_.data(), std::min<uint32_t>(produced, static_cast<uint32_t>(mp3_.size())))) return false;
  if (options_.encoding.enableId3) {
    uint8_t tag[kId3v1Bytes];
    BuildId3v1Tag(item_.texts, tag);
    if (!Append(tag, kId3v1Bytes)) return false;
  }
  output_.Close();
  // The library keeps the stream it closed last for the VBR header, so the
  // stream is closed first and the header written before another opens.
  CloseStreamWithVbrHeader(path);
  input_.Close();
  job_.report->EncodeProgress(1000, TickCount() - start);
  keepOutput_ = !job_.cancelled;  // an aborted MP3 is incomplete
  item_.elapsed = TickCount() - item_.elapsed;
  if (!job_.cancelled) Log(STR_ENCODING_OK, item_.sourceName);
  return true;
}

}  // namespace

bool EncodeWaveToMp3(CJob& job, const CEncoderBinding& encoder) {
  if (job.current >= job.items.size()) return false;
  CFileEncoding encoding(job, encoder);
  return encoding.Run();
}
