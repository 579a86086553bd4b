// The worksheet's result lists as they draw and tip: pixels read back from the real list
// windows of a worksheet in the real frame, the tooltip windows' tools, a scan of the test
// site, and rows appended by a worker thread the way the engine appends them. Runs alone:
// it moves the mouse and takes the focus.
#include "engine/BrokenText.h"
#include "tests/support/WinGTest.h"

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/Frame.h"
#include "app/Settings.h"
#include "app/SettingsRecord.h"
#include "app/SitePanel.h"
#include "app/Startup.h"
#include "app/SystemActions.h"
#include "app/Worksheet.h"
#include "app/WorksheetLists.h"
#include "engine/ControlWrappers.h"
#include "engine/LinkFinder.h"
#include "engine/TextCopy.h"
#include "tests/app/FrameTestSupport.h"
#include "tests/engine/TestSite.h"
#include "tests/support/TempFolder.h"
#include "tests/support/WinHarness.h"
#include "toolkit/FinderStruct.h"

namespace {

constexpr COLORREF kWhite = 0xFFFFFF;
constexpr COLORREF kBlack = 0x000000;
constexpr COLORREF kStatusColours[] = {0xFF0000, 0x0000FF, 0x3232C0, 0x00A0A0, 0x00AA00};
constexpr int kTipText = 5001;

int AnswerYes(HWND, const char16_t*, const char16_t*, UINT, ...) { return IDYES; }
int TrueColour(HWND) { return 32 * 32; }
int SixteenColours(HWND) { return 4 * 4; }

int AddRow(HWND list, const std::u16string& text, LPARAM data) {
  LVITEMW item = {};
  item.mask = LVIF_TEXT | LVIF_PARAM;
  item.iItem = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  item.pszText = const_cast<char16_t*>(text.c_str());
  item.lParam = data;
  return static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

void SetCell(HWND list, int row, int column, const std::u16string& text) {
  ListView_SetItemTextU(list, row, column, const_cast<char16_t*>(text.c_str()));
}

void Select(HWND list, int row) {
  LVITEMW state = {};
  state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  state.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
}

RECT RowRect(HWND list, int row) {
  RECT box = {};
  box.left = LVIR_BOUNDS;
  SendMessageW(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&box));
  return box;
}

void Repaint(HWND list) {
  InvalidateRect(list, nullptr, TRUE);
  UpdateWindow(list);
}

// The colours a window shows inside a client rectangle.
std::set<COLORREF> Colours(HWND window, const RECT& area) {
  std::set<COLORREF> seen;
  HDC dc = GetDC(window);
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x) seen.insert(GetPixel(dc, x, y));
  ReleaseDC(window, dc);
  return seen;
}

std::u16string Tool(HWND tips, int index, RECT* rect, UINT_PTR* id) {
  std::vector<char16_t> text(kTipText);
  TTTOOLINFOW tool = {};
  tool.cbSize = sizeof tool;
  tool.lpszText = text.data();
  if (!SendMessageW(tips, TTM_ENUMTOOLSW, index, reinterpret_cast<LPARAM>(&tool))) return u"?";
  *rect = tool.rect;
  *id = tool.uId;
  return text.data();
}

int ToolCount(HWND list) {
  HWND tips = reinterpret_cast<HWND>(SendMessageW(list, WM_LIST_GETTIPS, 0, 0));
  return static_cast<int>(SendMessageW(tips, TTM_GETTOOLCOUNT, 0, 0));
}

int ColumnWidth(HWND list, int column) {
  return static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, column, 0));
}

const BrokenTexts kEnglish = {u"On page",     u"at line",     u"column",
                              u"the link to", u"The link to", u"gives the error"};

class ListDrawingTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(PrepareFrameClasses(WorksheetWndProc));
    unixFolder_ = MakeTempFolder("tl-lists-");
    const std::u16string folder = DosPath(unixFolder_);
    CopyField(g_documentsFolder, folder.c_str());
    CopyField(g_settingsFile, (folder + u"\\settings.ini").c_str());
    CopyField(g_autosaveFolder, (folder + u"\\AutoSave").c_str());
    LoadSettings();
    g_settings.NumThreads = 4;
    g_settings.ThreadsPerServer = 2;
    g_settings.AutosaveWorksheets = 0;
    finderstruct.AnimatedMessageBox = AnswerYes;
  }
  static void TearDownTestSuite() {
    EXPECT_EQ(0, system(("rm -rf '" + unixFolder_ + "'").c_str()));
  }

  void SetUp() override {
    g_systemActions.ColourDepth = TrueColour;
    g_settings.DisplayToolTips = 1;
    frame = CreateWindowExW(0, TEST_FRAME_CLASS, u"Tessaline Lite",
                            WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 1000, 700, nullptr,
                            nullptr, g_instance, nullptr);
    ASSERT_NE(nullptr, frame);
    ShowWindow(frame, SW_SHOWNORMAL);
    SendMessageW(frame, WM_COMMAND, 1100, 0);
    worksheet = ActiveWorksheet();
    ASSERT_NE(nullptr, worksheet);
    SendMessageW(g_mdiClient, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(worksheet), 0);
    SendMessageW(frame, WM_COMMAND, 1132, 0);
    links = GetDlgItem(worksheet, WORKSHEET_LINKS_LIST);
    broken = GetDlgItem(worksheet, WORKSHEET_BROKEN_LIST);
    BringToFront(frame, links);
    PumpMessages(30);
  }
  void TearDown() override {
    DestroyTestFrame(frame);
    g_systemActions.ColourDepth = MeasureColourDepth;
  }

  // Links list columns of these widths, the rest empty.
  void SetLinkColumns(std::initializer_list<int> widths) {
    const int columns = static_cast<int>(SendMessageW(
        reinterpret_cast<HWND>(SendMessageW(links, LVM_GETHEADER, 0, 0)), HDM_GETITEMCOUNT, 0, 0));
    auto width = widths.begin();
    for (int column = 0; column < columns; ++column) {
      SendMessageW(links, LVM_SETCOLUMNWIDTH, column, width != widths.end() ? *width++ : 0);
    }
  }
  int LineHeight() {
    HDC dc = GetDC(broken);
    HGDIOBJ old = SelectObject(dc, WorksheetData(worksheet)->Font);
    TEXTMETRICW metrics = {};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(broken, dc);
    return metrics.tmHeight;
  }
  std::u16string SiteUrl(const char* path) {
    std::string url = "http://127.0.0.1:" + std::to_string(site_->Port()) + path;
    return std::u16string(url.begin(), url.end());
  }

  static std::string unixFolder_;
  static TestSite* site_;
  HWND frame = nullptr;
  HWND worksheet = nullptr;
  HWND links = nullptr;
  HWND broken = nullptr;
};
std::string ListDrawingTest::unixFolder_;
TestSite* ListDrawingTest::site_;

