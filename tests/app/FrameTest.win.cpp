// The frame window with stand-in worksheets: the real worksheet class with a recording
// procedure, run states through the worksheet seam, the system's actions and message boxes
// recorded. Runs alone: it shows windows and drives the real file dialog.
#include "tests/support/WinGTest.h"

#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include <unistd.h>

#include "app/CommandStates.h"
#include "app/FileDialogs.h"
#include "app/Frame.h"
#include "app/Language.h"
#include "app/OpenLink.h"
#include "app/Settings.h"
#include "app/Startup.h"
#include "app/StringTable.h"
#include "app/SystemActions.h"
#include "app/Worksheet.h"
#include "engine/TextCopy.h"
#include "tests/app/FrameTestSupport.h"
#include "tests/support/PngFile.h"
#include "tests/support/TempFolder.h"
#include "tests/support/WinHarness.h"
#include "toolkit/FinderStruct.h"
#include "toolkit/Languages.h"

namespace {

// What the stand-in worksheets received.
struct Received {
  HWND worksheet;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  std::u16string path;
};
std::vector<Received> gReceived;
std::map<HWND, tagWORKSHEETSTATE> gStates;
std::map<HWND, int> gAutosaveCalls;
int gTooltipRefreshes;

int Count(UINT message, HWND worksheet = nullptr) {
  int n = 0;
  for (const Received& r : gReceived) {
    n += r.message == message && (!worksheet || r.worksheet == worksheet);
  }
  return n;
}

LRESULT CALLBACK StandInWorksheet(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      CreateWindowExW(0, u"BUTTON", u"", WS_CHILD | WS_VISIBLE, 0, 0, 60, 20, window,
                      reinterpret_cast<HMENU>(INT_PTR{WORKSHEET_START_STOP}), nullptr, nullptr);
      break;
    case WM_COMMAND:
    case WM_CLOSE:
    case WM_DESTROY:
    case WM_WORKSHEET_NEW:
      gReceived.push_back({window, message, wParam, lParam, {}});
      break;
    case WM_WORKSHEET_OPEN:
      gReceived.push_back(
          {window, message, wParam, lParam, reinterpret_cast<const char16_t*>(lParam)});
      return 0;
  }
  if (message == WM_CLOSE) {
    SendMessageW(g_mdiClient, WM_MDIDESTROY, reinterpret_cast<WPARAM>(window), 0);
    return 0;
  }
  return DefMDIChildProcW(window, message, wParam, lParam);
}

void ReadState(HWND worksheet, tagWORKSHEETSTATE* out) {
  auto found = gStates.find(worksheet);
  *out = found != gStates.end() ? found->second : tagWORKSHEETSTATE{RUN_STOPPED, 0, nullptr};
}
void CountAutosave(HWND worksheet) { ++gAutosaveCalls[worksheet]; }
void CountTooltips(HWND) { ++gTooltipRefreshes; }

// Message boxes, from the GUI thread or the open-link thread.
struct Box {
  HWND owner;
  const char16_t* format;
  UINT flags;
  std::u16string first, second;  // the text arguments of the clipboard and help messages
};
std::mutex gBoxLock;
std::vector<Box> gBoxes;
int gBoxAnswer = IDOK;

int RecordBox(HWND owner, const char16_t* format, const char16_t*, UINT flags, ...) {
  Box box{owner, format, flags, {}, {}};
  if (format == strtbl[STR_Msg_OpenClipboard] || format == strtbl[STR_Msg_NoHelpFile]) {
    va_list args;
    va_start(args, flags);
    box.first = va_arg(args, const char16_t*);
    if (format == strtbl[STR_Msg_OpenClipboard]) box.second = va_arg(args, const char16_t*);
    va_end(args);
  }
  std::lock_guard<std::mutex> hold(gBoxLock);
  gBoxes.push_back(box);
  return gBoxAnswer;
}

size_t BoxCount() {
  std::lock_guard<std::mutex> hold(gBoxLock);
  return gBoxes.size();
}

struct ShellCall {
  std::u16string verb, address;
  int show;
};
std::vector<ShellCall> gShellCalls;

HINSTANCE WINAPI RecordShell(HWND, LPCWSTR verb, LPCWSTR file, LPCWSTR, LPCWSTR, INT show) {
  std::lock_guard<std::mutex> hold(gBoxLock);
  gShellCalls.push_back({verb, file, show});
  return reinterpret_cast<HINSTANCE>(INT_PTR{31});  // no program for it
}

