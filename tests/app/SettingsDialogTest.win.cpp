// The settings dialog over a plain owner window, driven from timers inside its own loop;
// message boxes, opened links and clipboard copies recorded. Runs alone: it moves the focus.
#include "tests/support/WinGTest.h"

#include <windows.h>

#include <commctrl.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "app/Settings.h"
#include "app/SettingsDialog.h"
#include "app/SettingsPages.h"
#include "app/Startup.h"
#include "app/StringTable.h"
#include "app/WebAddresses.h"
#include "net/Cookies.h"
#include "tests/support/TempFolder.h"
#include "tests/support/WinHarness.h"
#include "toolkit/FinderStruct.h"
#include "toolkit/FormattedText.h"
#include "toolkit/PropertySheet.h"

namespace {

struct Box {
  HWND owner;
  std::u16string text, caption;
  UINT flags;
};
std::vector<Box> gBoxes;

int RecordBox(HWND owner, const char16_t* format, const char16_t* caption, UINT flags, ...) {
  gBoxes.push_back(Box{owner, format, caption, flags});
  return IDOK;
}

struct Link {
  HWND owner;
  std::u16string address;
  int show;
  std::u16string prefix;
};
std::vector<Link> gLinks;
std::vector<std::u16string> gCopies;

void RecordLink(HWND owner, const char16_t* address, int show, const char16_t* prefix) {
  gLinks.push_back(Link{owner, address, show, prefix});
}
void RecordCopy(HWND, const char16_t* text) { gCopies.push_back(text); }

using Step = std::function<void(HWND sheet)>;

HWND Sheet() { return FindWindowW(kXmlPropertySheetClass, nullptr); }
HWND Page(HWND sheet) {
  return reinterpret_cast<HWND>(SendMessageW(sheet, XPSM_GETCURRENTPAGEHWND, 0, 0));
}
int CurrentPage(HWND sheet) {
  return static_cast<int>(SendMessageW(sheet, XPSM_GETCURRENTPAGE, 0, 0));
}
HWND Select(HWND sheet, int index) {
  SendMessageW(sheet, XPSM_SELECTPAGE, index, 0);
  return Page(sheet);
}
void Press(HWND sheet, int button) { SendMessageW(sheet, XPSM_PRESSBUTTON, button, 0); }

// Each step from its own timer, so the dialog's loop runs between them; a sheet left open
// at the end is cancelled.
void Schedule(std::vector<Step> steps, size_t at = 0) {
  RunFromTimer(40, [steps, at]() {
    HWND sheet = Sheet();
    if (at < steps.size()) {
      if (sheet) steps[at](sheet);
      Schedule(steps, at + 1);
    } else if (sheet) {
      Press(sheet, XPSB_CANCEL);
    }
  });
}

std::u16string Text(HWND page, int id) {
  char16_t text[1024] = {};
  GetDlgItemTextW(page, id, text, 1024);
  return text;
}
void Type(HWND page, int id, const std::u16string& text) {
  SetDlgItemTextW(page, id, text.c_str());
}
void Click(HWND page, int id, bool on) {
  CheckDlgButton(page, id, on ? BST_CHECKED : BST_UNCHECKED);
  SendMessageW(page, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(page, id)));
}
void Choose(HWND page, int id, int index) {
  SendDlgItemMessageW(page, id, CB_SETCURSEL, index, 0);
  SendMessageW(page, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(GetDlgItem(page, id)));
}
int Selected(HWND page, int id) {
  return static_cast<int>(SendDlgItemMessageW(page, id, CB_GETCURSEL, 0, 0));
}
// The converter name behind the selected charset entry.
std::string SelectedConverter(HWND page, int id) {
  LRESULT data = SendDlgItemMessageW(page, id, CB_GETITEMDATA, Selected(page, id), 0);
  return data == CB_ERR ? "(none)" : reinterpret_cast<const char*>(data);
}
bool Enabled(HWND page, int id) { return IsWindowEnabled(GetDlgItem(page, id)) != 0; }

