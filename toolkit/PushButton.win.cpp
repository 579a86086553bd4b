// The toolkit's push button: notifications, hot tracking, fading and drawing. GUI thread.
#include "toolkit/PushButton.h"

#include <algorithm>
#include <new>
#include <vector>

#include "toolkit/ControlClass.h"
#include "toolkit/Win32Holders.h"
#include "toolkit/WindowState.h"

namespace {

constexpr UINT_PTR kTimerId = 200;
constexpr UINT kTimerMs = 50;
constexpr int kPressNone = 0;
constexpr int kPressMouse = 1;
constexpr int kPressDoubleClick = 2;
constexpr int kPressKeyboard = 3;
constexpr int kPulseTicks = 40;

typedef BOOL(WINAPI* AlphaBlendProc)(HDC, int, int, int, int, HDC, int, int, int, int,
                                     BLENDFUNCTION);

const char16_t* blendLibrary = nullptr;

struct PushButtonState {
  HWND window = nullptr;
  int fadeCapable = -1;
  bool timerRunning = false;
  int pressKind = kPressNone;
  bool focused = false;
  int pushedLook = 0;
  bool hot = false;
  bool isDefault = false;
  HFONT font = nullptr;
  int lastThemeState = -1;
  int pulse = 0;
  bool checked = false;
  HBITMAP fadeSnapshot = nullptr;
  int fadeSteps = 0;
  int fadeAlpha = 25;
  COLORREF background = 0;
  HBRUSH parentBrush = nullptr;
  HMODULE msimg32 = nullptr;
  AlphaBlendProc alphaBlend = nullptr;
  tagVBUTTONCALLBACKS callbacks = {};
};

PushButtonState* StateOf(HWND window) { return WindowState<PushButtonState*>(window, 0); }

LONG StyleOf(HWND window) { return static_cast<LONG>(GetWindowLongPtrW(window, GWL_STYLE)); }

bool IsPushLike(HWND window) { return (StyleOf(window) & BS_PUSHLIKE) != 0; }

bool FadeCapable(PushButtonState* s) {
  if (s->fadeCapable < 0) {
    OSVERSIONINFOW info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    s->fadeCapable = GetVersionExW(&info) && info.dwPlatformId == VER_PLATFORM_WIN32_NT &&
                     info.dwMajorVersion > 5;
  }
  return s->fadeCapable == 1;
}

bool HotTest(HWND window) {
  HWND capture = GetCapture();
  if (capture && capture != window) return false;
  POINT cursor;
  RECT bounds;
  if (!GetCursorPos(&cursor) || !GetWindowRect(window, &bounds) || !PtInRect(&bounds, cursor))
    return false;
  HWND under = WindowFromPoint(cursor);
  if (!under || !IsWindowEnabled(under)) return false;
  if (under == window) return true;
  POINT inside = cursor;
  ScreenToClient(under, &inside);
  return ChildWindowFromPoint(under, inside) == window;
}

void Notify(HWND window, int code) {
  SendMessageW(GetParent(window), WM_COMMAND,
               MAKEWPARAM(GetDlgCtrlID(window), static_cast<WORD>(code)),
               reinterpret_cast<LPARAM>(window));
}

// Fade steps when the look changes, slow out of the hot look so that leaving the button
// lingers and fast into the pressed look so that a click answers at once.
int FadeSteps(int from, int to) {
  switch (to) {
    case PBS_NORMAL:
      return from == PBS_HOT ? 20 : 4;
    case PBS_HOT:
      return from == PBS_PRESSED ? 4 : 2;
    case PBS_PRESSED:
      return 2;
    case PBS_DEFAULTED:
      return from == PBS_HOT ? 20 : 2;
    default:
      return 4;
  }
}

HBITMAP CreateBitmap32(HDC reference, int width, int height) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  return CreateDIBSection(reference, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
}

// A memory DC with a bitmap selected; empty when either cannot be made.
class MemoryPicture {
 public:
  MemoryPicture(HDC reference, HBITMAP bitmap) : bitmap_(bitmap) {
    if (!bitmap_) return;
    dc_ = CreateCompatibleDC(reference);
    if (dc_) old_ = SelectObject(dc_, bitmap_);
  }
  ~MemoryPicture() {
    if (dc_) {
      SelectObject(dc_, old_);
      DeleteDC(dc_);
    }
    if (bitmap_ && owns_) DeleteObject(bitmap_);
  }
  MemoryPicture(const MemoryPicture&) = delete;
  MemoryPicture& operator=(const MemoryPicture&) = delete;
  HDC dc() const { return dc_; }
  // The bitmap outlives this object: the caller deletes it.
  HBITMAP Keep() {
    owns_ = false;
    return bitmap_;
  }

