// Switches only the tests' twin of the library exports.
#include "setup/ProcessCleanup.h"
#include "setup/UninstallRemover.h"

extern "C" void WINAPI ForceToolhelp(int on) { g_forceToolhelp = on != 0; }

extern "C" void WINAPI ForceOpenForWritingError(DWORD error) { g_forcedOpenError = error; }
