// Private to the property sheet files: the sheet object and what the window and the
// protocol share. Windows-side; the sheet's thread only.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "toolkit/PropertySheet.h"

struct XmlSheetPage {
  HINSTANCE instance = nullptr;
  XMLMEASUREPROC measure = nullptr;
  HICON icon = nullptr;
  uint32_t iconId = 0;
  DLGPROC proc = nullptr;
  LPARAM userData = 0;
  tagXMLDIALOG* tree = nullptr;  // owned until the page has a window
  HWND window = nullptr;
  bool scalable = false;
};

enum { kCaptionCount = 9 };

struct CXmlPropertySheet {
  int current = -1;
  bool closeState = false;
  bool tornDown = false;
  tagXMLPROPSHEET desc = {};
  std::u16string title;
  std::u16string fontSpec;
  std::u16string captions[kCaptionCount];  // OK, Cancel, Close, Apply, extra, Help, Back, Next,
                                           // Finish
  HWND owner = nullptr;                    // the window the sheet disabled
  HWND window = nullptr;
  std::vector<XmlSheetPage> pages;
  HFONT font = nullptr;
  int areaWidth = 0;
  int areaHeight = 0;
  int rowHeight = 0;
  int rowWidth = 0;
  int minWidth = 0;
  int minHeight = 0;
  HWND statusBar = nullptr;
  HWND lastHover = nullptr;
  HWND lastFocus = nullptr;
  INT_PTR result = 0;
  int headerHeight = 0;
  bool fitted = false;
  bool inLayout = false;
  HIMAGELIST images = nullptr;
};

enum {
  kOkCaption,
  kCancelCaption,
  kCloseCaption,
  kApplyCaption,
  kExtraCaption,
  kHelpCaption,
  kBackCaption,
  kNextCaption,
  kFinishCaption
};

inline bool IsWizard(const CXmlPropertySheet& s) { return (s.desc.flags & XPSF_WIZARD) != 0; }

CXmlPropertySheet* GetSheet(HWND window);
// Sends a notification to a page; true when the page refused it.
bool NotifyPage(CXmlPropertySheet* sheet, HWND page, int code, INT_PTR value = 0);
HWND CurrentPageWindow(const CXmlPropertySheet& sheet);
// Page selection; true when the page is (now) current.
bool SelectPage(CXmlPropertySheet* sheet, int index);
// Measures and lays out a parsed page and grows the page area unless it is fixed.
bool PreparePage(CXmlPropertySheet* sheet, XmlSheetPage* page);
// Inserts the tab of page `index` with its icon and title.
void InsertTab(CXmlPropertySheet* sheet, int index);
void MeasureButtons(CXmlPropertySheet* sheet);
void FitSheet(CXmlPropertySheet* sheet);
// The page area from the description and, unless it is fixed, the largest page.
void RecomputePageArea(CXmlPropertySheet* sheet);
void LayOutSheet(CXmlPropertySheet* sheet);
// Ends the sheet with a result: re-enables the owner and tears down.
void FinishSheet(CXmlPropertySheet* sheet, INT_PTR result);
void CallSheetCallback(CXmlPropertySheet* sheet, int kind, INT_PTR value, void* extra);
void SetButtonText(CXmlPropertySheet* sheet, int id, const std::u16string& text);
// Parses, lays out and appends or inserts (after `after`, -1 first) a page; false with
// the last error set.
bool AddPage(CXmlPropertySheet* sheet, int after, const tagXMLPROPSHEETPAGE* page);
// Ends the pages once and re-enables the disabled owner.
void TearDownSheet(CXmlPropertySheet* sheet);

// The protocol: private messages, commands, tab notifications and the keyboard filter.
bool HandleSheetMessage(CXmlPropertySheet* sheet, UINT message, WPARAM wParam, LPARAM lParam,
                        LRESULT* result);