std::string ReadFileBytes(const std::u16string& path) {
  HANDLE file =
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::string();
  std::string bytes(1 << 20, '\0');
  DWORD read = 0;
  ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr);
  CloseHandle(file);
  bytes.resize(read);
  return bytes;
}

// Every control id of the five pages.
std::vector<int> AllIds() {
  std::vector<int> ids;
  for (int id = 1200; id <= 1237; ++id) ids.push_back(id);
  for (int id = 1300; id <= 1326; ++id) ids.push_back(id);
  for (int id = 1400; id <= 1415; ++id) ids.push_back(id);
  for (int id = 1500; id <= 1504; ++id) ids.push_back(id);
  ids.push_back(1600);
  ids.push_back(1601);
  return ids;
}

class SettingsDialogTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    DllInit();
    g_instance = GetModuleHandleW(nullptr);
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    RegisterFormattedTextClass();
    ASSERT_TRUE(LoadStringTable(nullptr));
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = g_instance;
    wc.lpszClassName = u"SettingsOwner";
    RegisterClassW(&wc);
  }

  void SetUp() override {
    finderstruct.AnimatedMessageBox = RecordBox;
    g_settingsDialogActions = {RecordLink, RecordCopy};
    folder_ = DosPath(MakeTempFolder("tlsettingsdlg"));
    ASSERT_FALSE(folder_.empty());
    std::u16string ini = folder_ + u"\\settings.ini";
    std::memset(&g_settings, 0, sizeof(g_settings));
    std::memcpy(g_settingsFile, ini.c_str(), (ini.size() + 1) * 2);
    cookies_ = folder_ + u"\\cookies.txt";
    LoadSettings();
    SetSettingsText(g_settings.CookiesFile, cookies_.c_str());
    CookiesInitialize(cookies_.c_str());
    owner_ = CreateWindowExW(0, u"SettingsOwner", u"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                             300, 200, nullptr, nullptr, g_instance, nullptr);
    BringToFront(owner_);
  }
  void TearDown() override {
    DestroyWindow(owner_);
    CookiesFree(cookies_.c_str());
    gBoxes.clear();
    gLinks.clear();
    gCopies.clear();
  }

  int Run(int start, std::vector<Step> steps) {
    Schedule(std::move(steps));
    return RunSettingsDialog(owner_, start);
  }

  std::u16string folder_, cookies_;
  HWND owner_ = nullptr;
};

TEST_F(SettingsDialogTest, StartPagesAndEveryControlOnce) {
  int about = -1, last = -1;
  Run(4, {[&](HWND sheet) {
        about = CurrentPage(sheet);
        EXPECT_TRUE(GetDlgItem(Page(sheet), IDC_ABOUT_TEXT));
      }});
  Run(7, {[&](HWND sheet) { last = CurrentPage(sheet); }});
  EXPECT_EQ(4, about);
  EXPECT_EQ(4, last);

  std::vector<int> found;
  Run(0, {[&](HWND sheet) {
        EXPECT_FALSE(IsWindowEnabled(owner_));
        const char* names[] = {"options", "connection", "httpoptions", "cookies", "about"};
        for (int i = 0; i < SETTINGS_PAGE_COUNT; ++i) {
          HWND page = Select(sheet, i);
          for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            found.push_back(GetDlgCtrlID(child));
          PumpMessages(50);
          if (CaptureFolder())
            CaptureWindowPng(sheet,
                             std::string(CaptureFolder()) + "/settings-" + names[i] + ".png");
        }
      }});
  EXPECT_TRUE(IsWindowEnabled(owner_));
  for (int id : AllIds()) {
    int count = 0;
    for (int f : found) count += f == id;
    EXPECT_EQ(1, count) << id;
  }
}

TEST_F(SettingsDialogTest, ANewSettingsFileShowsTheRedirectCodesAsSuccess) {
  char16_t codes[256] = u"";
  Run(2, {[&](HWND sheet) { GetDlgItemTextW(Page(sheet), IDC_HTTP_CODES, codes, 256); }});
  EXPECT_EQ(std::u16string(u"200 201 202 301 302 303 307 308 401"), codes);
}

