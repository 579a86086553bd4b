// Unicode compares with and without case, for UTF-16 and UTF-8 text, through ICU.
#include <unicode/stringpiece.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include "engine/TextHelpers.h"

namespace {

int Compare(const icu::UnicodeString& a, const icu::UnicodeString& b, int ignoreCase) {
  return ignoreCase ? a.caseCompare(b, U_FOLD_CASE_DEFAULT) : a.compare(b);
}

int BoundedLength(const char16_t* text, int limit) {
  int n = 0;
  while (n < limit && text[n]) ++n;
  return n;
}

const char16_t kEmpty[] = u"";

}  // namespace

int UnicodeCompare(const char16_t* a, const char16_t* b, int ignoreCase) {
  return Compare(icu::UnicodeString(a ? a : kEmpty), icu::UnicodeString(b ? b : kEmpty),
                 ignoreCase);
}

int UnicodeCompareN(const char16_t* a, const char16_t* b, int n, int ignoreCase) {
  const int length = a && n > 0 ? BoundedLength(a, n) : 0;
  return Compare(icu::UnicodeString(a ? a : kEmpty, length), icu::UnicodeString(b ? b : kEmpty),
                 ignoreCase);
}

int UnicodeCompareUTF8(const char* a, const char* b, int ignoreCase) {
  return Compare(icu::UnicodeString::fromUTF8(icu::StringPiece(a ? a : "")),
                 icu::UnicodeString::fromUTF8(icu::StringPiece(b ? b : "")), ignoreCase);
}

std::string FoldCaseUTF8(const char* text) {
  std::string out;
  icu::UnicodeString::fromUTF8(icu::StringPiece(text ? text : ""))
      .foldCase(U_FOLD_CASE_DEFAULT)
      .toUTF8String(out);
  return out;
}
