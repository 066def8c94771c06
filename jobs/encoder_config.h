#pragma once
// The records of the encoder library's programming interface, byte for byte
// as the library reads and writes them, and how the encoding step fills the
// configuration record from its options.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "jobs/job_options.h"

inline constexpr uint32_t BE_CONFIG_MP3 = 0;     // the plain form, for "BLADEENC.DLL"
inline constexpr uint32_t BE_CONFIG_LAME = 256;  // the extended form, for "LAME_ENC.DLL"
inline constexpr uint32_t kEncoderConfigBytes = 331;
inline constexpr uint32_t kEncoderVersionBytes = 265;

#pragma pack(push, 1)
struct BE_CONFIG_MP3_FORM {
  uint32_t dwSampleRate;
  uint8_t byMode;
  uint16_t wBitrate;  // kbit/s
  int32_t bPrivate;
  int32_t bCRC;
  int32_t bCopyright;
  int32_t bOriginal;
};

struct BE_CONFIG_LHV1_FORM {
  uint32_t dwStructVersion;
  uint32_t dwStructSize;
  uint32_t dwSampleRate;
  uint32_t dwReSampleRate;  // 0: the library decides
  int32_t nMode;
  uint32_t dwBitrate;     // kbit/s; the minimum when VBR is on
  uint32_t dwMaxBitrate;  // kbit/s
  int32_t nPreset;
  uint32_t dwMpegVersion;
  uint32_t dwPsyModel;
  uint32_t dwEmphasis;
  int32_t bPrivate;
  int32_t bCRC;
  int32_t bCopyright;
  int32_t bOriginal;
  int32_t bWriteVBRHeader;
  int32_t bEnableVBR;
  int32_t nVBRQuality;
  // The library's further options; all zero selects its defaults.
  uint8_t btReserved[255];
};

struct BE_CONFIG {
  uint32_t dwConfig;
  union {
    BE_CONFIG_MP3_FORM mp3;
    BE_CONFIG_LHV1_FORM LHV1;
  } format;
};

struct BE_VERSION {
  uint8_t byDLLMajorVersion;
  uint8_t byDLLMinorVersion;
  uint8_t byMajorVersion;  // the engine's
  uint8_t byMinorVersion;
  uint8_t byDay;
  uint8_t byMonth;
  uint16_t wYear;
  char zHomepage[257];
};
#pragma pack(pop)

static_assert(sizeof(BE_CONFIG) == kEncoderConfigBytes);
static_assert(offsetof(BE_CONFIG, format.mp3.dwSampleRate) == 4);
static_assert(offsetof(BE_CONFIG, format.mp3.byMode) == 8);
static_assert(offsetof(BE_CONFIG, format.mp3.wBitrate) == 9);
static_assert(offsetof(BE_CONFIG, format.mp3.bPrivate) == 11);
static_assert(offsetof(BE_CONFIG, format.mp3.bCRC) == 15);
static_assert(offsetof(BE_CONFIG, format.mp3.bCopyright) == 19);
static_assert(offsetof(BE_CONFIG, format.mp3.bOriginal) == 23);
static_assert(offsetof(BE_CONFIG, format.LHV1.dwStructVersion) == 4);
static_assert(offsetof(BE_CONFIG, format.LHV1.dwStructSize) == 8);
static_assert(offsetof(BE_CONFIG, format.LHV1.dwSampleRate) == 12);
static_assert(offsetof(BE_CONFIG, format.LHV1.dwReSampleRate) == 16);
static_assert(offsetof(BE_CONFIG, format.LHV1.nMode) == 20);
static_assert(offsetof(BE_CONFIG, format.LHV1.dwBitrate) == 24);
static_assert(offsetof(BE_CONFIG, format.LHV1.dwMaxBitrate) == 28);
static_assert(offsetof(BE_CONFIG, format.LHV1.nPreset) == 32);
static_assert(offsetof(BE_CONFIG, format.LHV1.dwMpegVersion) == 36);
static_assert(offsetof(BE_CONFIG, format.LHV1.dwPsyModel) == 40);
static_assert(offsetof(BE_CONFIG, format.LHV1.dwEmphasis) == 44);
static_assert(offsetof(BE_CONFIG, format.LHV1.bPrivate) == 48);
static_assert(offsetof(BE_CONFIG, format.LHV1.bCRC) == 52);
static_assert(offsetof(BE_CONFIG, format.LHV1.bCopyright) == 56);
static_assert(offsetof(BE_CONFIG, format.LHV1.bOriginal) == 60);
static_assert(offsetof(BE_CONFIG, format.LHV1.bWriteVBRHeader) == 64);
static_assert(offsetof(BE_CONFIG, format.LHV1.bEnableVBR) == 68);
static_assert(offsetof(BE_CONFIG, format.LHV1.nVBRQuality) == 72);
static_assert(offsetof(BE_CONFIG, format.LHV1.btReserved) == 76);
static_assert(sizeof(BE_VERSION) == kEncoderVersionBytes);
static_assert(offsetof(BE_VERSION, wYear) == 6);
static_assert(offsetof(BE_VERSION, zHomepage) == 8);

