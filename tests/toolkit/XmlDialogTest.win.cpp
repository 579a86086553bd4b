#include "tests/support/WinGTest.h"

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "tests/support/WinHarness.h"
#include "tests/toolkit/SampleTemplates.h"
#include "toolkit/ControlMeasure.h"
#include "toolkit/XmlDialog.h"

namespace {

struct Seen {
  HWND dialog = nullptr;
  LPARAM initParam = 0;
};
Seen gSeen;

INT_PTR CALLBACK RecordingProc(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    gSeen.dialog = dialog;
    gSeen.initParam = lParam;
  }
  return FALSE;
}

HWND Modeless(const std::u16string& text, LPARAM userData = 0) {
  return reinterpret_cast<HWND>(CreateXmlDialog(GetModuleHandleW(nullptr), nullptr, RecordingProc,
                                                userData, text.data(),
                                                static_cast<int>(text.size()), FALSE, nullptr));
}

tagXMLDIALOGLAYOUT Layout(HWND dialog) {
  tagXMLDIALOGLAYOUT block = {};
  EXPECT_EQ(1, SendMessageW(dialog, WM_XMLDIALOG_GETLAYOUT, 0, reinterpret_cast<LPARAM>(&block)));
  return block;
}

RECT ChildRect(HWND dialog, int id) {
  RECT r = {};
  GetWindowRect(GetDlgItem(dialog, id), &r);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

void Scales(HWND dialog, double* h, double* v) {
  HDC dc = GetDC(dialog);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0)));
  GetDialogScales(dc, h, v);
  SelectObject(dc, old);
  ReleaseDC(dialog, dc);
}

BOOL CALLBACK CountXmlDialog(HWND window, LPARAM count) {
  char16_t name[64] = {};
  GetClassNameW(window, name, 64);
  if (std::u16string(name) == u"XML_DIALOG_CLASS") ++*reinterpret_cast<int*>(count);
  return TRUE;
}

int XmlDialogWindows() {
  int count = 0;
  EnumThreadWindows(GetCurrentThreadId(), CountXmlDialog, reinterpret_cast<LPARAM>(&count));
  return count;
}

const char16_t kTwoByTwo[] =
    u"<dialog style=0x80C80000 title='Two by two'>"
    u"<tr><td storerect=1 minwidth=80 minheight=20 leftmargin=2 topmargin=4 align=right "
    u"valign=bottom><control type=edit id=11 style=0x50000000 /></td>"
    u"<td storerect=2 minwidth=60 minheight=40 align=center valign=center>"
    u"<control type=edit id=12 style=0x50000000 /></td></tr>"
    u"<tr><td storerect=3 minwidth=200 minheight=10><control type=edit id=13 "
    u"style=0x50000000 forcewidth=1 addheight=4 addwidth=9 /></td>"
    u"<td storerect=4 minwidth=100 rightmargin=3><control type=edit id=14 style=0x50000000 "
    u"forcesize=1 /></td></tr></dialog>";

TEST(XmlDialog, ControlsTakeTheirPlacesInTheirCells) {
  HWND dialog = Modeless(kTwoByTwo, 1234);
  ASSERT_TRUE(dialog) << GetLastError();
  EXPECT_EQ(dialog, gSeen.dialog);
  EXPECT_EQ(1234, gSeen.initParam);
  char16_t title[64] = {};
  GetWindowTextW(dialog, title, 64);
  EXPECT_EQ(std::u16string(u"Two by two"), title);
  double h = 0, v = 0;
  Scales(dialog, &h, &v);
  tagXMLDIALOGLAYOUT block = Layout(dialog);
  ASSERT_EQ(4, block.rectcount);
  const tagXMLRECT* cells = block.rects;
  auto px = [](double units, double scale) { return static_cast<LONG>(units * scale); };

  RECT a = ChildRect(dialog, 11);
  EXPECT_EQ(cells[0].right, a.right);
  EXPECT_EQ(cells[0].bottom, a.bottom);
  EXPECT_EQ(px(80, h), a.right - a.left);
  EXPECT_EQ(px(20, v), a.bottom - a.top);
  EXPECT_GE(a.left, cells[0].left + px(2, h));

  RECT b = ChildRect(dialog, 12);
  EXPECT_EQ(cells[1].left + (cells[1].right - cells[1].left - px(60, h)) / 2, b.left);
  EXPECT_EQ(cells[1].top, b.top);

  RECT c = ChildRect(dialog, 13);
  EXPECT_EQ(cells[2].left, c.left);
  EXPECT_EQ(cells[2].right, c.right);
  EXPECT_EQ(px(10, v) + px(4, v), c.bottom - c.top);

  RECT d = ChildRect(dialog, 14);
  EXPECT_EQ(
      (std::vector<LONG>{cells[3].left, cells[3].top, cells[3].right - px(3, h), cells[3].bottom}),
      (std::vector<LONG>{d.left, d.top, d.right, d.bottom}));

  RECT client;
  GetClientRect(dialog, &client);
  EXPECT_GE(client.right, block.layoutwidth);
  EXPECT_GE(client.bottom, block.layoutheight);
  EXPECT_EQ(cells[3].right, block.layoutwidth);
  DestroyWindow(dialog);
}

