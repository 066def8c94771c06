#pragma once
// What the job steps read of the user's options. The main window fills one
// record from its settings when it starts a job and the job keeps that copy,
// so a worker never reads values the user-interface thread may be changing.
// Values keep the meaning, range and encoding of the registry values they
// come from (named after each field).
#include <cstdint>
#include <string>

inline constexpr size_t kReplacementCount = 10;

// How output files of CD tracks are named.
struct NAMING_OPTIONS {
  std::string rule;                             // "NamingRule"
  std::string replacements[kReplacementCount];  // "ReplaceStr01".."ReplaceStr10"
};

// How the encoder library is configured and the MP3 file finished.
struct ENCODING_OPTIONS {
  int32_t bitRate = 0;         // "BitRate", an index into the bit-rate list
  int32_t maxBitRate = 0;      // "MaxBitRate", the same
  int32_t mpegQuality = 0;     // "MPEGQuality"
  int32_t vbrQuality = 0;      // "VBRQuality"
  int32_t stereoMode = 0;      // "StereoMode"
  int32_t copyright = 0;       // "Copyright"
  int32_t original = 0;        // "Original"
  int32_t privateFlag = 0;     // "Private"
  int32_t enableVbr = 0;       // "EnableVBR"
  int32_t writeVbrHeader = 0;  // "WriteVBRHeader"
  int32_t enableId3 = 0;       // "EnableID3"
  int32_t id3v2 = 0;           // "ID3V2": an ID3v2.3 tag in front of each MP3
};

// How tracks are read from the drive.
struct EXTRACTION_OPTIONS {
  int32_t bufferSize = 0;     // "BufferSize", frames per read
  int32_t skipError = 0;      // "BoolSkipError"
  int32_t deleteSilence = 0;  // "DeleteSilence"; 1 trims the frame counts below
  int32_t leadingFrame = 0;   // "LeadingFrame"
  int32_t trailingFrame = 0;  // "TrailingFrame"
  int32_t secureRead = 0;     // "SecureRead": every block read twice until two reads agree
  int32_t retryTimes = 5;     // "RetryTimes": also the re-reads of a block whose reads differ
};

// Proving the rip and correcting the drive's read offset.
struct ACCURACY_OPTIONS {
  int32_t accurateRip = 0;     // "AccurateRip": look the disc up and log each track's verdict
  std::string accurateRipUrl;  // "AccurateRipURL", unless CANTARO_ACCURATERIP_URL names another
  int32_t readOffset = 0;      // samples; "ReadOffsets" value of the job's drive
};

struct JOB_OPTIONS {
  int32_t outputFormat = 0;    // "OutputFormat": 0 MP3, 1 WAV only, 2 both
  std::string outputFolder;    // the session output folder; ends with one backslash
  int32_t normalize = 0;       // "Normalize"
  int32_t normalizeRatio = 0;  // "NormalizeRatio", percent of full scale
  int32_t verifyMp3 = 0;       // "VerifyMP3": each MP3 is decoded back and compared with its WAV
  NAMING_OPTIONS naming;
  ENCODING_OPTIONS encoding;
  EXTRACTION_OPTIONS extraction;
  int32_t encodeWhileReading = 0;  // "EncodeWhileReading"
  uint32_t encoderThreads = 1;     // at most this many tracks encode at once (the processor cores)
  // The disc's cover picture without its extension (".jpg", then ".png",
  // is tried): "<CDDB cache folder>covers\<CDDB disc id>" for a CD job,
  // empty when there is no disc.
  std::string coverFileStem;
  ACCURACY_OPTIONS accuracy;
};
