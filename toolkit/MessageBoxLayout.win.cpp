// The message box's content: sound, buttons with icons, the text, the animation, and the
// size and place that follow from them.
#include <windows.h>

#include <mmsystem.h>

#include <algorithm>

#include "toolkit/FinderStruct.h"
#include "toolkit/Format.h"
#include "toolkit/FormattedText.h"
#include "toolkit/LanguageText.h"
#include "toolkit/MessageBox.h"
#include "toolkit/MessageBoxState.h"
#include "toolkit/PushButton.h"
#include "toolkit/RegistryText.h"
#include "toolkit/Win32Holders.h"
#include "toolkit/WindowState.h"

namespace {

constexpr int kIconWidth = 32;
constexpr int kIconHeight = 26;
constexpr int kTextLeft = 72;
constexpr int kTextTop = 14;
constexpr int kWideBox = 500;

struct BoxButton {
  int id;
  int caption;
};

struct ButtonSet {
  int count;
  BoxButton buttons[3];
};

constexpr BoxButton kOk = {IDOK, 0};
constexpr BoxButton kCancel = {IDCANCEL, 1};
constexpr BoxButton kAbort = {IDABORT, 2};
constexpr BoxButton kRetry = {IDRETRY, 3};
constexpr BoxButton kIgnore = {IDIGNORE, 4};
constexpr BoxButton kYes = {IDYES, 5};
constexpr BoxButton kNo = {IDNO, 6};

// By button type; the two types Windows does not define show OK.
constexpr ButtonSet kButtonSets[8] = {
    {1, {kOk}},
    {2, {kOk, kCancel}},
    {3, {kAbort, kRetry, kIgnore}},
    {3, {kYes, kNo, kCancel}},
    {2, {kYes, kNo}},
    {2, {kRetry, kCancel}},
    {1, {kOk}},
    {1, {kOk}},
};

// As the system's message box: the default-button flag names a button of any set, so a
// question whose Yes discards data can start on No. A flag beyond the set's last button
// leaves the first one.
int FirstFocus(UINT flags, int count) {
  const int wanted = (flags & MB_DEFBUTTON3) ? 2 : (flags & MB_DEFBUTTON2) ? 1 : 0;
  return wanted < count ? wanted : 0;
}

// The strip's picture for a button; -1 for none.
int ImageOf(int id) {
  switch (id) {
    case IDOK:
    case IDYES:
      return 0;
    case IDCANCEL:
    case IDNO:
      return 1;
    case IDABORT:
      return 3;
    case IDRETRY:
      return 4;
    case IDIGNORE:
      return 5;
  }
  return -1;
}

void DrawBoxButton(tagVBUTTONDRAW draw) {
  MessageBoxState* state = BoxStateOf(GetParent(draw.button));
  RECT rect = draw.text;
  const int image = ImageOf(GetDlgCtrlID(draw.button));
  if (state && state->images && image >= 0)
    ImageList_Draw(state->images, image, draw.dc, rect.left + 2,
                   rect.top + (rect.bottom - rect.top - kIconHeight) / 2, ILD_TRANSPARENT);
  rect.left += 2 + kIconWidth + 4;
  char16_t caption[256];
  const int length = GetWindowTextW(draw.button, caption, 256);
  const SelectedObject font(draw.dc,
                            reinterpret_cast<HFONT>(SendMessageW(draw.button, WM_GETFONT, 0, 0)));
  SetBkMode(draw.dc, TRANSPARENT);
  UINT flags = DT_LEFT | DT_VCENTER | DT_SINGLELINE;
  if (draw.uiState & UISF_HIDEACCEL) flags |= DT_HIDEPREFIX;
  DrawButtonText(draw.dc, draw.theme, draw.themeState, caption, length, rect, flags,
                 draw.enabled != FALSE);
}

const tagVBUTTONCALLBACKS kFaceCallbacks = {DrawBoxButton, nullptr};

HIMAGELIST LoadButtonImages() {
  if (!g_customControls.module || !g_customControls.bitmapName) return nullptr;
  const GdiHolder<HBITMAP> strip(LoadBitmapW(g_customControls.module, g_customControls.bitmapName));
  if (!strip.held()) return nullptr;
  HIMAGELIST images = ImageList_Create(kIconWidth, kIconHeight, ILC_COLOR32 | ILC_MASK, 6, 0);
  if (images) ImageList_AddMasked(images, strip.get(), RGB(255, 255, 255));
  return images;
}

// The work area of the window's monitor; the monitor functions are looked up because
// systems before them have one work area only.
RECT WorkAreaOf(HWND window) {
  RECT work = {};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  HMODULE user32 = GetModuleHandleW(u"user32.dll");
  if (!user32) return work;
  auto monitorFromWindow = reinterpret_cast<HMONITOR(WINAPI*)(HWND, DWORD)>(
      reinterpret_cast<void*>(GetProcAddress(user32, "MonitorFromWindow")));
  auto getMonitorInfo = reinterpret_cast<BOOL(WINAPI*)(HMONITOR, MONITORINFO*)>(
      reinterpret_cast<void*>(GetProcAddress(user32, "GetMonitorInfoW")));
  if (!monitorFromWindow || !getMonitorInfo) return work;
  MONITORINFO info = {};
  info.cbSize = sizeof(info);
  HMONITOR monitor = monitorFromWindow(window, MONITOR_DEFAULTTONEAREST);
  if (monitor && getMonitorInfo(monitor, &info)) work = info.rcWork;
  return work;
}

int TextHeight(HWND text, int width) {
  return static_cast<int>(
             SendMessageW(text, FTM_MEASURE, width - 2 * GetSystemMetrics(SM_CXBORDER), 0)) +
         2 * GetSystemMetrics(SM_CYBORDER);
}

int AnimationFor(UINT flags) {
  switch (flags & MB_ICONMASK) {
    case MB_ICONHAND:
      return g_customControls.handAnimation;
    case MB_ICONQUESTION:
      return g_customControls.questionAnimation;
  }
  return g_customControls.otherAnimation;
}

}  // namespace

