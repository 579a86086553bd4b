// Native test programs have no GetTickCount.
#include <time.h>

#include "net/NetService.h"

uint32_t NetTickMs() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<uint32_t>(now.tv_sec * 1000 + now.tv_nsec / 1000000);
}
