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
  Pump(src, src + length, kMaxUnitsPerCall, dst, out + room, kMaxBytesPerCall,
       [&](char** to, char* toLimit, const UChar** from, const UChar* fromLimit, bool last,
           UErrorCode* error) {
         ucnv_fromUnicode(converter.get(), to, toLimit, from, fromLimit, nullptr, last, error);
       });
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
