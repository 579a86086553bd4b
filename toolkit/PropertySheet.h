// The toolkit's property sheet: a window of pages, each an XML dialog from template text,
// tabbed (OK, Cancel, Apply, Help, extra button) or as a wizard (Back, Next/Finish, Cancel,
// Help, a header painted by the callback). Windows-side header. The toolkit owns the sheet
// object from CreatePropertySheet to FreePropertySheet; it copies the description's strings,
// so callers' buffers need not outlive the calls. A sheet belongs to the thread that runs it.
#pragma once

#include <windows.h>

#include <cstdint>

#include "toolkit/XmlDialog.h"

constexpr char16_t kXmlPropertySheetClass[] = u"XML_PROPERTY_SHEET_CLASS_NAME";

// Sheet flags.
constexpr uint32_t XPSF_FIXEDSIZE = 0x8;
constexpr uint32_t XPSF_MINSIZE = 0x10;
constexpr uint32_t XPSF_NOAPPLY = 0x20;
constexpr uint32_t XPSF_NOEXTRA = 0x40;
constexpr uint32_t XPSF_NOCANCEL = 0x80;
constexpr uint32_t XPSF_HELP = 0x100;
constexpr uint32_t XPSF_STATUSBAR = 0x200;
constexpr uint32_t XPSF_MODELESS = 0x400;
constexpr uint32_t XPSF_NODISABLEOWNER = 0x800;
constexpr uint32_t XPSF_WIZARD = 0x1000;
constexpr uint32_t XPSF_RESIZABLE = 0x2000;
constexpr uint32_t XPSF_RTLREADING = 0x4000;
constexpr uint32_t XPSF_CONTEXTHELP = 0x8000;
constexpr uint32_t XPSF_CENTER = 0x10000;
constexpr uint32_t XPSF_MAXIMIZEBOX = 0x20000;
constexpr uint32_t XPSF_MINIMIZEBOX = 0x40000;
constexpr uint32_t XPSF_TOPMOST = 0x80000;
constexpr uint32_t XPSF_NOCLOSE = 0x100000;
constexpr uint32_t XPSF_VALIDATETAB = 0x200000;

// Button codes of the callback, the press and focus messages and the hint notification.
enum {
  XPSB_NONE = -1,
  XPSB_BACK = 0,
  XPSB_NEXT = 1,
  XPSB_FINISH = 2,
  XPSB_OK = 3,
  XPSB_APPLY = 4,
  XPSB_CANCEL = 5,
  XPSB_HELP = 6,
  XPSB_EXTRA = 7,
  XPSB_CLOSE = 8,
};

// Child window identifiers.
enum {
  XPSID_OK = 1,  // also Next and Finish
  XPSID_CANCEL = 2,
  XPSID_HELP = 9,
  XPSID_TAB = 10,
  XPSID_ITEM11 = 11,
  XPSID_STATUS = 12,
  XPSID_APPLY = 13,
  XPSID_EXTRA = 14,
  XPSID_BACK = 15,
};

// Callback kinds: a button acted (value = button code); the wizard header height (value
// points to an int; non-zero when set); erase and paint the header (value = HDC, extra =
// the RECT of the header band).
enum { XPSCB_BUTTON = 0, XPSCB_HEADERHEIGHT = 1, XPSCB_ERASEHEADER = 2, XPSCB_PAINTHEADER = 3 };
typedef int(CALLBACK* XMLPROPSHEETCALLBACK)(HWND sheet, int kind, INT_PTR value, void* extra);

struct tagXMLPROPSHEET {
  uint32_t flags;
  HWND parent;
  HINSTANCE instance;
  HICON bigIcon;
  HICON smallIcon;
  const char16_t* title;
  const char16_t* font;
  int32_t x;  // dialog units
  int32_t y;
  int32_t width;  // page area, with XPSF_FIXEDSIZE or XPSF_MINSIZE
  int32_t height;
  const char16_t* okCaption;
  const char16_t* cancelCaption;
  const char16_t* closeCaption;
  const char16_t* applyCaption;
  const char16_t* extraCaption;
  const char16_t* helpCaption;
  const char16_t* backCaption;
  const char16_t* nextCaption;
  const char16_t* finishCaption;
  XMLPROPSHEETCALLBACK callback;
};

struct tagXMLPROPSHEETPAGE {
  HINSTANCE instance;
  const char16_t* templ;
  int32_t length;
  XMLMEASUREPROC measure;
  HICON icon;
  uint32_t iconId;
  DLGPROC proc;
  LPARAM userData;
};

