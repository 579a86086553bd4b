// Text values of the registry. Windows-side header; any thread.
#pragma once

#include <windows.h>

// Copies the value `name` (null: the key's default value) of the open `key` into `buffer`
// (`bytes` long) and answers `buffer`. Answers `fallback` when the key is null or the value
// is not REG_SZ or REG_EXPAND_SZ, does not fit or lacks its terminator.
const char16_t* ReadRegistryText(HKEY key, const char16_t* name, char16_t* buffer, DWORD bytes,
                                 const char16_t* fallback);
