// The toolkit's entry table, exported by the program as `finderstruct` together with
// `DllInit`. The shell reaches the toolkit only through these slots. Windows-side header.
// DllInit runs once on the GUI thread before any other toolkit use; the table is read-only
// afterwards and may be read from any thread.
#pragma once

#include <windows.h>

#include <cstdint>

#include "toolkit/XmlDialog.h"

struct tagXMLPROPSHEET;
struct tagXMLPROPSHEETPAGE;
struct CXmlPropertySheet;

struct tagFINDERSTRUCT {
  HINSTANCE module;
  uint32_t (*GetXmlLibVersion)();
  int (*GetLanguageName)(int index, char16_t* out);
  int (*LanguageIdToIndex)(uint32_t langId);
  int (*BitArrayOp)(uint8_t* bits, int op, int n);
  int (*XmlPrintf)(char16_t* buffer, int size, const char16_t* format, ...);
  int (*XmlMenuBegin)(char16_t* buffer, int size, const char16_t* title, const char16_t* flags,
                      uint32_t id);
  int (*XmlMenuItem)(char16_t* buffer, int size, const char16_t* title, const char16_t* flags,
                     uint32_t id);
  int (*XmlMenuEnd)(char16_t* buffer, int size);
  HMENU (*CreateXmlMenu)(const char16_t* text, int length, int* mismatch);
  int (*XmlDialogBegin)(char16_t* buffer, int size, const char16_t* title, const char16_t* font,
                        uint32_t style, uint32_t exstyle, int scalable, int noscroll,
                        int watchinput, int left, int top, int width, int height);
  int (*XmlDialogEnd)(char16_t* buffer, int size);
  int (*XmlGroupBegin)(char16_t* buffer, int size, const char16_t* title, int id);
  int (*XmlGroupEnd)(char16_t* buffer, int size);
  int (*XmlPanelBegin)(char16_t* buffer, int size);
  int (*XmlPanelEnd)(char16_t* buffer, int size);
  int (*XmlRowBegin)(char16_t* buffer, int size);
  int (*XmlRowEnd)(char16_t* buffer, int size);
  int (*XmlCellBegin)(char16_t* buffer, int size, uint32_t colspan, uint32_t rowspan,
                      uint32_t minwidth, uint32_t minheight, uint32_t leftmargin,
                      uint32_t topmargin, uint32_t rightmargin, uint32_t bottommargin,
                      const char16_t* align, const char16_t* valign, uint32_t storerect);
  int (*XmlCellEnd)(char16_t* buffer, int size);
  int (*XmlControl)(char16_t* buffer, int size, const char16_t* type, const char16_t* title,
                    uint32_t style, uint32_t exstyle, int id, int forcesize, int forcewidth,
                    int forceheight, int addwidth, int addheight, double relwidth,
                    double relheight);
  INT_PTR(*CreateXmlDialog)
  (HINSTANCE module, HWND owner, DLGPROC proc, LPARAM userData, const char16_t* text, int length,
   BOOL modal, XMLMEASUREPROC measure);
  CXmlPropertySheet* (*CreatePropertySheet)(const tagXMLPROPSHEET* sheet);
  int (*AddPropertySheetPage)(CXmlPropertySheet* sheet, const tagXMLPROPSHEETPAGE* page);
  INT_PTR (*RunPropertySheet)(CXmlPropertySheet* sheet, int startPage);
  INT_PTR (*GetPropertySheetResult)(CXmlPropertySheet* sheet);
  int (*FreePropertySheet)(CXmlPropertySheet* sheet);
  int (*FileExists)(const char16_t* path);
  int (*InitCustomControls)(HINSTANCE module, const char16_t* iconName, const char16_t* bitmapName,
                            int handAnimation, int questionAnimation, int otherAnimation);
  int (*AnimatedMessageBox)(HWND owner, const char16_t* format, const char16_t* caption, UINT flags,
                            ...);
  int (*FormatStringW)(char16_t* buffer, int size, const char16_t* format, ...);
  int (*FormatDateTime)(char16_t* buffer, int size, const char16_t* picture, const SYSTEMTIME* time,
                        ...);
};
static_assert(sizeof(tagFINDERSTRUCT) == 32 * sizeof(void*), "32 pointer-sized slots");

extern "C" {
extern tagFINDERSTRUCT finderstruct;
// Stores the module handle (once) and the entry points of the toolkit's services; a slot
// whose service is not part of this build stays null.
void WINAPI DllInit();
}

// Builds a menu bar from menu text of `length` characters. *mismatch (when given) becomes
// 1 when some closing tag did not match its element. The caller owns the menu. Ends with
// SetLastError(0).
HMENU CreateXmlMenu(const char16_t* text, int length, int* mismatch);

// 1 when FindFirstFileW finds the path (wildcards match), else 0.
int FileExists(const char16_t* path);
