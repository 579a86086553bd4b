// Dialogs built from template text: the window class "XML_DIALOG_CLASS" in front of
// DefDlgProcW and the caller's dialog procedure. It creates and places the controls in the
// cells of the table layout, keeps the dialog font, stretches or scrolls scalable dialogs,
// replaces its template at run time and, with `watchinput`, tells the caller which control
// the mouse points at or holds the focus. Windows-side header. A dialog belongs to the
// thread that created it; call these functions on that thread.
#pragma once

#include <windows.h>

#include <cstdint>

#include "toolkit/DialogTemplate.h"

// Asked for each control and titled group box during the measure pass, with a DC holding
// the dialog font. Non-zero when it measured the control and filled the three outputs
// (the style bits are added to the control's style); zero leaves the built-in measure.
typedef BOOL (*XMLMEASUREPROC)(HWND dialog, HDC dc, int id, const char16_t* type,
                               const char16_t* title, DWORD style, DWORD exstyle, int minwidth,
                               int minheight, double relwidth, double relheight, int* width,
                               int* height, DWORD* styleBits);

// Copies the layout block into the tagXMLDIALOGLAYOUT at lParam; result 1 (0 without one).
constexpr UINT WM_XMLDIALOG_GETLAYOUT = WM_USER + 200;
// Replaces the template: wParam the text, lParam its length in characters; result 0.
constexpr UINT WM_XMLDIALOG_SETTEMPLATE = WM_USER + 201;
// Posted to the dialog for its procedure: wParam the control, lParam 1 under the mouse,
// 0 got the focus.
constexpr UINT WM_XMLDIALOG_INPUT = WM_USER + 202;

// Stored rectangles are the cells with storerect n (1..1024) at index n - 1, in client
// coordinates; the pointer stays valid until the next relayout of the dialog.
struct tagXMLDIALOGLAYOUT {
  int32_t hscroll;  // scroll offsets: minus the scroll positions
  int32_t vscroll;
  int32_t layoutwidth;
  int32_t layoutheight;
  int32_t error;
  int32_t rectcount;
  const tagXMLRECT* rects;
};

// Creates a modal (returns the EndDialog value, or -1) or modeless (returns the window, or
// 0) dialog from `length` characters of template text. userData reaches proc as the
// WM_INITDIALOG parameter. Failures set the last error: ERROR_NOT_ENOUGH_MEMORY, 4393 a
// nested dialog, 4394 a mismatched closing tag, 4392 nesting too deep.
INT_PTR CreateXmlDialog(HINSTANCE module, HWND owner, DLGPROC proc, LPARAM userData,
                        const char16_t* text, int length, BOOL modal, XMLMEASUREPROC measure);

// Parses template text for a dialog. Null on failure with the last error set as
// CreateXmlDialog sets it; the caller frees the result with DeleteXmlDialog.
tagXMLDIALOG* ParseForDialog(const char16_t* text, int length);

// Measures and lays out a parsed description with the font of its font spec, before the
// dialog's window exists (the property sheet sizes its pages with it); `owner`, the window
// that stands in for it, reaches the measure callback. False when the font or the layout
// fails.
bool LayOutXmlDialog(tagXMLDIALOG* dialog, XMLMEASUREPROC measure, HWND owner = nullptr);

// A child dialog (a property-sheet page) from a description laid out by LayOutXmlDialog;
// the dialog takes it over, also when creation fails. Returns the window or null.
HWND CreateXmlChildDialog(HINSTANCE module, HWND parent, DLGPROC proc, LPARAM userData,
                          tagXMLDIALOG* dialog, XMLMEASUREPROC measure);

// Replaces the template of a dialog made here: the controls with ids of the old one are
// moved and retitled, new ones created. Returns the new description (owned by the dialog),
// or null when the text does not parse; the dialog then stays as it was.
tagXMLDIALOG* ReplaceXmlDialogTemplate(HWND dialog, const char16_t* text, int length);
