// CRTSPClnt: an RTSP DESCRIBE over a plain socket, directly or through a proxy. Worker threads.
#include <arpa/inet.h>
#include <errno.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "net/Downloader.h"
#include "net/NetService.h"
#include "net/RtspProbe.h"
#include "net/SmtpEncode.h"
#include "toolkit/LanguageText.h"

using net::RtspDeadline;

namespace {

const int32_t kDefaultTimeoutSeconds = 30;
const char kSessionCookie[] = "Qm7TzR2vLx9WpK4nHc8sJd";

enum : int {
  IO_FAILED = net::RTSP_READ_FAILED,
  IO_TIMEOUT = net::RTSP_READ_TIMEOUT,
};

// Closes the probe's socket on every way out.
struct SocketHolder {
  intptr_t& socket;
  ~SocketHolder() {
    if (socket >= 0) close(static_cast<int>(socket));
    socket = -1;
  }
};

// A name of digits and exactly three dots is an address: 1 with it, -1 when a part does
// not fit a byte, 0 for any other name.
int DottedQuad(const char* name, in_addr* address) {
  int dots = 0;
  for (const char* c = name; *c; ++c) {
    if (*c == '.') {
      ++dots;
    } else if (*c < '0' || *c > '9') {
      return 0;
    }
  }
  if (dots != 3) return 0;
  uint32_t value = 0;
  const char* p = name;
  for (int part = 0; part < 4; ++part) {
    if (*p < '0' || *p > '9') return -1;
    unsigned number = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
      number = number * 10 + static_cast<unsigned>(*p - '0');
      if (number > 255) return -1;
    }
    value = (value << 8) | number;
    if (*p == '.') ++p;
  }
  address->s_addr = htonl(value);
  return 1;
}

int SendAll(int socket, const void* bytes, size_t length, RtspDeadline deadline) {
  const char* data = static_cast<const char*>(bytes);
  while (length > 0) {
    // MSG_NOSIGNAL: a server that has gone away must not end the program with SIGPIPE.
    const ssize_t sent = send(socket, data, length, MSG_NOSIGNAL);
    if (sent > 0) {
      data += sent;
      length -= static_cast<size_t>(sent);
    } else if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
      const int waited = net::WaitSocket(socket, POLLOUT, deadline);
      if (waited < 0) return waited;
    } else {
      return IO_FAILED;
    }
  }
  return 0;
}

}  // namespace

// The probe of one link; members share its state through the object.
struct RtspProbe {
  CRTSPClnt& client;
  RtspDeadline deadline;
  void** data;
  unsigned long* length;

  void Text(int slot) { CopyLanguageText(slot, client.StatusText); }
  int Fail(int slot) {
    Text(slot);
    return 1;
  }

  bool Resolve(const char* name, sockaddr_in& address) {
    address = sockaddr_in{};
    address.sin_family = AF_INET;
    const int dotted = DottedQuad(name, &address.sin_addr);
    if (dotted > 0) return true;
    if (dotted < 0) {
      Text(STR_Curl_104);
      return false;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int error = getaddrinfo(name, nullptr, &hints, &found);
    if (error != 0 || !found) {
      Text(error == EAI_NONAME || error == EAI_NODATA ? STR_Curl_104 : STR_Status_NetDown);
      return false;
    }
    address.sin_addr = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr;
    freeaddrinfo(found);
    return true;
  }

  // A proxied socket: bound to any local port and reset when closed.
  bool OpenSocket(bool proxied) {
    client.Socket = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, IPPROTO_TCP);
    if (client.Socket < 0) return false;
    if (!proxied) return true;
    sockaddr_in local{};
    local.sin_family = AF_INET;
    const linger reset{1, 0};
    return bind(static_cast<int>(client.Socket), reinterpret_cast<sockaddr*>(&local),
                sizeof local) == 0 &&
           setsockopt(static_cast<int>(client.Socket), SOL_SOCKET, SO_LINGER, &reset,
                      sizeof reset) == 0;
  }

