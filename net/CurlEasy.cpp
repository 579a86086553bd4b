// The libcurl set-up and receive helpers shared by the HTTP, HTTPS and FTP downloaders. Library
// side.
#include "net/CurlEasy.h"

#include <cstdlib>
#include <cstring>
#include <mutex>

#include "net/Downloader.h"
#include "net/NetService.h"

void NetGlobalInit() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

namespace {

void SetCommonOptions(CURL* curl, int timeoutSeconds) {
  // Many worker threads: no signal may be used for name-lookup time-outs.
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  // Without an explicit value libcurl would take a proxy from the environment.
  curl_easy_setopt(curl, CURLOPT_PROXY, "");
  curl_easy_setopt(curl, CURLOPT_TIMEOUT, static_cast<long>(timeoutSeconds));
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, static_cast<long>(timeoutSeconds));
}

// The handle a thread keeps; released when the thread ends.
struct KeptHandle {
  CURL* curl = nullptr;
  ~KeptHandle() {
    if (curl) curl_easy_cleanup(curl);
  }
};

}  // namespace

CURL* OpenEasyHandle(int timeoutSeconds) {
  CURL* curl = curl_easy_init();
  if (!curl) return nullptr;
  SetCommonOptions(curl, timeoutSeconds);
  return curl;
}

CURL* ThreadEasyHandle(int timeoutSeconds) {
  thread_local KeptHandle kept;
  if (kept.curl)
    curl_easy_reset(kept.curl);
  else
    kept.curl = curl_easy_init();
  if (!kept.curl) return nullptr;
  SetCommonOptions(kept.curl, timeoutSeconds);
  return kept.curl;
}

void SetProxyOptions(CURL* curl, int type, bool tunnel, const char* address, int port, bool useAuth,
                     const char* user, const char* password) {
  if (!type) return;
  curl_easy_setopt(curl, CURLOPT_PROXY, address);
  curl_easy_setopt(curl, CURLOPT_PROXYPORT, static_cast<long>(port));
  if (type != 1) curl_easy_setopt(curl, CURLOPT_PROXYTYPE, static_cast<long>(CURLPROXY_SOCKS5));
  if (tunnel) curl_easy_setopt(curl, CURLOPT_HTTPPROXYTUNNEL, 1L);
  if (useAuth) {
    curl_easy_setopt(curl, CURLOPT_PROXYAUTH, static_cast<long>(CURLAUTH_ANY));
    curl_easy_setopt(curl, CURLOPT_PROXYUSERNAME, user);
    curl_easy_setopt(curl, CURLOPT_PROXYPASSWORD, password);
  }
}

AppendResult AppendReceived(char*& data, uint32_t& size, uint32_t& capacity, const char* bytes,
                            size_t n) {
  AppendResult result = APPEND_OK;
  if (n > DOWNLOAD_MAX_BYTES - size) {
    n = DOWNLOAD_MAX_BYTES - size;
    result = APPEND_CEILING;
  }
  const size_t needed = size + n + 1;
  if (!data || needed > capacity) {
    // Doubling keeps a long reply from being copied over and over.
    size_t grown = capacity ? capacity : 4096;
    while (grown < needed) grown *= 2;
    if (grown > DOWNLOAD_MAX_BYTES + 1) grown = DOWNLOAD_MAX_BYTES + 1;
    char* block = static_cast<char*>(std::realloc(data, grown));
    if (!block) {
      std::free(data);
      data = nullptr;
      size = capacity = 0;
      return APPEND_NO_MEMORY;
    }
    data = block;
    capacity = static_cast<uint32_t>(grown);
  }
  if (n) std::memcpy(data + size, bytes, n);
  size += static_cast<uint32_t>(n);
  data[size] = 0;
  return result;
}

bool TimeLimitPassed(uint32_t start, uint32_t limit) {
  return limit && NetTickMs() - start > limit;
}
