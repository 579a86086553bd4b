#include "tests/support/WinGTest.h"

#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/WinHarness.h"
#include "tests/toolkit/ButtonHost.h"
#include "toolkit/PushButton.h"

namespace {

constexpr int kWidth = 100;
constexpr int kHeight = 30;

int Luminance(COLORREF c) { return GetRValue(c) + GetGValue(c) + GetBValue(c); }

std::vector<COLORREF> Face(HWND button) {
  std::vector<COLORREF> pixels;
  HDC dc = GetDC(button);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) pixels.push_back(GetPixel(dc, x, y));
  ReleaseDC(button, dc);
  return pixels;
}

int CountColour(const std::vector<COLORREF>& face, COLORREF colour, int inset) {
  int n = 0;
  for (int y = inset; y < kHeight - inset; ++y)
    for (int x = inset; x < kWidth - inset; ++x) n += face[y * kWidth + x] == colour;
  return n;
}

// The frame control as the button should draw it, for comparison.
std::vector<COLORREF> ReferenceFrame(UINT look) {
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, kWidth, kHeight);
  HGDIOBJ old = SelectObject(dc, bitmap);
  RECT rect = {0, 0, kWidth, kHeight};
  FillRect(dc, &rect, GetSysColorBrush(COLOR_BTNFACE));
  DrawFrameControl(dc, &rect, DFC_BUTTON, DFCS_BUTTONPUSH | look);
  std::vector<COLORREF> pixels;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) pixels.push_back(GetPixel(dc, x, y));
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return pixels;
}

class PushButtonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetCursorPos(0, 0);
    BringToFront(host.window);
  }
  ButtonHost host;
};

TEST_F(PushButtonTest, DialogCodesFollowDefaultEnabledAndKeys) {
  HWND button = host.Add(u"", 0, 1);
  MSG key = {};
  key.hwnd = button;
  key.message = WM_KEYDOWN;
  key.wParam = VK_RETURN;
  EXPECT_EQ(DLGC_WANTALLKEYS,
            SendMessageW(button, WM_GETDLGCODE, 0, reinterpret_cast<LPARAM>(&key)));
  key.wParam = VK_SPACE;
  key.message = WM_KEYUP;
  EXPECT_EQ(DLGC_WANTALLKEYS,
            SendMessageW(button, WM_GETDLGCODE, 0, reinterpret_cast<LPARAM>(&key)));
  key.wParam = VK_TAB;
  key.message = WM_KEYDOWN;
  EXPECT_EQ(DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON,
            SendMessageW(button, WM_GETDLGCODE, 0, reinterpret_cast<LPARAM>(&key)));
  SendMessageW(button, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
  EXPECT_EQ(DLGC_BUTTON | DLGC_DEFPUSHBUTTON, SendMessageW(button, WM_GETDLGCODE, 0, 0));
  EnableWindow(button, FALSE);
  EXPECT_EQ(DLGC_BUTTON, SendMessageW(button, WM_GETDLGCODE, 0, 0));
  HWND created = host.Add(u"", BS_DEFPUSHBUTTON, 2, 140);
  EXPECT_EQ(DLGC_BUTTON | DLGC_DEFPUSHBUTTON, SendMessageW(created, WM_GETDLGCODE, 0, 0));
}

TEST_F(PushButtonTest, ClassicPushedAndReleasedSwapTheLightAndDarkEdges) {
  HWND button = host.Add(u"", BS_PUSHLIKE, 1);
  std::vector<COLORREF> released = Face(button);
  SendMessageW(button, BM_SETCHECK, 1, 0);
  std::vector<COLORREF> pushed = Face(button);
  EXPECT_EQ(ReferenceFrame(0), released);
  EXPECT_EQ(ReferenceFrame(DFCS_PUSHED), pushed);
  auto at = [](const std::vector<COLORREF>& face, int x, int y) { return face[y * kWidth + x]; };
  EXPECT_GT(Luminance(at(released, 1, 1)), Luminance(at(released, kWidth - 2, kHeight - 2)));
  EXPECT_LT(Luminance(at(pushed, 1, 1)), Luminance(at(pushed, kWidth - 2, kHeight - 2)));
}

WNDPROC buttonProc;

LRESULT CALLBACK HidingFocusCues(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_QUERYUISTATE) return UISF_HIDEFOCUS;
  return CallWindowProcW(buttonProc, window, message, wParam, lParam);
}

