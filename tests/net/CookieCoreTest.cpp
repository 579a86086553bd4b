#include <gtest/gtest.h>

#include <pthread.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "net/CookieCore.h"
#include "tests/support/Growth.h"

namespace {

// Collects what the store writes, as the file would hold it.
void KeepBytes(const std::string& bytes, void* context) {
  *static_cast<std::string*>(context) = bytes;
}

std::string Set(CCookieStore& store, const char* host, const std::string& text,
                std::string* file = nullptr) {
  std::string ignored;
  const CookieText one = {text.data(), text.size()};
  store.Set(host, &one, 1, KeepBytes, file ? file : &ignored);
  return file ? *file : ignored;
}

TEST(CookieDomain, StrictOnSetSuffixOnSend) {
  struct Case {
    const char* host;
    const char* domain;
    bool strict;
    bool suffix;
  } const cases[] = {
      {"example.test", "example.test", true, true},
      {"www.example.test", "example.test", true, true},
      {"EXAMPLE.test", "www.Example.TEST", true, true},
      {"shop.example.test", "example.test", false, false},
      {"example.test", ".example.test", true, true},
      {"www.example.test", ".example.test", true, true},
      {"shop.example.test", ".example.test", false, true},
      {"a.shop.example.test", ".example.test", false, true},
      {"badexample.test", ".example.test", false, false},
      {"test", ".example.test", false, false},
      {"example.test", ".", false, false},
      {"example.test", "", false, false},
      {nullptr, "example.test", false, false},
      {"example.test", nullptr, false, false},
      {"ww", "ww", true, true},
  };
  for (const Case& c : cases) {
    const std::string label =
        std::string(c.host ? c.host : "(null)") + " / " + (c.domain ? c.domain : "(null)");
    EXPECT_EQ(c.strict, CookieDomainMatch(c.host, c.domain, false)) << label;
    EXPECT_EQ(c.suffix, CookieDomainMatch(c.host, c.domain, true)) << label;
  }
}

TEST(CookiePath, PrefixAtASeparatorIgnoringCase) {
  struct Case {
    const char* request;
    const char* cookie;
    bool match;
  } const cases[] = {
      {"/docs", "/docs", true},      {"/docs/a", "/docs", true},  {"/docs?x", "/docs", true},
      {"/DOCS/a", "/docs", true},    {"/docsx", "/docs", false},  {"/doc", "/docs", false},
      {"/docs#a", "/docs", true},    {"/docs:a", "/docs", true},  {"/docs@a", "/docs", true},
      {"/docsx", "/docs/", false},   {"/docs/x", "/docs/", true}, {"/anything", "", true},
      {"/anything", nullptr, false}, {nullptr, "/", false},       {nullptr, "", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.match, CookiePathMatch(c.request, c.cookie))
        << (c.request ? c.request : "(null)") << " / " << (c.cookie ? c.cookie : "(null)");
  }
}

TEST(CookieExpires, BothFormsParseOtherFormsGiveNoExpiry) {
  // 2027-06-09 10:18:14 UTC in 100 ns units since 1601, worked out independently.
  const int64_t june9 = INT64_C(134570098940000000);
  ASSERT_EQ(june9, CookieCivilTime(2027, 6, 9, 10, 18, 14));
  struct Case {
    const char* text;
    int64_t expiry;
  } const cases[] = {
      {"Wed, 09 Jun 2027 10:18:14 GMT", june9},
      {"Wed, 09-Jun-2027 10:18:14 GMT", june9},
      {"wed, 09-JUN-2027 10:18:14", june9},
      {"Wed, 09-Jun-27 10:18:14 GMT", 0},
      {"Wed, 30 Feb 2027 10:18:14 GMT", 0},
      {"Wed, 29 Feb 2028 00:00:00 GMT", CookieCivilTime(2028, 2, 29, 0, 0, 0)},
      {"Wed, 09 Jun 1899 10:18:14 GMT", 0},
      {"Wed, 09 Xyz 2027 10:18:14 GMT", CookieCivilTime(2027, 1, 9, 10, 18, 14)},
      {"Wed, 09 Jun 2027 24:00:00 GMT", 0},
      {"2027-06-09T10:18:14Z", 0},
      {"", 0},
      {"Wed, 09 Junexxxxxxxxxxxxxxxxxxxxxxx 2027 10:18:14 GMT", 0},
      {"Wed, 09 Jun ---------------- 2027 10:18:14 GMT", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(c.expiry, CookieParseExpires(c.text)) << c.text;
  EXPECT_EQ(0, CookieParseExpires(std::string(1000, 'W') + ", 09 Jun 2027 10:18:14 GMT"));
}

TEST(CookieParse, AttributesAndHostileTexts) {
  struct Case {
    std::string text;
    bool accepted;
    const char* name;
    const char* value;
    const char* path;
    const char* domain;
  } const cases[] = {
      {"id=42; Path=/shop; Domain=.example.test", true, "id", "42", "/shop", ".example.test"},
      {"a=1", true, "a", "1", "", "example.test"},
      {"a", true, "a", "", "", "example.test"},
      {"a=b=c; path=/p", true, "a", "b=c", "/p", "example.test"},
      {"a=1; path=/x; PATH=/y; secure; max-age=3", true, "a", "1", "/y", "example.test"},
      {"a=1;\t domain=", true, "a", "1", "", "example.test"},
      {"a=1; domain=;", true, "a", "1", "", "example.test"},
      {"", true, "", "", "", "example.test"},
      {";", true, "", "", "", "example.test"},
      {"=", true, "", "", "", "example.test"},
      {"a=\xE9\xFF; path=/\xE4", true, "a", "\xE9\xFF", "/\xE4", "example.test"},
      {"a=1; domain=.", false, "", "", "", ""},
      {"a=1; domain=other.test", false, "", "", "", ""},
      {"a=1; domain=shop.example.test", false, "", "", "", ""},
      {"a=1\r\nX-Evil: 1", false, "", "", "", ""},
      {std::string("a=1\0b", 5), false, "", "", "", ""},
      {"a\n=1", false, "", "", "", ""},
  };
  for (const Case& c : cases) {
    tagCOOKIE cookie;
    ASSERT_EQ(c.accepted, CookieParse(c.text.data(), c.text.size(), "www.example.test", &cookie))
        << c.text;
    if (!c.accepted) continue;
    EXPECT_EQ(c.name, cookie.name) << c.text;
    EXPECT_EQ(c.value, cookie.value) << c.text;
    EXPECT_EQ(c.path, cookie.path) << c.text;
    EXPECT_EQ(c.domain, cookie.domain) << c.text;
  }
  const std::string big = "v=" + std::string(10240, 'x') + "; expires=" + std::string(5000, 'M');
  tagCOOKIE cookie;
  ASSERT_TRUE(CookieParse(big.data(), big.size(), "example.test", &cookie));
  EXPECT_EQ(10240u, cookie.value.size());
  EXPECT_EQ(0, cookie.expiry);
}

// Only an attribute's own name counts: the same words inside another attribute's value, or
// as the end of a longer name, change nothing.
TEST(CookieParse, AttributeNamesNotTextInsideValues) {
  struct Case {
    std::string text;
    bool accepted;
    const char* path;
    const char* domain;
    const char* expires;
  } const cases[] = {
      {"id=1; path=/a; Comment=path=/b", true, "/a", "example.test", ""},
      {"id=1; Comment=expires=Wed, 09 Jun 2001 10:18:14 GMT; path=/", true, "/", "example.test",
       ""},
      {"id=1; xpath=/b; mydomain=.evil.test; notexpires=x", true, "", "example.test", ""},
      {"id=1; domain=other.test; comment=domain=.example.test", false, "", "", ""},
      {"id=1;path=/a", true, "/a", "example.test", ""},
      {"id=1;  Path = /a ;\tDOMAIN= .example.test\t", true, "/a", ".example.test", ""},
      {"id=1; path=/a; path=", true, "/a", "example.test", ""},
      {"id=1; expires=Wed, 09 Jun 2127 10:18:14 GMT", true, "", "example.test",
       "Wed, 09 Jun 2127 10:18:14 GMT"},
      {"path=/b; id=2", true, "", "example.test", ""},
  };
  for (const Case& c : cases) {
    tagCOOKIE cookie;
    ASSERT_EQ(c.accepted, CookieParse(c.text.data(), c.text.size(), "example.test", &cookie))
        << c.text;
    if (!c.accepted) continue;
    EXPECT_EQ(c.path, cookie.path) << c.text;
    EXPECT_EQ(c.domain, cookie.domain) << c.text;
    EXPECT_EQ(c.expires, cookie.expires) << c.text;
  }
}

TEST(CookieStore, DomainRulesOnSetAndSend) {
  CCookieStore store;
  Set(store, "shop.example.test", "id=42; Path=/shop; Domain=.example.test");
  EXPECT_EQ("", store.Get("shop.example.test", "/shop"));
  Set(store, "www.example.test", "id=42; Path=/shop; Domain=.example.test");
  EXPECT_EQ("id=42; ", store.Get("shop.example.test", "/shop/cart"));
  Set(store, "www.example.test", "a=1; path=/");
  EXPECT_EQ("id=42; a=1; ", store.Get("example.test", "/shop"));
  EXPECT_EQ("a=1; ", store.Get("www.example.test", "/"));
  EXPECT_EQ("id=42; ", store.Get("shop.example.test", "/shop"));
  EXPECT_EQ("", store.Get("other.test", "/"));
}

TEST(CookieStore, ReplaceKeepsPlaceAnotherPathAppends) {
  CCookieStore store;
  std::string file;
  Set(store, "example.test", "a=1; path=/", &file);
  Set(store, "example.test", "b=2; path=/", &file);
  Set(store, "example.test", "A=3; PATH=/", &file);
  EXPECT_EQ(
      "A=3; path=/; domain=example.test; expires=\r\n"
      "b=2; path=/; domain=example.test; expires=\r\n",
      file);
  Set(store, "example.test", "a=4; path=/x", &file);
  EXPECT_EQ("A=3; b=2; a=4; ", store.Get("example.test", "/x"));
  EXPECT_EQ("A=3; b=2; ", store.Get("example.test", "/y"));
}

TEST(CookieStore, PathlessCookieIsSentAtOnce) {
  CCookieStore store;
  std::string file;
  Set(store, "example.test", "s=1", &file);
  EXPECT_EQ("s=1; ", store.Get("example.test", "/deep/page"));
  EXPECT_EQ("s=1; path=; domain=example.test; expires=\r\n", file);
}

TEST(CookieStore, FileBytesLoadAndPrune) {
  CCookieStore store;
  const std::string bytes =
      "a=1; path=/; domain=.example.test; expires=Wed, 09 Jun 2127 10:18:14 GMT\r\n"
      "\r\n"
      "old=1; path=/; domain=example.test; expires=Wed, 09 Jun 2001 10:18:14 GMT\r\n"
      "b=2; path=; domain=example.test; expires=\r\n"
      "lf=1; path=/\ndomain=example.test; expires=\r\n"
      "bin=\x01\x02\xff; path=/; domain=example.test; expires=\r\n"
      "tail=1; path=/; domain=example.test; expires=";
  store.Load(bytes.data(), bytes.size());
  EXPECT_EQ("a=1; ", store.Get("shop.example.test", "/"));
  EXPECT_EQ("a=1; b=2; bin=\x01\x02\xff; ", store.Get("example.test", "/x"));
  std::string saved;
  store.Delete("no such line", KeepBytes, &saved);
  EXPECT_EQ(
      "a=1; path=/; domain=.example.test; expires=Wed, 09 Jun 2127 10:18:14 GMT\r\n"
      "b=2; path=; domain=example.test; expires=\r\n"
      "bin=\x01\x02\xff; path=/; domain=example.test; expires=\r\n",
      saved);
  CCookieStore again;
  again.Load(saved.data(), saved.size());
  std::string resaved;
  again.Delete("no such line", KeepBytes, &resaved);
  EXPECT_EQ(saved, resaved);
}

TEST(CookieStore, ExpiredCookieIsPrunedAtTheNextSave) {
  CCookieStore store;
  std::string file;
  Set(store, "example.test", "gone=1; path=/; expires=Wed, 09 Jun 2001 10:18:14 GMT", &file);
  EXPECT_EQ("", file);
  Set(store, "example.test", "kept=1; path=/; expires=Wed, 09 Jun 2127 10:18:14 GMT", &file);
  EXPECT_EQ("kept=1; path=/; domain=example.test; expires=Wed, 09 Jun 2127 10:18:14 GMT\r\n", file);
}

TEST(CookieStore, DeleteByExactLineOrAllAndClearForDomain) {
  CCookieStore store;
  std::string file;
  Set(store, "example.test", "a=1; path=/", &file);
  Set(store, "shop.example.test", "b=2; path=/", &file);
  Set(store, "other.test", "c=3; path=/", &file);
  store.Delete("A=1; path=/; domain=example.test; expires=\r\n", KeepBytes, &file);
  EXPECT_EQ(3u, std::count(file.begin(), file.end(), '\n'));
  store.Delete("a=1; path=/; domain=example.test; expires=\r\n", KeepBytes, &file);
  EXPECT_EQ(2u, std::count(file.begin(), file.end(), '\n'));

  file = "untouched";
  Set(store, "example.test", "d=4; path=/; domain=.example.test", &file);
  file = "untouched";
  store.ClearForDomain("www.example.test");
  EXPECT_EQ("untouched", file);
  EXPECT_EQ("", store.Get("example.test", "/"));
  EXPECT_EQ("b=2; ", store.Get("shop.example.test", "/"));
  store.ClearForDomain("shop.example.test");
  EXPECT_EQ("", store.Get("shop.example.test", "/"));
  EXPECT_EQ("c=3; ", store.Get("other.test", "/"));

  store.Delete(nullptr, KeepBytes, &file);
  EXPECT_EQ("", file);
  EXPECT_EQ("", store.Get("other.test", "/"));
}

// Names of the cookies a Get returns, in order.
std::vector<std::string> Names(const std::string& header) {
  std::vector<std::string> names;
  for (size_t start = 0, end; (end = header.find("; ", start)) != std::string::npos;
       start = end + 2) {
    names.push_back(header.substr(start, header.find('=', start) - start));
  }
  return names;
}

TEST(CookieStore, CapsPerDomainAndInAllDropTheOldest) {
  CCookieStore store;
  for (int i = 0; i < kCookiesPerDomain + 10; ++i) {
    Set(store, "one.test", "c" + std::to_string(i) + "=1; path=/");
  }
  const std::vector<std::string> kept = Names(store.Get("one.test", "/"));
  ASSERT_EQ(static_cast<size_t>(kCookiesPerDomain), kept.size());
  EXPECT_EQ("c10", kept.front());
  EXPECT_EQ("c" + std::to_string(kCookiesPerDomain + 9), kept.back());
  // Replacing a cookie keeps its place and counts once.
  Set(store, "one.test", "c10=2; path=/");
  EXPECT_EQ("c10", Names(store.Get("one.test", "/")).front());

  const int domains = kCookiesInAll / 10 + 20;
  const std::string texts[] = {"c0=1", "c1=1", "c2=1", "c3=1", "c4=1",
                               "c5=1", "c6=1", "c7=1", "c8=1", "c9=1"};
  std::vector<CookieText> reply;
  for (const std::string& text : texts) reply.push_back({text.data(), text.size()});
  std::string ignored;
  for (int d = 0; d < domains; ++d) {
    store.Set(("d" + std::to_string(d) + ".test").c_str(), reply.data(), reply.size(), KeepBytes,
              &ignored);
  }
  EXPECT_TRUE(store.Get("one.test", "/").empty());
  EXPECT_TRUE(store.Get("d19.test", "/").empty());
  EXPECT_EQ(10u, Names(store.Get("d20.test", "/")).size());
  std::string file;
  store.Delete("no such line", KeepBytes, &file);
  EXPECT_EQ(static_cast<size_t>(kCookiesInAll), std::count(file.begin(), file.end(), '\n'));
}

void CountWrites(const std::string& bytes, void* context) {
  auto* writes = static_cast<std::pair<int, std::string>*>(context);
  ++writes->first;
  writes->second = bytes;
}

// The texts of one reply of `count` cookies from one host.
std::vector<std::string> ReplyTexts(int count) {
  std::vector<std::string> texts;
  for (int i = 0; i < count; ++i) texts.push_back("c" + std::to_string(i) + "=1; path=/");
  return texts;
}

// Seconds to set one reply into a new store with one call.
double ReplySeconds(const std::vector<std::string>& texts, std::pair<int, std::string>* writes) {
  std::vector<CookieText> reply;
  for (const std::string& text : texts) reply.push_back({text.data(), text.size()});
  CCookieStore store;
  *writes = {};
  const auto start = std::chrono::steady_clock::now();
  store.Set("one.test", reply.data(), reply.size(), CountWrites, writes);
  return SecondsSince(start);
}

TEST(CookieStore, OneReplyOfManyCookiesWritesOnceInLinearTime) {
  const std::vector<std::string> small = ReplyTexts(8000), large = ReplyTexts(32000);
  std::pair<int, std::string> writes;
  // Four times the cookies: about four times the time, where a look-up over every cookie
  // kept would take sixteen.
  EXPECT_LT(GrowthRatio([&] { return ReplySeconds(small, &writes); },
                        [&] { return ReplySeconds(large, &writes); }),
            8.0);
  EXPECT_EQ(1, writes.first);
  EXPECT_EQ(static_cast<size_t>(kCookiesPerDomain),
            std::count(writes.second.begin(), writes.second.end(), '\n'));
  EXPECT_EQ(0u, writes.second.find("c31950="));
}

// A file of `count` lines in as many domains, every other one expired.
std::string MixedFile(int count) {
  std::string bytes;
  for (int i = 0; i < count; ++i) {
    bytes += "c=1; path=/; domain=d" + std::to_string(i) + ".test; expires=Wed, 09 Jun " +
             (i % 2 ? "2001" : "2127") + " 10:18:14 GMT\r\n";
  }
  return bytes;
}

double LoadSeconds(const std::string& bytes) {
  CCookieStore store;
  const auto start = std::chrono::steady_clock::now();
  store.Load(bytes.data(), bytes.size());
  return SecondsSince(start);
}

TEST(CookieStore, LoadingAFileFourTimesAsLongTakesAboutFourTimesAsLong) {
  const std::string small = MixedFile(20000), large = MixedFile(80000);
  CCookieStore store;
  store.Load(large.data(), large.size());
  std::string file;
  store.Delete("no such line", KeepBytes, &file);
  EXPECT_EQ(static_cast<size_t>(kCookiesInAll), std::count(file.begin(), file.end(), '\n'));
  EXPECT_NE(std::string::npos, file.find("domain=d79998.test"));
  EXPECT_LT(GrowthRatio([&] { return LoadSeconds(small); }, [&] { return LoadSeconds(large); }),
            8.0);
}

struct Worker {
  CCookieStore* store;
  int index;
  std::string* file;
};

std::mutex g_fileLock;

void KeepBytesLocked(const std::string& bytes, void* context) {
  // The store calls this under its own lock; the extra lock only guards the test's copy.
  std::lock_guard<std::mutex> hold(g_fileLock);
  *static_cast<std::string*>(context) = bytes;
}

void* SetAndGet(void* argument) {
  const Worker* worker = static_cast<Worker*>(argument);
  const char* hosts[] = {"example.test", "www.example.test", "a.example.test", "b.example.test"};
  for (int i = 0; i < 2000; ++i) {
    const char* host = hosts[(worker->index + i) % 4];
    const std::string text =
        "n" + std::to_string(i % 16) + "=" + std::to_string(worker->index) + "; path=/";
    const CookieText one = {text.data(), text.size()};
    worker->store->Set(host, &one, 1, KeepBytesLocked, worker->file);
    if (worker->store->Get(host, "/").empty()) return argument;
  }
  return nullptr;
}

TEST(CookieStore, EightThreadsSettingAndGettingLeaveAConsistentFile) {
  CCookieStore store;
  std::string file;
  pthread_t threads[8];
  Worker workers[8];
  for (int i = 0; i < 8; ++i) {
    workers[i] = {&store, i, &file};
    ASSERT_EQ(0, pthread_create(&threads[i], nullptr, SetAndGet, &workers[i]));
  }
  for (pthread_t thread : threads) {
    void* failed = nullptr;
    pthread_join(thread, &failed);
    EXPECT_EQ(nullptr, failed);
  }
  // Every line parses, and each (name, domain) pair appears once.
  std::set<std::string> keys;
  size_t start = 0, lines = 0;
  for (size_t end; (end = file.find("\r\n", start)) != std::string::npos; start = end + 2) {
    tagCOOKIE cookie;
    ASSERT_TRUE(CookieParse(file.data() + start, end - start, nullptr, &cookie));
    EXPECT_TRUE(keys.insert(cookie.name + "@" + cookie.domain).second) << cookie.name;
    ++lines;
  }
  EXPECT_EQ(file.size(), start);
  EXPECT_EQ(16u * 3u, lines);
}

}  // namespace
