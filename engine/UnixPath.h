// The Linux path of a Windows path, for code that hands a file to a Linux library (and for
// tests that look at files from outside). Neutral header; any Wine thread.
#pragma once

#include <string>

// Empty when the path is empty or does not convert.
std::string UnixPath(const char16_t* windowsPath);
inline std::string UnixPath(const std::u16string& windowsPath) {
  return UnixPath(windowsPath.c_str());
}
