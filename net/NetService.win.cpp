// What the network clients take from the program: its language texts and a millisecond clock.
#include <windows.h>

#include "app/StringTable.h"
#include "net/NetService.h"

const char16_t* NetLoadedText(int slot) {
  return slot >= 0 && slot < STRTBL_SLOTS ? strtbl[slot] : nullptr;
}

uint32_t NetTickMs() { return GetTickCount(); }
