// CHTTPDnld and CSSLDnld: one libcurl request each, judged by its last status line.
#include <strings.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>
#include <type_traits>

#include "net/CurlEasy.h"
#include "net/Downloader.h"
#include "net/NetService.h"
#include "toolkit/LanguageText.h"

static_assert(sizeof(CHTTPDnld) == sizeof(CSSLDnld) &&
                  offsetof(CHTTPDnld, OutOfMemory) == offsetof(CSSLDnld, OutOfMemory),
              "the two HTTP downloaders share one layout");

namespace {

template <class T>
void SetDefaults(T& d, bool https) {
  static_assert(std::is_trivially_copyable<T>::value, "copied field by field");
  std::memset(static_cast<void*>(&d), 0, sizeof(d));
  d.Port = https ? 443 : 80;
  d.ProxyType = https ? 1 : 0;
  d.ProxyPort = 808;
  std::memcpy(d.UserAgent, "Mozilla", sizeof("Mozilla"));
  d.Http11 = https ? 1 : 0;
  d.Timeout = 30;
}

bool HeaderNameIs(const char* line, size_t n, const char* name) {
  const size_t length = std::strlen(name);
  return n >= length && !strncasecmp(line, name, length);
}

const char* SkipBlanks(const char* p, const char* end) {
  while (p < end && (*p == ' ' || *p == '\t')) ++p;
  return p;
}

// The limits weigh the body alone. libcurl hands each header line to this callback before
// the header callback counts it, so the body before these bytes is exact; a body that ends
// over the limit in this last piece is judged after the transfer.
template <class T>
size_t Write(char* bytes, size_t size, size_t count, T& d) {
  const size_t n = size * count;
  if (d.SizeLimitType == SIZELIMIT_MAXIMUM && d.DataSize > d.HeaderSize &&
      d.DataSize - d.HeaderSize > d.SizeLimit) {
    d.SizeAbort = 1;
    return static_cast<size_t>(-1);
  }
  if (ReceiveBytes(d, bytes, n) != n) return static_cast<size_t>(-1);
  return n;
}

// While the transfer runs, HeaderSize counts the header bytes received so far.
template <class T>
size_t CountHeader(char*, size_t size, size_t count, void* object) {
  static_cast<T*>(object)->HeaderSize += static_cast<uint32_t>(size * count);
  return size * count;
}

template <class T>
size_t Header(char* bytes, size_t size, size_t count, T& d) {
  const size_t n = size * count;
  const char* end = bytes + n;
  CountHeader<T>(bytes, size, count, &d);
  if (!d.HeadOnly && HeaderNameIs(bytes, n, "Content-Type:")) {
    const char* value = SkipBlanks(bytes + 13, end);
    if (end - value < 4 || strncasecmp(value, "text", 4) != 0) d.NonTextPending = 1;
  }
  // The write callback has the line already: stopping at the blank line that ends the
  // block keeps the whole header, a Location after the Content-Type included.
  if (d.NonTextPending && (n == 0 || bytes[0] == '\r' || bytes[0] == '\n')) {
    d.NonTextAbort = 1;
    return static_cast<size_t>(-1);
  }
  if (TimeLimitPassed(d.ElapsedTime, d.TimeLimit)) {
    d.TimeAbort = 1;
    return static_cast<size_t>(-1);
  }
  if (d.SizeLimitType && HeaderNameIs(bytes, n, "Content-Length:")) {
    std::string digits(SkipBlanks(bytes + 15, end), end);
    const unsigned long long length = std::strtoull(digits.c_str(), nullptr, 10);
    if ((d.SizeLimitType == 1 && d.SizeLimit >= length) ||
        (d.SizeLimitType == 2 && d.SizeLimit < length)) {
      d.SizeAbort = 1;
      return static_cast<size_t>(-1);
    }
  }
  return n;
}

long CurlAuth(int32_t type) {
  switch (type) {
    case 1:
      return CURLAUTH_BASIC;
    case 2:
      return CURLAUTH_NTLM;
    case 3:
      return CURLAUTH_DIGEST;
    case 4:
      return CURLAUTH_NEGOTIATE;
    default:
      return CURLAUTH_ANY;
  }
}

template <class T>
void Skipped(T& d, int detail) {
  CopyLanguageText(STR_Status_SKIPPED, d.StatusText);
  CopyLanguageText(detail, d.StatusDetail);
}

// Every option of one request, in one place: the thread's handle serves many.
template <class T>
void SetRequestOptions(CURL* curl, T& d, bool https) {
  const std::string path = URLEscaped(d.Path);
  if (path.size() < sizeof(d.Path)) std::memcpy(d.Path, path.c_str(), path.size() + 1);
  const std::string url = std::string(https ? "https://" : "http://") + d.HostName + ":" +
                          std::to_string(d.Port) + path;
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  if (https) {
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 0L);
  }
  if (d.UserName[0] || d.Password[0]) {
    curl_easy_setopt(curl, CURLOPT_HTTPAUTH, CurlAuth(d.AuthType));
    curl_easy_setopt(curl, CURLOPT_USERNAME, d.UserName);
    curl_easy_setopt(curl, CURLOPT_PASSWORD, d.Password);
  }
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &T::WriteCallback);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &d);
  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, https ? &CountHeader<T> : &T::HeaderCallback);
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, &d);
  curl_easy_setopt(curl, CURLOPT_HEADER, 1L);
  if (d.ProxyType && d.ProxyBypassLocal && IsLocalHost(d.HostName)) d.ProxyType = 0;
  SetProxyOptions(curl, d.ProxyType, false, d.ProxyAddress, d.ProxyPort, d.ProxyUseAuth,
                  d.ProxyUserName, d.ProxyPassword);
  curl_easy_setopt(curl, CURLOPT_USERAGENT, d.UserAgent);
  if (d.Cookie && d.Cookie[0]) curl_easy_setopt(curl, CURLOPT_COOKIE, d.Cookie);
  curl_easy_setopt(curl, CURLOPT_HTTP_VERSION,
                   static_cast<long>(d.Http11 ? CURL_HTTP_VERSION_1_1 : CURL_HTTP_VERSION_1_0));
  // A bare HTTP/0.9 reply still has a first line worth showing.
  curl_easy_setopt(curl, CURLOPT_HTTP09_ALLOWED, 1L);
  // A server may send a body after a HEAD reply anyway: on a kept connection it would be
  // read as the next request's reply.
  if (d.HeadOnly) {
    curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(curl, CURLOPT_FORBID_REUSE, 1L);
  }
}

