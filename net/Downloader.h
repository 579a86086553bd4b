// The downloaders of the crawl engine, one class per protocol. Neutral header.
// Use: construct, set the public fields, call the download operation once, read the
// status texts and counters, pass the returned block to the same object's FreeData.
// An object serves one check on one thread; the returned block belongs to the caller.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "net/StatusType.h"

// No body is read into memory beyond this, whatever the size limit says: above it the
// download ends as skipped by the size limit.
constexpr uint32_t DOWNLOAD_MAX_BYTES = 64u * 1024 * 1024;

// Size-limit kinds of SizeLimitType: a minimum skips a resource of at most SizeLimit
// bytes, a maximum one of more than SizeLimit bytes.
enum : int32_t {
  SIZELIMIT_NONE = 0,
  SIZELIMIT_MINIMUM = 1,
  SIZELIMIT_MAXIMUM = 2,
};

// Non-zero when the HTTP status code counts as success. No calling-convention keyword:
// both sides of the program must see one ABI.
typedef int (*HttpStatusCallback)(int status, void* user);

// The fields shared by CHTTPDnld and CSSLDnld, in their stored order.
#define TL_HTTP_DOWNLOADER_FIELDS                                                      \
  char HostName[2048];                                                                 \
  int32_t Port;                                                                        \
  int32_t AuthType; /* 0 any, 1 Basic, 2 NTLM, 3 Digest, 4 Negotiate, other any */     \
  char UserName[256];                                                                  \
  char Password[256];                                                                  \
  int32_t ProxyType; /* 0 none, 1 HTTP, other SOCKS5 */                                \
  char ProxyAddress[256];                                                              \
  int32_t ProxyPort;                                                                   \
  int32_t ProxyBypassLocal;                                                            \
  int32_t ProxyUseAuth;                                                                \
  char ProxyUserName[256];                                                             \
  char ProxyPassword[256];                                                             \
  char UserAgent[256];                                                                 \
  char* Cookie; /* the caller's; null or "" sends no Cookie header */                  \
  int32_t Http11;                                                                      \
  char Path[2048]; /* UTF-8; escaped in place when the escaped text fits */            \
  uint32_t TimeLimit;                                                                  \
  int32_t SizeLimitType; /* 0 none, 1 minimum, 2 maximum */                            \
  uint32_t SizeLimit;                                                                  \
  int32_t HeadOnly;                                                                    \
  int32_t Timeout; /* seconds */                                                       \
  HttpStatusCallback StatusCallback;                                                   \
  void* StatusUser;                                                                    \
  char16_t StatusText[256];                                                            \
  char16_t StatusDetail[256];                                                          \
  uint32_t HeaderOffset; /* of the last reply header block in the data */              \
  uint32_t HeaderSize;                                                                 \
  uint32_t ElapsedTime; /* the start tick while running, then elapsed ms */            \
  uint32_t SentSize;                                                                   \
  uint32_t ReceivedSize;                                                               \
  char* Data;                                                                          \
  uint32_t DataSize;                                                                   \
  int32_t NonTextAbort;                                                                \
  int32_t TimeAbort;                                                                   \
  int32_t SizeAbort;                                                                   \
  int32_t NonTextPending; /* a non-text Content-Type waits for the end of its block */ \
  int32_t OutOfMemory;                                                                 \
  uint32_t DataCapacity;

// http: the reply's header blocks and body, with one NUL after them that the length does
// not count; results 0 to 4. Stops after the header on a non-text Content-Type (3).
class CHTTPDnld {
 public:
  CHTTPDnld();
  status_type HTTPDownload(void** data, unsigned long* length);
  void FreeData(void* data);
  static size_t WriteCallback(char* bytes, size_t size, size_t count, void* object);
  static size_t HeaderCallback(char* bytes, size_t size, size_t count, void* object);

  TL_HTTP_DOWNLOADER_FIELDS
};

// https, without a certificate check, and never a Content-Type test: results 0, 1, 2, 4.
class CSSLDnld {
 public:
  CSSLDnld();
  status_type SSLDownload(void** data, unsigned long* length);
  void FreeData(void* data);
  static size_t WriteCallback(char* bytes, size_t size, size_t count, void* object);
  static size_t HeaderCallback(char* bytes, size_t size, size_t count, void* object);

  TL_HTTP_DOWNLOADER_FIELDS
};

#undef TL_HTTP_DOWNLOADER_FIELDS

// ftp: lists the directory that holds Path's last part and looks for that name in it;
// results 0, 1, 2, 4, no data. StatusText is the server's latest reply line, "OK" or
// '"name" is a directory'.
class CFTPDnld {
 public:
  explicit CFTPDnld(int ignoreCase);
  status_type FTPTestExistance();
  void FreeData(void* data);
  // 0 when equal; ASCII case is ignored when IgnoreCase is set.
  int strcmpcase(const char* a, const char* b);
  static size_t WriteCallback(char* bytes, size_t size, size_t count, void* object);
  static size_t HeaderCallback(char* bytes, size_t size, size_t count, void* object);

