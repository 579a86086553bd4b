// Opening ICU converters by name, with this library's fallback aliases, and turning ICU
// errors into the public result codes. Library-private; any thread.
#pragma once

#include <unicode/ucnv.h>

// Owns one open converter and closes it when it goes out of scope.
class Converter {
 public:
  Converter() = default;
  ~Converter();
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Opens `charset`, or the fallback converter for it when ICU does not know the name.
  // Returns CHARSET_OK or the result code of the failure; a null or empty name has no
  // converter.
  int Open(const char* charset);
  UConverter* get() const { return converter_; }

 private:
  UConverter* converter_ = nullptr;
};

// Maps a failed ICU status to CHARSET_NO_CONVERTER, CHARSET_BUFFER_TOO_SMALL or
// CHARSET_FAILED; warnings and success give CHARSET_OK.
int ResultFromIcu(UErrorCode error);
