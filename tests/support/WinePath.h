// The Linux path of a Windows path, for Winelib tests that look at files from outside.
#pragma once

#include <string>

// Empty when the path does not convert.
std::string UnixPath(const std::u16string& windowsPath);
