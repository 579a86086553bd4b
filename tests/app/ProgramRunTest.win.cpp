// The program as a process: started in the build's prefix with its settings in a folder of
// the test's own, then driven through its windows.
#include "tests/support/WinGTest.h"

#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/app/SettingsFolderTest.h"
#include "tests/engine/TestSite.h"
#include "tests/support/TempFolder.h"

namespace {

std::string ReadBytes(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// Waits for a top-level window of the class (or the title) that belongs to the process.
HWND WaitForWindow(HANDLE process, const char16_t* className, const char16_t* title) {
  const DWORD id = GetProcessId(process);
  for (int i = 0; i < 1200; ++i) {
    for (HWND window = FindWindowExW(nullptr, nullptr, className, title); window;
         window = FindWindowExW(nullptr, window, className, title)) {
      DWORD owner = 0;
      GetWindowThreadProcessId(window, &owner);
      if (owner == id) return window;
    }
    if (WaitForSingleObject(process, 50) == WAIT_OBJECT_0) return nullptr;
  }
  return nullptr;
}

// The descendant of window whose control id is id, or null.
struct ControlSearch {
  int id;
  HWND found;
};
BOOL CALLBACK MatchControl(HWND window, LPARAM search) {
  auto* wanted = reinterpret_cast<ControlSearch*>(search);
  if (GetDlgCtrlID(window) != wanted->id) return TRUE;
  wanted->found = window;
  return FALSE;
}
HWND FindControl(HWND window, int id) {
  ControlSearch search = {id, nullptr};
  EnumChildWindows(window, MatchControl, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

DWORD WaitForExit(HANDLE process) {
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process, 60000));
  DWORD code = 1234;
  GetExitCodeProcess(process, &code);
  return code;
}

class ProgramRun : public SettingsFolderTest {};

TEST_F(ProgramRun, StartsWithItsFrameAndClosesCleanly) {
  const std::string cookies = "a=1; path=/; domain=example.test; expires=\r\n";
  std::ofstream(unixFolder + "/cookies.txt", std::ios::binary) << cookies;
  HANDLE process = StartProgram("TL_PROGRAM", u"--cache");
  ASSERT_NE(nullptr, process);
  HWND frame = WaitForWindow(process, u"Tessaline_Lite_MDI_Class", nullptr);
  ASSERT_NE(nullptr, frame);
  EXPECT_NE(nullptr, GetMenu(frame));
  WCHAR title[64] = {};
  GetWindowTextW(frame, title, 64);
  EXPECT_EQ(std::u16string(u"Tessaline Lite"), title);
  PostMessageW(frame, WM_CLOSE, 0, 0);
  EXPECT_EQ(0u, WaitForExit(process));
  CloseHandle(process);
  const std::u16string settings = folder + u"\\settings.ini";
  for (const char16_t* key : {u"MainWndX", u"MainWndY", u"MainWndCX", u"MainWndCY"}) {
    WCHAR value[32];
    GetPrivateProfileStringW(u"Options", key, u"missing", value, 32, settings.c_str());
    EXPECT_NE(std::u16string(u"missing"), value);
  }
  EXPECT_EQ(0u, GetPrivateProfileIntW(u"Options", u"MainWndMaximized", 7, settings.c_str()));
  EXPECT_EQ(cookies, ReadBytes(unixFolder + "/cookies.txt"));
}

TEST_F(ProgramRun, AnotherVersionShowsTheFixedMessageAndEnds) {
  HANDLE process = StartProgram("TL_PROGRAM_OTHER_VERSION", u"");
  ASSERT_NE(nullptr, process);
  HWND box = WaitForWindow(process, u"#32770", u"Tessaline Lite");
  ASSERT_NE(nullptr, box);
  WCHAR text[128] = {};
  HWND label = FindWindowExW(box, nullptr, u"Static", nullptr);
  for (; label; label = FindWindowExW(box, label, u"Static", nullptr)) {
    GetWindowTextW(label, text, 128);
    if (text[0]) break;
  }
  EXPECT_EQ(std::u16string(u"This program requires tessaline.dll version 2.2.0.608."), text);
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(0u, WaitForExit(process));
  CloseHandle(process);
  EXPECT_EQ("", ReadBytes(unixFolder + "/settings.ini")) << "nothing else was set up";
}

// The scan's end closes the program from inside it: the program ends with 0, its engine
// gone first, and no unsaved worksheet stays behind.
TEST_F(ProgramRun, AScanEndingWithCloseWhenDoneEndsTheProgram) {
  TestSite site;
  ASSERT_TRUE(site.Start());
  std::ofstream(unixFolder + "/settings.ini")
      << "[Options]\r\nCloseWhenDone=1\r\nAutosaveWorksheets=0\r\nNumThreads=4\r\n";
  HANDLE process = StartProgram("TL_PROGRAM", u"");
  ASSERT_NE(nullptr, process);
  HWND frame = WaitForWindow(process, u"Tessaline_Lite_MDI_Class", nullptr);
  ASSERT_NE(nullptr, frame);
  SendMessageW(frame, WM_COMMAND, 1100, 0);
  HWND worksheet = FindWindowExW(FindWindowExW(frame, nullptr, u"MDICLIENT", nullptr), nullptr,
                                 u"Tessaline_Lite_MDI_Child_Class", nullptr);
  ASSERT_NE(nullptr, worksheet);
  HWND url = FindControl(worksheet, 2201);
  ASSERT_NE(nullptr, url);
  const std::string address = "http://127.0.0.1:" + std::to_string(site.Port()) + "/cookie.html";
  SendMessageW(url, WM_SETTEXT, 0,
               reinterpret_cast<LPARAM>(std::u16string(address.begin(), address.end()).c_str()));
  SendMessageW(worksheet, WM_COMMAND, 1124, 0);
  EXPECT_EQ(0u, WaitForExit(process));
  CloseHandle(process);
  EXPECT_EQ("", ReadBytes(unixFolder + "/AutoSave/noname.fdb.tsn"));
  EXPECT_FALSE(site.Requests().empty());
}

}  // namespace
