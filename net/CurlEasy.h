// The libcurl set-up and receive helpers shared by the network clients. Library side.
#pragma once

#include <curl/curl.h>

#include <cstddef>
#include <cstdint>

// A new easy handle carrying the options every transfer needs, or null.
CURL* OpenEasyHandle(int timeoutSeconds);
// The calling thread's own easy handle, reset to those same options, or null. It stays the
// thread's (never cleaned up by the caller), so that its connections to a server are used
// again by the thread's next transfer; every transfer sets all of its other options anew.
CURL* ThreadEasyHandle(int timeoutSeconds);

// The proxy of a transfer: type 0 none, 1 HTTP, other SOCKS5. An empty address means none.
void SetProxyOptions(CURL* curl, int type, bool tunnel, const char* address, int port, bool useAuth,
                     const char* user, const char* password);

enum AppendResult { APPEND_OK, APPEND_CEILING, APPEND_NO_MEMORY };

// Appends bytes to a malloc'ed block of `capacity` bytes kept NUL-terminated, up to
// DOWNLOAD_MAX_BYTES. Out of memory frees the block and empties it; at the ceiling the
// bytes that fit are kept.
AppendResult AppendReceived(char*& data, uint32_t& size, uint32_t& capacity, const char* bytes,
                            size_t n);

// Non-zero limit and more than `limit` ms since the tick `start`.
bool TimeLimitPassed(uint32_t start, uint32_t limit);

// The write callback's core for a downloader `d` (Data, DataSize, DataCapacity,
// ElapsedTime holding the start tick, TimeLimit and the OutOfMemory, SizeAbort and
// TimeAbort flags): keeps the bytes, or sets the flag that stops the transfer and returns
// (size_t)-1.
template <class T>
size_t ReceiveBytes(T& d, const char* bytes, size_t n) {
  switch (AppendReceived(d.Data, d.DataSize, d.DataCapacity, bytes, n)) {
    case APPEND_NO_MEMORY:
      d.OutOfMemory = 1;
      return static_cast<size_t>(-1);
    case APPEND_CEILING:
      d.SizeAbort = 1;
      return static_cast<size_t>(-1);
    case APPEND_OK:
      break;
  }
  if (TimeLimitPassed(d.ElapsedTime, d.TimeLimit)) {
    d.TimeAbort = 1;
    return static_cast<size_t>(-1);
  }
  return n;
}