// Messages to the sheet window.
constexpr UINT XPSM_SELECTWINDOW = WM_USER + 101;  // wParam page HWND
constexpr UINT XPSM_SELECTPAGE = WM_USER + 102;    // wParam index
constexpr UINT XPSM_INSERTPAGE = WM_USER + 103;    // wParam index (-1 first), lParam page
constexpr UINT XPSM_REMOVEPAGE = WM_USER + 104;    // wParam index
constexpr UINT XPSM_CHANGED = WM_USER + 105;       // wParam page HWND
constexpr UINT XPSM_CANCELTOCLOSE = WM_USER + 106;
constexpr UINT XPSM_UNCHANGED = WM_USER + 107;  // wParam page HWND
constexpr UINT XPSM_APPLYNOW = WM_USER + 108;
constexpr UINT XPSM_RESERVED = WM_USER + 109;
constexpr UINT XPSM_SETTITLE = WM_USER + 110;       // lParam text
constexpr UINT XPSM_SETWIZBUTTONS = WM_USER + 111;  // lParam XPSWB_* flags
constexpr UINT XPSM_PRESSBUTTON = WM_USER + 112;    // wParam button code
constexpr UINT XPSM_SETBUTTONTEXT = WM_USER + 113;  // wParam which (0..3), lParam text
constexpr UINT XPSM_SETSTATUSTEXT = WM_USER + 114;  // lParam text
constexpr UINT XPSM_GETTABCONTROL = WM_USER + 115;
constexpr UINT XPSM_GETITEM11 = WM_USER + 116;
constexpr UINT XPSM_ISDIALOGMESSAGE = WM_USER + 117;  // lParam MSG*
constexpr UINT XPSM_GETCURRENTPAGEHWND = WM_USER + 118;
constexpr UINT XPSM_GETCURRENTPAGE = WM_USER + 119;
constexpr UINT XPSM_GETPAGECOUNT = WM_USER + 120;
constexpr UINT XPSM_SETPAGEFONT = WM_USER + 121;      // wParam index, lParam XPSPAGEFONT*
constexpr UINT XPSM_SETPAGETEMPLATE = WM_USER + 122;  // wParam index, lParam XPSPAGETEMPLATE*
constexpr UINT XPSM_SETCAPTIONS = WM_USER + 123;      // lParam const char16_t* [9]
constexpr UINT XPSM_DESTROYEXTRA = WM_USER + 124;
constexpr UINT XPSM_FOCUSBUTTON = WM_USER + 125;  // wParam button code

enum { XPSWB_BACK = 1, XPSWB_NEXT = 2, XPSWB_FINISH = 4, XPSWB_DISABLEDFINISH = 8 };

struct XPSPAGEFONT {
  HFONT font;  // the sheet hands the page a copy; the caller keeps this one
  BOOL redraw;
};
struct XPSPAGETEMPLATE {
  const char16_t* text;
  int32_t length;
};

// Notifications to pages: WM_NOTIFY, wParam 0, from the sheet with idFrom 0. A page refuses
// the refusable ones by returning TRUE with a non-zero DWLP_MSGRESULT.
enum {
  XPSN_SETACTIVE = -200,
  XPSN_KILLACTIVE = -201,  // refusable
  XPSN_APPLY = -202,       // refusable
  XPSN_RESET = -203,
  XPSN_HELP = -204,
  XPSN_WIZBACK = -205,      // refusable
  XPSN_WIZNEXT = -206,      // refusable
  XPSN_WIZFINISH = -207,    // refusable
  XPSN_QUERYCANCEL = -208,  // refusable; value 1 when the Cancel button itself sent it
  XPSN_EXTRA = -209,
  XPSN_HINT = -210,  // value: the button code
};
struct XPSNOTIFY {
  NMHDR hdr;
  INT_PTR value;
};

struct CXmlPropertySheet;

// The sheet object with the description copied and its font made; null without memory.
CXmlPropertySheet* CreatePropertySheet(const tagXMLPROPSHEET* sheet);
// Appends a page before the sheet runs. 0 on failure with the last error: 6 null sheet or
// window already made, 8 no memory, 4392-4394 a broken template (the page is dropped).
int AddPropertySheetPage(CXmlPropertySheet* sheet, const tagXMLPROPSHEETPAGE* page);
// Shows the sheet at `startPage` (clamped). Modal: runs the loop and returns the result;
// modeless: returns the window. 0 for a null or finished sheet or a failed window.
INT_PTR RunPropertySheet(CXmlPropertySheet* sheet, int startPage);
// 1 after OK or Finish, 2 or 3 after a cancel, 3 when the window failed to start, else 0.
INT_PTR GetPropertySheetResult(CXmlPropertySheet* sheet);
// Frees a sheet whose window is gone; 0 for a null sheet or a live window.
int FreePropertySheet(CXmlPropertySheet* sheet);
