// Bar lengths and the time left of a run.
#include "engine/ProgressMath.h"

int32_t BarLength(int32_t length, uint32_t total, uint32_t part) {
  if (length <= 0) return 0;
  if (part == total) return length;
  if (total == 0) return part == 0 ? 0 : length;
  int64_t bar = static_cast<int64_t>(static_cast<double>(length) / total * part) + 1;
  return bar > length ? length : static_cast<int32_t>(bar);
}

uint64_t TimeLeft(uint32_t found, uint32_t processed, uint64_t elapsed) {
  if (processed == 0 || processed >= found) return 0;
  // Split so that the product never leaves 64 bits while the result fits.
  uint64_t whole = elapsed / processed * found;
  uint64_t rest = elapsed % processed * found / processed;
  return whole + rest - elapsed;
}
