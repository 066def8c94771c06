// Run-time texts that portable code formats itself. The string table of
// CantaroMaker.rc takes them from here under their numbers, so each text
// is written once.
#pragma once

#define STR_ENCODING "(%s) Encoding %s ..."
#define STR_ENCODER_INIT_FAILED "(%s) Error: Error initialize mp3 encoder!"
#define STR_OUT_OF_MEMORY "(%s) Error: Out of memory!"
#define STR_CANT_OPEN_FILE "(%s) Error: can't open file %s!"
#define STR_NO_DISK_SPACE "(%s) Error: Not enough free disk space at disk: %s!"
#define STR_USER_CANCELED "(%s) User canceled the operation."
#define STR_ENCODE_CHUNK_FAILED "(%s) Error: Encoder function beEncodeChunk() failed!"
#define STR_DEINIT_FAILED "(%s) Error: Encoder function beDeinitStream() failed!"
#define STR_FILE_ERROR_CAUSE "File operation error, error cause:%s"
#define STR_ERROR_LINE "(%s) Error: %s!\n"
#define STR_ENCODING_OK "(%s) Encoding %s OK!"
#define STR_CANT_OPEN_TEMP "(%s) Error: Cannot open temporary file %s!"
#define STR_EXTRACTING "(%s) Extracting %s ..."
#define STR_EXTRACTING_OK "(%s) Extracting %s OK!"

// Lines built in code, with the time stamp in square brackets.
#define LINE_CANT_OPEN_FILE "[%s] Error: Can't open file %s!"
#define LINE_CANT_READ_FILE "[%s] Error: Can't read file %s!"
#define LINE_UNSUPPORTED_WAVE "[%s] Error: Can't support this wave format of file %s!"
#define STR_TEMPORARY_WAVE "Temporary Wave File"

// The decoding step's lines.
#define LINE_DECODE_FILE "[%s] Decode file %s"
#define LINE_CANT_OPEN_INPUT "[%s] Can't open input files %s"
#define LINE_CANT_ALLOC_INPUT "[%s] Can't allocate buffer while decoding."
#define LINE_DECODE_READ_ERROR "[%s] File read error while decoding."
#define LINE_BAD_MPEG_FILE "[%s] Bad or unsupported MPEG file."
#define LINE_CANT_OPEN_OUTPUT "[%s] Can't open output file %s."
#define LINE_CANT_ALLOC_PCM "[%s] Can't allocate PCM buffer."
#define LINE_DECODER_INIT_FAILED "[%s] Decoder initialization fail."
#define LINE_FILE_WRITE_ERROR "[%s] File write error."
#define LINE_BAD_SYNC "[%s] Bad Sync. in MPEG file."
#define LINE_DECODE_CANCELED "[%s] User canceled."
#define LINE_DECODE_OK "[%s] Decode MPEG file OK!"

// The program's home page, behind Help and the submission window's link.
#define URL_HOME_PAGE "http://www.cantaromaker.com/"
