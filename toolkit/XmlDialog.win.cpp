// Dialogs built from template text: building, measuring and laying out the window. GUI thread.
#include <windows.h>

#include <algorithm>
#include <new>
#include <vector>

#include "toolkit/ControlMeasure.h"
#include "toolkit/Win32Holders.h"
#include "toolkit/WindowState.h"
#include "toolkit/XmlDialogState.h"

const char16_t kXmlDialogClass[] = u"XML_DIALOG_CLASS";

namespace {

constexpr DWORD kGroupBoxStyle = 0x50020007;
constexpr DWORD kChildDialogStyle = WS_CHILD | DS_CONTROL | DS_SETFONT | DS_3DLOOK;
constexpr DWORD kErrorNestedDialog = 4393;
constexpr DWORD kErrorMismatchedTag = 4394;
constexpr DWORD kErrorOtherParse = 4392;

LRESULT CALLBACK XmlDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

void RegisterXmlDialogClass(HINSTANCE module) {
  // One background for every XML dialog, whichever kind is created first.
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof(wc);
  wc.style = CS_DBLCLKS | CS_SAVEBITS | CS_BYTEALIGNWINDOW;
  wc.lpfnWndProc = XmlDialogProc;
  wc.cbWndExtra = DLGWINDOWEXTRA + sizeof(void*);
  wc.hInstance = module;
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  wc.lpszClassName = kXmlDialogClass;
  RegisterClassExW(&wc);
}

DWORD ParseErrorCode(int error) {
  switch (error) {
    case kXmlNestedDialog:
      return kErrorNestedDialog;
    case kXmlMismatchedTag:
      return kErrorMismatchedTag;
    default:
      return kErrorOtherParse;
  }
}

// Parses and reports a failure through the last error; null on failure.

int16_t Clamp16(int32_t value, int32_t low) {
  return static_cast<int16_t>(std::min(std::max(value, low), int32_t{32767}));
}

// An in-memory DLGTEMPLATE without items, naming our class, with an empty title.
std::vector<WORD> BuildTemplate(DWORD style, DWORD exstyle, const tagXMLDIALOG& d) {
  std::vector<WORD> words(sizeof(DLGTEMPLATE) / sizeof(WORD), 0);
  DLGTEMPLATE header = {};
  header.style = style;
  header.dwExtendedStyle = exstyle;
  header.x = Clamp16(d.left, -32768);
  header.y = Clamp16(d.top, -32768);
  header.cx = Clamp16(d.width, 0);
  header.cy = Clamp16(d.height, 0);
  std::copy_n(reinterpret_cast<const WORD*>(&header), words.size(), words.begin());
  words.push_back(0);  // no menu
  for (const char16_t* c = kXmlDialogClass; *c; ++c) words.push_back(*c);
  words.push_back(0);
  words.push_back(0);  // empty title
  if (style & DS_SETFONT) {
    words.push_back(8);
    for (const char16_t* c = u"MS Shell Dlg"; *c; ++c) words.push_back(*c);
    words.push_back(0);
  }
  return words;
}

struct MeasureContext {
  HWND dialog;
  HDC dc;
  XMLMEASUREPROC proc;
};

void MeasureForDialog(void* context, const XmlMeasureRequest& request, XmlMeasureResult* result) {
  const MeasureContext& c = *static_cast<const MeasureContext*>(context);
  int width = 0, height = 0;
  DWORD bits = 0;
  if (c.proc && c.proc(c.dialog, c.dc, request.id, request.type, request.title, request.style,
                       request.exstyle, request.minwidth, request.minheight, request.relwidth,
                       request.relheight, &width, &height, &bits)) {
    *result = XmlMeasureResult{width, height, bits};
    return;
  }
  MeasureControlBuiltIn(c.dc, request, result);
}

// Scales from the font, the measure pass and the layout, with the font in a DC.
bool MeasureAndLayOut(HWND window, tagXMLDIALOG* dialog, HFONT font, XMLMEASUREPROC measure) {
  HDC dc = window ? GetDC(window) : CreateCompatibleDC(nullptr);
  if (!dc) return false;
  HGDIOBJ old = SelectObject(dc, font);
  GetDialogScales(dc, &dialog->hscale, &dialog->vscale);
  MeasureContext context{window, dc, measure};
  MeasureXmlTable(dialog->table, dialog->hscale, dialog->vscale, MeasureForDialog, &context);
  SelectObject(dc, old);
  if (window)
    ReleaseDC(window, dc);
  else
    DeleteDC(dc);
  return LayoutXmlDialog(dialog);
}

void TakeScales(HWND window, tagXMLDIALOG* dialog, HFONT font) {
  const WindowDc dc(window);
  const SelectedObject selected(dc.get(), font);
  GetDialogScales(dc.get(), &dialog->hscale, &dialog->vscale);
}

void CollectPlacements(tagXMLNODE* table, int32_t x, int32_t y,
                       std::vector<XmlPlacement>* placements) {
  for (tagXMLNODE* node = table; node; node = node->next) {
    if (node->kind != kXmlCell) continue;
    placements->push_back(XmlPlacement{node, x, y, nullptr});
    if (node->nested)
      CollectPlacements(node->table, x + node->cell.rect.left + node->cell.pxleft,
                        y + node->cell.rect.top + node->cell.pxtop, placements);
  }
}

// The windows of the previous build, by id in creation order: the k-th control with an id
// takes the k-th old window with that id.
struct OldWindows {
  std::vector<HWND> windows;
  HWND Take(HWND dialog, int id) {
    for (HWND& w : windows)
      if (w && GetDlgCtrlID(w) == id && IsWindow(w) && GetParent(w) == dialog) {
        HWND found = w;
        w = nullptr;
        return found;
      }
    return nullptr;
  }
};

// Creates (or with reuse moves) the controls and group boxes of the laid-out tree.
void CreateControls(HWND window, XmlDialogState* state, bool reuse) {
  tagXMLDIALOG* d = state->dialog;
  if (!state->laidOut && !MeasureAndLayOut(window, d, state->font, state->measure)) {
    state->placements.clear();
    return;
  }
  OldWindows old;
  for (const XmlPlacement& p : state->placements)
    if (p.window) old.windows.push_back(p.window);
  state->placements.clear();
  CollectPlacements(d->table, 0, 0, &state->placements);
  HINSTANCE module = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window, GWLP_HINSTANCE));
  for (XmlPlacement& p : state->placements) {
    tagXMLCELL& cell = p.node->cell;
    if (!cell.control && !cell.group) continue;
    const char16_t* type = cell.control ? cell.control->type.c_str() : u"button";
    const char16_t* title = cell.control ? cell.control->title.c_str() : cell.grouptitle.c_str();
    DWORD style = cell.control ? cell.control->style : kGroupBoxStyle;
    DWORD exstyle = cell.control ? cell.control->exstyle : 0;
    int id = cell.control ? cell.control->id : cell.groupid;
    RECT r = PlacementRect(*state, p);
    OffsetRect(&r, state->hscroll, state->vscroll);
    HWND control = reuse ? old.Take(window, id) : nullptr;
    if (control) {
      ShowWindow(control, SW_HIDE);
      SetWindowPos(control, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      SetWindowTextW(control, title);
      ShowWindow(control, SW_SHOWNA);
    } else {
      control = CreateWindowExW(exstyle, type, title, style, r.left, r.top, r.right - r.left,
                                r.bottom - r.top, window,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), module, nullptr);
    }
    p.window = control;
    if (control) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(state->font), reuse);
  }
  RelayoutXmlDialog(window, state);
}

