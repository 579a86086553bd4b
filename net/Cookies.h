// The process's cookie store, kept in `cookies.txt` of the settings folder. Neutral header.
//
// CookiesInitialize runs once at start-up before any other call, CookiesFree once at
// shutdown after every other; in between every function may be called on any thread (one
// lock guards the store, and the file is rewritten inside it).
#pragma once

#include <cstddef>
#include <cstdint>

struct HWND__;

// One Set-Cookie value: its bytes in the ANSI code page, not terminated.
struct CookieText {
  const char* text;
  size_t length;
};

// Loads the file; a missing or unreadable file leaves the store empty.
void CookiesInitialize(const char16_t* file);
// Drops every cookie; the file is not written (each change was written when it was made).
void CookiesFree(const char16_t* file);
// Stores or replaces the cookie of one Set-Cookie value received from `host`, then
// rewrites the file. Always returns 1.
int CookiesSetFromHeader(const char16_t* host, const char* text, uint32_t length);
// The same for every Set-Cookie value of one reply, in order, with one rewrite of the file.
void CookiesSetFromHeaders(const char16_t* host, const CookieText* texts, size_t count);
// The Cookie header value for a request to host and path: "name=value; " per cookie, ""
// when none matches. Heap memory the caller frees with free(); null only when memory runs
// out.
char* CookiesGetHeader(const char16_t* host, const char16_t* path);
// Drops the cookies of a site's host and of the hosts below it; the file is not written.
void CookieClearForDomain(const char16_t* host);
// Drops every cookie whose file line (with its CR LF) equals `line`, or all when it is
// null, then rewrites `file`.
void CookiesDeleteCookie(const char16_t* file, const char16_t* line);
// Adds one top-level item per domain and one child per cookie (its file line) to a tree
// view. GUI thread (the tree's owner).
void CookiesFillTreeView(HWND__* tree);
