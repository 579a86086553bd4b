#include "net/Cookies.h"

void CookieClearForDomain(const char16_t*) {}
