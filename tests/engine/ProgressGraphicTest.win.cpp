#include "tests/support/WinGTest.h"

#include <windows.h>

#include "engine/ProgressGraphic.h"

namespace {

constexpr int kWidth = 400;  // bar length 395
constexpr int kFrontY = 28;  // inside every bar's front face

const ProgressLabels kLabels = {u"Links Found",  u"Links Processed", u"Broken Links",
                                u"Unique Links", u"Bytes sent",      u"Bytes received",
                                u"Time elapsed", u"Time left"};

// A 32-bit off-screen bitmap holding one drawing of the graphic.
class Canvas {
 public:
  explicit Canvas(const ProgressFigures& figures) {
    dc = CreateCompatibleDC(nullptr);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = kWidth;
    info.bmiHeader.biHeight = -kProgressHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    old = SelectObject(dc, bitmap);
    DrawProgressGraphic(dc, kWidth, figures, kLabels);
  }
  ~Canvas() {
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  COLORREF At(int x, int y) const { return GetPixel(dc, x, y); }
  // How many pixels of the front row have this colour.
  int CountOnFront(COLORREF colour) const {
    int count = 0;
    for (int x = 0; x < kWidth; ++x) count += At(x, kFrontY) == colour;
    return count;
  }

 private:
  HDC dc;
  HBITMAP bitmap;
  HGDIOBJ old;
};

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kCyan = RGB(0, 255, 255);
constexpr COLORREF kGreen = RGB(0, 192, 0);

TEST(ProgressGraphic, BarsEndWhereTheirCountsSay) {
  Canvas canvas({10, 5, 2, 4, 1000, 2000, 65000});
  // broken ends at 395 / 10 * 2 + 1 = 80, processed at 198.
  EXPECT_EQ(kRed, canvas.At(40, kFrontY));
  EXPECT_EQ(kRed, canvas.At(77, kFrontY));
  EXPECT_EQ(kCyan, canvas.At(83, kFrontY));
  EXPECT_EQ(kCyan, canvas.At(195, kFrontY));
  EXPECT_EQ(kGreen, canvas.At(201, kFrontY));
  EXPECT_EQ(kGreen, canvas.At(390, kFrontY));
  EXPECT_EQ(RGB(127, 127, 255), canvas.At(396, 24));
  // The slanted top face lies above the front, shifted right.
  EXPECT_EQ(kRed, canvas.At(44, 18));
  EXPECT_EQ(GetSysColor(COLOR_BTNFACE), canvas.At(2, 17));
}

TEST(ProgressGraphic, NothingFoundPaintsOneFullRedBar) {
  Canvas canvas({0, 0, 0, 0, 0, 0, 0});
  EXPECT_GT(canvas.CountOnFront(kRed), 385);
  EXPECT_EQ(0, canvas.CountOnFront(kCyan));
  EXPECT_EQ(0, canvas.CountOnFront(kGreen));
}

TEST(ProgressGraphic, CountsAboveFoundAreClampedToTheBar) {
  Canvas canvas({10, 25, 40, 10, 0, 0, 0});
  EXPECT_GT(canvas.CountOnFront(kRed), 385);
  EXPECT_EQ(0, canvas.CountOnFront(kGreen));
}

TEST(ProgressGraphic, LegendTextIsDrawnOnBothRows) {
  Canvas canvas({10, 5, 2, 4, 1000, 2000, 65000});
  const COLORREF text = GetSysColor(COLOR_BTNTEXT);
  int top = 0, bottom = 0;
  for (int x = 0; x < kWidth; ++x) {
    for (int y = 0; y < 12; ++y) top += canvas.At(x, y) == text;
    for (int y = 41; y < kProgressHeight; ++y) bottom += canvas.At(x, y) == text;
  }
  EXPECT_GT(top, 50);
  EXPECT_GT(bottom, 50);
  EXPECT_EQ(kGreen, canvas.At(3, 5));
}

}  // namespace