TEST_F(PushButtonTest, FocusFrameOnlyWhileFocusedAndShown) {
  HWND button = host.Add(u"", 0, 1);
  HWND other = host.Add(u"", 0, 2, 140);
  COLORREF face = GetSysColor(COLOR_BTNFACE);
  auto dotsOnRow4 = [&] {
    std::vector<COLORREF> pixels = Face(button);
    int dots = 0;
    for (int x = 6; x < kWidth - 6; ++x) dots += pixels[4 * kWidth + x] != face;
    return dots;
  };
  EXPECT_EQ(0, dotsOnRow4());
  SetFocus(button);
  EXPECT_GT(dotsOnRow4(), 20);
  EXPECT_EQ(GetSysColor(COLOR_BTNTEXT), PixelAt(button, 0, 0)) << "the dark focus frame";
  // Wine keeps no UI state: the answer to WM_QUERYUISTATE is put in front of the button.
  buttonProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(button, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(HidingFocusCues)));
  SendMessageW(button, WM_UPDATEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS), 0);
  EXPECT_EQ(0, dotsOnRow4());
  EXPECT_EQ(GetSysColor(COLOR_BTNTEXT), PixelAt(button, 0, 0));
  SetWindowLongPtrW(button, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(buttonProc));
  SendMessageW(button, WM_UPDATEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
  EXPECT_GT(dotsOnRow4(), 20);
  SetFocus(other);
  EXPECT_EQ(0, dotsOnRow4());
}

TEST_F(PushButtonTest, DisabledCaptionIsEmbossed) {
  HWND button = host.Add(u"MMMM", 0, 1);
  SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(SYSTEM_FONT)), TRUE);
  std::vector<COLORREF> enabled = Face(button);
  EXPECT_GT(CountColour(enabled, GetSysColor(COLOR_BTNTEXT), 3), 10);
  EXPECT_EQ(0, CountColour(enabled, GetSysColor(COLOR_BTNHIGHLIGHT), 3));
  EnableWindow(button, FALSE);
  std::vector<COLORREF> disabled = Face(button);
  EXPECT_EQ(0, CountColour(disabled, GetSysColor(COLOR_BTNTEXT), 3));
  EXPECT_GT(CountColour(disabled, GetSysColor(COLOR_BTNHIGHLIGHT), 3), 10);
  EXPECT_GT(CountColour(disabled, GetSysColor(COLOR_BTNSHADOW), 3), 10);
}

tagVBUTTONDRAW lastDraw;
int draws;

void RecordDraw(tagVBUTTONDRAW draw) {
  lastDraw = draw;
  ++draws;
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  FillRect(draw.dc, &draw.text, red);
  DeleteObject(red);
}

TEST_F(PushButtonTest, DrawCallbackPaintsTheCaptionFromTheRecord) {
  HWND button = host.Add(u"Caption", BS_LEFT | BS_TOP | BS_MULTILINE, 1);
  tagVBUTTONCALLBACKS callbacks = {RecordDraw, nullptr};
  draws = 0;
  EXPECT_EQ(1, SendMessageW(button, VBM_SETCALLBACKS, 1, reinterpret_cast<LPARAM>(&callbacks)));
  ASSERT_GT(draws, 0);
  EXPECT_EQ(button, lastDraw.button);
  EXPECT_EQ(nullptr, lastDraw.theme);
  RECT client = {0, 0, kWidth, kHeight};
  EXPECT_TRUE(EqualRect(&client, &lastDraw.client));
  RECT content = {4, 4, kWidth - 4, kHeight - 4};
  EXPECT_TRUE(EqualRect(&content, &lastDraw.content));
  RECT text = {4, 3, kWidth - 4, kHeight - 5};
  EXPECT_TRUE(EqualRect(&text, &lastDraw.text));
  EXPECT_EQ(static_cast<UINT>(DT_LEFT | DT_TOP), lastDraw.textFlags);
  EXPECT_TRUE(lastDraw.enabled);
  EXPECT_EQ(PBS_NORMAL, lastDraw.themeState);
  EXPECT_EQ(RGB(255, 0, 0), PixelAt(button, kWidth / 2, kHeight / 2));

  EnableWindow(button, FALSE);
  EXPECT_FALSE(lastDraw.enabled);
  EXPECT_EQ(PBS_DISABLED, lastDraw.themeState);
  EXPECT_EQ(1, SendMessageW(button, VBM_SETCALLBACKS, 1, 0)) << "null leaves the callbacks";
  EXPECT_EQ(RGB(255, 0, 0), PixelAt(button, kWidth / 2, kHeight / 2));
}

