// The mail client's connection: a TCP socket, later wrapped in TLS, with every wait bounded
// by a deadline. Library side; one connection belongs to one thread.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "net/SmtpMail.h"
#include "net/SocketWait.h"

typedef struct ssl_st SSL;
typedef struct ssl_ctx_st SSL_CTX;

typedef net::SocketDeadline SmtpDeadline;

enum : int {
  SMTP_IO_FAILED = net::SOCKET_WAIT_FAILED,    // closed, refused or broken
  SMTP_IO_TIMEOUT = net::SOCKET_WAIT_TIMEOUT,  // the deadline passed
};

struct SmtpConnection {
  int Socket = -1;
  SSL_CTX* TlsContext = nullptr;
  SSL* Tls = nullptr;  // null when TLS could not be set up
  bool TlsOn = false;
  bool Broken = false;  // a send failed: nothing more goes out or comes in
  // Received and not yet read as lines.
  char Buffer[4096];
  size_t Begin = 0;
  size_t End = 0;
};

// Connects to `host` (a name or a dotted address, IPv4). 0, SMTP_IO_FAILED or
// SMTP_IO_TIMEOUT.
int SmtpConnect(SmtpConnection& connection, const char* host, uint16_t port, SmtpDeadline deadline);

// Sends all `length` bytes: 0, SMTP_IO_FAILED or SMTP_IO_TIMEOUT.
int SmtpSend(SmtpConnection& connection, const char* text, size_t length, SmtpDeadline deadline);

// Reads up to LF; keeps at most `max` bytes other than CR and LF in `line` and drops the
// rest. The count kept, SMTP_IO_FAILED or SMTP_IO_TIMEOUT.
int SmtpReadLine(SmtpConnection& connection, std::string& line, size_t max, SmtpDeadline deadline);

// Closes the socket and frees the TLS objects.
void SmtpClose(SmtpConnection& connection);

// Creates the TLS context and object of the connection; a failure is logged and leaves
// Tls null.
void SmtpCreateTls(SmtpConnection& connection, SmtpLogCallback log, void* user);

// The TLS handshake over the connected socket. 0, SMTP_IO_TIMEOUT, or the failure's text,
// which the OpenSSL error queue follows into the log.
int SmtpStartTls(SmtpConnection& connection, SmtpDeadline deadline, std::string& failure);

// Writes the OpenSSL error queue of this thread to the log.
void SmtpLogTlsErrors(SmtpLogCallback log, void* user);

// "Cipher: ..." and the peer certificate's subject and issuer, one log line each.
void SmtpLogTlsInfo(const SmtpConnection& connection, SmtpLogCallback log, void* user);
