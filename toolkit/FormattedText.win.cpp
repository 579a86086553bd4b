// The formatted-text control: its window procedure, links, hit tests and notifications. GUI thread.
#include "toolkit/FormattedText.h"

#include <commctrl.h>

#include <new>
#include <string>
#include <vector>

#include "toolkit/ControlClass.h"
#include "toolkit/FormattedTextRender.h"
#include "toolkit/TextMarkup.h"
#include "toolkit/Win32Holders.h"
#include "toolkit/WindowState.h"

namespace {

FormattedTextState* StateOf(HWND window) { return WindowState<FormattedTextState*>(window, 0); }

// After a notification the parent may have destroyed the control.
bool StillThere(HWND window, FormattedTextState* s) {
  return IsWindow(window) && StateOf(window) == s;
}

NMHDR Header(HWND window, int code) {
  NMHDR hdr = {};
  hdr.hwndFrom = window;
  hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(window));
  hdr.code = static_cast<UINT>(code);
  return hdr;
}

template <typename Record>
void Notify(HWND window, Record* record) {
  SendMessageW(GetParent(window), WM_NOTIFY, record->hdr.idFrom, reinterpret_cast<LPARAM>(record));
}

void NotifyCode(HWND window, int code) {
  NMHDR hdr = Header(window, code);
  SendMessageW(GetParent(window), WM_NOTIFY, hdr.idFrom, reinterpret_cast<LPARAM>(&hdr));
}

void NotifyLink(HWND window, int value, int keyboard) {
  tagFTLINK link = {Header(window, FTN_LINK), value, keyboard};
  Notify(window, &link);
}