TEST(XmlDialog, ModalResultsAndBrokenTemplates) {
  std::u16string text = u"<dialog style=0x80C80000><control type=button title=OK id=1 /></dialog>";
  RunFromTimer(50, [] { EndDialog(gSeen.dialog, 42); });
  EXPECT_EQ(42, CreateXmlDialog(GetModuleHandleW(nullptr), nullptr, RecordingProc, 0, text.data(),
                                static_cast<int>(text.size()), TRUE, nullptr));

  std::u16string deep = u"<dialog>";
  for (int i = 0; i < 65; ++i) deep += u"<panel>";
  struct Case {
    std::u16string text;
    BOOL modal;
    DWORD error;
  } cases[] = {
      {u"<dialog><tr></td></dialog>", TRUE, 4394},
      {u"<dialog><dialog></dialog></dialog>", FALSE, 4393},
      {deep, FALSE, 4392},
  };
  for (const Case& c : cases) {
    SetLastError(0);
    INT_PTR result =
        CreateXmlDialog(GetModuleHandleW(nullptr), nullptr, RecordingProc, 0, c.text.data(),
                        static_cast<int>(c.text.size()), c.modal, nullptr);
    EXPECT_EQ(c.modal ? -1 : 0, result);
    EXPECT_EQ(c.error, GetLastError());
  }
  EXPECT_EQ(0, XmlDialogWindows());

  HWND empty =
      Modeless(u"<dialog style=0x80C80000 width=100 height=50><tr></tr><tr></tr></dialog>");
  ASSERT_TRUE(empty);
  RECT expected = {0, 0, 100, 50}, client;
  MapDialogRect(empty, &expected);
  GetClientRect(empty, &client);
  EXPECT_EQ(expected.right, client.right);
  EXPECT_EQ(expected.bottom, client.bottom);
  EXPECT_FALSE(GetWindow(empty, GW_CHILD));
  DestroyWindow(empty);
  EXPECT_EQ(0, XmlDialogWindows());
}