MessageBoxState* BoxStateOf(HWND box) {
  return box ? WindowState<MessageBoxState*>(box, DLGWINDOWEXTRA) : nullptr;
}

std::u16string BoxCaption(int index) {
  const char16_t* stored = LanguageListText(STR_CAPTIONS, index);
  // The table keeps '%' doubled.
  std::u16string shown(FormatStringW(nullptr, 0, stored) + 1, u'\0');
  shown.resize(FormatStringW(&shown[0], static_cast<int>(shown.size()), stored));
  return shown;
}

void PlayBoxSound(UINT flags) {
  const char16_t* event = u"SystemExclamation";
  switch (flags & MB_ICONMASK) {
    case MB_ICONHAND:
      event = u"SystemHand";
      break;
    case MB_ICONQUESTION:
      event = u"SystemQuestion";
      break;
    case MB_ICONASTERISK:
      event = u"SystemAsterisk";
      break;
  }
  char16_t keyPath[96];
  FormatStringW(keyPath, 96, u"AppEvents\\Schemes\\Apps\\.Default\\%s\\.current", event);
  RegKeyHolder key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, keyPath, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS)
    return;
  char16_t stored[MAX_PATH];
  const char16_t* value = ReadRegistryText(key.get(), nullptr, stored, sizeof stored, nullptr);
  key.reset();
  if (!value || !*value) return;
  char16_t file[MAX_PATH];
  const DWORD needed = ExpandEnvironmentStringsW(value, file, MAX_PATH);
  if (needed == 0 || needed > MAX_PATH) return;
  const DWORD sound = SND_FILENAME | SND_NOWAIT | SND_NODEFAULT | SND_ASYNC;
  if (FileExists(file)) {
    PlaySoundW(file, nullptr, sound);
    return;
  }
  const char16_t* name = file;
  for (const char16_t* p = file; *p; ++p)
    if (*p == u'\\' || *p == u'/') name = p + 1;
  char16_t windows[MAX_PATH];
  const UINT length = GetWindowsDirectoryW(windows, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  char16_t media[MAX_PATH];
  if (FormatStringW(nullptr, 0, u"%s\\media\\%s", windows, name) >= MAX_PATH) return;
  FormatStringW(media, MAX_PATH, u"%s\\media\\%s", windows, name);
  if (FileExists(media)) PlaySoundW(media, nullptr, sound);
}