template <class T>
status_type Download(T& d, bool https, void** data, unsigned long* length) {
  if (data) *data = nullptr;
  if (length) *length = 0;
  d.Data = nullptr;
  d.DataSize = d.DataCapacity = 0;
  d.StatusText[0] = d.StatusDetail[0] = 0;
  d.HeaderOffset = d.HeaderSize = 0;
  d.NonTextAbort = d.TimeAbort = d.SizeAbort = d.NonTextPending = d.OutOfMemory = 0;
  d.SentSize = d.ReceivedSize = 0;
  status_type result = ST_FAILURE;
  const uint32_t start = NetTickMs();
  d.ElapsedTime = start;

  CURL* curl = ThreadEasyHandle(d.Timeout);
  if (!curl) {
    CopyLanguageText(STR_Curl_102, d.StatusText);
    d.ElapsedTime = NetTickMs() - start;
    return ST_FAILURE;
  }
  SetRequestOptions(curl, d, https);

  int code = curl_easy_perform(curl);
  long headerSize = 0;
  if (curl_easy_getinfo(curl, CURLINFO_HEADER_SIZE, &headerSize) != CURLE_OK || headerSize < 0) {
    headerSize = 0;
  }
  d.HeaderSize = static_cast<uint32_t>(headerSize) < d.DataSize ? static_cast<uint32_t>(headerSize)
                                                                : d.DataSize;
  bool nonText = false;
  bool judged = false;
  if (code == CURLE_WRITE_ERROR) {
    if (d.OutOfMemory) {
      code = CURLE_OUT_OF_MEMORY;
    } else if (d.NonTextAbort) {
      code = CURLE_OK;
      d.HeaderSize = d.DataSize;
      CopyLanguageText(STR_Status_DisallowedNonText, d.StatusDetail);
      nonText = true;
    } else if (d.TimeAbort || d.SizeAbort) {
      code = CURLE_OK;
      Skipped(d, d.TimeAbort ? STR_Status_SlowLink : STR_Status_SizeLimit);
      result = ST_LIMIT;
      judged = true;
    }
  }
  // A HEAD reply or a stopped non-text one has no body to weigh: its Content-Length was.
  const uint32_t body = d.DataSize - d.HeaderSize;
  const bool tooSmall =
      d.SizeLimitType == SIZELIMIT_MINIMUM && !d.HeadOnly && !nonText && d.SizeLimit >= body;
  const bool tooLarge = d.SizeLimitType == SIZELIMIT_MAXIMUM && body > d.SizeLimit;
  if (!judged && (tooSmall || tooLarge)) {
    Skipped(d, STR_Status_SizeLimit);
    result = ST_LIMIT;
    judged = true;
  }
  if (!judged && code != CURLE_OK) {
    CurlCodeToMessage(code, d.StatusText, 256);
    if (IsTransientCurlCode(code)) result = ST_TRANSIENT;
  } else if (!judged && d.HeaderSize && !net::HeaderBlockEnded(d.Data, d.HeaderSize)) {
    // libcurl takes a connection closed inside the header for a whole reply: a status line
    // alone says nothing about the resource.
    CopyLanguageText(STR_Status_IncompleteReply, d.StatusText);
  } else if (!judged) {
    unsigned long status = 0;
    unsigned long offset = 0;
    net::ParseHTTPHeader(&status, d.StatusText, 256, d.Data ? d.Data : "",
                         d.HeaderSize ? d.HeaderSize : d.DataSize, d.HeaderSize != 0, &offset);
    d.HeaderOffset = static_cast<uint32_t>(offset);
    bool accepted = status == 200;
    if (d.StatusCallback) {
      accepted = d.StatusCallback(static_cast<int>(status), d.StatusUser) ||
                 (d.HeadOnly && status == 206 && d.StatusCallback(200, d.StatusUser));
    }
    if (accepted) result = nonText ? ST_NOTTEXT : ST_SUCCESS;
  }

  d.ElapsedTime = NetTickMs() - start;
  long requestSize = 0;
  curl_off_t downloaded = 0;
  if (curl_easy_getinfo(curl, CURLINFO_REQUEST_SIZE, &requestSize) == CURLE_OK) {
    d.SentSize = static_cast<uint32_t>(requestSize);
  }
  if (curl_easy_getinfo(curl, CURLINFO_SIZE_DOWNLOAD_T, &downloaded) == CURLE_OK) {
    d.ReceivedSize = static_cast<uint32_t>(downloaded) + d.HeaderSize;
  }
  if (d.Data) {
    if (data) *data = d.Data;
    if (length) *length = d.DataSize;
  }
  return result;
}

}  // namespace

