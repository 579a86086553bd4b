#include "tests/support/WinGTest.h"

#include <windows.h>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/ToolkitStrings.h"
#include "tests/support/WinHarness.h"
#include "toolkit/FormattedText.h"
#include "toolkit/MessageBox.h"
#include "toolkit/PushButton.h"
#include "toolkit/ThemeHelper.h"

namespace {

constexpr const char16_t* kBoxClass = u"ANIMATED_MESSAGE_BOX_CLASS";
constexpr UINT_PTR kWatchdog = 0x5EED;

bool g_watchdogFired = false;

BOOL CALLBACK FindTopBox(HWND window, LPARAM found) {
  char16_t name[64];
  GetClassNameW(window, name, 64);
  if (std::u16string(name) != kBoxClass || !IsWindowVisible(window)) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

// The newest box of this thread (windows enumerate top of the z-order first).
HWND FindBox() {
  HWND box = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindTopBox, reinterpret_cast<LPARAM>(&box));
  return box;
}

// A box that some fault left up is destroyed, so that a failing test still ends.
void CALLBACK Watchdog(HWND, UINT, UINT_PTR, DWORD) {
  if (HWND box = FindBox()) {
    g_watchdogFired = true;
    DestroyWindow(box);
  }
}

// Shows a box and runs `whileUp` from a timer inside the box's own loop.
template <typename... Args>
int ShowBox(std::function<void(HWND)> whileUp, HWND owner, UINT flags, const char16_t* format,
            Args... args) {
  g_watchdogFired = false;
  RunFromTimer(40, [whileUp] { whileUp(FindBox()); });
  UINT_PTR watchdog = SetTimer(nullptr, kWatchdog, 15000, Watchdog);
  int answer = AnimatedMessageBox(owner, format, u"Box test", flags, args...);
  KillTimer(nullptr, watchdog);
  EXPECT_FALSE(g_watchdogFired) << "the box did not end by itself";
  return answer;
}

// Queues real key strokes without pumping: the box's own loop must deliver them.
void QueueKeys(std::vector<std::pair<WORD, bool>> keys) {
  std::vector<INPUT> inputs;
  for (const auto& key : keys) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key.first;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(key.first, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = key.second ? 0 : KEYEVENTF_KEYUP;
    inputs.push_back(input);
  }
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

std::u16string TextOf(HWND window) {
  std::u16string text(GetWindowTextLengthW(window) + 1, u'\0');
  text.resize(GetWindowTextW(window, &text[0], static_cast<int>(text.size())));
  return text;
}

// The box's buttons from left to right.
std::vector<HWND> ButtonsOf(HWND box) {
  std::vector<HWND> buttons;
  for (HWND b = FindWindowExW(box, nullptr, VBUTTON_CLASS, nullptr); b;
       b = FindWindowExW(box, b, VBUTTON_CLASS, nullptr))
    buttons.push_back(b);
  auto left = [](HWND b) {
    RECT r;
    GetWindowRect(b, &r);
    return r.left;
  };
  std::sort(buttons.begin(), buttons.end(), [&](HWND a, HWND b) { return left(a) < left(b); });
  return buttons;
}

int CountColour(HWND window, COLORREF colour) {
  RECT client;
  GetClientRect(window, &client);
  HDC dc = GetDC(window);
  int n = 0;
  for (int y = 0; y < client.bottom; ++y)
    for (int x = 0; x < client.right; ++x) n += GetPixel(dc, x, y) == colour;
  ReleaseDC(window, dc);
  return n;
}

class MessageBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitCustomControls(GetModuleHandleW(nullptr), nullptr, MAKEINTRESOURCEW(10), 1, 2, 3);
    MSG left;
    while (PeekMessageW(&left, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&left);
  }
};

TEST_F(MessageBoxTest, EscapeEnterAndAltF4ChooseByType) {
  struct Case {
    UINT flags;
    std::vector<std::pair<WORD, bool>> keys;
    int focused;
    int expected;
  };
  const std::vector<std::pair<WORD, bool>> escape = {{VK_ESCAPE, true}, {VK_ESCAPE, false}};
  const std::vector<std::pair<WORD, bool>> enter = {{VK_RETURN, true}, {VK_RETURN, false}};
  const std::vector<std::pair<WORD, bool>> altF4 = {
      {VK_MENU, true}, {VK_F4, true}, {VK_F4, false}, {VK_MENU, false}};
  const Case cases[] = {
      {MB_OK, escape, IDOK, IDOK},
      {MB_OKCANCEL, escape, IDOK, IDCANCEL},
      {MB_ABORTRETRYIGNORE, escape, IDABORT, IDABORT},
      {MB_YESNOCANCEL, escape, IDYES, IDCANCEL},
      {MB_YESNO, escape, IDYES, IDNO},
      {MB_RETRYCANCEL, escape, IDRETRY, IDCANCEL},
      {MB_YESNO, altF4, IDYES, IDNO},
      {MB_OK | MB_ICONHAND, altF4, IDOK, IDOK},
      {MB_ABORTRETRYIGNORE | MB_DEFBUTTON3, enter, IDIGNORE, IDIGNORE},
      {MB_ABORTRETRYIGNORE | MB_DEFBUTTON2, enter, IDRETRY, IDRETRY},
      // Every set honours the default-button flag; one beyond its buttons keeps the first.
      {MB_YESNO | MB_DEFBUTTON2, enter, IDNO, IDNO},
      {MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, escape, IDNO, IDNO},
      {MB_OKCANCEL | MB_DEFBUTTON2, enter, IDCANCEL, IDCANCEL},
      {MB_YESNOCANCEL | MB_DEFBUTTON3, enter, IDCANCEL, IDCANCEL},
      {MB_YESNOCANCEL | MB_DEFBUTTON2, enter, IDNO, IDNO},
      {MB_RETRYCANCEL | MB_DEFBUTTON2, enter, IDCANCEL, IDCANCEL},
      {MB_YESNO | MB_DEFBUTTON3, enter, IDYES, IDYES},
      {MB_OK | MB_DEFBUTTON2, enter, IDOK, IDOK},
      {6, escape, IDOK, IDOK},
      {7 | 0xF0 | MB_DEFBUTTON3, escape, IDOK, IDOK},
  };
  for (const Case& c : cases) {
    int focused = 0;
    EXPECT_EQ(c.expected, ShowBox(
                              [&](HWND box) {
                                focused = GetDlgCtrlID(GetFocus());
                                EXPECT_EQ(box, GetForegroundWindow());
                                QueueKeys(c.keys);
                              },
                              nullptr, c.flags, u"Keys"))
        << std::hex << c.flags;
    EXPECT_EQ(c.focused, focused) << std::hex << c.flags;
  }
}

TEST_F(MessageBoxTest, ButtonsPerTypeAreAlikeEvenlySpacedAndClickable) {
  struct Case {
    UINT type;
    std::vector<int> ids;
  };
  const Case cases[] = {
      {MB_OK, {IDOK}},
      {MB_OKCANCEL, {IDOK, IDCANCEL}},
      {MB_ABORTRETRYIGNORE, {IDABORT, IDRETRY, IDIGNORE}},
      {MB_YESNOCANCEL, {IDYES, IDNO, IDCANCEL}},
      {MB_YESNO, {IDYES, IDNO}},
      {MB_RETRYCANCEL, {IDRETRY, IDCANCEL}},
  };
  // By identifier, IDOK to IDNO.
  const std::u16string captions[] = {u"",           u"OK~",     u"Cancel~", u"Abort~",
                                     u"Retry 100%", u"Ignore~", u"Yes~",    u"No~"};
  for (const Case& c : cases) {
    for (size_t pick = 0; pick < c.ids.size(); ++pick) {
      EXPECT_EQ(c.ids[pick], ShowBox(
                                 [&](HWND box) {
                                   std::vector<HWND> buttons = ButtonsOf(box);
                                   ASSERT_EQ(c.ids.size(), buttons.size());
                                   RECT client;
                                   GetClientRect(box, &client);
                                   RECT first = WindowRectIn(buttons[0], box);
                                   const int width = first.right - first.left;
                                   const int gap = first.left;
                                   int right = 0;
                                   for (size_t i = 0; i < buttons.size(); ++i) {
                                     const int id = GetDlgCtrlID(buttons[i]);
                                     EXPECT_EQ(c.ids[i], id);
                                     EXPECT_EQ(captions[id], TextOf(buttons[i]));
                                     RECT r = WindowRectIn(buttons[i], box);
                                     EXPECT_EQ(width, r.right - r.left);
                                     EXPECT_EQ(first.top, r.top);
                                     if (i) {
                                       EXPECT_EQ(gap, r.left - right) << "gap " << i;
                                     }
                                     right = r.right;
                                   }
                                   EXPECT_NEAR(gap, client.right - right, buttons.size());
                                   RECT target = WindowRectIn(buttons[pick], box);
                                   MouseMoveTo(box, (target.left + target.right) / 2,
                                               (target.top + target.bottom) / 2);
                                   MouseButton(true);
                                   MouseButton(false);
                                 },
                                 nullptr, c.type, u"Click"));
    }
  }
}

TEST_F(MessageBoxTest, OwnerIsDisabledWhileUpAndOnlyIfItWasEnabled) {
  HWND top = CreateWindowExW(0, u"STATIC", u"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 300,
                             200, nullptr, nullptr, nullptr, nullptr);
  HWND child = CreateWindowExW(0, u"STATIC", u"", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, top, nullptr,
                               nullptr, nullptr);
  for (HWND owner : {top, child}) {
    bool disabledWhileUp = false;
    HWND boxOwner = nullptr;
    EXPECT_EQ(IDOK, ShowBox(
                        [&](HWND box) {
                          disabledWhileUp = !IsWindowEnabled(top);
                          boxOwner = GetWindow(box, GW_OWNER);
                          PostMessageW(box, WM_COMMAND, IDOK, 0);
                        },
                        owner, MB_OK, u"Owned"));
    EXPECT_TRUE(disabledWhileUp);
    EXPECT_EQ(top, boxOwner) << "the child's top-level window owns the box";
    EXPECT_TRUE(IsWindowEnabled(top));
  }
  EnableWindow(top, FALSE);
  ShowBox([](HWND box) { PostMessageW(box, WM_COMMAND, IDCANCEL, 0); }, top, MB_OK, u"Owned");
  EXPECT_FALSE(IsWindowEnabled(top)) << "a disabled owner stays so";
  DestroyWindow(top);
}

struct ThreadBox {
  HWND owner;
  int answer;
};

DWORD WINAPI BoxOnThread(void* parameter) {
  auto* run = static_cast<ThreadBox*>(parameter);
  run->answer =
      AnimatedMessageBox(run->owner, u"From thread %u", nullptr, MB_YESNO, GetCurrentThreadId());
  return 0;
}

TEST_F(MessageBoxTest, ABoxOnAnotherThreadDisablesTheOwnerMeanwhile) {
  HWND owner = CreateWindowExW(0, u"STATIC", u"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10,
                               300, 200, nullptr, nullptr, nullptr, nullptr);
  ThreadBox run = {owner, -1};
  HANDLE thread = CreateThread(nullptr, 0, BoxOnThread, &run, 0, nullptr);
  HWND box = nullptr;
  ASSERT_TRUE(PumpUntil([&] { return (box = FindWindowW(kBoxClass, nullptr)) != nullptr; }, 10000));
  EXPECT_TRUE(PumpUntil([&] { return !IsWindowEnabled(owner); }, 5000));
  EXPECT_EQ(u"", TextOf(box)) << "a null caption shows empty";
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(PumpUntil([&] { return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; }, 10000));
  CloseHandle(thread);
  EXPECT_EQ(IDYES, run.answer) << "Enter's IDOK is Yes";
  EXPECT_TRUE(IsWindowEnabled(owner));
  DestroyWindow(owner);
}

TEST_F(MessageBoxTest, TextIsFormattedWholeAndSizesTheBox) {
  std::u16string shown;
  ShowBox(
      [&](HWND box) {
        shown = TextOf(GetDlgItem(box, 100));
        HMENU menu = GetSystemMenu(box, FALSE);
        EXPECT_EQ(1, GetMenuItemCount(menu));
        EXPECT_EQ(static_cast<UINT>(SC_MOVE), GetMenuItemID(menu, 0));
        RECT work;
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        RECT r;
        GetWindowRect(box, &r);
        EXPECT_NEAR((work.left + work.right) / 2, (r.left + r.right) / 2, 1);
        EXPECT_NEAR((work.top + work.bottom) / 2, (r.top + r.bottom) / 2, 1);
        PostMessageW(box, WM_COMMAND, IDOK, 0);
      },
      nullptr, MB_OK, u"%d files", 3);
  EXPECT_EQ(u"3 files", shown);

  const std::u16string long300 = std::u16string(299, u'x') + u"y";
  ShowBox(
      [&](HWND box) {
        shown = TextOf(GetDlgItem(box, 100));
        PostMessageW(box, WM_COMMAND, IDOK, 0);
      },
      nullptr, MB_OK, u"%s", long300.c_str());
  EXPECT_EQ(long300, shown);

  std::u16string line;
  for (int i = 0; i < 200; ++i) line += u"word ";
  int width = 0;
  ShowBox(
      [&](HWND box) {
        RECT r;
        GetWindowRect(box, &r);
        width = r.right - r.left;
        PostMessageW(box, WM_COMMAND, IDOK, 0);
      },
      nullptr, MB_OK, line.c_str());
  EXPECT_EQ(500, width);

  const std::u16string huge(100000, u'w');
  EXPECT_EQ(IDOK, ShowBox([](HWND box) { PostMessageW(box, WM_COMMAND, IDOK, 0); }, nullptr, MB_OK,
                          u"%s", huge.c_str()));
}

TEST_F(MessageBoxTest, QuitMessagesEndTheBoxAndStayQueued) {
  MSG quit;
  EXPECT_EQ(IDNO, ShowBox([](HWND) { PostQuitMessage(7); }, nullptr, MB_YESNO, u"Quit"));
  ASSERT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(7u, quit.wParam);

  EXPECT_EQ(IDYES, ShowBox(
                       [](HWND box) {
                         SendMessageW(box, WM_COMMAND, IDOK, 0);
                         PostQuitMessage(7);
                       },
                       nullptr, MB_YESNO, u"Answered, then quit"));
  ASSERT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(7u, quit.wParam);

  EXPECT_EQ(IDCANCEL, ShowBox([](HWND box) { PostMessageW(box, WM_COMMAND, IDCANCEL, 0); }, nullptr,
                              MB_RETRYCANCEL, u"Button"));
  EXPECT_FALSE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));

  int inner = 0;
  EXPECT_EQ(IDABORT, ShowBox(
                         [&](HWND) {
                           inner = ShowBox([](HWND) { PostQuitMessage(9); }, nullptr, MB_OKCANCEL,
                                           u"Inner");
                         },
                         nullptr, MB_ABORTRETRYIGNORE, u"Outer"));
  EXPECT_EQ(IDCANCEL, inner);
  ASSERT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(9u, quit.wParam);
  EXPECT_FALSE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "one quit only";
}

