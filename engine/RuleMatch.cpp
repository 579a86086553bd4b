// Matching under the site's case rule: compares, wildcard lists, robots.txt rules and server name
// substitution.
#include "engine/RuleMatch.h"

#include <unicode/uchar.h>

#include <algorithm>
#include <new>
#include <string_view>

#include "engine/AsciiText.h"
#include "engine/TextCopy.h"
#include "engine/TextHelpers.h"

namespace {

using View = std::u16string_view;

// A text buffer on the stack when small, else on the heap; empty when out of memory.
class UnitBuffer {
 public:
  explicit UnitBuffer(size_t units)
      : data_(units <= kLocal ? local_ : new (std::nothrow) char16_t[units]) {}
  ~UnitBuffer() {
    if (data_ != local_) delete[] data_;
  }
  UnitBuffer(const UnitBuffer&) = delete;
  UnitBuffer& operator=(const UnitBuffer&) = delete;
  char16_t* get() { return data_; }

 private:
  static constexpr size_t kLocal = 512;
  char16_t local_[kLocal];
  char16_t* data_;
};

// The greedy match with one back-track point, over a pattern and a text of known length.
bool WildMatch(View pattern, View text, int ignoreCase) {
  size_t p = 0;
  size_t t = 0;
  auto same = [&](size_t pi, size_t ti) {
    return pattern[pi] == u'?' || wcharcmpcase(pattern[pi], text[ti], ignoreCase);
  };
  while (t < text.size() && (p >= pattern.size() || pattern[p] != u'*')) {
    if (p >= pattern.size() || !same(p, t)) return false;
    ++p;
    ++t;
  }
  size_t backPattern = View::npos;
  size_t backText = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == u'*') {
      if (++p == pattern.size()) return true;
      backPattern = p;
      backText = t + 1;
    } else if (p < pattern.size() && same(p, t)) {
      ++p;
      ++t;
    } else {
      if (backPattern == View::npos) return false;
      p = backPattern;
      t = backText++;
    }
  }
  while (p < pattern.size() && pattern[p] == u'*') ++p;
  return p == pattern.size();
}

bool StartsWithWww(View text, int ignoreCase) {
  if (text.size() < 4) return false;
  const View www = u"www.";
  for (size_t i = 0; i < www.size(); ++i) {
    if (!wcharcmpcase(text[i], www[i], ignoreCase)) return false;
  }
  return true;
}

template <typename Unit, typename Fold>
const Unit* FindFolded(const Unit* text, const Unit* part, Fold fold) {
  if (!text || !part) return nullptr;
  for (;; ++text) {
    size_t i = 0;
    while (part[i] && text[i] && fold(text[i]) == fold(part[i])) ++i;
    if (!part[i]) return text;
    if (!*text) return nullptr;
  }
}

char16_t UnitUpper(char16_t c) { return static_cast<char16_t>(u_toupper(c)); }
char16_t UnitLower(char16_t c) { return static_cast<char16_t>(u_tolower(c)); }

// Copies the pieces one after another; once a piece is cut, nothing more is added.
struct BoundedWriter {
  char16_t* out;
  int size;
  int length = 0;
  bool full = false;

  void Add(const char16_t* text, int units) {
    if (full) return;
    const int room = size - length;
    const int copied = CopyTextN(out + length, room, text, units);
    length += copied;
    if (copied < units && text[copied]) full = true;
  }
};

}  // namespace

int strcmpcase(const char16_t* a, const char16_t* b, int ignoreCase) {
  return UnicodeCompare(a, b, ignoreCase);
}

int strncmpcase(const char16_t* a, const char16_t* b, int n, int ignoreCase) {
  if (n <= 0) return 0;
  // Only the units b has count: a huge n neither overflows nor asks for memory.
  const char16_t* text = b ? b : u"";
  size_t units = 0;
  while (units < static_cast<size_t>(n) && text[units]) ++units;
  UnitBuffer copy(units + 1);
  if (!copy.get()) return -1;
  CopyTextN(copy.get(), static_cast<int>(units + 1), text, static_cast<int>(units));
  return UnicodeCompareN(a, copy.get(), n, ignoreCase);
}

