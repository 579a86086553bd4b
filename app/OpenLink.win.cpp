// The open-link thread and the clipboard copy.
#include "app/OpenLink.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "app/SystemActions.h"
#include "engine/TextHelpers.h"
#include "net/Downloader.h"
#include "toolkit/FinderStruct.h"
#include "toolkit/LanguageText.h"
#include "toolkit/Win32Holders.h"

namespace {

// One allocation: the fixed part, then the address and the prefix.
struct OPENLINKREQUEST {
  HWND Owner;
  int ShowCmd;
  char16_t* Address;
  char16_t* Prefix;
};

// Addresses from crawled pages reach here, and "open" runs programs: only web and FTP
// addresses go to the shell.
bool IsWebAddress(const char16_t* address) {
  for (const char* scheme : {"http:", "https:", "ftp:"}) {
    const char16_t* at = address;
    const char* want = scheme;
    while (*want && *at && (*at | 0x20) == *want) ++at, ++want;
    if (!*want) return true;
  }
  return false;
}

// A crawled link's decoded text may hold a quote or a blank, which would end the address
// on the browser's command line and add arguments of its own: what never stands raw in an
// address goes to the shell percent-encoded, as UTF-8. Non-ASCII text is encoded too, the
// usual reading of an international address, so no Unicode blank or control slips through.
std::u16string ShellSafeAddress(const char16_t* address) {
  std::string utf8(std::char_traits<char16_t>::length(address) * 3 + 1, '\0');
  utf8.resize(Utf16ToUtf8Z(address, &utf8[0], static_cast<int>(utf8.size())));
  const std::string escaped = URLEscaped(utf8.c_str(), "\"<>^`{|}");
  return std::u16string(escaped.begin(), escaped.end());
}

DWORD WINAPI OpenLinkThread(void* parameter) {
  auto* request = static_cast<OPENLINKREQUEST*>(parameter);
  INT_PTR result = 0;
  if (IsWebAddress(request->Address)) {
    const std::u16string address = ShellSafeAddress(request->Address);
    result = reinterpret_cast<INT_PTR>(g_systemActions.ShellExecute(
        request->Owner, u"open", address.c_str(), nullptr, nullptr, request->ShowCmd));
  }
  if (result <= 32) {
    CopyTextToClipboard(request->Owner, request->Address);
    finderstruct.AnimatedMessageBox(request->Owner, LanguageText(STR_Msg_OpenClipboard),
                                    u"Tessaline Lite", MB_ICONINFORMATION, request->Prefix,
                                    request->Address);
    SetForegroundWindow(request->Owner);
  }
  free(request);
  return 0;
}

}  // namespace

void StartOpenLink(HWND owner, const char16_t* address, int showCmd, const char16_t* prefix) {
  if (!address) address = u"";
  if (!prefix) prefix = u"";
  const size_t addressUnits = std::char_traits<char16_t>::length(address) + 1;
  const size_t prefixUnits = std::char_traits<char16_t>::length(prefix) + 1;
  auto* request = static_cast<OPENLINKREQUEST*>(
      calloc(1, sizeof(OPENLINKREQUEST) + (addressUnits + prefixUnits) * sizeof(char16_t)));
  if (!request) return;
  request->Owner = owner;
  request->ShowCmd = showCmd;
  request->Address = reinterpret_cast<char16_t*>(request + 1);
  request->Prefix = request->Address + addressUnits;
  memcpy(request->Address, address, addressUnits * sizeof(char16_t));
  memcpy(request->Prefix, prefix, prefixUnits * sizeof(char16_t));
  const HandleHolder thread(CreateThread(nullptr, 0, OpenLinkThread, request, 0, nullptr));
  if (!thread.held()) free(request);
}

void CopyTextToClipboard(HWND owner, const char16_t* text) {
  if (!OpenClipboard(owner)) return;
  EmptyClipboard();
  const size_t units = std::char_traits<char16_t>::length(text) + 1;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, units * sizeof(char16_t));
  if (block) {
    memcpy(GlobalLock(block), text, units * sizeof(char16_t));
    GlobalUnlock(block);
    if (!SetClipboardData(CF_UNICODETEXT, block)) GlobalFree(block);
  }
  CloseClipboard();
}
