// Native test programs have no Windows code page; Latin-1 stands in for it.
#include <cstring>

#include "toolkit/AnsiCodePage.h"

int AnsiToWide(const char* text, int bytes, char16_t* out, int size) {
  if (!text) return 0;
  if (bytes < 0) bytes = static_cast<int>(strlen(text));
  if (!out) return bytes;
  const int n = bytes < size ? bytes : size;
  for (int i = 0; i < n; ++i) out[i] = static_cast<unsigned char>(text[i]);
  return n;
}
