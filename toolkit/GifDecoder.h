// GIF87a/89a pictures decoded into frames of palette indexes that the platform can draw
// as 8-bit top-down bitmaps. Neutral header; pure functions, callable on any thread. The
// input may be anything: bad or cut data yields fewer frames, never a read outside it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct GifFrame {
  int width = 0;
  int height = 0;
  int bits = 0;      // of the colour table, 1..8
  int rowBytes = 0;  // width rounded up to a multiple of 4
  // One palette index per pixel, rows top-down, each rowBytes long.
  std::vector<uint8_t> pixels;
  // 2^bits entries of red, green, blue.
  std::vector<uint8_t> palette;
  int transparent = -1;
  int left = 0;
  int top = 0;
  int delayMs = 0;
};

struct GifPicture {
  int width = 0;
  int height = 0;
  int repeat = 0;  // 0: forever
  std::vector<GifFrame> frames;
};

// The pixels of all frames of a picture together; frames past it are dropped.
constexpr uint64_t kGifMaxPicturePixels = 64u * 1024 * 1024;

// Appends the frames of `data` to `picture` and answers how many it holds; 0 when the data
// is no GIF. The transparent entry of each frame's table takes `transparentColour`
// (0x00BBGGRR).
int DecodeGif(const uint8_t* data, size_t size, uint32_t transparentColour, GifPicture* picture);
