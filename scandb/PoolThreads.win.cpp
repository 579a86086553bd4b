// The worker pool's threads as Win32 threads, so they may call Win32.
#include <windows.h>

#include <new>

#include "scandb/PoolThreads.h"

namespace {

struct StartBlock {
  PoolThreadEntry entry;
  void* arg;
};

DWORD WINAPI Trampoline(void* param) {
  StartBlock block = *static_cast<StartBlock*>(param);
  delete static_cast<StartBlock*>(param);
  return block.entry(block.arg);
}

}  // namespace

PoolThread* PoolStartThread(PoolThreadEntry entry, void* arg, uint32_t* threadId) {
  StartBlock* block = new (std::nothrow) StartBlock{entry, arg};
  if (!block) return nullptr;
  DWORD id = 0;
  HANDLE thread = CreateThread(nullptr, 0, Trampoline, block, 0, &id);
  if (!thread) {
    delete block;
    return nullptr;
  }
  if (threadId) *threadId = id;
  return reinterpret_cast<PoolThread*>(thread);
}

void PoolJoinThread(PoolThread* thread) {
  if (!thread) return;
  WaitForSingleObject(reinterpret_cast<HANDLE>(thread), INFINITE);
  CloseHandle(reinterpret_cast<HANDLE>(thread));
}

void PoolCloseThread(PoolThread* thread) {
  if (thread) CloseHandle(reinterpret_cast<HANDLE>(thread));
}

uint32_t PoolCurrentThreadId() { return GetCurrentThreadId(); }
