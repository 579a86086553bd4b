// Shrinking a strip of masked icons by area averaging.
#include "app/IconShrink.h"

#include <algorithm>

namespace {

// How much of target pixel `t` source pixel `s` covers, along one axis, in units where a
// source pixel is `to` long and a target pixel `from` long.
int64_t Overlap(int s, int t, int from, int to) {
  const int64_t start = std::max<int64_t>(int64_t(s) * to, int64_t(t) * from);
  const int64_t end = std::min<int64_t>(int64_t(s + 1) * to, int64_t(t + 1) * from);
  return std::max<int64_t>(0, end - start);
}

}  // namespace

std::vector<uint32_t> ShrinkIconStrip(const std::vector<uint32_t>& strip, int count, int from,
                                      int to, uint32_t transparent) {
  const int width = count * from, shrunkWidth = count * to;
  std::vector<uint32_t> shrunk(size_t(shrunkWidth) * to, transparent);
  if (to <= 0 || from < to || strip.size() < size_t(width) * from) return shrunk;
  const int64_t area = int64_t(from) * from;
  for (int icon = 0; icon < count; ++icon) {
    for (int ty = 0; ty < to; ++ty) {
      for (int tx = 0; tx < to; ++tx) {
        int64_t covered = 0, red = 0, green = 0, blue = 0;
        // The source pixels that reach into this one: from/to of them, plus a part.
        for (int sy = ty * from / to; sy <= ((ty + 1) * from - 1) / to; ++sy) {
          for (int sx = tx * from / to; sx <= ((tx + 1) * from - 1) / to; ++sx) {
            const uint32_t pixel = strip[size_t(sy) * width + icon * from + sx];
            if (pixel == transparent) continue;
            const int64_t weight = Overlap(sx, tx, from, to) * Overlap(sy, ty, from, to);
            covered += weight;
            red += weight * ((pixel >> 16) & 255);
            green += weight * ((pixel >> 8) & 255);
            blue += weight * (pixel & 255);
          }
        }
        if (covered * 2 < area) continue;
        uint32_t colour = uint32_t((red + covered / 2) / covered) << 16 |
                          uint32_t((green + covered / 2) / covered) << 8 |
                          uint32_t((blue + covered / 2) / covered);
        // Colours of opaque pixels may average to the transparent one; one step off keeps
        // the pixel in the icon.
        if (colour == transparent) colour ^= 1;
        shrunk[size_t(ty) * shrunkWidth + icon * to + tx] = colour;
      }
    }
  }
  return shrunk;
}
