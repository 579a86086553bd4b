#include "tests/support/WinHarness.h"

#include <cstdlib>
#include <utility>
#include <vector>

#include "tests/support/PngFile.h"

namespace {

thread_local std::function<void()>* tTimerAction = nullptr;
thread_local std::function<bool(MSG*)> tPumpFilter;

void CALLBACK TimerAction(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  std::function<void()>* action = tTimerAction;
  tTimerAction = nullptr;
  if (!action) return;
  (*action)();
  delete action;
}

// Dialog classes, the system's and the toolkit's own, keep the dialog manager's extra bytes.
bool IsDialog(HWND window) {
  return window && GetClassLongW(window, GCL_CBWNDEXTRA) >= DLGWINDOWEXTRA;
}

struct FileDialogAnswer {
  std::u16string path;
  bool cancel;
  DWORD ms;
};

BOOL CALLBACK FindFileDialog(HWND window, LPARAM found) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  WCHAR name[16] = {};
  GetClassNameW(window, name, 16);
  if (process != GetCurrentProcessId() || !IsWindowVisible(window) ||
      std::u16string(name) != u"#32770")
    return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

DWORD WINAPI AnswerFileDialogThread(void* parameter) {
  auto* answer = static_cast<FileDialogAnswer*>(parameter);
  HWND dialog = nullptr;
  for (DWORD start = GetTickCount(); !dialog && GetTickCount() - start < answer->ms;) {
    EnumWindows(FindFileDialog, reinterpret_cast<LPARAM>(&dialog));
    if (!dialog) Sleep(50);
  }
  if (dialog && !answer->cancel) {
    constexpr int kFileNameBox = 0x47C;
    SetDlgItemTextW(dialog, kFileNameBox, answer->path.c_str());
  }
  if (dialog) PostMessageW(dialog, WM_COMMAND, answer->cancel ? IDCANCEL : IDOK, 0);
  delete answer;
  return 0;
}

}  // namespace

HANDLE AnswerFileDialog(const char16_t* path, DWORD ms) {
  auto* answer = new FileDialogAnswer{path ? path : u"", path == nullptr, ms};
  HANDLE thread = CreateThread(nullptr, 0, AnswerFileDialogThread, answer, 0, nullptr);
  if (!thread) delete answer;
  return thread;
}

void PumpMessages(DWORD ms) {
  DWORD start = GetTickCount();
  for (;;) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (tPumpFilter && tPumpFilter(&message)) continue;
      HWND active = GetActiveWindow();
      if (IsDialog(active) && IsDialogMessageW(active, &message)) continue;
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    DWORD elapsed = GetTickCount() - start;
    if (elapsed >= ms) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - elapsed, QS_ALLINPUT);
  }
}

void SetPumpFilter(std::function<bool(MSG*)> filter) { tPumpFilter = std::move(filter); }

void RunFromTimer(UINT ms, std::function<void()> action) {
  delete tTimerAction;
  tTimerAction = new std::function<void()>(std::move(action));
  SetTimer(nullptr, 0, ms, TimerAction);
}

void BringToFront(HWND window, HWND focus) {
  SetForegroundWindow(window);
  SetActiveWindow(window);
  SetFocus(focus ? focus : window);
  PumpMessages(30);
}

namespace {

// SendInput queues the input at once; pumping until none is left delivers it however
// slowly the machine runs.
void DeliverInput() {
  DWORD start = GetTickCount();
  do {
    PumpMessages(15);
  } while (HIWORD(GetQueueStatus(QS_INPUT)) != 0 && GetTickCount() - start < 5000);
}

void SendKey(WORD vk, DWORD flags) {
  INPUT input = {};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = vk;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
  input.ki.dwFlags = flags;
  SendInput(1, &input, sizeof(input));
  DeliverInput();
}

void SendMouse(DWORD flags, LONG x, LONG y) {
  INPUT input = {};
  input.type = INPUT_MOUSE;
  input.mi.dx = x;
  input.mi.dy = y;
  input.mi.dwFlags = flags;
  SendInput(1, &input, sizeof(input));
  DeliverInput();
}

}  // namespace

void KeyDown(WORD vk) { SendKey(vk, 0); }
void KeyUp(WORD vk) { SendKey(vk, KEYEVENTF_KEYUP); }
void PressKey(WORD vk) {
  KeyDown(vk);
  KeyUp(vk);
}

void TypeText(const char16_t* text) {
  for (; *text; ++text) {
    INPUT keys[2] = {};
    for (INPUT& key : keys) {
      key.type = INPUT_KEYBOARD;
      key.ki.wScan = *text;
      key.ki.dwFlags = KEYEVENTF_UNICODE;
    }
    keys[1].ki.dwFlags |= KEYEVENTF_KEYUP;
    SendInput(2, keys, sizeof(INPUT));
  }
  DeliverInput();
}

void MouseMoveTo(HWND window, int x, int y) {
  POINT point = {x, y};
  ClientToScreen(window, &point);
  int width = GetSystemMetrics(SM_CXSCREEN);
  int height = GetSystemMetrics(SM_CYSCREEN);
  // Absolute coordinates map 0..65535 onto the screen; the centre of each pixel.
  SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, (point.x * 65536 + 32768) / width,
            (point.y * 65536 + 32768) / height);
}

void MouseButton(bool down) { SendMouse(down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP, 0, 0); }

RECT WindowRectIn(HWND window, HWND parent) {
  RECT r;
  GetWindowRect(window, &r);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

COLORREF PixelAt(HWND window, int x, int y) {
  HDC dc = GetDC(window);
  COLORREF colour = GetPixel(dc, x, y);
  ReleaseDC(window, dc);
  return colour;
}

// Wine answers GetObjectType for a bare table index whatever the handle's generation.
int LiveGdiObjects() {
  int n = 0;
  for (ULONG_PTR index = 1; index < 0x10000; ++index)
    n += GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0;
  return n;
}

const char* CaptureFolder() {
  const char* folder = std::getenv("TL_CAPTURE_DIR");
  return folder && *folder ? folder : nullptr;
}

bool CaptureWindowPng(HWND window, const std::string& unixPath) {
  RECT bounds;
  if (!GetWindowRect(window, &bounds)) return false;
  int width = bounds.right - bounds.left;
  int height = bounds.bottom - bounds.top;
  if (width <= 0 || height <= 0) return false;
  HDC windowDC = GetWindowDC(window);
  HDC memory = CreateCompatibleDC(windowDC);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(windowDC, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, windowDC, 0, 0, SRCCOPY);
  GdiFlush();
  std::vector<uint8_t> rgb(size_t(width) * height * 3);
  const auto* pixels = static_cast<const uint8_t*>(bits);
  for (size_t i = 0; bits && i < size_t(width) * height; ++i) {
    rgb[i * 3] = pixels[i * 4 + 2];
    rgb[i * 3 + 1] = pixels[i * 4 + 1];
    rgb[i * 3 + 2] = pixels[i * 4];
  }
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(window, windowDC);
  return bits && WritePng(unixPath, width, height, rgb.data());
}
