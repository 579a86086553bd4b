// Folders of a test's own under /tmp, seen from both sides of Wine.
#pragma once

#include <string>
#include <vector>

// A new, empty folder under /tmp whose name starts with `prefix`; its Linux path, or empty.
std::string MakeTempFolder(const char* prefix);
// The Windows path of a Linux path; empty when it does not convert.
std::u16string DosPath(const std::string& unixPath);
// A whole small file (up to 64 KiB) by its Windows path; empty when it cannot be read.
std::string ReadFileBytes(const std::u16string& dosPath);
// Replaces the file's content with bytes.
void WriteFileBytes(const std::u16string& dosPath, const std::string& bytes);
// The names in a folder (files and folders, without "." and ".."), unsorted.
std::vector<std::u16string> FolderNames(const std::u16string& dosPath);
