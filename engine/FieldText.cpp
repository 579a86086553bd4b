// Comma- and tab-separated report fields.
#include "engine/FieldText.h"

#include "engine/TextPieces.h"

std::u16string CsvField(const char16_t* text) {
  std::u16string value = NonNullText(text);
  if (value.find_first_of(u",\"\r\n") == std::u16string::npos) return value;
  std::u16string out = u"\"";
  for (char16_t c : value) {
    if (c == u'"') out += u'"';
    out += c;
  }
  return out + u"\"";
}

std::u16string TabField(const char16_t* text) {
  std::u16string out = NonNullText(text);
  for (char16_t& c : out)
    if (c == u'\t' || c == u'\r' || c == u'\n') c = u' ';
  return out;
}
