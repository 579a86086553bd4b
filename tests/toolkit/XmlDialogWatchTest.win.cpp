// Real keyboard and mouse input through SendInput: runs alone (it needs the foreground).
#include "tests/support/WinGTest.h"

#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/WinHarness.h"
#include "toolkit/XmlDialog.h"

namespace {

struct Notice {
  HWND dialog;
  HWND control;
  LPARAM mouse;
};
thread_local std::vector<Notice> tNotices;

INT_PTR CALLBACK NoticeProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_XMLDIALOG_INPUT)
    tNotices.push_back(Notice{dialog, reinterpret_cast<HWND>(wParam), lParam});
  return message == WM_INITDIALOG;
}

// Two edits, the second below the visible area once the dialog is made small.
const char16_t kWatching[] =
    u"<dialog style=0x90CC0000 scalable=1 watchinput=1>"
    u"<tr><td minwidth=80 minheight=12><control type=edit id=1 style=0x50810000 /></td></tr>"
    u"<tr><td minheight=300 /></tr>"
    u"<tr><td minwidth=80 minheight=12><control type=edit id=2 style=0x50810000 /></td></tr>"
    u"</dialog>";

HWND Watching(int x) {
  std::u16string text = kWatching;
  HWND dialog = reinterpret_cast<HWND>(
      CreateXmlDialog(GetModuleHandleW(nullptr), nullptr, NoticeProc, 0, text.data(),
                      static_cast<int>(text.size()), FALSE, nullptr));
  SetWindowPos(dialog, nullptr, x, 20, 200, 150, SWP_NOZORDER);
  return dialog;
}

bool Noticed(HWND dialog, HWND control, LPARAM mouse) {
  for (const Notice& n : tNotices)
    if (n.dialog == dialog && n.control == control && n.mouse == mouse) return true;
  return false;
}

bool MouseReaches(HWND dialog, HWND control) {
  BringToFront(dialog);
  // Over the dialog's own background first: a window is reported when the mouse enters it.
  RECT client;
  GetClientRect(dialog, &client);
  MouseMoveTo(dialog, 2, client.bottom / 2);
  GetClientRect(control, &client);
  MouseMoveTo(control, client.right / 2, client.bottom / 2);
  return PumpUntil([&] { return Noticed(dialog, control, 1); }, 10000);
}

TEST(XmlDialogWatch, TabScrollsTheFocusIntoViewAndMouseMovesAreReported) {
  tNotices.clear();
  HWND dialog = Watching(20);
  ASSERT_TRUE(dialog);
  PumpUntil([&] { return Noticed(dialog, nullptr, 0); }, 10000);
  EXPECT_TRUE(Noticed(dialog, nullptr, 0)) << "the first notice after creation";
  ASSERT_TRUE(GetWindowLongW(dialog, GWL_STYLE) & WS_VSCROLL);
  HWND below = GetDlgItem(dialog, 2);
  BringToFront(dialog);
  SetFocus(GetDlgItem(dialog, 1));
  PressKey(VK_TAB);
  ASSERT_TRUE(PumpUntil([&] { return Noticed(dialog, below, 0); }, 10000));
  EXPECT_EQ(below, GetFocus());
  RECT r, client;
  GetWindowRect(below, &r);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  GetClientRect(dialog, &client);
  EXPECT_LE(r.bottom, client.bottom);
  EXPECT_GE(r.top, 0);
  tagXMLDIALOGLAYOUT block = {};
  SendMessageW(dialog, WM_XMLDIALOG_GETLAYOUT, 0, reinterpret_cast<LPARAM>(&block));
  EXPECT_LT(block.vscroll, 0);
  EXPECT_TRUE(MouseReaches(dialog, below));
  DestroyWindow(dialog);
}

TEST(XmlDialogWatch, EachDialogHearsOnlyOfItsOwnControls) {
  tNotices.clear();
  HWND a = Watching(20), b = Watching(400);
  HWND aEdit = GetDlgItem(a, 1), bEdit = GetDlgItem(b, 1);
  EXPECT_TRUE(MouseReaches(a, aEdit));
  EXPECT_FALSE(Noticed(b, aEdit, 1));
  EXPECT_TRUE(MouseReaches(b, bEdit));
  EXPECT_FALSE(Noticed(a, bEdit, 1));
  DestroyWindow(a);
  tNotices.clear();
  EXPECT_TRUE(MouseReaches(b, bEdit)) << "the other dialog still watches";
  DestroyWindow(b);
}

DWORD WINAPI WatchOnThread(void* result) {
  HWND dialog = Watching(200);
  *static_cast<bool*>(result) = dialog && MouseReaches(dialog, GetDlgItem(dialog, 1));
  DestroyWindow(dialog);
  return 0;
}

TEST(XmlDialogWatch, DialogsOnAnotherThreadWatchWithTheirOwnHooks) {
  bool reached = false;
  HANDLE thread = CreateThread(nullptr, 0, WatchOnThread, &reached, 0, nullptr);
  ASSERT_TRUE(thread);
  while (MsgWaitForMultipleObjects(1, &thread, FALSE, 10000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1)
    PumpMessages(10);
  CloseHandle(thread);
  EXPECT_TRUE(reached);
}

}  // namespace