// Every field the pages edit, away from its default.
void SetEveryField(tagSETTINGS& s, const std::u16string& special) {
  s.URLTimeout = 1000;
  s.SlowTimeout = 1;
  s.NumThreads = 50;
  s.ThreadsPerServer = 2;
  SetSettingsText(s.CharSet, u"UTF-8");
  SetSettingsText(s.DefCharSet, u"ISO-8859-1");
  s.AutosaveWorksheets = s.DisplayAllLinks = s.DisplayToolTips = 0;
  s.CloseWhenDone = s.DisconnWhenDone = s.ShutdownWhenDone = 1;
  SetSettingsText(s.AgentType, special.c_str());
  SetSettingsText(s.AgentOS, u"\u0395\u03bb\u03bb\u03b7\u03bd\u03b9\u03ba\u03ac \u4e2d\u6587");
  s.HTTPVer = 0;
  s.UseProxy = 1;
  s.ProxyBypassLocal = 1;
  s.ProxyUseAuth = 1;
  SetSettingsText(s.ProxyUserName, u"\u7528\u6237");
  SetSettingsText(s.ProxyPassword, u"secret ");
  s.HTTPProxyType = 2;
  SetSettingsText(s.HTTPProxyAddress, u"socks.example");
  s.HTTPProxyPort = 1;
  s.HTTPSProxyType = 1;
  SetSettingsText(s.HTTPSProxyAddress, u"secure.example");
  s.HTTPSProxyPort = 65535;
  SetSettingsText(s.FTPProxyAddress, u" ftp.example");
  s.FTPProxyPort = 2121;
  SetSettingsText(s.HTTPCodes, u"200-299,301");
  SetSettingsText(s.ExtApp, special.c_str());
  SetSettingsText(s.ExtAudio, u"ogg");
  SetSettingsText(s.ExtHTML, u"\u03b1\u03b2");
  SetSettingsText(s.ExtImage, u"\u56fe");
  SetSettingsText(s.ExtText, u"\"txt\"");
  SetSettingsText(s.ExtVideo, u"mkv");
}

TEST_F(SettingsDialogTest, VisitingEveryPageAndOkKeepsTheFileAndTypedValuesStay) {
  std::u16string special = u"<a href=\"x\">&amp;\\";
  while (special.size() < 255) special += u"\u03a9\u5b57";
  special.resize(255);
  SetEveryField(g_settings, special);
  ASSERT_EQ(1, SaveSettings());
  const std::string before = ReadFileBytes(g_settingsFile);
  std::memset(&g_settings, 0, sizeof(g_settings));
  LoadSettings();
  SetSettingsText(g_settings.CookiesFile, cookies_.c_str());
  EXPECT_EQ(1, Run(0, {[](HWND sheet) {
                     for (int i = 0; i < SETTINGS_PAGE_COUNT; ++i) Select(sheet, i);
                     Press(sheet, XPSB_OK);
                   }}));
  ASSERT_EQ(1, SaveSettings());
  EXPECT_EQ(before, ReadFileBytes(g_settingsFile));

  EXPECT_EQ(1, Run(0, {[](HWND sheet) {
                     HWND page = Select(sheet, 0);
                     Type(page, IDC_OPT_TIMEOUT, u"1");
                     Type(page, IDC_OPT_THREADS, u"7");
                     Click(page, IDC_OPT_AUTOSAVE, true);
                     Choose(page, IDC_OPT_HTTPVER, 1);
                     page = Select(sheet, 1);
                     Type(page, IDC_CON_HTTP_ADDRESS, u"\u0394.example");
                     Type(page, IDC_CON_HTTP_PORT, u"65535");
                     Choose(page, IDC_CON_HTTP_TYPE, 0);
                     Type(page, IDC_CON_PASSWORD, u" \"pw\" ");
                     page = Select(sheet, 2);
                     Type(page, IDC_HTTP_CODES, u"2xx");
                     Press(sheet, XPSB_OK);
                   }}));
  ASSERT_EQ(1, SaveSettings());
  std::memset(&g_settings, 0, sizeof(g_settings));
  LoadSettings();
  const tagSETTINGS& s = g_settings;
  EXPECT_EQ(1u, s.URLTimeout);
  EXPECT_EQ(7u, s.NumThreads);
  EXPECT_EQ(1, s.AutosaveWorksheets);
  EXPECT_EQ(1, s.HTTPVer);
  EXPECT_EQ(std::u16string(u"\u0394.example"), s.HTTPProxyAddress);
  EXPECT_EQ(65535, s.HTTPProxyPort);
  EXPECT_EQ(1, s.HTTPProxyType);
  EXPECT_EQ(std::u16string(u" \"pw\" "), s.ProxyPassword);
  EXPECT_EQ(std::u16string(u"2xx"), s.HTTPCodes);
  EXPECT_EQ(special, s.AgentType);
  EXPECT_EQ(std::u16string(u"UTF-8"), s.CharSet);
}

