// What a user sees on a desktop: the real frame and worksheets on an X display with a window
// manager, drawn by Wine's x11 driver with real fonts, judged by their pixels, focus and
// placement, with real message boxes answered by keys. Runs alone, on a display of its own
// (tests/support/on-desktop.sh); captures go to TL_CAPTURE_DIR when it is set.
#include "tests/support/WinGTest.h"

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cwctype>
#include <functional>
#include <string>
#include <vector>

#include "app/Frame.h"
#include "app/Language.h"
#include "app/Settings.h"
#include "app/SettingsDialog.h"
#include "app/SitePanel.h"
#include "app/Startup.h"
#include "app/StringTable.h"
#include "app/Worksheet.h"
#include "engine/ControlWrappers.h"
#include "engine/TextCopy.h"
#include "tests/app/FrameTestSupport.h"
#include "tests/support/TempFolder.h"
#include "tests/support/WinHarness.h"
#include "toolkit/FinderStruct.h"

namespace {

// The pixels of a rectangle of a window (window coordinates when `whole`, else client
// coordinates), row by row.
struct Pixels {
  int width = 0, height = 0;
  std::vector<COLORREF> at;
  COLORREF operator()(int x, int y) const { return at[size_t(y) * width + x]; }
};

Pixels Grab(HWND window, const RECT& area, bool whole) {
  Pixels grabbed;
  grabbed.width = area.right - area.left;
  grabbed.height = area.bottom - area.top;
  if (grabbed.width <= 0 || grabbed.height <= 0) return grabbed;
  HDC dc = whole ? GetWindowDC(window) : GetDC(window);
  HDC memory = CreateCompatibleDC(dc);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = grabbed.width;
  info.bmiHeader.biHeight = -grabbed.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, grabbed.width, grabbed.height, dc, area.left, area.top, SRCCOPY);
  GdiFlush();
  const auto* quads = static_cast<const RGBQUAD*>(bits);
  for (int i = 0; bits && i < grabbed.width * grabbed.height; ++i) {
    grabbed.at.push_back(RGB(quads[i].rgbRed, quads[i].rgbGreen, quads[i].rgbBlue));
  }
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(window, dc);
  if (grabbed.at.empty()) grabbed.width = grabbed.height = 0;
  return grabbed;
}

int Luminance(COLORREF c) { return (GetRValue(c) * 3 + GetGValue(c) * 6 + GetBValue(c)) / 10; }

void Capture(HWND window, const char* name) {
  if (CaptureFolder()) {
    EXPECT_TRUE(CaptureWindowPng(window, std::string(CaptureFolder()) + "/" + name)) << name;
  }
}

std::u16string TextOf(HWND window) {
  WCHAR text[2048] = {};
  GetWindowTextW(window, text, 2048);
  return text;
}

struct ClassSearch {
  const char16_t* cls;
  HWND found;
};
BOOL CALLBACK MatchClass(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<ClassSearch*>(parameter);
  WCHAR name[64] = {};
  GetClassNameW(window, name, 64);
  if (IsWindowVisible(window) && lstrcmpW(name, search->cls) == 0) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

// The visible top-level window of this thread of a class, or null.
HWND ThreadWindow(const char16_t* cls) {
  ClassSearch search = {cls, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), MatchClass, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Runs `act` on the window `find` answers, from a timer of the thread, once it is up: inside
// the modal loop that shows it. `act` must not pump messages once it may have ended that
// loop, whose end is a quit message that a pump would take.
std::function<HWND()> gFind;
std::function<void(HWND)> gAct;
UINT_PTR gTick;
void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
  HWND window = gFind();
  if (!window) return;
  KillTimer(nullptr, gTick);
  gTick = 0;
  const std::function<void(HWND)> act = std::move(gAct);
  act(window);
}
void WhenUp(std::function<HWND()> find, std::function<void(HWND)> act) {
  gFind = std::move(find);
  gAct = std::move(act);
  gTick = SetTimer(nullptr, 0, 50, Tick);
}
void WhenUp(const char16_t* cls, std::function<void(HWND)> act) {
  WhenUp([cls] { return ThreadWindow(cls); }, std::move(act));
}

// A key pressed and released, left for the loop that runs to deliver.
void QueueKey(WORD vk) {
  INPUT inputs[2] = {};
  for (INPUT& input : inputs) {
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
  }
  inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, inputs, sizeof(INPUT));
}

class DesktopTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(PrepareFrameClasses(WorksheetWndProc));
    finderstruct.InitCustomControls(g_instance, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(10), 1, 2, 3);
    g_accelerators = LoadAcceleratorsW(g_instance, MAKEINTRESOURCEW(1));
    ASSERT_NE(nullptr, g_accelerators);
    unixFolder_ = UseTemporarySettings("tl-desktop-");
    folder_ = DosPath(unixFolder_);
    g_settings.AutosaveWorksheets = 0;
  }
  static void TearDownTestSuite() {
    DestroyAcceleratorTable(g_accelerators);
    g_accelerators = nullptr;
    EXPECT_EQ(0, system(("rm -rf '" + unixFolder_ + "'").c_str()));
  }
  void SetUp() override {
    SetPumpFilter([](MSG* message) {
      DispatchProgramMessage(message);
      return true;
    });
    frame = CreateWindowExW(0, TEST_FRAME_CLASS, u"Tessaline Lite",
                            WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 40, 40, 1000, 700, nullptr,
                            nullptr, g_instance, nullptr);
    ASSERT_NE(nullptr, frame);
    ShowWindow(frame, SW_SHOWNORMAL);
    UpdateWindow(frame);
    BringToFront(frame);
    PumpMessages(100);
  }
  void TearDown() override {
    for (HWND worksheet : ListWorksheets()) {
      SendMessageW(g_mdiClient, WM_MDIDESTROY, reinterpret_cast<WPARAM>(worksheet), 0);
    }
    DestroyTestFrame(frame);
    SetPumpFilter(nullptr);
    PumpMessages(50);
  }
  HWND NewWorksheet() {
    SendMessageW(frame, WM_COMMAND, 1100, 0);
    HWND worksheet = ActiveWorksheet();
    PumpMessages(100);
    return worksheet;
  }

  static std::string unixFolder_;
  static std::u16string folder_;
  HWND frame = nullptr;
};
std::string DesktopTest::unixFolder_;
std::u16string DesktopTest::folder_;

// The rectangle, in window coordinates, where the window's caption answers `hit`.
RECT HitArea(HWND window, LRESULT hit) {
  RECT bounds = {};
  GetWindowRect(window, &bounds);
  RECT area = {INT_MAX, INT_MAX, INT_MIN, INT_MIN};
  const int captionBottom = GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION) + 4;
  for (int y = 0; y < captionBottom; ++y) {
    for (int x = 0; x < bounds.right - bounds.left; ++x) {
      const LPARAM at = MAKELPARAM(bounds.left + x, bounds.top + y);
      if (SendMessageW(window, WM_NCHITTEST, 0, at) != hit) continue;
      area.left = std::min<LONG>(area.left, x);
      area.top = std::min<LONG>(area.top, y);
      area.right = std::max<LONG>(area.right, x + 1);
      area.bottom = std::max<LONG>(area.bottom, y + 1);
    }
  }
  return area;
}

// A caption button's glyph is a symbol of Wine's Marlett font: the close button's cross is
// the same mirrored left to right and top to bottom, where the letter "r" that stands in
// for it without the font is not.
TEST_F(DesktopTest, CaptionButtonsShowTheirSymbols) {
  HWND worksheet = NewWorksheet();
  ASSERT_NE(nullptr, worksheet);
  MoveWindow(worksheet, 10, 10, 640, 420, TRUE);
  UpdateWindow(frame);
  PumpMessages(100);
  RECT close = HitArea(worksheet, HTCLOSE);
  ASSERT_LT(close.left, close.right) << "the worksheet has a close button";
  // The button's own edges are dark too: only its face is judged.
  InflateRect(&close, -3, -3);
  const Pixels button = Grab(worksheet, close, true);
  ASSERT_GT(button.width, 4);
  RECT ink = {INT_MAX, INT_MAX, INT_MIN, INT_MIN};
  for (int y = 0; y < button.height; ++y) {
    for (int x = 0; x < button.width; ++x) {
      if (Luminance(button(x, y)) >= 96) continue;
      ink = {std::min<LONG>(ink.left, x), std::min<LONG>(ink.top, y),
             std::max<LONG>(ink.right, x + 1), std::max<LONG>(ink.bottom, y + 1)};
    }
  }
  ASSERT_LT(ink.left, ink.right) << "the close button shows a glyph";
  int dark = 0, unlike = 0;
  for (int y = ink.top; y < ink.bottom; ++y) {
    for (int x = ink.left; x < ink.right; ++x) {
      const bool here = Luminance(button(x, y)) < 96;
      const bool mirrored = Luminance(button(ink.right - 1 - (x - ink.left), y)) < 96;
      const bool flipped = Luminance(button(x, ink.bottom - 1 - (y - ink.top))) < 96;
      dark += here;
      unlike += (here != mirrored) + (here != flipped);
    }
  }
  EXPECT_GE(ink.right - ink.left, 5);
  EXPECT_GE(ink.bottom - ink.top, 5);
  EXPECT_LE(unlike, dark / 4) << "the cross of the close button, not a letter";
  Capture(worksheet, "caption-buttons.png");
}