std::u16string ClipboardText() {
  std::u16string text;
  if (!OpenClipboard(nullptr)) return text;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    text = static_cast<const char16_t*>(GlobalLock(data));
    GlobalUnlock(data);
  }
  CloseClipboard();
  return text;
}

void EmptyTheClipboard() {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  CloseClipboard();
}

// By command, and by the text's context menu chosen with real input.
TEST_F(MessageBoxTest, CopyPutsTheTextOnTheClipboard) {
  EmptyTheClipboard();
  ShowBox(
      [](HWND box) {
        SendMessageW(box, WM_COMMAND, 102, 0);
        EXPECT_TRUE(IsWindow(box)) << "copying does not end the box";
        PostMessageW(box, WM_COMMAND, IDOK, 0);
      },
      nullptr, MB_OK, u"Copy %s", u"me");
  EXPECT_EQ(u"Copy me", ClipboardText());

  EmptyTheClipboard();
  ShowBox(
      [](HWND box) {
        RECT text = WindowRectIn(GetDlgItem(box, 100), box);
        MouseMoveTo(box, text.left + 10, text.top + 5);
        INPUT click[2] = {};
        click[0].type = click[1].type = INPUT_MOUSE;
        click[0].mi.dwFlags = MOUSEEVENTF_RIGHTDOWN;
        click[1].mi.dwFlags = MOUSEEVENTF_RIGHTUP;
        SendInput(2, click, sizeof(INPUT));
        QueueKeys({{VK_DOWN, true}, {VK_DOWN, false}, {VK_RETURN, true}, {VK_RETURN, false}});
        // Timers come after input: this runs once the menu has taken the keys.
        RunFromTimer(50, [box] { PostMessageW(box, WM_COMMAND, IDOK, 0); });
      },
      nullptr, MB_OK, u"Copy %s", u"by menu");
  EXPECT_EQ(u"Copy by menu", ClipboardText());
}

