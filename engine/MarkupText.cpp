// Removal of the description mark-up characters.
#include "engine/MarkupText.h"

#include "engine/TextPieces.h"

void RemoveMarkup(char16_t* text) {
  char16_t* out = text;
  for (const char16_t* in = text; *in; ++in)
    if (*in != u'\b' && *in != u'\f') *out++ = *in;
  *out = 0;
}

std::u16string StripMarkup(const char16_t* text) {
  std::u16string out = NonNullText(text);
  RemoveMarkup(&out[0]);
  out.resize(std::char_traits<char16_t>::length(out.c_str()));
  return out;
}
