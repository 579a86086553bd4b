// One SMTP conversation that sends one mail: the request and the session that runs it.
// Library side; RunSmtpSession blocks the calling thread, any thread may call it.
#pragma once

#include <cstdint>
#include <string>

#include "net/SmtpEncode.h"

// Receives every log text: protocol lines, message lines, notes and "Error: " lines.
typedef void (*SmtpLogCallback)(const char* text, int length, void* user);

struct tagSMTPATTACH {
  char* Name;
  char* Data;
  int32_t Size;
};

struct tagSMTPMAIL {
  int32_t LogProtocol;  // client and server lines go to the log
  int32_t LogMessage;   // the composed message goes to the log too
  int32_t StartTLS;
  int32_t Quiet;  // only errors are logged
  int32_t AssumeESMTP;
  int32_t AuthAny;
  int32_t AuthPlain;
  int32_t AuthCramMd5;
  int32_t AuthLogin;
  char* User;
  char* Password;
  char* FromName;  // may be null
  char* From;      // required
  char** Recipients;
  int32_t RecipientCount;
  char* Cc;
  char* Bcc;
  char* Subject;
  char* Server;  // null or empty: 127.0.0.1
  int32_t Port;  // low 16 bits
  int32_t Multipart;
  char* Mailer;
  tagSMTPATTACH* Attachments;
  int32_t AttachmentCount;
  char* Body;
  int32_t BodyLength;
  char* ContentType;  // null or empty: text/plain
  char* Charset;
  char* NotifyAddress;  // Disposition-Notification-To
  char* ReplyTo;
  int32_t AddDate;
  SmtpLogCallback LogCallback;
  void* LogUser;
  int32_t TimeoutSeconds;  // for connecting and for each reply; 0: 120
};

// 0 when the server took the message, -1 on any failure (logged as one "Error: " line).
int RunSmtpSession(tagSMTPMAIL* mail);

// The message between DATA and the end marker, written piece by piece: headers, then a
// single part or multipart/mixed. 0 or the writer's negative result.
int ComposeMessage(const tagSMTPMAIL& mail, SmtpTextWriter writer, void* user);

// The name the client greets the server with: this machine's canonical name, or
// "unknown". Tests replace it so that no name query leaves the machine.
extern std::string (*SmtpLocalHostName)();
