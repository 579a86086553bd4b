// The redirect rules: which targets are followed, and how loops and long chains end.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "engine/Records.h"
#include "engine/Redirects.h"
#include "engine/TextCopy.h"

namespace {

TEST(RedirectScheme, OnlyTheWebAndFtpSchemesOrARelativeTargetAreFollowed) {
  const struct {
    const char16_t* location;
    bool followed;
  } cases[] = {
      {u"/next", true},
      {u"next.html", true},
      {u"//other.test/x", true},
      {u"?page=a:b", true},
      {u"a/b:c", true},
      {u"1x:y", true},
      {u"http://other.test/", true},
      {u"HTTPS://other.test/", true},
      {u"ftp://files.test/a", true},
      {u"file:///etc/passwd", false},
      {u"FILE://localhost/etc/passwd", false},
      {u"c:/windows/win.ini", false},
      {u"C:\\windows\\win.ini", false},
      {u"javascript:alert(1)", false},
      {u"mailto:someone@example.test", false},
      {u"data:text/html,hi", false},
      {u"rtsp://stream.test/a", false},
      {u"x-made.up+1:thing", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.followed, RedirectSchemeFollowable(c.location))
        << std::string(c.location, c.location + std::char_traits<char16_t>::length(c.location));
  }
}

std::string Key(int n) { return "link" + std::to_string(n); }
std::u16string Url(int n) {
  const std::string text = "http://site.test/" + std::to_string(n);
  return std::u16string(text.begin(), text.end());
}

RedirectVerdict Enter(RedirectChains& chains, int from, int to, std::u16string* chain = nullptr) {
  return chains.Enter(Key(from), Url(from), Key(to), Url(to), chain);
}

TEST(RedirectChains, LoopsThroughEarlierRedirectsAreFoundWithTheirChain) {
  RedirectChains chains;
  std::u16string chain;
  EXPECT_EQ(RedirectVerdict::Loop, Enter(chains, 1, 1, &chain));
  EXPECT_EQ(u"http://site.test/1 -> http://site.test/1", chain);

  EXPECT_EQ(RedirectVerdict::Follow, Enter(chains, 2, 3));
  EXPECT_EQ(RedirectVerdict::Follow, Enter(chains, 3, 4));
  EXPECT_EQ(RedirectVerdict::Loop, Enter(chains, 4, 2, &chain));
  EXPECT_EQ(
      u"http://site.test/4 -> http://site.test/2 -> http://site.test/3 -> "
      u"http://site.test/4",
      chain);
  // A link that only leads into a loop closes none itself.
  EXPECT_EQ(RedirectVerdict::Follow, Enter(chains, 5, 2));
}

TEST(RedirectChains, TheTwentyFirstRedirectOfAChainIsRefused) {
  RedirectChains chains;
  for (int n = 0; n < kMaxRedirects; ++n) {
    EXPECT_EQ(RedirectVerdict::Follow, Enter(chains, n, n + 1)) << n;
  }
  EXPECT_EQ(RedirectVerdict::TooMany, Enter(chains, kMaxRedirects, kMaxRedirects + 1));
  // Each link a page names starts its own count.
  for (int start = 1000; start < 1100; start += 10) {
    for (int n = start; n < start + 5; ++n)
      EXPECT_EQ(RedirectVerdict::Follow, Enter(chains, n, n + 1));
  }
  chains.Clear();
  EXPECT_EQ(RedirectVerdict::Follow, Enter(chains, kMaxRedirects, kMaxRedirects + 1));
}

TEST(RedirectChains, ALongLoopsChainIsCutToTheNote) {
  RedirectChains chains;
  for (int n = 0; n < 10; ++n) Enter(chains, n, n + 1);
  std::u16string chain;
  EXPECT_EQ(RedirectVerdict::Loop, Enter(chains, 10, 0, &chain));
  EXPECT_EQ(0u, chain.rfind(u"http://site.test/10 -> http://site.test/0 -> ", 0));
  EXPECT_LT(chain.size(), 256u + 40u);
}

TEST(RedirectKey, TheAddressFieldsAsTheWorksheetKeepsThemMakeTheKey) {
  auto a = std::make_unique<tagTreeListItemFull>();
  auto b = std::make_unique<tagTreeListItemFull>();
  std::memset(a.get(), 0, sizeof *a);
  a->protocol = PROTOCOL_HTTP;
  a->port = 80;
  CopyField(a->server, u"site.test");
  std::u16string resource = u"/";
  resource.append(1500, u'\u00e9');
  CopyField(a->resource, resource.c_str());
  *b = *a;
  EXPECT_EQ(RedirectKey(*a), RedirectKey(*b));
  // Beyond the 2048 bytes the worksheet keeps of a resource, texts do not differ.
  b->resource[1400] = u'x';
  EXPECT_EQ(RedirectKey(*a), RedirectKey(*b));
  b->resource[10] = u'x';
  EXPECT_NE(RedirectKey(*a), RedirectKey(*b));
  *b = *a;
  b->port = 8080;
  EXPECT_NE(RedirectKey(*a), RedirectKey(*b));
  *b = *a;
  CopyField(b->bookmark, u"#part");
  EXPECT_NE(RedirectKey(*a), RedirectKey(*b));
}

}  // namespace
