// The options a job copies from the settings when it starts.
#include <gtest/gtest.h>

#include "app/job_settings.h"

namespace {

// Every value differs from its first-run default and from the others, so a
// field filled from the wrong setting shows.
CAppSettings DistinctSettings() {
  CAppSettings s;
  s.OutputFormat = 2;
  s.sessionOutputFolder = "D:\\session\\";
  s.OutputFolder = "D:\\stored";
  s.Normalize = 1;
  s.NormalizeRatio = 71;
  s.NamingRule = "<artist>\\<title>";
  for (int i = 0; i < 10; ++i) s.ReplaceStr[i] = std::string(1, static_cast<char>('a' + i));
  s.BitRate = 3;
  s.MaxBitRate = 11;
  s.MPEGQuality = 5;
  s.VBRQuality = 7;
  s.StereoMode = 2;
  s.Copyright = 10;
  s.Original = 20;
  s.Private = 30;
  s.EnableVBR = 40;
  s.WriteVBRHeader = 50;
  s.EnableID3 = 60;
  s.BufferSize = 13;
  s.BoolSkipError = 80;
  s.DeleteSilence = 90;
  s.LeadingFrame = 17;
  s.TrailingFrame = 19;
  s.SecureRead = 3;
  s.RetryTimes = 23;
  s.VerifyMP3 = 4;
  s.AccurateRip = 29;
  s.AccurateRipURL = "http://ar.test/db";
  return s;
}

TEST(JobSettingsTest, EveryOptionComesFromItsSetting) {
  const JOB_OPTIONS o = JobOptionsFromSettings(DistinctSettings());
  EXPECT_EQ(o.outputFormat, 2);
  EXPECT_EQ(o.outputFolder, "D:\\session\\");  // the session folder, not the stored one
  EXPECT_EQ(o.normalize, 1);
  EXPECT_EQ(o.normalizeRatio, 71);
  EXPECT_EQ(o.naming.rule, "<artist>\\<title>");
  for (size_t i = 0; i < kReplacementCount; ++i)
    EXPECT_EQ(o.naming.replacements[i], std::string(1, static_cast<char>('a' + i))) << i;
  EXPECT_EQ(o.encoding.bitRate, 3);
  EXPECT_EQ(o.encoding.maxBitRate, 11);
  EXPECT_EQ(o.encoding.mpegQuality, 5);
  EXPECT_EQ(o.encoding.vbrQuality, 7);
  EXPECT_EQ(o.encoding.stereoMode, 2);
  EXPECT_EQ(o.encoding.copyright, 10);
  EXPECT_EQ(o.encoding.original, 20);
  EXPECT_EQ(o.encoding.privateFlag, 30);
  EXPECT_EQ(o.encoding.enableVbr, 40);
  EXPECT_EQ(o.encoding.writeVbrHeader, 50);
  EXPECT_EQ(o.encoding.enableId3, 60);
  EXPECT_EQ(o.extraction.bufferSize, 13);
  EXPECT_EQ(o.extraction.skipError, 80);
  EXPECT_EQ(o.extraction.deleteSilence, 90);
  EXPECT_EQ(o.extraction.leadingFrame, 17);
  EXPECT_EQ(o.extraction.trailingFrame, 19);
  EXPECT_EQ(o.extraction.secureRead, 3);
  EXPECT_EQ(o.extraction.retryTimes, 23);
  EXPECT_EQ(o.verifyMp3, 4);
  EXPECT_EQ(o.accuracy.accurateRip, 29);
  EXPECT_EQ(o.accuracy.accurateRipUrl, "http://ar.test/db");
  EXPECT_EQ(o.accuracy.readOffset, 0);  // the drive's, added by the launcher
}

TEST(JobSettingsTest, FirstRunSettingsGiveTheFirstRunOptions) {
  CAppSettings s;
  const JOB_OPTIONS o = JobOptionsFromSettings(s);
  EXPECT_EQ(o.outputFormat, 0);
  EXPECT_EQ(o.normalize, 0);
  EXPECT_EQ(o.normalizeRatio, 95);
  EXPECT_EQ(o.naming.rule, "<title>");
  EXPECT_EQ(o.naming.replacements[1], "&");
  EXPECT_EQ(o.naming.replacements[9], " ");
  EXPECT_EQ(o.encoding.bitRate, 8);
  EXPECT_EQ(o.encoding.maxBitRate, 13);
  EXPECT_EQ(o.encoding.enableId3, 1);
  EXPECT_EQ(o.encoding.enableVbr, 0);
  EXPECT_EQ(o.extraction.bufferSize, 26);
  EXPECT_EQ(o.extraction.skipError, 1);
  EXPECT_EQ(o.extraction.deleteSilence, 0);
  EXPECT_EQ(o.extraction.secureRead, 0);  // reads as they always were
  EXPECT_EQ(o.verifyMp3, 1);
}

}  // namespace
