// The Unicode-safe list view, tree view, combo box and INI calls: wide calls on NT, 8-bit ones
// elsewhere.
#include "engine/ControlWrappers.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "engine/TextCopy.h"
#include "toolkit/AnsiCodePage.h"

namespace {

std::atomic<int> g_forceAnsi{0};

// Text pointers that are not text: none, the ask-me-later marker, and resource numbers.
bool IsTextPointer(const void* text) {
  return text && text != static_cast<const void*>(LPSTR_TEXTCALLBACKW) && !IS_INTRESOURCE(text);
}

// A heap copy of a UTF-16 text in the ANSI code page, freed with the holder. Data() is null
// when there is no text or no memory; Pass() hands markers such as LPSTR_TEXTCALLBACK on.
class CAnsiText {
 public:
  explicit CAnsiText(const WCHAR* text) : original(text) {
    if (!IsTextPointer(text)) return;
    const int bytes = WideToAnsi(text, -1, nullptr, 0);
    data = static_cast<char*>(malloc(bytes + 1));
    if (!data) return;
    length = WideToAnsi(text, -1, data, bytes);
    data[length] = 0;
  }
  ~CAnsiText() { free(data); }
  CAnsiText(const CAnsiText&) = delete;
  CAnsiText& operator=(const CAnsiText&) = delete;

  char* Data() const { return data; }
  int Length() const { return length; }
  bool Failed() const { return IsTextPointer(original) && !data; }
  char* Pass() const {
    return IsTextPointer(original) ? data : reinterpret_cast<char*>(const_cast<WCHAR*>(original));
  }

 private:
  const WCHAR* original;
  char* data = nullptr;
  int length = 0;
};

// A byte buffer for an ANSI "get" call.
class CAnsiBuffer {
 public:
  explicit CAnsiBuffer(int size) : size(size > 0 ? size : 1) {
    data = static_cast<char*>(calloc(this->size, 1));
  }
  ~CAnsiBuffer() { free(data); }
  CAnsiBuffer(const CAnsiBuffer&) = delete;
  CAnsiBuffer& operator=(const CAnsiBuffer&) = delete;

  char* data;
  int size;
};

// Converts `bytes` bytes of ANSI text (-1: up to its terminator) into the caller's buffer,
// cut to size - 1 units and terminated. Embedded zeros are kept. Returns the units written.
int ToCaller(const char* ansi, int bytes, WCHAR* buffer, int size) {
  if (!buffer || size <= 0) return 0;
  buffer[0] = 0;
  if (!ansi) return 0;
  if (bytes < 0) bytes = static_cast<int>(strlen(ansi));
  const int units = AnsiToWide(ansi, bytes, nullptr, 0);
  WCHAR* wide = static_cast<WCHAR*>(malloc((units + 1) * sizeof(WCHAR)));
  if (!wide) return 0;
  AnsiToWide(ansi, bytes, wide, units);
  wide[units] = 0;
  int copied = units < size - 1 ? units : size - 1;
  // Never leave half a surrogate pair at the cut.
  if (copied < units && copied > 0 && IS_HIGH_SURROGATE(wide[copied - 1])) --copied;
  memcpy(buffer, wide, copied * sizeof(WCHAR));
  buffer[copied] = 0;
  free(wide);
  return copied;
}

// The combo box message copies the whole item whatever the buffer's size, so longer items
// go through a buffer of their own.
template <typename Char, typename Send>
LRESULT GetBoundedItem(Send send, int index, Char* buffer, int size) {
  const LRESULT length = send(CB_GETLBTEXTLEN, index, 0);
  if (length == CB_ERR || size <= 0) return CB_ERR;
  if (length < size) return send(CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(buffer));
  Char* whole = static_cast<Char*>(calloc(length + 1, sizeof(Char)));
  if (!whole) return CB_ERR;
  const LRESULT got = send(CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(whole));
  LRESULT copied = 0;
  if (got != CB_ERR) {
    copied = got < size ? got : size - 1;
    memcpy(buffer, whole, copied * sizeof(Char));
    buffer[copied] = 0;
  }
  free(whole);
  return got == CB_ERR ? CB_ERR : copied;
}

LRESULT SendTextToItem(HWND dialog, int id, UINT message, WPARAM wParam, WCHAR* text) {
  if (IsWindowsNT()) {
    return SendDlgItemMessageW(dialog, id, message, wParam, reinterpret_cast<LPARAM>(text));
  }
  CAnsiText ansi(text);
  return SendDlgItemMessageA(dialog, id, message, wParam, reinterpret_cast<LPARAM>(ansi.Pass()));
}

}  // namespace

