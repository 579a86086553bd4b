// Threads of the scan worker pool. Neutral header: the program implements it with Win32
// threads, since the workers call into code that sends window messages; native tests link
// a POSIX implementation instead. Any thread may call.
#pragma once

#include <cstdint>

struct PoolThread;  // opaque handle of a started thread

typedef uint32_t (*PoolThreadEntry)(void* arg);

// Runs entry(arg) on a new thread with the default stack and writes the thread's identifier
// to *threadId before returning. Returns the handle (released by PoolJoinThread or
// PoolCloseThread), or null when no thread could be started.
PoolThread* PoolStartThread(PoolThreadEntry entry, void* arg, uint32_t* threadId);
// Waits until the thread has returned, then releases its handle.
void PoolJoinThread(PoolThread* thread);
// Releases the handle without waiting; used by a thread for its own handle.
void PoolCloseThread(PoolThread* thread);
// The identifier of the calling thread, as PoolStartThread reports it.
uint32_t PoolCurrentThreadId();