// What a file dialog was asked to show.
struct DialogSeen {
  std::vector<std::u16string> filter;
  std::u16string file, folder, extension;
  DWORD flags, maxFile;
};
std::vector<DialogSeen> gDialogs;
// The explorer-style dialog keeps its look with the hook that gives it the program's icon.
constexpr DWORD kIconHook = OFN_EXPLORER | OFN_ENABLEHOOK | OFN_ENABLESIZING;

BOOL WINAPI RecordDialog(OPENFILENAMEW* dialog) {
  DialogSeen seen{{},
                  dialog->lpstrFile,
                  dialog->lpstrInitialDir,
                  dialog->lpstrDefExt ? dialog->lpstrDefExt : u"",
                  dialog->Flags,
                  dialog->nMaxFile};
  for (const WCHAR* at = dialog->lpstrFilter; at && *at; at += lstrlenW(at) + 1) {
    seen.filter.push_back(at);
  }
  gDialogs.push_back(seen);
  return FALSE;
}

int gDialogAnswer;
int gDialogSetsRestart;
int AnswerSettings(HWND, int) {
  if (gDialogSetsRestart) g_restart = 1;
  return gDialogAnswer;
}

class FrameTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(PrepareFrameClasses(StandInWorksheet));
    unixFolder_ = MakeTempFolder("tl-frame-");
    const std::u16string folder = DosPath(unixFolder_);
    CopyField(g_documentsFolder, folder.c_str());
    CopyField(g_settingsFile, (folder + u"\\settings.ini").c_str());
  }
  static void TearDownTestSuite() {
    EXPECT_EQ(0, system(("rm -rf '" + unixFolder_ + "'").c_str()));
  }

  void SetUp() override {
    gReceived.clear();
    gStates.clear();
    gAutosaveCalls.clear();
    gTooltipRefreshes = 0;
    gBoxes.clear();
    gBoxAnswer = IDOK;
    gShellCalls.clear();
    gDialogs.clear();
    g_restart = 0;
    g_worksheetCalls = {ReadState, CountAutosave, CountTooltips};
    finderstruct.AnimatedMessageBox = RecordBox;
    g_systemActions.ShellExecute = RecordShell;
    g_runSettingsDialog = AnswerSettings;
    OpenFrame();
  }
  void TearDown() override {
    if (IsWindow(frame)) {
      gStates.clear();
      DestroyWindow(frame);
    }
    MSG quit;
    while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    g_systemActions.ColourDepth = MeasureColourDepth;
    g_systemActions.GetOpenFileName = GetOpenFileNameW;
    g_systemActions.GetSaveFileName = GetSaveFileNameW;
  }

  void OpenFrame() {
    frame = CreateWindowExW(0, TEST_FRAME_CLASS, u"Tessaline Lite",
                            WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 760, 420, nullptr, nullptr,
                            g_instance, nullptr);
    ASSERT_NE(nullptr, frame);
    ShowWindow(frame, SW_SHOWNORMAL);
    PumpMessages(20);
  }

  HWND NewWorksheet(int runState, int view = 0) {
    Command(1100);
    HWND worksheet = ActiveWorksheet();
    gStates[worksheet] = {runState, view, nullptr};
    return worksheet;
  }

  LRESULT Command(int id, LPARAM lParam = 0) { return SendMessageW(frame, WM_COMMAND, id, lParam); }

  bool ButtonEnabled(int id) { return SendMessageW(g_toolbar, TB_ISBUTTONENABLED, id, 0) != 0; }
  bool ButtonHidden(int id) { return SendMessageW(g_toolbar, TB_ISBUTTONHIDDEN, id, 0) != 0; }
  bool ButtonChecked(int id) { return SendMessageW(g_toolbar, TB_ISBUTTONCHECKED, id, 0) != 0; }
  bool MenuGreyed(int id) {
    return (GetMenuState(g_worksheetMenu, id, MF_BYCOMMAND) & MF_GRAYED) != 0;
  }

  HWND frame = nullptr;
  static std::string unixFolder_;
};
std::string FrameTest::unixFolder_;