// Maximised, the worksheet covers the MDI client with its client area exactly; its caption
// and frame lie outside, and its window buttons go into the frame's menu bar.
TEST_F(DesktopTest, MaximisedWorksheetFillsTheFrame) {
  HWND worksheet = NewWorksheet();
  ASSERT_NE(nullptr, worksheet);
  SendMessageW(g_mdiClient, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(worksheet), 0);
  UpdateWindow(frame);
  PumpMessages(200);
  ASSERT_TRUE(IsZoomed(worksheet));
  RECT inside = {}, client = {};
  GetClientRect(worksheet, &inside);
  MapWindowPoints(worksheet, nullptr, reinterpret_cast<POINT*>(&inside), 2);
  GetClientRect(g_mdiClient, &client);
  MapWindowPoints(g_mdiClient, nullptr, reinterpret_cast<POINT*>(&client), 2);
  EXPECT_EQ(client.left, inside.left);
  EXPECT_EQ(client.top, inside.top);
  EXPECT_EQ(client.right, inside.right);
  EXPECT_EQ(client.bottom, inside.bottom);
  HMENU bar = GetMenu(frame);
  const int items = GetMenuItemCount(bar);
  ASSERT_GT(items, 3);
  EXPECT_EQ(static_cast<UINT>(SC_CLOSE), GetMenuItemID(bar, items - 1))
      << "the worksheet's close button in the menu bar";
  EXPECT_NE(nullptr, GetSubMenu(bar, 0)) << "its system menu first";
  // The start button at the bottom of the left column is whole on screen.
  RECT button = WindowRectIn(GetDlgItem(worksheet, WORKSHEET_START_STOP), g_mdiClient);
  RECT mdi = {};
  GetClientRect(g_mdiClient, &mdi);
  EXPECT_LE(button.bottom, mdi.bottom);
  Capture(frame, "maximised-worksheet.png");
  SendMessageW(g_mdiClient, WM_MDIRESTORE, reinterpret_cast<WPARAM>(worksheet), 0);
}

// Where the words of a line of text begin: the first column with ink (a colour other than
// the background) after a run of at least three columns without.
std::vector<int> WordStarts(const Pixels& pixels, COLORREF background) {
  std::vector<int> starts;
  int blank = 3;
  for (int x = 0; x < pixels.width; ++x) {
    bool ink = false;
    for (int y = 0; y < pixels.height && !ink; ++y) ink = pixels(x, y) != background;
    if (ink && blank >= 3) starts.push_back(x);
    blank = ink ? 0 : blank + 1;
  }
  return starts;
}

