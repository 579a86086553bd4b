// The link list dialog over a worksheet filled by direct inserts, driven from a one-shot
// timer inside its modal loop: the header and rows both ways, the empty list, the context
// menu's copy and open, and the geometry it reads and stores.
#include "tests/support/WinGTest.h"

#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/LinkListDialog.h"
#include "app/SettingsRecord.h"
#include "app/Startup.h"
#include "app/StringTable.h"
#include "app/SystemActions.h"
#include "engine/ControlWrappers.h"
#include "engine/LinkFinder.h"
#include "scandb/ScanDb.h"
#include "tests/support/TempFolder.h"
#include "tests/support/WinHarness.h"
#include "toolkit/FinderStruct.h"

// Reaches the engine's storage context, to insert rows as a crawl would.
struct CLinkFinderTestAccess {
  static tagDBCONTEXT* Context(CLinkFinder& engine) { return engine.context; }
};

namespace {

constexpr char16_t kIndex[] = u"http://h/index.html";
constexpr char16_t kOdd[] = u"http://h/a b\"c";

std::mutex gLock;
std::vector<std::pair<std::u16string, int>> gShell;  // address, show command

HINSTANCE WINAPI RecordShell(HWND, LPCWSTR, LPCWSTR file, LPCWSTR, LPCWSTR, INT show) {
  std::lock_guard<std::mutex> hold(gLock);
  gShell.emplace_back(file, show);
  return reinterpret_cast<HINSTANCE>(42);
}

std::u16string Clipboard(HWND owner) {
  std::u16string text;
  if (!OpenClipboard(owner)) return text;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    text = static_cast<const char16_t*>(GlobalLock(data));
    GlobalUnlock(data);
  }
  CloseClipboard();
  return text;
}

void Put(CLinkFinder& engine, const char* resource, int32_t restype, const char* page, int line) {
  ASSERT_EQ(1, DBAddLinkProcessed(CLinkFinderTestAccess::Context(engine), 1, "", "", "h", 80,
                                  resource, "", "", restype, 0, "", "OK", "", "", "", "", "", 1, 0,
                                  0, page, "", line, 7, 0, 1));
}

class LinkListDialogTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    g_instance = GetModuleHandleW(nullptr);
    DllInit();
    InitCommonControls();
    ASSERT_TRUE(LoadStringTable(nullptr));
  }

  void SetUp() override {
    g_systemActions.ShellExecute = RecordShell;
    owner_ = CreateWindowExW(0, u"STATIC", u"owner", WS_OVERLAPPEDWINDOW, 0, 0, 600, 400, nullptr,
                             nullptr, g_instance, nullptr);
    folder_ = DosPath(MakeTempFolder("linklist"));
    const std::u16string file = folder_ + u"\\sheet.fdb";
    engine_ = std::make_unique<CLinkFinder>(OLDFORMAT_NONE, file.c_str(), file.c_str(), &g_settings,
                                            owner_, owner_, nullptr, nullptr, nullptr, 1,
                                            CONSOLE_NONE, nullptr);
    ASSERT_TRUE(engine_->Initialized());
    Put(*engine_, "/page.html", 2, "http://h/index.html", 3);
    Put(*engine_, "/a b\"c", 3, "http://h/index.html", 4);
    g_settings.LinksInOutX = 30;
    g_settings.LinksInOutY = 40;
    g_settings.LinksInOutCX = 500;
    g_settings.LinksInOutCY = 300;
    g_settings.LinksInOutW1 = 200;
    g_settings.LinksInOutW2 = 150;
  }
  void TearDown() override {
    engine_.reset();
    DestroyWindow(owner_);
    DeleteFileW((folder_ + u"\\sheet.fdb").c_str());
    RemoveDirectoryW(folder_.c_str());
  }

  // Runs the dialog for url and direction; `look` sees it from inside its modal loop once
  // it is shown, and the dialog is cancelled afterwards.
  void Run(const char16_t* url, int direction, std::function<void(HWND)> look) {
    bool looked = false;
    std::function<void()> step = [&] {
      HWND dialog = FindWindowW(u"#32770", u"View Links");
      if (!dialog || !IsWindowVisible(dialog)) {
        RunFromTimer(50, step);
        return;
      }
      look(dialog);
      looked = true;
      PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    };
    RunFromTimer(50, step);
    const LINKLISTREQUEST request = {direction, url, engine_.get()};
    RunLinkListDialog(owner_, &request);
    EXPECT_TRUE(looked);
  }

  static HWND List(HWND dialog) { return GetDlgItem(dialog, 1801); }
  static std::u16string Cell(HWND list, int row, int column) {
    WCHAR text[2048] = {};
    ListView_GetItemTextU(list, row, column, text, 2048);
    return text;
  }
  static int Image(HWND list, int row) {
    LVITEMW item = {};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    return item.iImage;
  }
  static int Rows(HWND list) {
    return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  }
  static RECT WindowRect(HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    return rect;
  }

  HWND owner_ = nullptr;
  std::u16string folder_;
  std::unique_ptr<CLinkFinder> engine_;
};