bool wcharcmpcase(char16_t a, char16_t b, int ignoreCase) {
  if (ignoreCase) {
    a = AsciiLower(a);
    b = AsciiLower(b);
  }
  return a == b;
}

int wildcmpi(const char16_t* pattern, int length, const char16_t* text, int ignoreCase) {
  const View patternText(pattern ? pattern : u"", pattern && length > 0 ? length : 0);
  return WildMatch(patternText, View(text ? text : u""), ignoreCase) ? 1 : 0;
}

const char* stristr(const char* text, const char* part) {
  return FindFolded(text, part, AsciiUpper<char>);
}

const char16_t* wcsistr(const char16_t* text, const char16_t* part) {
  return FindFolded(text, part, UnitUpper);
}

bool IsTextInLowerCase(const char16_t* text, const char16_t* part) {
  return FindFolded(text, part, UnitLower) != nullptr;
}

int CheckRestriction(const char16_t* list, const char16_t* value, int wildcardMode, int wwwMode,
                     int bookmarkMode, int ignoreCase) {
  if (!list || !value) return 0;
  View valueText(value);
  if (wildcardMode) {
    valueText = valueText.substr(0, valueText.find_first_of(u"?#"));
  } else {
    if (wwwMode && StartsWithWww(valueText, ignoreCase)) valueText.remove_prefix(4);
    if (bookmarkMode && !valueText.empty() && valueText[0] == u'#') valueText.remove_prefix(1);
    if (valueText.empty()) return 0;
  }

  const View listText(list);
  UnitBuffer normal(listText.size() + 1);
  if (!normal.get()) return 0;
  size_t length = 0;
  for (char16_t c : listText) {
    if (c != u'\r') normal.get()[length++] = c == u'\n' ? u';' : c;
  }
  const View entries(normal.get(), length);

  int number = 0;
  for (size_t start = 0; start <= entries.size();) {
    size_t end = entries.find(u';', start);
    if (end == View::npos) end = entries.size();
    View entry = entries.substr(start, end - start);
    ++number;
    if (!wildcardMode) {
      if (wwwMode && StartsWithWww(entry, ignoreCase)) entry.remove_prefix(4);
      if (bookmarkMode && !entry.empty() && entry[0] == u'#') entry.remove_prefix(1);
    }
    if (WildMatch(entry, valueText, ignoreCase)) return number;
    start = end + 1;
  }
  return 0;
}

void SubstituteServerName(const char16_t* url, char16_t* result, int resultSize,
                          const char16_t* fromServer, const char16_t* toServer, int ignoreCase) {
  if (!result || resultSize < 1) return;
  const View text(url ? url : u"");
  const View from(fromServer ? fromServer : u"");
  const size_t slashes = text.find(u"//");
  const size_t start = slashes == View::npos ? 0 : slashes + 2;
  const size_t at = text.find_first_of(u"@/?#", start);
  const size_t host = at != View::npos && text[at] == u'@' ? at + 1 : start;
  const size_t hostEnd = std::min(text.find_first_of(u":/?#", host), text.size());
  const size_t end = std::min(text.find_first_of(u"/?#", host), text.size());

  BoundedWriter out{result, resultSize};
  result[0] = 0;
  if (!from.empty() && hostEnd - host == from.size() &&
      strncmpcase(text.data() + host, from.data(), static_cast<int>(from.size()), ignoreCase) ==
          0) {
    const View to(toServer ? toServer : u"");
    out.Add(text.data(), static_cast<int>(start));
    out.Add(to.data(), static_cast<int>(to.size()));
    out.Add(text.data() + end, static_cast<int>(text.size() - end));
  } else {
    out.Add(text.data(), static_cast<int>(text.size()));
  }
}
