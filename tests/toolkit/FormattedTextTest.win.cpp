#include "tests/support/WinGTest.h"

#include <windows.h>

#include <commctrl.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/WinHarness.h"
#include "toolkit/FormattedText.h"

namespace {

struct Note {
  int code;
  int value;
  int keyboard;
};

// The parent: records notifications, answers picture requests.
struct TextHost {
  HWND window = nullptr;
  std::vector<Note> notes;
  HGDIOBJ pictureAnswer = nullptr;
  int pictureNumber = -1, pictureAlign = -1;
  DWORD pictureRop = 0;
  bool destroyOnLink = false;
};

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* host = reinterpret_cast<TextHost*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (host && message == WM_NOTIFY) {
    auto* hdr = reinterpret_cast<NMHDR*>(lParam);
    int code = static_cast<int>(hdr->code);
    if (code == FTN_PICTURE) {
      auto* ask = reinterpret_cast<tagFTPICTURE*>(lParam);
      host->pictureNumber = ask->number;
      host->pictureAlign = ask->align;
      host->pictureRop = ask->rop;
      ask->bitmap = static_cast<HBITMAP>(host->pictureAnswer);
      host->pictureAnswer = nullptr;
      return 0;
    }
    Note note = {code, 0, 0};
    if (code == FTN_LINK) {
      auto* link = reinterpret_cast<tagFTLINK*>(lParam);
      note.value = link->value;
      note.keyboard = link->keyboard;
    }
    host->notes.push_back(note);
    if (code == FTN_LINK && host->destroyOnLink) DestroyWindow(hdr->hwndFrom);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

class FormattedTextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterFormattedTextClass();
    WNDCLASSW wc = {};
    wc.lpfnWndProc = HostProc;
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = u"TextHost";
    RegisterClassW(&wc);
    host.window = CreateWindowExW(0, u"TextHost", u"Text", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40,
                                  460, 320, nullptr, nullptr, nullptr, nullptr);
    SetWindowLongPtrW(host.window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&host));
  }
  void TearDown() override { DestroyWindow(host.window); }

  HWND Make(const char16_t* text, DWORD style = 0, int width = 400, int height = 250) {
    HWND control = CreateWindowExW(0, FORMATTED_TEXT_CLASS, text, WS_CHILD | WS_VISIBLE | style, 10,
                                   10, width, height, host.window,
                                   reinterpret_cast<HMENU>(INT_PTR(77)), nullptr, nullptr);
    UpdateWindow(control);
    return control;
  }

  int Count(HWND control, COLORREF colour) {
    HDC dc = GetDC(control);
    RECT r;
    GetClientRect(control, &r);
    int n = 0;
    for (int y = 0; y < r.bottom; ++y)
      for (int x = 0; x < r.right; ++x) n += GetPixel(dc, x, y) == colour;
    ReleaseDC(control, dc);
    return n;
  }

  int Links(int code) {
    int n = 0;
    for (const Note& note : host.notes) n += note.code == code;
    return n;
  }

  TextHost host;
};

TEST_F(FormattedTextTest, ColoursLinksAndGround) {
  for (const char16_t* text : {u"\\s30\\b1\\c#0000FFMMM", u"\\s30\\b1\\c255,0,0MMM"}) {
    HWND control = Make(text, 0, 200, 60);
    EXPECT_GT(Count(control, RGB(255, 0, 0)), 20) << "red";
    EXPECT_EQ(0xCCFFFFu, PixelAt(control, 199, 59));
    DestroyWindow(control);
  }
  HWND link = Make(u"\\s30\\b1\\h1,7MMM\\h0", 0, 200, 60);
  EXPECT_GT(Count(link, 0xC00000), 20);
}

TEST_F(FormattedTextTest, MeasuredHeightGrowsAsWidthShrinksAndHoldsTheMargins) {
  HWND control = Make(u"one two three four five six seven eight nine ten eleven twelve");
  int wide = static_cast<int>(SendMessageW(control, FTM_MEASURE, 400, 0));
  int narrow = static_cast<int>(SendMessageW(control, FTM_MEASURE, 100, 0));
  EXPECT_GT(wide, 0);
  EXPECT_GT(narrow, wide);
  EXPECT_EQ(7, SendMessageW(control, FTM_SETMARGIN, 7, 0));
  EXPECT_EQ(wide + 14, SendMessageW(control, FTM_MEASURE, 414, 0));
  EXPECT_EQ(0x00010002, SendMessageW(control, FTM_GETVERSION, 0, 0));
}

