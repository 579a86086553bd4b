// Reading RTSP replies and proxy answers from a socket, each wait bounded by the deadline.
#include <errno.h>
#include <poll.h>
#include <sys/socket.h>

#include <cstdlib>
#include <cstring>

#include "net/RtspProbe.h"
#include "toolkit/AnsiCodePage.h"

namespace net {

namespace {

// One byte: 1, RTSP_READ_FAILED or RTSP_READ_TIMEOUT. Byte by byte, so nothing beyond a
// reply is taken from the stream.
int ReadByte(int socket, RtspDeadline deadline, char* byte) {
  for (;;) {
    const ssize_t got = recv(socket, byte, 1, 0);
    if (got == 1) return 1;
    if (got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
      return RTSP_READ_FAILED;
    }
    const int waited = WaitSocket(socket, POLLIN, deadline);
    if (waited < 0) return waited;
  }
}

bool EndsWith(const char* data, unsigned long length, const char* end) {
  const size_t size = strlen(end);
  return length >= size && memcmp(data + length - size, end, size) == 0;
}

// As "%d" reads: blanks, a sign, at least one digit; the value stops growing at a billion.
bool ReadNumber(const char*& p, const char* end, long& value) {
  while (p < end && (*p == ' ' || (*p >= '\t' && *p <= '\r'))) ++p;
  bool negative = false;
  if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
  if (p == end || *p < '0' || *p > '9') return false;
  long number = 0;
  for (; p < end && *p >= '0' && *p <= '9'; ++p) {
    if (number < 1000000000) number = number * 10 + (*p - '0');
  }
  value = negative ? -number : number;
  return true;
}

}  // namespace

int ReadHeader(int socket, RtspDeadline deadline, char** buffer, unsigned long* length,
               bool* timedOut) {
  *buffer = nullptr;
  *length = 0;
  *timedOut = false;
  unsigned long capacity = 256;
  char* data = static_cast<char*>(malloc(capacity + 1));
  if (!data) return 0;
  unsigned long used = 0;
  while (used < RTSP_HEADER_MAX) {
    if (used == capacity) {
      capacity = capacity * 2 > RTSP_HEADER_MAX ? RTSP_HEADER_MAX : capacity * 2;
      char* larger = static_cast<char*>(realloc(data, capacity + 1));
      if (!larger) {
        free(data);
        return 0;
      }
      data = larger;
    }
    const int got = ReadByte(socket, deadline, data + used);
    if (got != 1) {
      *timedOut = got == RTSP_READ_TIMEOUT;
      break;
    }
    ++used;
    if (EndsWith(data, used, "\r\n\r\n") || EndsWith(data, used, "\n\n")) break;
  }
  data[used] = '\0';
  *buffer = data;
  *length = used;
  return 1;
}

int CheckHeader(unsigned long* code, char16_t* text, int textSize, const char* data,
                unsigned long length) {
  const char* p = data;
  const char* end = data + length;
  const char* name = p;
  while (p < end && ((*p >= 'A' && *p <= 'Z') || (*p >= 'a' && *p <= 'z'))) ++p;
  long major = 0;
  long minor = 0;
  long status = 0;
  if (p == name || p == end || *p++ != '/' || !ReadNumber(p, end, major) || p == end ||
      *p++ != '.' || !ReadNumber(p, end, minor) || p == end || *p != ' ') {
    return 0;
  }
  while (p < end && *p == ' ') ++p;
  if (!ReadNumber(p, end, status)) return 0;
  *code = static_cast<unsigned long>(status);
  if (textSize <= 0) return 1;
  text[0] = 0;
  const char* blank = static_cast<const char*>(memchr(data, ' ', length));
  const char* lineEnd = static_cast<const char*>(memchr(data, '\n', length));
  if (!blank || !lineEnd || blank > lineEnd) return 1;
  const char* stop = lineEnd > blank + 1 && lineEnd[-1] == '\r' ? lineEnd - 1 : lineEnd;
  const int units = AnsiToWide(blank + 1, static_cast<int>(stop - blank - 1), text, textSize - 1);
  text[units] = 0;
  return 1;
}

int ReadReply(int socket, RtspDeadline deadline, char* buffer, int count) {
  for (int i = 0; i < count; ++i) {
    const int got = ReadByte(socket, deadline, buffer + i);
    if (got != 1) return got;
  }
  return count;
}

int ReadSOCKS5Reply(int socket, RtspDeadline deadline, char* buffer) {
  int read = ReadReply(socket, deadline, buffer, 4);
  if (read < 0) return read;
  int address = 0;
  switch (buffer[3]) {
    case 1:
      address = 4;
      break;
    case 3:
      read = ReadReply(socket, deadline, buffer + 4, 1);
      if (read < 0) return read;
      address = 1 + static_cast<unsigned char>(buffer[4]);
      break;
    case 4:
      address = 16;
      break;
    default:
      break;
  }
  const int start = buffer[3] == 3 ? 5 : 4;
  const int rest = address - (start - 4) + 2;
  read = ReadReply(socket, deadline, buffer + start, rest);
  return read < 0 ? read : start + rest;
}

}  // namespace net
