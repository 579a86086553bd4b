// Start-up, the loop's keyboard routing, the message box and the restart, in process.
#include "tests/support/WinGTest.h"

#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/Language.h"
#include "app/Settings.h"
#include "app/Startup.h"
#include "app/StringTable.h"
#include "app/SystemActions.h"
#include "engine/TextCopy.h"
#include "net/Cookies.h"
#include "tests/app/SettingsFolderTest.h"
#include "tests/support/TempFolder.h"
#include "toolkit/FinderStruct.h"
#include "toolkit/LanguageText.h"
#include "toolkit/MessageBox.h"

namespace {

TEST(Startup, AcceleratorTableHoldsTheEighteenKeysInOrder) {
  HACCEL table = LoadAcceleratorsW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
  ASSERT_NE(nullptr, table);
  ACCEL entries[32];
  ASSERT_EQ(18, CopyAcceleratorTableW(table, entries, 32));
  const BYTE key = FVIRTKEY;
  const ACCEL expected[] = {
      {key, VK_F1, 1111},
      {key, VK_F2, 1106},
      {key, VK_F3, 1107},
      {key, VK_F4, 1123},
      {key, VK_F5, 1124},
      {key, VK_F6, 1128},
      {key, VK_F7, 1125},
      {key, VK_F8, 1132},
      {key, VK_F9, 1133},
      {key, VK_RETURN, 1126},
      {key, VK_ESCAPE, 1127},
      {key | FSHIFT, VK_F5, 1134},
      {key | FALT, VK_F6, 1135},
      {key | FSHIFT, VK_F6, 1136},
      {0, 14, 1100},
      {0, 15, 1101},
      {0, 19, 1102},
      {key, VK_F12, 1118},
  };
  for (int i = 0; i < 18; ++i) {
    EXPECT_EQ(expected[i].fVirt, entries[i].fVirt & ~0x80) << i;
    EXPECT_EQ(expected[i].key, entries[i].key) << i;
    EXPECT_EQ(expected[i].cmd, entries[i].cmd) << i;
  }
  DestroyAcceleratorTable(table);
}

TEST(Startup, GatesAndCommandLine) {
  OSVERSIONINFOW version = {};
  version.dwPlatformId = VER_PLATFORM_WIN32_NT;
  version.dwMajorVersion = 5;
  EXPECT_TRUE(IsSupportedSystem(version));
  version.dwMajorVersion = 4;
  EXPECT_FALSE(IsSupportedSystem(version));
  version.dwMajorVersion = 6;
  version.dwPlatformId = VER_PLATFORM_WIN32_WINDOWS;
  EXPECT_FALSE(IsSupportedSystem(version));
  EXPECT_FALSE(ComCtlVersionPasses(5 << 16 | 79));
  EXPECT_TRUE(ComCtlVersionPasses(5 << 16 | 80));
  EXPECT_TRUE(ComCtlVersionPasses(6 << 16 | 0));
  EXPECT_FALSE(ComCtlVersionPasses(0));
  EXPECT_TRUE(CommandLineWantsCache("prog.exe --cache"));
  EXPECT_TRUE(CommandLineWantsCache("prog.exe C:\\my--cachefiles\\x"));
  EXPECT_FALSE(CommandLineWantsCache("prog.exe --cach"));
  EXPECT_FALSE(CommandLineWantsCache(nullptr));
  EXPECT_TRUE(ComCtlVersionPasses(GetComCtlVersion())) << "Wine's common controls";
}

TEST(Startup, HelpTopicsJoinTheHelpFilePath) {
  CopyField(g_helpFile, u"C:\\prog\\tessaline.chm");
  WCHAR joined[SETTINGS_PATH_SIZE];
  EXPECT_EQ(std::u16string(u"C:\\prog\\tessaline.chm::/start.htm"),
            HelpFileArgument(u"::/start.htm", joined, SETTINGS_PATH_SIZE));
  const WCHAR* other = u"other.chm::/a.htm";
  EXPECT_EQ(other, HelpFileArgument(other, joined, SETTINGS_PATH_SIZE));
  EXPECT_EQ(nullptr, HelpFileArgument(nullptr, joined, SETTINGS_PATH_SIZE));
  EXPECT_EQ(std::u16string(u"C:\\prog\\tessal"), HelpFileArgument(u"::/start.htm", joined, 15));
}

std::vector<MSG> g_received;

LRESULT CALLBACK RecordWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND || message == WM_WORKSHEET_NEXT) {
    g_received.push_back({window, message, wParam, lParam, 0, {}});
    if (message == WM_WORKSHEET_NEXT) return 1;
  }
  return DefMDIChildProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK RecordFrame(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND) g_received.push_back({window, message, wParam, lParam, 0, {}});
  return DefWindowProcW(window, message, wParam, lParam);
}