TEST_F(FrameTest, CommandStatesFollowTheActiveWorksheet) {
  for (int id : {1102, 1119, 1124, 1125, 1128}) EXPECT_FALSE(ButtonEnabled(id)) << id;
  EXPECT_TRUE(ButtonHidden(1132));
  EXPECT_TRUE(ButtonHidden(1133));
  EXPECT_TRUE(ButtonEnabled(1100));

  struct Row {
    int state;
    bool start, stop, pause;
    const char16_t* button;
  } const rows[] = {
      {RUN_STOPPED, true, false, false, u"Start"},
      {RUN_RUNNING, false, true, true, u"Stop"},
      {RUN_PAUSED, true, true, false, u"Start"},
      {RUN_PENDING, false, false, false, u"Stop"},
  };
  HWND other = NewWorksheet(RUN_RUNNING, 1);
  HWND worksheet = NewWorksheet(RUN_STOPPED);
  for (const Row& row : rows) {
    gStates[worksheet].RunState = row.state;
    UpdateCommandStates(worksheet);
    for (int id : {1102, 1119, 1124}) EXPECT_EQ(row.start, ButtonEnabled(id)) << row.state << id;
    for (int id : {1102, 1103, 1119, 1122, 1124}) EXPECT_EQ(!row.start, MenuGreyed(id)) << id;
    EXPECT_EQ(row.stop, ButtonEnabled(1125)) << row.state;
    EXPECT_EQ(!row.stop, MenuGreyed(1125)) << row.state;
    EXPECT_EQ(row.pause, ButtonEnabled(1128)) << row.state;
    EXPECT_EQ(!row.pause, MenuGreyed(1128)) << row.state;
    EXPECT_FALSE(ButtonHidden(1132));
    EXPECT_TRUE(ButtonChecked(1133)) << "tabbed view";
    WCHAR text[32] = {};
    GetDlgItemTextW(worksheet, WORKSHEET_START_STOP, text, 32);
    EXPECT_EQ(std::u16string(row.button), text) << row.state;
  }
  EXPECT_EQ(GetCommandStates(RUN_STOPPED).SitePanel, 1);
  EXPECT_EQ(GetCommandStates(RUN_PAUSED).SitePanel, 0);

  SendMessageW(g_mdiClient, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(other), 0);
  ASSERT_EQ(other, ActiveWorksheet());
  UpdateCommandStates(ActiveWorksheet());
  EXPECT_FALSE(ButtonEnabled(1124)) << "the running worksheet's row";
  EXPECT_TRUE(ButtonEnabled(1125));
  EXPECT_TRUE(ButtonChecked(1132));
  EXPECT_EQ(MF_CHECKED, GetMenuState(g_worksheetMenu, 1132, MF_BYCOMMAND) & MF_CHECKED);
}

TEST_F(FrameTest, ARunningOrPendingScanKeepsEverythingOpen) {
  for (int blocking : {RUN_RUNNING, RUN_PENDING}) {
    gReceived.clear();
    HWND quiet = NewWorksheet(RUN_STOPPED);
    HWND busy = NewWorksheet(blocking);
    for (UINT message : {UINT{WM_CLOSE}, UINT{WM_QUERYENDSESSION}}) {
      gBoxes.clear();
      g_restart = 1;
      CopyField(g_settings.ActiveFileName, u"C:\\x.tsn");
      EXPECT_EQ(0, SendMessageW(frame, message, 0, 0));
      ASSERT_EQ(1u, gBoxes.size());
      EXPECT_EQ(strtbl[STR_Msg_CloseProgress], gBoxes[0].format);
      EXPECT_EQ(static_cast<UINT>(MB_ICONERROR), gBoxes[0].flags);
      EXPECT_EQ(frame, gBoxes[0].owner);
      EXPECT_EQ(0, g_restart);
      EXPECT_EQ(0, g_settings.ActiveFileName[0]);
      EXPECT_EQ(busy, g_closingActiveWorksheet);
    }
    for (int command : {1141, 1140}) {
      gBoxes.clear();
      Command(command);
      EXPECT_EQ(1u, gBoxes.size()) << command;
    }
    EXPECT_TRUE(IsWindow(quiet) && IsWindow(busy) && IsWindow(frame));
    EXPECT_EQ(0, Count(WM_CLOSE));
    gStates[busy].RunState = RUN_STOPPED;
    Command(1141);
    EXPECT_EQ(1, Count(WM_CLOSE, quiet));
    EXPECT_EQ(1, Count(WM_CLOSE, busy));
    EXPECT_TRUE(ListWorksheets().empty());
  }
}

