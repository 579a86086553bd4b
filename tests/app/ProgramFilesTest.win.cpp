// Worksheet files across runs of the real program: what an exit keeps and the next start
// shows, and two copies on one settings folder. The worksheets are scanned by the test
// beforehand, with the engine alone.
#include "tests/support/WinGTest.h"

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/Locator.h"
#include "app/Settings.h"
#include "app/SettingsRecord.h"
#include "engine/LinkFinder.h"
#include "engine/TextCopy.h"
#include "tests/app/SettingsFolderTest.h"
#include "tests/engine/TestSite.h"
#include "tests/support/TempFolder.h"

namespace {

constexpr char16_t kFrameClass[] = u"Tessaline_Lite_MDI_Class";
constexpr char16_t kWorksheetClass[] = u"Tessaline_Lite_MDI_Child_Class";

struct Shown {
  std::u16string caption;
  int rows;
};

std::u16string Text(HWND window) {
  WCHAR text[2400] = {};
  GetWindowTextW(window, text, 2400);
  return text;
}

class ProgramFiles : public SettingsFolderTest {
 protected:
  static void SetUpTestSuite() {
    site_ = new TestSite;
    ASSERT_TRUE(site_->Start());
  }
  static void TearDownTestSuite() { delete site_; }

  void SetUp() override {
    SettingsFolderTest::SetUp();
    autosave = folder + u"\\AutoSave";
    CreateDirectoryW(autosave.c_str(), nullptr);
  }

  std::u16string Url() {
    const std::string url = "http://127.0.0.1:" + std::to_string(site_->Port()) + "/index.html";
    return std::u16string(url.begin(), url.end());
  }
  // A worksheet database holding a whole scan of the site, its window stored.
  void Scan(const std::u16string& path) {
    tagSETTINGS settings = {};
    settings.NumThreads = 4;
    settings.ThreadsPerServer = 2;
    SetSettingsText(settings.ExtHTML, u"htm html");
    SetSettingsText(settings.ExtImage, u"gif png");
    SetSettingsText(settings.HTTPCodes, u"200 201 202 301 302 401");
    settings.URLTimeout = 60;
    settings.SlowTimeout = 30;
    settings.HTTPVer = 1;
    // The engine sends the end of its run to a window.
    HWND owner =
        CreateWindowW(u"STATIC", u"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    {
      CLinkFinder finder(OLDFORMAT_NONE, nullptr, path.c_str(), &settings, nullptr, owner, nullptr,
                         nullptr, nullptr, 0, CONSOLE_NONE, done);
      EXPECT_TRUE(finder.Initialized());
      tagSITESETTINGS site;
      InitSiteSettings(site);
      finder.SetSettings(Url().c_str(), &site, 0);
      tagWINDOWSETTINGS window = *finder.GetWindowSettings();
      window.WindowCX = 600;
      window.WindowCY = 400;
      window.WindowShow = SW_SHOWNORMAL;
      finder.SetWindowSettings(&window);
      EXPECT_TRUE(finder.StartFinder());
      const DWORD start = GetTickCount();
      while (WaitForSingleObject(done, 0) != WAIT_OBJECT_0 && GetTickCount() - start < 120000) {
        MsgWaitForMultipleObjects(1, &done, FALSE, 50, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
      }
    }
    DestroyWindow(owner);
    CloseHandle(done);
  }

  // The frame of the process once its start-up has reopened what it will and it waits
  // for input, with that many worksheets.
  HWND Frame(HANDLE process, size_t worksheets) {
    const DWORD id = GetProcessId(process);
    HWND found = nullptr;
    for (int i = 0; i < 1200 && !found; ++i) {
      for (HWND frame = FindWindowExW(nullptr, nullptr, kFrameClass, nullptr); frame;
           frame = FindWindowExW(nullptr, frame, kFrameClass, nullptr)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(frame, &owner);
        if (owner == id && IsWindowVisible(frame)) found = frame;
      }
      if (!found && WaitForSingleObject(process, 50) == WAIT_OBJECT_0) return nullptr;
    }
    if (!found) return nullptr;
    WaitForInputIdle(process, 60000);
    // The program answers messages while it loads a worksheet: a worksheet is open once its
    // caption names its site, which comes after its load.
    for (int i = 0; i < 1200 && !Opened(found, worksheets); ++i) Sleep(50);
    EXPECT_EQ(worksheets, Worksheets(found).size());
    return found;
  }
  static bool Opened(HWND frame, size_t worksheets) {
    const std::vector<HWND> open = Worksheets(frame);
    return open.size() == worksheets &&
           std::all_of(open.begin(), open.end(), [](HWND w) { return Text(w) != u"Links"; });
  }
  static std::vector<HWND> Worksheets(HWND frame) {
    std::vector<HWND> found;
    HWND client = FindWindowExW(frame, nullptr, u"MDIClient", nullptr);
    for (HWND child = FindWindowExW(client, nullptr, kWorksheetClass, nullptr); child;
         child = FindWindowExW(client, child, kWorksheetClass, nullptr)) {
      found.push_back(child);
    }
    return found;
  }
  static HWND Active(HWND frame) {
    HWND client = FindWindowExW(frame, nullptr, u"MDIClient", nullptr);
    return reinterpret_cast<HWND>(SendMessageW(client, WM_MDIGETACTIVE, 0, 0));
  }
  static Shown Show(HWND worksheet) {
    return {Text(worksheet),
            static_cast<int>(SendMessageW(GetDlgItem(worksheet, 2801), LVM_GETITEMCOUNT, 0, 0))};
  }
  DWORD Close(HANDLE process, HWND frame) {
    PostMessageW(frame, WM_CLOSE, 0, 0);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process, 60000));
    DWORD code = 1234;
    GetExitCodeProcess(process, &code);
    CloseHandle(process);
    return code;
  }
  std::u16string ActiveFileName() {
    WCHAR value[1024] = {};
    GetPrivateProfileStringW(u"Options", u"ActiveFileName", u"", value, 1024,
                             (folder + u"\\settings.ini").c_str());
    return value;
  }
  // One unsaved worksheet in the autosave folder, one saved under the user's path with
  // its locator; the saved one was active.
  void Prepare() {
    saved = folder + u"\\saved.tsn";
    Scan(autosave + u"\\unsaved.fdb.tsn");
    Scan(saved);
    WriteFileBytes(autosave + u"\\saved.tsn.loc", EncodeLocator(saved.c_str()));
    WritePrivateProfileStringW(u"Options", u"ActiveFileName", u"saved.tsn.loc",
                               (folder + u"\\settings.ini").c_str());
  }

