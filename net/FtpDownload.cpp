// CFTPDnld: an existence check by listing the directory that holds the target.
#include <strings.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <type_traits>

#include "engine/TextCopy.h"
#include "engine/TextHelpers.h"
#include "net/CurlEasy.h"
#include "net/Downloader.h"
#include "net/FtpList.h"
#include "net/NetService.h"
#include "toolkit/AnsiCodePage.h"
#include "toolkit/LanguageText.h"

static_assert(std::is_trivially_copyable<CFTPDnld>::value, "copied field by field");

namespace {

template <size_t N>
void PutText(char (&field)[N], const char* text) {
  const size_t length = std::min(std::strlen(text), N - 1);
  std::memcpy(field, text, length);
  field[length] = 0;
}

bool SameName(const CFTPDnld& d, const char* a, size_t aLength, const char* b, size_t bLength) {
  if (aLength != bLength) return false;
  return d.IgnoreCase ? !strncasecmp(a, b, aLength) : !std::memcmp(a, b, aLength);
}

// The reply line worth showing: a server's ("227 ...") or a tunnelling proxy's status
// line (after its "HTTP/1.x "). Header fields and blank lines are neither.
bool StatusLine(const char*& line, size_t& n) {
  while (n && (line[n - 1] == '\r' || line[n - 1] == '\n')) --n;
  if (n >= 3 && line[0] >= '0' && line[0] <= '9' && line[1] >= '0' && line[1] <= '9' &&
      line[2] >= '0' && line[2] <= '9') {
    return true;
  }
  if (n < 5 || std::memcmp(line, "HTTP/", 5) != 0) return false;
  const char* blank = static_cast<const char*>(std::memchr(line, ' ', n));
  if (!blank) return false;
  n -= blank + 1 - line;
  line = blank + 1;
  return true;
}

// The entry named `name` in the listing, or null.
bool FindEntry(const CFTPDnld& d, const char* name, tagFTPLISTENTRY& entry) {
  const size_t nameLength = std::strlen(name);
  const char* p = d.Data;
  const char* end = d.Data + d.DataSize;
  while (p < end) {
    while (p < end && (*p == '\r' || *p == '\n')) ++p;
    const char* line = p;
    while (p < end && *p != '\r' && *p != '\n') ++p;
    if (p > line && ParseFTPListLine(&entry, line, static_cast<int>(p - line)) &&
        SameName(d, entry.name, entry.nameLength, name, nameLength)) {
      return true;
    }
  }
  return false;
}

void ReportFound(CFTPDnld& d, const char* name, const tagFTPLISTENTRY& entry) {
  if (!entry.mayBeDirectory) {
    CopyLanguageText(STR_Status_OK, d.StatusText);
    return;
  }
  char16_t directory[256];
  CopyLanguageText(STR_Status_Directory, directory);
  std::u16string text = u"\"";
  std::u16string wide(std::strlen(name) + 1, 0);
  wide.resize(Utf8ToUtf16(name, static_cast<uint32_t>(std::strlen(name)), &wide[0],
                          static_cast<int>(wide.size())));
  text += wide + u"\" " + directory;
  CopyField(d.StatusText, text.c_str());
}

}  // namespace

CFTPDnld::CFTPDnld(int ignoreCase) {
  std::memset(static_cast<void*>(this), 0, sizeof(*this));
  Port = 21;
  PutText(UserName, "anonymous");
  PutText(Password, "anonymous@example.com");
  ProxyPort = 808;
  Passive = 1;
  Timeout = 30;
  IgnoreCase = ignoreCase;
}

void CFTPDnld::FreeData(void* data) { std::free(data); }

int CFTPDnld::strcmpcase(const char* a, const char* b) {
  return IgnoreCase ? strcasecmp(a, b) : std::strcmp(a, b);
}

size_t CFTPDnld::WriteCallback(char* bytes, size_t size, size_t count, void* object) {
  CFTPDnld& d = *static_cast<CFTPDnld*>(object);
  return ReceiveBytes(d, bytes, size * count);
}

size_t CFTPDnld::HeaderCallback(char* bytes, size_t size, size_t count, void* object) {
  CFTPDnld& d = *static_cast<CFTPDnld*>(object);
  const size_t n = size * count;
  if (TimeLimitPassed(d.ElapsedTime, d.TimeLimit)) {
    d.TimeAbort = 1;
    return static_cast<size_t>(-1);
  }
  const char* line = bytes;
  size_t length = n;
  if (!d.HeaderDone && StatusLine(line, length)) {
    const int units =
        AnsiToWide(line, static_cast<int>(std::min<size_t>(length, 255)), d.StatusText, 255);
    d.StatusText[units] = 0;
  }
  return n;
}