// Makes the dialog font from the description and restores DS_SETFONT, which the in-memory
// template leaves out because it carries no font.
void ApplyDescription(HWND window, XmlDialogState* state) {
  tagXMLDIALOG* d = state->dialog;
  SetWindowTextW(window, d->title.c_str());
  HFONT font = CreateSpecFont(d->font);
  if (font) {
    if (state->font) DeleteObject(state->font);
    state->font = font;
  }
  if (d->style & DS_SETFONT)
    SetWindowLongW(window, GWL_STYLE, GetWindowLongW(window, GWL_STYLE) | DS_SETFONT);
  if (state->font) TakeScales(window, d, state->font);
}

void FreeState(XmlDialogState* state) {
  if (state->font) DeleteObject(state->font);
  DeleteXmlDialog(state->dialog);
  delete state;
}

LRESULT InitDialog(HWND window, WPARAM wParam, XmlDialogState* state) {
  if (!state) {
    DestroyWindow(window);
    return FALSE;
  }
  SetWindowState(window, DLGWINDOWEXTRA, state);
  if (state->attached) *state->attached = true;
  state->attached = nullptr;
  ApplyDescription(window, state);
  CreateControls(window, state, false);
  if (state->dialog->watchinput && StartWatchingInput(window)) {
    state->watching = true;
    PostMessageW(window, WM_XMLDIALOG_INPUT, 0, 0);
  }
  return DefDlgProcW(window, WM_INITDIALOG, wParam, state->userData);
}