TEST_F(FrameTest, StoppedAndPausedWorksheetsAreDestroyedUnaskedAndTheFrameCloses) {
  HWND paused = NewWorksheet(RUN_PAUSED);
  HWND stopped = NewWorksheet(RUN_STOPPED);
  EXPECT_EQ(TRUE, SendMessageW(frame, WM_QUERYENDSESSION, 0, 0));
  EXPECT_FALSE(IsWindow(paused) || IsWindow(stopped));
  EXPECT_TRUE(IsWindow(frame));

  const std::string ini = unixFolder_ + "/settings.ini";
  unlink(ini.c_str());
  NewWorksheet(RUN_PAUSED);
  gReceived.clear();
  SendMessageW(frame, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(frame));
  EXPECT_EQ(0, Count(WM_CLOSE));
  EXPECT_EQ(1, Count(WM_DESTROY));
  EXPECT_EQ(760u, GetPrivateProfileIntW(u"Options", u"MainWndCX", 0, g_settingsFile));
  EXPECT_EQ(0u, GetPrivateProfileIntW(u"Options", u"MainWndMaximized", 9, g_settingsFile));
}

TEST_F(FrameTest, FrameCommandsAndForwarding) {
  Command(2900);
  EXPECT_TRUE(gReceived.empty()) << "no worksheet: dropped";
  Command(1100);
  HWND worksheet = ActiveWorksheet();
  ASSERT_NE(nullptr, worksheet);
  EXPECT_EQ(1, Count(WM_WORKSHEET_NEW, worksheet));
  WCHAR title[32] = {};
  GetWindowTextW(worksheet, title, 32);
  EXPECT_EQ(std::u16string(u"Links"), title);
  EXPECT_TRUE(IsIconic(worksheet));

  for (int id : {2900, 1124}) {
    gReceived.clear();
    SendMessageW(frame, WM_COMMAND, MAKEWPARAM(id, 1), 0x1234);
    ASSERT_EQ(1, Count(WM_COMMAND)) << id;
    EXPECT_EQ(MAKEWPARAM(id, 1), gReceived[0].wParam);
    EXPECT_EQ(0x1234, gReceived[0].lParam);
  }
  gReceived.clear();
  for (int id : {LANGUAGE_COMMAND_FIRST + 71, 1135, 1134}) Command(id);
  EXPECT_EQ(0, Count(WM_COMMAND)) << "the frame's own commands stay with it";
  EXPECT_EQ(0u, gBoxes.size()) << "no language file behind 3071";

  // A drop of nothing, then of three names: 600 characters, 32,000 non-ASCII ones.
  HGLOBAL empty = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + 8);
  auto* none = static_cast<DROPFILES*>(GlobalLock(empty));
  none->pFiles = sizeof(DROPFILES);
  none->fWide = TRUE;
  GlobalUnlock(empty);
  SendMessageW(frame, WM_DROPFILES, reinterpret_cast<WPARAM>(empty), 0);
  EXPECT_EQ(1u, ListWorksheets().size());
  const std::u16string names[] = {u"C:\\short.tsn", u"C:\\" + std::u16string(596, u'd') + u".tsn",
                                  u"C:\\" + std::u16string(32000, u'\u0436')};
  size_t units = 1;
  for (const auto& name : names) units += name.size() + 1;
  HGLOBAL drop = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + units * 2);
  auto* files = static_cast<DROPFILES*>(GlobalLock(drop));
  files->pFiles = sizeof(DROPFILES);
  files->fWide = TRUE;
  auto* at = reinterpret_cast<char16_t*>(files + 1);
  for (const auto& name : names) {
    memcpy(at, name.c_str(), (name.size() + 1) * 2);
    at += name.size() + 1;
  }
  GlobalUnlock(drop);
  gReceived.clear();
  SendMessageW(frame, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
  ASSERT_EQ(3, Count(WM_WORKSHEET_OPEN));
  for (int i = 0; i < 3; ++i) EXPECT_EQ(names[i], gReceived[i].path) << i;
  EXPECT_NE(gReceived[0].worksheet, gReceived[1].worksheet);
  EXPECT_EQ(4u, ListWorksheets().size());
}

// Help and its general topic without a help file say so, naming the file.
TEST_F(FrameTest, HelpWithoutItsFileSaysSo) {
  char16_t saved[SETTINGS_PATH_SIZE];
  CopyField(saved, g_helpFile);
  const std::u16string missing = DosPath(unixFolder_) + u"\\absent.chm";
  CopyField(g_helpFile, missing.c_str());
  for (int id : {1111, 1115}) {
    gBoxes.clear();
    Command(id);
    ASSERT_EQ(1u, gBoxes.size()) << id;
    EXPECT_EQ(strtbl[STR_Msg_NoHelpFile], gBoxes[0].format);
    EXPECT_EQ(frame, gBoxes[0].owner);
    EXPECT_EQ(missing, gBoxes[0].first) << "the box names the file it looked for";
  }
  CopyField(g_helpFile, saved);
}