void ShowBoxAnimation(HWND box, MessageBoxState* state) {
  if (!g_customControls.module || !state->animationId) return;
  if (!LoadAnimation(&state->picture, g_customControls.module, MAKEINTRESOURCEW(state->animationId),
                     reinterpret_cast<LPCWSTR>(RT_RCDATA)))
    return;
  if (state->animation.Create(box, MSGBOX_ANIMATION_ID, &state->picture, WS_CHILD,
                              u"AnimationWindow"))
    state->animation.Show(state->animationAt.x, state->animationAt.y);
}

HWND LayOutMessageBox(HWND box, MessageBoxState* state) {
  HINSTANCE module = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(box, GWLP_HINSTANCE));
  const ButtonSet& set = kButtonSets[state->flags & 7];
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(box, WM_GETFONT, 0, 0));
  state->images = LoadButtonImages();

  std::u16string captions[3];
  SIZE largest = {0, 0};
  {
    const WindowDc dc(box);
    const SelectedObject selected(dc.get(), font);
    for (int i = 0; i < set.count; ++i) {
      captions[i] = BoxCaption(set.buttons[i].caption);
      RECT extent = {};
      DrawTextW(dc.get(), captions[i].c_str(), -1, &extent, DT_CALCRECT | DT_SINGLELINE);
      largest.cx = std::max(largest.cx, extent.right);
      largest.cy = std::max(largest.cy, extent.bottom);
    }
  }
  state->buttonWidth = largest.cx + kIconWidth + 20;
  state->buttonHeight = std::max<int>(largest.cy, kIconHeight) + 4;

  HWND buttons[3] = {};
  for (int i = 0; i < set.count; ++i) {
    const DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON | (i ? 0 : WS_GROUP);
    buttons[i] = CreateWindowExW(
        0, VBUTTON_CLASS, captions[i].c_str(), style, 0, 0, state->buttonWidth, state->buttonHeight,
        box, reinterpret_cast<HMENU>(static_cast<INT_PTR>(set.buttons[i].id)), module, nullptr);
    if (!buttons[i]) continue;
    SendMessageW(buttons[i], WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SendMessageW(buttons[i], VBM_SETCALLBACKS, 0, reinterpret_cast<LPARAM>(&kFaceCallbacks));
  }

  const int frameX = GetSystemMetrics(SM_CXDLGFRAME);
  const int frameY = GetSystemMetrics(SM_CYDLGFRAME);
  RECT least;
  GetWindowRect(box, &least);
  int width = std::max<int>(set.count * (state->buttonWidth + 20) + 2 * frameX + 20,
                            least.right - least.left);
  HWND text = CreateWindowExW(WS_EX_STATICEDGE, FORMATTED_TEXT_CLASS, state->text,
                              WS_CHILD | WS_VISIBLE | WS_GROUP | FTS_PLAIN, kTextLeft, kTextTop, 0,
                              0, box, reinterpret_cast<HMENU>(MSGBOX_TEXT_ID), module, nullptr);
  SendMessageW(text, FTM_SETMARGIN, 2, 0);
  int textWidth = width - 32 - 2 * frameX - 60;
  int textHeight = TextHeight(text, textWidth);
  // A text taller than wide reads badly: widen the box once and measure again.
  if (textHeight >= textWidth && width < kWideBox) {
    width = kWideBox;
    textWidth = 440 - 32 - 2 * frameX;
    textHeight = TextHeight(text, textWidth);
  }
  const int below = 2 * frameY + GetSystemMetrics(SM_CYCAPTION) + state->buttonHeight + 56;
  const int height = std::max<int>(textHeight + below, least.bottom - least.top);
  textHeight = height - below;
  MoveWindow(text, kTextLeft, kTextTop, textWidth, textHeight, FALSE);

  state->animationId = AnimationFor(state->flags);
  state->animationAt = {20, textHeight / 2 - 16 + kTextTop};
  ShowBoxAnimation(box, state);

  const RECT work = WorkAreaOf(GetWindow(box, GW_OWNER));
  MoveWindow(box, work.left + (work.right - work.left) / 2 - width / 2,
             work.top + (work.bottom - work.top) / 2 - height / 2, width, height, FALSE);
  const int gap = (width - set.count * state->buttonWidth - 2 * frameX) / (set.count + 1);
  for (int i = 0; i < set.count; ++i)
    if (buttons[i])
      MoveWindow(buttons[i], gap + i * (state->buttonWidth + gap), textHeight + 42,
                 state->buttonWidth, state->buttonHeight, FALSE);
  return buttons[FirstFocus(state->flags, set.count)];
}
