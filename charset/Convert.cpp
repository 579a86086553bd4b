// Conversion between page bytes in any character set and UTF-16, in slices ICU accepts.
#include <unicode/utf16.h>

#include <cstdint>
#include <cstring>
#include <initializer_list>

#include "charset/Charset.h"
#include "charset/Converter.h"

namespace {

// ICU refuses, in one call, more than 2 GB of bytes or 1 G units of UTF-16 on either side.
constexpr size_t kMaxBytesPerCall = 0x7fffffff;
constexpr size_t kMaxUnitsPerCall = 0x3fffffff;

template <typename T>
T* SliceEnd(T* from, T* end, size_t limit) {
  return static_cast<size_t>(end - from) > limit ? from + limit : end;
}

// Runs a ucnv conversion over the whole source in slices ICU accepts; the converter keeps
// its state between slices. Returns true when the target ran out before the source did.
template <typename Src, typename Dst, typename Step>
bool Pump(const Src*& src, const Src* srcEnd, size_t srcLimit, Dst*& dst, Dst* dstEnd,
          size_t dstLimit, Step step) {
  for (;;) {
    const Src* srcSlice = SliceEnd(src, srcEnd, srcLimit);
    Dst* dstSlice = SliceEnd(dst, dstEnd, dstLimit);
    UErrorCode error = U_ZERO_ERROR;
    step(&dst, dstSlice, &src, srcSlice, srcSlice == srcEnd, &error);
    if (error == U_BUFFER_OVERFLOW_ERROR) {
      if (dstSlice == dstEnd) return true;
      continue;
    }
    // Other errors come only from arguments ICU rejects; the output stands as it is.
    if (U_FAILURE(error) || src == srcEnd) return false;
  }
}

// Bytes of the zero character that ends text in this converter's charset.
uint32_t TerminatorWidth(UConverter* converter) {
  UErrorCode error = U_ZERO_ERROR;
  const char* name = ucnv_getName(converter, &error);
  if (U_FAILURE(error)) return 1;
  for (const char* utf16 : {"utf16", "utf16be", "utf16le"}) {
    if (ucnv_compareNames(name, utf16) == 0) return 2;
  }
  for (const char* utf32 : {"utf32", "utf32be", "utf32le"}) {
    if (ucnv_compareNames(name, utf32) == 0) return 4;
  }
  return 1;
}

// Bytes at the end of a cut output that begin a character whose rest did not fit. ICU
// writes what fits of the character that overflows and keeps the rest; that rest, taken
// from the converter, is compared with the character's whole length, which a fresh
// converter gives after a first character (so that a byte-order mark or an opening shift
// is not counted).
size_t PartialTail(UConverter* converter, const char* charset, const UChar* text,
                   const UChar* consumed) {
  if (consumed == text) return 0;
  char rest[64];
  char* to = rest;
  const UChar* from = consumed;
  UErrorCode error = U_ZERO_ERROR;
  ucnv_fromUnicode(converter, &to, rest + sizeof rest, &from, consumed, nullptr, false, &error);
  const size_t carried = static_cast<size_t>(to - rest);
  if (carried == 0) return 0;
  const UChar* start = consumed - 1;
  if (start > text && U16_IS_TRAIL(*start) && U16_IS_LEAD(start[-1])) --start;
  Converter alone;
  if (alone.Open(charset) != CHARSET_OK) return 0;
  char whole[64];
  const UChar first = u'a';
  const UChar* firstFrom = &first;
  to = whole;
  error = U_ZERO_ERROR;
  ucnv_fromUnicode(alone.get(), &to, whole + sizeof whole, &firstFrom, &first + 1, nullptr, false,
                   &error);
  char* const before = to;
  from = start;
  ucnv_fromUnicode(alone.get(), &to, whole + sizeof whole, &from, consumed, nullptr, false, &error);
  const size_t length = static_cast<size_t>(to - before);
  return U_SUCCESS(error) && carried < length ? length - carried : 0;
}

}  // namespace

extern "C" int GetMaxFromUnicode(const char* charset, uint32_t length, uint32_t* size) {
  if (!size) return CHARSET_FAILED;
  Converter converter;
  if (int result = converter.Open(charset)) return result;
  const uint64_t needed =
      (static_cast<uint64_t>(length) + 10) * ucnv_getMaxCharSize(converter.get());
  if (needed > UINT32_MAX) return CHARSET_FAILED;
  *size = static_cast<uint32_t>(needed);
  return CHARSET_OK;
}

extern "C" int GetMaxToUnicode(const char* charset, uint32_t length, uint32_t* size) {
  if (!size) return CHARSET_FAILED;
  Converter converter;
  if (int result = converter.Open(charset)) return result;
  const uint64_t needed = 2 * static_cast<uint64_t>(length) + 20;
  if (needed > UINT32_MAX) return CHARSET_FAILED;
  *size = static_cast<uint32_t>(needed);
  return CHARSET_OK;
}

extern "C" int ConvertFromUnicode(const char* charset, const char16_t* text, uint32_t length,
                                  char* out, uint32_t* size) {
  if (!size) return CHARSET_FAILED;
  Converter converter;
  if (int result = converter.Open(charset)) return result;
  const uint32_t width = TerminatorWidth(converter.get());
  if (width >= *size) return CHARSET_BUFFER_TOO_SMALL;
  if (!out || (!text && length)) return CHARSET_FAILED;

  // The room is cut to whole code units, so that a reader of UTF-16 or UTF-32 output finds
  // the terminator where it expects one.
  const uint32_t room = (*size - width) / width * width;
  const UChar* src = text;
  char* dst = out;
  const bool cut =
      Pump(src, src + length, kMaxUnitsPerCall, dst, out + room, kMaxBytesPerCall,
           [&](char** to, char* toLimit, const UChar** from, const UChar* fromLimit, bool last,
               UErrorCode* error) {
             ucnv_fromUnicode(converter.get(), to, toLimit, from, fromLimit, nullptr, last, error);
           });
  // Part of a character is worse than none: a reader would take it for another one.
  if (cut) dst -= PartialTail(converter.get(), charset, text, src);
  std::memset(dst, 0, width);
  *size = static_cast<uint32_t>(dst - out);
  return CHARSET_OK;
}

extern "C" int ConvertToUnicode(const char* charset, const char* text, uint32_t length,
                                char16_t* out, uint32_t* size) {
  if (!size) return CHARSET_FAILED;
  Converter converter;
  if (int result = converter.Open(charset)) return result;
  if (*size <= 2) return CHARSET_BUFFER_TOO_SMALL;
  if (!out || (!text && length)) return CHARSET_FAILED;

  const char* src = text;
  UChar* dst = out;
  // Not flushed, so a sequence cut off by the end of the data is dropped rather than
  // turned into a substitution character.
  const bool cut =
      Pump(src, src + length, kMaxBytesPerCall, dst, out + (*size - 2), kMaxUnitsPerCall,
           [&](UChar** to, UChar* toLimit, const char** from, const char* fromLimit, bool,
               UErrorCode* error) {
             ucnv_toUnicode(converter.get(), to, toLimit, from, fromLimit, nullptr, false, error);
           });
  // A full buffer can split a surrogate pair; half a character is worse than none.
  if (cut && dst > out && U16_IS_LEAD(dst[-1])) --dst;
  *dst = 0;
  *size = static_cast<uint32_t>(dst - out);
  return CHARSET_OK;
}

extern "C" int ConvertAvailable(const char* charset) {
  Converter converter;
  return converter.Open(charset) == CHARSET_OK ? 1 : 0;
}
