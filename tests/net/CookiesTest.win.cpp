#include "tests/support/WinGTest.h"

#include <windows.h>

#include <commctrl.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/ControlWrappers.h"
#include "engine/UnixPath.h"
#include "net/Cookies.h"
#include "tests/support/TempFolder.h"

namespace {

std::string ReadBytes(const std::u16string& file) {
  std::ifstream in(UnixPath(file), std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteBytes(const std::u16string& file, const std::string& bytes) {
  std::ofstream(UnixPath(file), std::ios::binary) << bytes;
}

std::string Header(const char16_t* host, const char16_t* path) {
  char* header = CookiesGetHeader(host, path);
  std::string text = header ? header : "(null)";
  free(header);
  return text;
}

void SetCookie(const char16_t* host, const std::string& text) {
  EXPECT_EQ(1, CookiesSetFromHeader(host, text.data(), static_cast<uint32_t>(text.size())));
}

class Cookies : public ::testing::Test {
 protected:
  void SetUp() override {
    // A Z:\ path, as the settings folder of a Linux home would be.
    unixFolder = MakeTempFolder("tl-cookies-");
    folder = DosPath(unixFolder);
    ASSERT_EQ(u'Z', folder[0]);
    file = folder + u"\\cookies.txt";
  }
  void TearDown() override {
    CookiesFree(file.c_str());
    DeleteFileW(file.c_str());
    DeleteFileW((file + u".tmp").c_str());
    RemoveDirectoryW(folder.c_str());
  }

  std::string unixFolder;
  std::u16string folder;
  std::u16string file;
};

TEST_F(Cookies, FileIsLoadedAndRewrittenByteExact) {
  WriteBytes(file,
             "a=1; path=/; domain=.example.test; expires=\r\n"
             "\xff\x01\x02\r\n\r\n"
             "tail=1; path=/; domain=example.test; expires=");
  CookiesInitialize(file.c_str());
  EXPECT_EQ("a=1; ", Header(u"shop.example.test", u"/"));
  SetCookie(u"www.example.test", "s=\xe9; Path=/x");
  EXPECT_EQ(
      "a=1; path=/; domain=.example.test; expires=\r\n"
      "\xff\x01\x02=; path=; domain=; expires=\r\n"
      "s=\xe9; path=/x; domain=example.test; expires=\r\n",
      ReadBytes(file));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((file + u".tmp").c_str()));
  EXPECT_EQ("a=1; s=\xe9; ", Header(u"WWW.Example.Test", u"/x/y"));
}

TEST_F(Cookies, MissingFileAndUnwritableFolderLeaveAWorkingStore) {
  const std::u16string nowhere = folder + u"\\missing\\cookies.txt";
  CookiesInitialize(nowhere.c_str());
  EXPECT_EQ("", Header(u"example.test", u"/"));
  SetCookie(u"example.test", "a=1");
  EXPECT_EQ("a=1; ", Header(u"example.test", u"/"));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(nowhere.c_str()));
  CookiesFree(nowhere.c_str());

  WriteBytes(file, "a=1; path=/; domain=example.test; expires=\n" + std::string(100000, 'x'));
  CookiesInitialize(file.c_str());
  EXPECT_EQ("", Header(u"example.test", u"/"));
}

TEST_F(Cookies, ClearForDomainLeavesTheFileAlone) {
  CookiesInitialize(file.c_str());
  SetCookie(u"www.example.test", "a=1; domain=.example.test");
  SetCookie(u"other.test", "b=2");
  const std::string before = ReadBytes(file);
  CookieClearForDomain(u"shop.example.test");
  EXPECT_EQ("", Header(u"shop.example.test", u"/"));
  EXPECT_EQ("b=2; ", Header(u"other.test", u"/"));
  EXPECT_EQ(before, ReadBytes(file));
}

struct TreeItem {
  std::u16string text;
  int image;
  std::vector<TreeItem> children;
};

std::vector<TreeItem> ReadTree(HWND tree, HTREEITEM first) {
  std::vector<TreeItem> items;
  for (HTREEITEM item = first; item; item = TreeView_GetNextSibling(tree, item)) {
    WCHAR text[4200] = {};
    TVITEMW get = {};
    get.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_HANDLE;
    get.hItem = item;
    get.pszText = text;
    get.cchTextMax = 4200;
    TreeView_GetItemU(tree, &get);
    items.push_back({text, get.iImage, ReadTree(tree, TreeView_GetChild(tree, item))});
  }
  return items;
}

TEST_F(Cookies, TreeViewHasOneParentPerDomainAndDeletesByItsText) {
  INITCOMMONCONTROLSEX init = {sizeof(init), ICC_TREEVIEW_CLASSES};
  InitCommonControlsEx(&init);
  HWND tree = CreateWindowExW(0, WC_TREEVIEWW, u"", WS_POPUP, 0, 0, 200, 200, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(nullptr, tree);
  CookiesInitialize(file.c_str());
  SetCookie(u"example.test", "a=1; path=/");
  SetCookie(u"other.test", "b=2; path=/");
  SetCookie(u"EXAMPLE.test", "c=3; path=/; domain=Example.Test");
  CookiesFillTreeView(tree);

  const std::vector<TreeItem> roots = ReadTree(tree, TreeView_GetRoot(tree));
  ASSERT_EQ(2u, roots.size());
  EXPECT_EQ(u"example.test", roots[0].text);
  EXPECT_EQ(1, roots[0].image);
  ASSERT_EQ(2u, roots[0].children.size());
  // Shown without the line end; the file keeps it, and a shown line deletes its cookie.
  EXPECT_EQ(u"a=1; path=/; domain=example.test; expires=", roots[0].children[0].text);
  EXPECT_EQ(0, roots[0].children[0].image);
  EXPECT_EQ(u"c=3; path=/; domain=Example.Test; expires=", roots[0].children[1].text);
  EXPECT_EQ(u"other.test", roots[1].text);
  ASSERT_EQ(1u, roots[1].children.size());

  CookiesDeleteCookie(file.c_str(), roots[0].children[0].text.c_str());
  EXPECT_EQ(
      "b=2; path=/; domain=other.test; expires=\r\n"
      "c=3; path=/; domain=Example.Test; expires=\r\n",
      ReadBytes(file));
  CookiesDeleteCookie(file.c_str(), u"b=2; path=/; domain=other.test; expires=\r\n");
  EXPECT_EQ("c=3; path=/; domain=Example.Test; expires=\r\n", ReadBytes(file))
      << "a line with its line end deletes too";
  CookiesDeleteCookie(file.c_str(), nullptr);
  EXPECT_EQ("", ReadBytes(file));
  DestroyWindow(tree);
}

DWORD WINAPI SetAndGet(void* parameter) {
  const int index = static_cast<int>(reinterpret_cast<INT_PTR>(parameter));
  const char16_t* hosts[] = {u"example.test", u"www.example.test", u"a.example.test"};
  for (int i = 0; i < 40; ++i) {
    const std::string text = "n" + std::to_string(i % 8) + "=" + std::to_string(index);
    CookiesSetFromHeader(hosts[(index + i) % 3], text.data(), static_cast<uint32_t>(text.size()));
    char* header = CookiesGetHeader(hosts[i % 3], u"/");
    free(header);
  }
  return 0;
}

TEST_F(Cookies, ConcurrentWorkersLeaveAConsistentFile) {
  CookiesInitialize(file.c_str());
  HANDLE threads[8];
  for (int i = 0; i < 8; ++i) {
    threads[i] =
        CreateThread(nullptr, 0, SetAndGet, reinterpret_cast<void*>(INT_PTR{i}), 0, nullptr);
    ASSERT_NE(nullptr, threads[i]);
  }
  WaitForMultipleObjects(8, threads, TRUE, INFINITE);
  for (HANDLE thread : threads) CloseHandle(thread);
  const std::string bytes = ReadBytes(file);
  CookiesFree(file.c_str());
  CookiesInitialize(file.c_str());
  // 8 names on two domains, each once, and the file reloads to the same store.
  EXPECT_EQ(16, std::count(bytes.begin(), bytes.end(), '\n'));
  SetCookie(u"example.test", "n0=reload");
  const std::string reloaded = ReadBytes(file);
  EXPECT_NE(std::string::npos, reloaded.find("n0=reload; path=; domain=example.test"));
  EXPECT_EQ(16, std::count(reloaded.begin(), reloaded.end(), '\n'));
}

}  // namespace
