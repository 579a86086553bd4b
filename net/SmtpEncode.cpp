// The mail client's encoders: base64, quoted-printable, the CRAM-MD5 answer and the Date header.
#include "net/SmtpEncode.h"

#include <openssl/evp.h>
#include <openssl/hmac.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
const char kHex[] = "0123456789ABCDEF";
const size_t kBase64LineChars = 60;

// Four characters for one to three bytes.
void EncodeGroup(const unsigned char* bytes, size_t count, char* out) {
  const uint32_t value = (uint32_t{bytes[0]} << 16) | (count > 1 ? uint32_t{bytes[1]} << 8 : 0) |
                         (count > 2 ? uint32_t{bytes[2]} : 0);
  out[0] = kAlphabet[(value >> 18) & 63];
  out[1] = kAlphabet[(value >> 12) & 63];
  out[2] = count > 1 ? kAlphabet[(value >> 6) & 63] : '=';
  out[3] = count > 2 ? kAlphabet[value & 63] : '=';
}

int AppendToString(const char* text, size_t length, void* user) {
  static_cast<std::string*>(user)->append(text, length);
  return 0;
}

int DecodeValue(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

// One quoted-printable output line under construction.
struct QpLine {
  std::string text;
  SmtpTextWriter writer;
  void* user;

  int End(const char* ending) {
    text += ending;
    const int result = writer(text.data(), text.size(), user);
    text.clear();
    return result < 0 ? result : 0;
  }

  void Escape(unsigned char c) {
    text += '=';
    text += kHex[c >> 4];
    text += kHex[c & 15];
  }

  // A blank or tab at the end of a line would be dropped on the way.
  void EscapeTrailingBlank() {
    if (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
      const unsigned char blank = static_cast<unsigned char>(text.back());
      text.pop_back();
      Escape(blank);
    }
  }
};

}  // namespace

int Base64Lines(const void* data, uint64_t length, SmtpTextWriter writer, void* user) {
  const unsigned char* bytes = static_cast<const unsigned char*>(data);
  char line[kBase64LineChars + 2];
  size_t used = 0;
  for (uint64_t at = 0; at < length; at += 3) {
    const size_t count = length - at < 3 ? static_cast<size_t>(length - at) : 3;
    EncodeGroup(bytes + at, count, line + used);
    used += 4;
    if (used == kBase64LineChars) {
      line[used++] = '\r';
      line[used++] = '\n';
      const int result = writer(line, used, user);
      if (result < 0) return result;
      used = 0;
    }
  }
  line[used++] = '\r';
  line[used++] = '\n';
  const int result = writer(line, used, user);
  return result < 0 ? result : 0;
}

std::string Base64Encode(const void* data, size_t length, bool lineBreaks) {
  std::string out;
  if (lineBreaks) {
    Base64Lines(data, length, AppendToString, &out);
    return out;
  }
  const unsigned char* bytes = static_cast<const unsigned char*>(data);
  out.resize((length + 2) / 3 * 4);
  for (size_t at = 0, used = 0; at < length; at += 3, used += 4) {
    EncodeGroup(bytes + at, length - at < 3 ? length - at : 3, &out[used]);
  }
  return out;
}

bool Base64Decode(const char* text, size_t length, std::string& out) {
  out.clear();
  uint32_t group = 0;
  int inGroup = 0;  // characters of the current group
  int padding = 0;  // '=' seen in the current group
  bool finished = false;
  for (size_t i = 0; i < length; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '=') {
      if (finished || inGroup < 2) return false;
      ++padding;
      if (++inGroup == 4) {
        if (padding == 2) {
          out += static_cast<char>(group >> 4);
        } else {
          out += static_cast<char>(group >> 10);
          out += static_cast<char>(group >> 2);
        }
        finished = true;
      }
      continue;
    }
    const int value = DecodeValue(c);
    if (value < 0) continue;
    if (finished || padding > 0) return false;
    group = (group << 6) | static_cast<uint32_t>(value);
    if (++inGroup == 4) {
      out += static_cast<char>(group >> 16);
      out += static_cast<char>(group >> 8);
      out += static_cast<char>(group);
      group = 0;
      inGroup = 0;
    }
  }
  return inGroup == 0 || finished;
}

