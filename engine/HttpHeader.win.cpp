// The fields of an HTTP reply header the check of a link keeps.
#include <cstring>
#include <vector>

#include "engine/LinkFinder.h"
#include "net/Cookies.h"

namespace {

struct HeaderField {
  const char* name;
  int maxBytes;
};

// Location, Content-Type, Last-Modified, Content-Length, in the order of the outputs.
const HeaderField kFields[] = {
    {"Location:", 1023}, {"Content-Type:", 49}, {"Last-Modified:", 49}, {"Content-Length:", 49}};

// The end of the header: its first empty line, or the end of the bytes.
unsigned long HeaderLimit(const char* header, unsigned long length) {
  for (unsigned long i = 0; i + 1 < length; ++i) {
    if (header[i] != '\n') continue;
    if (header[i + 1] == '\n') return i;
    if (i + 2 < length && header[i + 1] == '\r' && header[i + 2] == '\n') return i;
  }
  return length;
}

}  // namespace

void CLinkFinder::ParseHTTPHeader(const char* header, unsigned long length, WCHAR* location,
                                  WCHAR* contentType, WCHAR* contentLength, WCHAR* lastModified,
                                  const WCHAR* server) {
  location[0] = 0;
  contentType[0] = 0;
  lastModified[0] = 0;
  WCHAR* const outputs[] = {location, contentType, lastModified, contentLength};
  const int outputUnits[] = {1024, 50, 50, 50};
  const unsigned long end = HeaderLimit(header, length);
  // The cookies of one reply are stored together, so the cookie file is written once.
  std::vector<CookieText> cookies;
  unsigned long pos = 0;
  while (pos < end) {
    if (header[pos] == '\r' || header[pos] == '\n') {
      ++pos;
      continue;
    }
    const char* line = header + pos;
    const void* lf = memchr(line, '\n', end - pos);
    size_t lineLength = lf ? static_cast<const char*>(lf) - line : end - pos;
    pos += lineLength;
    if (line[lineLength - 1] == '\r') --lineLength;
    if (!siteSettings.IgnoreCookies && lineLength > 11 && !strncasecmp(line, "Set-Cookie:", 11)) {
      size_t start = 11;
      while (start < lineLength && (line[start] == ' ' || line[start] == '\t')) ++start;
      cookies.push_back({line + start, lineLength - start});
      continue;
    }
    for (int i = 0; i < 4; ++i) {
      const size_t nameLength = strlen(kFields[i].name);
      if (lineLength <= nameLength || strncasecmp(line, kFields[i].name, nameLength) != 0) {
        continue;
      }
      size_t start = nameLength;
      while (start < lineLength && (line[start] == ' ' || line[start] == '\t')) ++start;
      int bytes = static_cast<int>(lineLength - start);
      if (bytes > kFields[i].maxBytes) bytes = kFields[i].maxBytes;
      const int units = bytes ? MultiByteToWideChar(CP_ACP, 0, line + start, bytes, outputs[i],
                                                    outputUnits[i] - 1)
                              : 0;
      outputs[i][units > 0 ? units : 0] = 0;
    }
  }
  if (!cookies.empty()) HeaderSetCookies(server, cookies.data(), cookies.size());
}