// One value out of range on a page, typed while another page is in front: one message,
// its page in front, the focus on its field, the sheet open and nothing stored.
TEST_F(SettingsDialogTest, RefusalsShowOneMessageOnTheRefusingPage) {
  const struct {
    int page, id;
    const char16_t* text;
    bool proxy;
    int secondPage, secondId;  // another bad value on a later page (-1: none)
    int focus;
  } table[] = {
      {0, IDC_OPT_TIMEOUT, u"1001", true, -1, 0, IDC_OPT_TIMEOUT},
      {0, IDC_OPT_SLOW, u"0", true, -1, 0, IDC_OPT_SLOW},
      {0, IDC_OPT_THREADS, u"51", true, -1, 0, IDC_OPT_THREADS},
      {0, IDC_OPT_PER_SERVER, u"51", true, -1, 0, IDC_OPT_PER_SERVER},
      {0, IDC_OPT_PER_SERVER, u"", true, -1, 0, IDC_OPT_PER_SERVER},
      {0, IDC_OPT_TIMEOUT, u"99999999999", true, -1, 0, IDC_OPT_TIMEOUT},
      {0, IDC_OPT_TIMEOUT, u"12ab", true, -1, 0, IDC_OPT_TIMEOUT},
      {1, IDC_CON_HTTP_PORT, u"65536", true, -1, 0, IDC_CON_HTTP_PORT},
      {1, IDC_CON_HTTP_PORT + 8, u"99999", true, -1, 0, IDC_CON_HTTP_PORT + 8},
      {1, IDC_CON_HTTP_PORT, u"65536", false, -1, 0, IDC_CON_PROXY},
      {0, IDC_OPT_TIMEOUT, u"1001", true, 1, IDC_CON_HTTP_PORT, IDC_OPT_TIMEOUT},
  };
  for (const auto& row : table) {
    SCOPED_TRACE(row.id);
    SCOPED_TRACE(std::string(row.text, row.text + std::u16string(row.text).size()));
    const tagSETTINGS before = g_settings;
    gBoxes.clear();
    int current = -1;
    HWND focus = nullptr, field = nullptr, sheetWindow = nullptr;
    bool open = false;
    int result = Run(row.page, {[&](HWND sheet) {
                                  sheetWindow = sheet;
                                  HWND page = Page(sheet);
                                  Click(page, IDC_CON_SAME, false);
                                  Click(page, IDC_CON_PROXY, row.proxy);
                                  Type(page, row.id, row.text);
                                  field = GetDlgItem(page, row.focus);
                                  if (row.secondPage >= 0) {
                                    HWND second = Select(sheet, row.secondPage);
                                    Type(second, row.secondId, u"70000");
                                  }
                                  Select(sheet, 2);
                                  Press(sheet, XPSB_OK);
                                },
                                [&](HWND sheet) {
                                  current = CurrentPage(sheet);
                                  focus = GetFocus();
                                  open = IsWindowVisible(sheet);
                                  Press(sheet, XPSB_CANCEL);
                                }});
    EXPECT_NE(1, result);
    ASSERT_EQ(1u, gBoxes.size());
    EXPECT_EQ(std::u16string(strtbl[STR_Msg_ValueOutRange]), gBoxes[0].text);
    EXPECT_EQ(std::u16string(u"Tessaline Lite"), gBoxes[0].caption);
    EXPECT_EQ(static_cast<UINT>(MB_ICONERROR), gBoxes[0].flags);
    EXPECT_EQ(sheetWindow, gBoxes[0].owner);
    EXPECT_EQ(row.page, current);
    EXPECT_EQ(field, focus);
    EXPECT_TRUE(open);
    EXPECT_EQ(0, std::memcmp(&before, &g_settings, sizeof(g_settings)));
  }
}

