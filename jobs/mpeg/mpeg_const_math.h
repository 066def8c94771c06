#pragma once
// Compile-time arithmetic for the decoder's coefficient tables, so that every
// table is constant data and initialisation computes nothing. Double
// precision; accurate to a few units in the last place over the small
// arguments the tables use.

namespace mpeg_math {

inline constexpr double kPi = 3.14159265358979323846264338327950288;

constexpr double Cos(double x) {
  // Bring x into [-pi, pi], where the series converges quickly.
  const double turns = x / (2.0 * kPi);
  const long long whole = static_cast<long long>(turns >= 0 ? turns + 0.5 : turns - 0.5);
  x -= static_cast<double>(whole) * 2.0 * kPi;
  double term = 1.0;
  double sum = 1.0;
  for (int i = 1; i < 40; ++i) {
    term *= -x * x / ((2.0 * i - 1.0) * (2.0 * i));
    sum += term;
  }
  return sum;
}

constexpr double Sin(double x) { return Cos(x - kPi / 2.0); }

constexpr double Sqrt(double x) {
  if (x <= 0.0) return 0.0;
  double r = x > 1.0 ? x : 1.0;
  for (int i = 0; i < 200; ++i) {
    const double next = 0.5 * (r + x / r);
    if (next == r) break;
    r = next;
  }
  return r;
}

// Cube root of a non-negative number, by Newton's method from `guess`.
constexpr double Cbrt(double x, double guess = 1.0) {
  if (x <= 0.0) return 0.0;
  double r = guess > 0.0 ? guess : 1.0;
  for (int i = 0; i < 200; ++i) {
    const double next = r - (r * r * r - x) / (3.0 * r * r);
    if (next == r || (next - r < 1e-15 * r && r - next < 1e-15 * r)) return next;
    r = next;
  }
  return r;
}

// 2 raised to an integer power.
constexpr double Exp2(int n) {
  double r = 1.0;
  for (; n > 0; --n) r *= 2.0;
  for (; n < 0; ++n) r *= 0.5;
  return r;
}

}  // namespace mpeg_math
