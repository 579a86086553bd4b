// The status line of the last reply header block, and whether a header block ended.
#include <cctype>
#include <cstring>

#include "net/Downloader.h"
#include "toolkit/AnsiCodePage.h"

namespace {

// As sscanf's "%d": white space, a sign, digits. False without a digit.
bool ReadNumber(const char*& p, const char* end, long& value) {
  while (p < end && std::isspace(static_cast<unsigned char>(*p))) ++p;
  bool negative = false;
  if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
  if (p == end || !std::isdigit(static_cast<unsigned char>(*p))) return false;
  long number = 0;
  for (; p < end && std::isdigit(static_cast<unsigned char>(*p)); ++p) {
    if (number < 100000000) number = number * 10 + (*p - '0');
  }
  value = negative ? -number : number;
  return true;
}

bool ReadStatusCode(const char* p, const char* end, long& code) {
  long major = 0, minor = 0;
  if (end - p < 5 || std::memcmp(p, "HTTP/", 5) != 0) return false;
  p += 5;
  if (!ReadNumber(p, end, major) || p == end || *p++ != '.' || !ReadNumber(p, end, minor)) {
    return false;
  }
  if (p == end || *p != ' ') return false;
  while (p < end && *p == ' ') ++p;
  return ReadNumber(p, end, code);
}

}  // namespace

namespace net {

int ParseHTTPHeader(unsigned long* statusCode, char16_t* text, int textSize, const char* data,
                    unsigned long length, int lengthIsHeaderSize, unsigned long* headerOffset) {
  if (textSize > 0) text[0] = 0;
  *statusCode = 0;
  unsigned long start = 0;
  if (lengthIsHeaderSize) {
    // Interim and proxy replies come first: the last block is the one that counts.
    for (unsigned long p = length; p >= 1 && !start; --p) {
      if (p + 4 < length && std::memcmp(data + p, "\r\n\r\n", 4) == 0) {
        start = p + 4;
      } else if (p + 2 < length && std::memcmp(data + p, "\n\n", 2) == 0) {
        start = p + 2;
      }
    }
  }
  if (headerOffset) *headerOffset = start;
  if (textSize <= 0) return 1;
  const char* block = data + start;
  const char* end = data + length;
  const char* lineEnd = block;
  while (lineEnd < end && *lineEnd != '\n') ++lineEnd;
  long code = 0;
  if (end - block > 9 && ReadStatusCode(block, end, code)) {
    const char* reason = static_cast<const char*>(std::memchr(block, ' ', lineEnd - block));
    const char* stop = lineEnd;
    if (stop > block && stop[-1] == '\r') --stop;
    if (reason) {
      ++reason;
      const int units = AnsiToWide(reason, static_cast<int>(stop - reason), text, textSize - 1);
      text[units] = 0;
    }
    *statusCode = static_cast<unsigned long>(code);
    return 1;
  }
  // Not HTTP: an error page's first line, shown without its mark-up.
  int n = 0;
  bool inTag = false;
  for (const char* p = block; p < end && *p != '\r' && *p != '\n' && n < textSize - 1 && n < 255;
       ++p) {
    if (*p == '<') {
      inTag = true;
    } else if (*p == '>') {
      inTag = false;
    } else if (!inTag) {
      text[n++] = static_cast<unsigned char>(*p);
    }
  }
  text[n] = 0;
  return 1;
}

bool HeaderBlockEnded(const char* data, unsigned long length) {
  if (length >= 2 && data[length - 1] == '\n' && data[length - 2] == '\n') return true;
  return length >= 3 && std::memcmp(data + length - 3, "\n\r\n", 3) == 0;
}

}  // namespace net
