// The mail client's connection: a TCP socket, later wrapped in TLS, with every wait bounded.
#include "net/SmtpTransport.h"

#include <errno.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

namespace {

void Log(SmtpLogCallback log, void* user, const std::string& text) {
  if (log) log(text.data(), static_cast<int>(text.size()), user);
}

// After an SSL call that returned `result`: waits for what OpenSSL needs and says whether
// to call again (0) or gives up.
int WaitForTls(const SmtpConnection& connection, int result, SmtpDeadline deadline) {
  switch (SSL_get_error(connection.Tls, result)) {
    case SSL_ERROR_WANT_READ:
      return net::WaitSocket(connection.Socket, POLLIN, deadline);
    case SSL_ERROR_WANT_WRITE:
      return net::WaitSocket(connection.Socket, POLLOUT, deadline);
    default:
      return SMTP_IO_FAILED;
  }
}

int Receive(SmtpConnection& connection, SmtpDeadline deadline) {
  for (;;) {
    if (connection.TlsOn) {
      ERR_clear_error();
      const int got = SSL_read(connection.Tls, connection.Buffer, sizeof connection.Buffer);
      if (got > 0) return got;
      const int waited = WaitForTls(connection, got, deadline);
      if (waited < 0) return waited;
      continue;
    }
    const ssize_t got = recv(connection.Socket, connection.Buffer, sizeof connection.Buffer, 0);
    if (got > 0) return static_cast<int>(got);
    if (got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
      return SMTP_IO_FAILED;
    }
    const int waited = net::WaitSocket(connection.Socket, POLLIN, deadline);
    if (waited < 0) return waited;
  }
}

int TlsErrorLine(const char* text, size_t length, void* user) {
  auto* sink = static_cast<std::pair<SmtpLogCallback, void*>*>(user);
  sink->first(text, static_cast<int>(length), sink->second);
  return 1;
}

void LogName(X509_NAME* name, const char* label, const char* missing, SmtpLogCallback log,
             void* user) {
  char text[512];
  if (!name || !X509_NAME_oneline(name, text, sizeof text)) {
    Log(log, user, missing);
    return;
  }
  Log(log, user, std::string(label) + text + "\r\n");
}

}  // namespace

int SmtpConnect(SmtpConnection& connection, const char* host, uint16_t port,
                SmtpDeadline deadline) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host, nullptr, &hints, &found) != 0 || !found) return SMTP_IO_FAILED;
  sockaddr_in address{};
  memcpy(&address, found->ai_addr, sizeof address);
  freeaddrinfo(found);
  address.sin_port = htons(port);

  connection.Socket = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (connection.Socket < 0) return SMTP_IO_FAILED;
  if (connect(connection.Socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
    return 0;
  }
  if (errno != EINPROGRESS) return SMTP_IO_FAILED;
  const int waited = net::WaitSocket(connection.Socket, POLLOUT, deadline);
  if (waited < 0) return waited;
  int error = 0;
  socklen_t size = sizeof error;
  if (getsockopt(connection.Socket, SOL_SOCKET, SO_ERROR, &error, &size) != 0 || error != 0) {
    return SMTP_IO_FAILED;
  }
  return 0;
}

int SmtpSend(SmtpConnection& connection, const char* text, size_t length, SmtpDeadline deadline) {
  size_t sent = 0;
  while (!connection.Broken && sent < length) {
    const size_t piece = length - sent > (1u << 30) ? (1u << 30) : length - sent;
    if (connection.TlsOn) {
      ERR_clear_error();
      const int wrote = SSL_write(connection.Tls, text + sent, static_cast<int>(piece));
      if (wrote > 0) {
        sent += static_cast<size_t>(wrote);
        continue;
      }
      const int waited = WaitForTls(connection, wrote, deadline);
      if (waited == 0) continue;
      connection.Broken = true;
      return waited;
    }
    // MSG_NOSIGNAL: a peer that has gone away must not end the program with SIGPIPE.
    const ssize_t wrote = send(connection.Socket, text + sent, piece, MSG_NOSIGNAL);
    if (wrote > 0) {
      sent += static_cast<size_t>(wrote);
      continue;
    }
    if (wrote < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
      const int waited = net::WaitSocket(connection.Socket, POLLOUT, deadline);
      if (waited == 0) continue;
      connection.Broken = true;
      return waited;
    }
    connection.Broken = true;
  }
  return connection.Broken ? SMTP_IO_FAILED : 0;
}

