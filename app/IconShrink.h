// A strip of square icons, each drawn smaller by averaging the area it covers, for icons
// that must fit a smaller place than they were drawn for.
// Neutral header; a pure function, any thread.
#pragma once

#include <cstdint>
#include <vector>

// `strip` holds `count` icons of `from` x `from` pixels side by side, row by row, as
// 0x00RRGGBB; pixels equal to `transparent` are not part of an icon. Answers the same icons
// at `to` x `to` (to <= from) in the same layout. A pixel is opaque when opaque pixels cover
// at least half its area, and then has their average colour (never `transparent` itself);
// the rest are `transparent`.
std::vector<uint32_t> ShrinkIconStrip(const std::vector<uint32_t>& strip, int count, int from,
                                      int to, uint32_t transparent);