status_type CFTPDnld::FTPTestExistance() {
  Data = nullptr;
  DataSize = DataCapacity = 0;
  StatusText[0] = StatusDetail[0] = 0;
  HeaderDone = TimeAbort = SizeAbort = OutOfMemory = 0;
  SentSize = ReceivedSize = 0;
  status_type result = ST_FAILURE;
  const uint32_t start = NetTickMs();
  ElapsedTime = start;
  CURL* curl = OpenEasyHandle(Timeout);
  if (!curl) {
    CopyLanguageText(STR_Curl_102, StatusText);
    ElapsedTime = NetTickMs() - start;
    return ST_FAILURE;
  }
  // The directory goes into the URL; the path is stored decoded, so '%', '#' and '?' are
  // escaped too. Without any '/' the root is listed.
  const char* slash = std::strrchr(Path, '/');
  const std::string directory = slash ? std::string(Path, slash - Path) : std::string();
  const char* name = slash ? slash + 1 : Path;
  const std::string url =
      std::string("ftp://") + HostName + URLEscaped(directory.c_str(), "%#?") + "/";
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_PORT, static_cast<long>(Port));
  curl_easy_setopt(curl, CURLOPT_USERNAME, UserName);
  curl_easy_setopt(curl, CURLOPT_PASSWORD, Password);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &CFTPDnld::WriteCallback);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, this);
  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &CFTPDnld::HeaderCallback);
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, this);
  if (ProxyType && ProxyBypassLocal && IsLocalHost(HostName)) ProxyType = 0;
  SetProxyOptions(curl, ProxyType ? 1 : 0, true, ProxyAddress, ProxyPort, ProxyUseAuth,
                  ProxyUserName, ProxyPassword);
  curl_easy_setopt(curl, CURLOPT_FTPPORT, Passive ? nullptr : "-");

  int code = curl_easy_perform(curl);
  if (code == CURLE_WRITE_ERROR && OutOfMemory) code = CURLE_OUT_OF_MEMORY;
  ElapsedTime = NetTickMs() - start;
  long headerSize = 0;
  curl_off_t listed = 0;
  curl_easy_getinfo(curl, CURLINFO_HEADER_SIZE, &headerSize);
  curl_easy_getinfo(curl, CURLINFO_SIZE_DOWNLOAD_T, &listed);
  long requestSize = 0;
  curl_easy_getinfo(curl, CURLINFO_REQUEST_SIZE, &requestSize);
  SentSize = static_cast<uint32_t>(requestSize);
  ReceivedSize = static_cast<uint32_t>(headerSize + listed);
  HeaderDone = 1;

  if (code == CURLE_WRITE_ERROR && TimeAbort) {
    CopyLanguageText(STR_Status_SKIPPED, StatusText);
    CopyLanguageText(STR_Status_SlowLink, StatusDetail);
    result = ST_LIMIT;
  } else {
    const bool ceiling = code == CURLE_WRITE_ERROR && SizeAbort;
    // Out of memory outranks the server's last line: it says nothing about the target.
    if (code != CURLE_OK && !ceiling && (!StatusText[0] || OutOfMemory)) {
      CurlCodeToMessage(code, StatusText, 256);
      if (IsTransientCurlCode(code)) result = ST_TRANSIENT;
    }
    // An empty listing never reaches the write callback: success without data is one.
    tagFTPLISTENTRY entry;
    if (code != CURLE_OK && !Data) {
      CopyLanguageText(STR_Status_LISTFailed, StatusDetail);
    } else if (!*name) {
      CopyLanguageText(STR_Status_OK, StatusText);
      result = ST_SUCCESS;
    } else if (Data && FindEntry(*this, name, entry)) {
      ReportFound(*this, name, entry);
      result = ST_SUCCESS;
    } else if (ceiling) {
      CopyLanguageText(STR_Status_SKIPPED, StatusText);
      CopyLanguageText(STR_Status_SizeLimit, StatusDetail);
      result = ST_LIMIT;
    } else if (code == CURLE_OK) {
      CopyLanguageText(STR_Status_FileNotFound, StatusText);
    }
  }
  std::free(Data);
  Data = nullptr;
  DataSize = DataCapacity = 0;
  curl_easy_cleanup(curl);
  return result;
}
