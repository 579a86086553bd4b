// Native programs have no Win32 threads; POSIX threads stand in for the pool's threads.
#include <pthread.h>

#include <atomic>
#include <new>

#include "scandb/PoolThreads.h"

struct PoolThread {
  pthread_t thread;
  PoolThreadEntry entry;
  void* arg;
  uint32_t id;
};

namespace {

std::atomic<uint32_t> nextId{1};
thread_local uint32_t currentId = 0;

void* Run(void* param) {
  PoolThread* thread = static_cast<PoolThread*>(param);
  currentId = thread->id;
  thread->entry(thread->arg);
  return nullptr;
}

}  // namespace

PoolThread* PoolStartThread(PoolThreadEntry entry, void* arg, uint32_t* threadId) {
  PoolThread* thread = new (std::nothrow) PoolThread{pthread_t(), entry, arg, nextId++};
  if (!thread) return nullptr;
  // The identifier is known before the thread runs, as with CreateThread.
  if (threadId) *threadId = thread->id;
  if (pthread_create(&thread->thread, nullptr, Run, thread) != 0) {
    delete thread;
    return nullptr;
  }
  return thread;
}

void PoolJoinThread(PoolThread* thread) {
  if (!thread) return;
  pthread_join(thread->thread, nullptr);
  delete thread;
}

void PoolCloseThread(PoolThread* thread) {
  if (!thread) return;
  pthread_detach(thread->thread);
  delete thread;  // Run no longer reads it once the entry is running
}

uint32_t PoolCurrentThreadId() {
  if (currentId == 0) currentId = nextId++;
  return currentId;
}