 private:
  HBITMAP bitmap_;
  HDC dc_ = nullptr;
  HGDIOBJ old_ = nullptr;
  bool owns_ = true;
};

void Blend(PushButtonState* s, HDC target, const RECT& to, HDC source, const RECT& from,
           int alpha) {
  BLENDFUNCTION blend = {AC_SRC_OVER, 0, static_cast<BYTE>(std::min(255, std::max(0, alpha))), 0};
  s->alphaBlend(target, to.left, to.top, to.right - to.left, to.bottom - to.top, source, from.left,
                from.top, from.right - from.left, from.bottom - from.top, blend);
}

void DrawThemedBackground(CThemeHelper& helper, HWND window, HTHEME theme, HDC dc, int state,
                          const RECT& client) {
  if (helper.IsThemeBackgroundPartiallyTransparent(theme, BP_PUSHBUTTON, state))
    helper.DrawThemeParentBackground(window, dc, &client);
  helper.DrawThemeBackground(theme, dc, BP_PUSHBUTTON, state, &client, nullptr);
}

void TakeFadeSnapshot(PushButtonState* s, CThemeHelper& helper, HTHEME theme, HDC dc, int previous,
                      int state, const RECT& client) {
  if (s->fadeSnapshot) DeleteObject(s->fadeSnapshot);
  s->fadeSnapshot = nullptr;
  s->fadeSteps = 0;
  MemoryPicture snapshot(dc, CreateBitmap32(dc, client.right, client.bottom));
  if (!snapshot.dc()) return;
  DrawThemedBackground(helper, s->window, theme, snapshot.dc(), previous, client);
  s->fadeSnapshot = snapshot.Keep();
  s->fadeSteps = FadeSteps(previous, state);
  s->fadeAlpha = 250 / s->fadeSteps;
}

// The default button's glow: a triangle from 0 up to 250 and back over the pulse.
int GlowAlpha(int pulse) { return pulse < 20 ? pulse * 25 / 2 : 500 - pulse * 25 / 2; }

void DrawGlow(PushButtonState* s, CThemeHelper& helper, HTHEME theme, HDC dc, const RECT& client,
              const RECT& content) {
  int glow = GlowAlpha(s->pulse);
  if (glow <= 0) return;
  MemoryPicture copy(dc, CreateBitmap32(dc, client.right, client.bottom));
  if (copy.dc()) {
    BitBlt(copy.dc(), 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
    RECT larger = client;
    InflateRect(&larger, 1, 1);
    Blend(s, dc, larger, copy.dc(), client, glow / 2);
  }
  MemoryPicture hot(dc, CreateBitmap32(dc, client.right, client.bottom));
  if (!hot.dc()) return;
  DrawThemedBackground(helper, s->window, theme, hot.dc(), PBS_HOT, client);
  RECT inner = content;
  InflateRect(&inner, -1, -1);
  if (inner.right > inner.left && inner.bottom > inner.top)
    Blend(s, dc, inner, hot.dc(), inner, glow);
}

UINT TextFlags(LONG style) {
  UINT flags;
  if ((style & BS_CENTER) == BS_LEFT)
    flags = DT_LEFT;
  else if ((style & BS_CENTER) == BS_RIGHT)
    flags = DT_RIGHT;
  else
    flags = DT_CENTER;
  if ((style & BS_VCENTER) == BS_TOP)
    flags |= DT_TOP;
  else if ((style & BS_VCENTER) == BS_BOTTOM)
    flags |= DT_BOTTOM;
  else
    flags |= DT_VCENTER;
  if (!(style & BS_MULTILINE)) flags |= DT_SINGLELINE;
  return flags;
}

void DrawCaption(PushButtonState* s, HTHEME theme, HDC dc, int state, RECT rect, UINT flags,
                 DWORD uiState, bool enabled) {
  std::vector<char16_t> text(GetWindowTextLengthW(s->window) + 1, 0);
  int length = GetWindowTextW(s->window, text.data(), static_cast<int>(text.size()));
  if (length <= 0) return;
  if (flags & DT_SINGLELINE) std::replace(text.begin(), text.begin() + length, u'\n', u' ');
  if (uiState & UISF_HIDEACCEL) flags |= DT_HIDEPREFIX;
  const SelectedObject font(dc, s->font);
  SetBkMode(dc, TRANSPARENT);
  // DrawText centres vertically only single lines: measure and place the rectangle.
  RECT measured = rect;
  DrawTextW(dc, text.data(), length, &measured, (flags & ~(DT_VCENTER | DT_BOTTOM)) | DT_CALCRECT);
  int height = measured.bottom - measured.top;
  if (flags & DT_VCENTER)
    rect.top += (rect.bottom - rect.top - height) / 2;
  else if (flags & DT_BOTTOM)
    rect.top = rect.bottom - height;
  rect.bottom = rect.top + height;
  flags &= ~(DT_VCENTER | DT_BOTTOM);
  DrawButtonText(dc, theme, state, text.data(), length, rect, flags, enabled);
}

void PaintFace(PushButtonState* s, HDC dc, const RECT& client) {
  HWND window = s->window;
  LONG style = StyleOf(window);
  s->parentBrush = reinterpret_cast<HBRUSH>(SendMessageW(GetParent(window), WM_CTLCOLORBTN,
                                                         reinterpret_cast<WPARAM>(dc),
                                                         reinterpret_cast<LPARAM>(window)));
  LRESULT queried = SendMessageW(window, WM_QUERYUISTATE, 0, 0);
  DWORD uiState = queried < 0 ? 0 : static_cast<DWORD>(queried);
  s->hot = HotTest(window);
  bool enabled = IsWindowEnabled(window) != FALSE;
  bool pushed = s->pushedLook != 0 || (s->checked && (style & BS_PUSHLIKE));
  bool isDefault = s->isDefault;
  bool hot = s->hot;
  if (!enabled) pushed = isDefault = hot = false;
  int state = !enabled                    ? PBS_DISABLED
              : pushed                    ? PBS_PRESSED
              : hot                       ? PBS_HOT
              : (isDefault || s->focused) ? PBS_DEFAULTED
                                          : PBS_NORMAL;

  CThemeHelper& helper = ThemeHelper();
  HTHEME theme = nullptr;
  if (helper.HasCommonControls6() && helper.IsAppThemed() && helper.IsThemeActive())
    theme = helper.OpenThemeData(window, u"Button");

  RECT content;
  RECT text;
  if (theme) {
    if (FadeCapable(s) && s->alphaBlend && s->lastThemeState > 0 && state != s->lastThemeState)
      TakeFadeSnapshot(s, helper, theme, dc, s->lastThemeState, state, client);
    s->lastThemeState = state;
    DrawThemedBackground(helper, window, theme, dc, state, client);
    if (FAILED(helper.GetThemeBackgroundContentRect(theme, dc, BP_PUSHBUTTON, state, &client,
                                                    &content)))
      content = client;
    if (s->fadeSteps > 0 && s->fadeSnapshot && s->alphaBlend) {
      MemoryPicture snapshot(dc, s->fadeSnapshot);
      snapshot.Keep();
      if (snapshot.dc()) Blend(s, dc, client, snapshot.dc(), client, s->fadeSteps * s->fadeAlpha);
      s->pulse = 0;
    } else if (state == PBS_DEFAULTED && s->alphaBlend) {
      DrawGlow(s, helper, theme, dc, client, content);
    }
    text = content;
  } else {
    if (s->parentBrush) {
      FillRect(dc, &client, s->parentBrush);
    } else {
      FillRect(dc, &client, GdiHolder<HBRUSH>(CreateSolidBrush(s->background)).get());
    }
    RECT frame = client;
    if (s->focused && !pushed) {
      FrameRect(dc, &frame, GetSysColorBrush(COLOR_BTNTEXT));
      InflateRect(&frame, -1, -1);
    }
    UINT look = DFCS_BUTTONPUSH;
    if (!enabled) look |= DFCS_INACTIVE;
    if (pushed) look |= DFCS_PUSHED;
    if (!pushed && s->checked && (style & BS_PUSHLIKE)) look |= DFCS_CHECKED;
    DrawFrameControl(dc, &frame, DFC_BUTTON, look);
    content = client;
    InflateRect(&content, -4, -4);
    text = content;
    if (pushed) OffsetRect(&text, 1, 1);
    OffsetRect(&text, 0, -1);
  }

  UINT flags = TextFlags(style);
  if (s->callbacks.draw) {
    s->callbacks.draw(tagVBUTTONDRAW{window, dc, theme, uiState, client, content, text, flags,
                                     enabled ? TRUE : FALSE, state});
  } else {
    DrawCaption(s, theme, dc, state, text, flags, uiState, enabled);
  }

  if (s->focused && !(uiState & UISF_HIDEFOCUS)) {
    SetBkColor(dc, s->background);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    DrawFocusRect(dc, &content);
  }
  if (theme) helper.CloseThemeData(theme);
}

void Paint(PushButtonState* s, HDC windowDC) {
  if (!s->timerRunning) s->timerRunning = SetTimer(s->window, kTimerId, kTimerMs, nullptr) != 0;
  RECT client;
  GetClientRect(s->window, &client);
  if (client.right <= 0 || client.bottom <= 0) return;
  MemoryPicture picture(windowDC, CreateCompatibleBitmap(windowDC, client.right, client.bottom));
  if (!picture.dc()) {
    // Without memory for the picture the face is drawn straight and unfaded.
    s->fadeSteps = 0;
    PaintFace(s, windowDC, client);
    return;
  }
  PaintFace(s, picture.dc(), client);
  BitBlt(windowDC, 0, 0, client.right, client.bottom, picture.dc(), 0, 0, SRCCOPY);
}

void Repaint(PushButtonState* s) {
  const WindowDc dc(s->window);
  if (dc.get()) Paint(s, dc.get());
}

// Ends a press without a notification; answers whether one was on. Releasing the capture
// sends WM_CAPTURECHANGED, which comes back here with the press already over.
bool StopPress(PushButtonState* s) {
  bool changed = s->pressKind != kPressNone || s->pushedLook != 0;
  s->pressKind = kPressNone;
  s->pushedLook = 0;
  if (GetCapture() == s->window) ReleaseCapture();
  return changed;
}

void EndPress(PushButtonState* s) {
  if (StopPress(s)) Repaint(s);
}

// The notification, or the press handler, is the last touch of the state: the parent may
// destroy the button from inside it.
void Press(PushButtonState* s, int kind) {
  HWND window = s->window;
  if (HWND parent = GetParent(window))
    PostMessageW(parent, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(window), TRUE);
  s->pressKind = kind;
  s->pushedLook = kind;
  Repaint(s);
  if (s->callbacks.press) s->callbacks.press(window, kind == kPressKeyboard ? 1 : 0);
}

void Release(PushButtonState* s, int kind, bool notify) {
  HWND window = s->window;
  s->pressKind = kPressNone;
  s->pushedLook = 0;
  Repaint(s);
  if (!notify || s->callbacks.press) return;
  bool doubleClick = kind == kPressDoubleClick && (StyleOf(window) & BS_NOTIFY);
  Notify(window, doubleClick ? BN_DOUBLECLICKED : BN_CLICKED);
}

void ToggleChecked(PushButtonState* s) {
  if (IsPushLike(s->window)) s->checked = !s->checked;
}

void OnTimer(PushButtonState* s) {
  bool hot = HotTest(s->window);
  bool repaint = hot != s->hot;
  s->hot = hot;
  if (FadeCapable(s)) {
    if (s->fadeSteps > 0) {
      --s->fadeSteps;
      repaint = true;
    } else if (s->lastThemeState == PBS_DEFAULTED) {
      if (++s->pulse > kPulseTicks) s->pulse = 0;
      if (s->pulse % 2 == 0) repaint = true;
    }
  }
  if (s->pressKind == kPressKeyboard && !(GetAsyncKeyState(VK_SPACE) & 0x8000)) {
    s->pressKind = kPressNone;
    s->pushedLook = 0;
    repaint = true;
  }
  if (repaint) Repaint(s);
}

LRESULT DialogCode(PushButtonState* s, const MSG* message) {
  if (message &&
      (message->message == WM_KEYDOWN || message->message == WM_KEYUP ||
       message->message == WM_CHAR) &&
      (message->wParam == VK_RETURN || message->wParam == VK_SPACE))
    return DLGC_WANTALLKEYS;
  LRESULT code = DLGC_BUTTON;
  if (IsWindowEnabled(s->window)) code |= s->isDefault ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON;
  return code;
}

LRESULT OnCreate(HWND window) {
  auto* s = new (std::nothrow) PushButtonState;
  if (!s) return -1;
  s->window = window;
  s->font = static_cast<HFONT>(GetStockObject(ANSI_VAR_FONT));
  s->background = GetSysColor(COLOR_BTNFACE);
  s->isDefault = (StyleOf(window) & 0x0F) == BS_DEFPUSHBUTTON;
  SetErrorMode(SEM_NOOPENFILEERRORBOX);
  s->msimg32 = LoadLibraryW(blendLibrary ? blendLibrary : u"Msimg32.dll");
  if (s->msimg32)
    s->alphaBlend = reinterpret_cast<AlphaBlendProc>(
        reinterpret_cast<void*>(GetProcAddress(s->msimg32, "AlphaBlend")));
  SetWindowState(window, 0, s);
  return 0;
}

void OnDestroy(HWND window, PushButtonState* s) {
  ClearWindowState(window, 0);
  KillTimer(window, kTimerId);
  if (s->fadeSnapshot) DeleteObject(s->fadeSnapshot);
  if (s->msimg32) FreeLibrary(s->msimg32);
  delete s;
}

LRESULT CALLBACK PushButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CREATE) return OnCreate(window);
  PushButtonState* s = StateOf(window);
  if (!s) return DefWindowProcW(window, message, wParam, lParam);
  switch (message) {
    case WM_DESTROY:
      OnDestroy(window, s);
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      if (dc) Paint(s, dc);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_TIMER:
      OnTimer(s);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      SetCapture(window);
      Press(s, message == WM_LBUTTONDOWN ? kPressMouse : kPressDoubleClick);
      return 0;
    case WM_LBUTTONUP: {
      // Read before the capture goes: releasing it ends the press.
      bool overButton = s->pushedLook != 0;
      int kind = s->pressKind;
      if (GetCapture() == window) ReleaseCapture();
      if (!overButton) return 0;
      ToggleChecked(s);
      Release(s, kind, true);
      return 0;
    }
    case WM_MOUSEMOVE:
      if (s->pressKind == kPressMouse || s->pressKind == kPressDoubleClick) {
        int look = HotTest(window) ? s->pressKind : 0;
        if (look != s->pushedLook) {
          s->pushedLook = look;
          Repaint(s);
        }
      }
      return 0;
    case WM_KEYDOWN:
      if (wParam == VK_SPACE) {
        if (s->pressKind == kPressNone) Press(s, kPressKeyboard);
        return 0;
      }
      if (wParam == VK_RETURN) {
        if (IsPushLike(window))
          s->checked = !s->checked;
        else
          s->checked = false;
        if (s->callbacks.press)
          s->callbacks.press(window, 1);
        else
          Release(s, s->pressKind, true);
        return 0;
      }
      break;
    case WM_KEYUP:
      if (s->pressKind == kPressKeyboard && wParam == VK_SPACE) {
        ToggleChecked(s);
        Release(s, kPressKeyboard, true);
        return 0;
      }
      if (s->pressKind == kPressKeyboard && wParam == VK_ESCAPE) {
        EndPress(s);
        return 0;
      }
      break;
    case WM_CAPTURECHANGED:
      EndPress(s);
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        s->focused = false;
        StopPress(s);
        Repaint(s);
      }
      return 0;
    case WM_SETFOCUS:
      s->focused = true;
      Repaint(s);
      if (StyleOf(window) & BS_NOTIFY) Notify(window, BN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      s->focused = false;
      StopPress(s);
      Repaint(s);
      if (StyleOf(window) & BS_NOTIFY) Notify(window, BN_KILLFOCUS);
      return 0;
    case WM_ENABLE:
      if (!wParam) StopPress(s);
      Repaint(s);
      return 0;
    case WM_GETDLGCODE:
      return DialogCode(s, reinterpret_cast<const MSG*>(lParam));
    case BM_GETCHECK:
      return s->checked ? BST_CHECKED : BST_UNCHECKED;
    case BM_SETCHECK:
      s->checked = wParam != 0;
      if (!s->checked) StopPress(s);
      Repaint(s);
      return 0;
    case BM_SETSTYLE: {
      bool isDefault = (wParam & 0x0F) == BS_DEFPUSHBUTTON;
      if (isDefault != s->isDefault) {
        s->isDefault = isDefault;
        Repaint(s);
      }
      return 0;
    }
    case WM_SETFONT:
      s->font = wParam ? reinterpret_cast<HFONT>(wParam)
                       : static_cast<HFONT>(GetStockObject(ANSI_VAR_FONT));
      if (lParam) Repaint(s);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(s->font);
    case WM_SYSCOLORCHANGE:
      if (s->fadeSnapshot) DeleteObject(s->fadeSnapshot);
      s->fadeSnapshot = nullptr;
      s->fadeSteps = 0;
      s->background = GetSysColor(COLOR_BTNFACE);
      Repaint(s);
      return 0;
    case WM_CHANGEUISTATE:
    case WM_UPDATEUISTATE: {
      LRESULT result = DefWindowProcW(window, message, wParam, lParam);
      Repaint(s);
      return result;
    }
    case VBM_SETCALLBACKS:
      if (lParam) s->callbacks = *reinterpret_cast<const tagVBUTTONCALLBACKS*>(lParam);
      if (wParam) Repaint(s);
      return 1;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

void DrawButtonText(HDC dc, HTHEME theme, int themeState, const char16_t* text, int length,
                    RECT rect, UINT flags, bool enabled) {
  if (theme) {
    ThemeHelper().DrawThemeText(theme, dc, BP_PUSHBUTTON, themeState, text, length, flags, 0,
                                &rect);
  } else if (enabled) {
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    DrawTextW(dc, text, length, &rect, flags);
  } else {
    RECT raised = rect;
    OffsetRect(&raised, 1, 1);
    SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
    DrawTextW(dc, text, length, &raised, flags);
    SetTextColor(dc, GetSysColor(COLOR_BTNSHADOW));
    DrawTextW(dc, text, length, &rect, flags);
  }
}

ATOM RegisterPushButtonClass() {
  return RegisterControlClass(VBUTTON_CLASS, CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, PushButtonProc,
                              LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW)),
                              CLR_INVALID);
}

void SetPushButtonBlendLibrary(const char16_t* name) { blendLibrary = name; }
