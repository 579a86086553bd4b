// Conversions through the process's ANSI code page.
#include <windows.h>

#include <cstring>

#include "toolkit/AnsiCodePage.h"

int AnsiToWide(const char* text, int bytes, char16_t* out, int size) {
  if (!text) return 0;
  if (bytes < 0) bytes = static_cast<int>(strlen(text));
  if (bytes == 0) return 0;
  return MultiByteToWideChar(CP_ACP, 0, text, bytes, out, out ? size : 0);
}

int WideToAnsi(const char16_t* text, int units, char* out, int size) {
  if (!text) return 0;
  if (units < 0) units = lstrlenW(text);
  if (units == 0) return 0;
  return WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, units, out, out ? size : 0,
                             nullptr, nullptr);
}
