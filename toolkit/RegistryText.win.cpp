// Reads text values of the registry.
#include "toolkit/RegistryText.h"

const char16_t* ReadRegistryText(HKEY key, const char16_t* name, char16_t* buffer, DWORD bytes,
                                 const char16_t* fallback) {
  if (!key) return fallback;
  DWORD type = 0;
  DWORD size = bytes;
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
          ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ))
    return fallback;
  for (DWORD i = 0; i < size / sizeof(char16_t); ++i)
    if (!buffer[i]) return buffer;
  return fallback;
}