TEST_F(FrameTest, OpenThroughTheRealDialog) {
  const std::string file = unixFolder_ + "/chosen.tsn";
  fclose(fopen(file.c_str(), "w"));
  const std::u16string path = DosPath(file);
  HANDLE answer = AnswerFileDialog(path.c_str());
  Command(1101);
  WaitForSingleObject(answer, INFINITE);
  CloseHandle(answer);
  ASSERT_EQ(1, Count(WM_WORKSHEET_OPEN));
  EXPECT_EQ(0u, gReceived.back().wParam);
  EXPECT_EQ(0, lstrcmpiW(path.c_str(), gReceived.back().path.c_str())) << "whole path back";

  gReceived.clear();
  answer = AnswerFileDialog(nullptr);
  Command(1101);
  WaitForSingleObject(answer, INFINITE);
  CloseHandle(answer);
  EXPECT_TRUE(gReceived.empty()) << "cancel";
  EXPECT_EQ(1u, ListWorksheets().size());
}

TEST_F(FrameTest, DialogModesAskForTheirFileTypes) {
  g_systemActions.GetOpenFileName = RecordDialog;
  g_systemActions.GetSaveFileName = RecordDialog;
  char16_t path[FILE_DIALOG_PATH_SIZE] = u"left over";
  const std::u16string documents = g_documentsFolder;
  struct OpenCase {
    const char16_t* start;
    int mode;
    std::u16string folder;
  } const opens[] = {
      {u"D:\\work\\site.tsn", 0, u"D:\\work"},
      {u"sub\\site.ini", 1, documents + u"\\sub"},
      {u"", 0, documents},
  };
  for (const OpenCase& c : opens) {
    gDialogs.clear();
    EXPECT_EQ(0, ShowOpenDialog(frame, c.start, c.mode, path, FILE_DIALOG_PATH_SIZE));
    EXPECT_EQ(0, path[0]);
    ASSERT_EQ(1u, gDialogs.size());
    const DialogSeen& seen = gDialogs[0];
    EXPECT_EQ(c.folder, seen.folder);
    EXPECT_EQ(c.mode ? u"*.ini" : u"*.tsn", seen.file);
    EXPECT_EQ(2u, seen.filter.size());
    EXPECT_EQ(c.mode ? u"*.ini" : u"*.tsn", seen.filter.back());
    EXPECT_EQ(static_cast<DWORD>(OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST |
                                 OFN_FILEMUSTEXIST | kIconHook),
              seen.flags);
    EXPECT_EQ(1024u, seen.maxFile);
  }
  const struct {
    const char16_t* file;
    const char16_t* extension;
    const char16_t* pattern;
  } saves[] = {{u"*.*", u"", u"*.*"},
               {u"*.tsn", u"tsn", u"*.tsn"},
               {u"*.html;*.htm", u"html", u"*.html;*.htm"},
               {u"*.csv", u"csv", u"*.csv"},
               {u"*.txt", u"txt", u"*.txt"},
               {u"*.bat", u"bat", u"*.bat"},
               {u"*.html;*.htm", u"html", u"*.html;*.htm"}};
  for (int mode = 0; mode < 7; ++mode) {
    gDialogs.clear();
    EXPECT_EQ(0, ShowSaveDialog(frame, path, FILE_DIALOG_PATH_SIZE, mode));
    ASSERT_EQ(1u, gDialogs.size());
    EXPECT_EQ(saves[mode].file, gDialogs[0].file) << mode;
    EXPECT_EQ(saves[mode].extension, gDialogs[0].extension) << mode;
    EXPECT_EQ(saves[mode].pattern, gDialogs[0].filter.back()) << mode;
    EXPECT_EQ(documents, gDialogs[0].folder);
    EXPECT_EQ(static_cast<DWORD>(OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_NOCHANGEDIR |
                                 OFN_PATHMUSTEXIST | kIconHook),
              gDialogs[0].flags);
  }
  // Hostile filter texts: without a separator, empty, 1,000 characters.
  const char16_t* saved = strtbl[STR_Filter_TSN];
  const std::u16string longFilter = std::u16string(999, u'x') + u"|";
  for (const char16_t* filter : {u"Worksheets", u"", longFilter.c_str()}) {
    strtbl[STR_Filter_TSN] = filter;
    gDialogs.clear();
    ShowOpenDialog(frame, nullptr, 0, path, FILE_DIALOG_PATH_SIZE);
    ASSERT_EQ(1u, gDialogs.size());
  }
  EXPECT_EQ(std::u16string(999, u'x'), gDialogs[0].filter.at(0));
  strtbl[STR_Filter_TSN] = saved;
}

