#pragma once
// Verification of an encoded MP3: the file is decoded back with the
// program's own decoder, aligned for the encoder's and the decoder's delay
// and compared with the WAV it was made from. Both files are untrusted;
// the comparison streams through them with fixed buffers.
//
// Checks, in this order: the MP3 holds MPEG audio at the WAV's sampling
// rate with a channel count that fits (a mono MP3 of a stereo WAV is
// compared with the mix of the two); its length is the WAV's plus the
// encoder's delay and padding (exactly, when a LAME tag states them); no
// channel is silent where the source is not, and the channels are not
// swapped; the signal-to-noise ratio, over the whole track and over every
// second of it, clears the floor of the stream's bit rate.
#include <cstdint>
#include <string>

#include "jobs/job.h"

struct MP3_VERIFICATION {
  bool passed = false;
  bool cancelled = false;
  double snrDb = 0;     // over the whole track, at most kMaxReportedSnrDb
  std::string problem;  // what failed, for the log line
};

inline constexpr double kMaxReportedSnrDb = 99.9;
// LAME's encoder delay and the synthesis delay of a Layer III decoder, in samples.
inline constexpr uint32_t kLameEncoderDelay = 576;
inline constexpr uint32_t kLayer3DecoderDelay = 529;

// The least SNR a healthy encoding at this average bit rate (kbit/s per
// stream) reaches on music; the floor for any second is lower.
double SnrFloorDb(uint32_t kbitPerSecond);

// Compares the MP3 at mp3Path with the 16-bit PCM WAV at wavPath. Polls
// report's abort between frames (then cancelled is set).
MP3_VERIFICATION VerifyMp3AgainstWave(const std::string& mp3Path, const std::string& wavPath, IJobReport& report);

// Verifies and logs "(stamp) <name> verified (SNR x dB)" or
// "(stamp) <name> NOT verified: <problem>". Never fails the job.
void VerifyEncodedFile(CJob& job, const std::string& name, const std::string& mp3Path, const std::string& wavPath);