  char HostName[2048];
  int32_t Port;
  char UserName[256];
  char Password[256];
  int32_t ProxyType;  // 0 none, other an HTTP proxy that tunnels
  char ProxyAddress[256];
  int32_t ProxyPort;
  int32_t ProxyBypassLocal;
  int32_t ProxyUseAuth;
  char ProxyUserName[256];
  char ProxyPassword[256];
  int32_t Passive;  // 0: active mode
  char Path[2048];  // UTF-8, not escaped
  int32_t Timeout;  // seconds
  uint32_t TimeLimit;
  char16_t StatusText[256];
  char16_t StatusDetail[256];
  uint32_t ElapsedTime;
  uint32_t SentSize;
  uint32_t ReceivedSize;
  int32_t IgnoreCase;
  char* Data;  // the listing while the check runs
  uint32_t DataSize;
  int32_t HeaderDone;
  int32_t TimeAbort;
  int32_t SizeAbort;  // the listing reached DOWNLOAD_MAX_BYTES
  int32_t OutOfMemory;
  uint32_t DataCapacity;
};

// file: a local file, read whole (or only opened with ExistenceOnly); results 0, 1 (with
// the system's text), 2. Windows side.
class CFILEDnld {
 public:
  char16_t FileName[2048] = {};  // '/' becomes '\' in place when the download starts
  uint32_t TimeLimit = 0;        // milliseconds, 0 = none
  int32_t SizeLimitType = SIZELIMIT_NONE;
  uint32_t SizeLimit = 0;  // bytes
  int32_t ExistenceOnly = 0;
  char16_t StatusText[256] = {};
  char16_t StatusDetail[256] = {};
  uint32_t ElapsedTime = 0;  // milliseconds the download took
  uint32_t SentSize = 0;
  uint32_t ReceivedSize = 0;

  status_type FILEDownload(void** data, unsigned long* length);
  void FreeData(void* data);
};

// rtsp: one DESCRIBE over TCP, direct, through an HTTP proxy's CONNECT tunnel or through a
// SOCKS5 proxy; results 0 (200, 405 or 406) or 1. The data is the reply header with one NUL
// after it that the length does not count. Timeout bounds the whole probe.
class CRTSPClnt {
 public:
  CRTSPClnt();
  status_type RTSPClient(void** data, unsigned long* length);
  void FreeData(void* data);

  char HostName[2048];
  int32_t Port;
  int32_t ProxyType;  // 0 direct, 1 HTTP, 2 SOCKS5, other nothing is sent
  char ProxyAddress[256];
  int32_t ProxyPort;
  int32_t ProxyBypassLocal;
  int32_t ProxyUseAuth;
  char ProxyUserName[256];
  char ProxyPassword[256];
  char Path[2048];  // UTF-8; escaped in place when the escaped text fits
  char16_t StatusText[256];
  char16_t StatusDetail[256];
  uint32_t HeaderOffset;
  uint32_t HeaderSize;
  uint32_t ElapsedTime;
  intptr_t Socket;  // the POSIX descriptor while the probe runs, else -1
  int32_t Timeout;  // seconds
};

// The bytes 0x01-0x20, 0x7F-0xFF and those in `extra` as '%' and two upper-case hex digits.
std::string URLEscaped(const char* text, const char* extra = "");
// Escapes text in place when the result fits size bytes with its NUL and returns text;
// otherwise returns null and leaves text as it was. A second call changes nothing.
char* URLEscape(char* text, size_t size);

// The libcurl result code's message of the language table's Curl section.
void CurlCodeToMessage(int code, char16_t* text, int size);
// Transfer errors worth another attempt (result 4).
bool IsTransientCurlCode(int code);
// localhost, 127.0.0.1, this machine's name or its first IPv4 address: no proxy for them
// when the proxy bypass for local hosts is on.
bool IsLocalHost(const char* host);
// This machine's host name (at most nameSize - 1 bytes) and, when the name resolves, its
// first IPv4 address in dotted notation (else ""). The lookup may ask the name service.
void LocalHostNameAndAddress(char* name, size_t nameSize, char* dotted, size_t dottedSize);

namespace net {
// Reads the status line of the last reply header block in data[0, length) (with
// lengthIsHeaderSize, only blocks that end before length are skipped) into text (UTF-16,
// NUL-terminated); the code is 0 when the block has no HTTP status line. Always 1.
int ParseHTTPHeader(unsigned long* statusCode, char16_t* text, int textSize, const char* data,
                    unsigned long length, int lengthIsHeaderSize, unsigned long* headerOffset);
// True when the header bytes data[0, length) end with the blank line that closes a block.
bool HeaderBlockEnded(const char* data, unsigned long length);
}  // namespace net
