#pragma once
// The options a job copies when it starts, taken from the settings.
#include "app/settings.h"
#include "jobs/job_options.h"

// Every value a job step reads, with the session output folder as the
// folder the job writes to.
JOB_OPTIONS JobOptionsFromSettings(const CAppSettings& settings);