// The box as drawn: the etched line, the button icons and captions (classic, and themed
// through the theme helper's seam), and the animation for the icon type.
TEST_F(MessageBoxTest, PaintsLineIconsCaptionsAndAnimation) {
  CThemeHelper themed(u"UxTheme.dll", 6 << 16);
  for (bool theme : {false, true}) {
    if (theme) ReplaceThemeHelper(&themed);
    ShowBox(
        [&](HWND box) {
          PumpMessages(100);
          HWND ok = ButtonsOf(box)[0];
          RECT client;
          GetClientRect(box, &client);
          RECT button = WindowRectIn(ok, box);
          const int line = client.bottom - (button.bottom - button.top) - 28;
          EXPECT_EQ(GetSysColor(COLOR_BTNSHADOW), PixelAt(box, client.right / 2, line));
          EXPECT_EQ(GetSysColor(COLOR_BTNHIGHLIGHT), PixelAt(box, client.right / 2, line + 1));
          EXPECT_LT(20, CountColour(ok, RGB(0, 140, 40))) << "the tick, theme " << theme;
          EXPECT_LT(5, CountColour(ok, GetSysColor(COLOR_BTNTEXT))) << "caption, theme " << theme;
          HWND animation = GetDlgItem(box, 101);
          ASSERT_NE(nullptr, animation);
          EXPECT_EQ(RGB(210, 30, 30), PixelAt(animation, 16, 4));
          EXPECT_EQ(GetSysColor(COLOR_BTNFACE), PixelAt(animation, 0, 0)) << "transparent";
          SendMessageW(box, WM_SYSCOLORCHANGE, 0, 0);
          HWND again = GetDlgItem(box, 101);
          EXPECT_NE(nullptr, again);
          EXPECT_TRUE(IsWindowVisible(again));
          PostMessageW(box, WM_COMMAND, IDOK, 0);
        },
        nullptr, MB_OK | MB_ICONHAND, u"Painted");
  }
  ReplaceThemeHelper(nullptr);
}

