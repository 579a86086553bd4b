// Real property sheets under Wine: pages, fitting, commands, keys (real input; runs alone).
#include "tests/support/WinGTest.h"

#include <windows.h>

#include <commctrl.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/WinHarness.h"
#include "tests/toolkit/SampleTemplates.h"
#include "toolkit/PropertySheet.h"

namespace {

struct Note {
  int page;
  int code;  // a notification, or the control id of a page's WM_COMMAND
  INT_PTR value;
};
std::vector<Note> gNotes;
std::set<std::pair<int, int>> gRefuse;  // (page, notification) pairs a page refuses
std::vector<std::pair<int, INT_PTR>> gCallbacks;

int Count(int page, int code) {
  int n = 0;
  for (const Note& note : gNotes) n += note.page == page && note.code == code;
  return n;
}

INT_PTR CALLBACK PageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  int index = static_cast<int>(GetWindowLongPtrW(page, GWLP_USERDATA));
  if (message == WM_INITDIALOG) SetWindowLongPtrW(page, GWLP_USERDATA, lParam);
  if (message == WM_COMMAND) gNotes.push_back({index, LOWORD(wParam), 0});
  if (message != WM_NOTIFY) return message == WM_INITDIALOG;
  const auto* note = reinterpret_cast<const XPSNOTIFY*>(lParam);
  int code = static_cast<int>(note->hdr.code);
  gNotes.push_back({index, code, code == XPSN_QUERYCANCEL || code == XPSN_HINT ? note->value : 0});
  if (!gRefuse.count({index, code})) return FALSE;
  SetWindowLongPtrW(page, DWLP_MSGRESULT, 1);
  return TRUE;
}

int CALLBACK SheetCallback(HWND, int kind, INT_PTR value, void*) {
  gCallbacks.push_back({kind, kind == XPSCB_BUTTON ? value : 0});
  if (kind != XPSCB_HEADERHEIGHT) return 0;
  *reinterpret_cast<int*>(value) = 40;
  return 1;
}

std::u16string Number(int value) {
  std::string digits = std::to_string(value);
  return std::u16string(digits.begin(), digits.end());
}

// A page of one push button (id 100) in a cell of the given size in dialog units.
std::u16string PageText(const std::u16string& title, int width, int height, bool scalable) {
  return u"<dialog title=" + title + (scalable ? u" scalable=1" : u"") + u"><tr><td minwidth=" +
         Number(width) + u" minheight=" + Number(height) +
         u"><control type=button id=100 title=Go style=0x50010000 /></td></tr></dialog>";
}

struct Sheet {
  tagXMLPROPSHEET desc = {};
  CXmlPropertySheet* sheet = nullptr;
  HWND window = nullptr;
  std::vector<std::u16string> texts;