void ForceAnsiControlsForTest(int force) { g_forceAnsi.store(force ? 1 : 0); }

extern "C" {

int WINAPI IsWindowsNT() {
  // Workers call the wrappers too: the platform is asked once, by a thread-safe initialiser.
  static const int platformIsNT = [] {
    OSVERSIONINFOW info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    return GetVersionExW(&info) && info.dwPlatformId == VER_PLATFORM_WIN32_NT ? 1 : 0;
  }();
  return g_forceAnsi.load() ? 0 : platformIsNT;
}

int WINAPI ListView_InsertItemU(HWND list, LVITEMW* item) {
  if (IsWindowsNT()) {
    return static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(item)));
  }
  static_assert(sizeof(LVITEMA) == sizeof(LVITEMW), "the ANSI twin has the same layout");
  LVITEMA copy;
  memcpy(&copy, item, sizeof(copy));
  CAnsiText text((item->mask & LVIF_TEXT) ? item->pszText : nullptr);
  if (item->mask & LVIF_TEXT) {
    copy.pszText = text.Pass();
    copy.cchTextMax = text.Length();
  }
  return static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&copy)));
}

int WINAPI ListView_SetItemTextU(HWND list, int item, int subitem, WCHAR* text) {
  if (IsWindowsNT()) {
    LVITEMW lv = {};
    lv.iSubItem = subitem;
    lv.pszText = text;
    return static_cast<int>(
        SendMessageW(list, LVM_SETITEMTEXTW, item, reinterpret_cast<LPARAM>(&lv)));
  }
  CAnsiText ansi(text);
  LVITEMA lv = {};
  lv.iSubItem = subitem;
  lv.pszText = ansi.Pass();
  return static_cast<int>(
      SendMessageA(list, LVM_SETITEMTEXTA, item, reinterpret_cast<LPARAM>(&lv)));
}

int WINAPI ListView_GetItemTextU(HWND list, int item, int subitem, WCHAR* buffer, int size) {
  if (IsWindowsNT()) {
    LVITEMW lv = {};
    lv.iSubItem = subitem;
    lv.pszText = buffer;
    lv.cchTextMax = size;
    return static_cast<int>(
        SendMessageW(list, LVM_GETITEMTEXTW, item, reinterpret_cast<LPARAM>(&lv)));
  }
  CAnsiBuffer bytes(size);
  LVITEMA lv = {};
  lv.iSubItem = subitem;
  lv.pszText = bytes.data;
  lv.cchTextMax = bytes.data ? bytes.size : 0;
  SendMessageA(list, LVM_GETITEMTEXTA, item, reinterpret_cast<LPARAM>(&lv));
  // The control may hand back a pointer to its own text instead of filling the buffer.
  return ToCaller(lv.pszText, -1, buffer, size);
}

HTREEITEM WINAPI TreeView_InsertItemU(HWND tree, TVINSERTSTRUCTW* insert) {
  if (IsWindowsNT()) {
    return reinterpret_cast<HTREEITEM>(
        SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(insert)));
  }
  static_assert(sizeof(TVINSERTSTRUCTA) == sizeof(TVINSERTSTRUCTW), "same layout");
  TVINSERTSTRUCTA copy;
  memcpy(&copy, insert, sizeof(copy));
  const bool hasText = insert->item.mask & TVIF_TEXT;
  CAnsiText text(hasText ? insert->item.pszText : nullptr);
  if (hasText) {
    copy.item.pszText = text.Pass();
    if (text.Failed()) copy.item.cchTextMax = 0;
  }
  return reinterpret_cast<HTREEITEM>(
      SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&copy)));
}

