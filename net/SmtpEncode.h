// Encoders of the mail client: base64, quoted-printable, the CRAM-MD5 answer, the Date
// header text and the multipart boundary. Pure functions; any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>

// Receives a piece of encoded text; a negative result stops the encoder, which returns it.
typedef int (*SmtpTextWriter)(const char* text, size_t length, void* user);

// Base64 broken by CR LF after every 60 characters and always ending with CR LF, written
// one line at a time. 0 or the writer's negative result.
int Base64Lines(const void* data, uint64_t length, SmtpTextWriter writer, void* user);

// The same text as one string; without `lineBreaks` a single line without CR LF.
std::string Base64Encode(const void* data, size_t length, bool lineBreaks);

// Skips characters outside the alphabet; false for a misplaced '=', data after the
// padding or an incomplete last group.
bool Base64Decode(const char* text, size_t length, std::string& out);

// Quoted-printable lines of at most 76 characters; a '.' or "From " at the start of any
// line is encoded. 0 or the writer's negative result.
int QuotedPrintable(const void* data, uint64_t length, SmtpTextWriter writer, void* user);

// The base64 response "user hexdigest" to a base64 challenge; false when the challenge
// does not decode.
bool CramMd5Answer(const std::string& challenge, const char* user, const char* password,
                   std::string& answer);

// "Wed, 09 Dec 2026 01:02:03 +0100" for the local zone; -1 for an impossible offset.
int FormatMailDate(time_t when, std::string& text);

// 16 base64 characters; the same within one second.
std::string MakeBoundary();
