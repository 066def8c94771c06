// The frame-header unit of the decoder: what a header's fields imply.
#include "jobs/mpeg/mpeg_frame_header.h"

#include <gtest/gtest.h>

namespace {

TEST(MpegFrequencyLimitTest, SubbandCountForLimit) {
  // The job's 24 kHz keeps every subband the synthesis uses.
  EXPECT_EQ(32, MpegSubbandLimit(24000, 44100, 0));
  EXPECT_EQ(32, MpegSubbandLimit(24000, 48000, 0));
  EXPECT_EQ(32, MpegSubbandLimit(24000, 16000, 0));
  EXPECT_EQ(16, MpegSubbandLimit(24000, 44100, 1));
  EXPECT_EQ(8, MpegSubbandLimit(24000, 44100, 2));
  // 4 kHz at 44.1 kHz rounds to subband 6 (4.13 to 4.82 kHz).
  EXPECT_EQ(7, MpegSubbandLimit(4000, 44100, 0));
  EXPECT_EQ(2, MpegSubbandLimit(0, 44100, 0));  // as 1000 Hz
  EXPECT_EQ(32, MpegSubbandLimit(2147483647, 8000, 0));
}

}  // namespace