TEST_F(LinkListDialogTest, HeaderRowsAndImagesBothWays) {
  const struct {
    const char16_t* url;
    int direction;
    const char16_t* header;
    std::vector<std::u16string> rows;
    std::vector<int> images;  // bitmap 6: 2 + the resource type, 4 for a page's links
  } cases[] = {
      {kIndex,
       0,
       u"Page http://h/index.html\r\nhas links to:",
       {kOdd, u"http://h/page.html"},
       {4, 4}},
      {kOdd, 1, u"Page http://h/a b\"c\r\nis linked from:", {kIndex}, {5}},
      {u"http://h/page.html", 1, u"Page http://h/page.html\r\nis linked from:", {kIndex}, {4}},
      {kIndex, 1, u"Page http://h/index.html\r\nis linked from:", {u"No items found."}, {0}},
  };
  for (const auto& c : cases) {
    Run(c.url, c.direction, [&](HWND dialog) {
      char16_t header[512] = {};
      GetDlgItemTextW(dialog, 1800, header, 512);
      EXPECT_EQ(std::u16string(c.header), header);
      HWND list = List(dialog);
      ASSERT_EQ(static_cast<int>(c.rows.size()), Rows(list)) << header;
      for (int row = 0; row < Rows(list); ++row) {
        EXPECT_EQ(c.rows[row], Cell(list, row, 0));
        if (c.rows[0] != u"No items found.") {
          EXPECT_EQ(c.images[row], Image(list, row));
        }
      }
      if (c.direction == 0) {
        EXPECT_EQ(u"At line 4 column 7, http://h/index.html", Cell(list, 0, 1));
      }
      const char* folder = CaptureFolder();
      if (folder && c.direction == 0) {
        PumpMessages(200);
        CaptureWindowPng(dialog, std::string(folder) + "/link-list.png");
      }
    });
  }
}

TEST_F(LinkListDialogTest, CopyAndOpenActOnlyOnASelectedRow) {
  Run(kIndex, 0, [&](HWND dialog) {
    HWND list = List(dialog);
    HMENU menu = BuildLinkListMenu(list);
    EXPECT_TRUE(GetMenuState(menu, 1802, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_TRUE(GetMenuState(menu, 1803, MF_BYCOMMAND) & MF_GRAYED);
    DestroyMenu(menu);
    if (OpenClipboard(dialog)) {
      EmptyClipboard();
      CloseClipboard();
    }
    SendMessageW(dialog, WM_COMMAND, 1802, 0);
    SendMessageW(dialog, WM_COMMAND, 1803, 0);
    EXPECT_EQ(u"", Clipboard(dialog));

    LVITEMW state = {};
    state.stateMask = state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&state));
    menu = BuildLinkListMenu(list);
    EXPECT_FALSE(GetMenuState(menu, 1802, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_FALSE(GetMenuState(menu, 1803, MF_BYCOMMAND) & MF_GRAYED);
    DestroyMenu(menu);
    SendMessageW(dialog, WM_COMMAND, 1802, 0);
    EXPECT_EQ(std::u16string(kOdd), Clipboard(dialog));
    SendMessageW(dialog, WM_COMMAND, 1803, 0);
    PumpUntil(
        [] {
          std::lock_guard<std::mutex> hold(gLock);
          return !gShell.empty();
        },
        20000);
  });
  std::lock_guard<std::mutex> hold(gLock);
  ASSERT_EQ(1u, gShell.size()) << "only with a selection";
  EXPECT_EQ(u"http://h/a%20b%22c", gShell[0].first);
  EXPECT_EQ(SW_SHOWMAXIMIZED, gShell[0].second);
  gShell.clear();
}

TEST_F(LinkListDialogTest, StoredGeometryIsUsedWhenUsableAndStoredOnClose) {
  RECT work;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const struct {
    int x, y, cx, cy;
    bool placed;  // at the stored position; else where the system put it
    int width, height;
  } cases[] = {
      {30, 40, 500, 300, true, 500, 300},    {-1, 40, 520, 310, false, 520, 310},
      {30, -5, 520, 310, false, 520, 310},   {30000, 40, 500, 300, false, 500, 300},
      {30, 40, 100000, 300, true, 400, 250}, {30, 40, 0, 300, true, 400, 250},
      {30, 40, 500, -20, true, 400, 250},    {30, 40, 50, 10, true, 400, 250},
  };
  for (const auto& c : cases) {
    g_settings.LinksInOutX = c.x;
    g_settings.LinksInOutY = c.y;
    g_settings.LinksInOutCX = c.cx;
    g_settings.LinksInOutCY = c.cy;
    RECT shown = {};
    Run(kIndex, 0, [&](HWND dialog) {
      shown = WindowRect(dialog);
      SendMessageW(List(dialog), LVM_SETCOLUMNWIDTH, 0, 123);
      SendMessageW(List(dialog), LVM_SETCOLUMNWIDTH, 1, 77);
    });
    const std::string at = std::to_string(c.x) + "," + std::to_string(c.y) + " " +
                           std::to_string(c.cx) + "x" + std::to_string(c.cy);
    EXPECT_EQ(c.width, shown.right - shown.left) << at;
    EXPECT_EQ(c.height, shown.bottom - shown.top) << at;
    if (c.placed) {
      EXPECT_EQ(work.left + c.x, shown.left) << at;
      EXPECT_EQ(work.top + c.y, shown.top) << at;
    } else {
      EXPECT_LT(shown.left, 1024) << at;
      EXPECT_GE(shown.top, 0) << at;
    }
    EXPECT_EQ(123, g_settings.LinksInOutW1) << at;
    EXPECT_EQ(77, g_settings.LinksInOutW2) << at;
    EXPECT_EQ(shown.left - work.left, g_settings.LinksInOutX) << at;
    EXPECT_EQ(shown.top - work.top, g_settings.LinksInOutY) << at;
    EXPECT_EQ(c.width, g_settings.LinksInOutCX) << at;
    EXPECT_EQ(c.height, g_settings.LinksInOutCY) << at;
  }
}

}  // namespace
