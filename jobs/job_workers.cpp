#include "jobs/job_workers.h"

#include "jobs/encode_while_reading.h"
#include "platform/text.h"

namespace {

bool RunExtractEncode(CJob& job, const JOB_STEPS& steps, int outputFormat) {
  for (job.current = 0; job.current < job.items.size(); ++job.current) {
    job.report->ItemStart(ITEM_NEXT, job.CurrentItem().sourceName, false);
    if (!steps.extract(job)) return false;
    if (job.cancelled) break;
    if (outputFormat != 1) {
      if (!steps.encode(job)) return false;
      if (job.cancelled) break;
    }
  }
  return true;
}

// The file jobs share one shape: announce the item, run its step.
template <class Step>
bool RunFiles(CJob& job, Step step) {
  for (job.current = 0; job.current < job.items.size(); ++job.current) {
    if (!step(job.CurrentItem())) return false;
    if (job.cancelled) break;
  }
  return true;
}

}  // namespace

JOB_KIND JobKindOfStartRequest(uintptr_t wParam, intptr_t lParam) {
  if (wParam == 0) return JOB_KIND::ExtractEncode;
  if (lParam == 1) return JOB_KIND::DecodeFiles;
  if (lParam == 2) return JOB_KIND::NormalizeFiles;
  return JOB_KIND::EncodeFiles;
}

bool RunJobItems(JOB_KIND kind, CJob& job, const JOB_STEPS& steps) {
  const std::string& folder = job.options.outputFolder;
  switch (kind) {
    case JOB_KIND::ExtractEncode:
      if (job.options.encodeWhileReading && job.options.outputFormat != 1)
        return RunExtractEncodeWhileReading(job, steps);
      return RunExtractEncode(job, steps, job.options.outputFormat);
    case JOB_KIND::EncodeFiles:
      return RunFiles(job, [&](CJobItem& item) {
        job.report->ItemStart(ITEM_NEXT, item.sourceName, true);
        return steps.encode(job);
      });
    case JOB_KIND::DecodeFiles:
      return RunFiles(job, [&](CJobItem& item) {
        item.outputFolder = StripTrailingBackslashes(TrimRight(folder));
        item.outputPath = DecodeOutputPath(folder, item.sourceName);
        job.report->ItemStart(ITEM_NEXT, item.sourceName, true);
        return steps.decode(job, item.sourceName, item.outputPath);
      });
    case JOB_KIND::NormalizeFiles:
      return RunFiles(job, [&](CJobItem& item) {
        item.outputPath = item.sourceName;
        item.outputFolder = folder;
        job.report->ItemStart(ITEM_NEXT, item.sourceName, true);
        return steps.normalize(job);
      });
  }
  return false;
}

std::string FileOutputPath(const std::string& folder, const std::string& source, const std::string& extension) {
  // Windows takes a slash as a folder separator too; a name cut only at the
  // last backslash would carry the rest of the folder into the output path.
  size_t slash = source.find_last_of("\\/");
  std::string name = source.substr(slash == std::string::npos ? 0 : slash + 1);
  size_t dot = name.rfind('.');
  if (dot != std::string::npos) name.resize(dot);
  return StripTrailingBackslashes(TrimRight(folder)) + "\\" + name + extension;
}

std::string BackgroundEncodesText(uint32_t count) {
  if (count == 0) return "";
  return Format(count == 1 ? "Encoding %u track in the background" : "Encoding %u tracks in the background", count);
}

std::string ProgressPercentText(uint32_t tenths) { return Format("%u.%u%%", tenths / 10, tenths % 10); }

std::string MinutesSecondsText(uint32_t ms) { return Format("%02u:%02u", ms / 60000, (ms / 1000) % 60); }

bool EstimatedTotal(uint32_t elapsedMs, uint32_t tenths, uint32_t& estimateMs) {
  if (tenths == 0) return false;
  estimateMs = static_cast<uint32_t>(static_cast<uint64_t>(elapsedMs) * 1000 / tenths);
  return true;
}

std::string ItemTitle(const std::string& format, int current, int total, const std::string& text) {
  return Format(format.c_str(), current, total, text.c_str());
}

int CorrectThreadPriority(int setting) { return setting < 0 || setting > 4 ? 2 : setting; }

int ThreadPriorityDelta(int setting) { return CorrectThreadPriority(setting) - 2; }
