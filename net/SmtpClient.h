// The mail client the program exports: fill the fields, then SMTPSendMail sends one mail,
// with STARTTLS and authentication when the server offers them and the fields ask for them.
// Text fields point to caller-owned strings, never copied or freed; a null counts as
// empty. SMTPSendMail blocks the calling thread for the whole exchange; any thread may
// call it, one object at a time.
#pragma once

#include <cstdint>

class CSMTPClnt {
 public:
  CSMTPClnt();
  ~CSMTPClnt();
  CSMTPClnt& operator=(const CSMTPClnt& other);

  // 1 when the server took the mail, 0 on any failure.
  int SMTPSendMail();

  char* Server;      // host name or dotted address
  int32_t Port;      // 25
  int32_t Verbose;   // non-zero: every log line goes to standard output
  int32_t StartTLS;  // switch to TLS when the server offers it
  int32_t Auth;      // authenticate with whichever method the server offers
  char* User;
  char* Password;
  char* To;    // the one recipient
  char* From;  // sender address
  char* Subject;
  char* Body;  // BodyLength bytes, not necessarily terminated
  int32_t BodyLength;
  char* ContentType;  // of the body; empty means "text/plain"
  char* Charset;
  char* AttachmentName;
  char* AttachmentData;
  int32_t AttachmentSize;  // 0: no attachment
};
