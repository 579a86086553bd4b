// Folders of a test's own under /tmp, seen from both sides of Wine.
#pragma once

#include <string>

// A new, empty folder under /tmp whose name starts with `prefix`; its Linux path, or empty.
std::string MakeTempFolder(const char* prefix);
// The Windows path of a Linux path; empty when it does not convert.
std::u16string DosPath(const std::string& unixPath);
