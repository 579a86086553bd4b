#include <windows.h>

#include "net/NetService.h"

uint32_t NetTickMs() { return GetTickCount(); }