TEST_F(MessageBoxTest, MissingOrCorruptPicturesLeaveAWorkingBox) {
  for (int animation : {42, 7}) {
    InitCustomControls(GetModuleHandleW(nullptr), nullptr, MAKEINTRESOURCEW(99), animation,
                       animation, animation);
    EXPECT_EQ(IDNO, ShowBox(
                        [](HWND box) {
                          EXPECT_EQ(nullptr, GetDlgItem(box, 101));
                          EXPECT_EQ(2u, ButtonsOf(box).size());
                          PostMessageW(box, WM_COMMAND, IDNO, 0);
                        },
                        nullptr, MB_YESNO | MB_ICONQUESTION, u"No pictures"));
  }
}

// TL_CAPTURE_DIR: the four icon types with their animations, and once with themed captions.
TEST_F(MessageBoxTest, CapturesForJudgement) {
  const char* folder = CaptureFolder();
  if (!folder) GTEST_SKIP() << "TL_CAPTURE_DIR not set";
  struct Shot {
    UINT flags;
    const char* name;
    bool themed;
  };
  const Shot shots[] = {
      {MB_OK | MB_ICONHAND, "msgbox-hand.png", false},
      {MB_YESNOCANCEL | MB_ICONQUESTION, "msgbox-question.png", false},
      {MB_ABORTRETRYIGNORE | MB_ICONEXCLAMATION, "msgbox-exclamation.png", false},
      {MB_OKCANCEL | MB_ICONASTERISK, "msgbox-asterisk.png", false},
      {MB_RETRYCANCEL | MB_ICONHAND, "msgbox-themed.png", true},
  };
  CThemeHelper themed(u"UxTheme.dll", 6 << 16);
  for (const Shot& shot : shots) {
    if (shot.themed) ReplaceThemeHelper(&themed);
    ShowBox(
        [&](HWND box) {
          PumpMessages(450);
          EXPECT_TRUE(CaptureWindowPng(box, std::string(folder) + "/" + shot.name));
          PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
        },
        nullptr, shot.flags,
        u"The link check of %s ended with %d broken links. Shall the report be saved?",
        u"http://example.test/", 3);
  }
  ReplaceThemeHelper(nullptr);
}

}  // namespace
