#pragma once
// Shared by the fuzz targets: a broken promise of an interface aborts, so
// that libFuzzer records the input as it does a memory error.
#include <cstdlib>

inline void FuzzCheck(bool condition) {
  if (!condition) std::abort();
}