// Indexed by "BitRate" and "MaxBitRate".
inline constexpr uint32_t kEncoderBitRates[14] = {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
// Indexed by "StereoMode": "Stereo", "Joint Stereo" (mode value 2, not 1), 3.
inline constexpr int32_t kEncoderChannelModes[3] = {0, 2, 3};

// Loading corrects the settings into range; values set elsewhere fall back
// to the same defaults rather than reading past the lists.
inline uint32_t EncoderBitRate(int32_t index, uint32_t fallback) {
  return index >= 0 && index < 14 ? kEncoderBitRates[index] : fallback;
}
inline int32_t EncoderChannelMode(int32_t stereoMode) {
  return stereoMode >= 0 && stereoMode < 3 ? kEncoderChannelModes[stereoMode] : 0;
}

// Fills the record for library `encoderIndex` (0 "BLADEENC.DLL", 1
// "LAME_ENC.DLL") from the options, zero-filled first.
inline void FillEncoderConfig(int encoderIndex, const ENCODING_OPTIONS& s, BE_CONFIG& config) {
  memset(&config, 0, sizeof(config));
  if (encoderIndex == 0) {
    config.dwConfig = BE_CONFIG_MP3;
    BE_CONFIG_MP3_FORM& c = config.format.mp3;
    c.dwSampleRate = 44100;
    c.byMode = static_cast<uint8_t>(EncoderChannelMode(s.stereoMode));
    c.wBitrate = static_cast<uint16_t>(EncoderBitRate(s.bitRate, 128));
    c.bPrivate = s.privateFlag;
    c.bCRC = 0;
    c.bCopyright = s.copyright;
    c.bOriginal = s.original;
    return;
  }
  config.dwConfig = BE_CONFIG_LAME;
  BE_CONFIG_LHV1_FORM& c = config.format.LHV1;
  c.dwStructVersion = 1;
  c.dwStructSize = kEncoderConfigBytes;
  c.dwSampleRate = 44100;
  c.dwReSampleRate = 0;
  c.nMode = EncoderChannelMode(s.stereoMode);
  c.dwBitrate = EncoderBitRate(s.bitRate, 128);
  c.dwMaxBitrate = EncoderBitRate(s.maxBitRate, 320);
  c.nPreset = s.mpegQuality;
  c.dwMpegVersion = 1;
  c.dwPsyModel = 0;
  c.dwEmphasis = 0;
  c.bPrivate = s.privateFlag;
  c.bCRC = 0;
  c.bCopyright = s.copyright;
  c.bOriginal = s.original;
  c.bWriteVBRHeader = s.enableVbr && s.writeVbrHeader ? 1 : 0;
  c.bEnableVBR = s.enableVbr;
  c.nVBRQuality = s.vbrQuality;
}
