#include "tests/support/WinGTest.h"

#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "engine/ControlWrappers.h"

namespace {

constexpr int kList = 10, kTree = 11, kListBox = 12, kCombo = 13, kEdit = 14;
const char16_t kGreekCjk[] = u"\u03b1\u03b2\u03b3 \u4e2d\u6587 \u00e9";

// A fresh prefix may not have made its temporary folder yet.
std::u16string TempFolder() {
  WCHAR folder[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  CreateDirectoryW(folder, nullptr);
  return folder;
}

struct Sent {
  UINT message;
  LPARAM lParam;
  const void* text;  // the text pointer of a tool added
  UINT size;         // the size field of a tool added
};
std::vector<Sent> g_sent;
std::map<HWND, LONG_PTR> g_original;

LRESULT CALLBACK Record(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Sent sent = {message, lParam, nullptr, 0};
  if (message == TTM_ADDTOOLW || message == TTM_ADDTOOLA) {
    sent.text = reinterpret_cast<TTTOOLINFOW*>(lParam)->lpszText;
    sent.size = reinterpret_cast<TTTOOLINFOW*>(lParam)->cbSize;
  }
  g_sent.push_back(sent);
  return CallWindowProcW(reinterpret_cast<WNDPROC>(g_original[window]), window, message, wParam,
                         lParam);
}

class ControlWrappers : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX init = {sizeof(init),
                                 ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&init);
    HINSTANCE module = GetModuleHandleW(nullptr);
    parent = CreateWindowExW(0, u"STATIC", u"", WS_POPUP, 0, 0, 400, 400, nullptr, nullptr, module,
                             nullptr);
    ASSERT_NE(nullptr, parent);
    list = Child(WC_LISTVIEWW, LVS_REPORT, kList);
    LVCOLUMNW column = {};
    column.mask = LVCF_WIDTH;
    column.cx = 100;
    SendMessageW(list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
    tree = Child(WC_TREEVIEWW, 0, kTree);
    Child(u"LISTBOX", LBS_HASSTRINGS, kListBox);
    Child(u"COMBOBOX", CBS_DROPDOWN | CBS_HASSTRINGS, kCombo);
    Child(u"EDIT", 0, kEdit);
    tooltip = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP, 0, 0, 0, 0, parent, nullptr,
                              module, nullptr);
    for (HWND window : {list, tree, tooltip}) {
      g_original[window] =
          SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Record));
    }
    ForceAnsiControlsForTest(Ansi());
  }
  void TearDown() override {
    ForceAnsiControlsForTest(0);
    DestroyWindow(parent);
    DestroyWindow(tooltip);
    g_original.clear();
    g_sent.clear();
  }

  bool Ansi() const { return GetParam() != 0; }
  HWND Child(const char16_t* type, DWORD style, int id) {
    return CreateWindowExW(0, type, u"", WS_CHILD | style, 0, 0, 200, 200, parent,
                           reinterpret_cast<HMENU>(INT_PTR{id}), GetModuleHandleW(nullptr),
                           nullptr);
  }
  HTREEITEM InsertTreeItem(const char16_t* text) {
    TVINSERTSTRUCTW insert = {};
    insert.hParent = TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT;
    insert.item.pszText = const_cast<WCHAR*>(text);
    return TreeView_InsertItemU(tree, &insert);
  }
  int InsertListItem(const char16_t* text) {
    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.iItem = 0x7fff;
    item.pszText = const_cast<WCHAR*>(text);
    return ListView_InsertItemU(list, &item);
  }

  // Each pair sets a text and reads it back through the wrappers; size is the reader's
  // buffer. Returns what was read.
  std::map<std::string, std::function<std::u16string(const char16_t*, int)>> Pairs() {
    auto read = [](int size, const std::function<void(WCHAR*, int)>& get) {
      std::vector<WCHAR> buffer(size + 4, u'#');
      get(buffer.data(), size);
      for (int i = size; i < size + 4; ++i) EXPECT_EQ(u'#', buffer[i]) << "written past the end";
      return std::u16string(buffer.data());
    };
    return {
        {"list view",
         [this, read](const char16_t* text, int size) {
           SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
           const int item = InsertListItem(u"x");
           ListView_SetItemTextU(list, item, 0, const_cast<WCHAR*>(text));
           return read(size, [&](WCHAR* b, int n) { ListView_GetItemTextU(list, item, 0, b, n); });
         }},
        {"tree view",
         [this, read](const char16_t* text, int size) {
           SendMessageW(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
           HTREEITEM item = InsertTreeItem(text);
           return read(size, [&](WCHAR* b, int n) {
             TVITEMW get = {};
             get.mask = TVIF_TEXT | TVIF_HANDLE;
             get.hItem = item;
             get.pszText = b;
             get.cchTextMax = n;
             TreeView_GetItemU(tree, &get);
           });
         }},
        {"combo box",
         [this, read](const char16_t* text, int size) {
           SendDlgItemMessageW(parent, kCombo, CB_RESETCONTENT, 0, 0);
           ComboBox_AddStringU(parent, kCombo, const_cast<WCHAR*>(u"first"));
           ComboBox_InsertStringU(parent, kCombo, 0, const_cast<WCHAR*>(text));
           const int index = ComboBox_FindStringU(parent, kCombo, -1, const_cast<WCHAR*>(text));
           EXPECT_EQ(0, index);
           return read(size,
                       [&](WCHAR* b, int n) { ComboBox_GetLBTextU(parent, kCombo, index, b, n); });
         }},
        {"dialog item",
         [this, read](const char16_t* text, int size) {
           SetDlgItemTextU(parent, kEdit, const_cast<WCHAR*>(text));
           return read(size, [&](WCHAR* b, int n) { GetDlgItemTextU(parent, kEdit, b, n); });
         }},
        {"window text",
         [this, read](const char16_t* text, int size) {
           SetWindowTextU(GetDlgItem(parent, kEdit), const_cast<WCHAR*>(text));
           return read(size, [&](WCHAR* b, int n) { GetDlgItemTextU(parent, kEdit, b, n); });
         }},
        {"profile",
         [read](const char16_t* text, int size) {
           // Profile files keep text beyond the code page only in UTF-16, marked so.
           const std::u16string file = TempFolder() + u"wrappers \u00e9.ini";
           HANDLE handle = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr);
           DWORD written = 0;
           WriteFile(handle, "\xff\xfe", 2, &written, nullptr);
           CloseHandle(handle);
           EXPECT_TRUE(WritePrivateProfileStringU(u"S\u00e9", u"k", text, file.c_str()));
           const std::u16string got = read(size, [&](WCHAR* b, int n) {
             GetPrivateProfileStringU(u"S\u00e9", u"k", u"none", b, n, file.c_str());
           });
           DeleteFileW(file.c_str());
           return got;
         }},
    };
  }

  HWND parent = nullptr, list = nullptr, tree = nullptr, tooltip = nullptr;
};