// The coloured pieces of a broken-links entry join as the whole line would in one piece:
// the same ink columns as one TextOut of the text without its marks, in the list's font.
TEST_F(DesktopTest, BrokenEntryPiecesJoinWithoutGaps) {
  HWND worksheet = NewWorksheet();
  ASSERT_NE(nullptr, worksheet);
  MoveWindow(worksheet, 0, 0, 900, 560, TRUE);
  SendMessageW(worksheet, WM_COMMAND, 1132, 0);  // both lists
  HWND broken = GetDlgItem(worksheet, WORKSHEET_BROKEN_LIST);
  const std::u16string marked =
      u"Broken \f\"../../climb.html\"\f when you click on \b\"../../"
      u"climb.html\"\b , and W\bAV\bA \fTo\f.";
  std::u16string plain;
  for (char16_t c : marked) {
    if (c != u'\b' && c != u'\f') plain += c;
  }
  LVITEMW item = {};
  item.mask = LVIF_TEXT;
  item.pszText = const_cast<WCHAR*>(marked.c_str());
  ASSERT_EQ(0, SendMessageW(broken, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
  SendMessageW(broken, LVM_SETCOLUMNWIDTH, 0, 860);
  InvalidateRect(broken, nullptr, TRUE);
  UpdateWindow(broken);
  PumpMessages(100);
  RECT row = {LVIR_BOUNDS};
  SendMessageW(broken, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row));
  HFONT font = WorksheetData(worksheet)->Font;
  HDC screen = GetDC(broken);
  HGDIOBJ old = SelectObject(screen, font);
  TEXTMETRICW metrics = {};
  GetTextMetricsW(screen, &metrics);
  SIZE whole = {};
  GetTextExtentPoint32W(screen, plain.c_str(), static_cast<int>(plain.size()), &whole);
  SelectObject(screen, old);
  ReleaseDC(broken, screen);
  const RECT line = {row.left + 2, row.top, row.left + 2 + whole.cx + 8,
                     row.top + metrics.tmHeight};
  const Pixels shown = Grab(broken, line, false);
  ASSERT_GT(shown.width, 0);

  // The same text in one piece and one colour, each character where the font's measure
  // puts it, drawn into the list's empty space below the row by the same driver.
  const int below = row.bottom + 20;
  HDC dc = GetDC(broken);
  HGDIOBJ oldFont = SelectObject(dc, font);
  std::vector<INT> advances(plain.size());
  SIZE measured = {};
  GetTextExtentExPointW(dc, plain.c_str(), static_cast<int>(plain.size()), 0, nullptr,
                        advances.data(), &measured);
  for (size_t i = plain.size() - 1; i > 0; --i) advances[i] -= advances[i - 1];
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 0));
  ExtTextOutW(dc, line.left, below, 0, nullptr, plain.c_str(), static_cast<int>(plain.size()),
              advances.data());
  SelectObject(dc, oldFont);
  ReleaseDC(broken, dc);
  const Pixels reference =
      Grab(broken, {line.left, below, line.right, below + metrics.tmHeight}, false);

  // Coloured glyphs are shaded apart from black ones; where each word starts is not.
  const std::vector<int> expected = WordStarts(reference, RGB(255, 255, 255));
  const std::vector<int> drawn = WordStarts(shown, RGB(255, 255, 255));
  EXPECT_GE(expected.size(), 10u);
  ASSERT_EQ(expected.size(), drawn.size()) << "each piece starts where the one before it ended";
  // Measured from the first word: the row may start its text a pixel or two further in.
  for (size_t i = 1; i < expected.size(); ++i) {
    EXPECT_LE(std::abs((expected[i] - expected[0]) - (drawn[i] - drawn[0])), 1) << "word " << i;
  }
  Capture(worksheet, "broken-entry.png");
}

// F4 gives the recent URLs' box the keyboard and drops its list: Down and Enter pick one.
TEST_F(DesktopTest, F4FocusesTheRecentUrls) {
  CopyField(g_settings.Link[0], u"http://127.0.0.1:9/first.html");
  CopyField(g_settings.Link[1], u"http://127.0.0.1:9/second.html");
  HWND worksheet = NewWorksheet();
  ASSERT_NE(nullptr, worksheet);
  HWND panel = GetDlgItem(worksheet, WORKSHEET_SITE_PANEL);
  RefreshSiteUrlList(panel);
  HWND combo =
      GetDlgItem(reinterpret_cast<SITEFRAMEDATA*>(GetWindowLongPtrW(panel, GWLP_USERDATA))->Panel,
                 IDC_SITE_URL);
  SetFocus(GetDlgItem(worksheet, WORKSHEET_LINKS_LIST));
  PumpMessages(50);
  PressKey(VK_F4);
  PumpMessages(100);
  HWND focus = GetFocus();
  EXPECT_TRUE(focus == combo || IsChild(combo, focus)) << "the box has the keyboard";
  EXPECT_TRUE(IsSiteUrlDropped(panel));
  PressKey(VK_DOWN);
  PressKey(VK_RETURN);
  PumpMessages(50);
  EXPECT_FALSE(IsSiteUrlDropped(panel));
  const std::u16string chosen = TextOf(combo);
  EXPECT_TRUE(chosen == g_settings.Link[0] || chosen == g_settings.Link[1]) << "a recent URL";
  g_settings.Link[0][0] = g_settings.Link[1][0] = 0;
}

