// Locator files: a worksheet saved under a path of the user's leaves, in the autosave
// folder, a small file that names that path. These turn a path into the file's bytes and
// back. Neutral header; pure, any thread.
#pragma once

#include <cstddef>
#include <string>

// The most characters a locator's path keeps.
constexpr int LOCATOR_PATH_CHARS = 1023;

// The byte-order mark FF FE, path in UTF-16LE, then CR LF.
std::string EncodeLocator(const char16_t* path);
// The path that bytes name, into path (size units with the terminator): the characters
// after the mark up to the first CR or LF, the end (a last odd byte is no character), or
// LOCATOR_PATH_CHARS characters. False, and path empty, without the mark.
bool DecodeLocator(const char* bytes, size_t length, char16_t* path, int size);