TEST_F(PushButtonTest, OutOfOrderMessagesLeaveNoPressNorCapture) {
  HWND button = host.Add(u"x", 0, 1);
  SendMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_TRUE(host.notes.empty()) << "button-up without a press";

  SendMessageW(button, WM_LBUTTONDOWN, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(button, GetCapture());
  SendMessageW(button, BM_SETCHECK, 0, 0);
  EXPECT_EQ(nullptr, GetCapture());
  SendMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));

  SendMessageW(button, WM_LBUTTONDOWN, 0, MAKELPARAM(5, 5));
  EnableWindow(button, FALSE);
  EXPECT_EQ(nullptr, GetCapture());
  SendMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_TRUE(host.notes.empty());

  EnableWindow(button, TRUE);
  SendMessageW(button, WM_LBUTTONDOWN, 0, MAKELPARAM(5, 5));
  SendMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(1, host.Count(BN_CLICKED));
}

TEST_F(PushButtonTest, NullFontMeansTheStockFontAgain) {
  HWND button = host.Add(u"x", 0, 1);
  HGDIOBJ stock = GetStockObject(ANSI_VAR_FONT);
  EXPECT_EQ(reinterpret_cast<LRESULT>(stock), SendMessageW(button, WM_GETFONT, 0, 0));
  HGDIOBJ system = GetStockObject(SYSTEM_FONT);
  SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(system), FALSE);
  EXPECT_EQ(reinterpret_cast<LRESULT>(system), SendMessageW(button, WM_GETFONT, 0, 0));
  SendMessageW(button, WM_SETFONT, 0, TRUE);
  EXPECT_EQ(reinterpret_cast<LRESULT>(stock), SendMessageW(button, WM_GETFONT, 0, 0));
}