// The close question of an unsaved worksheet starts on No: Enter keeps the worksheet.
TEST_F(DesktopTest, EnterInTheCloseQuestionKeepsTheWorksheet) {
  HWND worksheet = NewWorksheet();
  ASSERT_NE(nullptr, worksheet);
  int focused = 0;
  WhenUp(u"ANIMATED_MESSAGE_BOX_CLASS", [&](HWND) {
    focused = GetDlgCtrlID(GetFocus());
    QueueKey(VK_RETURN);
  });
  SendMessageW(worksheet, WM_CLOSE, 0, 0);
  EXPECT_EQ(IDNO, focused);
  EXPECT_TRUE(IsWindow(worksheet));
}

// A file that is no worksheet opens nothing, says so in a box that names it, and stays as
// it was.
TEST_F(DesktopTest, OpeningANonWorksheetSaysWhy) {
  const std::u16string path = folder_ + u"\\notes.tsn";
  const std::string unixPath = unixFolder_ + "/notes.tsn";
  FILE* file = fopen(unixPath.c_str(), "wb");
  ASSERT_NE(nullptr, file);
  fputs("just some notes\r\n", file);
  fclose(file);
  std::u16string said;
  WhenUp(u"ANIMATED_MESSAGE_BOX_CLASS", [&](HWND box) {
    said = TextOf(GetDlgItem(box, 100));
    Capture(box, "bad-open.png");
    QueueKey(VK_RETURN);
  });
  HWND worksheet = CreateWorksheet();
  ASSERT_NE(nullptr, worksheet);
  SendMessageW(worksheet, WM_WORKSHEET_OPEN, 0, reinterpret_cast<LPARAM>(path.c_str()));
  PumpMessages(50);
  EXPECT_TRUE(ListWorksheets().empty());
  EXPECT_NE(std::u16string::npos, said.find(path)) << "the box names the file";
  file = fopen(unixPath.c_str(), "rb");
  ASSERT_NE(nullptr, file);
  char bytes[64] = {};
  const size_t read = fread(bytes, 1, sizeof bytes, file);
  fclose(file);
  EXPECT_EQ(std::string("just some notes\r\n"), std::string(bytes, read));
}

// The settings sheet and the file dialog carry the program's icon, not Wine's.
TEST_F(DesktopTest, DialogsShowTheProgramIcon) {
  HANDLE expected = LoadImageW(g_instance, MAKEINTRESOURCEW(1), IMAGE_ICON, 16, 16, LR_SHARED);
  ASSERT_NE(nullptr, expected);
  g_runSettingsDialog = RunSettingsDialog;
  HANDLE sheetIcon = nullptr;
  WhenUp(
      [this] {
        HWND top = GetForegroundWindow();
        return top && top != frame && IsWindowVisible(top) ? top : nullptr;
      },
      [&](HWND sheet) {
        sheetIcon = reinterpret_cast<HANDLE>(SendMessageW(sheet, WM_GETICON, ICON_SMALL, 0));
        PostMessageW(sheet, WM_COMMAND, IDCANCEL, 0);
      });
  SendMessageW(frame, WM_COMMAND, 1106, 0);
  EXPECT_EQ(expected, sheetIcon) << "settings";

  HANDLE dialogIcon = nullptr;
  WhenUp(u"#32770", [&](HWND dialog) {
    dialogIcon = reinterpret_cast<HANDLE>(SendMessageW(dialog, WM_GETICON, ICON_SMALL, 0));
    Capture(dialog, "open-dialog.png");
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  });
  SendMessageW(frame, WM_COMMAND, 1101, 0);
  EXPECT_EQ(expected, dialogIcon) << "open";
}

// Columns of a row of pixels, the right one past the last.
struct Span {
  int left, right;
};

// Where a menu item's icon lies in its row: the first place where every opaque pixel of the
// icon shows (in the grey-text colour when the item is greyed). The columns of its opaque
// pixels, or {-1, -1} when it shows nowhere whole.
Span FindIcon(const Pixels& row, int icon, bool greyed) {
  int width = 0, height = 0;
  ImageList_GetIconSize(g_menuImages, &width, &height);
  Pixels mask = {width, height, std::vector<COLORREF>(size_t(width) * height)};
  Pixels colour = mask;
  for (Pixels* image : {&mask, &colour}) {
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    PatBlt(memory, 0, 0, width, height, WHITENESS);
    ImageList_Draw(g_menuImages, icon, memory, 0, 0, image == &mask ? ILD_MASK : ILD_NORMAL);
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) image->at[size_t(y) * width + x] = GetPixel(memory, x, y);
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
  }
  const COLORREF grey = GetSysColor(COLOR_GRAYTEXT);
  for (int top = 0; top + height <= row.height; ++top) {
    for (int left = 0; left + width <= row.width; ++left) {
      Span opaque = {INT_MAX, INT_MIN};
      bool whole = true;
      for (int y = 0; y < height && whole; ++y) {
        for (int x = 0; x < width && whole; ++x) {
          if (mask(x, y) != RGB(0, 0, 0)) continue;
          whole = row(left + x, top + y) == (greyed ? grey : colour(x, y));
          opaque = {std::min(opaque.left, left + x), std::max(opaque.right, left + x + 1)};
        }
      }
      if (whole) return opaque;
    }
  }
  return {-1, -1};
}

