// The broken-link description and its language texts.
#include "engine/BrokenText.h"

#include "engine/TextPieces.h"
#include "toolkit/LanguageText.h"

namespace {

std::u16string Number(long long value) { return AsciiToU16(std::to_string(value).c_str()); }

}  // namespace

std::u16string BrokenDescription(const BrokenTexts& texts, const char16_t* url,
                                 const char16_t* relUrl, int32_t line, int32_t col,
                                 const char16_t* relTitle, const char16_t* statusstr) {
  std::u16string out;
  if (relUrl && *relUrl) {
    out += NonNullText(texts.onPage) + std::u16string(u" \b") + relUrl + u"\b\n";
    out += NonNullText(texts.atLine) + std::u16string(u" ") + Number(line) + u" " +
           NonNullText(texts.atColumn) + u" " + Number(col) + u", " + NonNullText(relTitle) +
           u",\n";
    out += NonNullText(texts.linkToSm);
  } else {
    out += NonNullText(texts.linkToCap);
  }
  out += std::u16string(u" \b\"") + NonNullText(url) + u"\"\b\n";
  out += NonNullText(texts.theError) + std::u16string(u": \f") + NonNullText(statusstr) + u"\f.";
  return out;
}

BrokenTexts BrokenTextsOfLanguage() {
  return {LanguageText(STR_Location_OnPage),    LanguageText(STR_Location_AtLine),
          LanguageText(STR_Location_AtColumn),  LanguageText(STR_Location_LinkToSm),
          LanguageText(STR_Location_LinkToCap), LanguageText(STR_Location_TheError)};
}
