#include <windows.h>

#include "app/StringTable.h"
#include "net/NetService.h"

const char16_t* NetLoadedText(int slot) {
  return slot >= 0 && slot < STRTBL_SLOTS ? strtbl[slot] : nullptr;
}

uint32_t NetTickMs() { return GetTickCount(); }