void PressKeys(std::initializer_list<int> down) {
  BYTE state[256] = {};
  for (int key : down) state[key] = 0x80;
  SetKeyboardState(state);
}

TEST(Startup, WorksheetKeysReachTheActiveWorksheet) {
  HINSTANCE module = GetModuleHandleW(nullptr);
  WNDCLASSW frameClass = {};
  frameClass.lpfnWndProc = RecordFrame;
  frameClass.hInstance = module;
  frameClass.lpszClassName = u"KeysFrame";
  RegisterClassW(&frameClass);
  WNDCLASSW childClass = frameClass;
  childClass.lpfnWndProc = RecordWindow;
  childClass.lpszClassName = u"KeysChild";
  RegisterClassW(&childClass);
  g_frame = CreateWindowExW(0, u"KeysFrame", u"", WS_OVERLAPPEDWINDOW, 0, 0, 300, 300, nullptr,
                            nullptr, module, nullptr);
  CLIENTCREATESTRUCT client = {nullptr, 104};
  HWND mdi = CreateWindowExW(0, u"MDICLIENT", nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 300, 300,
                             g_frame, nullptr, module, &client);
  ASSERT_NE(nullptr, mdi);

  MSG altS = {g_frame, WM_SYSKEYDOWN, 'S', 0, 0, {}};
  EXPECT_EQ(0, TranslateWorksheetKeys(mdi, &altS)) << "no worksheet: passed on";

  MDICREATESTRUCTW create = {u"KeysChild", u"w", module, 0, 0, 100, 100, 0, 0};
  HWND child =
      reinterpret_cast<HWND>(SendMessageW(mdi, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&create)));
  ASSERT_NE(nullptr, child);
  g_received.clear();
  EXPECT_EQ(1, TranslateWorksheetKeys(mdi, &altS));
  ASSERT_EQ(1u, g_received.size());
  EXPECT_EQ(g_frame, g_received[0].hwnd);
  EXPECT_EQ(static_cast<WPARAM>(WORKSHEET_START_STOP), g_received[0].wParam);

  MSG tab = {child, WM_KEYDOWN, VK_TAB, 0, 0, {}};
  struct Case {
    std::initializer_list<int> keys;
    int consumed;
    WPARAM forward;
  } const cases[] = {{{VK_CONTROL}, 1, 1}, {{VK_CONTROL, VK_SHIFT}, 1, 0}, {{}, 0, 0}};
  for (const Case& c : cases) {
    PressKeys(c.keys);
    g_received.clear();
    EXPECT_EQ(c.consumed, TranslateWorksheetKeys(mdi, &tab));
    ASSERT_EQ(static_cast<size_t>(c.consumed), g_received.size());
    if (c.consumed) {
      EXPECT_EQ(child, g_received[0].hwnd);
      EXPECT_EQ(WM_WORKSHEET_NEXT, g_received[0].message);
      EXPECT_EQ(c.forward, g_received[0].wParam);
    }
  }
  PressKeys({});
  DestroyWindow(g_frame);
  g_frame = nullptr;
}

// Reads the text of the message box on this thread and presses its first button; or posts
// a quit message while it is up.
bool g_quitWhileUp;
std::u16string g_boxText;

