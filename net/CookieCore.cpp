// The cookie store's rules without platform calls: Set-Cookie parsing, dates, domain and path
// matching, the list.
#include "net/CookieCore.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <unordered_map>

#include "engine/AsciiText.h"

namespace {

bool EqualNoCaseN(const char* a, const char* b, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

bool EqualNoCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && EqualNoCaseN(a.data(), b.data(), a.size());
}

// Safe on texts shorter than four bytes: the comparison stops at the first mismatch, and
// the terminator is one.
const char* SkipWww(const char* text) { return EqualNoCaseN(text, "www.", 4) ? text + 4 : text; }

constexpr int64_t kTicksPerSecond = 10000000;
// Seconds from 1601-01-01 to 1970-01-01.
constexpr int64_t kUnixEpochSeconds = 11644473600;

int64_t DaysFromCivil(int64_t year, int month, int day) {
  year -= month <= 2;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t yoe = year - era * 400;
  const int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

bool IsLeap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int MonthFromName(const char* name) {
  static const char* const kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                        "jul", "aug", "sep", "oct", "nov", "dec"};
  if (strlen(name) != 3) return 1;
  for (int i = 0; i < 12; ++i) {
    if (EqualNoCaseN(name, kMonths[i], 3)) return i + 1;
  }
  return 1;
}

// Where `byte` first appears in text[start, end); end when it does not.
size_t FindByte(const char* text, size_t start, size_t end, char byte) {
  const void* found = memchr(text + start, byte, end - start);
  return found ? static_cast<size_t>(static_cast<const char*>(found) - text) : end;
}

// text[start, end) without the blanks and tabs at either end.
std::string_view TrimBlanks(const char* text, size_t start, size_t end) {
  while (start < end && (text[start] == ' ' || text[start] == '\t')) ++start;
  while (end > start && (text[end - 1] == ' ' || text[end - 1] == '\t')) --end;
  return std::string_view(text + start, end - start);
}

bool HasLineBreakOrNul(const char* text, size_t length) {
  for (size_t i = 0; i < length; ++i) {
    if (text[i] == '\r' || text[i] == '\n' || text[i] == '\0') return true;
  }
  return false;
}

}  // namespace

int64_t CookieCivilTime(int year, int month, int day, int hour, int minute, int second) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (year < 1601 || year > 30827 || month < 1 || month > 12 || day < 1) return 0;
  const int monthDays = kDays[month - 1] + (month == 2 && IsLeap(year) ? 1 : 0);
  if (day > monthDays || hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 ||
      second > 59) {
    return 0;
  }
  const int64_t seconds =
      DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
  return (seconds + kUnixEpochSeconds) * kTicksPerSecond;
}

int64_t CookieTimeNow() {
  const auto since1970 = std::chrono::system_clock::now().time_since_epoch();
  return std::chrono::duration_cast<std::chrono::microseconds>(since1970).count() * 10 +
         kUnixEpochSeconds * kTicksPerSecond;
}

int64_t CookieParseExpires(const std::string& text) {
  // Every conversion is bounded: a longer field fails the match and gives no expiry.
  char weekday[32], separator1[8], month[16], separator2[8];
  int day = 0, year = 0, hour = 0, minute = 0, second = 0;
  const int fields =
      sscanf(text.c_str(), "%31[A-Za-z], %2d%7[-/. ]%15[A-Za-z]%7[-/. ]%5d %2d:%2d:%2d", weekday,
             &day, separator1, month, separator2, &year, &hour, &minute, &second);
  if (fields != 9 || year < 1900) return 0;
  return CookieCivilTime(year, MonthFromName(month), day, hour, minute, second);
}

bool CookieDomainMatch(const char* host, const char* domain, bool suffix) {
  if (!host || !domain) return false;
  host = SkipWww(host);
  domain = SkipWww(domain);
  const size_t hostLength = strlen(host);
  if (domain[0] != '.') {
    return hostLength == strlen(domain) && EqualNoCaseN(host, domain, hostLength);
  }
  const size_t bareLength = strlen(domain) - 1;
  if (hostLength == bareLength) return EqualNoCaseN(host, domain + 1, hostLength);
  if (hostLength < bareLength || !suffix) return false;
  return EqualNoCaseN(host + hostLength - bareLength - 1, domain, bareLength + 1);
}