TEST_F(FormattedTextTest, MouseClicksALinkOnlyWhenReleasedOnIt) {
  HWND control = Make(u"\\h1,7click\\h0 and more");
  SendMessageW(control, WM_LBUTTONDOWN, 0, MAKELPARAM(4, 6));
  EXPECT_EQ(control, GetCapture());
  SendMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(4, 6));
  ASSERT_EQ(1, Links(FTN_LINK));
  EXPECT_EQ(7, host.notes.back().value);
  EXPECT_EQ(0, host.notes.back().keyboard);
  SendMessageW(control, WM_LBUTTONDOWN, 0, MAKELPARAM(4, 6));
  SendMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(300, 200));
  EXPECT_EQ(1, Links(FTN_LINK));
  EXPECT_EQ(nullptr, GetCapture());
  SendMessageW(control, WM_LBUTTONDOWN, 0, MAKELPARAM(300, 200));
  SendMessageW(control, WM_RBUTTONDOWN, 0, MAKELPARAM(300, 200));
  EXPECT_EQ(1, Links(NM_CLICK));
  EXPECT_EQ(1, Links(NM_RCLICK));
}

TEST_F(FormattedTextTest, KeysWalkTheLinksWithWrapAndReturnActivates) {
  HWND control = Make(u"\\h1,7one\\h0 \\h1,8two\\h0");
  auto key = [&](WPARAM vk) { SendMessageW(control, WM_KEYDOWN, vk, 0); };
  MSG tab = {};
  tab.hwnd = control;
  tab.message = WM_KEYDOWN;
  tab.wParam = VK_TAB;
  EXPECT_EQ(DLGC_WANTALLKEYS,
            SendMessageW(control, WM_GETDLGCODE, 0, reinterpret_cast<LPARAM>(&tab)));
  key(VK_TAB);
  key(VK_RETURN);
  key(VK_RIGHT);
  key(VK_RIGHT);
  EXPECT_EQ(DLGC_STATIC, SendMessageW(control, WM_GETDLGCODE, 0, reinterpret_cast<LPARAM>(&tab)))
      << "Tab on the last link leaves the control";
  key(VK_RIGHT);
  key(VK_LEFT);
  key(VK_RETURN);
  key(VK_LEFT);
  key(VK_RETURN);
  std::vector<int> values;
  for (const Note& note : host.notes)
    if (note.code == FTN_LINK) values.push_back(note.value * 10 + note.keyboard);
  EXPECT_EQ((std::vector<int>{71, 81, 81}), values);
  EXPECT_EQ(9, Links(FTN_KEYDOWN));
}

TEST_F(FormattedTextTest, EleventhLinkIsDrawnButDead) {
  std::u16string text;
  for (int i = 1; i <= 11; ++i) text += u"\\h1," + std::u16string(1, u'0' + i % 10) + u"LL\\h0\n";
  HWND control = Make(text.c_str(), 0, 300, 290);
  int lineHeight = static_cast<int>(SendMessageW(control, FTM_MEASURE, 300, 0)) / 11;
  auto click = [&](int line) {
    LPARAM at = MAKELPARAM(3, line * lineHeight + lineHeight / 2);
    SendMessageW(control, WM_LBUTTONDOWN, 0, at);
    SendMessageW(control, WM_LBUTTONUP, 0, at);
  };
  click(9);
  EXPECT_EQ(1, Links(FTN_LINK));
  click(10);
  EXPECT_EQ(1, Links(FTN_LINK));
  EXPECT_EQ(1, Links(NM_CLICK));
}

TEST_F(FormattedTextTest, TabStopFollowsLinks) {
  HWND control = Make(u"no links", WS_TABSTOP);
  EXPECT_FALSE(GetWindowLongPtrW(control, GWL_STYLE) & WS_TABSTOP);
  SetWindowTextW(control, u"a \\h1,2link\\h0");
  UpdateWindow(control);
  EXPECT_TRUE(GetWindowLongPtrW(control, GWL_STYLE) & WS_TABSTOP);
}

TEST_F(FormattedTextTest, CopyGivesTextWithoutMarkupInBothFormats) {
  HWND control = Make(u"a\\\\b\\t5c\nd\\b1e\\p1,b f\\q");
  SendMessageW(control, WM_COPY, 0, 0);
  ASSERT_TRUE(OpenClipboard(host.window));
  HANDLE wide = GetClipboardData(CF_UNICODETEXT);
  ASSERT_NE(nullptr, wide);
  EXPECT_EQ(std::u16string(u"a\\b\tc\r\nde f\\q"), static_cast<const char16_t*>(GlobalLock(wide)));
  GlobalUnlock(wide);
  HANDLE narrow = GetClipboardData(CF_TEXT);
  ASSERT_NE(nullptr, narrow);
  EXPECT_STREQ("a\\b\tc\r\nde f\\q", static_cast<const char*>(GlobalLock(narrow)));
  GlobalUnlock(narrow);
  CloseClipboard();
}