TEST_F(SettingsDialogTest, CharsetListsAndAgentTexts) {
  SetSettingsText(g_settings.CharSet, u"windows-1252");
  SetSettingsText(g_settings.DefCharSet, u"US_ASCII");
  SetSettingsText(g_settings.AgentType, u"AOL");
  SetSettingsText(g_settings.AgentOS, u"Windows");
  bool fixedDisables = false, autoEnables = false;
  EXPECT_EQ(1, Run(0, {[&](HWND sheet) {
                     HWND page = Page(sheet);
                     EXPECT_EQ("ibm-5348_P100-1997", SelectedConverter(page, IDC_OPT_CHARSET));
                     EXPECT_EQ("US-ASCII", SelectedConverter(page, IDC_OPT_DEFCHARSET));
                     fixedDisables = !Enabled(page, IDC_OPT_DEFCHARSET_LABEL) &&
                                     !Enabled(page, IDC_OPT_DEFCHARSET) &&
                                     !Enabled(page, IDC_OPT_CHARSET_NOTE);
                     EXPECT_EQ(u"AOL", Text(page, IDC_OPT_AGENT));
                     EXPECT_EQ(CB_ERR, Selected(page, IDC_OPT_AGENT));
                     EXPECT_EQ(u"Windows", Text(page, IDC_OPT_SYSTEM));
                     int autoDetect = static_cast<int>(
                         SendDlgItemMessageW(page, IDC_OPT_CHARSET, CB_FINDSTRINGEXACT, -1,
                                             reinterpret_cast<LPARAM>(u"< Auto-Detect >")));
                     Choose(page, IDC_OPT_CHARSET, autoDetect);
                     autoEnables = Enabled(page, IDC_OPT_DEFCHARSET_LABEL) &&
                                   Enabled(page, IDC_OPT_DEFCHARSET) &&
                                   Enabled(page, IDC_OPT_CHARSET_NOTE);
                     Press(sheet, XPSB_OK);
                   }}));
  EXPECT_TRUE(fixedDisables);
  EXPECT_TRUE(autoEnables);
  EXPECT_EQ(std::u16string(), g_settings.CharSet);
  EXPECT_EQ(std::u16string(u"US-ASCII"), g_settings.DefCharSet);
  EXPECT_EQ(std::u16string(u"AOL"), g_settings.AgentType);
  EXPECT_EQ(std::u16string(u"Windows"), g_settings.AgentOS);

  // An entry equal to the stored text is selected; emptied texts store what loading gives.
  SetSettingsText(g_settings.AgentType, u"Netscape v4");
  EXPECT_EQ(1, Run(0, {[&](HWND sheet) {
                     HWND page = Page(sheet);
                     EXPECT_EQ(16, Selected(page, IDC_OPT_AGENT));
                     Type(page, IDC_OPT_AGENT, u"");
                     Type(page, IDC_OPT_SYSTEM, u"");
                     Press(sheet, XPSB_OK);
                   }}));
  char16_t os[256];
  EXPECT_EQ(std::u16string(u"Internet Explorer v6"), g_settings.AgentType);
  EXPECT_EQ(std::u16string(BuildDefaultAgentOS(os)), g_settings.AgentOS);
}