LRESULT WINAPI TreeView_SetItemU(HWND tree, TVITEMW* item) {
  if (IsWindowsNT()) return SendMessageW(tree, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(item));
  static_assert(sizeof(TVITEMA) == sizeof(TVITEMW), "same layout");
  TVITEMA copy;
  memcpy(&copy, item, sizeof(copy));
  const bool hasText = item->mask & TVIF_TEXT;
  CAnsiText text(hasText ? item->pszText : nullptr);
  if (hasText) {
    copy.pszText = text.Pass();
    if (text.Failed()) copy.cchTextMax = 0;
  }
  return SendMessageA(tree, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&copy));
}

int WINAPI TreeView_GetItemU(HWND tree, TVITEMW* item) {
  if (IsWindowsNT()) {
    return static_cast<int>(SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(item)));
  }
  const bool hasText = item->mask & TVIF_TEXT;
  WCHAR* const callerText = item->pszText;
  const int callerSize = item->cchTextMax;
  CAnsiBuffer bytes(hasText ? callerSize : 1);
  TVITEMA copy;
  memcpy(&copy, item, sizeof(copy));
  if (hasText) {
    copy.pszText = bytes.data;
    copy.cchTextMax = bytes.data ? bytes.size : 0;
  }
  const int result =
      static_cast<int>(SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&copy)));
  memcpy(item, &copy, sizeof(copy));
  item->pszText = callerText;
  item->cchTextMax = callerSize;
  // The control may hand back a pointer to its own text instead of filling the buffer.
  if (hasText)
    ToCaller(IsTextPointer(copy.pszText) ? copy.pszText : nullptr, -1, callerText, callerSize);
  return result;
}

int WINAPI ToolTip_AddTool(HWND tooltip, TOOLINFOW* tool) {
  if (IsWindowsNT()) {
    return static_cast<int>(SendMessageW(tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(tool)));
  }
  static_assert(sizeof(TTTOOLINFOA) == sizeof(TTTOOLINFOW), "same layout");
  TTTOOLINFOA copy;
  memcpy(&copy, tool, sizeof(copy));
  copy.cbSize = TTTOOLINFOA_V2_SIZE;
  CAnsiText text(tool->lpszText);
  copy.lpszText = text.Pass();
  return static_cast<int>(SendMessageA(tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&copy)));
}

int WINAPI ListBox_AddStringU(HWND dialog, int id, WCHAR* text) {
  return static_cast<int>(SendTextToItem(dialog, id, LB_ADDSTRING, 0, text));
}

int WINAPI ComboBox_AddStringU(HWND dialog, int id, WCHAR* text) {
  return static_cast<int>(SendTextToItem(dialog, id, CB_ADDSTRING, 0, text));
}

int WINAPI ComboBox_InsertStringU(HWND dialog, int id, int index, WCHAR* text) {
  return static_cast<int>(SendTextToItem(dialog, id, CB_INSERTSTRING, index, text));
}

int WINAPI ComboBox_FindStringU(HWND dialog, int id, int start, WCHAR* text) {
  return static_cast<int>(SendTextToItem(dialog, id, CB_FINDSTRING, start, text));
}

int WINAPI ComboBox_SelectStringU(HWND dialog, int id, int start, WCHAR* text) {
  return static_cast<int>(SendTextToItem(dialog, id, CB_SELECTSTRING, start, text));
}

