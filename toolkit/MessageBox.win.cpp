// The toolkit's message box: its window, buttons, answers and owner handling. GUI thread.
#include "toolkit/MessageBox.h"

#include <cstdarg>
#include <cstdlib>
#include <vector>

#include "toolkit/Format.h"
#include "toolkit/FormattedText.h"
#include "toolkit/MessageBoxState.h"
#include "toolkit/PushButton.h"
#include "toolkit/WindowState.h"

tagCUSTOMCONTROLS g_customControls;

namespace {

constexpr const char16_t* kBoxClass = u"ANIMATED_MESSAGE_BOX_CLASS";

ATOM RegisterControls() {
  RegisterFormattedTextClass();
  return RegisterPushButtonClass();
}

// Every box looks alike, so the class keeps the close box off for all of them.
void RegisterBoxClass() {
  HINSTANCE module = g_customControls.module ? g_customControls.module : GetModuleHandleW(nullptr);
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof(wc);
  if (GetClassInfoExW(module, kBoxClass, &wc)) return;
  wc.style = CS_GLOBALCLASS | CS_NOCLOSE | CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = DefDlgProcW;
  wc.cbWndExtra = DLGWINDOWEXTRA + sizeof(void*);
  wc.hInstance = module;
  if (g_customControls.module && g_customControls.iconName)
    wc.hIcon = LoadIconW(g_customControls.module, g_customControls.iconName);
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kBoxClass;
  RegisterClassExW(&wc);
}

// An in-memory dialog template without items: the box places its controls itself.
std::vector<WORD> BoxTemplate(const char16_t* caption) {
  std::vector<WORD> words;
  auto dword = [&words](DWORD value) {
    words.push_back(LOWORD(value));
    words.push_back(HIWORD(value));
  };
  auto text = [&words](const char16_t* value) {
    for (; *value; ++value) words.push_back(*value);
    words.push_back(0);
  };
  dword(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT);
  dword(0);
  for (WORD value : {0, 0, 0, 200, 80, 0}) words.push_back(value);
  text(kBoxClass);
  text(caption ? caption : u"");
  words.push_back(8);
  text(u"MS Sans Serif");
  return words;
}

HWND TopLevelOf(HWND window) {
  while (window && (GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD)) {
    HWND parent = GetParent(window);
    if (!parent) break;
    window = parent;
  }
  return window;
}

// Escape and Enter come as IDCANCEL and IDOK; each type answers them with its own buttons.
int AnswerFor(UINT flags, int id) {
  switch (flags & 7) {
    case MB_OKCANCEL:
      return id;
    case MB_ABORTRETRYIGNORE:
      return id == IDCANCEL ? IDABORT : id == IDOK ? IDRETRY : id;
    case MB_YESNOCANCEL:
      return id == IDOK ? IDYES : id;
    case MB_YESNO:
      return id == IDCANCEL ? IDNO : id == IDOK ? IDYES : id;
    case MB_RETRYCANCEL:
      return id == IDOK ? IDRETRY : id;
  }
  return id == IDCANCEL ? IDOK : id;
}

void EnableOwner(MessageBoxState* state) {
  if (state->disabledOwner) EnableWindow(state->disabledOwner, TRUE);
  state->disabledOwner = nullptr;
}

// The box's loop watches `ended`; its own quit message would merge with one the program
// posts meanwhile, so a thread message only wakes the loop.
void Finish(MessageBoxState* state, int id) {
  state->result = AnswerFor(state->flags, id);
  state->ended = true;
  EnableOwner(state);
  PostMessageW(nullptr, WM_NULL, 0, 0);
}

void EndBox(HWND box, MessageBoxState* state, int id) {
  if (state->ended) return;
  Finish(state, id);
  DestroyWindow(box);
}

void OnCommand(HWND box, MessageBoxState* state, int id) {
  if (id == MSGBOX_COPY_ID) {
    SendDlgItemMessageW(box, MSGBOX_TEXT_ID, WM_COPY, 0, 0);
    return;
  }
  if (id < IDOK || id > IDNO) return;
  // Enter on a button means that button.
  if (id == IDOK) {
    HWND focus = GetFocus();
    const int focused = focus && GetParent(focus) == box ? GetDlgCtrlID(focus) : 0;
    if (focused >= IDOK && focused <= IDNO) id = focused;
  }
  EndBox(box, state, id);
}

void ShowCopyMenu(HWND box) {
  HMENU menu = CreatePopupMenu();
  if (!menu) return;
  const std::u16string copy = BoxCaption(MSGBOX_COPY_CAPTION);
  AppendMenuW(menu, MF_STRING, MSGBOX_COPY_ID, copy.c_str());
  POINT cursor;
  GetCursorPos(&cursor);
  TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, box, nullptr);
  DestroyMenu(menu);
}

