#include "jobs/normalize.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "jobs/wav_file.h"
#include "platform/clock.h"
#include "resources/strings.h"

namespace {

int16_t LoadSample(const uint8_t* p) { return static_cast<int16_t>(p[0] | p[1] << 8); }

void StoreSample(uint8_t* p, int16_t s) {
  p[0] = static_cast<uint8_t>(s);
  p[1] = static_cast<uint8_t>(static_cast<uint16_t>(s) >> 8);
}

uint32_t Tenths(uint32_t count, uint32_t totalBlocks) {
  return totalBlocks ? static_cast<uint32_t>(static_cast<uint64_t>(count) * 1000 / totalBlocks) : 1000;
}

struct SCALE_PASS {
  double gain;
  int64_t dataOffset;
  uint32_t dataSize;
  uint32_t progressEvery;  // blocks between reports
  bool wait;               // send (normalise) or post (scale after a step)
};

// Scales the samples of the "data" chunk in place. Each read stays within
// the chunk, so chunks before or after the samples are never touched.
bool RunScalingPass(CFile& file, const SCALE_PASS& pass, CJob& job) {
  uint8_t block[kNormalizeBlockBytes];
  uint32_t start = TickCount();
  uint32_t totalBlocks = pass.dataSize / kNormalizeBlockBytes;
  uint32_t count = 0;
  file.Seek(pass.dataOffset);
  for (uint32_t done = 0; done < pass.dataSize;) {
    if (job.report->AbortRequested()) {
      LogCancelled(job);
      return false;
    }
    size_t want = std::min<size_t>(kNormalizeBlockBytes, pass.dataSize - done);
    size_t got = file.Read(block, want);
    if (got == 0) break;
    for (size_t i = 0; i + 1 < got; i += 2) StoreSample(block + i, ScaleSample(LoadSample(block + i), pass.gain));
    file.SeekRelative(-static_cast<int64_t>(got));
    file.Write(block, got);
    if (got < kNormalizeBlockBytes) break;
    ++count;
    done += kNormalizeBlockBytes;
    if (count % pass.progressEvery == 0)
      job.report->ExtractProgress(Tenths(count, totalBlocks), TickCount() - start, pass.wait);
  }
  job.report->ExtractProgress(1000, TickCount() - start, pass.wait);
  return true;
}

int FindPeak(CFile& file, uint32_t dataSize, CJob& job, bool& aborted) {
  uint8_t block[kNormalizeBlockBytes];
  uint32_t start = TickCount();
  uint32_t totalBlocks = dataSize / kNormalizeBlockBytes;
  uint32_t count = 0;
  CPeakTracker peak;
  aborted = false;
  for (uint32_t done = 0; done < dataSize;) {
    if (job.report->AbortRequested()) {
      aborted = true;
      return 0;
    }
    size_t want = std::min<size_t>(kNormalizeBlockBytes, dataSize - done);
    size_t got = file.Read(block, want);
    if (got == 0) break;
    peak.Add(block, got);
    if (got < kNormalizeBlockBytes) break;
    ++count;
    done += kNormalizeBlockBytes;
    if (count % 50 == 0) job.report->ExtractProgress(Tenths(count, totalBlocks), TickCount() - start, true);
  }
  return peak.Peak();
}

}  // namespace

double NormalizeGain(int ratio, int peak) {
  if (peak <= 0) return 1.0;
  return ratio / 100.0 * 32767.0 / peak;
}

int16_t ScaleSample(int16_t sample, double gain) {
  // Adding 0.5 before truncating moves negative samples toward zero; at a
  // gain of exactly 1 that would change a file that needs no change.
  if (gain == 1.0) return sample;
  double scaled = std::trunc(sample * gain + 0.5);
  // The gain keeps samples within the ratio; a caller's gain might not.
  return static_cast<int16_t>(std::clamp(scaled, -32768.0, 32767.0));
}

bool NormalizeWaveFile(const std::string& path, CJob& job, int ratio) {
  CFile file;
  if (!file.Open(path, CFile::Mode::ReadWrite)) {
    job.report->Log(JobLine(LINE_CANT_OPEN_FILE, path));
    return false;
  }
  WAVE_INPUT input;
  if (!AcceptWaveInput(file, path, *job.report, input)) return false;
  job.report->ItemStart(ITEM_SEEKING_PEAK, path, true);
  bool aborted = false;
  int peak = FindPeak(file, input.dataBytes, job, aborted);
  if (aborted) {
    LogCancelled(job);
    return false;
  }
  job.report->ItemStart(ITEM_NORMALIZING, path, true);
  SCALE_PASS pass = {NormalizeGain(ratio, peak), input.dataOffset, input.dataBytes, 30, true};
  return RunScalingPass(file, pass, job);
}

bool ScaleWaveFile(const std::string& path, double gain, CJob& job) {
  CFile file;
  if (!file.Open(path, CFile::Mode::ReadWrite)) {
    job.report->Log(JobLine(LINE_CANT_OPEN_FILE, path));
    return false;
  }
  // Any rate and channel count (the decoder writes what the stream holds),
  // but only 16-bit samples can be scaled as such.
  WAVE_INPUT input;
  if (!AcceptWaveInput(file, path, *job.report, input, WaveRequirement::Pcm16)) return false;
  SCALE_PASS pass = {gain, input.dataOffset, input.dataBytes, 26, false};
  return RunScalingPass(file, pass, job);
}
