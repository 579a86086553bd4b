// Writers of menu text: "<menu ...>", "<item ... />" and "</menu>". Each writes at buffer,
// at most size - 1 characters and a terminator, and returns the characters written; the
// caller advances its position by the result. Title and flags are escaped for mark-up.
// Neutral header; callable on any thread.
#pragma once

#include <cstdint>

int XmlMenuBegin(char16_t* buffer, int size, const char16_t* title, const char16_t* flags,
                 uint32_t id);
int XmlMenuItem(char16_t* buffer, int size, const char16_t* title, const char16_t* flags,
                uint32_t id);
int XmlMenuEnd(char16_t* buffer, int size);
