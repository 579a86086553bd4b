// A small GIF writer for tests: every pixel is sent as a literal code, with a clear code
// well before the decoder's table fills.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

struct TestGifImage {
  int left = 0;
  int top = 0;
  int width = 1;
  int height = 1;
  std::vector<uint8_t> pixels;      // width x height, row-major, top-down
  std::vector<uint8_t> localTable;  // RGB triples; empty: none
  int localBits = 1;
  bool interlaced = false;
  int delay = -1;  // hundredths; with transparent >= 0 a control block is written
  int transparent = -1;
  int minCodeSize = -1;       // -1: max(2, table bits)
  std::vector<uint8_t> data;  // replaces the encoded codes when not empty
  bool noData = false;        // no data sub-block at all
};

// Codes of the given widths packed least significant bit first.
std::vector<uint8_t> PackCodes(const std::vector<std::pair<int, int>>& codesAndWidths);
std::vector<uint8_t> LiteralCodes(const std::vector<uint8_t>& pixels, int minCodeSize,
                                  bool clearInTime = true);
// globalTable empty: no global table (the decoder's grey ramp of 2^globalBits entries).
std::vector<uint8_t> EncodeGif(int width, int height, const std::vector<uint8_t>& globalTable,
                               int globalBits, const std::vector<TestGifImage>& images);
