// Makes text fit for a UTF8 column: invalid sequences become U+FFFD and the text is cut at
// a character boundary. Library side; any thread.
#pragma once

#include <cstddef>
#include <string>

// Appends the cleaned text to `out`, at most maxBytes bytes of it. Returns false only when
// memory runs out (then `out` may hold part of the text).
bool AppendCleanUtf8(std::string& out, const char* text, size_t maxBytes);

// The cleaned text as a new string; throws std::bad_alloc when memory runs out.
std::string CleanUtf8(const char* text, size_t maxBytes);

// The largest length <= maxBytes that does not split a UTF-8 character of text[0..length).
size_t Utf8CutLength(const char* text, size_t length, size_t maxBytes);

// Copies text[0..length) into buffer (size bytes with the terminator), cut at a character
// boundary; the length copied.
size_t CopyCut(const char* text, size_t length, char* buffer, size_t size);
