// URL escaping, the libcurl messages and the local-host test of the proxy bypass.
#include <netdb.h>
#include <strings.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "net/Downloader.h"
#include "toolkit/LanguageText.h"

std::string URLEscaped(const char* text, const char* extra) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
    if (*p <= 0x20 || *p >= 0x7F || std::strchr(extra, *p)) {
      out += '%';
      out += kHex[*p >> 4];
      out += kHex[*p & 15];
    } else {
      out += static_cast<char>(*p);
    }
  }
  return out;
}

char* URLEscape(char* text, size_t size) {
  const std::string escaped = URLEscaped(text);
  if (escaped.size() >= size) return nullptr;
  std::memcpy(text, escaped.c_str(), escaped.size() + 1);
  return text;
}

void CurlCodeToMessage(int code, char16_t* text, int size) {
  int key = 165;
  if (code >= 0 && code <= 2) {
    key = code + 100;
  } else if (code == 3 || code == 4 || code == 24) {
    key = 103;
  } else if (code == 5 || code == 6) {
    key = 104;
  } else if (code >= 7 && code <= 23) {
    key = code + 98;
  } else if (code >= 25 && code <= 67) {
    key = code + 97;
  }
  CopyLanguageText(STR_Curl_100 + key - 100, text, size);
}

bool IsTransientCurlCode(int code) {
  static const int kTransient[] = {2, 7, 18, 23, 27, 28, 34, 35, 36, 37, 38, 52, 55, 56};
  for (int transient : kTransient) {
    if (code == transient) return true;
  }
  return false;
}

void LocalHostNameAndAddress(char* name, size_t nameSize, char* dotted, size_t dottedSize) {
  name[0] = dotted[0] = 0;
  if (gethostname(name, nameSize - 1) != 0) {
    name[0] = 0;
    return;
  }
  name[nameSize - 1] = 0;
  // getaddrinfo, not gethostbyname: many workers ask at once.
  addrinfo hints = {};
  hints.ai_family = AF_INET;
  addrinfo* found = nullptr;
  if (getaddrinfo(name, nullptr, &hints, &found) != 0 || !found) return;
  if (getnameinfo(found->ai_addr, found->ai_addrlen, dotted, static_cast<socklen_t>(dottedSize),
                  nullptr, 0, NI_NUMERICHOST) != 0) {
    dotted[0] = 0;
  }
  freeaddrinfo(found);
}

bool IsLocalHost(const char* host) {
  if (!strcasecmp(host, "localhost") || !std::strcmp(host, "127.0.0.1")) return true;
  char name[256];
  char dotted[64];
  LocalHostNameAndAddress(name, sizeof name, dotted, sizeof dotted);
  return name[0] && (!strcasecmp(host, name) || (dotted[0] && !std::strcmp(host, dotted)));
}
