#include "tests/support/WinGTest.h"

#include "tests/engine/EngineTestSupport.h"

#include <commctrl.h>

#include <cstring>

#include "scandb/ScanDb.h"

HWND MakeReportList(HWND parent, int columns, DWORD style) {
  HWND list = CreateWindowW(WC_LISTVIEWW, u"", WS_CHILD | LVS_REPORT | style, 0, 0, 400, 300,
                            parent, nullptr, nullptr, nullptr);
  for (int i = 0; i < columns; ++i) {
    LVCOLUMNW column = {};
    column.mask = LVCF_WIDTH;
    column.cx = 50;
    SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
  }
  return list;
}

TestFolder::TestFolder(const char16_t* prefix) {
  WCHAR temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  path_ = std::u16string(temp) + prefix;
  for (const char* c = ::testing::UnitTest::GetInstance()->current_test_info()->name(); *c; ++c) {
    path_ += static_cast<char16_t>(*c);
  }
  Remove();
  EXPECT_TRUE(CreateDirectoryW(path_.c_str(), nullptr));
}

TestFolder::~TestFolder() { Remove(); }

namespace {

void RemoveTree(const std::u16string& path) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((path + u"\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::u16string name = data.cFileName;
      if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        DeleteFileW((path + u"\\" + name).c_str());
      } else if (name != u"." && name != u"..") {
        RemoveTree(path + u"\\" + name);
      }
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
  RemoveDirectoryW(path.c_str());
}

}  // namespace

void TestFolder::Remove() { RemoveTree(path_); }

Worksheet::Worksheet(const std::u16string& file) : context_(DBCreateContext(nullptr)) {
  int32_t cancelled = 0;
  open_ = DBOpenDatabase(context_, UnixPath(file).c_str(), &cancelled) == 1;
}

Worksheet::~Worksheet() { DBFreeContext(context_); }

bool Worksheet::Save(const char* name, const std::string& value) {
  return DBSaveOption(context_, name, value.c_str()) == 1;
}

std::string Worksheet::Load(const char* name) {
  const int32_t length = DBLoadOption(context_, name, nullptr, 0, "<missing>");
  std::string value(static_cast<size_t>(length) + 1, '\0');
  DBLoadOption(context_, name, &value[0], length + 1, "<missing>");
  value.resize(static_cast<size_t>(length));
  return value;
}

void InitTestSettings(tagSETTINGS& settings) {
  memset(&settings, 0, sizeof settings);
  settings.NumThreads = 4;
  settings.ThreadsPerServer = 2;
  SetSettingsText(settings.ExtHTML, u"htm html");
  SetSettingsText(settings.ExtImage, u"gif png");
}

std::unique_ptr<CLinkFinder> OpenEngine(const std::u16string& file, tagSETTINGS* settings,
                                        oldformat_type format) {
  return std::make_unique<CLinkFinder>(format, file.c_str(), file.c_str(), settings, nullptr,
                                       nullptr, nullptr, nullptr, nullptr, 0, CONSOLE_NONE,
                                       nullptr);
}
