// Real keyboard and mouse input through SendInput: these tests share the desktop.
#include "tests/support/WinGTest.h"

#include <windows.h>

#include "tests/support/WinHarness.h"
#include "tests/toolkit/ButtonHost.h"
#include "toolkit/PushButton.h"

namespace {

class PushButtonInput : public ::testing::Test {
 protected:
  void SetUp() override {
    button = host.Add(u"Press", 0, 100);
    BringToFront(host.window, button);
    MouseMoveTo(host.window, 300, 200);
    host.notes.clear();
  }

  void ClickAt(int x, int y) {
    MouseMoveTo(button, x, y);
    MouseButton(true);
    MouseButton(false);
  }

  ButtonHost host;
  HWND button = nullptr;
};

TEST_F(PushButtonInput, MouseReleasedOffTheButtonClicksOnlyAfterComingBack) {
  MouseMoveTo(button, 50, 15);
  MouseButton(true);
  EXPECT_EQ(button, GetCapture());
  MouseMoveTo(button, 200, 15);
  MouseButton(false);
  EXPECT_EQ(0, host.Count(BN_CLICKED));
  EXPECT_EQ(nullptr, GetCapture());

  MouseMoveTo(button, 50, 15);
  MouseButton(true);
  MouseMoveTo(button, 200, 15);
  MouseMoveTo(button, 40, 10);
  MouseButton(false);
  ASSERT_EQ(1u, host.notes.size());
  EXPECT_EQ(BN_CLICKED, host.notes[0].code);
  EXPECT_EQ(100, host.notes[0].id);
  EXPECT_EQ(button, host.notes[0].from);
  EXPECT_EQ(nullptr, GetCapture());
}

TEST_F(PushButtonInput, SpaceClicksOnceUnlessTheFocusMovesAway) {
  PressKey(VK_SPACE);
  EXPECT_EQ(1, host.Count(BN_CLICKED));

  HWND other = host.Add(u"Other", 0, 101, 140);
  host.notes.clear();
  KeyDown(VK_SPACE);
  SetFocus(other);
  PumpMessages(20);
  KeyUp(VK_SPACE);
  EXPECT_EQ(0, host.Count(BN_CLICKED));
}

TEST_F(PushButtonInput, SpaceReleasedElsewhereEndsThePressSilentlyAtTheNextTick) {
  COLORREF released = PixelAt(button, 1, 1);
  KeyDown(VK_SPACE);
  EXPECT_NE(released, PixelAt(button, 1, 1)) << "pushed look";
  INPUT up = {};
  up.type = INPUT_KEYBOARD;
  up.ki.wVk = VK_SPACE;
  up.ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(1, &up, sizeof(up));
  // The key-up is taken from the queue before the button sees it.
  MSG message;
  DWORD start = GetTickCount();
  while (!PeekMessageW(&message, button, WM_KEYUP, WM_KEYUP, PM_REMOVE) &&
         GetTickCount() - start < 10000)
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_KEY);
  ASSERT_EQ(static_cast<UINT>(WM_KEYUP), message.message);
  EXPECT_TRUE(PumpUntil([&] { return PixelAt(button, 1, 1) == released; }, 10000));
  EXPECT_TRUE(host.notes.empty());
}

TEST_F(PushButtonInput, EnterClicksOrCallsThePressHandlerInstead) {
  PressKey(VK_RETURN);
  EXPECT_EQ(1, host.Count(BN_CLICKED));

  static HWND pressedButton;
  static int pressedKeyboard;
  pressedButton = nullptr;
  pressedKeyboard = -1;
  tagVBUTTONCALLBACKS callbacks = {nullptr, [](HWND b, int keyboard) {
                                     pressedButton = b;
                                     pressedKeyboard = keyboard;
                                   }};
  EXPECT_EQ(1, SendMessageW(button, VBM_SETCALLBACKS, 0, reinterpret_cast<LPARAM>(&callbacks)));
  host.notes.clear();
  PressKey(VK_RETURN);
  EXPECT_EQ(button, pressedButton);
  EXPECT_EQ(1, pressedKeyboard);
  EXPECT_TRUE(host.notes.empty());
}