INSTANTIATE_TEST_SUITE_P(Paths, ControlWrappers, ::testing::Values(0, 1),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return info.param ? "Ansi" : "Nt";
                         });

TEST_P(ControlWrappers, StructureCallsSendTheirOwnFormOnly) {
  EXPECT_EQ(Ansi() ? 0 : 1, IsWindowsNT());
  WCHAR buffer[16];
  LVITEMW lvItem = {};
  lvItem.mask = LVIF_TEXT;
  lvItem.pszText = const_cast<WCHAR*>(u"x");
  TVINSERTSTRUCTW insert = {};
  insert.hParent = TVI_ROOT;
  insert.item.mask = TVIF_TEXT;
  insert.item.pszText = const_cast<WCHAR*>(u"y");
  TVITEMW tvItem = {};
  TTTOOLINFOW tool = {};
  tool.cbSize = sizeof(tool);
  tool.hwnd = parent;
  tool.uId = 1;
  tool.lpszText = const_cast<WCHAR*>(u"tip");
  struct Case {
    const char* name;
    UINT wide, narrow;
    void* structure;
    std::function<void()> call;
  } const cases[] = {
      {"list insert", LVM_INSERTITEMW, LVM_INSERTITEMA, &lvItem,
       [&] { ListView_InsertItemU(list, &lvItem); }},
      {"tree insert", TVM_INSERTITEMW, TVM_INSERTITEMA, &insert,
       [&] { tvItem.hItem = TreeView_InsertItemU(tree, &insert); }},
      {"tree set", TVM_SETITEMW, TVM_SETITEMA, &tvItem,
       [&] {
         tvItem.mask = TVIF_TEXT | TVIF_HANDLE;
         tvItem.pszText = const_cast<WCHAR*>(u"z");
         TreeView_SetItemU(tree, &tvItem);
       }},
      {"tree get", TVM_GETITEMW, TVM_GETITEMA, &tvItem,
       [&] {
         tvItem.pszText = buffer;
         tvItem.cchTextMax = 16;
         TreeView_GetItemU(tree, &tvItem);
       }},
      {"tool", TTM_ADDTOOLW, TTM_ADDTOOLA, &tool, [&] { ToolTip_AddTool(tooltip, &tool); }},
  };
  for (const Case& c : cases) {
    g_sent.clear();
    c.call();
    int wide = 0, narrow = 0;
    for (const Sent& sent : g_sent) {
      if (sent.message == c.wide) {
        ++wide;
        EXPECT_EQ(reinterpret_cast<LPARAM>(c.structure), sent.lParam) << c.name;
      }
      if (sent.message == c.narrow) {
        ++narrow;
        EXPECT_NE(reinterpret_cast<LPARAM>(c.structure), sent.lParam) << c.name;
      }
    }
    EXPECT_EQ(Ansi() ? 0 : 1, wide) << c.name;
    EXPECT_EQ(Ansi() ? 1 : 0, narrow) << c.name;
  }
  EXPECT_EQ(std::u16string(u"z"), buffer);
  EXPECT_EQ(1, SendMessageW(tooltip, TTM_GETTOOLCOUNT, 0, 0)) << "the control took the tool";
}