void SetClientSize(HWND dialog, int width, int height) {
  RECT r = {0, 0, width, height};
  AdjustWindowRectEx(&r, GetWindowLongW(dialog, GWL_STYLE), FALSE,
                     GetWindowLongW(dialog, GWL_EXSTYLE));
  SetWindowPos(dialog, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

const char16_t kScalable[] =
    u"<dialog style=0x80CC0000 scalable=1 %s><tr><td minwidth=100 minheight=20>"
    u"<control type=static id=1 style=0x50000000 /></td><td minwidth=50>"
    u"<control type=static id=2 style=0x50000000 /></td></tr></dialog>";

std::u16string Scalable(const std::u16string& extra) {
  std::u16string text = kScalable;
  return text.replace(text.find(u"%s"), 2, extra);
}

TEST(XmlDialog, ScalableDialogsStretchOrScroll) {
  HWND dialog = Modeless(Scalable(u""));
  ASSERT_TRUE(dialog);
  tagXMLDIALOGLAYOUT block = Layout(dialog);
  RECT one = ChildRect(dialog, 2);
  SetClientSize(dialog, 2 * block.layoutwidth, block.layoutheight);
  RECT two = ChildRect(dialog, 2);
  EXPECT_NEAR(2 * one.left, two.left, 1);
  EXPECT_NEAR(2 * (one.right - one.left), two.right - two.left, 1);
  EXPECT_FALSE(GetWindowLongW(dialog, GWL_STYLE) & WS_HSCROLL);

  SetClientSize(dialog, block.layoutwidth / 2, block.layoutheight + 40);
  EXPECT_TRUE(GetWindowLongW(dialog, GWL_STYLE) & WS_HSCROLL);
  RECT narrow = ChildRect(dialog, 2);
  EXPECT_EQ(one.right - one.left, narrow.right - narrow.left);
  SCROLLINFO info = {};
  info.cbSize = sizeof(info);
  info.fMask = SIF_ALL;
  GetScrollInfo(dialog, SB_HORZ, &info);
  SendMessageW(dialog, WM_HSCROLL, SB_PAGERIGHT, 0);
  EXPECT_EQ(-(info.nMax / 10), Layout(dialog).hscroll);
  SendMessageW(dialog, WM_HSCROLL, SB_RIGHT, 0);
  EXPECT_EQ(-info.nMax, Layout(dialog).hscroll);
  EXPECT_EQ(one.left - info.nMax, ChildRect(dialog, 2).left);
  // An up-down's scroll message belongs to the caller.
  SendMessageW(dialog, WM_HSCROLL, SB_LEFT, reinterpret_cast<LPARAM>(GetDlgItem(dialog, 1)));
  EXPECT_EQ(-info.nMax, Layout(dialog).hscroll);
  DestroyWindow(dialog);

  HWND clipped = Modeless(Scalable(u"noscroll=1"));
  block = Layout(clipped);
  SetClientSize(clipped, block.layoutwidth / 2, block.layoutheight / 2);
  EXPECT_FALSE(GetWindowLongW(clipped, GWL_STYLE) & (WS_HSCROLL | WS_VSCROLL));
  DestroyWindow(clipped);
}

TEST(XmlDialog, StoredRectanglesInNumberOrder) {
  HWND dialog = Modeless(
      u"<dialog style=0x80C80000><tr><td storerect=2 minwidth=10 minheight=10 /><td "
      u"storerect=4000000000 minwidth=20 /><td storerect=1 minwidth=30 topmargin=5 "
      u"/></tr></dialog>");
  tagXMLDIALOGLAYOUT block = Layout(dialog);
  ASSERT_EQ(2, block.rectcount);
  double h, v;
  Scales(dialog, &h, &v);
  int ten = static_cast<int>(10 * h), twenty = static_cast<int>(20 * h);
  EXPECT_EQ(ten + twenty, block.rects[0].left);
  EXPECT_EQ(0, block.rects[1].left);
  EXPECT_EQ(ten, block.rects[1].right);
  EXPECT_EQ(0, block.rects[0].top);
  EXPECT_EQ(block.layoutheight, block.rects[0].bottom);
  EXPECT_EQ(0, SendMessageW(dialog, WM_XMLDIALOG_GETLAYOUT, 0, 0));
  DestroyWindow(dialog);
}

std::u16string Labels(const char16_t* head, const char16_t* tail) {
  std::u16string text = u"<dialog style=0x80C80000>";
  text += head;
  for (int i = 0; i < 3; ++i)
    text += u"<tr><td minwidth=" + std::u16string(1, char16_t(u'4' + i)) +
            u"0><control type=static title=label id=0 style=0x50000000 /></td></tr>";
  return text + tail + u"</dialog>";
}

TEST(XmlDialog, ReplacedTemplatesReuseWindowsById) {
  HWND dialog =
      Modeless(Labels(u"<tr><td><control type=button title=old id=1 style=0x50000000 "
                      u"/></td><td><control type=static id=2 /></td></tr>",
                      u""));
  HWND first = GetDlgItem(dialog, 1);
  std::vector<HWND> labels;
  for (HWND w = GetWindow(dialog, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
    if (GetDlgCtrlID(w) == 0) labels.push_back(w);
  ASSERT_EQ(3u, labels.size());
  std::u16string next = Labels(u"",
                               u"<tr><td minwidth=90 /><td><control type=button title=new "
                               u"id=1 style=0x50000000 /></td><td><control type=edit id=3 "
                               u"style=0x50000000 /></td></tr>");
  SendMessageW(dialog, WM_XMLDIALOG_SETTEMPLATE, reinterpret_cast<WPARAM>(next.data()),
               static_cast<LPARAM>(next.size()));
  EXPECT_EQ(first, GetDlgItem(dialog, 1));
  char16_t title[16] = {};
  GetWindowTextW(first, title, 16);
  EXPECT_EQ(std::u16string(u"new"), title);
  double h, v;
  Scales(dialog, &h, &v);
  EXPECT_EQ(static_cast<LONG>(90 * h), ChildRect(dialog, 1).left);
  EXPECT_TRUE(GetDlgItem(dialog, 3));
  std::vector<LONG> widths;
  for (HWND label : labels) {
    RECT r;
    GetWindowRect(label, &r);
    widths.push_back(r.right - r.left);
  }
  std::sort(widths.begin(), widths.end());
  EXPECT_EQ((std::vector<LONG>{static_cast<LONG>(40 * h), static_cast<LONG>(50 * h),
                               static_cast<LONG>(60 * h)}),
            widths);

  // A text that does not parse leaves the dialog as it was, and it keeps working.
  tagXMLDIALOGLAYOUT kept = Layout(dialog);
  std::u16string broken = u"<dialog><tr></td><control id=1 title=broken /></dialog>";
  EXPECT_FALSE(ReplaceXmlDialogTemplate(dialog, broken.data(), static_cast<int>(broken.size())));
  SendMessageW(dialog, WM_XMLDIALOG_SETTEMPLATE, reinterpret_cast<WPARAM>(broken.data()),
               static_cast<LPARAM>(broken.size()));
  GetWindowTextW(first, title, 16);
  EXPECT_EQ(std::u16string(u"new"), title);
  EXPECT_EQ(kept.layoutwidth, Layout(dialog).layoutwidth);
  SendMessageW(dialog, WM_SIZE, SIZE_RESTORED, 0);

  // A larger font: the controls are measured again and grow; the dialog owns the font.
  RECT before = ChildRect(dialog, 1);
  LOGFONTW big = {};
  big.lfHeight = -20;
  HFONT font = CreateFontIndirectW(&big);
  SendMessageW(dialog, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  EXPECT_EQ(reinterpret_cast<LRESULT>(font), SendMessageW(dialog, WM_GETFONT, 0, 0));
  RECT large = ChildRect(dialog, 1);
  EXPECT_GT(large.right - large.left, before.right - before.left);
  EXPECT_GT(large.bottom - large.top, before.bottom - before.top);
  EXPECT_EQ(reinterpret_cast<LRESULT>(font), SendMessageW(first, WM_GETFONT, 0, 0));
  DestroyWindow(dialog);
}

TEST(XmlDialog, ChildDialogsComeLaidOut) {
  HWND parent = Modeless(u"<dialog style=0x80C80000 width=300 height=200></dialog>");
  std::u16string text =
      u"<dialog><tr><td minwidth=40 storerect=1><control type=button title=Go "
      u"id=5 style=0x50000000 /></td></tr></dialog>";
  tagXMLDIALOG* page = ParseXmlDialog(text.data(), static_cast<int>(text.size()));
  ASSERT_TRUE(LayOutXmlDialog(page, nullptr));
  int width = page->layoutwidth;
  HWND child =
      CreateXmlChildDialog(GetModuleHandleW(nullptr), parent, RecordingProc, 77, page, nullptr);
  ASSERT_TRUE(child);
  EXPECT_EQ(77, gSeen.initParam);
  EXPECT_TRUE(GetWindowLongW(child, GWL_STYLE) & WS_CHILD);
  EXPECT_EQ(width, Layout(child).layoutwidth);
  RECT client;
  GetClientRect(child, &client);
  EXPECT_EQ(width, client.right);
  EXPECT_EQ(width, ChildRect(child, 5).right - ChildRect(child, 5).left);
  EXPECT_NE(0, SendMessageW(child, WM_GETFONT, 0, 0));
  DestroyWindow(parent);
  EXPECT_EQ(0, XmlDialogWindows());
}

// Real dialogs for judgement, written as PNG to the folder TL_CAPTURE_DIR names.
TEST(XmlDialog, CapturesOfRealDialogs) {
  const char* folder = CaptureFolder();
  if (!folder) GTEST_SKIP() << "TL_CAPTURE_DIR not set";
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_UPDOWN_CLASS};
  InitCommonControlsEx(&controls);
  struct Capture {
    std::u16string text;
    const char* file;
  } captures[] = {
      {SitePanelTemplate(0x90C80044), "/site_panel.png"},
      {OptionsPageTemplate(0x90C80044), "/options_page.png"},
      {ConnectionPageTemplate(0x90C80044), "/connection_page.png"},
  };
  for (const Capture& c : captures) {
    HWND dialog = Modeless(c.text);
    ASSERT_TRUE(dialog);
    SetWindowPos(dialog, HWND_TOP, 10, 10, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    UpdateWindow(dialog);
    PumpMessages(200);
    EXPECT_TRUE(CaptureWindowPng(dialog, std::string(folder) + c.file));
    DestroyWindow(dialog);
  }
}

}  // namespace
