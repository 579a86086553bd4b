#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/UrlParts.h"
#include "tests/engine/UrlTestText.h"

namespace {

struct ParseCase {
  std::u16string url;
  int result;
  std::u16string server, port, resource, bookmark, extension, username, userpass;
  int explicitPort;
};

TEST(ParseFullURL, SplitsAddresses) {
  const std::vector<ParseCase> cases = {
      {u"http://host/a/b.html", 1, u"host", u"80", u"/a/b.html", u"", u"html", u"", u"", 0},
      {u"https://host", 1, u"host", u"443", u"/", u"", u"", u"", u"", 0},
      {u"ftp://u:p@host:2121/f.zip", 1, u"host", u"2121", u"/f.zip", u"", u"zip", u"u", u"p", 1},
      {u"rtsp://host/s", 1, u"host", u"554", u"/s", u"", u"", u"", u"", 0},
      {u"http://user@host/", 1, u"host", u"80", u"/", u"", u"", u"user", u"", 0},
      {u"http://host:/x", 1, u"host", u"80", u"/x", u"", u"", u"", u"", 0},
      {u"http://host:65535/", 1, u"host", u"65535", u"/", u"", u"", u"", u"", 1},
      {u"http://host?q=1", 1, u"host", u"80", u"?q=1", u"", u"", u"", u"", 0},
      // Only http(s) .html splits off the fragment; a query after it moves up.
      {u"http://h/page.html#s1?a=2", 1, u"h", u"80", u"/page.html?a=2", u"#s1", u"html", u"", u"",
       0},
      {u"http://h/page.HTML#s1", 1, u"h", u"80", u"/page.HTML", u"#s1", u"HTML", u"", u"", 0},
      {u"http://h/page.htm#s1?a=2", 1, u"h", u"80", u"/page.htm#s1?a=2", u"", u"htm", u"", u"", 0},
      {u"http://h/page.html?a=2#s1", 1, u"h", u"80", u"/page.html?a=2#s1", u"", u"html", u"", u"",
       0},
      {u"ftp://h/page.html#s1", 1, u"h", u"21", u"/page.html#s1", u"", u"html", u"", u"", 0},
      {u"file://C:/dir/f.htm#x", 1, u"C:", u"", u"/dir/f.htm", u"#x", u"htm", u"", u"", 0},
      {u"file://C:\\dir\\f.txt", 1, u"C:", u"", u"/dir/f.txt", u"", u"txt", u"", u"", 0},
      {u"host/x.gif", 1, u"host", u"80", u"/x.gif", u"", u"gif", u"", u"", 0},
      {u"http://h/dir.v2/page", 1, u"h", u"80", u"/dir.v2/page", u"", u"v2/page", u"", u"", 0},
      // An escape never forms a reference, nor a reference an escape.
      {u"http://host/a%26amp;b", 1, u"host", u"80", u"/a&amp;b", u"", u"", u"", u"", 0},
      {u"http://host/x%26#47;y", 1, u"host", u"80", u"/x&#47;y", u"", u"", u"", u"", 0},
      {u"http://host/q%26lt;script%26gt;", 1, u"host", u"80", u"/q&lt;script&gt;", u"", u"", u"",
       u"", 0},
      {u"http://host/p&#37;41?a&#43;b+c", 1, u"host", u"80", u"/p%41?a+b c", u"", u"", u"", u"", 0},
      {u"http://host/a&amp;b%20c", 1, u"host", u"80", u"/a&b c", u"", u"", u"", u"", 0},
      // Ports that would name another service, and IPv6 literals, are malformed.
      {u"http://host:0/", 0, u"", u"", u"", u"", u"", u"", u"", 0},
      {u"http://host:65536/", 0, u"", u"", u"", u"", u"", u"", u"", 0},
      {u"http://host:99999/", 0, u"", u"", u"", u"", u"", u"", u"", 0},
      {u"http://host:8o/", 0, u"", u"", u"", u"", u"", u"", u"", 0},
      {u"http://[::1]:8080/", 0, u"", u"", u"", u"", u"", u"", u"", 0},
  };
  for (const ParseCase& c : cases) {
    std::vector<char16_t> buffer(c.url.begin(), c.url.end());
    buffer.resize(2048);
    tagURLPARTS parts;
    int explicitPort = -1;
    SCOPED_TRACE(Narrow(c.url));
    ASSERT_EQ(c.result, ParseFullURL(buffer.data(), 2048, parts, &explicitPort));
    if (!c.result) {
      EXPECT_EQ(u"URL using bad/illegal format or missing URL", std::u16string(parts.error));
      continue;
    }
    EXPECT_EQ(c.server, std::u16string(parts.server));
    EXPECT_EQ(c.port, std::u16string(parts.port));
    EXPECT_EQ(Narrow(c.resource), Narrow(parts.resource));
    EXPECT_EQ(c.bookmark, std::u16string(parts.bookmark));
    EXPECT_EQ(Narrow(c.extension), Narrow(parts.extension));
    EXPECT_EQ(c.username, std::u16string(parts.username));
    EXPECT_EQ(c.userpass, std::u16string(parts.userpass));
    EXPECT_EQ(c.explicitPort, explicitPort);
  }
}

TEST(ParseFullURL, EmptyAndOverlongAddresses) {
  tagURLPARTS parts;
  char16_t empty[8] = {};
  EXPECT_EQ(0, ParseFullURL(empty, 8, parts, nullptr));
  EXPECT_EQ(u"URL is empty", std::u16string(parts.error));

  // "http://" does not fit in front: refused rather than cut.
  std::u16string text = u"host/" + std::u16string(2040, u'a');
  std::vector<char16_t> buffer(text.begin(), text.end());
  buffer.resize(2048);
  EXPECT_EQ(0, ParseFullURL(buffer.data(), 2048, parts, nullptr));

  for (const std::u16string& url : {u"http://" + std::u16string(256, u'h') + u"/",
                                    u"http://" + std::u16string(256, u'u') + u"@h/",
                                    u"http://u:" + std::u16string(256, u'p') + u"@h/"}) {
    std::vector<char16_t> copy(url.begin(), url.end());
    copy.resize(2048);
    EXPECT_EQ(0, ParseFullURL(copy.data(), 2048, parts, nullptr)) << Narrow(url.substr(0, 12));
  }
  // A long fragment is cut, not refused: it only names an anchor.
  std::u16string longFragment = u"http://h/p.html#" + std::u16string(600, u'f');
  std::vector<char16_t> copy(longFragment.begin(), longFragment.end());
  copy.resize(2048);
  ASSERT_EQ(1, ParseFullURL(copy.data(), 2048, parts, nullptr));
  EXPECT_EQ(255u, std::u16string(parts.bookmark).size());
  EXPECT_EQ(u"/p.html", std::u16string(parts.resource));
}

struct RelativeCase {
  std::u16string base, link, result;
};

TEST(GetRelativeURL, ResolutionGrid) {
  const std::u16string file = u"http://h/docs/index.html";
  const std::u16string folder = u"http://h/docs/";
  const std::u16string root = u"http://h";
  const std::vector<RelativeCase> cases = {
      {file, u"x.html", u"http://h/docs/x.html"},
      {file, u"./x.html", u"http://h/docs/x.html"},
      {file, u"../x.html", u"http://h/x.html"},
      {file, u"sub/../x.html", u"http://h/docs/x.html"},
      {file, u"/x.html", u"http://h/x.html"},
      {file, u"//other/x.html", u"http://other/x.html"},
      {file, u"?page=2", u"http://h/docs/index.html?page=2"},
      {file, u"#top", u"http://h/docs/index.html#top"},
      {file, u"x.html?q#f", u"http://h/docs/x.html?q#f"},
      {file, u"sub/", u"http://h/docs/sub/"},
      {file, u"./", u"http://h/docs/"},
      {file, u"../", u"http://h/"},
      {file, u"sub/?q", u"http://h/docs/sub/?q"},
      {file, u"a//b", u"http://h/docs/a//b"},
      {folder, u"x.html", u"http://h/docs/x.html"},
      {folder, u"../x.html", u"http://h/x.html"},
      {u"http://h/docs/index.html?a=1#s", u"x", u"http://h/docs/x"},
      {u"http://h/docs/index.html?a=1#s", u"#top", u"http://h/docs/index.html?a=1#top"},
      {u"http://h/docs/index.html?a=1#s", u"?b=2", u"http://h/docs/index.html?b=2"},
      {root, u"x.html", u"http://h/x.html"},
      {root, u"#top", u"http://h/#top"},
      {root, u"?q", u"http://h/?q"},
      {u"https://h/a/b", u"//cdn/x.js", u"https://cdn/x.js"},
      {u"file://C:/dir/f.htm", u"g.htm", u"file://C:/dir/g.htm"},
      {u"file://C:/dir/f.htm", u"../g.htm", u"file://C:/g.htm"},
      {u"http://u@h/a/b", u"/x", u"http://u@h/x"},
  };
  for (const RelativeCase& c : cases) {
    char16_t url[2048], error[256] = {}, note[256] = {};
    EXPECT_EQ(1,
              GetRelativeURL(c.base.c_str(), c.link.c_str(), url, 2048, error, 256, note, 256, 0))
        << Narrow(c.base) << " + " << Narrow(c.link);
    EXPECT_EQ(Narrow(c.result), Narrow(url)) << Narrow(c.base) << " + " << Narrow(c.link);
    EXPECT_EQ(0, error[0]);
  }
}

TEST(GetRelativeURL, ClimbingAboveTheServer) {
  for (int ignore = 0; ignore <= 1; ++ignore) {
    char16_t url[2048], error[256] = {}, note[256] = {};
    EXPECT_EQ(ignore, GetRelativeURL(u"http://h/index.html", u"../x/y.html", url, 2048, error, 256,
                                     note, 256, ignore));
    EXPECT_EQ(u"http://h/../x/y.html", std::u16string(url));
    EXPECT_EQ(u"Relative link directory overflow", std::u16string(ignore ? note : error));
    EXPECT_EQ(0, (ignore ? error : note)[0]);
  }
}

TEST(GetRelativeURL, RefusesWhatDoesNotFit) {
  const std::u16string base = u"http://h/" + std::u16string(1500, u'b') + u"/page.html";
  const std::u16string link = std::u16string(1000, u'l');
  char16_t url[2048], error[256] = {}, note[256] = {};
  EXPECT_EQ(0, GetRelativeURL(base.c_str(), link.c_str(), url, 2048, error, 256, note, 256, 1));
  EXPECT_EQ(0, url[0]);
  EXPECT_EQ(u"URL using bad/illegal format or missing URL", std::u16string(error));
}

// The room is measured against the final address only, never against a segment that a
// later "../" removes.
TEST(GetRelativeURL, RoomCountsTheFinalAddressOnly) {
  struct RoomCase {
    std::u16string base, link, result;
  };
  const std::u16string longSegment(20, u'x');
  const std::vector<RoomCase> cases = {
      {u"http://h/a/b", longSegment + u"/../y", u"http://h/a/y"},
      {u"http://h/a/b", longSegment + u"/" + longSegment + u"/../../y", u"http://h/a/y"},
      {u"http://h/a/b", u"?" + longSegment.substr(0, 3), u"http://h/a/b?xxx"},
      {u"http://h/a/b", u"../" + longSegment.substr(0, 2), u"http://h/xx"},
  };
  for (const RoomCase& c : cases) {
    const int fits = static_cast<int>(c.result.size()) + 1;
    for (int room = fits - 1; room <= fits; ++room) {
      char16_t url[64], error[256] = {}, note[256] = {};
      EXPECT_EQ(room == fits ? 1 : 0,
                GetRelativeURL(c.base.c_str(), c.link.c_str(), url, room, error, 256, note, 256, 0))
          << Narrow(c.link) << " room " << room;
      EXPECT_EQ(room == fits ? Narrow(c.result) : std::string(), Narrow(url)) << Narrow(c.link);
    }
  }
}

struct DecodeCase {
  std::u16string in, out;
};

TEST(URLUnescape, DecodesOnlyWhatKeepsTheResource) {
  const std::vector<DecodeCase> cases = {
      {u"/a%20b", u"/a b"},
      {u"/caf%C3%A9", u"/caf\u00E9"},
      {u"/%F0%9F%98%80", u"/\U0001F600"},
      {u"/caf%E9/index.html", u"/caf%E9/index.html"},
      {u"/a%25b%23c%3Fd%2Fe%00f", u"/a%25b%23c%3Fd%2Fe%00f"},
      {u"/%zz%4", u"/%zz%4"},
      {u"/%", u"/%"},
      {u"/%C3", u"/%C3"},
      {u"/%C3%28", u"/%C3("},
      {u"/%ED%A0%80", u"/%ED%A0%80"},
      {u"/a+b?c+d+%2B", u"/a+b?c d +"},
      {u"/%41%62", u"/Ab"},
  };
  for (const DecodeCase& c : cases) {
    std::u16string text = c.in;
    URLUnescape(text.data());
    EXPECT_EQ(Narrow(c.out), Narrow(text.c_str())) << Narrow(c.in);
  }
}

TEST(URLUnentitle, ReplacesCharacterReferences) {
  const std::vector<DecodeCase> cases = {
      {u"a&amp;b", u"a&b"},
      {u"&trade;", u"\u0099"},
      {u"&acirc;&Acirc;", u"\u00E2\u00C2"},
      {u"&#65;&#x42;&#67", u"ABC"},
      {u"&#X41;", u"&#X41;"},
      {u"&#0;x", u"&#0;x"},
      {u"&#xD800;", u"&#xD800;"},
      {u"&#x110000;", u"&#x110000;"},
      {u"&#128512;", u"\U0001F600"},
      {u"&#99999999999999999999;", u"&#99999999999999999999;"},
      {u"?a=1&copy=2", u"?a=1&copy=2"},
      {u"?a=1&copy2", u"?a=1&copy2"},
      {u"&copy x", u"\u00A9 x"},
      {u"&unknown;", u"&unknown;"},
      {u"&", u"&"},
      {u"&#", u"&#"},
  };
  for (const DecodeCase& c : cases) {
    std::u16string text = c.in;
    URLUnentitle(text.data());
    EXPECT_EQ(Narrow(c.out), Narrow(text.c_str())) << Narrow(c.in);
  }
}

TEST(RemoveSpacesFromString, FoldsRunsOfWhitespace) {
  std::u16string text = u" a \t\r\n b\n";
  RemoveSpacesFromString(text.data());
  EXPECT_EQ(u" a b ", std::u16string(text.c_str()));
}

TEST(GetStartPath, FolderAndDepth) {
  const std::vector<std::pair<std::u16string, std::u16string>> cases = {
      {u"/", u"/"},           {u"/docs/index.html", u"/docs/"},
      {u"/docs/", u"/docs/"}, {u"/docs/a?x=/y/z", u"/docs/"},
      {u"/a/b#c/d", u"/a/"},  {u"", u""}};
  const uint32_t depths[] = {1, 2, 2, 2, 2, 0};
  for (size_t i = 0; i < cases.size(); ++i) {
    char16_t folder[2048];
    uint32_t depth = 99;
    EXPECT_EQ(1, GetStartPath(cases[i].first.c_str(), folder, 2048, &depth));
    EXPECT_EQ(cases[i].second, std::u16string(folder)) << Narrow(cases[i].first);
    EXPECT_EQ(depths[i], depth) << Narrow(cases[i].first);
  }
  char16_t small[4];
  uint32_t depth = 99;
  EXPECT_EQ(0, GetStartPath(u"/abcd/e", small, 4, &depth));
  EXPECT_EQ(0, small[0]);
  EXPECT_EQ(0u, depth);
}

}  // namespace
