#include "tests/toolkit/GifEncoder.h"

#include <algorithm>

std::vector<uint8_t> PackCodes(const std::vector<std::pair<int, int>>& codesAndWidths) {
  std::vector<uint8_t> out;
  uint64_t bit = 0;
  for (const auto& [code, width] : codesAndWidths) {
    for (int i = 0; i < width; ++i, ++bit) {
      if (bit % 8 == 0) out.push_back(0);
      out.back() |= static_cast<uint8_t>(((code >> i) & 1) << (bit % 8));
    }
  }
  return out;
}

std::vector<uint8_t> LiteralCodes(const std::vector<uint8_t>& pixels, int minCodeSize,
                                  bool clearInTime) {
  const int clear = 1 << minCodeSize;
  std::vector<std::pair<int, int>> codes;
  int width = minCodeSize + 1;
  int nextFree = clear + 2;
  bool afterClear = true;
  codes.push_back({clear, width});
  for (uint8_t pixel : pixels) {
    codes.push_back({pixel, width});
    if (!afterClear && nextFree < 4096) {
      ++nextFree;
      if (nextFree == (1 << width) && width < 12) ++width;
    }
    afterClear = false;
    if (clearInTime && nextFree >= 4000) {
      codes.push_back({clear, width});
      width = minCodeSize + 1;
      nextFree = clear + 2;
      afterClear = true;
    }
  }
  codes.push_back({clear + 1, width});
  return PackCodes(codes);
}

namespace {

void Put16(std::vector<uint8_t>& out, int value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

int TableBits(size_t entries) {
  int bits = 1;
  while ((size_t(1) << bits) < entries) ++bits;
  return bits;
}

std::vector<uint8_t> InterlacedRows(const TestGifImage& image) {
  std::vector<uint8_t> out;
  const int start[4] = {0, 4, 2, 1};
  const int step[4] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass)
    for (int y = start[pass]; y < image.height; y += step[pass])
      out.insert(out.end(), image.pixels.begin() + size_t(y) * image.width,
                 image.pixels.begin() + size_t(y + 1) * image.width);
  return out;
}

}  // namespace

std::vector<uint8_t> EncodeGif(int width, int height, const std::vector<uint8_t>& globalTable,
                               int globalBits, const std::vector<TestGifImage>& images) {
  std::vector<uint8_t> out = {'G', 'I', 'F', '8', '9', 'a'};
  Put16(out, width);
  Put16(out, height);
  if (!globalTable.empty()) globalBits = TableBits(globalTable.size() / 3);
  out.push_back(static_cast<uint8_t>((globalTable.empty() ? 0 : 0x80) | (globalBits - 1)));
  out.push_back(0);
  out.push_back(0);
  if (!globalTable.empty()) {
    out.insert(out.end(), globalTable.begin(), globalTable.end());
    out.resize(out.size() + (3u << globalBits) - globalTable.size());
  }
  for (const TestGifImage& image : images) {
    if (image.delay >= 0 || image.transparent >= 0) {
      out.insert(out.end(), {0x21, 0xF9, 4});
      out.push_back(image.transparent >= 0 ? 1 : 0);
      Put16(out, std::max(0, image.delay));
      out.push_back(static_cast<uint8_t>(std::max(0, image.transparent)));
      out.push_back(0);
    }
    out.push_back(0x2C);
    Put16(out, image.left);
    Put16(out, image.top);
    Put16(out, image.width);
    Put16(out, image.height);
    int bits = image.localTable.empty() ? globalBits : image.localBits;
    out.push_back(static_cast<uint8_t>((image.localTable.empty() ? 0 : 0x80) |
                                       (image.interlaced ? 0x40 : 0) | (bits - 1)));
    if (!image.localTable.empty()) {
      out.insert(out.end(), image.localTable.begin(), image.localTable.end());
      out.resize(out.size() + (3u << bits) - image.localTable.size());
    }
    int minCodeSize = image.minCodeSize >= 0 ? image.minCodeSize : std::max(2, bits);
    out.push_back(static_cast<uint8_t>(minCodeSize));
    std::vector<uint8_t> data =
        image.noData ? std::vector<uint8_t>()
        : !image.data.empty()
            ? image.data
            : LiteralCodes(image.interlaced ? InterlacedRows(image) : image.pixels, minCodeSize);
    for (size_t at = 0; at < data.size(); at += 255) {
      size_t n = std::min<size_t>(255, data.size() - at);
      out.push_back(static_cast<uint8_t>(n));
      out.insert(out.end(), data.begin() + at, data.begin() + at + n);
    }
    out.push_back(0);
  }
  out.push_back(0x3B);
  return out;
}