BOOL CALLBACK FindBox(HWND window, LPARAM found) {
  WCHAR name[32];
  GetClassNameW(window, name, 32);
  if (std::u16string(name) != u"ANIMATED_MESSAGE_BOX_CLASS") return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

void CALLBACK AnswerBox(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND box = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindBox, reinterpret_cast<LPARAM>(&box));
  if (!box) return;
  KillTimer(nullptr, timer);
  if (g_quitWhileUp) {
    PostQuitMessage(7);
    return;
  }
  WCHAR text[512] = {};
  GetDlgItemTextW(box, 100, text, 512);
  g_boxText = text;
  PostMessageW(box, WM_COMMAND, IDOK, 0);
}

TEST(AnimatedBox, ShowsTheWholeFormattedText) {
  g_quitWhileUp = false;
  SetTimer(nullptr, 0, 20, AnswerBox);
  EXPECT_EQ(IDOK, AnimatedMessageBox(nullptr, u"%d files", u"Test", MB_OK, 3));
  EXPECT_EQ(u"3 files", g_boxText);
  const std::u16string longText(299, u'x');
  SetTimer(nullptr, 0, 20, AnswerBox);
  AnimatedMessageBox(nullptr, (longText + u"y").c_str(), u"Test", MB_OK);
  EXPECT_EQ(longText + u"y", g_boxText);
}

TEST(AnimatedBox, QuitWhileUpEndsTheBoxAndStaysQueued) {
  g_quitWhileUp = true;
  SetTimer(nullptr, 0, 20, AnswerBox);
  EXPECT_EQ(IDCANCEL, AnimatedMessageBox(nullptr, u"quit?", u"Test", MB_OKCANCEL));
  MSG quit;
  ASSERT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(7u, quit.wParam);
}

// The program in process, with its settings in a folder of the test's own.
class RunProgramTest : public SettingsFolderTest {
 protected:
  void SetUp() override {
    SettingsFolderTest::SetUp();
    std::ofstream(unixFolder + "/cookies.txt", std::ios::binary)
        << "a=1; path=/; domain=example.test; expires=\r\n";
  }
  void TearDown() override {
    g_systemActions.ComCtlVersion = GetComCtlVersion;
    SettingsFolderTest::TearDown();
  }
};

std::vector<std::u16string> g_boxes;

int RecordBox(HWND, const char16_t* format, const char16_t*, UINT, ...) {
  g_boxes.push_back(format);
  return IDOK;
}

// Runs after the toolkit was bound, so the recorder takes the box's slot.
uint32_t OldComCtl() {
  finderstruct.AnimatedMessageBox = RecordBox;
  return 5 << 16 | 79;
}

TEST_F(RunProgramTest, OldCommonControlsShowTheMessageAndShutDown) {
  g_boxes.clear();
  g_systemActions.ComCtlVersion = OldComCtl;
  EXPECT_EQ(0, RunProgram(GetModuleHandleW(nullptr), nullptr));
  ASSERT_EQ(1u, g_boxes.size());
  EXPECT_EQ(0u, g_boxes[0].find(u"Your system has old version of Common Controls Library"));
  EXPECT_EQ(g_emptyString, strtbl[STR_Msg_BadComCtlVer]) << "strings freed";
  char* header = CookiesGetHeader(u"example.test", u"/");
  EXPECT_STREQ("", header) << "cookie store freed";
  free(header);
  EXPECT_EQ(0, g_commonControlsOk);
}

struct FrameSeen {
  bool zoomed;
  std::u16string menu;
  RECT rect;
};
FrameSeen g_seen;

void CALLBACK CloseFrame(HWND, UINT, UINT_PTR timer, DWORD) {
  if (!g_frame || !IsWindowVisible(g_frame)) return;
  KillTimer(nullptr, timer);
  g_seen.zoomed = IsZoomed(g_frame);
  WCHAR text[64] = {};
  GetMenuStringW(GetMenu(g_frame), 0, text, 64, MF_BYPOSITION);
  g_seen.menu = text;
  GetWindowRect(g_frame, &g_seen.rect);
  PostMessageW(g_frame, WM_CLOSE, 0, 0);
}

