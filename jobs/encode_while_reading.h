#pragma once
// The CD job with "encode while reading": the drive is read one track at a
// time in list order, as always, while the tracks already read are encoded
// on other threads, up to one per processor core. Each track's log lines
// stay in their order (reading, then encoding); the first failure stops the
// tracks after it, while the ones before it are finished; an abort stops
// everything and leaves only finished files.
#include "jobs/job.h"
#include "jobs/job_workers.h"

// The job's success, as the one-step-at-a-time runner returns it.
bool RunExtractEncodeWhileReading(CJob& job, const JOB_STEPS& steps);
