// What the network clients take from the program: its language texts and a millisecond clock.
#include <windows.h>

#include "net/NetService.h"

uint32_t NetTickMs() { return GetTickCount(); }
