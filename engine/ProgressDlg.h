// CProgressDlg: the small modeless window the engine shows over its owner while it opens,
// moves, exports or prepares a re-check of a worksheet database. It disables the owner
// while it lives and enables it again when destroyed. Windows-side header; every member
// belongs to the thread that created the window.
#pragma once

#include <windows.h>

class CProgressDlg {
 public:
  // Null when the window cannot be made. The texts are copied; the caller keeps them.
  static CProgressDlg* Create(HWND owner, const WCHAR* firstLine, const WCHAR* secondLine,
                              bool cancellable);
  CProgressDlg(const CProgressDlg&) = delete;
  CProgressDlg& operator=(const CProgressDlg&) = delete;

  void SetRange(int low, int high);
  void SetPos(int position);
  // Moves the bar and handles the thread's waiting messages when the bar moved or 50 ms
  // have passed since they were last handled, so the cancel button keeps answering.
  void Step(int position);
  int IsCancelled() const { return cancelled; }
  // Handles the waiting messages of the thread; a WM_QUIT met here is posted again and
  // ends the loop, so the program still ends.
  static void DispatchPendingMessages();
  // Enables the owner, destroys the window and frees the object.
  void Destroy();
  HWND Window() const { return window; }

 private:
  CProgressDlg() = default;
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  HWND window = nullptr;
  HWND owner = nullptr;
  HINSTANCE instance = nullptr;
  BYTE cancellable = 0;
  BYTE cancelled = 0;
  int shown = -1;
  DWORD lastPump = 0;
};

// The progress window an engine operation shows while it runs, destroyed on every way out.
class ProgressWindow {
 public:
  ProgressWindow(HWND owner, const WCHAR* firstLine, const WCHAR* secondLine, bool cancellable)
      : dialog(owner ? CProgressDlg::Create(owner, firstLine, secondLine, cancellable) : nullptr) {
    if (dialog) dialog->SetRange(0, 100);
  }
  ~ProgressWindow() {
    if (dialog) dialog->Destroy();
  }
  ProgressWindow(const ProgressWindow&) = delete;
  ProgressWindow& operator=(const ProgressWindow&) = delete;
  CProgressDlg* operator->() const { return dialog; }
  explicit operator bool() const { return dialog != nullptr; }
  CProgressDlg* get() const { return dialog; }

 private:
  CProgressDlg* dialog;
};