void ChangeFont(HWND window, XmlDialogState* state, HFONT font) {
  // The dialog owns the font it is handed.
  if (state->font && state->font != font) DeleteObject(state->font);
  state->font = font;
  if (!MeasureAndLayOut(window, state->dialog, font, state->measure)) return;
  state->laidOut = true;
  CreateControls(window, state, true);
}

LRESULT CALLBACK XmlDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG)
    return InitDialog(window, wParam, reinterpret_cast<XmlDialogState*>(lParam));
  XmlDialogState* state = GetXmlDialogState(window);
  if (!state) {
    if (message == WM_XMLDIALOG_GETLAYOUT) return 0;
    return DefDlgProcW(window, message, wParam, lParam);
  }
  switch (message) {
    case WM_DESTROY:
      if (state->watching) StopWatchingInput(window);
      ClearWindowState(window, DLGWINDOWEXTRA);
      FreeState(state);
      break;
    case WM_SIZE:
      if (state->dialog->scalable || !(GetWindowLongW(window, GWL_STYLE) & WS_CHILD))
        RelayoutXmlDialog(window, state);
      break;
    case WM_SETFONT:
      if (wParam && GetObjectType(reinterpret_cast<HGDIOBJ>(wParam)) == OBJ_FONT)
        ChangeFont(window, state, reinterpret_cast<HFONT>(wParam));
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(state->font);
    case WM_HSCROLL:
    case WM_VSCROLL:
      if (lParam) break;
      ScrollXmlDialog(window, state, message == WM_HSCROLL ? SB_HORZ : SB_VERT, LOWORD(wParam));
      return 0;
    case WM_XMLDIALOG_GETLAYOUT: {
      auto* block = reinterpret_cast<tagXMLDIALOGLAYOUT*>(lParam);
      if (!block) return 0;
      *block = tagXMLDIALOGLAYOUT{state->hscroll,
                                  state->vscroll,
                                  state->dialog->layoutwidth,
                                  state->dialog->layoutheight,
                                  state->dialog->error,
                                  static_cast<int32_t>(state->rects.size()),
                                  state->rects.empty() ? nullptr : state->rects.data()};
      return 1;
    }
    case WM_XMLDIALOG_SETTEMPLATE:
      ReplaceXmlDialogTemplate(window, reinterpret_cast<const char16_t*>(wParam),
                               static_cast<int>(lParam));
      return 0;
  }
  return DefDlgProcW(window, message, wParam, lParam);
}

// The window owns the state from its WM_INITDIALOG on; a window that failed before it
// never took it.
INT_PTR RunDialog(HINSTANCE module, HWND owner, DLGPROC proc, const std::vector<WORD>& words,
                  XmlDialogState* state, BOOL modal) {
  bool attached = false;
  state->attached = &attached;
  auto* dialogTemplate = reinterpret_cast<LPCDLGTEMPLATEW>(words.data());
  LPARAM param = reinterpret_cast<LPARAM>(state);
  INT_PTR result = modal ? DialogBoxIndirectParamW(module, dialogTemplate, owner, proc, param)
                         : reinterpret_cast<INT_PTR>(CreateDialogIndirectParamW(
                               module, dialogTemplate, owner, proc, param));
  if (!attached) FreeState(state);
  return result;
}

}  // namespace