CHTTPDnld::CHTTPDnld() { SetDefaults(*this, false); }

status_type CHTTPDnld::HTTPDownload(void** data, unsigned long* length) {
  return Download(*this, false, data, length);
}

void CHTTPDnld::FreeData(void* data) { std::free(data); }

size_t CHTTPDnld::WriteCallback(char* bytes, size_t size, size_t count, void* object) {
  return Write(bytes, size, count, *static_cast<CHTTPDnld*>(object));
}

size_t CHTTPDnld::HeaderCallback(char* bytes, size_t size, size_t count, void* object) {
  return Header(bytes, size, count, *static_cast<CHTTPDnld*>(object));
}

CSSLDnld::CSSLDnld() { SetDefaults(*this, true); }

status_type CSSLDnld::SSLDownload(void** data, unsigned long* length) {
  return Download(*this, true, data, length);
}

void CSSLDnld::FreeData(void* data) { std::free(data); }

size_t CSSLDnld::WriteCallback(char* bytes, size_t size, size_t count, void* object) {
  return Write(bytes, size, count, *static_cast<CSSLDnld*>(object));
}

size_t CSSLDnld::HeaderCallback(char* bytes, size_t size, size_t count, void* object) {
  return Header(bytes, size, count, *static_cast<CSSLDnld*>(object));
}
