// A function of a library looked up at run time, as its own pointer type (null when missing).
#pragma once

#include <windows.h>

template <typename Fn>
Fn FindProc(HMODULE module, const char* name) {
  // Through void*: FARPROC's own type does not match any real signature.
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}