UINT WINAPI ComboBox_GetLBTextU(HWND dialog, int id, int index, WCHAR* buffer, int size) {
  if (IsWindowsNT()) {
    auto send = [dialog, id](UINT message, WPARAM wParam, LPARAM lParam) {
      return SendDlgItemMessageW(dialog, id, message, wParam, lParam);
    };
    return static_cast<UINT>(GetBoundedItem(send, index, buffer, size));
  }
  auto send = [dialog, id](UINT message, WPARAM wParam, LPARAM lParam) {
    return SendDlgItemMessageA(dialog, id, message, wParam, lParam);
  };
  const LRESULT length = send(CB_GETLBTEXTLEN, index, 0);
  if (length == CB_ERR || size <= 0) return static_cast<UINT>(CB_ERR);
  CAnsiBuffer bytes(static_cast<int>(length) + 1);
  if (!bytes.data || send(CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(bytes.data)) == CB_ERR) {
    return static_cast<UINT>(CB_ERR);
  }
  return static_cast<UINT>(ToCaller(bytes.data, -1, buffer, size));
}

UINT WINAPI GetDlgItemTextU(HWND dialog, int id, WCHAR* buffer, int size) {
  if (IsWindowsNT()) return GetDlgItemTextW(dialog, id, buffer, size);
  CAnsiBuffer bytes(size);
  if (!bytes.data) return ToCaller(nullptr, 0, buffer, size);
  const UINT got = GetDlgItemTextA(dialog, id, bytes.data, bytes.size);
  return static_cast<UINT>(ToCaller(bytes.data, static_cast<int>(got), buffer, size));
}

BOOL WINAPI SetDlgItemTextU(HWND dialog, int id, WCHAR* text) {
  if (IsWindowsNT()) return SetDlgItemTextW(dialog, id, text);
  CAnsiText ansi(text);
  return SetDlgItemTextA(dialog, id, ansi.Pass());
}

BOOL WINAPI SetWindowTextU(HWND window, WCHAR* text) {
  if (IsWindowsNT()) return SetWindowTextW(window, text);
  CAnsiText ansi(text);
  return SetWindowTextA(window, ansi.Pass());
}

DWORD WINAPI GetPrivateProfileStringU(const WCHAR* section, const WCHAR* key,
                                      const WCHAR* defaultText, WCHAR* buffer, DWORD size,
                                      const WCHAR* file) {
  if (IsWindowsNT()) return GetPrivateProfileStringW(section, key, defaultText, buffer, size, file);
  CAnsiText ansiSection(section), ansiKey(key), ansiDefault(defaultText), ansiFile(file);
  CAnsiBuffer bytes(static_cast<int>(size));
  if (ansiSection.Failed() || ansiKey.Failed() || ansiDefault.Failed() || ansiFile.Failed() ||
      !bytes.data) {
    return static_cast<DWORD>(CopyText(buffer, static_cast<int>(size), defaultText));
  }
  const DWORD got = GetPrivateProfileStringA(ansiSection.Pass(), ansiKey.Pass(), ansiDefault.Pass(),
                                             bytes.data, bytes.size, ansiFile.Pass());
  // Without a section or key the answer is a list of zero-terminated names: convert it by
  // its length, and end it with a second zero when there is room.
  const int units = ToCaller(bytes.data, static_cast<int>(got), buffer, static_cast<int>(size));
  if ((!section || !key) && units + 1 < static_cast<int>(size)) buffer[units + 1] = 0;
  return static_cast<DWORD>(units);
}

BOOL WINAPI WritePrivateProfileStringU(const WCHAR* section, const WCHAR* key, const WCHAR* value,
                                       const WCHAR* file) {
  if (IsWindowsNT()) return WritePrivateProfileStringW(section, key, value, file);
  CAnsiText ansiSection(section), ansiKey(key), ansiValue(value), ansiFile(file);
  if (ansiSection.Failed() || ansiKey.Failed() || ansiValue.Failed() || ansiFile.Failed()) {
    return FALSE;
  }
  return WritePrivateProfileStringA(ansiSection.Pass(), ansiKey.Pass(), ansiValue.Pass(),
                                    ansiFile.Pass());
}
}
