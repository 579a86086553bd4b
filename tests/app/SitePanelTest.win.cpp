// The site panel in a plain host window that records what the frame tells it; message
// boxes answered by a recorder in the entry table. Runs alone: it moves the focus.
#include "tests/support/WinGTest.h"

#include <windows.h>

#include <commctrl.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "app/SettingsRecord.h"
#include "app/SitePanel.h"
#include "app/StringTable.h"
#include "tests/support/WinHarness.h"
#include "toolkit/FinderStruct.h"
#include "toolkit/Format.h"

namespace {

struct Notice {
  UINT code;
  UINT_PTR id;
  HWND from;
  const char16_t* text;
};
std::vector<Notice> gNotices;

struct Box {
  HWND owner;
  const char16_t* text;
  std::u16string caption;
  UINT flags;
};
std::vector<Box> gBoxes;

int RecordBox(HWND owner, const char16_t* format, const char16_t* caption, UINT flags, ...) {
  gBoxes.push_back(Box{owner, format, caption, flags});
  return IDOK;
}

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NOTIFY) {
    auto* nm = reinterpret_cast<NMSITEPANEL*>(lParam);
    gNotices.push_back(Notice{nm->hdr.code, nm->hdr.idFrom, nm->hdr.hwndFrom, nm->text});
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

int Count(UINT code) {
  int n = 0;
  for (const Notice& notice : gNotices) n += notice.code == code;
  return n;
}

const int kAllIds[] = {2200, 2201, 2202, 2203, 2204, 2205, 2206,
                       2207, 2208, 2401, 2402, 2403, 2404};

tagSITESETTINGS Site(int hyperlinks, int images, int others, uint32_t times) {
  tagSITESETTINGS site = {};
  site.CheckHyperlinks = hyperlinks;
  site.CheckImages = images;
  site.CheckOthers = others;
  site.RecheckBadLinksTimes = times;
  site.IgnoreRobotsTxt = 1;
  site.CheckNoExtern = 1;
  return site;
}

class SitePanelTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    DllInit();
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    ASSERT_TRUE(LoadStringTable(nullptr));
    WNDCLASSW wc = {};
    wc.lpfnWndProc = HostProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = u"SitePanelHost";
    RegisterClassW(&wc);
  }

  void SetUp() override {
    finderstruct.AnimatedMessageBox = RecordBox;
    std::memset(&g_settings, 0, sizeof(g_settings));
    host_ = CreateWindowExW(0, u"SitePanelHost", u"host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10,
                            500, 700, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    BringToFront(host_);
  }
  void TearDown() override {
    DestroyWindow(host_);
    gNotices.clear();
    gBoxes.clear();
  }

  HWND Frame(int flags, int height = 600) {
    HWND frame = CreateSiteFrame(host_, 2101, flags);
    if (frame) SetWindowPos(frame, nullptr, 0, 0, Width(frame), height, SWP_NOZORDER);
    return frame;
  }
  static int Width(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    return r.right - r.left;
  }
  static HWND Panel(HWND frame) {
    return reinterpret_cast<SITEFRAMEDATA*>(GetWindowLongPtrW(frame, GWLP_USERDATA))->Panel;
  }
  static std::u16string Text(HWND panel, int id) {
    char16_t text[4096] = {};
    GetDlgItemTextW(panel, id, text, 4096);
    return text;
  }
  static void Type(HWND panel, int id, const std::u16string& text) {
    SetDlgItemTextW(panel, id, text.c_str());
  }

  HWND host_ = nullptr;
};

