#pragma once
// The four worker procedures: each works through its job's items in order
// and stops at the first failure or after the item in which the abort was
// seen. They return the job's success; the caller reports done or failed.
#include <cstdint>
#include <functional>
#include <string>

#include "jobs/job.h"

enum class JOB_KIND { ExtractEncode, EncodeFiles, DecodeFiles, NormalizeFiles };

// The per-item steps, each returning success and reading the current item.
struct JOB_STEPS {
  std::function<bool(CJob&)> extract;
  std::function<bool(CJob&)> encode;
  std::function<bool(CJob&, const std::string& source, const std::string& output)> decode;
  std::function<bool(CJob&)> normalize;
};

// The job kind of the processing window's start request: wParam 0 a CD job;
// wParam 1 a file job, whose lParam says 1 decode, 2 normalise, else encode.
JOB_KIND JobKindOfStartRequest(uintptr_t wParam, intptr_t lParam);

// The output format and the folder of decoded and normalised files come from
// the job's options.
bool RunJobItems(JOB_KIND kind, CJob& job, const JOB_STEPS& steps);

// The output of a file job's item: the folder (trailing blanks and
// backslashes removed), then the source's name without folder and
// extension, then the new extension.
std::string FileOutputPath(const std::string& folder, const std::string& source, const std::string& extension);
// The decoded file of an MP3.
inline std::string DecodeOutputPath(const std::string& folder, const std::string& source) {
  return FileOutputPath(folder, source, ".WAV");
}

// The processing window's texts.
// "Encoding 2 tracks in the background", "Encoding 1 track ...", "" for 0.
std::string BackgroundEncodesText(uint32_t count);
std::string ProgressPercentText(uint32_t tenths);       // "%d.%d%%"
std::string MinutesSecondsText(uint32_t milliseconds);  // "%02d:%02d"
// The expected total time of the item; false for progress 0.
bool EstimatedTotal(uint32_t elapsedMs, uint32_t tenths, uint32_t& estimateMs);
// "Extracting(%02d/%02d): %s" and the other title forms.
std::string ItemTitle(const std::string& format, int current, int total, const std::string& text);

// Thread priorities by "ThreadPriority" (0 lowest .. 4 highest); other
// values are corrected to 2.
int CorrectThreadPriority(int setting);
int ThreadPriorityDelta(int setting);  // -2..+2
