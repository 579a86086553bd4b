#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "engine/RuleMatch.h"
#include "tests/engine/UrlTestText.h"

namespace {

TEST(wildcmpi, Patterns) {
  struct Case {
    std::u16string pattern, text;
    int ignoreCase, match;
  };
  const std::vector<Case> cases = {
      {u"*", u"", 0, 1},
      {u"*", u"/anything", 0, 1},
      {u"*.html", u"/a.html", 0, 1},
      {u"*.html", u"/a.htm", 0, 0},
      {u"a*b*c", u"aXbYc", 0, 1},
      {u"a*b*c", u"aXbY", 0, 0},
      {u"?", u"x", 0, 1},
      {u"?", u"", 0, 0},
      {u"?", u"xy", 0, 0},
      {u"*ab", u"aab", 0, 1},
      {u"*ab", u"abab", 0, 1},
      {u"a**", u"a", 0, 1},
      {u"/DOCS/*", u"/docs/x", 0, 0},
      {u"/DOCS/*", u"/docs/x", 1, 1},
      {u"\u00C9*", u"\u00E9", 1, 0},
      {u"", u"", 0, 1},
      {u"", u"x", 0, 0},
      {u"abc", u"ab", 0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.match, wildcmpi(c.pattern.c_str(), static_cast<int>(c.pattern.size()),
                                c.text.c_str(), c.ignoreCase))
        << Narrow(c.pattern) << " ~ " << Narrow(c.text);
  }
  // The pattern is a part of a list: its length bounds it, the rest is never read.
  const char16_t list[] = {u'a', u'*', u';', u'z'};
  EXPECT_EQ(1, wildcmpi(list, 2, u"abc", 0));
  EXPECT_EQ(0, wildcmpi(list, 1, u"ab", 0));
}

TEST(strncmpcase, ComparesOnlyTheFirstUnits) {
  EXPECT_EQ(0, strncmpcase(u"/docs/a", u"/docs/", 6, 0));
  EXPECT_NE(0, strncmpcase(u"/doc", u"/docs/", 6, 0));
  EXPECT_EQ(0, strncmpcase(u"abc", u"abc", 10, 0));
  EXPECT_EQ(0, strncmpcase(u"abc", u"ABC", INT_MAX, 1));
  EXPECT_NE(0, strncmpcase(u"abc", u"abd", INT_MAX, 0));
  EXPECT_NE(0, strncmpcase(u"/Docs/a", u"/docs/", 6, 0));
  EXPECT_EQ(0, strncmpcase(u"/Docs/a", u"/docs/", 6, 1));
  EXPECT_EQ(0, strncmpcase(u"x", u"y", 0, 0));
  EXPECT_TRUE(wcharcmpcase(u'A', u'a', 1));
  EXPECT_FALSE(wcharcmpcase(u'A', u'a', 0));
  EXPECT_FALSE(wcharcmpcase(u'\u00C9', u'\u00E9', 1));
}

TEST(Substrings, IgnoringCase) {
  const char* text = "Mozilla/4.0 (Tessa)";
  EXPECT_EQ(text + 13, stristr(text, "TESSA"));
  EXPECT_EQ(nullptr, stristr(text, "robot"));
  const char16_t* wide = u"Mozilla/4.0 (Tessa)";
  EXPECT_EQ(wide + 13, wcsistr(wide, u"tEsSa"));
  EXPECT_EQ(nullptr, wcsistr(wide, u"tessax"));
  EXPECT_TRUE(IsTextInLowerCase(wide, u"TESSA"));
  EXPECT_FALSE(IsTextInLowerCase(u"", u"a"));
}

TEST(CheckRestriction, ListModes) {
  struct Case {
    std::u16string list, value;
    int wildcard, www, bookmark, number;
  };
  const std::vector<Case> cases = {
      {u"*", u"/a", 1, 0, 0, 1},
      {u"/docs/*", u"/docs/a.html", 1, 0, 0, 1},
      {u"/docs/*", u"/other.html", 1, 0, 0, 0},
      {u"*.html", u"/a.html?x=1", 1, 0, 0, 1},
      {u"*.html", u"/a.html#x.gif", 1, 0, 0, 1},
      {u"x;;*.gif", u"/a.gif", 1, 0, 0, 3},
      {u"x\r\n*.gif", u"/a.gif", 1, 0, 0, 2},
      {u"x\n\n*.gif\r\n", u"/a.gif", 1, 0, 0, 3},
      {u"www.bad.org", u"bad.org", 0, 1, 0, 1},
      {u"bad.org", u"www.bad.org", 0, 1, 0, 1},
      {u"www.bad.org", u"bad.org", 0, 0, 0, 0},
      {u"*.bad.org", u"cdn.bad.org", 0, 1, 0, 1},
      {u"top", u"#top", 0, 0, 1, 1},
      {u"#top", u"#top", 0, 0, 1, 1},
      {u"a;#top", u"#top", 0, 0, 1, 2},
      {u"*", u"", 0, 0, 1, 0},
      {u"*", u"#", 0, 0, 1, 0},
      {u"", u"/a", 1, 0, 0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.number,
              CheckRestriction(c.list.c_str(), c.value.c_str(), c.wildcard, c.www, c.bookmark, 0))
        << Narrow(c.list) << " / " << Narrow(c.value);
  }
}

struct RobotsCase {
  std::u16string robots, resource;
  int disallowed;
};

TEST(IsRobotsTxtDisallowed, Corpus) {
  const char16_t* agent = u"Mozilla/4.0 (compatible; TessaLink 1.0)";
  const std::u16string all = u"User-agent: *\nDisallow: /private/\n";
  const std::vector<RobotsCase> cases = {
      {all, u"/private/x.html", 1},
      {all, u"/private", 1},
      {all, u"/private?x", 1},
      {all, u"/privateer.html", 0},
      {all, u"/public/", 0},
      {u"User-agent: *\r\nDisallow: /a\r\n", u"/ab", 1},
      {u"User-agent: *\n\rDisallow: /a\n\r", u"/a", 1},
      {u"User-agent: *\rDisallow: /a\r", u"/a", 1},
      {u"User-agent: *\n\n\nDisallow: /a", u"/a", 1},
      {u"user-agent:\t*\nDISALLOW:\t/a", u"/a", 1},
      {u"User-agent: *\nDisallow:\n", u"/a", 0},
      {u"User-agent: *\nDisallow: \n", u"/a", 0},
      {u"User-agent: *\nAllow: /a\nDisallow: /b", u"/a", 0},
      {u"Disallow: /a\n", u"/a", 0},
      {u"User-agent: otherbot\nDisallow: /\n", u"/a", 0},
      {u"User-agent: tessalink\nDisallow: /\n", u"/a", 1},
      {u"User-agent: otherbot\nUser-agent: *\nDisallow: /a\n", u"/a", 1},
      {u"User-agent: *\nUser-agent: otherbot\nDisallow: /a\n", u"/a", 0},
      {u"User-agent: otherbot\nDisallow: /\nUser-agent: *\nDisallow: /b\n", u"/a", 0},
      {u"User-agent: *\nDisallow: /a # old area\n", u"/a/x", 1},
      {u"User-agent: *\nDisallow: /a \t\n", u"/a", 1},
      {u"User-agent: # nobody\nDisallow: /a\n", u"/a", 0},
      {u"User-agent: *\nDisallow: /A\n", u"/a", 0},
      {u"", u"/a", 0},
  };
  auto disallowed = [agent](const std::u16string& robots, const char16_t* resource,
                            int ignoreCase) {
    return IsRobotsTxtDisallowed(ReadRobotsTxt(robots.data(), robots.size(), agent), resource,
                                 ignoreCase);
  };
  for (const RobotsCase& c : cases) {
    EXPECT_EQ(c.disallowed, disallowed(c.robots, c.resource.c_str(), 0))
        << Narrow(c.robots) << " | " << Narrow(c.resource);
  }
  EXPECT_EQ(1, disallowed(u"User-agent: *\nDisallow: /A\n", u"/a", 1));
  // The length bounds the text: nothing after it is read.
  const std::u16string cut = u"User-agent: *\nDisallow: /a";
  EXPECT_EQ(0, IsRobotsTxtDisallowed(ReadRobotsTxt(cut.data(), 14, agent), u"/a", 0));
  EXPECT_EQ(0, IsRobotsTxtDisallowed(ReadRobotsTxt(nullptr, 0, agent), u"/a", 0));
}

// Only the first kRobotsTxtMaxUnits units are read; a line the limit cuts is not.
TEST(IsRobotsTxtDisallowed, TextIsReadUpToTheLimit) {
  const std::u16string head = u"User-agent: *\nDisallow: /early/\n";
  struct Case {
    size_t breakAt;  // where the line before "Disallow: /edge/" ends
    int edge;
  } const cases[] = {
      {kRobotsTxtMaxUnits - 18, 1},  // "Disallow: /edge/" and its line break are read
      {kRobotsTxtMaxUnits - 17, 1},  // its line break is the first unit past the limit
      {kRobotsTxtMaxUnits - 16, 0},  // the limit cuts its last unit
  };
  for (const Case& c : cases) {
    std::u16string robots = head;
    robots.resize(c.breakAt, u'#');
    robots += u"\nDisallow: /edge/\nDisallow: /late/\n";
    const RobotsRules rules = ReadRobotsTxt(robots.data(), robots.size(), u"bot");
    EXPECT_EQ(1, IsRobotsTxtDisallowed(rules, u"/early/a", 0)) << c.breakAt;
    EXPECT_EQ(c.edge, IsRobotsTxtDisallowed(rules, u"/edge/a", 0)) << c.breakAt;
    EXPECT_EQ(0, IsRobotsTxtDisallowed(rules, u"/late/a", 0)) << c.breakAt;
  }
}

TEST(SubstituteServerName, ReplacesUserHostAndPort) {
  struct Case {
    std::u16string url, from, to, result;
  };
  const std::vector<Case> cases = {
      {u"http://site.org/a", u"site.org", u"mirror.net", u"http://mirror.net/a"},
      {u"http://site.org:8080/a?b", u"site.org", u"mirror.net", u"http://mirror.net/a?b"},
      {u"http://u:p@site.org:81#x", u"site.org", u"m", u"http://m#x"},
      {u"http://site.org", u"site.org", u"m:90", u"http://m:90"},
      {u"http://site.orgx/a", u"site.org", u"m", u"http://site.orgx/a"},
      {u"http://other/a", u"site.org", u"m", u"http://other/a"},
      {u"/a", u"", u"m", u"/a"},
  };
  for (const Case& c : cases) {
    char16_t result[2048];
    SubstituteServerName(c.url.c_str(), result, 2048, c.from.c_str(), c.to.c_str(), 0);
    EXPECT_EQ(Narrow(c.result), Narrow(result)) << Narrow(c.url);
  }
  char16_t small[12];
  SubstituteServerName(u"http://site.org/abcdef", small, 12, u"site.org", u"mirror.net", 0);
  EXPECT_EQ(u"http://mirr", std::u16string(small));
}

}  // namespace
