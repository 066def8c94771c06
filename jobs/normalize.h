#pragma once
// Normalisation of CD-format WAV files in place: the loudest sample is
// brought to "NormalizeRatio" percent of full scale. Works block by block,
// 4704 bytes (two CD sectors) at a time, polling the abort between blocks.
#include <cstddef>
#include <cstdint>
#include <string>

#include "jobs/job.h"

inline constexpr size_t kNormalizeBlockBytes = 4704;

// The largest and smallest 16-bit little-endian sample seen, for the peak a
// normalisation scales to.
class CPeakTracker {
 public:
  // Takes the whole samples of bytes (a trailing odd byte is left out).
  void Add(const uint8_t* bytes, size_t count) {
    for (size_t i = 0; i + 1 < count; i += 2) {
      int sample = static_cast<int16_t>(bytes[i] | bytes[i + 1] << 8);
      if (sample < minimum_) minimum_ = sample;
      if (sample > maximum_) maximum_ = sample;
    }
  }
  // The larger of the maximum and the minimum's magnitude: 0..32768.
  int Peak() const { return maximum_ > -minimum_ ? maximum_ : -minimum_; }

 private:
  int minimum_ = 0, maximum_ = 0;
};

// The gain that brings peak (0..32768) to ratio percent of full scale; a
// silent file (peak 0) keeps its samples.
double NormalizeGain(int ratio, int peak);
// One sample scaled: the integer part of s * gain + 0.5, kept in 16 bits.
int16_t ScaleSample(int16_t sample, double gain);

// Both passes: find the peak, then scale. Sends its reports (waits).
bool NormalizeWaveFile(const std::string& path, CJob& job, int ratio);
// The scaling pass alone, with a gain from a peak the caller measured.
// Posts its reports.
bool ScaleWaveFile(const std::string& path, double gain, CJob& job);