TEST_P(ControlWrappers, TextsRoundTripOrBecomeQuestionMarks) {
  if (Ansi() && GetACP() != 1252) GTEST_SKIP() << "the prefix's ANSI code page is not 1252";
  const std::u16string expected =
      Ansi() ? std::u16string(u"??? ?? \u00e9") : std::u16string(kGreekCjk);
  for (auto& pair : Pairs()) EXPECT_EQ(expected, pair.second(kGreekCjk, 64)) << pair.first;
  EXPECT_EQ(0, ListBox_AddStringU(parent, kListBox, const_cast<WCHAR*>(kGreekCjk)));
  WCHAR text[64] = {};
  SendDlgItemMessageW(parent, kListBox, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(text));
  EXPECT_EQ(expected, text);
}

TEST_P(ControlWrappers, BufferOfFourGetsThreeCharacters) {
  for (auto& pair : Pairs()) {
    EXPECT_EQ(std::u16string(u"abc"), pair.second(u"abcdefgh", 4)) << pair.first;
  }
}

TEST_P(ControlWrappers, TextCallbackPassesUnchanged) {
  TTTOOLINFOW tool = {};
  tool.cbSize = sizeof(tool);
  tool.hwnd = parent;
  tool.uId = 2;
  tool.lpszText = LPSTR_TEXTCALLBACKW;
  g_sent.clear();
  EXPECT_TRUE(ToolTip_AddTool(tooltip, &tool));
  ASSERT_FALSE(g_sent.empty());
  EXPECT_EQ(static_cast<const void*>(LPSTR_TEXTCALLBACKW), g_sent.front().text);
  EXPECT_EQ(Ansi() ? TTTOOLINFOA_V2_SIZE : sizeof(tool), g_sent.front().size);
  EXPECT_EQ(0, InsertListItem(LPSTR_TEXTCALLBACKW));
}

TEST_P(ControlWrappers, TreeSetItemChangesTheItemAndInsertsNone) {
  HTREEITEM item = InsertTreeItem(u"old");
  TVITEMW set = {};
  set.mask = TVIF_TEXT | TVIF_HANDLE;
  set.hItem = item;
  set.pszText = const_cast<WCHAR*>(u"new");
  EXPECT_TRUE(TreeView_SetItemU(tree, &set));
  EXPECT_EQ(1, SendMessageW(tree, TVM_GETCOUNT, 0, 0));
  WCHAR text[8];
  TVITEMW get = {};
  get.mask = TVIF_TEXT | TVIF_HANDLE;
  get.hItem = item;
  get.pszText = text;
  get.cchTextMax = 8;
  TreeView_GetItemU(tree, &get);
  EXPECT_EQ(std::u16string(u"new"), text);
}

struct WorkerInsert {
  HWND list;
  int result;
};

DWORD WINAPI InsertFromWorker(void* parameter) {
  WorkerInsert* insert = static_cast<WorkerInsert*>(parameter);
  LVITEMW item = {};
  item.mask = LVIF_TEXT;
  item.pszText = const_cast<WCHAR*>(kGreekCjk);
  insert->result = ListView_InsertItemU(insert->list, &item);
  return 0;
}

TEST_P(ControlWrappers, WorkerThreadInsertsIntoAListOfThisThread) {
  WorkerInsert insert = {list, -1};
  HANDLE thread = CreateThread(nullptr, 0, InsertFromWorker, &insert, 0, nullptr);
  ASSERT_NE(nullptr, thread);
  while (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }
  CloseHandle(thread);
  EXPECT_EQ(0, insert.result);
  EXPECT_EQ(1, SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
}

TEST_P(ControlWrappers, ProfileDefaultsAndNameLists) {
  const std::u16string file = TempFolder() + u"wrappers-list.ini";
  WritePrivateProfileStringU(u"S", u"one", u"1", file.c_str());
  WritePrivateProfileStringU(u"S", u"two", u"2", file.c_str());
  WCHAR buffer[32];
  EXPECT_EQ(8u, GetPrivateProfileStringU(u"S", nullptr, u"", buffer, 32, file.c_str()));
  EXPECT_EQ(0, memcmp(u"one\0two\0", buffer, 9 * sizeof(WCHAR)));
  EXPECT_EQ(4u, GetPrivateProfileStringU(u"S", u"none", u"dflt", buffer, 32, file.c_str()));
  EXPECT_EQ(std::u16string(u"dflt"), buffer);
  DeleteFileW(file.c_str());
}

}  // namespace
