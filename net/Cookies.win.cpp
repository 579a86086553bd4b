// The cookie store's Windows side: UTF-16 hosts, paths and file names, the file read and
// written by its wide path, and the Cookies page's tree view.
#include <windows.h>

#include <commctrl.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "engine/ControlWrappers.h"
#include "engine/TextHelpers.h"
#include "net/CookieCore.h"
#include "net/Cookies.h"
#include "toolkit/AnsiCodePage.h"
#include "toolkit/Win32Holders.h"

namespace {

CCookieStore g_store;
// Set once by CookiesInitialize, before any other thread may use the store.
std::u16string g_file;

// Hosts and paths are compared in the ANSI code page, like the cookies' own texts.
std::string ToAnsi(const char16_t* text) {
  std::string ansi;
  if (!text) return ansi;
  ansi.resize(WideToAnsi(text, -1, nullptr, 0));
  ansi.resize(WideToAnsi(text, -1, &ansi[0], static_cast<int>(ansi.size())));
  return ansi;
}

std::u16string ToWide(const char* text, int bytes) {
  std::u16string wide;
  wide.resize(AnsiToWide(text, bytes, nullptr, 0));
  wide.resize(AnsiToWide(text, bytes, &wide[0], static_cast<int>(wide.size())));
  return wide;
}

void LoadFile(const char16_t* file) {
  const HandleHolder handle(file ? CreateFileW(file, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)
                                 : INVALID_HANDLE_VALUE);
  if (!handle.held()) {
    g_store.Load(nullptr, 0);
    return;
  }
  LARGE_INTEGER size = {};
  char* data = nullptr;
  DWORD read = 0;
  if (GetFileSizeEx(handle.get(), &size) && size.QuadPart <= 0x7fffffff) {
    data = static_cast<char*>(malloc(size.QuadPart + 1));
    if (data && !ReadFile(handle.get(), data, static_cast<DWORD>(size.QuadPart), &read, nullptr)) {
      read = 0;
    }
  }
  g_store.Load(data, read);
  free(data);
}

// The whole file is written next to the old one and then moved over it, so a crash while
// writing never loses the cookies already stored. A folder that cannot be written is
// skipped silently.
void WriteFileBytes(const std::string& bytes, void* context) {
  const char16_t* file = static_cast<const char16_t*>(context);
  if (!file || !*file) return;
  const std::u16string temporary = std::u16string(file) + u".tmp";
  HandleHolder handle(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle.held()) return;
  DWORD written = 0;
  const BOOL ok =
      WriteFile(handle.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
      written == bytes.size();
  handle.reset();
  if (!ok || !MoveFileExW(temporary.c_str(), file, MOVEFILE_REPLACE_EXISTING)) {
    DeleteFileW(temporary.c_str());
  }
}

constexpr int kTreeTextUnits = 1024;
constexpr size_t kTreeLineBytes = 4096;
// How the store ends each line of its file.
constexpr std::string_view kLineEnd = "\r\n";

HTREEITEM FindDomainItem(HWND tree, const std::u16string& domain) {
  HTREEITEM item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
  while (item) {
    WCHAR text[kTreeTextUnits];
    TVITEMW get = {};
    get.mask = TVIF_TEXT | TVIF_HANDLE;
    get.hItem = item;
    get.pszText = text;
    get.cchTextMax = kTreeTextUnits;
    text[0] = 0;
    if (TreeView_GetItemU(tree, &get) && UnicodeCompare(text, domain.c_str(), 1) == 0) {
      return item;
    }
    item = reinterpret_cast<HTREEITEM>(
        SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)));
  }
  return nullptr;
}

HTREEITEM InsertTreeItem(HWND tree, HTREEITEM parent, std::u16string text, int image) {
  TVINSERTSTRUCTW insert = {};
  insert.hParent = parent;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
  insert.item.pszText = &text[0];
  insert.item.iImage = image;
  insert.item.iSelectedImage = image;
  return TreeView_InsertItemU(tree, &insert);
}

void AddCookieToTree(const tagCOOKIE& cookie, void* context) {
  HWND tree = static_cast<HWND>(context);
  const std::u16string domain = ToWide(cookie.domain.c_str(), -1);
  HTREEITEM parent = FindDomainItem(tree, domain);
  if (!parent) parent = InsertTreeItem(tree, TVI_ROOT, domain, 1);
  std::string line = CookieFileLine(cookie);
  // The item shows the line without its line end, which a tree item would draw as boxes.
  line.resize(line.size() - kLineEnd.size());
  if (line.size() >= kTreeLineBytes) line.resize(kTreeLineBytes - 1);
  InsertTreeItem(tree, parent, ToWide(line.data(), static_cast<int>(line.size())), 0);
}

}  // namespace

void CookiesInitialize(const char16_t* file) {
  g_file = file ? file : u"";
  LoadFile(file);
}

void CookiesFree(const char16_t*) { g_store.Free(); }

int CookiesSetFromHeader(const char16_t* host, const char* text, uint32_t length) {
  const CookieText one = {text, length};
  CookiesSetFromHeaders(host, &one, 1);
  return 1;
}

void CookiesSetFromHeaders(const char16_t* host, const CookieText* texts, size_t count) {
  const std::string ansiHost = ToAnsi(host);
  g_store.Set(host ? ansiHost.c_str() : nullptr, texts, count, WriteFileBytes,
              const_cast<char16_t*>(g_file.c_str()));
}

char* CookiesGetHeader(const char16_t* host, const char16_t* path) {
  const std::string ansiHost = ToAnsi(host);
  const std::string ansiPath = ToAnsi(path);
  const std::string header = g_store.Get(host ? ansiHost.c_str() : nullptr, ansiPath.c_str());
  char* copy = static_cast<char*>(malloc(header.size() + 1));
  if (copy) memcpy(copy, header.c_str(), header.size() + 1);
  return copy;
}

void CookieClearForDomain(const char16_t* host) {
  if (host) g_store.ClearForDomain(ToAnsi(host).c_str());
}

void CookiesDeleteCookie(const char16_t* file, const char16_t* line) {
  // A line as the tree shows it lacks the line end that the store's lines carry.
  std::string ansiLine = ToAnsi(line);
  if (ansiLine.size() < kLineEnd.size() ||
      ansiLine.compare(ansiLine.size() - kLineEnd.size(), kLineEnd.size(), kLineEnd) != 0) {
    ansiLine += kLineEnd;
  }
  g_store.Delete(line ? ansiLine.c_str() : nullptr, WriteFileBytes, const_cast<char16_t*>(file));
}

void CookiesFillTreeView(HWND__* tree) { g_store.ForEach(AddCookieToTree, tree); }