TEST_F(FormattedTextTest, ParentMayDestroyTheControlInsideTheLink) {
  host.destroyOnLink = true;
  HWND byMouse = Make(u"\\h1,7click\\h0");
  SendMessageW(byMouse, WM_LBUTTONDOWN, 0, MAKELPARAM(4, 6));
  SendMessageW(byMouse, WM_LBUTTONUP, 0, MAKELPARAM(4, 6));
  EXPECT_FALSE(IsWindow(byMouse));
  HWND byKey = Make(u"\\h1,7click\\h0");
  SendMessageW(byKey, WM_KEYDOWN, VK_RIGHT, 0);
  SendMessageW(byKey, WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_FALSE(IsWindow(byKey));
  EXPECT_EQ(2, Links(FTN_LINK));
}

TEST_F(FormattedTextTest, PicturesComeFromTheParentAndAreDeletedOnce) {
  HDC screen = GetDC(nullptr);
  HBITMAP red = CreateCompatibleBitmap(screen, 12, 12);
  HDC dc = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(dc, red);
  RECT r = {0, 0, 12, 12};
  HBRUSH brush = CreateSolidBrush(RGB(255, 0, 0));
  FillRect(dc, &r, brush);
  SelectObject(dc, old);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  host.pictureAnswer = red;
  HWND control = Make(u"x\\p3,cp");
  EXPECT_EQ(3, host.pictureNumber);
  EXPECT_EQ(1, host.pictureAlign);
  EXPECT_EQ(static_cast<DWORD>(SRCPAINT), host.pictureRop);
  EXPECT_EQ(0u, GetObjectType(red)) << "deleted after use";
  host.pictureAnswer = brush;
  InvalidateRect(control, nullptr, FALSE);
  SetWindowTextW(control, u"\\p1");
  UpdateWindow(control);
  EXPECT_EQ(static_cast<DWORD>(OBJ_BRUSH), GetObjectType(brush)) << "no bitmap: left alone";
  DeleteObject(brush);
}

TEST_F(FormattedTextTest, HostileMarkupLaysOutAndDraws) {
  std::u16string backslashes(1 << 20, u'\\');
  std::u16string links;
  for (int i = 0; i < 20; ++i) links += u"\\h5 x";
  std::u16string wideWord(3000, u'W');
  const std::u16string texts[] = {u"\\t0x\\t0y",
                                  u"\\s99999999999 big",
                                  u"a\\c#",
                                  u"a\\c",
                                  u"a\\h",
                                  u"a\\p",
                                  u"\\h1,99999999999999",
                                  links,
                                  backslashes,
                                  u"\xD800 lone \xDC00 \xDBFF",
                                  wideWord,
                                  u"\\l100000 indent\n more words",
                                  u"\\c999,999,999 \\s0 \\p5 \\t",
                                  u"\x4E00\x4E01\x4E02 \x9FFF"};
  HWND control = Make(u"", 0, 120, 80);
  for (const std::u16string& text : texts) {
    SetWindowTextW(control, text.c_str());
    UpdateWindow(control);
    EXPECT_GT(SendMessageW(control, FTM_MEASURE, 50, 0), -1);
  }
}

TEST_F(FormattedTextTest, RelayoutsWithLinksAndFontsLeakNoGdiObjects) {
  HWND control = Make(u"");
  const char16_t* texts[] = {u"\\h1,1a\\h0 \\b1bold\\s20 big \\h1,2link two\\h0 \\c#FF0000red",
                             u"\\i1\\w1\\o1 styled \\h1,3three\\h0\n\\u1under"};
  auto relayout = [&](int times) {
    for (int i = 0; i < times; ++i) {
      SetWindowTextW(control, texts[i % 2]);
      UpdateWindow(control);
      SendMessageW(control, FTM_MEASURE, 100 + i % 50, 0);
      SendMessageW(control, WM_KEYDOWN, VK_RIGHT, 0);
    }
  };
  relayout(4);
  int before = LiveGdiObjects();
  relayout(200);
  EXPECT_EQ(before, LiveGdiObjects());
}

// TL_CAPTURE_DIR=/some/unix/folder writes styled, justified text with links as PNG.
TEST_F(FormattedTextTest, Captures) {
  const char* folder = std::getenv("TL_CAPTURE_DIR");
  if (!folder) GTEST_SKIP() << "TL_CAPTURE_DIR not set";
  HWND control = Make(
      u"\\s14\\b1Formatted text\\b0\\s10\n"
      u"This paragraph is \\i1justified\\i0 across the width of the control, with "
      u"\\b1bold\\b0, \\w1underlined\\w0, \\o1struck\\o0 and \\c#0000FFred\\c0,0,0 words, a "
      u"\\h1,1first link\\h0 and a \\h1,2second link\\h0 that the keyboard reaches.\n"
      u"\\l40A line indented from here on\\t120tab\n\\u1drawn underline\\u0 and \\s16larger\\s10 "
      u"text at the end stays ragged.",
      0, 400, 250);
  SendMessageW(control, FTM_SETMARGIN, 6, 0);
  InvalidateRect(control, nullptr, FALSE);
  UpdateWindow(control);
  SendMessageW(control, WM_KEYDOWN, VK_RIGHT, 0);
  SendMessageW(control, WM_KEYDOWN, VK_RIGHT, 0);
  EXPECT_TRUE(CaptureWindowPng(host.window, std::string(folder) + "/formatted-text.png"));
}

}  // namespace