TEST_F(ListDrawingTest, LinkRowsTakeTheirColoursFromTypeMaskSelectionAndDepth) {
  SetLinkColumns({240, 120});
  const struct {
    uint32_t data;
    COLORREF back;
    COLORREF text;
  } kRows[] = {
      {3, 0xCCDFCD, kBlack},
      {4, 0xCCDFCD, kBlack},
      {2, 0xFFFBDB, kBlack},
      {6, 0xFFFBDB, kBlack},
      {7, 0xFFFBDB, kBlack},
      {5, kWhite, kBlack},
      {8, kWhite, kBlack},
      {1 | 1u << 20 | 1u << 16, kWhite, 0xFF0000},
      {1 | 1u << 16 | 1u << 19, kWhite, 0x0000FF},
      {3 | 1u << 19 | 1u << 17, 0xCCDFCD, 0x3232C0},
      {1 | 1u << 17 | 1u << 18, kWhite, 0x00A0A0},
      {2 | 1u << 18, 0xFFFBDB, 0x00AA00},
      {0xFFFFFFFF, kWhite, 0xFF0000},
  };
  for (const auto& row : kRows) AddRow(links, u"WMWMWMWM row text", row.data);
  SetFocus(GetDlgItem(worksheet, WORKSHEET_DESCRIPTION));
  Repaint(links);
  auto check = [&](int row, COLORREF back, COLORREF text) {
    const RECT box = RowRect(links, row);
    const int middle = (box.top + box.bottom) / 2;
    EXPECT_EQ(back, PixelAt(links, box.left + 3, middle)) << "row " << row;
    const std::set<COLORREF> seen =
        Colours(links, {box.left + 5, box.top, box.left + 235, box.bottom});
    EXPECT_TRUE(seen.count(text)) << "row " << row;
    for (COLORREF status : kStatusColours) {
      if (status != text) {
        EXPECT_FALSE(seen.count(status)) << "row " << row << " " << status;
      }
    }
  };
  for (int row = 0; row < static_cast<int>(std::size(kRows)); ++row)
    check(row, kRows[row].back, kRows[row].text);

  // Selected keeps the mask's text colour until the list has the focus.
  Select(links, 8);
  Repaint(links);
  check(8, 0xF1D7C7, 0x0000FF);
  SetFocus(links);
  Repaint(links);
  check(8, 0xC56A31, kWhite);

  // Below 8 bits only the selected row has colours.
  g_systemActions.ColourDepth = SixteenColours;
  SetFocus(GetDlgItem(worksheet, WORKSHEET_DESCRIPTION));
  Repaint(links);
  check(0, kWhite, kBlack);
  check(7, kWhite, kBlack);
  check(8, 0x800000, kWhite);
}

TEST_F(ListDrawingTest, LongCellIsCutInsideItsColumn) {
  SetLinkColumns({120, 150, 0, 1});
  const int row = AddRow(links, std::u16string(2047, u'W'), 1);
  SetCell(links, row, 3, u"WWWW");
  SetCell(links, row, 1, u"abc");
  Repaint(links);
  const RECT box = RowRect(links, row);
  const std::set<COLORREF> first =
      Colours(links, {box.left + 5, box.top, box.left + 120, box.bottom});
  EXPECT_TRUE(first.count(kBlack));
  // Beyond column 0 only column 1's short text, nothing of the 2,047 characters.
  const std::set<COLORREF> gap =
      Colours(links, {box.left + 120, box.top + 1, box.left + 125, box.bottom - 1});
  EXPECT_EQ(std::set<COLORREF>{kWhite}, gap);
  const std::set<COLORREF> after =
      Colours(links, {box.left + 175, box.top + 1, box.left + 400, box.bottom - 1});
  EXPECT_EQ(std::set<COLORREF>{kWhite}, after);
}

TEST_F(ListDrawingTest, BrokenEntriesDrawTheirMarkedLines) {
  const int chr = WorksheetCharHeight(worksheet, WorksheetData(worksheet)->Font);
  const std::u16string entry =
      BrokenDescription(kEnglish, u"http://s/x", u"http://s/", 3, 7, u"Home", u"404 Not Found");
  const int row = AddRow(broken, entry, 0);
  AddRow(broken, u"second", 0);
  SetFocus(GetDlgItem(worksheet, WORKSHEET_DESCRIPTION));
  Repaint(broken);
  const RECT box = RowRect(broken, row);
  EXPECT_EQ(4 * chr + 4, box.bottom - box.top);
  const int line = LineHeight();
  auto band = [&](int index) {
    return Colours(broken, {box.left + 2, box.top + index * line, box.left + 400,
                            box.top + (index + 1) * line});
  };
  const COLORREF plain = GetSysColor(COLOR_BTNTEXT);
  const struct {
    bool green;
    bool red;
  } kLines[] = {{true, false}, {false, false}, {true, false}, {false, true}};
  for (int index = 0; index < 4; ++index) {
    const std::set<COLORREF> seen = band(index);
    EXPECT_TRUE(seen.count(plain)) << index;
    EXPECT_EQ(kLines[index].green, seen.count(0x008000) > 0) << index;
    EXPECT_EQ(kLines[index].red, seen.count(0x000080) > 0) << index;
  }
  Select(broken, row);
  SetFocus(broken);
  Repaint(broken);
  EXPECT_EQ(0xC56A31u, PixelAt(broken, box.left + 3, box.bottom - 3));
  EXPECT_TRUE(band(0).count(0x00FF00));
  EXPECT_TRUE(band(1).count(kWhite));
}