int QuotedPrintable(const void* data, uint64_t length, SmtpTextWriter writer, void* user) {
  const unsigned char* bytes = static_cast<const unsigned char*>(data);
  QpLine line{std::string(), writer, user};
  bool afterCr = false;
  for (uint64_t i = 0; i < length; ++i) {
    const unsigned char c = bytes[i];
    if (c == '\r' || c == '\n') {
      const bool pairEnd = c == '\n' && afterCr;
      afterCr = c == '\r';
      if (pairEnd) continue;
      line.EscapeTrailingBlank();
      const int result = line.End("\r\n");
      if (result < 0) return result;
      continue;
    }
    afterCr = false;
    // Every line on the wire counts, including those after a soft break: a lone '.' ends
    // the mail, and "From " is mangled by mailbox files.
    if (line.text.empty() && c == '.') {
      line.Escape(c);
    } else if (line.text.empty() && c == 'F' &&
               memcmp(bytes + i, "From ", length - i < 5 ? static_cast<size_t>(length - i) : 5) ==
                   0) {
      line.Escape(c);
    } else if ((c >= 33 && c <= 60) || (c >= 62 && c <= 126) || c == ' ' || c == '\t') {
      line.text += static_cast<char>(c);
    } else {
      line.Escape(c);
    }
    if (line.text.size() > 72) {
      const int result = line.End("=\r\n");
      if (result < 0) return result;
    }
  }
  if (line.text.empty()) return 0;
  line.EscapeTrailingBlank();
  return line.End("\r\n");
}

bool CramMd5Answer(const std::string& challenge, const char* user, const char* password,
                   std::string& answer) {
  answer.clear();
  std::string decoded;
  if (!Base64Decode(challenge.data(), challenge.size(), decoded)) return false;
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int digestLength = 0;
  if (!HMAC(EVP_md5(), password, static_cast<int>(strlen(password)),
            reinterpret_cast<const unsigned char*>(decoded.data()), decoded.size(), digest,
            &digestLength)) {
    return false;
  }
  std::string text = user;
  text += ' ';
  for (unsigned int i = 0; i < digestLength; ++i) {
    text += "0123456789abcdef"[digest[i] >> 4];
    text += "0123456789abcdef"[digest[i] & 15];
  }
  answer = Base64Encode(text.data(), text.size(), false);
  return true;
}

int FormatMailDate(time_t when, std::string& text) {
  // Fixed English names: strftime would follow the locale, and mail dates are English.
  static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  struct tm local {};
  struct tm utc {};
  if (!localtime_r(&when, &local) || !gmtime_r(&when, &utc)) return -1;
  int offset = (local.tm_hour - utc.tm_hour) * 60 + (local.tm_min - utc.tm_min);
  if (local.tm_year != utc.tm_year) {
    offset += local.tm_year > utc.tm_year ? 1440 : -1440;
  } else if (local.tm_yday != utc.tm_yday) {
    offset += local.tm_yday > utc.tm_yday ? 1440 : -1440;
  }
  if (offset < -1440 || offset > 1440 || local.tm_wday < 0 || local.tm_wday > 6 ||
      local.tm_mon < 0 || local.tm_mon > 11) {
    return -1;
  }
  // The sign goes with the whole offset, so half an hour west is -0030.
  const int magnitude = abs(offset);
  char buffer[64];
  snprintf(buffer, sizeof buffer, "%s, %02d %s %04d %02d:%02d:%02d %c%02d%02d",
           kDays[local.tm_wday], local.tm_mday, kMonths[local.tm_mon], local.tm_year + 1900,
           local.tm_hour, local.tm_min, local.tm_sec, offset < 0 ? '-' : '+', magnitude / 60,
           magnitude % 60);
  text = buffer;
  return 0;
}

std::string MakeBoundary() {
  srand(static_cast<unsigned>(time(nullptr)));
  std::string boundary(16, ' ');
  for (char& c : boundary) c = kAlphabet[rand() & 63];
  return boundary;
}
