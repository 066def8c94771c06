#pragma once
// The extraction step: copies the job's current CD track from the drive
// into a WAV file, the final one (named by the naming rule) or a temporary
// one that the encoding step reads and deletes.
#include "cdrom/drive_commands.h"
#include "jobs/job.h"

// 1 on success or after an abort (the job's cancelled flag tells which),
// 0 on failure. Reads the job's options. Never leaves a temporary file
// behind when it fails.
bool ExtractTrack(CJob& job, CDriveCommands& commands);

// Trims fixed frame counts at both ends, keeping at least 75 frames of a
// track that has them; a shorter track is left whole.
void TrimSilence(uint32_t& start, uint32_t& end, uint32_t leading, uint32_t trailing);

// Frames per read: "BufferSize" held to what one command can carry.
uint32_t FramesPerRead(int32_t bufferSize);
