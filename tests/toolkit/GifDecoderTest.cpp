#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <random>

#include "tests/toolkit/GifEncoder.h"
#include "toolkit/GifDecoder.h"

namespace {

constexpr uint32_t kFace = 0x00C0B0A0;  // 0x00BBGGRR

GifPicture Decode(const std::vector<uint8_t>& bytes) {
  GifPicture picture;
  DecodeGif(bytes.data(), bytes.size(), kFace, &picture);
  return picture;
}

int PixelOf(const GifFrame& frame, int x, int y) {
  return frame.pixels[size_t(y) * frame.rowBytes + x];
}

TestGifImage Image(int width, int height, int left = 0, int top = 0) {
  TestGifImage image;
  image.left = left;
  image.top = top;
  image.width = width;
  image.height = height;
  for (int i = 0; i < width * height; ++i) image.pixels.push_back(static_cast<uint8_t>(i % 4));
  return image;
}

const std::vector<uint8_t> kFourColours = {255, 0, 0, 0, 255, 0, 0, 0, 255, 9, 9, 9};

TEST(GifDecoder, FramesKeepDelaysOffsetsPixelsAndTheGlobalTable) {
  TestGifImage first = Image(3, 2);
  first.delay = 0;
  TestGifImage second = Image(5, 3, 4, 7);
  second.delay = 5;
  GifPicture picture = Decode(EncodeGif(20, 10, kFourColours, 2, {first, second}));
  EXPECT_EQ(20, picture.width);
  EXPECT_EQ(10, picture.height);
  EXPECT_EQ(0, picture.repeat);
  ASSERT_EQ(2u, picture.frames.size());
  EXPECT_EQ(0, picture.frames[0].delayMs);
  EXPECT_EQ(50, picture.frames[1].delayMs);
  const GifFrame& frame = picture.frames[1];
  EXPECT_EQ(4, frame.left);
  EXPECT_EQ(7, frame.top);
  EXPECT_EQ(8, frame.rowBytes);
  EXPECT_EQ(24u, frame.pixels.size());
  EXPECT_EQ(2, frame.bits);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ((y * 5 + x) % 4, PixelOf(frame, x, y));
  EXPECT_EQ(std::vector<uint8_t>(kFourColours), frame.palette);
  EXPECT_EQ(-1, frame.transparent);
}

TEST(GifDecoder, GreyRampWithoutGlobalTableAndLocalTablesWhenGiven) {
  TestGifImage local = Image(2, 2);
  local.localTable = {1, 2, 3, 4, 5, 6};
  local.localBits = 1;
  local.pixels = {0, 1, 1, 0};
  GifPicture picture = Decode(EncodeGif(2, 2, {}, 3, {Image(2, 2), local}));
  ASSERT_EQ(2u, picture.frames.size());
  const std::vector<uint8_t>& ramp = picture.frames[0].palette;
  ASSERT_EQ(24u, ramp.size());
  for (int j = 0; j < 8; ++j)
    EXPECT_EQ(std::vector<uint8_t>(3, uint8_t(j)),
              std::vector<uint8_t>(ramp.begin() + j * 3, ramp.begin() + j * 3 + 3));
  EXPECT_EQ(local.localTable, picture.frames[1].palette);
  EXPECT_EQ(1, PixelOf(picture.frames[1], 1, 0));
}

TEST(GifDecoder, InterlacedRowsAreEachWrittenOnce) {
  for (int height : {1, 2, 3, 5, 8, 9, 17}) {
    TestGifImage image = Image(3, height);
    image.interlaced = true;
    image.pixels.clear();
    for (int y = 0; y < height; ++y) image.pixels.insert(image.pixels.end(), 3, uint8_t(y + 1));
    std::vector<uint8_t> table(3 * 256, 7);
    GifPicture picture = Decode(EncodeGif(3, height, table, 8, {image}));
    ASSERT_EQ(1u, picture.frames.size()) << height;
    for (int y = 0; y < height; ++y) EXPECT_EQ(y + 1, PixelOf(picture.frames[0], 2, y)) << height;
  }
}

TEST(GifDecoder, TransparentEntryTakesTheColourOnlyInsideTheTable) {
  TestGifImage inside = Image(2, 1);
  inside.transparent = 2;
  TestGifImage outside = Image(2, 1);
  outside.transparent = 200;
  outside.localTable = {1, 2, 3, 4, 5, 6};
  GifPicture picture = Decode(EncodeGif(2, 1, kFourColours, 2, {inside, outside}));
  ASSERT_EQ(2u, picture.frames.size());
  EXPECT_EQ(2, picture.frames[0].transparent);
  EXPECT_EQ((std::vector<uint8_t>{0xA0, 0xB0, 0xC0}),
            std::vector<uint8_t>(picture.frames[0].palette.begin() + 6,
                                 picture.frames[0].palette.begin() + 9));
  EXPECT_EQ(outside.localTable, picture.frames[1].palette);
}

TEST(GifDecoder, HostileFramesAreDroppedAndTheRestDecodes) {
  struct Row {
    const char* what;
    TestGifImage image;
  };
  std::vector<Row> rows;
  auto add = [&](const char* what, auto change) {
    TestGifImage image = Image(3, 1);
    change(image);
    rows.push_back({what, image});
  };
  add("65535 x 65535", [](TestGifImage& i) { i.width = i.height = 65535; });
  add("width 0", [](TestGifImage& i) { i.width = 0; });
  for (int size : {0, 9, 12, 31})
    add("code size", [size](TestGifImage& i) {
      i.minCodeSize = size;
      i.data = {0xFF, 0xFF, 0xFF};
    });
  add("code above next free", [](TestGifImage& i) {
    i.data = PackCodes({{4, 3}, {1, 3}, {7, 3}});
  });
  add("table code first", [](TestGifImage& i) { i.data = PackCodes({{4, 3}, {6, 3}}); });
  add("no image data", [](TestGifImage& i) { i.noData = true; });
  for (const Row& row : rows) {
    GifPicture picture = Decode(EncodeGif(3, 1, kFourColours, 2, {row.image, Image(3, 1)}));
    ASSERT_EQ(1u, picture.frames.size()) << row.what;
    EXPECT_EQ(2, PixelOf(picture.frames[0], 2, 0)) << row.what;
  }
}

TEST(GifDecoder, OddButLegalCodesDecode) {
  TestGifImage repeated = Image(4, 1);
  // clear, 1, then the code being defined (1 1), then a literal past a 2-entry table.
  repeated.data = PackCodes({{4, 3}, {1, 3}, {6, 3}, {3, 3}, {5, 3}});
  repeated.localTable = {1, 2, 3, 4, 5, 6};
  repeated.minCodeSize = 2;
  TestGifImage cut = Image(4, 2);
  cut.data = PackCodes({{4, 3}, {1, 3}, {2, 3}});
  GifPicture picture = Decode(EncodeGif(4, 2, kFourColours, 2, {repeated, cut}));
  ASSERT_EQ(2u, picture.frames.size());
  EXPECT_EQ(
      (std::vector<uint8_t>{1, 1, 1, 0}),
      std::vector<uint8_t>(picture.frames[0].pixels.begin(), picture.frames[0].pixels.begin() + 4));
  EXPECT_EQ(1, PixelOf(picture.frames[1], 0, 0));
  EXPECT_EQ(2, PixelOf(picture.frames[1], 1, 0));
  EXPECT_EQ(0, PixelOf(picture.frames[1], 3, 1)) << "codes ran out: the rest stays 0";
}

// GIF89a lets an encoder go on with a full table: codes keep their 12 bits and add nothing.
TEST(GifDecoder, FullTableGoesOnWithoutNewEntries) {
  TestGifImage image = Image(100, 50);
  image.data = LiteralCodes(image.pixels, 2, false);
  GifPicture picture = Decode(EncodeGif(100, 50, kFourColours, 2, {image}));
  ASSERT_EQ(1u, picture.frames.size());
  for (int y : {0, 40, 49}) {
    for (int x : {0, 57, 99}) {
      EXPECT_EQ(image.pixels[size_t(y) * 100 + x], PixelOf(picture.frames[0], x, y))
          << x << "," << y;
    }
  }
}

// Frames without image data cost nothing, and all frames together stay under one budget.
TEST(GifDecoder, PicturePixelsHaveOneLimit) {
  TestGifImage empty = Image(4096, 4096);
  empty.pixels.clear();
  empty.noData = true;
  TestGifImage blank = empty;
  blank.noData = false;
  blank.data = PackCodes({{4, 3}, {5, 3}});
  std::vector<TestGifImage> images(20, empty);
  images.push_back(Image(3, 1));
  GifPicture picture = Decode(EncodeGif(4096, 4096, kFourColours, 2, images));
  ASSERT_EQ(1u, picture.frames.size());
  EXPECT_EQ(3, picture.frames[0].width);

  const int fit = static_cast<int>(kGifMaxPicturePixels / (4096u * 4096u));
  images.assign(fit + 3, blank);
  images.push_back(Image(3, 1));
  picture = Decode(EncodeGif(4096, 4096, kFourColours, 2, images));
  ASSERT_EQ(static_cast<size_t>(fit), picture.frames.size());
  EXPECT_EQ(4096, picture.frames.back().width);
}

TEST(GifDecoder, ControlBlocksAreReadByTheirOwnSize) {
  TestGifImage image = Image(3, 1);
  std::vector<uint8_t> bytes = EncodeGif(3, 1, kFourColours, 2, {image});
  std::vector<uint8_t> longBlock = {0x21, 0xF9, 10, 0, 7, 0, 0, 1, 2, 3, 4, 5, 6, 3, 1, 2, 3, 0};
  std::vector<uint8_t> emptyBlock = {0x21, 0xF9, 0};
  const size_t image0 = 6 + 7 + 12;  // header, screen, four colours
  bytes.insert(bytes.begin() + image0, emptyBlock.begin(), emptyBlock.end());
  bytes.insert(bytes.begin() + image0 + emptyBlock.size(), longBlock.begin(), longBlock.end());
  GifPicture picture = Decode(bytes);
  ASSERT_EQ(1u, picture.frames.size());
  EXPECT_EQ(70, picture.frames[0].delayMs);
}

TEST(GifDecoder, NotAGifAndEveryTruncationStayInside) {
  GifPicture none;
  const uint8_t gif[] = {'G', 'I', 'X', '8', '9', 'a'};
  EXPECT_EQ(0, DecodeGif(gif, sizeof(gif), kFace, &none));
  EXPECT_EQ(0, DecodeGif(nullptr, 0, kFace, &none));
  TestGifImage interlaced = Image(7, 9, 1, 1);
  interlaced.interlaced = true;
  TestGifImage second = Image(4, 4);
  second.transparent = 1;
  second.delay = 3;
  std::vector<uint8_t> bytes = EncodeGif(9, 10, kFourColours, 2, {interlaced, second});
  for (size_t n = 0; n <= bytes.size(); ++n) {
    std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + n);
    GifPicture picture;
    EXPECT_LE(DecodeGif(cut.data(), cut.size(), kFace, &picture), 2) << n;
  }
}