TEST_F(SettingsDialogTest, SameProxyCopiesEveryCharacterAndSocksLeavesFtpHttp) {
  EXPECT_EQ(1, Run(1, {[](HWND sheet) {
                     HWND page = Page(sheet);
                     Click(page, IDC_CON_PROXY, true);
                     Type(page, IDC_CON_HTTP_ADDRESS, u"p");
                     Type(page, IDC_CON_HTTP_PORT, u"8080");
                     Click(page, IDC_CON_SAME, true);
                     EXPECT_FALSE(Enabled(page, IDC_CON_HTTPS_LABEL + 1));
                     EXPECT_FALSE(Enabled(page, IDC_CON_FTP_TYPE));
                     EXPECT_EQ(u"p", Text(page, IDC_CON_HTTPS_LABEL + 1));
                     EXPECT_EQ(u"8080", Text(page, IDC_CON_FTP_LABEL + 2));
                     std::u16string typed = u"p";
                     for (char16_t c : std::u16string(u"roxy.example")) {
                       SendDlgItemMessageW(page, IDC_CON_HTTP_ADDRESS, EM_SETSEL, 1000, 1000);
                       const char16_t one[2] = {c, 0};
                       SendDlgItemMessageW(page, IDC_CON_HTTP_ADDRESS, EM_REPLACESEL, FALSE,
                                           reinterpret_cast<LPARAM>(one));
                       typed += c;
                       EXPECT_EQ(typed, Text(page, IDC_CON_HTTPS_LABEL + 1));
                       EXPECT_EQ(typed, Text(page, IDC_CON_FTP_LABEL + 1));
                     }
                     Choose(page, IDC_CON_HTTP_TYPE, 1);
                     EXPECT_EQ(1, Selected(page, IDC_CON_HTTPS_LABEL + 3));
                     EXPECT_EQ(CB_ERR, Selected(page, IDC_CON_FTP_TYPE));
                     Click(page, IDC_CON_SAME, false);
                     EXPECT_TRUE(Enabled(page, IDC_CON_FTP_TYPE));
                     Click(page, IDC_CON_PROXY, false);
                     EXPECT_FALSE(Enabled(page, IDC_CON_HTTP_ADDRESS));
                     EXPECT_FALSE(Enabled(page, IDC_CON_PASSWORD));
                     Press(sheet, XPSB_OK);
                   }}));
  const tagSETTINGS& s = g_settings;
  EXPECT_EQ(0, s.UseProxy);
  EXPECT_EQ(std::u16string(u"proxy.example"), s.FTPProxyAddress);
  EXPECT_EQ(8080, s.HTTPSProxyPort);
  EXPECT_EQ(2, s.HTTPProxyType);
  EXPECT_EQ(2, s.HTTPSProxyType);
  EXPECT_EQ(1, s.FTPProxyType);
}

// Tree items under the root: domains, and the cookies below them.
std::vector<std::u16string> TreeTexts(HWND tree, HTREEITEM parent, int* children) {
  std::vector<std::u16string> texts;
  HTREEITEM item = reinterpret_cast<HTREEITEM>(SendMessageW(
      tree, TVM_GETNEXTITEM, parent ? TVGN_CHILD : TVGN_ROOT, reinterpret_cast<LPARAM>(parent)));
  for (; item; item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT,
                                                               reinterpret_cast<LPARAM>(item)))) {
    char16_t text[4096] = {};
    TVITEMW tv = {};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = text;
    tv.cchTextMax = 4096;
    SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
    texts.push_back(text);
    if (!parent) *children += static_cast<int>(TreeTexts(tree, item, children).size());
  }
  return texts;
}

std::vector<UINT> MenuIds(HMENU menu) {
  std::vector<UINT> ids;
  for (int i = 0; i < GetMenuItemCount(menu); ++i) ids.push_back(GetMenuItemID(menu, i));
  DestroyMenu(menu);
  return ids;
}

