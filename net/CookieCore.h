// The cookie store's rules and list, without any platform call: parsing Set-Cookie texts,
// the domain and path rules, replace-or-append, the file line and the file's bytes.
// Neutral header. Texts are 8-bit (the ANSI code page); hosts and paths arrive converted.
// Times are 100 ns units since 1601-01-01 UTC, 0 meaning "no expiry".
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "net/Cookies.h"

struct tagCOOKIE {
  std::string name;
  std::string value;
  std::string path;  // empty matches every request path
  std::string domain;
  std::string expires;  // the expires text exactly as received
  int64_t expiry = 0;
};

// Parses one Set-Cookie value (or one file line without its CR LF). With a host the domain
// defaults to it and must match it by the strict rule; without one neither applies.
// Returns false for a rejected cookie: a domain mismatch, or CR, LF or NUL in the text.
bool CookieParse(const char* text, size_t length, const char* host, tagCOOKIE* cookie);
// The expires text as a time; 0 for any form that is not "Wdy, DD Mon YYYY HH:MM:SS" with
// '-', '/', '.' or blanks between day, month and year, or a date before 1900.
int64_t CookieParseExpires(const std::string& text);
// The strict rule (suffix false) serves when a cookie is set, the suffix rule when cookies
// are sent or cleared. A null host or domain never matches.
bool CookieDomainMatch(const char* host, const char* domain, bool suffix);
bool CookiePathMatch(const char* requestPath, const char* cookiePath);
// "name=value; path=P; domain=D; expires=E\r\n".
std::string CookieFileLine(const tagCOOKIE& cookie);
// The time now.
int64_t CookieTimeNow();
// The time of a UTC calendar date; 0 for an invalid date or one before 1601.
int64_t CookieCivilTime(int year, int month, int day, int hour, int minute, int second);

// What the store keeps at most, as browsers do; the oldest cookies go first.
constexpr int kCookiesPerDomain = 50;
constexpr int kCookiesInAll = 3000;

// The process's cookie list under its one lock. Every member takes the lock for its whole
// run and may be called on any thread. A write function receives the whole file's bytes
// while the lock is held, so writes happen in the order of the changes.
class CCookieStore {
 public:
  using WriteFunc = void (*)(const std::string& bytes, void* context);

  // Replaces the list with the cookies of a file's bytes, then drops the expired ones and
  // those over the caps.
  void Load(const char* data, size_t length);
  // Stores or replaces the cookies of one reply's Set-Cookie texts in order, then writes the
  // file once (whether or not any was accepted). Returns how many were accepted.
  size_t Set(const char* host, const CookieText* texts, size_t count, WriteFunc write,
             void* context);
  // "name=value; " of every live cookie for the host and path, in list order.
  std::string Get(const char* host, const char* path);
  // Drops the cookies of a host by the suffix rule; nothing is written.
  void ClearForDomain(const char* host);
  // Drops every cookie whose file line equals `line` exactly (all when null), then writes.
  void Delete(const char* line, WriteFunc write, void* context);
  // Drops the expired cookies, then every cookie; nothing is written.
  void Free();
  // Calls `visit` for each cookie in list order, under the lock.
  void ForEach(void (*visit)(const tagCOOKIE& cookie, void* context), void* context);

 private:
  void Prune();
  void Cap();
  void Write(WriteFunc write, void* context);

  std::mutex lock;
  std::vector<tagCOOKIE> cookies;
};