  explicit Sheet(uint32_t flags) {
    desc.flags = flags | XPSF_MODELESS;
    desc.instance = GetModuleHandleW(nullptr);
    desc.title = u"Sheet";
    desc.font = u"Ms Sans Serif, 10";
    desc.okCaption = u"OK";
    desc.cancelCaption = u"Cancel";
    desc.closeCaption = u"Close";
    desc.applyCaption = u"Apply";
    desc.extraCaption = u"Extra";
    desc.helpCaption = u"Help";
    desc.backCaption = u"< Back";
    desc.nextCaption = u"Next >";
    desc.finishCaption = u"Finish";
    desc.callback = SheetCallback;
    gNotes.clear();
    gRefuse.clear();
    gCallbacks.clear();
  }
  ~Sheet() {
    SetPumpFilter(nullptr);
    if (window && IsWindow(window)) DestroyWindow(window);
    FreePropertySheet(sheet);
  }
  tagXMLPROPSHEETPAGE Page(const std::u16string& text, int index) {
    texts.push_back(text);
    return tagXMLPROPSHEETPAGE{desc.instance,
                               texts.back().c_str(),
                               static_cast<int32_t>(texts.back().size()),
                               nullptr,
                               nullptr,
                               0,
                               PageProc,
                               index};
  }
  // Three pages of growing size, the last scalable.
  HWND Run(int start = 0, int pages = 3) {
    sheet = CreatePropertySheet(&desc);
    for (int i = 0; i < pages; ++i) {
      tagXMLPROPSHEETPAGE page =
          Page(PageText(u"Tab" + Number(i), 60 + 40 * i, 30 + 20 * i, i == 2), i);
      AddPropertySheetPage(sheet, &page);
    }
    window = reinterpret_cast<HWND>(RunPropertySheet(sheet, start));
    HWND self = window;
    SetPumpFilter([self](MSG* msg) {
      return IsWindow(self) &&
             SendMessageW(self, XPSM_ISDIALOGMESSAGE, 0, reinterpret_cast<LPARAM>(msg)) != 0;
    });
    return window;
  }
  LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return SendMessageW(window, message, wParam, lParam);
  }
  HWND Item(int id) { return GetDlgItem(window, id); }
  HWND PageWindow(int i) {
    HWND current = reinterpret_cast<HWND>(Send(XPSM_GETCURRENTPAGEHWND));
    return i == Send(XPSM_GETCURRENTPAGE) ? current : nullptr;
  }
  std::u16string TabText(int i) {
    char16_t text[64] = {};
    TCITEMW item = {};
    item.mask = TCIF_TEXT;
    item.pszText = reinterpret_cast<LPWSTR>(text);
    item.cchTextMax = 64;
    SendDlgItemMessageW(window, XPSID_TAB, TCM_GETITEMW, i, reinterpret_cast<LPARAM>(&item));
    return text;
  }
};

