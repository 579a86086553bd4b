// Whether robots.txt disallows a path for this program's user agent.
#include <new>
#include <string_view>

#include "engine/AsciiText.h"
#include "engine/RuleMatch.h"
#include "engine/TextCopy.h"

namespace {

using View = std::u16string_view;

bool StartsNoCase(View line, View name) {
  if (line.size() < name.size()) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    if (AsciiLower(line[i]) != AsciiLower(name[i])) return false;
  }
  return true;
}

// The value of a rule line: after the leading blanks and tabs, up to a "#" comment,
// without trailing blanks and tabs.
View RuleValue(View rest) {
  const size_t first = rest.find_first_not_of(u" \t");
  if (first == View::npos) return View();
  rest = rest.substr(first);
  rest = rest.substr(0, rest.find(u'#'));
  const size_t last = rest.find_last_not_of(u" \t");
  return last == View::npos ? View() : rest.substr(0, last + 1);
}

// A terminated copy of a piece of text, for the compare functions.
struct Terminated {
  explicit Terminated(size_t units) : data(new (std::nothrow) char16_t[units + 1]) {}
  ~Terminated() { delete[] data; }
  Terminated(const Terminated&) = delete;
  Terminated& operator=(const Terminated&) = delete;
  const char16_t* Set(View text) {
    CopyTextN(data, static_cast<int>(text.size()) + 1, text.data(), static_cast<int>(text.size()));
    return data;
  }
  char16_t* data;
};

}  // namespace

int IsRobotsTxtDisallowed(const char16_t* robots, int length, const char16_t* resource,
                          const char16_t* userAgent, int ignoreCase) {
  if (!robots || length <= 0 || !resource) return 0;
  const View text(robots, static_cast<size_t>(length));
  View path(resource);
  path = path.substr(0, path.find_first_of(u"?#"));
  Terminated pathCopy(path.size());
  Terminated value(text.size());
  if (!pathCopy.data || !value.data) return 0;
  pathCopy.Set(path);

  // Every CR and LF ends a line; the lines between them that are empty say nothing.
  bool applies = false;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find_first_of(u"\r\n", pos);
    if (end == View::npos) end = text.size();
    const View line = text.substr(pos, end - pos);
    pos = end + 1;
    if (line.size() >= 12 && StartsNoCase(line, u"User-agent:")) {
      const View agent = RuleValue(line.substr(11));
      applies = !agent.empty() &&
                (agent == u"*" || IsTextInLowerCase(userAgent ? userAgent : u"", value.Set(agent)));
    } else if (applies && line.size() >= 10 && StartsNoCase(line, u"Disallow:")) {
      const View rule = RuleValue(line.substr(9));
      if (rule.empty()) continue;
      const int n = static_cast<int>(rule.size());
      const char16_t* prefix = value.Set(rule);
      if (strncmpcase(pathCopy.data, prefix, n, ignoreCase) == 0) return 1;
      // "/private/" also forbids "/private" itself, but not "/privateer".
      if (rule.back() == u'/' && path.size() == rule.size() - 1 &&
          strncmpcase(pathCopy.data, prefix, n - 1, ignoreCase) == 0) {
        return 1;
      }
    }
  }
  return 0;
}
