// The progress graphic on the worksheet window and its console form.
#include <string>

#include "engine/LinkFinder.h"
#include "engine/ProgressGraphic.h"
#include "engine/ProgressMath.h"
#include "engine/TextHelpers.h"
#include "toolkit/Format.h"
#include "toolkit/LanguageText.h"

namespace {

constexpr uint64_t kRedrawMs = 250;

}  // namespace

void CLinkFinder::DrawRelativeProgress(int force) {
  const uint64_t now = GetTimeMs1900();
  if (!force && now - lastDraw < kRedrawMs) return;
  lastDraw = now;
  const uint64_t started = runStart;
  ProgressFigures figures = {found,
                             processed,
                             broken,
                             checked,
                             bytesSent,
                             bytesReceived,
                             timeElapsed + (started && now > started ? now - started : 0)};
  HWND window = worksheetWnd;
  if (window && IsWindow(window) && !IsIconic(window)) {
    RECT client;
    GetClientRect(window, &client);
    const int left = static_cast<int>(SendMessageW(window, WM_FINDER_PANEL_WIDTH, 0, 0));
    const int width = client.right - client.left - left - 20;
    HDC dc = width > 0 ? GetDC(window) : nullptr;
    if (dc) {
      HDC memory = CreateCompatibleDC(dc);
      HBITMAP bitmap = CreateCompatibleBitmap(dc, width, kProgressHeight);
      HGDIOBJ old = SelectObject(memory, bitmap);
      const ProgressLabels labels = {
          LanguageText(STR_Total_Found),   LanguageText(STR_Total_Processed),
          LanguageText(STR_Total_Broken),  LanguageText(STR_Total_Unique),
          LanguageText(STR_Total_Sent),    LanguageText(STR_Total_Received),
          LanguageText(STR_Total_Elapsed), LanguageText(STR_Total_Left)};
      DrawProgressGraphic(memory, width, figures, labels);
      BitBlt(dc, client.left + left + 10, client.bottom - 60, width, kProgressHeight, memory, 0, 0,
             SRCCOPY);
      SelectObject(memory, old);
      DeleteObject(bitmap);
      DeleteDC(memory);
      ReleaseDC(window, dc);
    }
  }
  if (consoleType == CONSOLE_PROGRESS) DrawConsoleProgress();
}

void CLinkFinder::DrawConsoleProgress() {
  HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
  CONSOLE_SCREEN_BUFFER_INFO info;
  int width = 80;
  // Redirected, the handle is no console: the lines follow each other where they fall.
  if (GetConsoleScreenBufferInfo(err, &info)) {
    width = info.dwSize.X;
    if (consoleCursor.X >= 0) SetConsoleCursorPosition(err, consoleCursor);
  }
  if (width < 3) width = 3;
  const uint32_t f = found;
  const uint32_t p = processed;
  const uint32_t b = broken;
  WCHAR line[100];
  FormatStringW(line, 100, u"%c %s: %d   %c %s: %d   %c %s: %d\n", 176,
                LanguageText(STR_Total_Found), static_cast<int>(f), 177,
                LanguageText(STR_Total_Processed), static_cast<int>(p), 178,
                LanguageText(STR_Total_Broken), static_cast<int>(b));
  char text[100];
  const int bytes = WideCharToMultiByte(CP_ACP, 0, line, -1, text, sizeof text, nullptr, nullptr);
  DWORD written = 0;
  if (bytes > 1) WriteFile(err, text, static_cast<DWORD>(bytes - 1), &written, nullptr);
  const int32_t length = width - 1;
  const int32_t doneLength = BarLength(length, f, p);
  const int32_t brokenLength = BarLength(length, f, b);
  std::string bar(1, '[');
  for (int32_t i = 1; i <= width - 2; ++i) {
    bar += static_cast<char>(i <= brokenLength ? 178 : i <= doneLength ? 177 : 176);
  }
  bar += "]\n";
  WriteFile(err, bar.data(), static_cast<DWORD>(bar.size()), &written, nullptr);
}

// Exported members take the object first, as a member call does on this platform.
extern "C" {

void WINAPI CLinkFinder_DrawRelativeProgress(CLinkFinder* finder, int force) {
  finder->DrawRelativeProgress(force);
}
}
