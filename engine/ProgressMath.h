// The arithmetic of the progress graphic and panel: bar lengths and the time left.
// Neutral header; any thread.
#pragma once

#include <cstdint>

// Length of a bar for `part` of `total` on a scale of `length` pixels: the whole length
// when part equals total (also when both are 0), else length / total * part + 1, kept
// within 0..length.
int32_t BarLength(int32_t length, uint32_t total, uint32_t part);

// Time left of a run: found * elapsed / processed - elapsed, 0 when nothing is processed
// yet or when more was processed than found.
uint64_t TimeLeft(uint32_t found, uint32_t processed, uint64_t elapsed);