bool CookiePathMatch(const char* requestPath, const char* cookiePath) {
  if (!cookiePath) return false;
  if (!requestPath) requestPath = "";
  const size_t cookieLength = strlen(cookiePath);
  const size_t requestLength = strlen(requestPath);
  if (cookieLength == 0) return true;
  if (cookieLength > requestLength || !EqualNoCaseN(requestPath, cookiePath, cookieLength)) {
    return false;
  }
  if (cookieLength == requestLength || cookiePath[cookieLength - 1] == '/') return true;
  const char next = requestPath[cookieLength];
  return next == '@' || next == ':' || next == '/' || next == '?' || next == '#';
}

bool CookieParse(const char* text, size_t length, const char* host, tagCOOKIE* cookie) {
  // A line break would split the file line and end up inside a request header.
  if (!text || HasLineBreakOrNul(text, length)) return false;
  tagCOOKIE parsed;
  size_t segmentEnd = 0;
  while (segmentEnd < length && text[segmentEnd] != ';') ++segmentEnd;
  const char* equals = static_cast<const char*>(memchr(text, '=', segmentEnd));
  if (equals) {
    parsed.name.assign(text, equals);
    parsed.value.assign(equals + 1, text + segmentEnd);
  } else {
    parsed.name.assign(text, segmentEnd);
  }

  struct Attribute {
    const char* name;
    std::string* target;
  };
  const Attribute attributes[] = {
      {"path", &parsed.path}, {"domain", &parsed.domain}, {"expires", &parsed.expires}};
  size_t start = segmentEnd;
  while (start < length) {
    ++start;
    size_t end = start;
    while (end < length && text[end] != ';') ++end;
    const size_t separator = FindByte(text, start, end, '=');
    const std::string_view name = TrimBlanks(text, start, separator);
    const std::string_view value = TrimBlanks(text, separator + (separator < end), end);
    for (const Attribute& attribute : attributes) {
      if (separator < end && !value.empty() && name.size() == strlen(attribute.name) &&
          EqualNoCaseN(name.data(), attribute.name, name.size())) {
        attribute.target->assign(value);
        break;
      }
    }
    start = end;
  }

  if (host && parsed.domain.empty()) {
    parsed.domain = SkipWww(host);
  }
  if (host && !CookieDomainMatch(host, parsed.domain.c_str(), false)) return false;
  parsed.expiry = parsed.expires.empty() ? 0 : CookieParseExpires(parsed.expires);
  *cookie = std::move(parsed);
  return true;
}

std::string CookieFileLine(const tagCOOKIE& cookie) {
  std::string line;
  line.reserve(cookie.name.size() + cookie.value.size() + cookie.path.size() +
               cookie.domain.size() + cookie.expires.size() + 34);
  line.append(cookie.name).append("=").append(cookie.value);
  line.append("; path=").append(cookie.path);
  line.append("; domain=").append(cookie.domain);
  line.append("; expires=").append(cookie.expires).append("\r\n");
  return line;
}

void CCookieStore::Prune() {
  const int64_t now = CookieTimeNow();
  cookies.erase(std::remove_if(cookies.begin(), cookies.end(),
                               [now](const tagCOOKIE& cookie) {
                                 return cookie.expiry != 0 && cookie.expiry < now;
                               }),
                cookies.end());
}

// One pass from the newest cookie back: a cookie stays while its domain and the whole list
// are under their caps.
void CCookieStore::Cap() {
  if (cookies.size() <= static_cast<size_t>(kCookiesPerDomain)) return;
  std::unordered_map<std::string, int> perDomain;
  std::vector<bool> keep(cookies.size());
  int kept = 0;
  for (size_t i = cookies.size(); i-- > 0 && kept < kCookiesInAll;) {
    std::string domain = cookies[i].domain;
    for (char& c : domain) c = AsciiLower(c);
    int& count = perDomain[std::move(domain)];
    if (count == kCookiesPerDomain) continue;
    ++count;
    ++kept;
    keep[i] = true;
  }
  size_t index = 0;
  cookies.erase(std::remove_if(cookies.begin(), cookies.end(),
                               [&](const tagCOOKIE&) { return !keep[index++]; }),
                cookies.end());
}