TEST_F(FrameTest, SettingsPagesAndLanguages) {
  NewWorksheet(RUN_STOPPED);
  NewWorksheet(RUN_PAUSED);
  const std::string ini = unixFolder_ + "/settings.ini";
  gDialogAnswer = 0;
  unlink(ini.c_str());
  Command(1107);
  EXPECT_NE(0, access(ini.c_str(), F_OK)) << "a cancel saves nothing";
  EXPECT_TRUE(gAutosaveCalls.empty());
  gDialogAnswer = 1;
  Command(1118);
  EXPECT_EQ(0, access(ini.c_str(), F_OK));
  ASSERT_EQ(2u, gAutosaveCalls.size());
  for (const auto& calls : gAutosaveCalls) EXPECT_EQ(1, calls.second);
  EXPECT_EQ(2, gTooltipRefreshes);
  EXPECT_TRUE(IsWindow(frame));

  // The current language does nothing; another asks and, on Yes, closes for a restart.
  g_settings.CurrLang = LANGUAGE_ENGLISH_US;
  finderstruct.BitArrayOp(g_languageBits, BITARRAY_SET, LANGUAGE_ENGLISH_US);
  Command(LANGUAGE_COMMAND_FIRST + LANGUAGE_ENGLISH_US);
  EXPECT_TRUE(gBoxes.empty());
  finderstruct.BitArrayOp(g_languageBits, BITARRAY_SET, 25);
  gBoxAnswer = IDYES;
  Command(LANGUAGE_COMMAND_FIRST + 25);
  ASSERT_EQ(1u, gBoxes.size());
  EXPECT_EQ(strtbl[STR_Msg_RestartLang], gBoxes[0].format);
  EXPECT_EQ(1, g_restart);
  EXPECT_EQ(25, g_settings.CurrLang);
  EXPECT_FALSE(IsWindow(frame));
  g_settings.CurrLang = LANGUAGE_ENGLISH_US;
  finderstruct.BitArrayOp(g_languageBits, BITARRAY_CLEAR, 25);

  // A settings dialog that changed the language closes the frame.
  g_restart = 0;
  OpenFrame();
  gDialogAnswer = 0;
  gDialogSetsRestart = 1;
  Command(1106);
  gDialogSetsRestart = 0;
  EXPECT_FALSE(IsWindow(frame));
}

TEST_F(FrameTest, WebPagesOpenOnlyWebAddresses) {
  const std::u16string longAddress = u"http://a.example/" + std::u16string(2030, u'p');
  ASSERT_EQ(2047u, longAddress.size());
  for (int id : {1110, 1114, 1117}) {
    const size_t before = BoxCount();
    Command(id);
    ASSERT_TRUE(PumpUntil([&] { return BoxCount() > before; }, 10000)) << "one at a time";
  }
  const std::u16string clipboardOnly[] = {u"file:///C:/x/tool.exe", u"javascript:alert(1)",
                                          u"C:\\x\\tool.exe", u"\\\\host\\share\\x.exe"};
  for (const auto& address : clipboardOnly) {
    const size_t before = BoxCount();
    StartOpenLink(frame, address.c_str(), SW_SHOWNORMAL, strtbl[STR_Msg_AccessWeb]);
    ASSERT_TRUE(PumpUntil([&] { return BoxCount() > before; }, 10000));
  }
  StartOpenLink(frame, longAddress.c_str(), SW_SHOWMAXIMIZED, strtbl[STR_Msg_AccessWeb]);
  ASSERT_TRUE(PumpUntil([] { return BoxCount() == 8; }, 10000));
  std::lock_guard<std::mutex> hold(gBoxLock);
  ASSERT_EQ(4u, gShellCalls.size()) << "only the web addresses";
  const char16_t* pages[] = {u"/morelanguages.html", u"/faq.html", u"/"};
  for (int i = 0; i < 3; ++i) {
    const std::u16string& address = gShellCalls[i].address;
    EXPECT_EQ(0u, address.find(u"https://"));
    EXPECT_NE(std::u16string::npos, address.find(u".example/"));
    EXPECT_EQ(address.size() - std::char_traits<char16_t>::length(pages[i]),
              address.rfind(pages[i]));
    EXPECT_EQ(SW_SHOWMAXIMIZED, gShellCalls[i].show);
    EXPECT_EQ(u"open", gShellCalls[i].verb);
  }
  EXPECT_EQ(longAddress, gShellCalls[3].address);
  for (const Box& box : gBoxes) {
    EXPECT_EQ(strtbl[STR_Msg_OpenClipboard], box.format);
    EXPECT_EQ(strtbl[STR_Msg_AccessWeb], box.first);
    EXPECT_EQ(frame, box.owner);
  }
  EXPECT_EQ(clipboardOnly[3], gBoxes[6].second);
  EXPECT_EQ(longAddress, gBoxes[7].second);
  ASSERT_TRUE(OpenClipboard(frame));
  auto* text = static_cast<const char16_t*>(GlobalLock(GetClipboardData(CF_UNICODETEXT)));
  EXPECT_EQ(longAddress, text);
  GlobalUnlock(GetClipboardData(CF_UNICODETEXT));
  CloseClipboard();
}

