#include "tests/support/WinGTest.h"

#include <windows.h>

#include <cstdlib>
#include <string>

#include "tests/support/WinHarness.h"
#include "tests/toolkit/GifEncoder.h"
#include "toolkit/Animation.h"

namespace {

const std::vector<uint8_t> kColours = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};

TestGifImage Filled(int width, int height, int left, int top, uint8_t index, int delay) {
  TestGifImage image;
  image.width = width;
  image.height = height;
  image.left = left;
  image.top = top;
  image.pixels.assign(size_t(width) * height, index);
  image.delay = delay;
  return image;
}

class AnimationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    parent = CreateWindowExW(0, u"STATIC", u"", WS_POPUP | WS_VISIBLE, 100, 100, 200, 120, nullptr,
                             nullptr, nullptr, nullptr);
  }
  void TearDown() override { DestroyWindow(parent); }

  HWND Start(const std::vector<TestGifImage>& images) {
    std::vector<uint8_t> bytes = EncodeGif(40, 30, kColours, 2, images);
    EXPECT_EQ(static_cast<int>(images.size()),
              DecodeAnimation(&picture, bytes.data(), bytes.size()));
    HWND window = animation.Create(parent, 101, &picture, WS_CHILD, u"AnimationWindow");
    animation.Show(10, 10);
    UpdateWindow(window);
    return window;
  }

  HWND parent = nullptr;
  CAnimationPicture picture;
  CAnimation animation;
};

TEST_F(AnimationTest, OneFrameIsDrawnWithoutATimer) {
  TestGifImage image = Filled(8, 6, 5, 4, 0, 0);
  image.pixels[1] = 2;
  image.transparent = 2;
  HWND window = Start({image});
  ASSERT_NE(nullptr, window);
  RECT rect;
  GetClientRect(window, &rect);
  EXPECT_EQ(40, rect.right);
  EXPECT_EQ(30, rect.bottom);
  EXPECT_EQ(DLGC_STATIC, SendMessageW(window, WM_GETDLGCODE, 0, 0));
  EXPECT_EQ(RGB(255, 0, 0), PixelAt(window, 5, 4));
  EXPECT_EQ(GetSysColor(COLOR_BTNFACE), PixelAt(window, 6, 4)) << "transparent";
  EXPECT_EQ(GetSysColor(COLOR_BTNFACE), PixelAt(window, 30, 20)) << "outside the frame";
  EXPECT_FALSE(KillTimer(window, 1));
}

TEST_F(AnimationTest, FramesAdvanceAndWrapWhilePumped) {
  HWND window = Start({Filled(4, 4, 0, 0, 0, 2), Filled(4, 4, 20, 10, 1, 0)});
  EXPECT_TRUE(PumpUntil([&] { return animation.current == 1; }, 10000));
  EXPECT_TRUE(PumpUntil([&] { return PixelAt(window, 20, 10) == RGB(0, 255, 0); }, 10000));
  EXPECT_TRUE(PumpUntil([&] { return animation.passes >= 2; }, 10000));
  EXPECT_EQ(RGB(255, 0, 0), PixelAt(window, 0, 0));
  DestroyWindow(window);
  EXPECT_FALSE(KillTimer(window, 1));
}

TEST_F(AnimationTest, NoPictureNoWindow) {
  EXPECT_EQ(0, LoadAnimation(&picture, GetModuleHandleW(nullptr), u"NOSUCH",
                             reinterpret_cast<LPCWSTR>(RT_RCDATA)));
  const uint8_t junk[] = {'G', 'I', 'F'};
  EXPECT_EQ(0, DecodeAnimation(&picture, junk, sizeof(junk)));
  EXPECT_EQ(nullptr, animation.Create(parent, 101, &picture, WS_CHILD, u"AnimationWindow"));
  EXPECT_EQ(0, animation.Show(0, 0));
}

// TL_CAPTURE_DIR=/some/unix/folder writes two moments of an animation as PNG.
TEST_F(AnimationTest, Captures) {
  const char* folder = std::getenv("TL_CAPTURE_DIR");
  if (!folder) GTEST_SKIP() << "TL_CAPTURE_DIR not set";
  TestGifImage ring = Filled(20, 20, 10, 5, 3, 10);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x)
      if ((x - 10) * (x - 10) + (y - 10) * (y - 10) < 50) ring.pixels[y * 20 + x] = 0;
  ring.transparent = 3;
  TestGifImage dot = Filled(6, 6, 17, 12, 1, 10);
  HWND window = Start({ring, dot});
  EXPECT_TRUE(CaptureWindowPng(window, std::string(folder) + "/animation-1.png"));
  PumpUntil([&] { return animation.current == 1; }, 2000);
  PumpMessages(50);
  EXPECT_TRUE(CaptureWindowPng(window, std::string(folder) + "/animation-2.png"));
}

}  // namespace