void CCookieStore::Write(WriteFunc write, void* context) {
  Prune();
  std::string bytes;
  for (const tagCOOKIE& cookie : cookies) bytes += CookieFileLine(cookie);
  if (write) write(bytes, context);
}

void CCookieStore::Load(const char* data, size_t length) {
  std::lock_guard<std::mutex> hold(lock);
  cookies.clear();
  size_t start = 0;
  for (size_t i = 0; data && i + 1 < length; ++i) {
    if (data[i] != '\r' || data[i + 1] != '\n') continue;
    tagCOOKIE cookie;
    if (i > start && CookieParse(data + start, i - start, nullptr, &cookie)) {
      cookies.push_back(std::move(cookie));
    }
    start = i + 2;
    ++i;
  }
  Prune();
  Cap();
}

size_t CCookieStore::Set(const char* host, const CookieText* texts, size_t count, WriteFunc write,
                         void* context) {
  std::lock_guard<std::mutex> hold(lock);
  size_t accepted = 0;
  for (size_t t = 0; host && t < count; ++t) {
    tagCOOKIE cookie;
    if (!CookieParse(texts[t].text, texts[t].length, host, &cookie)) continue;
    ++accepted;
    bool replaced = false;
    for (tagCOOKIE& existing : cookies) {
      if (EqualNoCase(existing.name, cookie.name) && EqualNoCase(existing.path, cookie.path) &&
          EqualNoCase(existing.domain, cookie.domain)) {
        existing = std::move(cookie);
        replaced = true;
        break;
      }
    }
    if (replaced) continue;
    cookies.push_back(std::move(cookie));
    // A reply of many cookies keeps the list, and so each look-up above, short.
    if (cookies.size() >= 2 * static_cast<size_t>(kCookiesInAll)) Cap();
  }
  Prune();
  Cap();
  Write(write, context);
  return accepted;
}

std::string CCookieStore::Get(const char* host, const char* path) {
  std::lock_guard<std::mutex> hold(lock);
  const int64_t now = CookieTimeNow();
  std::string header;
  for (const tagCOOKIE& cookie : cookies) {
    if (cookie.expiry != 0 && cookie.expiry < now) continue;
    if (!CookieDomainMatch(host, cookie.domain.c_str(), true)) continue;
    if (!CookiePathMatch(path, cookie.path.c_str())) continue;
    header.append(cookie.name).append("=").append(cookie.value).append("; ");
  }
  return header;
}

void CCookieStore::ClearForDomain(const char* host) {
  std::lock_guard<std::mutex> hold(lock);
  cookies.erase(std::remove_if(cookies.begin(), cookies.end(),
                               [host](const tagCOOKIE& cookie) {
                                 return CookieDomainMatch(host, cookie.domain.c_str(), true);
                               }),
                cookies.end());
}

void CCookieStore::Delete(const char* line, WriteFunc write, void* context) {
  std::lock_guard<std::mutex> hold(lock);
  if (!line) {
    cookies.clear();
  } else {
    cookies.erase(
        std::remove_if(cookies.begin(), cookies.end(),
                       [line](const tagCOOKIE& cookie) { return CookieFileLine(cookie) == line; }),
        cookies.end());
  }
  Write(write, context);
}

void CCookieStore::Free() {
  std::lock_guard<std::mutex> hold(lock);
  Prune();
  cookies.clear();
}

void CCookieStore::ForEach(void (*visit)(const tagCOOKIE& cookie, void* context), void* context) {
  std::lock_guard<std::mutex> hold(lock);
  for (const tagCOOKIE& cookie : cookies) visit(cookie, context);
}
