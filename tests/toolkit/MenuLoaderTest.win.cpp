#include "tests/support/WinGTest.h"

#include <windows.h>

#include <string>
#include <vector>

#include "toolkit/FinderStruct.h"
#include "toolkit/StringItems.h"

namespace {

std::u16string MenuString(HMENU menu, int position) {
  char16_t text[256] = {};
  GetMenuStringW(menu, position, text, 256, MF_BYPOSITION);
  return text;
}

HMENU Build(const std::u16string& text, int* mismatch) {
  return CreateXmlMenu(text.data(), static_cast<int>(text.size()), mismatch);
}

TEST(CreateXmlMenu, BuildsPopupsCommandsAndSeparators) {
  int mismatch = -1;
  SetLastError(5);
  HMENU bar = Build(
      u"<MENU><menu title=\"&amp;File a&#60;b\" flags='enabled'>"
      u"<item title=\"Open\\tCtrl-O\" id=\"#44C\" flags=\"Checked grayed\" />"
      u"<!-- <item title='hidden' id='1'/> -->"
      u"<item flags=\"separator\"/><item id='7' />"
      u"<item title='Break' flags='menubarbreak' id='8' /></menu></Menu>"
      u"<item title='after the end' id='9' />",
      &mismatch);
  EXPECT_EQ(0u, GetLastError());
  ASSERT_NE(nullptr, bar);
  EXPECT_EQ(0, mismatch);
  ASSERT_EQ(1, GetMenuItemCount(bar));
  EXPECT_EQ(u"&amp;File a<b", MenuString(bar, 0));
  HMENU popup = GetSubMenu(bar, 0);
  ASSERT_NE(nullptr, popup);
  ASSERT_EQ(4, GetMenuItemCount(popup));
  EXPECT_EQ(u"Open\tCtrl-O", MenuString(popup, 0));
  EXPECT_EQ(0x44Cu, GetMenuItemID(popup, 0));
  UINT state = GetMenuState(popup, 0, MF_BYPOSITION);
  EXPECT_TRUE(state & MF_CHECKED);
  EXPECT_TRUE(state & MF_GRAYED);
  EXPECT_TRUE(GetMenuState(popup, 1, MF_BYPOSITION) & MF_SEPARATOR);
  EXPECT_FALSE(GetMenuState(popup, 2, MF_BYPOSITION) & MF_SEPARATOR)
      << "no title is not a separator";
  EXPECT_EQ(7u, GetMenuItemID(popup, 2));
  UINT breakState = GetMenuState(popup, 3, MF_BYPOSITION);
  EXPECT_TRUE(breakState & MF_MENUBARBREAK);
  EXPECT_FALSE(breakState & MF_MENUBREAK & ~MF_MENUBARBREAK);
  DestroyMenu(bar);
}

TEST(CreateXmlMenu, MismatchedAndStrayClosingTagsAreReported) {
  const struct {
    std::u16string text;
    int mismatch;
    int items;
  } rows[] = {
      {u"<menu><item title='a' id='1'></menu>", 1, 1},
      {u"</menu></menu><menu><item title='a' id='1' /></menu>", 1, 1},
      {u"<menu><menu title='p'></item></menu></menu>", 1, 1},
      {u"", 0, 0},
      {u"<menu><item title='x' id='2' />", 0, 1},
      {u"<<<menu>>>", 0, 0},
  };
  for (const auto& row : rows) {
    int mismatch = -1;
    HMENU bar = Build(row.text, &mismatch);
    ASSERT_NE(nullptr, bar);
    EXPECT_EQ(row.mismatch, mismatch) << std::string(row.text.begin(), row.text.end());
    EXPECT_EQ(row.items, GetMenuItemCount(bar)) << std::string(row.text.begin(), row.text.end());
    DestroyMenu(bar);
  }
  EXPECT_NE(nullptr, CreateXmlMenu(nullptr, 0, nullptr));
}

TEST(DllInit, FillsTheEntryTable) {
  DllInit();
  EXPECT_EQ(GetModuleHandleW(nullptr), finderstruct.module);
  EXPECT_EQ(0x0001000Cu, finderstruct.GetXmlLibVersion());
  EXPECT_EQ(17, finderstruct.LanguageIdToIndex(0x0409));
  EXPECT_NE(nullptr, finderstruct.CreateXmlMenu);
  EXPECT_NE(nullptr, finderstruct.FormatStringW);
  char16_t path[MAX_PATH];
  GetSystemDirectoryW(path, MAX_PATH);
  EXPECT_EQ(1, finderstruct.FileExists(path));
  EXPECT_EQ(0, finderstruct.FileExists(u"C:\\no\\such\\file.lng"));
}

class LoaderTest : public ::testing::Test {
 protected:
  const char16_t* ok = nullptr;
  const char16_t* cancel = nullptr;
  tagSTRINGITEM items[2] = {{u"Msg", u"OK", nullptr, &ok}, {u"Msg", u"Cancel", nullptr, &cancel}};
  char16_t path[MAX_PATH] = {};

