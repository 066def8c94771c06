#pragma once
// The clock seam: a millisecond tick count and the local time stamp that
// starts every log line.
#include <cstdint>
#include <string>

uint32_t TickCount();
// Local time as "%Y-%m-%d %H:%M:%S".
std::string LocalTimeStamp();
