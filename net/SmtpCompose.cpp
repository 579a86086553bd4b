// Composes a mail's MIME text: headers, body and base64 attachments.
#include <string>

#include "net/SmtpMail.h"

namespace {

const char* Text(const char* text) { return text ? text : ""; }

// Hands each piece to the writer until one fails; later pieces are dropped.
struct MessageOut {
  SmtpTextWriter writer;
  void* user;
  int result;

  void Put(const std::string& text) {
    if (result < 0) return;
    const int written = writer(text.data(), text.size(), user);
    if (written < 0) result = written;
  }
  void Header(const char* name, const char* value) {
    if (*Text(value)) Put(std::string(name) + ": " + value + "\r\n");
  }
  void Encoded(int result) {
    if (this->result >= 0 && result < 0) this->result = result;
  }
};

// Control bytes other than line ends and tab would not survive quoted-printable text.
bool IsBinary(const char* body, uint64_t length) {
  for (uint64_t i = 0; i < length; ++i) {
    const unsigned char c = static_cast<unsigned char>(body[i]);
    if (c >= 0x01 && c <= 0x1F && c != '\r' && c != '\n' && c != '\t') return true;
  }
  return false;
}

}  // namespace

int ComposeMessage(const tagSMTPMAIL& mail, SmtpTextWriter writer, void* user) {
  MessageOut out{writer, user, 0};
  out.Put(std::string("Subject: ") + Text(mail.Subject) + "\r\n");
  if (*Text(mail.FromName)) {
    out.Put(std::string("From: ") + mail.FromName + " <" + Text(mail.From) + ">\r\n");
  } else {
    out.Put(std::string("From: ") + Text(mail.From) + "\r\n");
  }
  std::string date;
  if (mail.AddDate && FormatMailDate(time(nullptr), date) == 0) out.Put("Date: " + date + "\r\n");
  if (mail.RecipientCount > 0 && mail.Recipients) {
    out.Put(std::string("To: ") + Text(mail.Recipients[0]) + "\r\n");
  }
  out.Header("Cc", mail.Cc);
  out.Header("Bcc", mail.Bcc);
  out.Header("Reply-To", mail.ReplyTo);
  out.Header("Disposition-Notification-To", mail.NotifyAddress);
  out.Header("X-Mailer", mail.Mailer);

  const uint64_t bodyLength = mail.BodyLength > 0 ? static_cast<uint64_t>(mail.BodyLength) : 0;
  const bool binary = IsBinary(mail.Body, bodyLength);
  std::string partHeader = "Content-Type: ";
  partHeader += *Text(mail.ContentType) ? mail.ContentType : "text/plain";
  if (*Text(mail.Charset)) partHeader += std::string("; charset=\"") + mail.Charset + "\"";
  partHeader += binary ? "\r\nContent-Transfer-Encoding: base64\r\n"
                       : "\r\nContent-Transfer-Encoding: quoted-printable\r\n";

  const bool multipart = mail.AttachmentCount > 0 || mail.Multipart;
  std::string boundary;
  if (multipart) {
    boundary = MakeBoundary();
    out.Put("Content-type: multipart/mixed; boundary=\"" + boundary + "\"\r\n");
    out.Put("Mime-version: 1.0\r\n");
    out.Put("\r\n");
    out.Put("\r\n--" + boundary + "\r\n");
    partHeader += "Content-Disposition: inline\r\n";
  }
  out.Put(partHeader);
  out.Put("\r\n");
  if (out.result >= 0 && bodyLength > 0) {
    out.Encoded(binary ? Base64Lines(mail.Body, bodyLength, writer, user)
                       : QuotedPrintable(mail.Body, bodyLength, writer, user));
  }
  if (!multipart) return out.result;

  for (int32_t i = 0; i < mail.AttachmentCount && out.result >= 0; ++i) {
    const tagSMTPATTACH& attachment = mail.Attachments[i];
    const std::string name = Text(attachment.Name);
    out.Put("\r\n--" + boundary + "\r\n");
    out.Put("Content-Type: application/octet-stream" +
            (name.empty() ? std::string() : "; name=\"" + name + "\"") + "\r\n");
    out.Put("Content-Transfer-Encoding: base64\r\n");
    out.Put("Content-Disposition: attachment" +
            (name.empty() ? std::string() : "; filename=\"" + name + "\"") + "\r\n");
    out.Put("\r\n");
    if (out.result >= 0) {
      out.Encoded(Base64Lines(attachment.Data,
                              attachment.Size > 0 ? static_cast<uint64_t>(attachment.Size) : 0,
                              writer, user));
    }
    out.Put("\r\n\r\n");
  }
  out.Put("\r\n--" + boundary + "--\r\n");
  return out.result;
}