  void SetUp() override {
    char16_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    GetTempFileNameW(folder, u"lng", 0, path);
  }
  void TearDown() override {
    FreeStringItems(items, 2);
    DeleteFileW(path);
  }
  void Write(const void* bytes, DWORD size) {
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes, size, &written, nullptr);
    CloseHandle(file);
  }
  int Load(const tagSTRINGSOURCE& primary, const tagSTRINGSOURCE& fallback) {
    const tagSTRINGSOURCE sources[2] = {primary, fallback};
    return LoadStringItems(GetModuleHandleW(nullptr), items, 2, sources);
  }
};

TEST_F(LoaderTest, ReadsUtf16AndAnsiFilesAndFallsBack) {
  const char16_t unicode[] = u"\uFEFF[Msg]\r\nOK=\u00C4\u0416\r\n";
  Write(unicode, sizeof(unicode) - 2);
  const tagSTRINGSOURCE none = {nullptr, 0, 0, 0};
  EXPECT_EQ(1, Load({path, STRINGSOURCE_FILE, STRINGFORMAT_INI, 0}, none));
  EXPECT_EQ(std::u16string(u"\u00C4\u0416"), ok);
  EXPECT_EQ(0u, GetLastError());

  const char ansi[] = "[Msg]\r\nOK=caf\xE9\r\n";
  Write(ansi, sizeof(ansi) - 1);
  const char memory[] = "[Msg]\nOK=other\nCancel=Abbrechen\n";
  EXPECT_EQ(2, Load({path, STRINGSOURCE_FILE, STRINGFORMAT_INI, 0},
                    {memory, STRINGSOURCE_MEMORY, STRINGFORMAT_INI,
                     static_cast<int32_t>(sizeof(memory) - 1)}));
  if (GetACP() == 1252) {
    EXPECT_EQ(std::u16string(u"caf\u00E9"), ok);
  }
  EXPECT_EQ(std::u16string(u"Abbrechen"), cancel);
}

TEST_F(LoaderTest, MissingEmptyAndHugeSourcesFillNothing) {
  const tagSTRINGSOURCE none = {nullptr, 0, 0, 0};
  Write("", 0);
  EXPECT_EQ(0, Load({path, STRINGSOURCE_FILE, STRINGFORMAT_INI, 0}, none));
  EXPECT_EQ(2u, GetLastError());
  EXPECT_EQ(g_emptyString, ok);
  EXPECT_EQ(0,
            Load({u"C:\\missing\\x.lng", STRINGSOURCE_FILE, 0, 0}, {u"", STRINGSOURCE_FILE, 0, 0}));
  EXPECT_EQ(0, Load({MAKEINTRESOURCEW(99), STRINGSOURCE_RESOURCE, 0, 110}, none));

  std::string huge = "[Msg]\nOK=big\n";
  huge.resize(17u * 1024u * 1024u, ' ');
  Write(huge.data(), static_cast<DWORD>(huge.size()));
  EXPECT_EQ(0, Load({path, STRINGSOURCE_FILE, STRINGFORMAT_INI, 0}, none)) << "above 16 MiB";
}

TEST_F(LoaderTest, ReadsTheBuiltInTableResourceAndFreesAnEarlierLoad) {
  const char memory[] = "[Msg]\nOK=Okay\n";
  const tagSTRINGSOURCE resource = {MAKEINTRESOURCEW(1), STRINGSOURCE_RESOURCE, STRINGFORMAT_INI,
                                    110};
  EXPECT_EQ(2, Load({memory, STRINGSOURCE_MEMORY, 0, static_cast<int32_t>(sizeof(memory) - 1)},
                    resource));
  EXPECT_EQ(std::u16string(u"Okay"), ok);
  EXPECT_EQ(std::u16string(u"Cancel"), cancel);
  EXPECT_EQ(2, Load(resource, resource)) << "a second load replaces the first";
  EXPECT_EQ(std::u16string(u"OK"), ok);
}

}  // namespace
