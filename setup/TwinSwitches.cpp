// Switches only the tests' twin of the library exports.
#include "setup/ProcessCleanup.h"

extern "C" void WINAPI ForceToolhelp(int on) { g_forceToolhelp = on != 0; }
