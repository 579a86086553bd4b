// Whether robots.txt disallows a path for this program's user agent: the rules it gives
// this crawler, read once, and the test of a path against them.
#include <string>
#include <string_view>

#include "engine/AsciiText.h"
#include "engine/RuleMatch.h"
#include "engine/TextHelpers.h"

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

// The text as far as it is read: a text over the limit ends at the last line break
// within it.
View ReadPart(View text) {
  if (text.size() <= kRobotsTxtMaxUnits) return text;
  if (text[kRobotsTxtMaxUnits] == u'\r' || text[kRobotsTxtMaxUnits] == u'\n') {
    return text.substr(0, kRobotsTxtMaxUnits);
  }
  const size_t lastBreak = text.substr(0, kRobotsTxtMaxUnits).find_last_of(u"\r\n");
  return lastBreak == View::npos ? View() : text.substr(0, lastBreak);
}

}  // namespace

RobotsRules ReadRobotsTxt(const char16_t* robots, size_t length, const char16_t* userAgent) {
  RobotsRules rules;
  rules.agent = userAgent ? userAgent : u"";
  if (!robots) return rules;
  const View text = ReadPart(View(robots, length));
  // Every CR and LF ends a line; the lines between them that are empty say nothing.
  bool applies = false;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find_first_of(u"\r\n", pos);
    if (end == View::npos) end = text.size();
    const View line = text.substr(pos, end - pos);
    pos = end + 1;
    if (line.size() >= 12 && StartsNoCase(line, u"User-agent:")) {
      const std::u16string agent(RuleValue(line.substr(11)));
      applies = !agent.empty() &&
                (agent == u"*" || IsTextInLowerCase(rules.agent.c_str(), agent.c_str()));
    } else if (applies && line.size() >= 10 && StartsNoCase(line, u"Disallow:")) {
      const View rule = RuleValue(line.substr(9));
      if (!rule.empty()) rules.disallow.emplace_back(rule);
    }
  }
  return rules;
}

int IsRobotsTxtDisallowed(const RobotsRules& rules, const char16_t* resource, int ignoreCase) {
  if (!resource) return 0;
  View path(resource);
  path = path.substr(0, path.find_first_of(u"?#"));
  const std::u16string pathCopy(path);
  for (const std::u16string& rule : rules.disallow) {
    const int n = static_cast<int>(rule.size());
    if (UnicodeCompareN(pathCopy.c_str(), rule.c_str(), n, ignoreCase) == 0) return 1;
    // "/private/" also forbids "/private" itself, but not "/privateer".
    if (rule.back() == u'/' && path.size() == rule.size() - 1 &&
        strncmpcase(pathCopy.c_str(), rule.c_str(), n - 1, ignoreCase) == 0) {
      return 1;
    }
  }
  return 0;
}
