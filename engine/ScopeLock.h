// A critical section owned by the object it guards, and a lock held for one scope.
// Windows-side header; any Wine thread.
#pragma once

#include <windows.h>

class CriticalSection {
 public:
  CriticalSection() { InitializeCriticalSection(&section_); }
  ~CriticalSection() { DeleteCriticalSection(&section_); }
  CriticalSection(const CriticalSection&) = delete;
  CriticalSection& operator=(const CriticalSection&) = delete;
  CRITICAL_SECTION* Get() { return &section_; }

 private:
  CRITICAL_SECTION section_;
};

class ScopeLock {
 public:
  explicit ScopeLock(CriticalSection& section) : section_(section) {
    EnterCriticalSection(section_.Get());
  }
  ~ScopeLock() { LeaveCriticalSection(section_.Get()); }
  ScopeLock(const ScopeLock&) = delete;
  ScopeLock& operator=(const ScopeLock&) = delete;

 private:
  CriticalSection& section_;
};
