#pragma once
// The encoding step: one CD-format WAV file through the encoder library
// into an MP3 file, with the ID3 version 1 tag and, for "LAME_ENC.DLL", the
// VBR header.
#include "jobs/encoder_library.h"
#include "jobs/job.h"

// Success, also after an abort (the job's cancelled flag tells). Reads the
// job's options. Calls nothing when no library is bound; a failed item
// leaves no partial MP3.
bool EncodeWaveToMp3(CJob& job, const CEncoderBinding& encoder);
