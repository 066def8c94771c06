// The encoder library's configuration record as the program fills it,
// read back as raw bytes at the published offsets.
#include <gtest/gtest.h>

#include <cstring>

#include "app/job_settings.h"
#include "jobs/encoder_config.h"

namespace {

struct RawRecord {
  uint8_t bytes[kEncoderConfigBytes];

  uint32_t U32(size_t offset) const {
    return bytes[offset] | bytes[offset + 1] << 8 | bytes[offset + 2] << 16 | uint32_t(bytes[offset + 3]) << 24;
  }
  uint32_t U16(size_t offset) const { return bytes[offset] | bytes[offset + 1] << 8; }
  // True when every byte from `offset` to the end is zero.
  bool ZeroFrom(size_t offset) const {
    for (size_t i = offset; i < sizeof(bytes); ++i)
      if (bytes[i]) return false;
    return true;
  }
};

RawRecord Fill(int encoderIndex, const CAppSettings& settings) {
  BE_CONFIG config;
  memset(&config, 0xA5, sizeof(config));  // the fill must not leave any of this behind
  FillEncoderConfig(encoderIndex, JobOptionsFromSettings(settings).encoding, config);
  RawRecord raw;
  static_assert(sizeof(raw.bytes) == sizeof(config));
  memcpy(raw.bytes, &config, sizeof(config));
  return raw;
}

TEST(EncoderConfig, LameFormFromFirstRunSettings) {
  CAppSettings s;  // BitRate 8, MaxBitRate 13, MPEGQuality 2, VBRQuality 4, StereoMode 0, VBR off
  RawRecord r = Fill(1, s);
  EXPECT_EQ(r.U32(0), 256u);
  EXPECT_EQ(r.U32(4), 1u);
  EXPECT_EQ(r.U32(8), 331u);
  EXPECT_EQ(r.U32(12), 44100u);
  EXPECT_EQ(r.U32(16), 0u);
  EXPECT_EQ(r.U32(20), 0u);
  EXPECT_EQ(r.U32(24), 128u);
  EXPECT_EQ(r.U32(28), 320u);
  EXPECT_EQ(r.U32(32), 2u);
  EXPECT_EQ(r.U32(36), 1u);
  EXPECT_EQ(r.U32(40), 0u);
  EXPECT_EQ(r.U32(44), 0u);
  EXPECT_EQ(r.U32(48), 1u);  // Private
  EXPECT_EQ(r.U32(52), 0u);  // never a CRC
  EXPECT_EQ(r.U32(56), 1u);  // Copyright
  EXPECT_EQ(r.U32(60), 1u);  // Original
  EXPECT_EQ(r.U32(64), 0u);  // WriteVBRHeader is on, but VBR is off
  EXPECT_EQ(r.U32(68), 0u);
  EXPECT_EQ(r.U32(72), 4u);
  EXPECT_TRUE(r.ZeroFrom(76));
}

TEST(EncoderConfig, LameFormCarriesEverySettingAsItIs) {
  CAppSettings s;
  s.StereoMode = 1;
  s.BitRate = 0;
  s.MaxBitRate = 11;
  s.MPEGQuality = 3;
  s.EnableVBR = 1;
  s.WriteVBRHeader = 1;
  s.VBRQuality = 8;
  s.Private = 0;
  s.Copyright = 0;
  s.Original = 0;
  RawRecord r = Fill(1, s);
  EXPECT_EQ(r.U32(20), 2u);  // "Joint Stereo" is mode value 2
  EXPECT_EQ(r.U32(24), 32u);
  EXPECT_EQ(r.U32(28), 224u);
  EXPECT_EQ(r.U32(32), 3u);
  EXPECT_EQ(r.U32(48), 0u);
  EXPECT_EQ(r.U32(56), 0u);
  EXPECT_EQ(r.U32(60), 0u);
  EXPECT_EQ(r.U32(64), 1u);
  EXPECT_EQ(r.U32(68), 1u);
  EXPECT_EQ(r.U32(72), 8u);
  EXPECT_TRUE(r.ZeroFrom(76));

  s.WriteVBRHeader = 0;
  EXPECT_EQ(Fill(1, s).U32(64), 0u);
  s.StereoMode = 2;
  EXPECT_EQ(Fill(1, s).U32(20), 3u);
}

TEST(EncoderConfig, EveryBitRateIndex) {
  const uint32_t expected[14] = {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
  CAppSettings s;
  for (int i = 0; i < 14; ++i) {
    s.BitRate = i;
    s.MaxBitRate = 13 - i;
    RawRecord lame = Fill(1, s);
    EXPECT_EQ(lame.U32(24), expected[i]) << i;
    EXPECT_EQ(lame.U32(28), expected[13 - i]) << i;
    EXPECT_EQ(Fill(0, s).U16(9), expected[i]) << i;
  }
}

TEST(EncoderConfig, OutOfRangeIndicesFallBackInsteadOfReadingPastTheLists) {
  CAppSettings s;
  s.BitRate = 14;
  s.MaxBitRate = -1;
  s.StereoMode = -1;  // loading leaves negative values alone
  RawRecord r = Fill(1, s);
  EXPECT_EQ(r.U32(24), 128u);
  EXPECT_EQ(r.U32(28), 320u);
  EXPECT_EQ(r.U32(20), 0u);
  EXPECT_EQ(Fill(0, s).U16(9), 128u);
}

TEST(EncoderConfig, PlainFormForBladeEnc) {
  CAppSettings s;
  s.StereoMode = 1;
  s.BitRate = 10;
  s.Private = 1;
  s.Copyright = 0;
  s.Original = 1;
  s.EnableVBR = 1;  // the plain form has no VBR fields
  RawRecord r = Fill(0, s);
  EXPECT_EQ(r.U32(0), 0u);
  EXPECT_EQ(r.U32(4), 44100u);
  EXPECT_EQ(r.bytes[8], 2);
  EXPECT_EQ(r.U16(9), 192u);
  EXPECT_EQ(r.U32(11), 1u);
  EXPECT_EQ(r.U32(15), 0u);
  EXPECT_EQ(r.U32(19), 0u);
  EXPECT_EQ(r.U32(23), 1u);
  EXPECT_TRUE(r.ZeroFrom(27));
}

TEST(EncoderConfig, VersionRecordLayout) {
  uint8_t bytes[kEncoderVersionBytes] = {1, 32, 3, 100, 28, 9, 0xE6, 0x07, 'h', 't', 't', 'p'};
  BE_VERSION v;
  memcpy(&v, bytes, sizeof(v));
  EXPECT_EQ(v.byDLLMajorVersion, 1);
  EXPECT_EQ(v.byDLLMinorVersion, 32);
  EXPECT_EQ(v.byMajorVersion, 3);
  EXPECT_EQ(v.byMinorVersion, 100);
  EXPECT_EQ(v.byDay, 28);
  EXPECT_EQ(v.byMonth, 9);
  EXPECT_EQ(v.wYear, 2022);
  EXPECT_EQ(std::string(v.zHomepage, 4), "http");
}

}  // namespace
