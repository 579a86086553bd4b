// Starting a program without elevation through the desktop shell, through the library's
// twin. Wine runs every process fully elevated and has no shell window of its own; the
// fake shell supplies one.
#include "tests/support/WinGTest.h"

#include <windows.h>

#include <string>

#include "setup/Records.h"
#include "tests/setup/SetupHarness.h"

namespace {

using LaunchFn = int(WINAPI*)(HWND, const WCHAR*, const WCHAR*, const WCHAR*, HANDLE*, int,
                              HMODULE);
using LaunchAnsiFn = int(WINAPI*)(HWND, const char*, const char*, const char*, HANDLE*, int,
                                  HMODULE);
using RouteFn = int(WINAPI*)(int, int, int);
using HookFn = LRESULT(CALLBACK*)(int, WPARAM, LPARAM);
using ElevationFn = HRESULT(WINAPI*)(int*);

const std::u16string kFolder = u"C:\\tl-launch";

TEST(LaunchRoute, FromVersionElevationAndShell) {
  const struct {
    int vista, elevation, shell, route;
  } cases[] = {
      {0, 2, 1, kLaunchDirect}, {0, 0, 0, kLaunchDirect}, {1, 1, 0, kLaunchDirect},
      {1, 3, 0, kLaunchDirect}, {1, 0, 0, kLaunchDirect}, {1, 2, 1, kLaunchViaShell},
      {1, 2, 0, kLaunchNone},
  };
  const auto route = Twin<RouteFn>("ChooseLaunchRoute");
  for (const auto& c : cases) {
    EXPECT_EQ(c.route, route(c.vista, c.elevation, c.shell))
        << c.vista << " " << c.elevation << " " << c.shell;
  }
}

class Launch : public testing::Test {
 protected:
  void SetUp() override {
    int elevation = 0;
    ASSERT_EQ(S_OK, Twin<ElevationFn>("GetTokenElevationType")(&elevation));
    ASSERT_EQ(2, elevation);
    marker = PlaceHelper(u"tl-marker.exe", kFolder, u"marker.exe");
  }
  void TearDown() override { RemoveTree(kFolder); }

  int Start(const std::u16string& file, const std::u16string& parameters,
            const std::u16string& folder, int launch = 1) {
    return launch_(nullptr, file.c_str(), parameters.c_str(), folder.c_str(), nullptr, launch,
                   TwinModule());
  }
  bool MarkerRan() const {
    return GetFileAttributesW((kFolder + u"\\marker.txt").c_str()) != INVALID_FILE_ATTRIBUTES;
  }

  std::u16string marker;

 private:
  LaunchFn launch_ = Twin<LaunchFn>("LaunchThroughShell");
};

TEST_F(Launch, WithoutShellWindowNothingStarts) {
  ASSERT_FALSE(FindWindowA("Progman", nullptr));
  EXPECT_EQ(0, Start(u"", u"", u"", 0));
  EXPECT_EQ(0, Start(marker, u"", kFolder));
  EXPECT_FALSE(MarkerRan());
}

class ShellLaunch : public Launch {
 protected:
  FakeShell shell;
};

TEST_F(ShellLaunch, StartsTheFileInsideTheShell) {
  EXPECT_EQ(1, Start(u"", u"", u"", 0));
  EXPECT_NE(0, Start(marker, u"", kFolder));
  EXPECT_EQ(std::to_string(shell.id()), [&] {
    const std::u16string text = WaitForFileText(kFolder + u"\\marker.txt");
    return std::string(text.begin(), text.end());
  }());
  EXPECT_FALSE(OpenFileMappingA(FILE_MAP_READ, FALSE, kShellLaunchBlockName));

  // With the hook gone, a request the shell receives starts nothing.
  DeleteFileW((kFolder + u"\\marker.txt").c_str());
  HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                      sizeof(ShellLaunchBlock), kShellLaunchBlockName);
  auto block = static_cast<ShellLaunchBlock*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
  block->message = RegisterWindowMessageA(kShellLaunchMessageName);
  marker.copy(block->file, marker.size());
  SendMessageA(shell.window(), block->message, 0, 0);
  Sleep(1000);
  EXPECT_EQ(0u, block->done);
  UnmapViewOfFile(block);
  CloseHandle(mapping);
  EXPECT_FALSE(MarkerRan());
}

TEST_F(ShellLaunch, TextsThatDoNotFitStartNothing) {
  const std::u16string fits(259, u'x'), over(260, u'x');
  EXPECT_EQ(0, Start(marker, over, kFolder));
  EXPECT_EQ(0,
            Start(kFolder + u"\\" + std::u16string(260 - kFolder.size() - 1, u'm'), u"", kFolder));
  EXPECT_EQ(0, Start(marker, u"", over));
  EXPECT_FALSE(MarkerRan());
  EXPECT_NE(0, Start(marker, fits, kFolder));
  EXPECT_FALSE(WaitForFileText(kFolder + u"\\marker.txt").empty());
}

TEST_F(ShellLaunch, AnsiPathInTheCodePage) {
  ASSERT_EQ(1252u, GetACP());
  const std::u16string folder = kFolder + u"\\caf\u00e9";
  PlaceHelper(u"tl-marker.exe", folder, u"marker.exe");
  EXPECT_NE(0, Twin<LaunchAnsiFn>("LaunchThroughShellAnsi")(
                   nullptr, "C:\\tl-launch\\caf\xe9\\marker.exe", nullptr, "C:\\tl-launch\\caf\xe9",
                   nullptr, 1, TwinModule()));
  EXPECT_FALSE(WaitForFileText(folder + u"\\marker.txt").empty());
}

TEST_F(ShellLaunch, ExistingBlockMeansAnotherLaunch) {
  HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                      sizeof(ShellLaunchBlock), kShellLaunchBlockName);
  ASSERT_TRUE(mapping);
  EXPECT_EQ(0, Start(marker, u"", kFolder));
  CloseHandle(mapping);
  EXPECT_FALSE(MarkerRan());
}

// The hook called directly, as it is for every message of a hooked thread.
TEST_F(Launch, HookStartsOnlyOnTheLaunchMessage) {
  HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                      sizeof(ShellLaunchBlock), kShellLaunchBlockName);
  auto block = static_cast<ShellLaunchBlock*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
  ASSERT_TRUE(block);
  block->message = RegisterWindowMessageA(kShellLaunchMessageName);
  marker.copy(block->file, marker.size());
  const auto hook = Twin<HookFn>("ShellHookProc");

  CWPRETSTRUCT sent = {};
  sent.message = WM_USER + 5;
  EXPECT_EQ(0, hook(HC_ACTION, 0, reinterpret_cast<LPARAM>(&sent)));
  sent.message = block->message;
  EXPECT_EQ(0, hook(-1, 0, reinterpret_cast<LPARAM>(&sent)));
  EXPECT_EQ(0, block->result);
  EXPECT_EQ(0u, block->done);
  EXPECT_FALSE(MarkerRan());

  EXPECT_EQ(0, hook(HC_ACTION, 0, reinterpret_cast<LPARAM>(&sent)));
  EXPECT_NE(0, block->result);
  EXPECT_EQ(1u, block->done);
  EXPECT_EQ(std::to_string(GetCurrentProcessId()), [&] {
    const std::u16string text = WaitForFileText(kFolder + u"\\marker.txt");
    return std::string(text.begin(), text.end());
  }());
  UnmapViewOfFile(block);
  CloseHandle(mapping);
}

}  // namespace
