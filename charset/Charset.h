// Charset services: recognising which encodings a byte string fits, converting between a
// named charset and UTF-16, and listing the available converters.
// Neutral header. Every function keeps no state between calls and may be called on any
// thread, concurrently.
#pragma once

#include <cstdint>

// One recognition result; records lie back to back in the array RecognizeCharset returns.
struct CHARDETSTRUCT {
  char charset[50];    // encoding name, NUL-terminated
  char language[6];    // language code, empty for the Unicode encodings
  int32_t confidence;  // 1 to 100
};
static_assert(sizeof(CHARDETSTRUCT) == 60, "records are 60 bytes");

// Flags of RecognizeCharset.
enum : uint32_t {
  CHARDET_STRIP_MARKUP = 1,  // ignore text between '<' and '>'
  CHARDET_UNICODE = 2,       // run the UTF-16 and UTF-32 recognisers
  CHARDET_OTHERS = 4,        // run every other recogniser
};

// Length value for NUL-terminated input.
constexpr uint32_t CHARDET_NUL_TERMINATED = 0xFFFFFFFF;

// Result codes of the conversion functions.
enum : int {
  CHARSET_OK = 0,
  CHARSET_NO_CONVERTER = 1,
  CHARSET_BUFFER_TOO_SMALL = 2,
  CHARSET_FAILED = 3,
};

extern "C" {

// Returns the encodings the bytes fit, best first, *count records; null with *count 0 when
// nothing scored. The caller owns the array and releases it with RecognizeFree.
// A UTF-16 verdict of confidence 10 is what ICU gives almost any input: trust a
// UTF-16/32 record only above 10.
CHARDETSTRUCT* RecognizeCharset(const char* data, uint32_t length, uint32_t flags, uint32_t* count);
// 0 when RecognizeCharset with CHARDET_UNICODE alone cannot rate a UTF-16 or UTF-32 form
// above 10 for these bytes (they hold no NUL byte and start with no UTF-16 byte order mark),
// so a caller that trusts only such a rating need not ask it; 1 otherwise.
int MayBeUnicodeForm(const char* data, uint32_t length);
// Frees *array when array and *array are non-null; leaves *array as it was.
void RecognizeFree(CHARDETSTRUCT** array);

// Conversions return a result code. Lengths of UTF-16 text count 16-bit units; *size is
// the room on entry and the amount written on return, the terminator not counted. When
// the room runs out the call still succeeds with what fitted: size buffers with GetMax*.

// *size = bytes enough to convert `length` units to `charset`.
int GetMaxFromUnicode(const char* charset, uint32_t length, uint32_t* size);
// *size = units enough to convert `length` bytes of `charset`.
int GetMaxToUnicode(const char* charset, uint32_t length, uint32_t* size);
// UTF-16 to `charset`; ends the output with a zero character as wide as the charset's
// code unit (1, 2 or 4 bytes).
int ConvertFromUnicode(const char* charset, const char16_t* text, uint32_t length, char* out,
                       uint32_t* size);
// `charset` to UTF-16, NUL-terminated; an incomplete sequence at the end is dropped.
int ConvertToUnicode(const char* charset, const char* text, uint32_t length, char16_t* out,
                     uint32_t* size);
// 1 when a converter opens under that name, else 0.
int ConvertAvailable(const char* charset);

// The list functions return 0, or -1 when the buffer was too small; *size is the room on
// entry and the bytes needed on return.
// Pairs of NUL-terminated strings, a display name then its converter name, ended by an
// empty string.
int GetCharsetList(char* buffer, uint32_t* size);
// One group per converter: its aliases as NUL-terminated strings, ended by an empty
// string; an empty group ends the list. withFallback adds this library's extra aliases.
int GetAliasList(char* buffer, uint32_t* size, int withFallback);
}

// The name of the converter that `charset` opens (an alias or this library's fallback gives
// ICU's own name: "windows-1252" gives "ibm-5348_P100-1997"), cut to size - 1 bytes and
// terminated. 1 when a converter opens, else 0 with out empty.
int CharsetConverterName(const char* charset, char* out, uint32_t size);