TEST_F(ListDrawingTest, MarkedTextSegmentsSitAtTheirMeasuredPrefixes) {
  NONCLIENTMETRICSW metrics = {};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  metrics.lfMessageFont.lfQuality = NONANTIALIASED_QUALITY;
  metrics.lfMessageFont.lfHeight = -20;
  HFONT font = CreateFontIndirectW(&metrics.lfMessageFont);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = 400;
  info.bmiHeader.biHeight = -100;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
  HGDIOBJ oldFont = SelectObject(dc, font);
  RECT all = {0, 0, 400, 100};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  auto extent = [&](const char16_t* text) {
    SIZE size = {};
    GetTextExtentPoint32W(dc, text, static_cast<int>(std::char_traits<char16_t>::length(text)),
                          &size);
    return static_cast<int>(size.cx);
  };
  TEXTMETRICW tm = {};
  GetTextMetricsW(dc, &tm);
  int width = 0, height = 0;
  DrawMarkedText(dc, 10, 5, u"HH\bMM\b\fWW\f\nxy", -1, 0, &width, &height);
  EXPECT_EQ(extent(u"HHMMWW"), width);
  EXPECT_EQ(2 * tm.tmHeight, height);
  // Where each colour's ink lies across the first line.
  auto inkSpan = [&](COLORREF colour) {
    int left = 400, right = -1;
    for (int y = 5; y < 5 + tm.tmHeight; ++y)
      for (int x = 0; x < 400; ++x)
        if (GetPixel(dc, x, y) == colour) left = std::min(left, x), right = std::max(right, x);
    return std::make_pair(left, right);
  };
  const auto plain = inkSpan(GetSysColor(COLOR_BTNTEXT));
  const auto green = inkSpan(0x008000);
  const auto red = inkSpan(0x000080);
  EXPECT_GE(plain.first, 10);
  EXPECT_LT(plain.second, 10 + extent(u"HH"));
  EXPECT_GE(green.first, 10 + extent(u"HH"));
  EXPECT_LT(green.second, 10 + extent(u"HHMM"));
  EXPECT_GE(red.first, 10 + extent(u"HHMM"));
  EXPECT_LT(red.second, 10 + extent(u"HHMMWW"));
  SelectObject(dc, oldFont);
  SelectObject(dc, oldBitmap);
  DeleteDC(dc);
  DeleteObject(bitmap);
  DeleteObject(font);
}

TEST_F(ListDrawingTest, BrokenColumnFollowsItsWidestEntry) {
  tagWORKSHEETDATA* data = WorksheetData(worksheet);
  const int before = ColumnWidth(broken, 0);
  AddRow(broken, u"short", 0);
  EXPECT_EQ(before, ColumnWidth(broken, 0));
  const std::u16string wide(300, u'W');
  AddRow(broken, u"\bx\b\n" + wide + u"\f\f", 0);
  HDC dc = GetDC(broken);
  HGDIOBJ old = SelectObject(dc, data->Font);
  SIZE size = {};
  GetTextExtentPoint32W(dc, wide.c_str(), 300, &size);
  SelectObject(dc, old);
  ReleaseDC(broken, dc);
  ASSERT_GT(size.cx, before);
  EXPECT_EQ(size.cx, ColumnWidth(broken, 0));
  EXPECT_EQ(size.cx, data->MinBrokenColWidth);
  AddRow(broken, u"narrow again", 0);
  EXPECT_EQ(size.cx, ColumnWidth(broken, 0));
  EXPECT_EQ(size.cx, data->MinBrokenColWidth);
  SendMessageW(broken, LVM_DELETEALLITEMS, 0, 0);
  RECT client = {};
  GetClientRect(broken, &client);
  EXPECT_EQ(client.right, ColumnWidth(broken, 0));
  EXPECT_EQ(0, data->MinBrokenColWidth);
}

