// The library's own module handle, kept by DllMain on process attach.
#pragma once

#include <windows.h>

HMODULE SetupModule();