// Pixels of a 32-bit DIB section, top-down.
struct Dib {
  explicit Dib(int width, int height) : width(width), height(height) {
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    dc = CreateCompatibleDC(nullptr);
    bitmap =
        CreateDIBSection(dc, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
    old = SelectObject(dc, bitmap);
    for (int i = 0; i < width * height; ++i) bits[i] = 0xFFFFFF;
  }
  ~Dib() {
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  COLORREF At(int x, int y) const {
    const uint32_t p = bits[y * width + x];
    return RGB((p >> 16) & 255, (p >> 8) & 255, p & 255);
  }
  void Save(const std::string& path) const {
    std::vector<uint8_t> rgb;
    for (int i = 0; i < width * height; ++i) {
      rgb.push_back((bits[i] >> 16) & 255);
      rgb.push_back((bits[i] >> 8) & 255);
      rgb.push_back(bits[i] & 255);
    }
    WritePng(path, width, height, rgb.data());
  }
  int width, height;
  HDC dc;
  HBITMAP bitmap;
  HGDIOBJ old;
  uint32_t* bits = nullptr;
};

void DrawIcon(HWND frame, HDC dc, UINT id, int x, int y, UINT state) {
  DRAWITEMSTRUCT draw = {};
  draw.CtlType = ODT_MENU;
  draw.itemID = id;
  draw.itemState = state;
  draw.hDC = dc;
  draw.rcItem = {x, y, x + 60, y + 18};
  SendMessageW(frame, WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw));
}

TEST_F(FrameTest, MenuIconsAndTooltips) {
  HMENU file = GetSubMenu(g_worksheetMenu, 0);
  SendMessageW(frame, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(file), 0);
  MENUINFO info = {};
  info.cbSize = sizeof(info);
  info.fMask = MIM_STYLE;
  GetMenuInfo(file, &info);
  EXPECT_EQ(static_cast<DWORD>(MNS_CHECKORBMP | MNS_AUTODISMISS), info.dwStyle);
  for (UINT id : {1100u, 1103u}) {
    MENUITEMINFOW item = {};
    item.cbSize = sizeof(item);
    item.fMask = MIIM_BITMAP;
    ASSERT_TRUE(GetMenuItemInfoW(file, id, FALSE, &item));
    EXPECT_EQ(id == 1100 ? HBMMENU_CALLBACK : nullptr, item.hbmpItem) << id;
  }
  MEASUREITEMSTRUCT measure = {ODT_MENU, 0, 1100, 0, 0, 0};
  EXPECT_EQ(TRUE, SendMessageW(frame, WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure)));
  // The icons' size, which a check mark narrower than 16 pixels shrinks to its own.
  int side = 0, height = 0;
  ImageList_GetIconSize(g_menuImages, &side, &height);
  EXPECT_EQ(side, height);
  EXPECT_EQ(std::min({16, GetSystemMetrics(SM_CXMENUCHECK), GetSystemMetrics(SM_CYMENUCHECK)}),
            side);
  EXPECT_EQ(static_cast<UINT>(side), measure.itemWidth);
  EXPECT_EQ(static_cast<UINT>(side), measure.itemHeight);