TEST_F(ListDrawingTest, ToolsCoverTheVisibleCellsAndFollowThePage) {
  EXPECT_EQ(15, SendMessageW(links, WM_LIST_TIPCOLUMNS, 0, 0));
  EXPECT_EQ(1, SendMessageW(broken, WM_LIST_TIPCOLUMNS, 0, 0));
  HWND other = CreateWindowExW(0, WC_LISTVIEWW, u"", WS_CHILD | LVS_REPORT, 0, 0, 50, 50, worksheet,
                               reinterpret_cast<HMENU>(INT_PTR{999}), g_instance, nullptr);
  ASSERT_TRUE(SubclassResultList(other));
  EXPECT_EQ(0, SendMessageW(other, WM_LIST_TIPCOLUMNS, 0, 0));
  DestroyWindow(other);

  SetLinkColumns({200, 60, 70, 80});
  const int columns = g_settings.DisplayAllLinks ? 15 : 13;
  for (int row = 0; row < 200; ++row) {
    AddRow(links, u"row " + std::u16string(1, u'A' + row % 26), row);
    SetCell(links, row, 2, std::u16string(row % 3 == 0 ? 6000 : 3, u'a' + row % 26));
  }
  for (int row = 0; row < 40; ++row) AddRow(broken, u"\bentry\b\n\fline\f two", 0);
  RefreshListTooltips(links);
  RefreshListTooltips(broken);
  HWND tips = reinterpret_cast<HWND>(SendMessageW(links, WM_LIST_GETTIPS, 0, 0));
  const int page = static_cast<int>(SendMessageW(links, LVM_GETCOUNTPERPAGE, 0, 0));
  const int brokenPage = static_cast<int>(SendMessageW(broken, LVM_GETCOUNTPERPAGE, 0, 0));
  ASSERT_GT(page, 2);
  EXPECT_EQ(page * columns, ToolCount(links));
  EXPECT_EQ(brokenPage, ToolCount(broken));

  auto checkTools = [&] {
    const int top = static_cast<int>(SendMessageW(links, LVM_GETTOPINDEX, 0, 0));
    const int widths[] = {200, 60, 70, 80};
    for (int n : {0, 1, 2, 3, columns - 1, columns + 2, 2 * columns + 2, page * columns - 1}) {
      const int row = top + n / columns, column = n % columns;
      RECT rect = {};
      UINT_PTR id = 0;
      const std::u16string text = Tool(tips, n, &rect, &id);
      EXPECT_EQ(static_cast<UINT_PTR>(n), id);
      WCHAR cell[kTipText] = {};
      ListView_GetItemTextU(links, row, column, cell, kTipText);
      EXPECT_EQ(std::u16string(cell).substr(0, 5000), text) << n;
      const RECT bounds = RowRect(links, row);
      int left = bounds.left;
      for (int c = 0; c < column && c < 4; ++c) left += widths[c];
      EXPECT_EQ(left, rect.left) << n;
      EXPECT_EQ(left + (column < 4 ? widths[column] : 0), rect.right) << n;
      EXPECT_EQ(bounds.top, rect.top) << n;
      EXPECT_EQ(bounds.bottom, rect.bottom) << n;
    }
  };
  checkTools();
  SendMessageW(links, WM_KEYDOWN, VK_NEXT, 0);
  SendMessageW(links, WM_KEYDOWN, VK_NEXT, 0);
  ASSERT_GT(SendMessageW(links, LVM_GETTOPINDEX, 0, 0), 0);
  checkTools();
  SendMessageW(links, LVM_ENSUREVISIBLE, 199, FALSE);
  EXPECT_EQ(199 + 1 - page, SendMessageW(links, LVM_GETTOPINDEX, 0, 0));
  checkTools();

  RECT rect = {};
  UINT_PTR id = 0;
  HWND brokenTips = reinterpret_cast<HWND>(SendMessageW(broken, WM_LIST_GETTIPS, 0, 0));
  EXPECT_EQ(u"entry\nline two", Tool(brokenTips, 1, &rect, &id));
  const RECT second = RowRect(broken, 1);
  EXPECT_TRUE(EqualRect(&second, &rect));

  g_settings.DisplayToolTips = 0;
  RefreshListTooltips(links);
  SendMessageW(broken, WM_VSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(0, ToolCount(links));
  EXPECT_EQ(0, ToolCount(broken));
}

TEST_F(ListDrawingTest, EachListHasOneTooltipWindowThatGoesWithIt) {
  HWND tips = reinterpret_cast<HWND>(SendMessageW(links, WM_LIST_GETTIPS, 0, 0));
  HWND brokenTips = reinterpret_cast<HWND>(SendMessageW(broken, WM_LIST_GETTIPS, 0, 0));
  ASSERT_TRUE(IsWindow(tips) && IsWindow(brokenTips));
  EXPECT_NE(tips, brokenTips);
  EXPECT_EQ(tips, reinterpret_cast<HWND>(SendMessageW(links, WM_LIST_CREATETIPS, 0, 0)));
  WCHAR name[64] = {};
  GetClassNameW(tips, name, 64);
  EXPECT_EQ(std::u16string(TOOLTIPS_CLASSW), std::u16string(name));
  EXPECT_TRUE(GetWindowLongW(tips, GWL_STYLE) & TTS_ALWAYSTIP);
  EXPECT_TRUE(GetWindowLongW(tips, GWL_STYLE) & TTS_NOPREFIX);
  SendMessageW(g_mdiClient, WM_MDIDESTROY, reinterpret_cast<WPARAM>(worksheet), 0);
  EXPECT_FALSE(IsWindow(links));
  EXPECT_FALSE(IsWindow(tips));
  EXPECT_FALSE(IsWindow(brokenTips));
}

TEST_F(ListDrawingTest, ShownTipMovesWithTheMouseUntilItPops) {
  SetLinkColumns({400, 60});
  for (int row = 0; row < 5; ++row) AddRow(links, u"a row with a tip", 0);
  RefreshListTooltips(links);
  HWND tips = reinterpret_cast<HWND>(SendMessageW(links, WM_LIST_GETTIPS, 0, 0));
  const RECT row = RowRect(links, 1);
  const int y = (row.top + row.bottom) / 2;
  MouseMoveTo(links, 100, y);
  ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(tips) != 0; }, 10000));
  RECT shown = {};
  GetWindowRect(tips, &shown);
  MouseMoveTo(links, 130, y + 1);
  PumpMessages(20);
  RECT moved = {};
  GetWindowRect(tips, &moved);
  EXPECT_EQ(shown.left + 30, moved.left);
  EXPECT_EQ(shown.top + 1 + 2, moved.top);
  MouseMoveTo(links, 150, y);
  PumpMessages(20);
  GetWindowRect(tips, &moved);
  EXPECT_EQ(shown.left + 50, moved.left);
  EXPECT_EQ(shown.top + 2, moved.top);
  // No new tip may come up on its own while the mouse moves on.
  SendMessageW(tips, TTM_SETDELAYTIME, TTDT_INITIAL, 60000);
  SendMessageW(tips, TTM_SETDELAYTIME, TTDT_RESHOW, 60000);
  SendMessageW(tips, TTM_POP, 0, 0);
  RECT popped = {};
  GetWindowRect(tips, &popped);
  MouseMoveTo(links, 200, y);
  PumpMessages(20);
  RECT after = {};
  GetWindowRect(tips, &after);
  EXPECT_FALSE(IsWindowVisible(tips));
  EXPECT_TRUE(EqualRect(&popped, &after));
}