TEST_F(SettingsDialogTest, CookiesPageActsOnTheStore) {
  const char* headers[] = {"a=1; path=/; expires=Fri, 01 Jan 2100 00:00:00 GMT",
                           "b=2; path=/; expires=Fri, 01 Jan 2100 00:00:00 GMT",
                           "c=3; path=/x; expires=Fri, 01 Jan 2100 00:00:00 GMT"};
  CookiesSetFromHeader(u"one.example", headers[0], static_cast<uint32_t>(std::strlen(headers[0])));
  CookiesSetFromHeader(u"one.example", headers[1], static_cast<uint32_t>(std::strlen(headers[1])));
  CookiesSetFromHeader(u"two.example", headers[2], static_cast<uint32_t>(std::strlen(headers[2])));
  const std::string file = ReadFileBytes(cookies_);
  ASSERT_NE(std::string::npos, file.find("b=2;"));
  int children = 0;
  std::vector<std::u16string> domains;
  std::vector<UINT> domainMenu, cookieMenu, emptyMenu;
  std::u16string deleted, fileLabel;
  std::string fileAfterDelete;
  int childrenAfterDelete = 0, childrenAfterClear = 0;
  Run(3, {[&](HWND sheet) {
        HWND page = Page(sheet);
        HWND tree = GetDlgItem(page, IDC_COOKIE_TREE);
        fileLabel = Text(page, IDC_COOKIE_FILE);
        emptyMenu = MenuIds(BuildCookiesMenu(tree));
        domains = TreeTexts(tree, nullptr, &children);
        HTREEITEM domain =
            reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
        SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(domain));
        domainMenu = MenuIds(BuildCookiesMenu(tree));
        SendMessageW(page, WM_COMMAND, IDC_COOKIE_DELETE, 0);  // a domain: nothing happens
        HTREEITEM cookie = reinterpret_cast<HTREEITEM>(
            SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(domain)));
        cookie = reinterpret_cast<HTREEITEM>(
            SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(cookie)));
        SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(cookie));
        cookieMenu = MenuIds(BuildCookiesMenu(tree));
        SendMessageW(page, WM_COMMAND, IDC_COOKIE_COPY, 0);
        SendMessageW(page, WM_COMMAND, IDC_COOKIE_DELETE, 0);
        TreeTexts(tree, nullptr, &childrenAfterDelete);
        fileAfterDelete = ReadFileBytes(cookies_);
        deleted = gCopies.empty() ? u"" : gCopies[0];
        SendMessageW(page, WM_COMMAND, MAKEWPARAM(IDC_COOKIE_CLEAR, BN_CLICKED), 0);
        TreeTexts(tree, nullptr, &childrenAfterClear);
      }});
  EXPECT_EQ((std::vector<std::u16string>{u"one.example", u"two.example"}), domains);
  EXPECT_EQ(3, children);
  EXPECT_EQ(std::u16string(strtbl[STR_CookiesDlg_File]) + u":\r\n" + cookies_, fileLabel);
  EXPECT_EQ((std::vector<UINT>{IDC_COOKIE_REFRESH}), emptyMenu);
  EXPECT_EQ((std::vector<UINT>{IDC_COOKIE_COPY, 0, IDC_COOKIE_REFRESH}), domainMenu);
  EXPECT_EQ((std::vector<UINT>{IDC_COOKIE_COPY, 0, IDC_COOKIE_DELETE, 0, IDC_COOKIE_REFRESH}),
            cookieMenu);
  ASSERT_EQ(1u, gCopies.size());
  EXPECT_EQ(0u, deleted.find(u"b=2; path=/; domain=one.example"));
  EXPECT_EQ(2, childrenAfterDelete);
  EXPECT_EQ(0, childrenAfterClear);
  // The item shows its line without the line end; the delete removed exactly that line
  // and its end, and the clear emptied the file.
  EXPECT_EQ(std::u16string::npos, deleted.find_first_of(u"\r\n"));
  std::string line(deleted.begin(), deleted.end());
  line += "\r\n";
  ASSERT_NE(std::string::npos, file.find(line));
  std::string expected = file;
  expected.erase(expected.find(line), line.size());
  EXPECT_EQ(expected, fileAfterDelete);
  EXPECT_EQ(std::string(), ReadFileBytes(cookies_));
}

