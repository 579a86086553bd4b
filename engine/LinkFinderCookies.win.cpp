// The engine's doors into the process's cookie store, and their exported forms.
#include "engine/LinkFinder.h"
#include "net/Cookies.h"

int CLinkFinder::HeaderSetCookie(WCHAR* host, char* text, DWORD length) {
  return CookiesSetFromHeader(host, text, length);
}

void CLinkFinder::HeaderSetCookies(const WCHAR* host, const CookieText* texts, size_t count) {
  CookiesSetFromHeaders(host, texts, count);
}

char* CLinkFinder::HeaderGetCookie(WCHAR* host, WCHAR* path) {
  return CookiesGetHeader(host, path);
}

// Exported members take the object first, as a member call does on this platform.
extern "C" {

int WINAPI CLinkFinder_HeaderSetCookie(CLinkFinder* finder, WCHAR* host, char* text, DWORD length) {
  return finder->HeaderSetCookie(host, text, length);
}

char* WINAPI CLinkFinder_HeaderGetCookie(CLinkFinder* finder, WCHAR* host, WCHAR* path) {
  return finder->HeaderGetCookie(host, path);
}
}