void PaintEtchedLine(HWND box, MessageBoxState* state) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(box, &paint);
  RECT client;
  GetClientRect(box, &client);
  const int y = client.bottom - state->buttonHeight - 28;
  RECT line = {0, y, client.right, y + 1};
  FillRect(dc, &line, GetSysColorBrush(COLOR_BTNSHADOW));
  OffsetRect(&line, 0, 1);
  FillRect(dc, &line, GetSysColorBrush(COLOR_BTNHIGHLIGHT));
  EndPaint(box, &paint);
}

void TrimSystemMenu(HWND box) {
  HMENU menu = GetSystemMenu(box, FALSE);
  if (!menu) return;
  for (int i = GetMenuItemCount(menu) - 1; i >= 0; --i)
    if (GetMenuItemID(menu, i) != SC_MOVE) DeleteMenu(menu, i, MF_BYPOSITION);
}

INT_PTR CALLBACK BoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* state = reinterpret_cast<MessageBoxState*>(lParam);
    SetWindowState(box, DLGWINDOWEXTRA, state);
    TrimSystemMenu(box);
    PlayBoxSound(state->flags);
    if (HWND first = LayOutMessageBox(box, state))
      SendMessageW(box, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(first), TRUE);
    return FALSE;
  }
  MessageBoxState* state = BoxStateOf(box);
  if (!state) return FALSE;
  switch (message) {
    case WM_COMMAND:
      OnCommand(box, state, LOWORD(wParam));
      return TRUE;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->idFrom == MSGBOX_TEXT_ID && header->code == static_cast<UINT>(NM_RCLICK))
        ShowCopyMenu(box);
      return TRUE;
    }
    case WM_PAINT:
      PaintEtchedLine(box, state);
      return TRUE;
    case WM_SYSCOLORCHANGE:
      if (state->animation.window) DestroyWindow(state->animation.window);
      state->animation.window = nullptr;
      ShowBoxAnimation(box, state);
      return TRUE;
    case WM_DESTROY:
      // Destroyed from outside (with its owner, say): the loop must still end.
      if (!state->ended) Finish(state, IDCANCEL);
      ClearWindowState(box, DLGWINDOWEXTRA);
      return TRUE;
  }
  return FALSE;
}

}  // namespace

int InitCustomControls(HINSTANCE module, const char16_t* iconName, const char16_t* bitmapName,
                       int handAnimation, int questionAnimation, int otherAnimation) {
  g_customControls = {module,        iconName,          bitmapName,
                      handAnimation, questionAnimation, otherAnimation};
  return RegisterControls();
}

int AnimatedMessageBox(HWND owner, const char16_t* format, const char16_t* caption, UINT flags,
                       ...) {
  va_list args;
  va_start(args, flags);
  va_list measure;
  va_copy(measure, args);
  // The length query leaves out the terminator.
  const int length = FormatStringWV(nullptr, 0, format, measure);
  va_end(measure);
  char16_t* text = static_cast<char16_t*>(calloc(length + 1, sizeof(char16_t)));
  if (text) FormatStringWV(text, length + 1, format, args);
  va_end(args);
  if (!text) return 0;

  MessageBoxState state;
  state.flags = flags;
  state.text = text;
  HWND top = TopLevelOf(owner);
  if (top && IsWindowEnabled(top)) {
    EnableWindow(top, FALSE);
    state.disabledOwner = top;
  }
  RegisterControls();
  RegisterBoxClass();
  const std::vector<WORD> dialog = BoxTemplate(caption);
  HWND box = CreateDialogIndirectParamW(
      g_customControls.module ? g_customControls.module : GetModuleHandleW(nullptr),
      reinterpret_cast<LPCDLGTEMPLATEW>(dialog.data()), top, BoxProc,
      reinterpret_cast<LPARAM>(&state));
  // The text control keeps a copy.
  free(text);
  state.text = nullptr;
  bool quit = false;
  WPARAM exitCode = 0;
  if (box) {
    ShowWindow(box, SW_SHOW);
    UpdateWindow(box);
    SetForegroundWindow(box);
  }
  while (box && !state.ended) {
    MSG message;
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got <= 0) {
      quit = got == 0;
      exitCode = message.wParam;
      EndBox(box, &state, IDCANCEL);
      break;
    }
    if (message.message == WM_SYSKEYDOWN && message.wParam == VK_F4 &&
        (HIWORD(message.lParam) & KF_ALTDOWN)) {
      SendMessageW(box, WM_COMMAND, IDCANCEL, 0);
      continue;
    }
    if (IsDialogMessageW(box, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  EnableOwner(&state);
  if (state.images) ImageList_Destroy(state.images);
  if (quit) PostQuitMessage(static_cast<int>(exitCode));
  return state.result;
}
