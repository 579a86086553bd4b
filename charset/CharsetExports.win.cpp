// The charset functions as the program exports them: with the platform's standard-call
// convention, forwarding to the library-side implementations.
#include <windows.h>

#include "charset/Charset.h"

extern "C" {

CHARDETSTRUCT* WINAPI ExportRecognizeCharset(const char* data, uint32_t length, uint32_t flags,
                                             uint32_t* count) {
  return RecognizeCharset(data, length, flags, count);
}

void WINAPI ExportRecognizeFree(CHARDETSTRUCT** array) { RecognizeFree(array); }

int WINAPI ExportGetMaxFromUnicode(const char* charset, uint32_t length, uint32_t* size) {
  return GetMaxFromUnicode(charset, length, size);
}

int WINAPI ExportGetMaxToUnicode(const char* charset, uint32_t length, uint32_t* size) {
  return GetMaxToUnicode(charset, length, size);
}

int WINAPI ExportConvertFromUnicode(const char* charset, const char16_t* text, uint32_t length,
                                    char* out, uint32_t* size) {
  return ConvertFromUnicode(charset, text, length, out, size);
}

int WINAPI ExportConvertToUnicode(const char* charset, const char* text, uint32_t length,
                                  char16_t* out, uint32_t* size) {
  return ConvertToUnicode(charset, text, length, out, size);
}

int WINAPI ExportConvertAvailable(const char* charset) { return ConvertAvailable(charset); }

int WINAPI ExportGetCharsetList(char* buffer, uint32_t* size) {
  return GetCharsetList(buffer, size);
}

int WINAPI ExportGetAliasList(char* buffer, uint32_t* size, int withFallback) {
  return GetAliasList(buffer, size, withFallback);
}
}
