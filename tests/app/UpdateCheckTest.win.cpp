// The update check against the scripted server on 127.0.0.1: the request it sends, the
// new-version window and its three ways out, the two messages, the proxy, two checks at
// once. The program's own version is this test's: 2.2.0.608. Runs alone: it shows windows.
#include "tests/support/WinGTest.h"

#include <windows.h>

#include <commctrl.h>

#include <mutex>
#include <string>
#include <vector>

#include "app/SettingsRecord.h"
#include "app/Startup.h"
#include "app/StringTable.h"
#include "app/SystemActions.h"
#include "app/UpdateCheck.h"
#include "app/WebAddresses.h"
#include "engine/TextCopy.h"
#include "tests/app/UpdateServer.h"
#include "tests/support/WinHarness.h"
#include "toolkit/FinderStruct.h"

namespace {

constexpr char16_t kWindowTitle[] = u"Tessaline - Auto Update";

std::mutex gLock;
std::vector<std::pair<HWND, std::u16string>> gBoxes;  // owner, format
std::vector<std::pair<std::u16string, int>> gShell;   // address, show command

int RecordBox(HWND owner, const char16_t* format, const char16_t*, UINT, ...) {
  std::lock_guard<std::mutex> hold(gLock);
  gBoxes.emplace_back(owner, format);
  return IDOK;
}

HINSTANCE WINAPI RecordShell(HWND, LPCWSTR, LPCWSTR file, LPCWSTR, LPCWSTR, INT show) {
  std::lock_guard<std::mutex> hold(gLock);
  gShell.emplace_back(file, show);
  return reinterpret_cast<HINSTANCE>(42);
}

template <typename T>
size_t Count(const std::vector<T>& list) {
  std::lock_guard<std::mutex> hold(gLock);
  return list.size();
}

// The seam holds from the start, so no test ever looks up a name.
class UpdateEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    g_updateServer = {"127.0.0.1", 1, "frame"};
    g_instance = GetModuleHandleW(nullptr);
    DllInit();
    InitCommonControls();
    ASSERT_TRUE(LoadStringTable(nullptr));
    port_ = StartUpdateServer({
        {"newer",
         "HTTP/1.1 200 OK\r\nX-Release: TESSALINE lite last VERSION 2.2.0.609\r\n"
         "Content-Length: 2\r\n\r\nok"},
        {"same", Reply("2.2.0.608")},
        {"older", Reply("2.1.0.9999")},
        {"short", Reply("2.2.0")},
        {"long", Reply(std::string(300, '9'))},
        {"missing",
         "HTTP/1.1 404 Not Found\r\nContent-Length: 35\r\n\r\n"
         "Tessaline Lite Last Version 9.0.0.0"},
        {"endless", ""},
    });
    ASSERT_NE(0, port_);
  }
  static std::string Reply(const std::string& version) {
    const std::string body = "<p>Tessaline Lite Last Version: " + version + "</p>";
    return "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\n\r\n" + body;
  }
  void TearDown() override { StopUpdatePeers(); }
  static int port_;
};
int UpdateEnvironment::port_ = 0;

class UpdateCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    {
      std::lock_guard<std::mutex> hold(gLock);
      gBoxes.clear();
      gShell.clear();
    }
    finderstruct.AnimatedMessageBox = RecordBox;
    g_systemActions.ShellExecute = RecordShell;
    g_settings.URLTimeout = 30;
    g_settings.HTTPVer = 1;
    g_settings.UseProxy = 0;
    g_frame = CreateWindowExW(0, u"STATIC", u"frame", WS_OVERLAPPEDWINDOW, 0, 0, 600, 400, nullptr,
                              nullptr, g_instance, nullptr);
    g_updateServer = {"127.0.0.1", UpdateEnvironment::port_, "newer"};
  }
  void TearDown() override {
    DestroyWindow(g_frame);
    g_frame = nullptr;
  }

  static HANDLE StartCheck() {
    return CreateThread(nullptr, 0, CheckForUpdateThread, nullptr, 0, nullptr);
  }
  // Pumps while it waits: the check's thread may send to windows of this one.
  static bool Ends(HANDLE thread) {
    const bool ended =
        PumpUntil([&] { return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; }, 60000);
    CloseHandle(thread);
    return ended;
  }
  // The new-version windows of this process, once `count` are shown.
  static std::vector<HWND> UpdateWindows(size_t count) {
    std::vector<HWND> found;
    PumpUntil(
        [&] {
          found.clear();
          for (HWND w = FindWindowW(nullptr, kWindowTitle); w;
               w = FindWindowExW(nullptr, w, nullptr, kWindowTitle)) {
            if (IsWindowVisible(w)) found.push_back(w);
          }
          return found.size() >= count;
        },
        30000);
    return found;
  }
};