TEST_F(SitePanelTest, BuildsEveryControlOnceWithItsClassAndText) {
  HWND frame = Frame(1);
  ASSERT_TRUE(frame);
  HWND panel = Panel(frame);
  ASSERT_TRUE(panel);
  const struct {
    int id;
    const char16_t* cls;
    int slot;
  } table[] = {
      {2200, u"Static", STR_Site_StartURL},
      {2201, u"ComboBox", -1},
      {2202, u"Button", STR_Site_CheckHyperlinks},
      {2203, u"Button", STR_Site_CheckImages},
      {2204, u"Button", STR_Site_CheckOther},
      {2205, u"Static", STR_Site_RecheckBad},
      {2206, u"Edit", -1},
      {2207, u"msctls_updown32", -1},
      {2208, u"Static", STR_Site_Times},
      {2401, u"Button", STR_Site_IgnoreRobots},
      {2402, u"Button", STR_Site_OnlyFirst},
      {2403, u"Button", STR_Site_NoExtern},
      {2404, u"Button", STR_Site_IgnoreCase},
  };
  int children = 0;
  for (HWND c = GetWindow(panel, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) ++children;
  EXPECT_EQ(children, 13);
  for (const auto& row : table) {
    HWND control = GetDlgItem(panel, row.id);
    ASSERT_TRUE(control) << row.id;
    char16_t cls[64] = {};
    GetClassNameW(control, cls, 64);
    EXPECT_EQ(lstrcmpiW(cls, row.cls), 0) << row.id;
    if (row.slot >= 0) {
      EXPECT_EQ(Text(panel, row.id), strtbl[row.slot]) << row.id;
    }
  }
  RECT dialog;
  GetWindowRect(panel, &dialog);
  MapWindowPoints(nullptr, frame, reinterpret_cast<POINT*>(&dialog), 2);
  EXPECT_EQ(dialog.left, 4);
  EXPECT_EQ(dialog.top, 0);
  EXPECT_EQ(Width(frame), dialog.right - dialog.left + GetSystemMetrics(SM_CXVSCROLL) + 8);
  EXPECT_EQ(reinterpret_cast<SITEFRAMEDATA*>(GetWindowLongPtrW(frame, GWLP_USERDATA))->PanelHeight,
            dialog.bottom - dialog.top);
  // The up-down sits at the right edge of the retry field, also after a rebuild in place.
  for (int build = 0; build < 2; ++build) {
    RECT edit, spin;
    GetWindowRect(GetDlgItem(panel, 2206), &edit);
    GetWindowRect(GetDlgItem(panel, 2207), &spin);
    EXPECT_GT(spin.right - spin.left, 0);
    EXPECT_GE(spin.right, edit.right);
    EXPECT_LE(spin.left, edit.right);
    EXPECT_EQ(CreateSiteFramePanel(frame), 1);
    EXPECT_EQ(Panel(frame), panel);
  }
}

TEST_F(SitePanelTest, LongLanguageTextsWithMarkUpCharactersStillBuild) {
  char16_t folder[MAX_PATH], path[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  GetTempFileNameW(folder, u"lng", 0, path);
  std::u16string hostile = u"<a & \"b\">\\r\\n";
  while (hostile.size() < 3000) hostile += u"x";
  std::u16string file = u"[Site]\r\n";
  for (const char16_t* key :
       {u"StartURL", u"CheckHyperlinks", u"CheckImages", u"CheckOther", u"RecheckBad", u"Times",
        u"IgnoreRobots", u"OnlyFirst", u"NoExtern", u"IgnoreCase"})
    file += std::u16string(key) + u"=" + hostile + u"\r\n";
  HANDLE h = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(h, u"\xFEFF", 2, &written, nullptr);
  WriteFile(h, file.data(), static_cast<DWORD>(file.size() * 2), &written, nullptr);
  CloseHandle(h);
  ASSERT_TRUE(LoadStringTable(path));
  DeleteFileW(path);
  ASSERT_EQ(std::u16string(strtbl[STR_Site_IgnoreCase]).substr(0, 11), u"<a & \"b\">\r\n");
  HWND frame = Frame(1);
  HWND panel = Panel(frame);
  ASSERT_TRUE(panel);
  for (int id : {2200, 2202, 2203, 2204, 2205, 2208, 2401, 2402, 2403, 2404})
    EXPECT_EQ(Text(panel, id), strtbl[STR_Site_StartURL]) << id;
  LoadStringTable(nullptr);
}

TEST_F(SitePanelTest, FillThenReadBackReturnsEveryEditedFieldAndNothingElse) {
  HWND frame = Frame(1);
  tagSITESETTINGS shown = Site(0, 1, 1, 7);
  shown.CheckFirstOnly = 1;
  shown.IgnoreRobotsTxt = 0;
  EXPECT_EQ(FillSitePanel(frame, u"http://a.test/", &shown), 1);
  tagSITESETTINGS out;
  std::memset(&out, 0x5A, sizeof(out));
  tagSITESETTINGS expected = out;
  expected.CheckHyperlinks = 0;
  expected.CheckImages = 1;
  expected.CheckOthers = 1;
  expected.RecheckBadLinksTimes = 7;
  expected.IgnoreRobotsTxt = 0;
  expected.CheckFirstOnly = 1;
  expected.CheckNoExtern = 1;
  expected.CheckIgnoreCase = 0;
  char16_t url[300] = {};
  ASSERT_EQ(ReadSitePanel(frame, url, 300, &out, 0), 1);
  EXPECT_EQ(std::u16string(url), u"http://a.test/");
  EXPECT_EQ(std::memcmp(&out, &expected, sizeof(out)), 0);
  EXPECT_TRUE(gBoxes.empty());
}

TEST_F(SitePanelTest, RefusalsNameTheFaultFocusItAndChangeNothing) {
  const struct {
    const char16_t* times;
    const char16_t* url;
    int types;
    int slot;
    int focus;
  } cases[] = {
      {u"0", u"http://a.test", 1, STR_Msg_ValueOutRange, 2206},
      {u"26", u"http://a.test", 1, STR_Msg_ValueOutRange, 2206},
      {u"", u"http://a.test", 1, STR_Msg_ValueOutRange, 2206},
      {u"1a", u"http://a.test", 1, STR_Msg_ValueOutRange, 2206},
      {u"-1", u"http://a.test", 1, STR_Msg_ValueOutRange, 2206},
      {u"99", u"http://a.test", 1, STR_Msg_ValueOutRange, 2206},
      {u"25", u"", 1, STR_Msg_EmptyURL, 2201},
      {u"1", u"http://a.test", 0, STR_Msg_EmptyResType, 2202},
  };
  HWND frame = Frame(1);
  HWND panel = Panel(frame);
  SetSettingsText(g_settings.Link[0], u"http://old.test");
  tagSITESETTINGS site = Site(1, 0, 0, 3);
  FillSitePanel(frame, u"", &site);
  for (const auto& c : cases) {
    gBoxes.clear();
    gNotices.clear();
    Type(panel, 2206, c.times);
    Type(panel, 2201, c.url);
    CheckDlgButton(panel, 2202, c.types ? BST_CHECKED : BST_UNCHECKED);
    SetFocus(GetDlgItem(panel, 2404));
    tagSITESETTINGS out;
    std::memset(&out, 0x5A, sizeof(out));
    tagSITESETTINGS before = out;
    char16_t url[300];
    EXPECT_EQ(ReadSitePanel(frame, url, 300, &out, 0), 0) << &c - cases;
    ASSERT_EQ(gBoxes.size(), 1u) << &c - cases;
    EXPECT_EQ(gBoxes[0].owner, frame);
    EXPECT_EQ(gBoxes[0].text, strtbl[c.slot]);
    EXPECT_EQ(gBoxes[0].caption, u"Tessaline Lite");
    EXPECT_EQ(gBoxes[0].flags & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
    HWND focus = GetFocus();
    EXPECT_TRUE(focus == GetDlgItem(panel, c.focus) || IsChild(GetDlgItem(panel, c.focus), focus))
        << c.focus;
    EXPECT_EQ(std::memcmp(&out, &before, sizeof(out)), 0);
    EXPECT_EQ(std::u16string(g_settings.Link[0]), u"http://old.test");
    EXPECT_EQ(g_settings.Link[1][0], 0);
    EXPECT_EQ(Count(SFN_RECENTCHANGED), 0);
  }
  // Storing on save and close keeps whatever number is there and never asks.
  for (const char16_t* times : {u"0", u"26"}) {
    Type(panel, 2206, times);
    tagSITESETTINGS out = {};
    char16_t url[300];
    EXPECT_EQ(ReadSitePanel(frame, url, 300, &out, SITE_READ_KEEP), 1);
    EXPECT_EQ(out.RecheckBadLinksTimes, std::u16string(times) == u"0" ? 0u : 26u);
  }
  EXPECT_EQ(gBoxes.size(), 1u);
}

TEST_F(SitePanelTest, TheLastCheckedResourceTypeCannotBeUnchecked) {
  HWND frame = Frame(1);
  HWND panel = Panel(frame);
  tagSITESETTINGS site = Site(1, 0, 0, 1);
  FillSitePanel(frame, u"http://a.test", &site);
  SendDlgItemMessageW(panel, 2202, BM_CLICK, 0, 0);
  EXPECT_EQ(IsDlgButtonChecked(panel, 2202), BST_CHECKED);
  SendDlgItemMessageW(panel, 2204, BM_CLICK, 0, 0);
  EXPECT_EQ(IsDlgButtonChecked(panel, 2204), BST_CHECKED);
  SendDlgItemMessageW(panel, 2202, BM_CLICK, 0, 0);
  EXPECT_EQ(IsDlgButtonChecked(panel, 2202), BST_UNCHECKED);
  SendDlgItemMessageW(panel, 2204, BM_CLICK, 0, 0);
  EXPECT_EQ(IsDlgButtonChecked(panel, 2204), BST_CHECKED);
  SendDlgItemMessageW(panel, 2202, BM_CLICK, 0, 0);
  SendDlgItemMessageW(panel, 2204, BM_CLICK, 0, 0);
  EXPECT_EQ(IsDlgButtonChecked(panel, 2204), BST_UNCHECKED);
}

TEST_F(SitePanelTest, RecentListPutsTheUrlOnTopAndDropsOnlyTheSameUrl) {
  HWND frame = Frame(1);
  HWND panel = Panel(frame);
  char16_t name[64];
  for (int i = 0; i < 20; ++i) {
    FormatStringW(name, 64, u"http://e%d.test", i);
    SetSettingsText(g_settings.Link[i], name);
  }
  tagSITESETTINGS site = Site(1, 1, 1, 1);
  FillSitePanel(frame, u"http://new.test", &site);
  char16_t url[300];
  ASSERT_EQ(ReadSitePanel(frame, url, 300, &site, 0), 1);
  EXPECT_EQ(std::u16string(g_settings.Link[0]), u"http://new.test");
  EXPECT_EQ(std::u16string(g_settings.Link[19]), u"http://e18.test") << "the 21st is dropped";
  // A reused URL moves up, whatever its case; the older entry goes.
  RefreshSiteUrlList(frame);
  Type(panel, 2201, u"HTTP://E5.TEST");
  ASSERT_EQ(ReadSitePanel(frame, url, 300, &site, 0), 1);
  EXPECT_EQ(std::u16string(g_settings.Link[0]), u"HTTP://E5.TEST");
  EXPECT_EQ(std::u16string(g_settings.Link[1]), u"http://new.test");
  for (int i = 1; i < 20; ++i) EXPECT_NE(std::u16string(g_settings.Link[i]), u"http://e5.test");
  EXPECT_EQ(std::u16string(g_settings.Link[19]), u"http://e18.test");
  // A URL that begins another recent URL is a URL of its own.
  std::memset(g_settings.Link, 0, sizeof(g_settings.Link));
  SetSettingsText(g_settings.Link[0], u"http://a.test/shop");
  RefreshSiteUrlList(frame);
  Type(panel, 2201, u"http://a.test");
  ASSERT_EQ(ReadSitePanel(frame, url, 300, &site, 0), 1);
  EXPECT_EQ(std::u16string(g_settings.Link[0]), u"http://a.test");
  EXPECT_EQ(std::u16string(g_settings.Link[1]), u"http://a.test/shop");
  EXPECT_EQ(Count(SFN_RECENTCHANGED), 3);
}

TEST_F(SitePanelTest, RefreshNeverChangesTheTypedUrl) {
  HWND frame = Frame(1);
  HWND panel = Panel(frame);
  SetSettingsText(g_settings.Link[0], u"http://b.test");
  SetSettingsText(g_settings.Link[2], u"http://a.test/shop");
  tagSITESETTINGS site = Site(1, 1, 1, 1);
  FillSitePanel(frame, u"", &site);
  for (const char16_t* typed : {u"http://a.test", u"HTTP://A.TEST/SHOP", u"http://a.test/shop"}) {
    Type(panel, 2201, typed);
    RefreshSiteUrlList(frame);
    EXPECT_EQ(Text(panel, 2201), typed);
    EXPECT_EQ(SendDlgItemMessageW(panel, 2201, CB_GETCOUNT, 0, 0), 2);
  }
  EXPECT_EQ(SendDlgItemMessageW(panel, 2201, CB_GETCURSEL, 0, 0), 1) << "the equal entry";
}

TEST_F(SitePanelTest, ALongStartUrlIsKeptWholeAndStoredCutAtACharacter) {
  HWND frame = Frame(1);
  std::u16string longUrl = u"http://a.test/";
  while (longUrl.size() < 254) longUrl += u"p";
  while (longUrl.size() < 2047) longUrl += u"\xD83D\xDE00";
  longUrl.resize(2046);
  longUrl += u"x";
  g_settings.LinksInOutX = 0x1234567;
  g_settings.LinksInOutCY = 0x7654321;
  g_settings.Link[19][0] = u'z';
  tagSITESETTINGS site = Site(1, 1, 1, 1);
  FillSitePanel(frame, longUrl.c_str(), &site);
  std::vector<char16_t> url(2048, u'\xFFFF');
  ASSERT_EQ(ReadSitePanel(frame, url.data(), 2048, &site, 0), 1);
  EXPECT_EQ(std::u16string(url.data()), longUrl);
  EXPECT_EQ(std::u16string(g_settings.Link[0]), longUrl.substr(0, 254)) << "no half pair";
  EXPECT_EQ(g_settings.Link[19][0], 0);
  EXPECT_EQ(g_settings.LinksInOutX, 0x1234567);
  EXPECT_EQ(g_settings.LinksInOutCY, 0x7654321);
  // A smaller buffer takes whole characters only.
  char16_t shorter[256];
  ASSERT_EQ(ReadSitePanel(frame, shorter, 256, &site, SITE_READ_NO_RECENT), 1);
  EXPECT_EQ(std::u16string(shorter), longUrl.substr(0, 254));
}

TEST_F(SitePanelTest, NotificationsFollowFocusChangesAndReadBacks) {
  HWND quiet = Frame(1);
  tagSITESETTINGS site = Site(1, 1, 1, 1);
  FillSitePanel(quiet, u"http://a.test", &site);
  SendDlgItemMessageW(Panel(quiet), 2203, BM_CLICK, 0, 0);
  SendDlgItemMessageW(Panel(quiet), 2402, BM_CLICK, 0, 0);
  EXPECT_EQ(Count(SFN_CHANGED), 0) << "Flags bit 0 keeps changes quiet";
  for (const auto& focus : {std::pair<int, int>{2201, STR_SiteDescr_StartURL},
                            {2202, STR_SiteDescr_CheckHyperlinks},
                            {2203, STR_SiteDescr_CheckImages},
                            {2204, STR_SiteDescr_CheckOther},
                            {2206, STR_SiteDescr_RecheckBad},
                            {2401, STR_SiteDescr_IgnoreRobots},
                            {2402, STR_SiteDescr_OnlyFirst},
                            {2403, STR_SiteDescr_NoExtern},
                            {2404, STR_SiteDescr_IgnoreCase}}) {
    gNotices.clear();
    SetFocus(GetDlgItem(Panel(quiet), focus.first));
    ASSERT_GE(Count(SFN_HELPTEXT), 1) << focus.first;
    EXPECT_EQ(gNotices.back().code, SFN_HELPTEXT);
    EXPECT_EQ(gNotices.back().text, strtbl[focus.second]) << focus.first;
    EXPECT_EQ(gNotices.back().id, 2101u);
    EXPECT_EQ(gNotices.back().from, quiet);
  }
  gNotices.clear();
  char16_t url[300];
  ASSERT_EQ(ReadSitePanel(quiet, url, 300, &site, SITE_READ_NO_RECENT), 1);
  SetDlgItemTextW(Panel(quiet), 2201, u"");
  ASSERT_EQ(ReadSitePanel(quiet, url, 300, &site, SITE_READ_KEEP), 1);
  EXPECT_EQ(Count(SFN_RECENTCHANGED), 0) << "no list update, no notice";
  EXPECT_EQ(g_settings.Link[0][0], 0);

  HWND loud = Frame(0);
  gNotices.clear();
  FillSitePanel(loud, u"http://a.test", &site);
  EXPECT_GE(Count(SFN_CHANGED), 1);
  for (int id : {2203, 2402}) {
    gNotices.clear();
    SendDlgItemMessageW(Panel(loud), id, BM_CLICK, 0, 0);
    EXPECT_EQ(Count(SFN_CHANGED), 1) << id;
  }
  gNotices.clear();
  Type(Panel(loud), 2206, u"4");
  EXPECT_GE(Count(SFN_CHANGED), 1) << "edit update";
}

TEST_F(SitePanelTest, EnableAndDropDown) {
  HWND frame = Frame(1);
  HWND panel = Panel(frame);
  EnableSitePanel(frame, 0);
  for (int id : kAllIds) EXPECT_FALSE(IsWindowEnabled(GetDlgItem(panel, id))) << id;
  EXPECT_TRUE(IsWindowEnabled(panel));
  EnableSitePanel(frame, 1);
  for (int id : kAllIds) EXPECT_TRUE(IsWindowEnabled(GetDlgItem(panel, id))) << id;
  SetSettingsText(g_settings.Link[0], u"http://a.test");
  tagSITESETTINGS site = Site(1, 1, 1, 1);
  FillSitePanel(frame, u"", &site);
  EXPECT_EQ(IsSiteUrlDropped(frame), 0);
  gNotices.clear();
  ShowSiteUrlList(frame, 1);
  ASSERT_GE(Count(SFN_HELPTEXT), 1);
  for (const Notice& notice : gNotices)
    if (notice.code == SFN_HELPTEXT) {
      EXPECT_EQ(notice.text, strtbl[STR_SiteDescr_StartURL]);
    }
  EXPECT_EQ(IsSiteUrlDropped(frame), 1);
  ShowSiteUrlList(frame, 0);
  EXPECT_EQ(IsSiteUrlDropped(frame), 0);
}

TEST_F(SitePanelTest, ScrollsByLinePageThumbWheelAndFocus) {
  HWND frame = Frame(1, 100);
  HWND panel = Panel(frame);
  int height =
      reinterpret_cast<SITEFRAMEDATA*>(GetWindowLongPtrW(frame, GWLP_USERDATA))->PanelHeight;
  ASSERT_GT(height, 100);
  auto pos = [&] { return GetScrollPos(frame, SB_VERT); };
  auto top = [&] {
    RECT r;
    GetWindowRect(panel, &r);
    MapWindowPoints(nullptr, frame, reinterpret_cast<POINT*>(&r), 2);
    return static_cast<int>(r.top);
  };
  auto range = [&] {
    int low = -1, high = -1;
    GetScrollRange(frame, SB_VERT, &low, &high);
    return high;
  };
  RECT client;
  GetClientRect(frame, &client);
  EXPECT_EQ(range(), height - client.bottom);
  const struct {
    WPARAM wParam;
    int expected;
  } steps[] = {
      {SB_LINEDOWN, 1},
      {SB_PAGEDOWN, 21},
      {SB_LINEUP, 20},
      {SB_PAGEUP, 0},
      {MAKEWPARAM(SB_THUMBTRACK, 30), 30},
      {MAKEWPARAM(SB_THUMBPOSITION, 65000), range()},
      {SB_TOP, 0},
      {SB_BOTTOM, range()},
  };
  for (const auto& step : steps) {
    SendMessageW(frame, WM_VSCROLL, step.wParam, 0);
    EXPECT_EQ(pos(), step.expected) << step.wParam;
    EXPECT_EQ(top(), -step.expected) << step.wParam;
  }
  SendMessageW(frame, WM_VSCROLL, SB_TOP, 0);
  SendMessageW(frame, WM_MOUSEWHEEL, MAKEWPARAM(0, -240), 0);
  EXPECT_EQ(pos(), 40);
  SendMessageW(frame, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0);
  EXPECT_EQ(pos(), 20);
  if (const char* dir = CaptureFolder()) {
    SetSettingsText(g_settings.Link[0], u"http://a.test/");
    tagSITESETTINGS site = Site(1, 1, 0, 3);
    FillSitePanel(frame, u"http://a.test/", &site);
    SetWindowPos(frame, nullptr, 0, 0, Width(frame), height + 4, SWP_NOZORDER);
    UpdateWindow(frame);
    CaptureWindowPng(frame, std::string(dir) + "/site-panel-full.png");
    SetWindowPos(frame, nullptr, 0, 0, Width(frame), height / 2, SWP_NOZORDER);
    SendMessageW(frame, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, height / 4), 0);
    UpdateWindow(frame);
    CaptureWindowPng(frame, std::string(dir) + "/site-panel-half.png");
    SetWindowPos(frame, nullptr, 0, 0, Width(frame), 100, SWP_NOZORDER);
  }
  // Focus on a control below the view scrolls it fully in.
  SendMessageW(frame, WM_VSCROLL, SB_TOP, 0);
  SetFocus(GetDlgItem(panel, 2404));
  RECT box;
  GetWindowRect(GetDlgItem(panel, 2404), &box);
  MapWindowPoints(nullptr, frame, reinterpret_cast<POINT*>(&box), 2);
  GetClientRect(frame, &client);
  EXPECT_EQ(box.bottom, client.bottom);
  SetFocus(GetDlgItem(panel, 2201));
  GetWindowRect(GetDlgItem(panel, 2201), &box);
  MapWindowPoints(nullptr, frame, reinterpret_cast<POINT*>(&box), 2);
  EXPECT_EQ(box.top, 0);
  // Growing the frame past the panel scrolls back and ends the range; 0 high, all of it.
  SendMessageW(frame, WM_VSCROLL, SB_BOTTOM, 0);
  SetWindowPos(frame, nullptr, 0, 0, Width(frame), height + 50, SWP_NOZORDER);
  EXPECT_EQ(pos(), 0);
  EXPECT_EQ(top(), 0);
  EXPECT_EQ(range(), 0);
  SetWindowPos(frame, nullptr, 0, 0, Width(frame), 0, SWP_NOZORDER);
  GetClientRect(frame, &client);
  EXPECT_EQ(range(), height - client.bottom);
}

INT_PTR FailingDialog(HINSTANCE, HWND, DLGPROC, LPARAM, const char16_t*, int, BOOL,
                      XMLMEASUREPROC) {
  return 0;
}

TEST_F(SitePanelTest, EveryOperationOnAFrameWithoutDialogAnswersQuietly) {
  auto create = finderstruct.CreateXmlDialog;
  finderstruct.CreateXmlDialog = FailingDialog;
  HWND frame = Frame(0);
  finderstruct.CreateXmlDialog = create;
  ASSERT_TRUE(frame);
  ASSERT_FALSE(Panel(frame));
  tagSITESETTINGS site = Site(1, 1, 1, 1);
  EXPECT_EQ(FillSitePanel(frame, u"http://a.test", &site), 1);
  char16_t url[8] = u"garbage";
  tagSITESETTINGS out = site;
  EXPECT_EQ(ReadSitePanel(frame, url, 8, &out, 0), 0);
  EXPECT_EQ(url[0], 0);
  EXPECT_EQ(std::memcmp(&out, &site, sizeof(out)), 0);
  EnableSitePanel(frame, 0);
  EXPECT_EQ(IsSiteUrlDropped(frame), 0);
  ShowSiteUrlList(frame, 1);
  RefreshSiteUrlList(frame);
  SendMessageW(frame, WM_VSCROLL, SB_PAGEDOWN, 0);
  SendMessageW(frame, WM_MOUSEWHEEL, MAKEWPARAM(0, -120), 0);
  SetWindowPos(frame, nullptr, 0, 0, 100, 10, SWP_NOZORDER);
  EXPECT_TRUE(gNotices.empty());
  EXPECT_TRUE(gBoxes.empty());
}

}  // namespace