double FuzzSeconds() {
  const char* value = std::getenv("TL_FUZZ_SECONDS");
  return value ? std::atof(value) : 1.5;
}

TEST(GifFuzz, MutatedPicturesDecodeWithinTheirData) {
  std::mt19937 random(1234);
  TestGifImage a = Image(13, 11, 2, 3);
  a.interlaced = true;
  a.delay = 2;
  TestGifImage b = Image(40, 30);
  b.localTable = kFourColours;
  b.localBits = 2;
  b.transparent = 3;
  const std::vector<uint8_t> seed = EncodeGif(50, 40, kFourColours, 2, {a, b});
  auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(FuzzSeconds());
  long rounds = 0;
  while (std::chrono::steady_clock::now() < until) {
    std::vector<uint8_t> bytes = seed;
    int edits = 1 + random() % 8;
    for (int e = 0; e < edits; ++e) {
      size_t at = random() % bytes.size();
      switch (random() % 4) {
        case 0:
          bytes[at] = static_cast<uint8_t>(random());
          break;
        case 1:
          bytes[at] ^= static_cast<uint8_t>(1u << (random() % 8));
          break;
        case 2:
          bytes.resize(std::max<size_t>(1, at));
          break;
        default:
          bytes.insert(bytes.begin() + at, static_cast<uint8_t>(random()));
          break;
      }
    }
    // A heap block of exactly the data's size, so that a read past it is caught.
    std::unique_ptr<uint8_t[]> exact(new uint8_t[bytes.size()]);
    std::copy(bytes.begin(), bytes.end(), exact.get());
    GifPicture picture;
    int frames = DecodeGif(exact.get(), bytes.size(), kFace, &picture);
    for (const GifFrame& frame : picture.frames) {
      ASSERT_EQ(size_t(frame.rowBytes) * frame.height, frame.pixels.size());
      ASSERT_EQ(3u << frame.bits, frame.palette.size());
    }
    ASSERT_EQ(static_cast<int>(picture.frames.size()), frames);
    ++rounds;
  }
  RecordProperty("rounds", std::to_string(rounds));
}

}  // namespace
