// Stands in for the pool's threads in a program where no thread can be started.
#include "scandb/PoolThreads.h"

PoolThread* PoolStartThread(PoolThreadEntry, void*, uint32_t*) { return nullptr; }
void PoolJoinThread(PoolThread*) {}
void PoolCloseThread(PoolThread*) {}
uint32_t PoolCurrentThreadId() { return 0; }
