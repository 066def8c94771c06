#include "jobs/mpeg/mpeg_tables.h"

// Built by the compiler: each cube root starts from its neighbour's, so the
// Newton steps are few.
constexpr std::array<float, kPow43Size> kPow43 = [] {
  std::array<float, kPow43Size> table{};
  double root = 1.0;
  for (int i = 1; i < kPow43Size; ++i) {
    root = mpeg_math::Cbrt(i, root);
    table[i] = static_cast<float>(i * root);
  }
  return table;
}();