TEST_F(ListDrawingTest, HostileRowsDrawWithoutLeakingGdiObjects) {
  const std::u16string kEntries[] = {
      std::u16string(20000, u'x'),
      u"\b\f\b\f\b",
      u"\bunclosed\nnext\f",
      u"cr\ronly\rlines",
      u"",
      u"\xD800 lone \xDC00\b\xD83D",
      u"\x05E9\x05DC\x05D5\x05DD \x0645\x0631\x062D\x0628\x0627",
      std::u16string(3000, u'\n'),
  };
  SetLinkColumns({0, 300, 0, 40});
  auto insertAll = [&] {
    for (int round = 0; round < 3; ++round) {
      for (const std::u16string& entry : kEntries) {
        AddRow(broken, entry, -1);
        const int row = AddRow(links, entry, -1);
        SetCell(links, row, 1, entry);
        SetCell(links, row, 3, entry);
      }
      Repaint(links);
      Repaint(broken);
    }
  };
  insertAll();
  const int objects = LiveGdiObjects();
  insertAll();
  Select(links, 3);
  Select(broken, 5);
  SetFocus(broken);
  MoveWindow(links, 0, 0, 5, 5, TRUE);
  MoveWindow(broken, 0, 0, 5, 200, TRUE);
  Repaint(links);
  Repaint(broken);
  RefreshListTooltips(links);
  RefreshListTooltips(broken);
  EXPECT_EQ(objects, LiveGdiObjects());
  EXPECT_EQ(2 * 3 * static_cast<int>(std::size(kEntries)),
            SendMessageW(broken, LVM_GETITEMCOUNT, 0, 0));
}