POINT PointOf(LPARAM lParam) {
  return POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

int HitTest(FormattedTextState* s, POINT point) {
  for (int i = 0; i < s->linkCount; ++i)
    if (s->links[i].region && PtInRegion(s->links[i].region, point.x, point.y)) return i;
  return -1;
}

// Repaints a link's box from the cache, which erases its focus frame.
void EraseFrame(FormattedTextState* s, int link) {
  if (link < 0 || link >= s->linkCount || !s->links[link].region) return;
  RECT box;
  GetRgnBox(s->links[link].region, &box);
  InflateRect(&box, 1, 1);
  RedrawWindow(s->window, &box, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

void DrawFrame(FormattedTextState* s, int link) {
  if (link < 0 || link >= s->linkCount || !s->links[link].region || !s->checkerBrush) return;
  FrameRgn(WindowDc(s->window).get(), s->links[link].region, s->checkerBrush, 1, 1);
}

void Focus(FormattedTextState* s, int link) {
  int old = s->focusedLink;
  s->focusedLink = link;
  if (old != link) EraseFrame(s, old);
  DrawFrame(s, link);
}

void Unfocus(FormattedTextState* s) {
  int old = s->focusedLink;
  s->focusedLink = -1;
  EraseFrame(s, old);
}

void MoveFocus(FormattedTextState* s, bool forward) {
  if (s->linkCount <= 0) return;
  int f = s->focusedLink;
  int next =
      forward ? (f < 0 || f + 1 >= s->linkCount ? 0 : f + 1) : (f <= 0 ? s->linkCount - 1 : f - 1);
  Focus(s, next);
}

bool IsKeyMessage(UINT message) {
  return message == WM_KEYDOWN || message == WM_KEYUP || message == WM_CHAR ||
         message == WM_SYSKEYDOWN || message == WM_SYSKEYUP;
}

LRESULT DialogCode(FormattedTextState* s, const MSG* message) {
  if (!message || !IsKeyMessage(message->message)) return DLGC_STATIC;
  switch (message->wParam) {
    case VK_RETURN:
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
      return DLGC_WANTALLKEYS;
    case VK_TAB:
      // Decided at the key-down, kept for the rest of that key's messages.
      if (message->message == WM_KEYDOWN) {
        bool back = GetKeyState(VK_SHIFT) < 0;
        bool more = back ? s->focusedLink > 0 : s->focusedLink < s->linkCount - 1;
        s->dialogCode = more ? DLGC_WANTALLKEYS : DLGC_STATIC;
      }
      return s->dialogCode;
  }
  return DLGC_STATIC;
}

void OnKeyDown(HWND window, FormattedTextState* s, WPARAM key, LPARAM data) {
  if (key == VK_RETURN && s->focusedLink >= 0) {
    int value = s->links[s->focusedLink].value;
    Unfocus(s);
    NotifyLink(window, value, 1);
    if (!StillThere(window, s)) return;
  } else if (key == VK_TAB) {
    MoveFocus(s, GetKeyState(VK_SHIFT) >= 0);
  } else if (key == VK_RIGHT || key == VK_DOWN) {
    MoveFocus(s, true);
  } else if (key == VK_LEFT || key == VK_UP) {
    MoveFocus(s, false);
  }
  tagFTKEY record = {Header(window, FTN_KEYDOWN), key, data};
  Notify(window, &record);
}

void CopyToClipboard(HWND window) {
  std::u16string text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, u'\0');
  text.resize(
      static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  bool plain = (GetWindowLongPtrW(window, GWL_STYLE) & FTS_PLAIN) != 0;
  std::u16string copy = MarkupCopyText(text.data(), static_cast<int>(text.size()), plain);
  if (!OpenClipboard(window)) return;
  EmptyClipboard();
  HGLOBAL wide = GlobalAlloc(GMEM_MOVEABLE, (copy.size() + 1) * sizeof(char16_t));
  if (void* p = wide ? GlobalLock(wide) : nullptr) {
    memcpy(p, copy.c_str(), (copy.size() + 1) * sizeof(char16_t));
    GlobalUnlock(wide);
    if (!SetClipboardData(CF_UNICODETEXT, wide)) GlobalFree(wide);
  }
  int bytes = WideCharToMultiByte(CP_ACP, 0, copy.c_str(), -1, nullptr, 0, nullptr, nullptr);
  HGLOBAL narrow = bytes > 0 ? GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(bytes)) : nullptr;
  if (void* p = narrow ? GlobalLock(narrow) : nullptr) {
    WideCharToMultiByte(CP_ACP, 0, copy.c_str(), -1, static_cast<char*>(p), bytes, nullptr,
                        nullptr);
    GlobalUnlock(narrow);
    if (!SetClipboardData(CF_TEXT, narrow)) GlobalFree(narrow);
  }
  CloseClipboard();
}

void SetCursorOf(HWND window, HCURSOR* slot, HCURSOR cursor) {
  if (*slot) DestroyCursor(*slot);
  *slot = cursor;
  POINT point;
  GetCursorPos(&point);
  ScreenToClient(window, &point);
  SendMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(point.x, point.y));
}

void Paint(FormattedTextState* s) {
  RECT client;
  GetClientRect(s->window, &client);
  if (!s->cache || s->cacheSize.cx != client.right || s->cacheSize.cy != client.bottom)
    RenderFormattedText(s);
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(s->window, &paint);
  if (dc && s->cache) {
    const MemoryDc memory(CreateCompatibleDC(dc));
    const SelectedObject cache(memory.get(), s->cache);
    const RECT& r = paint.rcPaint;
    BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, memory.get(), r.left, r.top,
           SRCCOPY);
  }
  EndPaint(s->window, &paint);
  if (s->focusedLink >= 0) DrawFrame(s, s->focusedLink);
}

LRESULT OnCreate(HWND window) {
  auto* s = new (std::nothrow) FormattedTextState;
  if (!s) return -1;
  s->window = window;
  s->tabStop = (GetWindowLongPtrW(window, GWL_STYLE) & WS_TABSTOP) != 0;
  s->normalCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  s->linkCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  WORD checker[8];
  for (int y = 0; y < 8; ++y) checker[y] = static_cast<WORD>(y % 2 ? 0x55 : 0xAA);
  s->checker = CreateBitmap(8, 8, 1, 1, checker);
  if (s->checker) s->checkerBrush = CreatePatternBrush(s->checker);
  SetWindowState(window, 0, s);
  SetCursor(s->normalCursor);
  return 0;
}