  int Connect(sockaddr_in address, int32_t port) {
    address.sin_port = htons(static_cast<uint16_t>(port));
    const int socket = static_cast<int>(client.Socket);
    if (connect(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) return 0;
    if (errno != EINPROGRESS) return IO_FAILED;
    const int waited = net::WaitSocket(socket, POLLOUT, deadline);
    if (waited < 0) return waited;
    int error = 0;
    socklen_t size = sizeof error;
    return getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0 ? 0
                                                                                      : IO_FAILED;
  }

  int Send(const std::string& text) {
    return SendAll(static_cast<int>(client.Socket), text.data(), text.size(), deadline);
  }

  // Reads a reply header; false with the text set when none could be read or judged.
  bool ReadStatus(char** reply, unsigned long* size, unsigned long* code, int failureSlot,
                  int unreadableSlot) {
    bool timedOut = false;
    if (!net::ReadHeader(static_cast<int>(client.Socket), deadline, reply, size, &timedOut)) {
      Text(failureSlot);
      return false;
    }
    if (net::CheckHeader(code, client.StatusText, 256, *reply, *size)) return true;
    client.StatusText[0] = 0;
    if (timedOut) {
      Text(STR_Curl_125);
    } else if (unreadableSlot) {
      Text(unreadableSlot);
    }
    return false;
  }

  // DESCRIBE, and the judgement of its reply, which becomes the returned data.
  int Describe() {
    std::string request = "DESCRIBE rtsp://";
    request += client.HostName;
    request += ":" + std::to_string(client.Port) + client.Path + " RTSP/1.0\r\nCSeq: 1\r\n\r\n";
    const int sent = Send(request);
    if (sent < 0) return Fail(sent == IO_TIMEOUT ? STR_Curl_125 : STR_Curl_152);
    char* reply = nullptr;
    unsigned long size = 0;
    unsigned long code = 0;
    const bool judged = ReadStatus(&reply, &size, &code, STR_Curl_153, 0);
    *data = reply;
    *length = size;
    return judged && (code == 200 || code == 405 || code == 406) ? 0 : 1;
  }

  int Direct() {
    sockaddr_in server;
    if (!Resolve(client.HostName, server)) return 1;
    if (!OpenSocket(false)) return Fail(STR_Status_SocketError);
    const int connected = Connect(server, client.Port);
    if (connected < 0) {
      return Fail(connected == IO_TIMEOUT ? STR_Curl_125 : STR_Status_ServerConnect);
    }
    return Describe();
  }

  int HttpProxy() {
    sockaddr_in proxy;
    if (!Resolve(client.ProxyAddress, proxy)) return 1;
    if (!OpenSocket(true)) return Fail(STR_Status_SocketError);
    const int connected = Connect(proxy, client.ProxyPort);
    if (connected < 0) {
      return Fail(connected == IO_TIMEOUT ? STR_Curl_125 : STR_Status_ProxyConnect);
    }
    const std::string target = std::string(client.HostName) + ":" + std::to_string(client.Port);
    std::string request = "CONNECT " + target + " HTTP/1.0\r\nPragma: nocache\r\n";
    if (client.ProxyUseAuth) {
      const std::string credentials =
          std::string(client.ProxyUserName) + ":" + client.ProxyPassword;
      request += "Proxy-authorization: Basic " +
                 Base64Encode(credentials.data(), credentials.size(), false) + "\r\n";
    } else {
      request += "Host: " + target + "\r\n";
    }
    request += std::string("x-sessioncookie: ") + kSessionCookie + "\r\n\r\n";
    const int sent = Send(request);
    if (sent < 0) return Fail(sent == IO_TIMEOUT ? STR_Curl_125 : STR_Status_ProxyError);
    char* reply = nullptr;
    unsigned long size = 0;
    unsigned long code = 0;
    const bool judged =
        ReadStatus(&reply, &size, &code, STR_Status_ServerError, STR_Status_ProxyError);
    free(reply);
    // A proxy that refuses the tunnel leaves its own status text.
    if (!judged || code != 200) return 1;
    client.StatusText[0] = 0;
    return Describe();
  }

  // A step of the SOCKS5 exchange that failed: its text, or "Timeout".
  int SocksFail(int result, int slot) { return Fail(result == IO_TIMEOUT ? STR_Curl_125 : slot); }

  int Socks5() {
    const size_t nameLength = strlen(client.HostName);
    in_addr target{};
    const int dotted = DottedQuad(client.HostName, &target);
    if (dotted < 0) return Fail(STR_Curl_104);
    // The name's length goes in one byte.
    if (dotted == 0 && nameLength > 255) return Fail(STR_Status_ProxyError);
    sockaddr_in proxy;
    if (!Resolve(client.ProxyAddress, proxy)) return 1;
    if (!OpenSocket(true)) return Fail(STR_Status_SocketError);
    int result = Connect(proxy, client.ProxyPort);
    if (result < 0) return SocksFail(result, STR_Status_SocketConnect);

    const int socket = static_cast<int>(client.Socket);
    const unsigned char plain[] = {5, 1, 0};
    const unsigned char withAuth[] = {5, 2, 0, 2};
    result = client.ProxyUseAuth ? SendAll(socket, withAuth, sizeof withAuth, deadline)
                                 : SendAll(socket, plain, sizeof plain, deadline);
    if (result < 0) return SocksFail(result, STR_Status_ProxyError);
    char reply[262];
    result = net::ReadReply(socket, deadline, reply, 2);
    if (result < 0 || reply[0] != 5) return SocksFail(result, STR_Status_ProxyError);
    if (reply[1] == 2 && client.ProxyUseAuth) {
      std::string login(1, '\1');
      login += static_cast<char>(strlen(client.ProxyUserName));
      login += client.ProxyUserName;
      login += static_cast<char>(strlen(client.ProxyPassword));
      login += client.ProxyPassword;
      result = Send(login);
      if (result == 0) result = net::ReadReply(socket, deadline, reply, 2);
      if (result < 0 || reply[1] != 0) return SocksFail(result, STR_Status_ProxyAuth);
    } else if (reply[1] == 1 || reply[1] == 2) {
      return Fail(STR_Status_ProxyAuth);
    } else if (reply[1] != 0) {
      // No method the proxy takes.
      return 1;
    }

    std::string request("\5\1\0", 3);
    if (dotted > 0) {
      request += '\1';
      request.append(reinterpret_cast<const char*>(&target.s_addr), 4);
    } else {
      request += '\3';
      request += static_cast<char>(nameLength);
      request += client.HostName;
    }
    request += static_cast<char>((client.Port >> 8) & 0xFF);
    request += static_cast<char>(client.Port & 0xFF);
    result = Send(request);
    if (result < 0) return SocksFail(result, STR_Status_ProxyError);
    result = net::ReadSOCKS5Reply(socket, deadline, reply);
    if (result < 0 || reply[0] != 5 || reply[1] != 0) {
      return SocksFail(result, STR_Status_ProxyError);
    }
    return Describe();
  }
};

CRTSPClnt::CRTSPClnt()
    : HostName(),
      Port(80),
      ProxyType(0),
      ProxyAddress(),
      ProxyPort(808),
      ProxyBypassLocal(0),
      ProxyUseAuth(0),
      ProxyUserName(),
      ProxyPassword(),
      Path(),
      StatusText(),
      StatusDetail(),
      HeaderOffset(0),
      HeaderSize(0),
      ElapsedTime(0),
      Socket(-1),
      Timeout(kDefaultTimeoutSeconds) {}

status_type CRTSPClnt::RTSPClient(void** data, unsigned long* length) {
  *data = nullptr;
  *length = 0;
  StatusText[0] = 0;
  ElapsedTime = NetTickMs();
  const int32_t seconds = Timeout > 0 ? Timeout : kDefaultTimeoutSeconds;
  RtspProbe probe{*this, std::chrono::steady_clock::now() + std::chrono::seconds(seconds), data,
                  length};
  SocketHolder holder{Socket};
  int result = 1;
  bool plainHost = true;
  for (const char* c = HostName; *c; ++c) {
    // It goes raw into the CONNECT, Host and DESCRIBE lines.
    if (static_cast<unsigned char>(*c) <= 0x20 || *c == 0x7F) plainHost = false;
  }
  URLEscape(Path, sizeof Path);
  const int32_t proxyType = ProxyType && ProxyBypassLocal && IsLocalHost(HostName) ? 0 : ProxyType;
  if (!plainHost) {
    result = probe.Fail(STR_Curl_103);
  } else if (proxyType == 0) {
    result = probe.Direct();
  } else if (proxyType == 1) {
    result = probe.HttpProxy();
  } else if (proxyType == 2) {
    result = probe.Socks5();
  }
  ElapsedTime = NetTickMs() - ElapsedTime;
  HeaderSize = static_cast<uint32_t>(*length);
  return result == 0 ? ST_SUCCESS : ST_FAILURE;
}

void CRTSPClnt::FreeData(void* data) { free(data); }