// 5,000-character captions with mark-up characters make templates past 4096 characters;
// a cookie file of 1,000 domains, a 10 KB line and binary bytes fills the tree.
TEST_F(SettingsDialogTest, HostileCaptionsAndACrowdedCookieFile) {
  std::u16string caption;
  while (caption.size() < 5000) caption += u"<&\"> \u03a9\u5b57 ";
  const int slots[] = {STR_OptionsDlg_Caption,     STR_OptionsDlg_Timeout, STR_ConnectionDlg_Proxy,
                       STR_HTTPOptionsDlg_Success, STR_CookiesDlg_Clear,   STR_AboutDlg_Caption};
  const char16_t* saved[6];
  for (int i = 0; i < 6; ++i) {
    saved[i] = strtbl[slots[i]];
    strtbl[slots[i]] = caption.c_str();
  }
  std::string file;
  for (int i = 0; i < 1000; ++i)
    file += "n=v; path=/; domain=d" + std::to_string(i) + ".example; expires=\r\n";
  file += "big=" + std::string(10240, 'x') + "; path=/; domain=big.example; expires=\r\n";
  const char binary[] = "\x01\xff\x00\x80=\xfe; path=/; domain=\x90.example\r\n";
  file += std::string(binary, sizeof(binary) - 1);
  HANDLE out = CreateFileW(cookies_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(out, file.data(), static_cast<DWORD>(file.size()), &written, nullptr);
  CloseHandle(out);
  CookiesInitialize(cookies_.c_str());
  int pages = 0, cookies = 0;
  std::u16string clear;
  std::vector<std::u16string> domains;
  EXPECT_EQ(1, Run(3, {[&](HWND sheet) {
                     pages = static_cast<int>(SendMessageW(sheet, XPSM_GETPAGECOUNT, 0, 0));
                     HWND page = Page(sheet);
                     clear = Text(page, IDC_COOKIE_CLEAR);
                     domains = TreeTexts(GetDlgItem(page, IDC_COOKIE_TREE), nullptr, &cookies);
                     Press(sheet, XPSB_OK);
                   }}));
  for (int i = 0; i < 6; ++i) strtbl[slots[i]] = saved[i];
  EXPECT_EQ(SETTINGS_PAGE_COUNT, pages);
  EXPECT_EQ(caption.substr(0, 1023), clear.substr(0, 1023));
  EXPECT_GE(domains.size(), 1000u);
  EXPECT_GE(cookies, 1000);
}

TEST_F(SettingsDialogTest, AboutShowsTheBuildAndOpensItsTwoLinks) {
  std::u16string text;
  Run(4, {[&](HWND sheet) {
        HWND page = Page(sheet);
        HWND control = GetDlgItem(page, IDC_ABOUT_TEXT);
        char16_t buffer[2048] = {};
        GetWindowTextW(control, buffer, 2048);
        text = buffer;
        for (int value : {4, 5, 6}) {
          tagFTLINK link = {};
          link.hdr.hwndFrom = control;
          link.hdr.idFrom = IDC_ABOUT_TEXT;
          link.hdr.code = static_cast<UINT>(FTN_LINK);
          link.value = value;
          SendMessageW(page, WM_NOTIFY, IDC_ABOUT_TEXT, reinterpret_cast<LPARAM>(&link));
        }
      }});
  EXPECT_NE(std::u16string::npos, text.find(u"Version 2.2 build 608"));
  EXPECT_NE(std::u16string::npos, text.find(u"\\h1,4"));
  EXPECT_NE(std::u16string::npos, text.find(u"\\h1,6"));
  ASSERT_EQ(2u, gLinks.size());
  EXPECT_EQ(std::u16string(kMakerHomePage), gLinks[0].address);
  EXPECT_EQ(std::u16string(kProductHomePage), gLinks[1].address);
  for (const Link& link : gLinks) {
    EXPECT_EQ(3, link.show);
    EXPECT_EQ(std::u16string(strtbl[STR_Msg_AccessWeb]), link.prefix);
  }
}

TEST_F(SettingsDialogTest, AQuitWhileTheSheetIsUpEndsItAndStaysQueued) {
  const tagSETTINGS before = g_settings;
  int result = Run(1, {[](HWND sheet) {
                     Type(Page(sheet), IDC_CON_HTTP_ADDRESS, u"changed.example");
                     PostQuitMessage(7);
                   }});
  EXPECT_NE(1, result);
  EXPECT_FALSE(Sheet());
  EXPECT_TRUE(IsWindowEnabled(owner_));
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(7u, msg.wParam);
  EXPECT_EQ(0, std::memcmp(&before, &g_settings, sizeof(g_settings)));
}

}  // namespace
