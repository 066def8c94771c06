#include <time.h>

#include "platform/clock.h"

uint32_t TickCount() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<uint32_t>(static_cast<uint64_t>(now.tv_sec) * 1000u +
                               static_cast<uint64_t>(now.tv_nsec) / 1000000u);
}

std::string LocalTimeStamp() {
  time_t now = time(nullptr);
  tm local;
  localtime_r(&now, &local);
  char text[32];
  strftime(text, sizeof(text), "%Y-%m-%d %H:%M:%S", &local);
  return text;
}