int SmtpReadLine(SmtpConnection& connection, std::string& line, size_t max, SmtpDeadline deadline) {
  line.clear();
  for (;;) {
    if (connection.Broken) return SMTP_IO_FAILED;
    if (connection.Begin == connection.End) {
      const int got = Receive(connection, deadline);
      if (got < 0) return got;
      connection.Begin = 0;
      connection.End = static_cast<size_t>(got);
    }
    while (connection.Begin < connection.End) {
      const char c = connection.Buffer[connection.Begin++];
      if (c == '\n') return static_cast<int>(line.size());
      if (c != '\r' && line.size() < max) line += c;
    }
  }
}

void SmtpClose(SmtpConnection& connection) {
  if (connection.Tls) SSL_free(connection.Tls);
  if (connection.TlsContext) SSL_CTX_free(connection.TlsContext);
  if (connection.Socket >= 0) close(connection.Socket);
  connection.Tls = nullptr;
  connection.TlsContext = nullptr;
  connection.Socket = -1;
  connection.TlsOn = false;
}

void SmtpCreateTls(SmtpConnection& connection, SmtpLogCallback log, void* user) {
  connection.TlsContext = SSL_CTX_new(TLS_client_method());
  if (!connection.TlsContext) {
    Log(log, user, "Could not create SSL context\r\n");
    return;
  }
  connection.Tls = SSL_new(connection.TlsContext);
  if (!connection.Tls) Log(log, user, "SSL_new() failed\r\n");
}

int SmtpStartTls(SmtpConnection& connection, SmtpDeadline deadline, std::string& failure) {
  if (!connection.Tls) {
    failure = "Could not start STARTTLS, SSL not initialized properly";
    return SMTP_IO_FAILED;
  }
  ERR_clear_error();
  if (SSL_set_fd(connection.Tls, connection.Socket) != 1) {
    failure = "Failed to set socket to SSL";
    return SMTP_IO_FAILED;
  }
  failure = "SSL connection failed";
  // Bytes that came in after the reply to STARTTLS are no handshake: a server, or whoever
  // sits between, has put them there to be read as replies once TLS is up.
  if (connection.Begin != connection.End) return SMTP_IO_FAILED;
  for (;;) {
    const int result = SSL_connect(connection.Tls);
    if (result == 1) break;
    const int waited = WaitForTls(connection, result, deadline);
    if (waited < 0) return waited;
  }
  connection.TlsOn = true;
  return 0;
}

void SmtpLogTlsErrors(SmtpLogCallback log, void* user) {
  if (!log) return;
  std::pair<SmtpLogCallback, void*> sink(log, user);
  ERR_print_errors_cb(TlsErrorLine, &sink);
}

void SmtpLogTlsInfo(const SmtpConnection& connection, SmtpLogCallback log, void* user) {
  const char* cipher = SSL_CIPHER_get_name(SSL_get_current_cipher(connection.Tls));
  Log(log, user, std::string("Cipher: ") + (cipher ? cipher : "") + "\r\n");
  Log(log, user, "Certificate information:\r\n");
  X509* certificate = SSL_get1_peer_certificate(connection.Tls);
  if (!certificate) {
    Log(log, user, "No peer certificate found\r\n");
    return;
  }
  LogName(X509_get_subject_name(certificate),
          "Subject: ", "Could not get subject name in certificate\r\n", log, user);
  LogName(X509_get_issuer_name(certificate),
          "Issuer: ", "Could not get issuer name in certificate\r\n", log, user);
  X509_free(certificate);
}