  // Greyed: every opaque pixel of the mask in the grey-text colour, the rest untouched.
  Dib greyed(24, 24), mask(side, side);
  DrawIcon(frame, greyed.dc, 1100, 4, 2, ODS_GRAYED);
  ImageList_Draw(g_menuImages, GetMenuIcon(1100), mask.dc, 0, 0, ILD_MASK);
  const COLORREF grey = GetSysColor(COLOR_GRAYTEXT);
  int opaque = 0;
  for (int y = 0; y < side; ++y) {
    for (int x = 0; x < side; ++x) {
      const bool isOpaque = mask.At(x, y) == RGB(0, 0, 0);
      opaque += isOpaque;
      EXPECT_EQ(isOpaque ? grey : RGB(255, 255, 255), greyed.At(x + 4, y + 2)) << x << "," << y;
    }
  }
  EXPECT_GT(opaque, 60);

  // A language's long tooltips come back whole, its doubled '%' single.
  const char16_t* saved = strtbl[STR_ToolBar_NewTip];
  for (int length : {119, 999}) {
    const std::u16string tip = std::u16string(length, u't') + u"%%";
    strtbl[STR_ToolBar_NewTip] = tip.c_str();
    NMTTDISPINFOW tipInfo = {};
    tipInfo.hdr = {nullptr, 1100, TTN_GETDISPINFOW};
    SendMessageW(frame, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&tipInfo));
    EXPECT_EQ(std::u16string(length, u't') + u"%", tipInfo.lpszText);
  }
  strtbl[STR_ToolBar_NewTip] = saved;

  if (const char* folder = CaptureFolder()) {
    Dib icons(10 * 20 + 4, 42);
    const UINT ids[] = {1100, 1101, 1102, 1124, 1128, 1125, 1119, 1111, 1117, 1118};
    for (int i = 0; i < 10; ++i) {
      DrawIcon(frame, icons.dc, ids[i], 4 + i * 20, 2, 0);
      DrawIcon(frame, icons.dc, ids[i], 4 + i * 20, 22, ODS_GRAYED);
    }
    icons.Save(std::string(folder) + "/frame-menu-icons.png");
  }
}

TEST_F(FrameTest, ToolbarImagesByColourDepth) {
  HWND worksheet = NewWorksheet(RUN_STOPPED);
  SendMessageW(g_mdiClient, WM_MDIRESTORE, reinterpret_cast<WPARAM>(worksheet), 0);
  auto* normal = reinterpret_cast<HIMAGELIST>(SendMessageW(g_toolbar, TB_GETIMAGELIST, 0, 0));
  EXPECT_EQ(12, ImageList_GetImageCount(normal));
  EXPECT_NE(0, SendMessageW(g_toolbar, TB_GETHOTIMAGELIST, 0, 0));
  UpdateCommandStates(worksheet);
  PumpMessages(50);
  if (const char* folder = CaptureFolder()) {
    CaptureWindowPng(frame, std::string(folder) + "/frame-toolbar-worksheet.png");
  }
  DestroyWindow(frame);

  g_systemActions.ColourDepth = [](HWND) { return 255; };
  OpenFrame();
  normal = reinterpret_cast<HIMAGELIST>(SendMessageW(g_toolbar, TB_GETIMAGELIST, 0, 0));
  EXPECT_EQ(12, ImageList_GetImageCount(normal)) << "the 24-pixel strip";
  EXPECT_EQ(0, SendMessageW(g_toolbar, TB_GETHOTIMAGELIST, 0, 0));
  EXPECT_EQ(nullptr, g_setMenuInfo);
  HMENU windowMenu = nullptr;
  HMENU menu = BuildTestMenu(MENU_WORKSHEET, 5, &windowMenu);
  HMENU file = GetSubMenu(menu, 0);
  SendMessageW(frame, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(file), 0);
  MENUITEMINFOW item = {};
  item.cbSize = sizeof(item);
  item.fMask = MIIM_BITMAP;
  ASSERT_TRUE(GetMenuItemInfoW(file, 0, TRUE, &item));
  EXPECT_EQ(nullptr, item.hbmpItem);
  DestroyMenu(menu);
  if (const char* folder = CaptureFolder()) {
    CaptureWindowPng(frame, std::string(folder) + "/frame-toolbar-8bit.png");
  }
}

}  // namespace