// Rows appended from a worker thread through the engine's own row writer, as a scan does.
struct Appender {
  CLinkFinder* finder;
  int rows;
};
DWORD WINAPI AppendRows(void* parameter) {
  const auto* job = static_cast<const Appender*>(parameter);
  auto item = std::make_unique<tagTreeListItemFull>();
  for (int row = 0; row < job->rows; ++row) {
    *item = tagTreeListItemFull{};
    const std::u16string url = u"http://127.0.0.1/p/" + std::u16string(1, u'a' + row % 26) +
                               u".html?n=" + std::u16string(row % 7 + 1, u'x');
    CopyField(item->Url, url.c_str());
    CopyField(item->statusstr, u"200 OK");
    item->statusval = row % 10 == 0 ? STATUSVAL_BROKEN : STATUSVAL_OK;
    item->protocol = PROTOCOL_HTTP;
    item->restype = 2 + row % 3;
    CLinkFinder::SetTreeListItem(item.get(), job->finder);
  }
  return 0;
}

// 40 rows by default; TL_LIST_ROWS=5000 gives the figure of a large site.
TEST_F(ListDrawingTest, RowsFromAWorkerWithTipsOnAndOff) {
  SetLinkColumns({300, 80, 80, 80, 80, 80, 80});
  const char* wanted = std::getenv("TL_LIST_ROWS");
  const int rows = wanted ? std::atoi(wanted) : 40;
  DWORD took[2] = {};
  for (int on : {1, 0}) {
    g_settings.DisplayToolTips = on;
    SendMessageW(links, LVM_DELETEALLITEMS, 0, 0);
    Appender job = {WorksheetData(worksheet)->Finder, rows};
    const DWORD start = GetTickCount();
    HANDLE thread = CreateThread(nullptr, 0, AppendRows, &job, 0, nullptr);
    ASSERT_NE(nullptr, thread);
    ASSERT_TRUE(
        PumpUntil([&] { return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; }, 3600000));
    took[on] = GetTickCount() - start;
    CloseHandle(thread);
    EXPECT_EQ(rows, SendMessageW(links, LVM_GETITEMCOUNT, 0, 0));
    const int page = static_cast<int>(SendMessageW(links, LVM_GETCOUNTPERPAGE, 0, 0));
    EXPECT_EQ(on ? page * (g_settings.DisplayAllLinks ? 15 : 13) : 0, ToolCount(links));
  }
  std::printf("%d rows from a worker: %lu ms with tooltips, %lu ms without\n", rows,
              static_cast<unsigned long>(took[1]), static_cast<unsigned long>(took[0]));
}

