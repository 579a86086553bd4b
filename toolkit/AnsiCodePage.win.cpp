#include <windows.h>

#include <cstring>

#include "toolkit/AnsiCodePage.h"

int AnsiToWide(const char* text, int bytes, char16_t* out, int size) {
  if (!text) return 0;
  if (bytes < 0) bytes = static_cast<int>(strlen(text));
  if (bytes == 0) return 0;
  return MultiByteToWideChar(CP_ACP, 0, text, bytes, out, out ? size : 0);
}