tagXMLDIALOG* ParseForDialog(const char16_t* text, int length) {
  tagXMLDIALOG* dialog = ParseXmlDialog(text, length);
  if (!dialog) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  if (dialog->error) {
    SetLastError(ParseErrorCode(dialog->error));
    DeleteXmlDialog(dialog);
    return nullptr;
  }
  return dialog;
}

XmlDialogState* GetXmlDialogState(HWND dialog) {
  return WindowState<XmlDialogState*>(dialog, DLGWINDOWEXTRA);
}

SIZE XmlDialogWindowSize(HWND dialog, const XmlDialogState& state) {
  DWORD style = static_cast<DWORD>(GetWindowLongW(dialog, GWL_STYLE));
  SIZE frame = GetFrameAllowance(style, static_cast<DWORD>(GetWindowLongW(dialog, GWL_EXSTYLE)));
  SIZE size = {state.dialog->layoutwidth + frame.cx, state.dialog->layoutheight + frame.cy};
  if ((style & WS_CAPTION) == WS_CAPTION) size.cy += GetSystemMetrics(SM_CYCAPTION);
  if (!(style & WS_CHILD) && GetMenu(dialog)) size.cy += GetSystemMetrics(SM_CYMENU);
  return size;
}

INT_PTR CreateXmlDialog(HINSTANCE module, HWND owner, DLGPROC proc, LPARAM userData,
                        const char16_t* text, int length, BOOL modal, XMLMEASUREPROC measure) {
  SetLastError(0);
  const INT_PTR failure = modal ? -1 : 0;
  XmlDialogState* state = new (std::nothrow) XmlDialogState;
  if (!state) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return failure;
  }
  RegisterXmlDialogClass(module);
  state->dialog = ParseForDialog(text, length);
  if (!state->dialog) {
    delete state;
    return failure;
  }
  state->userData = userData;
  state->measure = measure;
  tagXMLDIALOG* d = state->dialog;
  std::vector<WORD> words = BuildTemplate(d->style & ~DWORD{DS_SETFONT}, d->exstyle, *d);
  return RunDialog(module, owner, proc, words, state, modal);
}

bool LayOutXmlDialog(tagXMLDIALOG* dialog, XMLMEASUREPROC measure, HWND owner) {
  const GdiHolder<HFONT> font(CreateSpecFont(dialog->font));
  if (!font.held()) return false;
  return MeasureAndLayOut(owner, dialog, font.get(), measure);
}

HWND CreateXmlChildDialog(HINSTANCE module, HWND parent, DLGPROC proc, LPARAM userData,
                          tagXMLDIALOG* dialog, XMLMEASUREPROC measure) {
  XmlDialogState* state = new (std::nothrow) XmlDialogState;
  if (!state) {
    DeleteXmlDialog(dialog);
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  RegisterXmlDialogClass(module);
  state->dialog = dialog;
  state->userData = userData;
  state->measure = measure;
  state->laidOut = true;
  std::vector<WORD> words = BuildTemplate(kChildDialogStyle, WS_EX_CONTROLPARENT, *dialog);
  return reinterpret_cast<HWND>(RunDialog(module, parent, proc, words, state, FALSE));
}

tagXMLDIALOG* ReplaceXmlDialogTemplate(HWND dialog, const char16_t* text, int length) {
  XmlDialogState* state = GetXmlDialogState(dialog);
  if (!state || !text) return nullptr;
  DWORD lastError = GetLastError();
  tagXMLDIALOG* replacement = ParseForDialog(text, length);
  SetLastError(lastError);
  if (!replacement) return nullptr;
  tagXMLDIALOG* old = state->dialog;
  state->dialog = replacement;
  state->laidOut = false;
  state->rects.clear();
  ApplyDescription(dialog, state);
  // The placements still point into the old tree; only their windows are used from here.
  CreateControls(dialog, state, true);
  DeleteXmlDialog(old);
  return replacement;
}
