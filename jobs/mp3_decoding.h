#pragma once
// The decoding step: one MPEG audio file through the program's own decoder
// into a WAV file, normalised afterwards when "Normalize" is on.
#include <cstdint>
#include <string>

#include "jobs/job.h"

// The most sample bytes a RIFF header can count: its RIFF size, the data
// size plus 36, is a 32-bit field.
inline constexpr uint64_t kWavMaxDataBytes = 0xFFFFFFFFull - 36;

// Decodes source (an MPEG audio file, untrusted) into output. The first
// frame is found after an ID3 version 2 tag and any leading junk; subbands
// above frequencyLimit Hz are left out (the worker passes 24000).
//
// Fails, leaving no output file, when the source cannot be opened or read
// or holds no MPEG audio, or when the output cannot be started; fails after
// an abort, leaving the output as written so far with its header
// unpatched. Succeeds otherwise, also when decoding ended early at a
// damaged frame or a write error, with a header that counts exactly the
// sample bytes in the file. Output stops at dataLimit bytes of samples
// (rounded down to whole sample frames), which a header can still count.
// Normalises by the job's options.
bool DecodeMp3ToWave(const std::string& source, const std::string& output, int frequencyLimit, CJob& job,
                     uint64_t dataLimit = kWavMaxDataBytes);