RECT ClientRectIn(HWND window, HWND parent) {
  RECT r;
  GetWindowRect(window, &r);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

TEST(XmlPropertySheet, TabbedSheetBuildsTabsAndButtonsByFlags) {
  struct Case {
    uint32_t flags;
    std::vector<int> present, absent;
  } cases[] = {
      {0, {XPSID_OK, XPSID_CANCEL, XPSID_APPLY, XPSID_EXTRA}, {XPSID_HELP, XPSID_BACK}},
      {XPSF_NOAPPLY | XPSF_NOEXTRA | XPSF_NOCANCEL | XPSF_HELP,
       {XPSID_OK, XPSID_HELP},
       {XPSID_APPLY, XPSID_EXTRA, XPSID_CANCEL}},
  };
  for (const Case& c : cases) {
    Sheet s(c.flags);
    ASSERT_TRUE(s.Run(9));
    EXPECT_EQ(2, s.Send(XPSM_GETCURRENTPAGE)) << "a start beyond the list shows the last page";
    EXPECT_EQ(3, s.Send(XPSM_GETPAGECOUNT));
    EXPECT_EQ(u"Tab0", s.TabText(0));
    EXPECT_EQ(u"Tab2", s.TabText(2));
    for (int id : c.present) EXPECT_TRUE(s.Item(id)) << id;
    for (int id : c.absent) EXPECT_FALSE(s.Item(id)) << id;
    EXPECT_EQ(0, s.Send(XPSM_SELECTPAGE, 3));
    EXPECT_EQ(0, s.Send(XPSM_SELECTPAGE, static_cast<WPARAM>(-1)));
  }
}

TEST(XmlPropertySheet, PageAreaFitsPagesAndTheWindowItsMinimum) {
  Sheet s(0);
  ASSERT_TRUE(s.Run(0));
  HWND first = s.PageWindow(0);
  RECT smallRect = ClientRectIn(first, s.window);
  ASSERT_EQ(1, s.Send(XPSM_SELECTPAGE, 2));
  HWND scalable = s.PageWindow(2);
  RECT area = ClientRectIn(scalable, s.window);
  EXPECT_GT(area.right - area.left, smallRect.right - smallRect.left);
  EXPECT_NEAR((area.left + area.right) / 2, (smallRect.left + smallRect.right) / 2, 1)
      << "a page that is not scalable sits in the middle";
  EXPECT_NEAR((area.top + area.bottom) / 2, (smallRect.top + smallRect.bottom) / 2, 1);
  RECT window;
  GetWindowRect(s.window, &window);
  MINMAXINFO info = {};
  s.Send(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(window.right - window.left, info.ptMinTrackSize.x);
  EXPECT_EQ(window.bottom - window.top, info.ptMinTrackSize.y);

  Sheet fixed(XPSF_FIXEDSIZE | XPSF_CENTER);
  fixed.desc.width = 400;  // wider than the button row
  fixed.desc.height = 60;  // lower than the largest page
  ASSERT_TRUE(fixed.Run(2));
  RECT fixedArea = ClientRectIn(fixed.PageWindow(2), fixed.window);
  // The fitting counts a sizing frame around the window, a little more than its dialog frame.
  int slack = 2 * (GetSystemMetrics(SM_CXFRAME) - GetSystemMetrics(SM_CXDLGFRAME));
  EXPECT_NEAR(400, fixedArea.right - fixedArea.left, slack) << "the description's area, filled";
  EXPECT_NEAR(60, fixedArea.bottom - fixedArea.top, slack);
  RECT work, placed;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  GetWindowRect(fixed.window, &placed);
  EXPECT_EQ(GetSystemMetrics(SM_CXFULLSCREEN) / 2 - (placed.right - placed.left) / 2 + work.left,
            placed.left);
  EXPECT_EQ(GetSystemMetrics(SM_CYFULLSCREEN) / 2 - (placed.bottom - placed.top) / 2 + work.top,
            placed.top);
}

TEST(XmlPropertySheet, ApplyFollowsChangesAndCancelToCloseTurnsOkIntoClose) {
  Sheet s(0);
  ASSERT_TRUE(s.Run(0));
  HWND apply = s.Item(XPSID_APPLY);
  EXPECT_FALSE(IsWindowEnabled(apply));
  EXPECT_EQ(0, s.Send(XPSM_CHANGED, reinterpret_cast<WPARAM>(s.window))) << "not a page";
  EXPECT_EQ(1, s.Send(XPSM_CHANGED, reinterpret_cast<WPARAM>(s.PageWindow(0))));
  EXPECT_TRUE(IsWindowEnabled(apply));
  s.Send(XPSM_SELECTPAGE, 1);
  EXPECT_FALSE(IsWindowEnabled(apply)) << "a page switch disables Apply";
  s.Send(XPSM_CHANGED, reinterpret_cast<WPARAM>(s.PageWindow(1)));
  s.Send(WM_SIZE);
  EXPECT_FALSE(IsWindowEnabled(apply)) << "so does a layout";
  s.Send(XPSM_CHANGED, reinterpret_cast<WPARAM>(s.PageWindow(1)));
  EXPECT_EQ(1, s.Send(XPSM_APPLYNOW));
  EXPECT_EQ(1, Count(1, XPSN_APPLY));
  EXPECT_FALSE(IsWindowEnabled(apply));
  EXPECT_EQ(1, s.Send(XPSM_CANCELTOCLOSE));
  EXPECT_FALSE(IsWindowEnabled(s.Item(XPSID_CANCEL)));
  WCHAR caption[16] = {};
  GetWindowTextW(s.Item(XPSID_OK), caption, 16);
  EXPECT_EQ(std::u16string(u"Close"), reinterpret_cast<const char16_t*>(caption));
  EXPECT_EQ(1, s.Send(XPSM_PRESSBUTTON, XPSB_CLOSE));
  EXPECT_EQ(std::make_pair(int(XPSCB_BUTTON), INT_PTR(XPSB_CLOSE)), gCallbacks.back());
  EXPECT_EQ(1, GetPropertySheetResult(s.sheet));
}

TEST(XmlPropertySheet, OkAppliesEveryShownPageAndAnyRefusalKeepsTheSheet) {
  HWND owner = CreateWindowExW(0, u"STATIC", u"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                               nullptr);
  Sheet s(0);
  s.desc.parent = owner;
  ASSERT_TRUE(s.Run(0));
  EXPECT_FALSE(IsWindowEnabled(owner));
  s.Send(XPSM_SELECTPAGE, 2);
  gRefuse = {{0, XPSN_APPLY}};
  s.Send(WM_COMMAND, XPSID_OK);
  EXPECT_EQ(1, Count(0, XPSN_APPLY));
  EXPECT_EQ(1, Count(2, XPSN_APPLY)) << "after the refusal too";
  EXPECT_EQ(0, Count(1, XPSN_APPLY)) << "a page never shown has nothing to apply";
  EXPECT_TRUE(s.Send(XPSM_GETCURRENTPAGEHWND));
  gRefuse.clear();
  s.Send(WM_COMMAND, XPSID_OK);
  EXPECT_EQ(1, GetPropertySheetResult(s.sheet));
  EXPECT_EQ(0, s.Send(XPSM_GETCURRENTPAGEHWND)) << "the loop now destroys the window";
  EXPECT_EQ(-1, s.Send(XPSM_GETCURRENTPAGE));
  EXPECT_TRUE(IsWindowEnabled(owner));
  EXPECT_EQ(0, FreePropertySheet(s.sheet)) << "the window still lives";
  DestroyWindow(owner);
}

TEST(XmlPropertySheet, CancelTellsWhetherTheCancelButtonAskedAndHonoursNoCancel) {
  struct Case {
    const char* how;
    INT_PTR field;
  } cases[] = {{"button", 1}, {"escape", 0}, {"close box", 0}};
  for (const Case& c : cases) {
    Sheet s(0);
    ASSERT_TRUE(s.Run(1));
    s.Send(XPSM_SELECTPAGE, 0);
    std::string how = c.how;
    if (how == "button") {
      s.Send(XPSM_PRESSBUTTON, XPSB_CANCEL);
    } else if (how == "escape") {
      BringToFront(s.window, s.Item(XPSID_CANCEL));
      PressKey(VK_ESCAPE);
    } else {
      s.Send(WM_CLOSE);
    }
    EXPECT_EQ(1, Count(0, XPSN_QUERYCANCEL)) << c.how;
    for (const Note& n : gNotes)
      if (n.code == XPSN_QUERYCANCEL) {
        EXPECT_EQ(c.field, n.value) << c.how;
      }
    EXPECT_EQ(1, Count(0, XPSN_RESET));
    EXPECT_EQ(1, Count(1, XPSN_RESET)) << "every page with a window";
    EXPECT_EQ(2, GetPropertySheetResult(s.sheet));
  }
  for (uint32_t flags : {XPSF_NOCANCEL, XPSF_NOCLOSE}) {
    Sheet s(flags);
    ASSERT_TRUE(s.Run(0));
    s.Send(WM_COMMAND, IDCANCEL);
    s.Send(WM_CLOSE);
    EXPECT_EQ(0, GetPropertySheetResult(s.sheet));
    if (flags == XPSF_NOCLOSE) {
      MENUITEMINFOW item = {};
      item.cbSize = sizeof(item);
      item.fMask = MIIM_STATE;
      GetMenuItemInfoW(GetSystemMenu(s.window, FALSE), SC_CLOSE, FALSE, &item);
      EXPECT_TRUE(item.fState & MFS_GRAYED);
    }
    s.Send(WM_COMMAND, 3);
    EXPECT_EQ(3, GetPropertySheetResult(s.sheet));
  }
  Sheet later(0);
  ASSERT_TRUE(later.Run(0));
  later.Send(WM_CLOSE);
  EXPECT_EQ(2, GetPropertySheetResult(later.sheet)) << "no close state left in the class";
}

TEST(XmlPropertySheet, KeyboardWrapsTabsClicksOnKeyDownAndHonoursRefusals) {
  Sheet s(XPSF_VALIDATETAB);
  ASSERT_TRUE(s.Run(2));
  HWND tab = s.Item(XPSID_TAB);
  BringToFront(s.window, tab);
  auto ctrlTab = [](bool shift) {
    KeyDown(VK_CONTROL);
    if (shift) KeyDown(VK_SHIFT);
    PressKey(VK_TAB);
    if (shift) KeyUp(VK_SHIFT);
    KeyUp(VK_CONTROL);
  };
  ctrlTab(false);
  EXPECT_EQ(0, s.Send(XPSM_GETCURRENTPAGE)) << "from the last to the first";
  ctrlTab(true);
  EXPECT_EQ(2, s.Send(XPSM_GETCURRENTPAGE)) << "and back";
  gRefuse = {{2, XPSN_APPLY}};
  ctrlTab(false);
  EXPECT_EQ(2, s.Send(XPSM_GETCURRENTPAGE)) << "a refusing page keeps Ctrl+Tab out";
  EXPECT_EQ(2, SendMessageW(tab, TCM_GETCURSEL, 0, 0));
  RECT item;
  SendMessageW(tab, TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item));
  MouseMoveTo(tab, (item.left + item.right) / 2, (item.top + item.bottom) / 2);
  MouseButton(true);
  MouseButton(false);
  EXPECT_EQ(2, s.Send(XPSM_GETCURRENTPAGE)) << "nor does a click move";
  EXPECT_EQ(2, SendMessageW(tab, TCM_GETCURSEL, 0, 0)) << "the tab stays over its page";
  gRefuse.clear();

  gNotes.clear();
  SetFocus(s.Item(XPSID_EXTRA));
  PressKey(VK_SPACE);
  PressKey(VK_RETURN);
  EXPECT_EQ(2, Count(2, XPSN_EXTRA)) << "one command per key";
  SetFocus(GetDlgItem(s.PageWindow(2), 100));
  PressKey(VK_RETURN);
  EXPECT_EQ(1, Count(2, 100)) << "a page's button too";
  PressKey(VK_F1);
  EXPECT_EQ(0, Count(2, XPSN_HELP));
}

TEST(XmlPropertySheet, StatusBarTextAndButtonHints) {
  Sheet plain(0);
  ASSERT_TRUE(plain.Run(0));
  EXPECT_EQ(0, plain.Send(XPSM_SETSTATUSTEXT, 0, reinterpret_cast<LPARAM>(u"Ready")));
  Sheet s(XPSF_STATUSBAR | XPSF_RESIZABLE);
  ASSERT_TRUE(s.Run(0));
  EXPECT_EQ(1, s.Send(XPSM_SETSTATUSTEXT, 0, reinterpret_cast<LPARAM>(u"Ready")));
  EXPECT_EQ(0, s.Send(XPSM_FOCUSBUTTON, XPSB_BACK)) << "no Back button in a tabbed sheet";
  BringToFront(s.window);
  gNotes.clear();
  EXPECT_EQ(1, s.Send(XPSM_FOCUSBUTTON, XPSB_CANCEL));
  PumpMessages(50);
  EXPECT_EQ(s.Item(XPSID_CANCEL), GetFocus());
  MouseMoveTo(s.Item(XPSID_OK), 5, 5);
  std::vector<INT_PTR> hints;
  for (const Note& n : gNotes)
    if (n.code == XPSN_HINT) hints.push_back(n.value);
  EXPECT_EQ((std::vector<INT_PTR>{XPSB_CANCEL, XPSB_OK}), hints) << "the focus, then the mouse";
}

TEST(XmlPropertySheet, InsertAndRemoveKeepTheCurrentPage) {
  Sheet s(0);
  ASSERT_TRUE(s.Run(1));
  HWND current = s.PageWindow(1);
  tagXMLPROPSHEETPAGE page = s.Page(PageText(u"New", 40, 20, false), 7);
  EXPECT_EQ(1, s.Send(XPSM_INSERTPAGE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&page)));
  EXPECT_EQ(2, s.Send(XPSM_GETCURRENTPAGE));
  EXPECT_EQ(current, reinterpret_cast<HWND>(s.Send(XPSM_GETCURRENTPAGEHWND)));
  EXPECT_EQ(u"New", s.TabText(0));
  EXPECT_EQ(2, SendDlgItemMessageW(s.window, XPSID_TAB, TCM_GETCURSEL, 0, 0));
  struct Bad {
    int index;
    std::u16string text;
    DWORD error;
  } bad[] = {{-2, PageText(u"X", 10, 10, false), 6},
             {4, PageText(u"X", 10, 10, false), 6},
             {0, u"<dialog><dialog></dialog></dialog>", 4393},
             {0, u"<dialog><tr></td></dialog>", 4394}};
  for (const Bad& b : bad) {
    tagXMLPROPSHEETPAGE broken = s.Page(b.text, 8);
    EXPECT_EQ(0, s.Send(XPSM_INSERTPAGE, static_cast<WPARAM>(b.index),
                        reinterpret_cast<LPARAM>(&broken)));
    EXPECT_EQ(b.error, GetLastError());
  }
  EXPECT_EQ(4, s.Send(XPSM_GETPAGECOUNT));
  EXPECT_EQ(1, s.Send(XPSM_REMOVEPAGE, 0)) << "before the current page";
  EXPECT_EQ(1, s.Send(XPSM_GETCURRENTPAGE));
  EXPECT_EQ(1, s.Send(XPSM_REMOVEPAGE, 2)) << "after it";
  EXPECT_EQ(current, reinterpret_cast<HWND>(s.Send(XPSM_GETCURRENTPAGEHWND)));
  EXPECT_EQ(1, s.Send(XPSM_REMOVEPAGE, 1)) << "the current, last page";
  EXPECT_EQ(0, s.Send(XPSM_GETCURRENTPAGE));
  EXPECT_EQ(1, Count(1, XPSN_KILLACTIVE)) << "only its own kill-active, once";
  EXPECT_EQ(0, s.Send(XPSM_REMOVEPAGE, 5));
  EXPECT_EQ(1, s.Send(XPSM_REMOVEPAGE, 0)) << "the only page";
  EXPECT_EQ(0, s.Send(XPSM_GETCURRENTPAGEHWND));
}

TEST(XmlPropertySheet, FontAndTemplateReplacementOnLiveAndUnshownPages) {
  Sheet s(0);
  ASSERT_TRUE(s.Run(0));
  HFONT font = CreateFontW(-20, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, u"Tahoma");
  XPSPAGEFONT pageFont = {font, TRUE};
  EXPECT_EQ(1, s.Send(XPSM_SETPAGEFONT, 0, reinterpret_cast<LPARAM>(&pageFont)));
  EXPECT_NE(font, reinterpret_cast<HFONT>(SendMessageW(s.PageWindow(0), WM_GETFONT, 0, 0)));
  EXPECT_EQ(0, s.Send(XPSM_SETPAGEFONT, 3, reinterpret_cast<LPARAM>(&pageFont)));
  DeleteObject(font);
  for (int index : {0, 1}) {
    std::u16string text = PageText(u"Renamed" + Number(index), 50, 50, false);
    XPSPAGETEMPLATE replacement = {text.c_str(), static_cast<int32_t>(text.size())};
    EXPECT_EQ(1, s.Send(XPSM_SETPAGETEMPLATE, index, reinterpret_cast<LPARAM>(&replacement)));
    EXPECT_EQ(u"Renamed" + Number(index), s.TabText(index));
  }
  std::u16string broken = u"<dialog><tr></td></dialog>";
  XPSPAGETEMPLATE bad = {broken.c_str(), static_cast<int32_t>(broken.size())};
  EXPECT_EQ(0, s.Send(XPSM_SETPAGETEMPLATE, 1, reinterpret_cast<LPARAM>(&bad)));
  EXPECT_EQ(1, s.Send(XPSM_SELECTPAGE, 1)) << "the page stayed";
}

TEST(XmlPropertySheet, WizardCaptionsBackAndHeader) {
  Sheet s(XPSF_WIZARD);
  ASSERT_TRUE(s.Run(0));
  EXPECT_EQ(0, s.Send(XPSM_GETTABCONTROL));
  HWND next = s.Item(XPSID_OK);
  auto caption = [](HWND w) {
    WCHAR text[32] = {};
    GetWindowTextW(w, text, 32);
    return std::u16string(reinterpret_cast<const char16_t*>(text));
  };
  EXPECT_FALSE(IsWindowEnabled(s.Item(XPSID_BACK)));
  EXPECT_EQ(u"Next >", caption(next));
  s.Send(WM_COMMAND, XPSID_OK);
  s.Send(WM_COMMAND, XPSID_OK);
  EXPECT_EQ(2, s.Send(XPSM_GETCURRENTPAGE));
  EXPECT_EQ(u"Finish", caption(next));
  EXPECT_TRUE(IsWindowEnabled(s.Item(XPSID_BACK)));
  s.Send(WM_COMMAND, XPSID_BACK);
  EXPECT_EQ(u"Next >", caption(next));
  EXPECT_EQ(1, s.Send(XPSM_SETWIZBUTTONS, 0, XPSWB_DISABLEDFINISH));
  EXPECT_EQ(u"Finish", caption(next));
  EXPECT_FALSE(IsWindowEnabled(next));
  EXPECT_FALSE(IsWindowEnabled(s.Item(XPSID_BACK)));
  EXPECT_EQ(1, s.Send(XPSM_SETBUTTONTEXT, 3, reinterpret_cast<LPARAM>(u"Stop")));
  BringToFront(s.window);
  EXPECT_EQ(u"Stop", caption(s.Item(XPSID_CANCEL)));
  KeyDown(VK_CONTROL);
  PressKey(VK_TAB);
  KeyUp(VK_CONTROL);
  EXPECT_EQ(1, s.Send(XPSM_GETCURRENTPAGE)) << "Ctrl+Tab does nothing in a wizard";
  RedrawWindow(s.window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  std::set<int> kinds;
  for (const auto& call : gCallbacks) kinds.insert(call.first);
  EXPECT_EQ((std::set<int>{0, 1, 2, 3}), kinds);
  RECT page = ClientRectIn(s.PageWindow(1), s.window);
  EXPECT_GE(page.top, 40 + 10) << "below the header band";
  s.Send(XPSM_SELECTPAGE, 2);
  s.Send(WM_COMMAND, XPSID_OK);
  EXPECT_EQ(1, GetPropertySheetResult(s.sheet));
  EXPECT_EQ(1, Count(2, XPSN_WIZFINISH));
}

TEST(XmlPropertySheet, EntriesRefuseBadSheetsAndPages) {
  EXPECT_EQ(0, AddPropertySheetPage(nullptr, nullptr));
  EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
  EXPECT_EQ(0, RunPropertySheet(nullptr, 0));
  EXPECT_EQ(0, GetPropertySheetResult(nullptr));
  EXPECT_EQ(0, FreePropertySheet(nullptr));
  Sheet s(0);
  s.sheet = CreatePropertySheet(&s.desc);
  struct Broken {
    const char16_t* text;
    DWORD error;
  } broken[] = {{u"<dialog><dialog></dialog></dialog>", 4393},
                {u"<dialog><tr></td></dialog>", 4394}};
  for (const Broken& b : broken) {
    tagXMLPROPSHEETPAGE page = s.Page(b.text, 0);
    EXPECT_EQ(0, AddPropertySheetPage(s.sheet, &page));
    EXPECT_EQ(b.error, GetLastError());
  }
  tagXMLPROPSHEETPAGE good = s.Page(PageText(u"Only", 40, 20, false), 0);
  EXPECT_EQ(1, AddPropertySheetPage(s.sheet, &good));
  s.window = reinterpret_cast<HWND>(RunPropertySheet(s.sheet, -5));
  ASSERT_TRUE(s.window);
  EXPECT_EQ(0, s.Send(XPSM_GETCURRENTPAGE));
  EXPECT_EQ(0, AddPropertySheetPage(s.sheet, &good));
  EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
}

TEST(XmlPropertySheet, ModalLoopEndsOnAForeignQuitAndLeavesItQueued) {
  HWND owner = CreateWindowExW(0, u"STATIC", u"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                               nullptr);
  Sheet s(0);
  s.desc.flags &= ~XPSF_MODELESS;
  s.desc.parent = owner;
  s.sheet = CreatePropertySheet(&s.desc);
  tagXMLPROPSHEETPAGE page = s.Page(PageText(u"Only", 40, 20, false), 0);
  AddPropertySheetPage(s.sheet, &page);
  RunFromTimer(100, [] { PostQuitMessage(7); });
  EXPECT_EQ(0, RunPropertySheet(s.sheet, 0));
  EXPECT_TRUE(IsWindowEnabled(owner));
  MSG quit;
  ASSERT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(7u, quit.wParam);
  EXPECT_EQ(1, FreePropertySheet(s.sheet));
  s.sheet = nullptr;
  DestroyWindow(owner);
}

int CALLBACK HeaderPainter(HWND, int kind, INT_PTR value, void* extra) {
  if (kind == XPSCB_HEADERHEIGHT) *reinterpret_cast<int*>(value) = 48;
  if (kind == XPSCB_PAINTHEADER || kind == XPSCB_ERASEHEADER)
    FillRect(reinterpret_cast<HDC>(value), static_cast<RECT*>(extra),
             GetSysColorBrush(COLOR_WINDOW));
  return kind == XPSCB_HEADERHEIGHT;
}

// For judgement: a settings-like sheet of five pages and a wizard with a header.
TEST(XmlPropertySheet, CapturesOfRealSheets) {
  const char* folder = CaptureFolder();
  if (!folder) GTEST_SKIP() << "TL_CAPTURE_DIR not set";
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_UPDOWN_CLASS | ICC_TAB_CLASSES};
  InitCommonControlsEx(&controls);
  Sheet tabbed(0x560);
  tabbed.sheet = CreatePropertySheet(&tabbed.desc);
  std::u16string pages[] = {OptionsPageTemplate(), ConnectionPageTemplate(), SitePanelTemplate(),
                            PageText(u"Colours", 120, 80, false),
                            PageText(u"Advanced", 80, 40, true)};
  for (int i = 0; i < 5; ++i) {
    tagXMLPROPSHEETPAGE page = tabbed.Page(pages[i], i);
    AddPropertySheetPage(tabbed.sheet, &page);
  }
  tabbed.window = reinterpret_cast<HWND>(RunPropertySheet(tabbed.sheet, 0));
  ASSERT_TRUE(tabbed.window);
  PumpMessages(300);
  EXPECT_TRUE(CaptureWindowPng(tabbed.window, std::string(folder) + "/sheet_tabbed.png"));
  Sheet wizard(XPSF_WIZARD | XPSF_HELP);
  wizard.desc.callback = HeaderPainter;
  ASSERT_TRUE(wizard.Run(1));
  PumpMessages(300);
  EXPECT_TRUE(CaptureWindowPng(wizard.window, std::string(folder) + "/sheet_wizard.png"));
}

}  // namespace
