// The installer library's entry point; keeps its module handle.
#include "setup/Module.h"

namespace {
HMODULE g_module;
}

HMODULE SetupModule() { return g_module; }

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) g_module = module;
  return TRUE;
}
