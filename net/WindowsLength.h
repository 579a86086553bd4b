// The out-length of the exported download members: a Windows caller's unsigned long holds
// 32 bits, the classes' (Linux) one 64, so the call fills its own and the caller gets a
// DWORD. Windows-side header.
#pragma once

#include <windows.h>

#include "net/StatusType.h"

template <typename Download>
status_type DownloadIntoDword(DWORD* length, Download download) {
  unsigned long got = 0;
  const status_type result = download(length ? &got : nullptr);
  if (length) *length = static_cast<DWORD>(got);
  return result;
}