TEST_F(ListDrawingTest, ScanOfTheTestSiteDrawsItsRows) {
  site_ = new TestSite;
  ASSERT_TRUE(site_->Start());
  HWND panel = GetDlgItem(worksheet, WORKSHEET_SITE_PANEL);
  HWND box =
      GetDlgItem(reinterpret_cast<SITEFRAMEDATA*>(GetWindowLongPtrW(panel, GWLP_USERDATA))->Panel,
                 IDC_SITE_URL);
  SetWindowTextW(box, SiteUrl("/index.html").c_str());
  MouseMoveTo(GetDlgItem(worksheet, WORKSHEET_DESCRIPTION), 2, 2);
  SendMessageW(frame, WM_COMMAND, 1124, 0);
  tagWORKSHEETDATA* data = WorksheetData(worksheet);
  ASSERT_TRUE(PumpUntil([&] { return !data->Running; }, 120000));
  PumpMessages(100);
  // With the mouse elsewhere the run's last page gets its tools once the mouse comes.
  const int top = static_cast<int>(SendMessageW(links, LVM_GETTOPINDEX, 0, 0));
  const RECT topRow = RowRect(links, top);
  MouseMoveTo(links, 20, (topRow.top + topRow.bottom) / 2);
  PumpMessages(30);
  const int shown = std::min(static_cast<int>(SendMessageW(links, LVM_GETCOUNTPERPAGE, 0, 0)),
                             static_cast<int>(SendMessageW(links, LVM_GETITEMCOUNT, 0, 0)) - top);
  EXPECT_EQ(shown * (g_settings.DisplayAllLinks ? 15 : 13), ToolCount(links));
  RECT toolRect = {};
  UINT_PTR toolId = 0;
  WCHAR topCell[kTipText] = {};
  ListView_GetItemTextU(links, top, 0, topCell, kTipText);
  EXPECT_EQ(std::u16string(topCell),
            Tool(reinterpret_cast<HWND>(SendMessageW(links, WM_LIST_GETTIPS, 0, 0)), 0, &toolRect,
                 &toolId));
  // The missing page's row is drawn in the broken colour; its entry has its marks drawn.
  const int rows = static_cast<int>(SendMessageW(links, LVM_GETITEMCOUNT, 0, 0));
  int missing = -1;
  for (int row = 0; row < rows; ++row) {
    WCHAR text[2048] = {};
    ListView_GetItemTextU(links, row, 0, text, 2048);
    if (SiteUrl("/missing.html") == text) missing = row;
  }
  ASSERT_GE(missing, 0);
  SendMessageW(links, LVM_ENSUREVISIBLE, missing, FALSE);
  SetFocus(GetDlgItem(worksheet, WORKSHEET_DESCRIPTION));
  Repaint(links);
  const RECT row = RowRect(links, missing);
  EXPECT_TRUE(Colours(links, {row.left + 5, row.top, row.left + 200, row.bottom}).count(0x0000FF));
  ASSERT_GT(SendMessageW(broken, LVM_GETITEMCOUNT, 0, 0), 0);
  const RECT entry = RowRect(broken, 0);
  Repaint(broken);
  const std::set<COLORREF> seen =
      Colours(broken, {entry.left, entry.top, entry.left + 400, entry.bottom});
  EXPECT_TRUE(seen.count(0x008000) && seen.count(0x000080));
  if (CaptureFolder()) {
    CaptureWindowPng(frame, std::string(CaptureFolder()) + "/lists-after-scan-both.png");
    SendMessageW(frame, WM_COMMAND, 1133, 0);
    SendMessageW(worksheet, WM_WORKSHEET_NEXT, 1, 0);
    PumpMessages(100);
    CaptureWindowPng(frame, std::string(CaptureFolder()) + "/lists-after-scan-broken-tab.png");
  }
  delete site_;
  site_ = nullptr;
}

}  // namespace
