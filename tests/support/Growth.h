// How a cost grows with its input, for the tests that tell linear work from quadratic work.
#pragma once

#include <algorithm>
#include <chrono>

// Seconds since `start`.
inline double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The best of `runs` timings of `longer` over the best of `runs` of `shorter`; each callable
// returns the seconds of the work it measures, leaving its set-up out. The two take turns, so
// a busy spell of a shared machine slows both sizes rather than only one. (Not "small": the
// Windows headers define it.)
template <typename Shorter, typename Longer>
double GrowthRatio(Shorter shorter, Longer longer, int runs = 5) {
  double best[2] = {1e300, 1e300};
  for (int run = 0; run < runs; ++run) {
    best[0] = std::min(best[0], shorter());
    best[1] = std::min(best[1], longer());
  }
  return best[1] / best[0];
}