TEST_F(PushButtonTest, ParentMayDestroyTheButtonInsideTheClick) {
  host.destroyOnClick = true;
  host.answerBrush = true;
  HWND clicked = host.Add(u"x", BS_PUSHLIKE, 1);
  SendMessageW(clicked, WM_LBUTTONDOWN, 0, MAKELPARAM(5, 5));
  SendMessageW(clicked, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_FALSE(IsWindow(clicked));
  HWND entered = host.Add(u"x", 0, 2);
  SendMessageW(entered, WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_FALSE(IsWindow(entered));
  EXPECT_EQ(2, host.Count(BN_CLICKED));
  EXPECT_EQ(nullptr, GetCapture());

  HWND empty = host.Add(u"x", 0, 3, 0, 0, 0, 0);
  SendMessageW(empty, WM_SETFOCUS, 0, 0);
  RedrawWindow(empty, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  PumpMessages(60);
  EXPECT_TRUE(IsWindow(empty)) << "a 0x0 button paints nothing and lives";
}

// State changes, fades, the default button's glow and repaints, with the count of live GDI
// objects the same before and after; the button then still draws its looks.
void ChangeStatesWithoutLeaks(ButtonHost& host) {
  HWND button = host.Add(u"Leak", BS_PUSHLIKE, 1);
  HWND glowing = host.Add(u"Default", BS_DEFPUSHBUTTON, 2, 140);
  std::vector<COLORREF> released = Face(button);
  SendMessageW(button, BM_SETCHECK, 1, 0);
  PumpMessages(200);
  std::vector<COLORREF> pushed = Face(button);
  ASSERT_NE(released, pushed);
  auto changeStates = [&](int times) {
    for (int i = 0; i < times; ++i) {
      SendMessageW(button, BM_SETCHECK, i % 2, 0);
      SendMessageW(button, WM_TIMER, 200, 0);
      SendMessageW(glowing, WM_TIMER, 200, 0);
      SendMessageW(button, i % 3 ? WM_SETFOCUS : WM_KILLFOCUS, 0, 0);
    }
    SendMessageW(button, WM_KILLFOCUS, 0, 0);
    SendMessageW(button, BM_SETCHECK, 1, 0);
    PumpMessages(300);
  };
  changeStates(6);  // the system's own drawing caches are made once
  int before = LiveGdiObjects();
  ASSERT_GT(before, 0);
  changeStates(400);
  EXPECT_EQ(before, LiveGdiObjects());
  EXPECT_EQ(pushed, Face(button));
  SendMessageW(button, BM_SETCHECK, 0, 0);
  PumpMessages(600);
  EXPECT_EQ(released, Face(button));
}

TEST_F(PushButtonTest, ClassicStateChangesLeakNoGdiObjects) { ChangeStatesWithoutLeaks(host); }

class ForcedTheme {
 public:
  ForcedTheme() : previous_(ReplaceThemeHelper(&forced_)) {}
  ~ForcedTheme() { ReplaceThemeHelper(previous_); }

 private:
  CThemeHelper forced_{u"UxTheme.dll", 0x00060000};
  CThemeHelper* previous_;
};

TEST_F(PushButtonTest, ThemedStateChangesLeakNoGdiObjects) {
  ForcedTheme themed;
  ChangeStatesWithoutLeaks(host);
}

// The pixel where two looks differ most.
int MostDifferent(const std::vector<COLORREF>& a, const std::vector<COLORREF>& b) {
  int best = 0;
  int bestDistance = -1;
  for (size_t i = 0; i < a.size(); ++i) {
    int distance = std::abs(Luminance(a[i]) - Luminance(b[i]));
    if (distance > bestDistance) {
      best = static_cast<int>(i);
      bestDistance = distance;
    }
  }
  return best;
}

bool Between(COLORREF value, COLORREF a, COLORREF b) {
  int v = Luminance(value), low = Luminance(a), high = Luminance(b);
  if (low > high) std::swap(low, high);
  return v > low && v < high;
}

TEST_F(PushButtonTest, ThemedLooksDifferFromClassicAndFadeIntoEachOther) {
  HWND classic = host.Add(u"", BS_PUSHLIKE, 1);
  std::vector<COLORREF> classicFace = Face(classic);
  ForcedTheme themed;
  HWND button = host.Add(u"", BS_PUSHLIKE, 2, 140);
  PumpMessages(200);
  std::vector<COLORREF> normal = Face(button);
  EXPECT_NE(classicFace, normal);

  // Without pumping, the timer ticks are ours to send: the fade into the pressed look
  // takes two.
  SendMessageW(button, BM_SETCHECK, 1, 0);
  std::vector<COLORREF> frames[3];
  frames[0] = Face(button);
  SendMessageW(button, WM_TIMER, 200, 0);
  frames[1] = Face(button);
  SendMessageW(button, WM_TIMER, 200, 0);
  frames[2] = Face(button);
  PumpMessages(200);
  std::vector<COLORREF> pressed = Face(button);
  ASSERT_NE(normal, pressed);
  EXPECT_EQ(pressed, frames[2]);
  int pixel = MostDifferent(normal, pressed);
  EXPECT_TRUE(Between(frames[1][pixel], normal[pixel], pressed[pixel]))
      << std::hex << normal[pixel] << " " << frames[1][pixel] << " " << pressed[pixel];
  EXPECT_NE(pressed[pixel], frames[0][pixel]);
}

TEST_F(PushButtonTest, ThemedWithoutBlendLibraryDrawsWithoutFades) {
  ForcedTheme themed;
  SetPushButtonBlendLibrary(u"NoSuchBlendLibrary.dll");
  HWND button = host.Add(u"", BS_PUSHLIKE, 1);
  SetPushButtonBlendLibrary(nullptr);
  PumpMessages(200);
  std::vector<COLORREF> normal = Face(button);
  SendMessageW(button, BM_SETCHECK, 1, 0);
  std::vector<COLORREF> first = Face(button);
  PumpMessages(200);
  std::vector<COLORREF> pressed = Face(button);
  EXPECT_NE(normal, pressed);
  EXPECT_EQ(pressed, first) << "the new look at once";
}

// TL_CAPTURE_DIR=/some/unix/folder writes the looks of both kinds of drawing as PNG.
TEST_F(PushButtonTest, CapturesOfEveryLook) {
  const char* folder = CaptureFolder();
  if (!folder) GTEST_SKIP() << "TL_CAPTURE_DIR not set";
  for (int themedPass = 0; themedPass < 2; ++themedPass) {
    ButtonHost looks;
    CThemeHelper forced(u"UxTheme.dll", 0x00060000);
    CThemeHelper* previous = themedPass ? ReplaceThemeHelper(&forced) : nullptr;
    looks.Add(u"Normal", 0, 1, 10, 10);
    HWND hot = looks.Add(u"Hot", 0, 2, 120, 10);
    HWND pushed = looks.Add(u"Pushed", BS_PUSHLIKE, 3, 230, 10);
    looks.Add(u"Default", BS_DEFPUSHBUTTON, 4, 10, 60);
    HWND focused = looks.Add(u"Focused", 0, 5, 120, 60);
    looks.Add(u"Disabled", WS_DISABLED, 6, 230, 60);
    SendMessageW(pushed, BM_SETCHECK, 1, 0);
    BringToFront(looks.window, focused);
    POINT over = {50, 15};
    ClientToScreen(hot, &over);
    SetCursorPos(over.x, over.y);
    PumpMessages(1200);
    std::string name =
        std::string(folder) + (themedPass ? "/vbutton-themed.png" : "/vbutton-classic.png");
    EXPECT_TRUE(CaptureWindowPng(looks.window, name));
    SetCursorPos(0, 0);
    if (previous) ReplaceThemeHelper(previous);
  }
}

}  // namespace
