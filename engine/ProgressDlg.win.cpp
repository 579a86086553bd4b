// CProgressDlg: the modeless progress window shown while a worksheet is opened, saved or exported.
// GUI thread.
#include "engine/ProgressDlg.h"

#include <commctrl.h>

#include <new>
#include <vector>

#include "toolkit/Format.h"
#include "toolkit/LanguageText.h"
#include "toolkit/WindowState.h"

namespace {

constexpr int kTextId = 100;
constexpr int kBarId = 101;

// A dialog template without controls: header, no menu, default class, caption, font.
std::vector<WORD> DialogTemplate(bool cancellable) {
  std::vector<WORD> words(sizeof(DLGTEMPLATE) / sizeof(WORD), 0);
  DLGTEMPLATE* head = reinterpret_cast<DLGTEMPLATE*>(words.data());
  head->style = 0x90C000C4;
  head->cdit = 0;
  head->x = 10;
  head->y = 0;
  head->cx = 250;
  head->cy = cancellable ? 70 : 50;
  words.push_back(0);
  words.push_back(0);
  for (const char16_t* p = u"Tessaline Lite"; *p; ++p) words.push_back(*p);
  words.push_back(0);
  words.push_back(8);
  for (const char16_t* p = u"MS Sans Serif"; *p; ++p) words.push_back(*p);
  words.push_back(0);
  return words;
}

HWND Child(HWND parent, const WCHAR* cls, const WCHAR* text, DWORD style, int id, int x, int y,
           int w, int h, HFONT font) {
  HWND child = CreateWindowExW(
      0, cls, text, style, x, y, w, h, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
      reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE)), nullptr);
  if (child) SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return child;
}

}  // namespace

CProgressDlg* CProgressDlg::Create(HWND owner, const WCHAR* firstLine, const WCHAR* secondLine,
                                   bool cancellable) {
  CProgressDlg* dialog = new (std::nothrow) CProgressDlg;
  if (!dialog) return nullptr;
  dialog->owner = owner;
  dialog->instance = GetModuleHandleW(nullptr);
  dialog->cancellable = cancellable ? 1 : 0;
  EnableWindow(owner, FALSE);
  std::vector<WORD> words = DialogTemplate(cancellable);
  dialog->window =
      CreateDialogIndirectParamW(dialog->instance, reinterpret_cast<DLGTEMPLATE*>(words.data()),
                                 owner, DialogProc, reinterpret_cast<LPARAM>(dialog));
  if (!dialog->window) {
    EnableWindow(owner, TRUE);
    delete dialog;
    return nullptr;
  }
  const int size = FormatStringW(nullptr, 0, u"%s\r\n%s", firstLine ? firstLine : u"",
                                 secondLine ? secondLine : u"") +
                   1;
  std::vector<WCHAR> text(static_cast<size_t>(size));
  FormatStringW(text.data(), size, u"%s\r\n%s", firstLine ? firstLine : u"",
                secondLine ? secondLine : u"");
  SetDlgItemTextW(dialog->window, kTextId, text.data());
  SendDlgItemMessageW(dialog->window, kTextId, EM_SETSEL, 0, 0);
  UpdateWindow(dialog->window);
  return dialog;
}

void CProgressDlg::SetRange(int low, int high) {
  SendDlgItemMessageW(window, kBarId, PBM_SETRANGE, 0, MAKELPARAM(low, high));
}

void CProgressDlg::SetPos(int position) {
  shown = position;
  SendDlgItemMessageW(window, kBarId, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

void CProgressDlg::Step(int position) {
  // Handling messages per row repainted the lists being filled once per row: a large
  // worksheet loaded several times slower behind its progress window.
  constexpr DWORD kPumpIntervalMs = 50;
  const DWORD now = GetTickCount();
  if (position == shown && now - lastPump < kPumpIntervalMs) return;
  if (position != shown) SetPos(position);
  lastPump = now;
  DispatchPendingMessages();
}

void CProgressDlg::DispatchPendingMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void CProgressDlg::Destroy() {
  EnableWindow(owner, TRUE);
  DestroyWindow(window);
  delete this;
}

INT_PTR CALLBACK CProgressDlg::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG)
    SetWindowState(window, DWLP_USER, reinterpret_cast<CProgressDlg*>(lParam));
  auto* dialog = WindowState<CProgressDlg*>(window, DWLP_USER);
  return dialog ? dialog->HandleMessage(window, message, wParam, lParam) : 0;
}

INT_PTR CProgressDlg::HandleMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    RECT ownerRect = {0, 0, 0, 0};
    RECT self = {0, 0, 0, 0};
    RECT work = {0, 0, 0, 0};
    GetWindowRect(owner, &ownerRect);
    GetWindowRect(dialog, &self);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int x =
        ownerRect.left + (ownerRect.right - ownerRect.left - (self.right - self.left)) / 2;
    const int y = ownerRect.top + (ownerRect.bottom - ownerRect.top - (self.bottom - self.top)) / 2;
    SetWindowPos(dialog, nullptr, x - work.left, y - work.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);
    HWND foreground = GetForegroundWindow();
    const DWORD theirs = foreground ? GetWindowThreadProcessId(foreground, nullptr) : 0;
    const DWORD ours = GetCurrentThreadId();
    const bool attach = theirs && theirs != ours && AttachThreadInput(ours, theirs, TRUE);
    SetForegroundWindow(dialog);
    if (attach) AttachThreadInput(ours, theirs, FALSE);

    HFONT font = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
    RECT client;
    GetClientRect(dialog, &client);
    const int width = client.right - 20;
    Child(dialog, u"EDIT", u"", 0x50000844, kTextId, 10, 5, width, 40, font);
    Child(dialog, PROGRESS_CLASSW, u"", WS_CHILD | WS_VISIBLE, kBarId, 10,
          client.bottom - (cancellable ? 50 : 30), width, 20, font);
    if (cancellable) {
      Child(dialog, u"BUTTON", LanguageListText(STR_CAPTIONS, 1),
            WS_CHILD | WS_VISIBLE | WS_TABSTOP, IDCANCEL, client.right - 90, client.bottom - 28, 80,
            24, font);
    }
    return 0;
  }
  if (message == WM_COMMAND) {
    if (LOWORD(wParam) == IDCANCEL && cancellable) cancelled = 1;
    return 1;
  }
  return 0;
}