uint32_t ComCtl580() { return 5 << 16 | 80; }

TEST_F(RunProgramTest, CurrentCommonControlsRunTheFrameUntilItCloses) {
  RECT work = {};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const std::u16string settings = folder + u"\\settings.ini";
  for (int maximized : {1, 0}) {
    std::ofstream(unixFolder + "/settings.ini")
        << "[Options]\r\nMainWndMaximized=" << maximized
        << "\r\nMainWndX=50\r\nMainWndY=40\r\nMainWndCX=400\r\nMainWndCY=300\r\n";
    g_systemActions.ComCtlVersion = ComCtl580;
    g_seen = {};
    SetTimer(nullptr, 0, 20, CloseFrame);
    EXPECT_EQ(0, RunProgram(GetModuleHandleW(nullptr), nullptr));
    EXPECT_EQ(1, g_commonControlsOk);
    EXPECT_EQ(maximized == 1, g_seen.zoomed) << "whatever the show command";
    EXPECT_EQ(u"&File", g_seen.menu) << "menu texts from the language table";
    EXPECT_EQ(static_cast<UINT>(maximized),
              GetPrivateProfileIntW(u"Options", u"MainWndMaximized", 9, settings.c_str()));
    if (maximized) continue;
    EXPECT_EQ(50 + work.left, g_seen.rect.left) << "offset by the work area";
    EXPECT_EQ(40 + work.top, g_seen.rect.top);
    EXPECT_EQ(50u, GetPrivateProfileIntW(u"Options", u"MainWndX", 0, settings.c_str()));
    EXPECT_EQ(400u, GetPrivateProfileIntW(u"Options", u"MainWndCX", 0, settings.c_str()));
  }
}

TEST(LanguageTexts, ComeFromTheLoadedLanguageTable) {
  const char16_t* english = LanguageText(STR_Status_EmptyURL);
  DllInit();
  ASSERT_NE(0, LoadStringTable(u""));
  EXPECT_EQ(strtbl[STR_Status_EmptyURL], LanguageText(STR_Status_EmptyURL));
  EXPECT_EQ(std::u16string(english), LanguageText(STR_Status_EmptyURL));
  FreeStringTable();
  EXPECT_EQ(english, LanguageText(STR_Status_EmptyURL));
}

// The restart runs this program again with its own command line: the first copy started
// with a marker file restarts once, the second only signs the file.
TEST(Restart, StartsASecondCopyWithTheSameCommandLine) {
  const std::string marker = "--restart-marker=";
  const std::string commandLine = GetCommandLineA();
  const size_t at = commandLine.find(marker);
  if (at != std::string::npos) {
    const std::string file = commandLine.substr(at + marker.size());
    std::ifstream in(file);
    const bool first = in.peek() == std::ifstream::traits_type::eof();
    std::ofstream(file, std::ios::app) << commandLine << "\n";
    if (first) {
      g_restart = 1;
      RestartProgram();
      g_restart = 0;
    }
    return;
  }
  char pattern[] = "/tmp/tl-restart-XXXXXX";
  const int handle = mkstemp(pattern);
  ASSERT_GE(handle, 0);
  WCHAR path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  const std::string arguments =
      " --gtest_filter=Restart.StartsASecondCopyWithTheSameCommandLine " + marker + pattern;
  std::u16string line =
      u"\"" + std::u16string(path) + u"\"" + std::u16string(arguments.begin(), arguments.end());
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  ASSERT_TRUE(CreateProcessW(path, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                             &process));
  WaitForSingleObject(process.hProcess, 60000);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  std::vector<std::string> lines;
  for (int i = 0; i < 1200 && lines.size() < 2; ++i) {
    std::ifstream in(pattern);
    lines.clear();
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    if (lines.size() < 2) Sleep(50);
  }
  unlink(pattern);
  ASSERT_EQ(2u, lines.size());
  EXPECT_EQ(lines[0], lines[1]);
}

}  // namespace
