// Opens ICU converters by name with this library's fallback aliases, and maps ICU errors to
// results.
#include "charset/Converter.h"

#include <cstring>

#include "charset/Charset.h"
#include "charset/CharsetTables.h"

Converter::~Converter() {
  if (converter_) ucnv_close(converter_);
}

int Converter::Open(const char* charset) {
  // ICU would open its default converter for a null name, which is never what a page's
  // declared charset means.
  if (!charset || !*charset) return CHARSET_NO_CONVERTER;
  UErrorCode error = U_ZERO_ERROR;
  converter_ = ucnv_open(charset, &error);
  if (error == U_FILE_ACCESS_ERROR) {
    if (const char* fallback = FindFallbackConverter(charset)) {
      error = U_ZERO_ERROR;
      converter_ = ucnv_open(fallback, &error);
    }
  }
  // ICU opens common names such as windows-1252 with an ambiguous-alias warning.
  if (U_FAILURE(error)) {
    if (converter_) ucnv_close(converter_);
    converter_ = nullptr;
    return ResultFromIcu(error);
  }
  return CHARSET_OK;
}

int ResultFromIcu(UErrorCode error) {
  if (U_SUCCESS(error)) return CHARSET_OK;
  if (error == U_FILE_ACCESS_ERROR) return CHARSET_NO_CONVERTER;
  if (error == U_BUFFER_OVERFLOW_ERROR) return CHARSET_BUFFER_TOO_SMALL;
  return CHARSET_FAILED;
}

int CharsetConverterName(const char* charset, char* out, uint32_t size) {
  if (!out || size == 0) return 0;
  out[0] = '\0';
  Converter converter;
  if (converter.Open(charset) != CHARSET_OK) return 0;
  UErrorCode error = U_ZERO_ERROR;
  const char* name = ucnv_getName(converter.get(), &error);
  if (U_FAILURE(error) || !name) return 0;
  const size_t length = strnlen(name, size - 1);
  std::memcpy(out, name, length);
  out[length] = '\0';
  return 1;
}
