#include "app/job_settings.h"

#include <algorithm>
#include <thread>

namespace {

static_assert(sizeof(CAppSettings::ReplaceStr) / sizeof(std::string) == kReplacementCount);

NAMING_OPTIONS NamingOptions(const CAppSettings& s) {
  NAMING_OPTIONS naming;
  naming.rule = s.NamingRule;
  for (size_t i = 0; i < kReplacementCount; ++i) naming.replacements[i] = s.ReplaceStr[i];
  return naming;
}

ENCODING_OPTIONS EncodingOptions(const CAppSettings& s) {
  ENCODING_OPTIONS encoding;
  encoding.bitRate = s.BitRate;
  encoding.maxBitRate = s.MaxBitRate;
  encoding.mpegQuality = s.MPEGQuality;
  encoding.vbrQuality = s.VBRQuality;
  encoding.stereoMode = s.StereoMode;
  encoding.copyright = s.Copyright;
  encoding.original = s.Original;
  encoding.privateFlag = s.Private;
  encoding.enableVbr = s.EnableVBR;
  encoding.writeVbrHeader = s.WriteVBRHeader;
  encoding.enableId3 = s.EnableID3;
  encoding.id3v2 = s.ID3V2;
  return encoding;
}

EXTRACTION_OPTIONS ExtractionOptions(const CAppSettings& s) {
  EXTRACTION_OPTIONS extraction;
  extraction.bufferSize = s.BufferSize;
  extraction.skipError = s.BoolSkipError;
  extraction.deleteSilence = s.DeleteSilence;
  extraction.leadingFrame = s.LeadingFrame;
  extraction.trailingFrame = s.TrailingFrame;
  extraction.secureRead = s.SecureRead;
  extraction.retryTimes = s.RetryTimes;
  return extraction;
}

ACCURACY_OPTIONS AccuracyOptions(const CAppSettings& s) {
  ACCURACY_OPTIONS accuracy;
  accuracy.accurateRip = s.AccurateRip;
  accuracy.accurateRipUrl = s.AccurateRipURL;
  return accuracy;
}

}  // namespace

JOB_OPTIONS JobOptionsFromSettings(const CAppSettings& settings) {
  JOB_OPTIONS options;
  options.outputFormat = settings.OutputFormat;
  options.outputFolder = settings.sessionOutputFolder;
  options.normalize = settings.Normalize;
  options.normalizeRatio = settings.NormalizeRatio;
  options.verifyMp3 = settings.VerifyMP3;
  options.naming = NamingOptions(settings);
  options.encoding = EncodingOptions(settings);
  options.extraction = ExtractionOptions(settings);
  // The read offset belongs to the job's drive: the launcher adds it.
  options.accuracy = AccuracyOptions(settings);
  options.encodeWhileReading = settings.EncodeWhileReading;
  options.encoderThreads = std::max(1u, std::thread::hardware_concurrency());
  return options;
}
