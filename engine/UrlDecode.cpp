// Decoding of %-escapes and HTML character references in link text.
#include <cstring>
#include <string>

#include "engine/AsciiText.h"
#include "engine/TextHelpers.h"
#include "engine/UrlParts.h"

namespace {

// The byte of a "%xx" escape at text, or -1.
int EscapedByte(const char16_t* text) {
  if (text[0] != u'%') return -1;
  const int high = HexDigitValue(text[1]);
  if (high < 0) return -1;
  const int low = HexDigitValue(text[2]);
  return low < 0 ? -1 : high * 16 + low;
}

// Decodes the escapes of one UTF-8 character starting at text into out; returns the
// units written (0 when the escapes must stay as written) and the units read.
int DecodeEscapedCharacter(const char16_t* text, char16_t out[2], int& read) {
  char bytes[4];
  size_t count = 0;
  for (int byte; count < 4 && (byte = EscapedByte(text + 3 * count)) >= 0; ++count)
    bytes[count] = static_cast<char>(byte);
  if (count == 0) return 0;
  uint32_t cp = 0;
  size_t bad = 0;
  const size_t length = Utf8Sequence(bytes, count, &cp, &bad);
  if (length == 0) return 0;
  // These would change which resource the address names, or cut it.
  if (cp == 0 || cp == '%' || cp == '#' || cp == '?' || cp == '/') return 0;
  read = 3 * static_cast<int>(length);
  return Utf8ToUtf16(bytes, static_cast<uint32_t>(length), out, 2);
}

struct Entity {
  const char16_t* name;
  char16_t value;
};

// The HTML 4.01 names the engine knows; trade keeps its Windows-1252 value 153.
const Entity kEntities[] = {
    {u"ndash", 8211}, {u"mdash", 8212}, {u"iexcl", 161},  {u"iquest", 191}, {u"quot", 34},
    {u"ldquo", 8220}, {u"rdquo", 8221}, {u"lsquo", 8216}, {u"rsquo", 8217}, {u"laquo", 171},
    {u"raquo", 187},  {u"nbsp", 160},   {u"amp", 38},     {u"cent", 162},   {u"copy", 169},
    {u"divide", 247}, {u"gt", 62},      {u"lt", 60},      {u"micro", 181},  {u"middot", 183},
    {u"para", 182},   {u"plusmn", 177}, {u"euro", 8364},  {u"pound", 163},  {u"reg", 174},
    {u"sect", 167},   {u"trade", 153},  {u"yen", 165},    {u"aacute", 225}, {u"Aacute", 193},
    {u"agrave", 224}, {u"Agrave", 192}, {u"acirc", 226},  {u"Acirc", 194},  {u"aring", 229},
    {u"Aring", 197},  {u"atilde", 227}, {u"Atilde", 195}, {u"auml", 228},   {u"Auml", 196},
    {u"aelig", 230},  {u"AElig", 198},  {u"ccedil", 231}, {u"Ccedil", 199}, {u"eacute", 233},
    {u"Eacute", 201}, {u"egrave", 232}, {u"Egrave", 200}, {u"ecirc", 234},  {u"Ecirc", 202},
    {u"euml", 235},   {u"Euml", 203},   {u"iacute", 237}, {u"Iacute", 205}, {u"igrave", 236},
    {u"Igrave", 204}, {u"icirc", 238},  {u"Icirc", 206},  {u"iuml", 239},   {u"Iuml", 207},
    {u"ntilde", 241}, {u"Ntilde", 209}, {u"oacute", 243}, {u"Oacute", 211}, {u"ograve", 242},
    {u"Ograve", 210}, {u"ocirc", 244},  {u"Ocirc", 212},  {u"oslash", 248}, {u"Oslash", 216},
    {u"otilde", 245}, {u"Otilde", 213}, {u"ouml", 246},   {u"Ouml", 214},   {u"szlig", 223},
    {u"uacute", 250}, {u"Uacute", 218}, {u"ugrave", 249}, {u"Ugrave", 217}, {u"ucirc", 251},
    {u"Ucirc", 219},  {u"uuml", 252},   {u"Uuml", 220},   {u"yuml", 255},
};

int LookupEntity(const char16_t* name, size_t length) {
  for (const Entity& entity : kEntities) {
    if (std::char_traits<char16_t>::length(entity.name) == length &&
        !std::char_traits<char16_t>::compare(entity.name, name, length)) {
      return entity.value;
    }
  }
  return -1;
}

// The code point of "&#" digits (decimal, or hexadecimal after a small "x"): the longest
// run of digits at the start, as a scanner would read it; -1 when there is none.
int32_t NumericReference(const char16_t* digits, size_t length) {
  int base = 10;
  if (length > 0 && digits[0] == u'x') {
    base = 16;
    ++digits;
    --length;
  }
  int32_t value = 0;
  size_t used = 0;
  for (; used < length; ++used) {
    const int digit = base == 16 ? HexDigitValue(digits[used])
                                 : (IsAsciiDigit(digits[used]) ? digits[used] - u'0' : -1);
    if (digit < 0) break;
    if (value <= 0x10FFFF) value = value * base + digit;
  }
  return used == 0 ? -1 : value;
}

// Writes the character of one reference at out; returns the units written (0: leave the
// reference as written). NUL, lone surrogates and values past Unicode are never written.
int WriteCodePoint(int32_t cp, char16_t* out) {
  if (cp <= 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  if (cp < 0x10000) {
    out[0] = static_cast<char16_t>(cp);
    return 1;
  }
  cp -= 0x10000;
  out[0] = static_cast<char16_t>(0xD800 + (cp >> 10));
  out[1] = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
  return 2;
}

// Decodes the reference at text[0] == '&' into out; returns the units written and the
// units read, or 0 when it stays as written.
int DecodeReference(const char16_t* text, char16_t out[2], size_t& read) {
  if (text[1] == u'#') {
    size_t end = 2;
    while (IsAsciiLetter(text[end]) || IsAsciiDigit(text[end])) ++end;
    const int written = WriteCodePoint(NumericReference(text + 2, end - 2), out);
    read = end + (text[end] == u';');
    return written;
  }
  size_t end = 1;
  while (IsAsciiLetter(text[end])) ++end;
  const int value = LookupEntity(text + 1, end - 1);
  if (value < 0) return 0;
  if (text[end] != u';' && (text[end] == u'=' || IsAsciiDigit(text[end]))) return 0;
  out[0] = static_cast<char16_t>(value);
  read = end + (text[end] == u';');
  return 1;
}

// Decodes in place the escapes and / or the references of text.
void Decode(char16_t* text, bool escapes, bool references) {
  if (!text) return;
  size_t in = 0;
  size_t out = 0;
  bool query = false;
  while (text[in]) {
    char16_t decoded[2];
    int written = 0;
    size_t read = 0;
    if (escapes && text[in] == u'%') {
      int units = 0;
      written = DecodeEscapedCharacter(text + in, decoded, units);
      read = static_cast<size_t>(units);
    } else if (references && text[in] == u'&') {
      written = DecodeReference(text + in, decoded, read);
    }
    if (written > 0) {
      for (int i = 0; i < written; ++i) text[out++] = decoded[i];
      in += read;
      continue;
    }
    char16_t c = text[in++];
    if (c == u'?') query = true;
    if (escapes && c == u'+' && query) c = u' ';
    text[out++] = c;
  }
  text[out] = 0;
}

}  // namespace

void URLUnescape(char16_t* text) { Decode(text, true, false); }

void URLUnentitle(char16_t* text) { Decode(text, false, true); }

void URLDecodeResource(char16_t* text) { Decode(text, true, true); }

void RemoveSpacesFromString(char16_t* text) {
  if (!text) return;
  size_t out = 0;
  bool blank = false;
  for (size_t in = 0; text[in]; ++in) {
    const char16_t c = text[in];
    if (c == u' ' || c == u'\t' || c == u'\r' || c == u'\n') {
      if (!blank) text[out++] = u' ';
      blank = true;
    } else {
      text[out++] = c;
      blank = false;
    }
  }
  text[out] = 0;
}
