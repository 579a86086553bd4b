// The libcurl set-up and receive helpers shared by the network clients. Library side.
#pragma once

#include <curl/curl.h>

#include <cstddef>
#include <cstdint>

// A new easy handle carrying the options every transfer needs, or null.
CURL* OpenEasyHandle(int timeoutSeconds);

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
