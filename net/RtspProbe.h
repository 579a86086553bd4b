// The readers of the RTSP probe, over a non-blocking POSIX socket with a deadline.
// Library side; any thread, one socket each.
#pragma once

#include <chrono>
#include <cstdint>

namespace net {

typedef std::chrono::steady_clock::time_point RtspDeadline;

// Results of the readers besides a length.
enum : int {
  RTSP_READ_FAILED = -1,   // the connection ended or failed first
  RTSP_READ_TIMEOUT = -2,  // the deadline passed first
};

// 0 once the socket is ready for `events` (poll's), RTSP_READ_FAILED or RTSP_READ_TIMEOUT.
int WaitReady(int socket, short events, RtspDeadline deadline);

// The largest reply header the probe reads.
constexpr unsigned long RTSP_HEADER_MAX = 64 * 1024;

// Reads a reply header up to "\r\n\r\n" or "\n\n", the end of the connection, the deadline
// or RTSP_HEADER_MAX bytes, into a heap block (malloc) with a NUL after the data; sets
// *timedOut when the deadline ended it. 0 (and no block) only when memory runs out.
int ReadHeader(int socket, RtspDeadline deadline, char** buffer, unsigned long* length,
               bool* timedOut);

// Reads "NAME/major.minor status" at the start of data[0, length): 0 when it is not there.
// Otherwise 1 with *code and, from the ANSI code page, the rest of the first line after its
// first blank in text (empty when the line has no end).
int CheckHeader(unsigned long* code, char16_t* text, int textSize, const char* data,
                unsigned long length);

// Exactly count bytes: count, RTSP_READ_FAILED or RTSP_READ_TIMEOUT.
int ReadReply(int socket, RtspDeadline deadline, char* buffer, int count);

// A SOCKS5 reply with its bound address of any type into buffer (262 bytes): its length,
// RTSP_READ_FAILED or RTSP_READ_TIMEOUT.
int ReadSOCKS5Reply(int socket, RtspDeadline deadline, char* buffer);

}  // namespace net