  static TestSite* site_;
  std::u16string autosave;
  std::u16string saved;
};
TestSite* ProgramFiles::site_;

TEST_F(ProgramFiles, ExitKeepsBothWorksheetsAndTheNextStartShowsThem) {
  ASSERT_NO_FATAL_FAILURE(Prepare());
  HANDLE process = StartProgram("TL_PROGRAM", u"");
  ASSERT_NE(nullptr, process);
  HWND frame = Frame(process, 2);
  ASSERT_NE(nullptr, frame);
  const std::u16string savedCaption = u"Links " + Url() + u" - " + saved;
  EXPECT_EQ(savedCaption, Text(Active(frame))) << "the active one opened last";
  std::vector<Shown> before;
  for (HWND worksheet : Worksheets(frame)) before.push_back(Show(worksheet));
  for (const Shown& shown : before) EXPECT_GT(shown.rows, 20);
  EXPECT_EQ(0u, Close(process, frame));

  // Exit kept both under current names and named the active one's file.
  std::vector<std::u16string> names = FolderNames(autosave);
  std::sort(names.begin(), names.end());
  EXPECT_EQ((std::vector<std::u16string>{u"127.0.0.1.fdb.tsn", u"127.0.0.1.tsn.loc"}), names);
  EXPECT_EQ(u"127.0.0.1.tsn.loc", ActiveFileName());

  process = StartProgram("TL_PROGRAM", u"");
  ASSERT_NE(nullptr, process);
  frame = Frame(process, 2);
  ASSERT_NE(nullptr, frame);
  EXPECT_EQ(savedCaption, Text(Active(frame)));
  std::vector<Shown> after;
  for (HWND worksheet : Worksheets(frame)) after.push_back(Show(worksheet));
  for (size_t i = 0; i < after.size() && i < before.size(); ++i) {
    EXPECT_EQ(before[i].caption, after[i].caption);
    EXPECT_EQ(before[i].rows, after[i].rows);
  }
  EXPECT_EQ(0u, Close(process, frame));
}

TEST_F(ProgramFiles, ASecondCopyOpensNothingTheFirstHolds) {
  ASSERT_NO_FATAL_FAILURE(Prepare());
  HANDLE first = StartProgram("TL_PROGRAM", u"");
  ASSERT_NE(nullptr, first);
  HWND firstFrame = Frame(first, 2);
  ASSERT_NE(nullptr, firstFrame);
  std::vector<int> rows;
  for (HWND worksheet : Worksheets(firstFrame)) rows.push_back(Show(worksheet).rows);

  HANDLE second = StartProgram("TL_PROGRAM", u"");
  ASSERT_NE(nullptr, second);
  HWND secondFrame = Frame(second, 0);
  ASSERT_NE(nullptr, secondFrame);
  EXPECT_EQ(0u, Close(second, secondFrame));
  std::vector<std::u16string> names = FolderNames(autosave);
  std::sort(names.begin(), names.end());
  EXPECT_EQ((std::vector<std::u16string>{u"saved.tsn.loc", u"unsaved.fdb.tsn"}), names)
      << "the second copy deleted nothing";
  EXPECT_EQ(0u, Close(first, firstFrame));

  HANDLE later = StartProgram("TL_PROGRAM", u"");
  ASSERT_NE(nullptr, later);
  HWND laterFrame = Frame(later, 2);
  ASSERT_NE(nullptr, laterFrame);
  std::vector<int> laterRows;
  for (HWND worksheet : Worksheets(laterFrame)) laterRows.push_back(Show(worksheet).rows);
  std::sort(rows.begin(), rows.end());
  std::sort(laterRows.begin(), laterRows.end());
  EXPECT_EQ(rows, laterRows);
  EXPECT_EQ(0u, Close(later, laterFrame));
}

}  // namespace