// Each icon of the frame's menus stands apart from its item's text: between the icon's
// last opaque column and the first letter lie columns of the item's background only.
TEST_F(DesktopTest, MenuIconsStandApartFromTheirText) {
  ASSERT_NE(nullptr, NewWorksheet());
  HMENU bar = GetMenu(frame);
  int icons = 0;
  for (int index = 0; index < GetMenuItemCount(bar); ++index) {
    HMENU popup = GetSubMenu(bar, index);
    bool hasIcon = false;
    for (int i = 0; popup && i < GetMenuItemCount(popup); ++i) {
      hasIcon |= GetMenuIcon(GetMenuItemID(popup, i)) >= 0;
    }
    if (!hasIcon) continue;
    WCHAR title[64] = {};
    GetMenuStringW(bar, index, title, 64, MF_BYPOSITION);
    const WCHAR* mnemonic = std::find(title, title + 63, u'&');
    ASSERT_NE(title + 63, mnemonic) << "menu " << index << " has a key";
    // Opened as with Alt and its key, drawn by the menu's own loop; judged once it closed.
    struct Shown {
      UINT id;
      RECT item;
      bool greyed;
    };
    std::vector<Shown> items;
    Pixels all;
    WhenUp(
        [] {
          HWND shown = ThreadWindow(u"#32768");
          return shown && SendMessageW(shown, MN_GETHMENU, 0, 0) ? shown : nullptr;
        },
        [&](HWND shown) {
          UpdateWindow(shown);
          RECT bounds = {};
          GetWindowRect(shown, &bounds);
          auto* menu = reinterpret_cast<HMENU>(SendMessageW(shown, MN_GETHMENU, 0, 0));
          all = Grab(shown, {0, 0, bounds.right - bounds.left, bounds.bottom - bounds.top}, true);
          for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            Shown item = {GetMenuItemID(menu, i), {}, false};
            if (GetMenuIcon(item.id) < 0 || !GetMenuItemRect(nullptr, menu, i, &item.item))
              continue;
            OffsetRect(&item.item, -bounds.left, -bounds.top);
            item.greyed = GetMenuState(menu, i, MF_BYPOSITION) & MF_GRAYED;
            items.push_back(item);
          }
          Capture(shown, (std::string("menu-icons-") + char(index + '0') + ".png").c_str());
          EndMenu();
        });
    PostMessageW(frame, WM_SYSCOMMAND, SC_KEYMENU, static_cast<LPARAM>(towlower(mnemonic[1])));
    PumpUntil([&] { return !items.empty() && !ThreadWindow(u"#32768"); }, 3000);
    ASSERT_FALSE(items.empty()) << "menu " << index << " shows its icons";
    for (const Shown& item : items) {
      Pixels row = {item.item.right - item.item.left, item.item.bottom - item.item.top, {}};
      for (int y = item.item.top; y < item.item.bottom; ++y) {
        for (int x = item.item.left; x < item.item.right; ++x) row.at.push_back(all(x, y));
      }
      const COLORREF background = row(0, 0);
      const Span icon = FindIcon(row, GetMenuIcon(item.id), item.greyed);
      ++icons;
      if (icon.left < 0) {
        ADD_FAILURE() << "the icon of " << item.id << " shows whole";
        continue;
      }
      int gap = 0;
      for (int x = icon.right; x < row.width; ++x, ++gap) {
        bool ink = false;
        for (int y = 0; y < row.height && !ink; ++y) ink = row(x, y) != background;
        if (ink) break;
      }
      EXPECT_LT(icon.right + gap, row.width) << "the text of " << item.id << " follows its icon";
      EXPECT_GE(gap, 2) << "background between the icon of " << item.id << " and its text";
    }
  }
  EXPECT_GE(icons, 6) << "the icons of the File, Processing, Reports and Help menus";
}

}  // namespace