TEST_F(PushButtonInput, NotifyStyleReportsFocusAndDoubleClicks) {
  HWND notifying = host.Add(u"Notify", BS_NOTIFY, 102, 140);
  host.notes.clear();
  SetFocus(notifying);
  SetFocus(button);
  ASSERT_EQ(2u, host.notes.size());
  EXPECT_EQ(BN_SETFOCUS, host.notes[0].code);
  EXPECT_EQ(BN_KILLFOCUS, host.notes[1].code);

  host.notes.clear();
  MouseMoveTo(notifying, 30, 10);
  MouseButton(true);
  MouseButton(false);
  MouseButton(true);
  MouseButton(false);
  ASSERT_EQ(2u, host.notes.size());
  EXPECT_EQ(BN_CLICKED, host.notes[0].code);
  EXPECT_EQ(BN_DOUBLECLICKED, host.notes[1].code);
}

TEST_F(PushButtonInput, PushLikeButtonTogglesOnClickAndSpace) {
  HWND toggle = host.Add(u"Toggle", BS_PUSHLIKE, 103, 140);
  MouseMoveTo(toggle, 30, 10);
  MouseButton(true);
  MouseButton(false);
  EXPECT_EQ(BST_CHECKED, SendMessageW(toggle, BM_GETCHECK, 0, 0));
  SetFocus(toggle);
  PressKey(VK_SPACE);
  EXPECT_EQ(BST_UNCHECKED, SendMessageW(toggle, BM_GETCHECK, 0, 0));
  EXPECT_EQ(2, host.Count(BN_CLICKED));
}

// A dialog whose message loop runs through IsDialogMessageW, as the program's do.
INT_PTR CALLBACK CountingDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_COMMAND) {
    auto* count = reinterpret_cast<int*>(GetWindowLongPtrW(dialog, DWLP_USER));
    count[LOWORD(wParam) == 100 && HIWORD(wParam) == BN_CLICKED ? 0 : 1]++;
    return TRUE;
  }
  return FALSE;
}

TEST(PushButtonDialog, ReturnOnAFocusedButtonClicksItExactlyOnce) {
  RegisterPushButtonClass();
  struct alignas(4) Template {
    DLGTEMPLATE dialog;
    WORD menu, windowClass, title;
    DLGITEMTEMPLATE item alignas(4);
    char16_t itemClass[14];
    WORD itemTitle[2];
    WORD extra;
  } t = {};
  static_assert(sizeof(DLGITEMTEMPLATE) == 18, "packed item template");
  t.dialog.style = WS_POPUP | WS_VISIBLE | WS_CAPTION;
  t.dialog.cdit = 1;
  t.dialog.cx = 120;
  t.dialog.cy = 60;
  t.item.style = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
  t.item.x = 10;
  t.item.y = 10;
  t.item.cx = 60;
  t.item.cy = 14;
  t.item.id = 100;
  std::char_traits<char16_t>::copy(t.itemClass, VBUTTON_CLASS, 14);
  t.itemTitle[0] = u'G';
  HWND dialog = CreateDialogIndirectParamW(nullptr, &t.dialog, nullptr, CountingDialog, 0);
  ASSERT_NE(nullptr, dialog);
  int counts[2] = {};
  SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(counts));
  HWND button = GetDlgItem(dialog, 100);
  BringToFront(dialog, button);
  ASSERT_EQ(button, GetFocus());
  PressKey(VK_RETURN);
  PumpMessages(300);
  EXPECT_EQ(1, counts[0]);
  EXPECT_EQ(0, counts[1]) << "no other command, no IDOK";
  DestroyWindow(dialog);
}

}  // namespace
