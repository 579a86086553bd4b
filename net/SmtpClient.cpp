// CSMTPClnt: the exported mail client; SMTPSendMail sends one mail.
#include "net/SmtpClient.h"

#include <cstdio>

#include "net/SmtpMail.h"

namespace {

char kEmpty[] = "";
char kMailer[] = "Tessaline";

void PrintLog(const char* text, int length, void* user) {
  if (static_cast<CSMTPClnt*>(user)->Verbose && length > 0) {
    fwrite(text, 1, static_cast<size_t>(length), stdout);
  }
}

}  // namespace

CSMTPClnt::CSMTPClnt()
    : Server(kEmpty),
      Port(25),
      Verbose(0),
      StartTLS(0),
      Auth(0),
      User(kEmpty),
      Password(kEmpty),
      To(kEmpty),
      From(kEmpty),
      Subject(kEmpty),
      Body(kEmpty),
      BodyLength(0),
      ContentType(kEmpty),
      Charset(kEmpty),
      AttachmentName(kEmpty),
      AttachmentData(kEmpty),
      AttachmentSize(0) {}

CSMTPClnt::~CSMTPClnt() = default;

CSMTPClnt& CSMTPClnt::operator=(const CSMTPClnt& other) = default;

int CSMTPClnt::SMTPSendMail() {
  tagSMTPMAIL mail{};
  mail.LogProtocol = 1;
  mail.StartTLS = StartTLS;
  mail.AuthAny = Auth;
  mail.Mailer = kMailer;
  mail.User = User;
  mail.Password = Password;
  mail.From = From;
  char* recipients[] = {To};
  mail.Recipients = recipients;
  mail.RecipientCount = 1;
  mail.Subject = Subject;
  mail.Server = Server;
  mail.Port = Port;
  mail.Body = Body;
  mail.BodyLength = BodyLength;
  mail.ContentType = ContentType;
  mail.Charset = Charset;
  mail.AddDate = 1;
  mail.LogCallback = PrintLog;
  mail.LogUser = this;
  tagSMTPATTACH attachment{AttachmentName, AttachmentData, AttachmentSize};
  if (AttachmentData && AttachmentSize != 0) {
    mail.Attachments = &attachment;
    mail.AttachmentCount = 1;
  }
  return RunSmtpSession(&mail) >= 0 ? 1 : 0;
}