TEST_F(UpdateCheckTest, NewerVersionShowsTheWindowAndDownloadOpensTheProductPage) {
  HANDLE thread = StartCheck();
  const std::vector<HWND> windows = UpdateWindows(1);
  ASSERT_EQ(1u, windows.size());
  const std::string request = LastUpdateRequest();
  EXPECT_NE(std::string::npos,
            request.find("GET /cgi-bin/lastver.pl?type=tessalinelite&v=2.2.0.608&u=newer HTTP/1."))
      << request;
  char16_t text[1024] = {};
  GetDlgItemTextW(windows[0], 1601, text, 1024);
  EXPECT_NE(std::u16string::npos, std::u16string(text).find(u"2.2.0.609 is now available"));
  EXPECT_NE(std::u16string::npos, std::u16string(text).find(kDownloadPage));
  if (const char* folder = CaptureFolder()) {
    PumpMessages(200);
    CaptureWindowPng(windows[0], std::string(folder) + "/update-new-version.png");
  }
  PostMessageW(windows[0], WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(Ends(thread));
  PumpUntil([] { return Count(gShell) == 1; }, 20000);
  std::lock_guard<std::mutex> hold(gLock);
  ASSERT_EQ(1u, gShell.size());
  EXPECT_EQ(std::u16string(kDownloadPage), gShell[0].first);
  EXPECT_EQ(SW_SHOWMAXIMIZED, gShell[0].second);
  EXPECT_TRUE(gBoxes.empty());
}

TEST_F(UpdateCheckTest, CancelAndAltF4CloseTheWindowWithoutADownload) {
  for (int way = 0; way < 2; ++way) {
    HANDLE thread = StartCheck();
    const std::vector<HWND> windows = UpdateWindows(1);
    ASSERT_EQ(1u, windows.size());
    if (way == 0) {
      PostMessageW(windows[0], WM_COMMAND, IDCANCEL, 0);
    } else {
      PostMessageW(windows[0], WM_SYSKEYDOWN, VK_F4, 1 << 29);
    }
    ASSERT_TRUE(Ends(thread)) << way;
    EXPECT_FALSE(IsWindow(windows[0]));
  }
  EXPECT_EQ(0u, Count(gShell));
  EXPECT_EQ(0u, Count(gBoxes));
}

TEST_F(UpdateCheckTest, ReplyWithoutANewerVersionOrNoReplyEndsInAMessageOnTheFrame) {
  const int refused = RefusedPort();
  const struct {
    const char* identity;
    int port;
    int message;
  } cases[] = {
      {"same", UpdateEnvironment::port_, STR_CheckUpdate_NoNewVersion},
      {"older", UpdateEnvironment::port_, STR_CheckUpdate_NoNewVersion},
      {"short", UpdateEnvironment::port_, STR_CheckUpdate_NoNewVersion},
      {"long", UpdateEnvironment::port_, STR_CheckUpdate_NoNewVersion},
      {"missing", UpdateEnvironment::port_, STR_CheckUpdate_CantConnect},
      {"endless", UpdateEnvironment::port_, STR_CheckUpdate_CantConnect},
      {"same", refused, STR_CheckUpdate_CantConnect},
  };
  for (const auto& c : cases) {
    {
      std::lock_guard<std::mutex> hold(gLock);
      gBoxes.clear();
    }
    g_updateServer = {"127.0.0.1", c.port, c.identity};
    ASSERT_TRUE(Ends(StartCheck())) << c.identity;
    std::lock_guard<std::mutex> hold(gLock);
    ASSERT_EQ(1u, gBoxes.size()) << c.identity;
    EXPECT_EQ(g_frame, gBoxes[0].first) << c.identity;
    EXPECT_EQ(std::u16string(strtbl[c.message]), gBoxes[0].second) << c.identity;
  }
  EXPECT_EQ(0u, Count(gShell));
  EXPECT_EQ(u"Cannot connect to the server.\nInternal error. Please try later.",
            std::u16string(strtbl[STR_CheckUpdate_CantConnect]));
  EXPECT_EQ(u"No new version available.", std::u16string(strtbl[STR_CheckUpdate_NoNewVersion]));
}

TEST_F(UpdateCheckTest, ProxySettingsSendTheRequestThroughTheProxy) {
  const int proxy = StartUpdateProxy();
  ASSERT_NE(0, proxy);
  g_settings.UseProxy = 1;
  g_settings.ProxyBypassLocal = 0;
  g_settings.HTTPProxyType = 1;
  CopyText(g_settings.HTTPProxyAddress, 256, u"127.0.0.1");
  g_settings.HTTPProxyPort = static_cast<uint16_t>(proxy);
  g_updateServer.Identity = "same";
  const bool ended = Ends(StartCheck());
  g_settings.UseProxy = 0;
  ASSERT_TRUE(ended);
  const std::string request = LastUpdateRequest();
  EXPECT_NE(std::string::npos, request.find("u=same HTTP/1.")) << request;
  EXPECT_NE(std::string::npos, request.find("(tinyproxy/")) << request;
  std::lock_guard<std::mutex> hold(gLock);
  ASSERT_EQ(1u, gBoxes.size());
  EXPECT_EQ(std::u16string(strtbl[STR_CheckUpdate_NoNewVersion]), gBoxes[0].second);
}

TEST_F(UpdateCheckTest, TwoChecksAtOnceShowTwoWindows) {
  HANDLE threads[] = {StartCheck(), StartCheck()};
  const std::vector<HWND> windows = UpdateWindows(2);
  ASSERT_EQ(2u, windows.size());
  EXPECT_NE(GetWindowThreadProcessId(windows[0], nullptr),
            GetWindowThreadProcessId(windows[1], nullptr));
  for (HWND window : windows) PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
  for (HANDLE thread : threads) EXPECT_TRUE(Ends(thread));
  EXPECT_EQ(0u, Count(gShell));
  EXPECT_EQ(0u, Count(gBoxes));
}

::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new UpdateEnvironment);

}  // namespace