void OnDestroy(HWND window, FormattedTextState* s) {
  ClearWindowState(window, 0);
  ClearFormattedLinks(s);
  if (s->normalCursor) DestroyCursor(s->normalCursor);
  if (s->linkCursor) DestroyCursor(s->linkCursor);
  if (s->checkerBrush) DeleteObject(s->checkerBrush);
  if (s->checker) DeleteObject(s->checker);
  if (s->cache) DeleteObject(s->cache);
  delete s;
}

LRESULT CALLBACK FormattedTextProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CREATE) return OnCreate(window);
  FormattedTextState* s = StateOf(window);
  if (!s) return DefWindowProcW(window, message, wParam, lParam);
  switch (message) {
    case WM_DESTROY:
      OnDestroy(window, s);
      return 0;
    case WM_PAINT:
      Paint(s);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_SETTEXT: {
      LRESULT result = DefWindowProcW(window, message, wParam, lParam);
      if (s->cache) DeleteObject(s->cache);
      s->cache = nullptr;
      s->focusedLink = -1;
      InvalidateRect(window, nullptr, FALSE);
      return result;
    }
    case WM_SIZE:
      InvalidateRect(window, nullptr, FALSE);
      return 0;
    case WM_GETDLGCODE:
      return DialogCode(s, reinterpret_cast<const MSG*>(lParam));
    case WM_KEYDOWN:
      OnKeyDown(window, s, wParam, lParam);
      return 0;
    case WM_SETFOCUS:
      if (s->focusedLink < 0 && s->linkCount > 0)
        Focus(s, GetKeyState(VK_TAB) < 0 && GetKeyState(VK_SHIFT) < 0 ? s->linkCount - 1 : 0);
      return 0;
    case WM_KILLFOCUS:
      Unfocus(s);
      return 0;
    case WM_LBUTTONDOWN: {
      int hit = HitTest(s, PointOf(lParam));
      if (hit < 0) {
        Unfocus(s);
        NotifyCode(window, NM_CLICK);
        return 0;
      }
      Focus(s, hit);
      SetCapture(window);
      return 0;
    }
    case WM_LBUTTONUP: {
      int pressed = s->focusedLink;
      if (pressed < 0) return 0;
      int hit = HitTest(s, PointOf(lParam));
      int value = s->links[pressed].value;
      if (GetCapture() == window)
        ReleaseCapture();
      else
        Unfocus(s);
      if (hit == pressed) NotifyLink(window, value, 0);
      return 0;
    }
    case WM_CAPTURECHANGED:
      Unfocus(s);
      return 0;
    case WM_MOUSEMOVE: {
      int hit = HitTest(s, PointOf(lParam));
      SetCursor(hit >= 0 ? s->linkCursor : s->normalCursor);
      return 0;
    }
    case WM_RBUTTONDOWN:
      NotifyCode(window, NM_RCLICK);
      return 0;
    case WM_COPY:
    case WM_CUT:
      CopyToClipboard(window);
      return 0;
    case FTM_MEASURE:
      return MeasureFormattedText(s, static_cast<int>(wParam));
    case FTM_SETMARGIN:
      s->margin = static_cast<int>(wParam);
      return s->margin;
    case FTM_SETCURSOR:
      SetCursorOf(window, &s->normalCursor, reinterpret_cast<HCURSOR>(wParam));
      return 0;
    case FTM_SETLINKCURSOR:
      SetCursorOf(window, &s->linkCursor, reinterpret_cast<HCURSOR>(wParam));
      return 0;
    case FTM_GETVERSION:
      return 0x00010002;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

ATOM RegisterFormattedTextClass() {
  return RegisterControlClass(FORMATTED_TEXT_CLASS, CS_HREDRAW | CS_VREDRAW, FormattedTextProc,
                              nullptr, 0xCCFFFF);
}
