// The Linux path of a Windows path, for Winelib tests that look at files from outside.
#pragma once

#include <string>

// Empty when the path does not convert.
std::string UnixPath(const std::u16string& windowsPath);
// The Windows path of a Linux path; empty when it does not convert.
std::u16string DosPath(const std::string& unixPath);
// A new, empty folder under /tmp whose name starts with `prefix`; its Linux path.
std::string MakeTempFolder(const char* prefix);
