#include <gtest/gtest.h>
#include <unicode/ucnv.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "charset/Charset.h"

namespace {

// Encodes UTF-8 sample text in another charset with ICU itself, so the samples do not
// depend on the converters under test.
std::string Encode(const char* charset, const std::string& utf8) {
  std::string out(utf8.size() * 4 + 16, '\0');
  UErrorCode error = U_ZERO_ERROR;
  const int32_t n = ucnv_convert(charset, "UTF-8", &out[0], static_cast<int32_t>(out.size()),
                                 utf8.data(), static_cast<int32_t>(utf8.size()), &error);
  EXPECT_TRUE(U_SUCCESS(error)) << charset << ": " << u_errorName(error);
  out.resize(n);
  return out;
}

struct Result {
  std::string charset;
  std::string language;
  int confidence;
};

std::vector<Result> Recognize(const std::string& data, uint32_t flags) {
  uint32_t count = 99;
  CHARDETSTRUCT* records =
      RecognizeCharset(data.data(), static_cast<uint32_t>(data.size()), flags, &count);
  std::vector<Result> results;
  for (uint32_t i = 0; i < count; ++i) {
    const CHARDETSTRUCT& r = records[i];
    EXPECT_NE(std::memchr(r.charset, 0, sizeof r.charset), nullptr);
    EXPECT_LE(std::strlen(r.language), 4u);
    results.push_back({r.charset, r.language, r.confidence});
  }
  EXPECT_EQ(records == nullptr, count == 0);
  RecognizeFree(&records);
  return results;
}

const char kGerman[] =
    "Die Bürger der Stadt trafen sich am Donnerstag auf dem Marktplatz, um über die "
    "Zukunft des alten Rathauses zu sprechen. Viele wünschten sich, dass das Gebäude "
    "erhalten bleibt und für Ausstellungen genutzt wird. Der Bürgermeister erklärte, "
    "dass die Kosten für die Renovierung höher seien als erwartet und dass man über "
    "eine Förderung durch das Land nachdenken müsse.";

const char kRussian[] =
    "Вчера вечером в городе прошло собрание жителей, на котором обсуждали будущее "
    "старого здания ратуши. Многие хотели бы, чтобы здание сохранили и использовали "
    "для выставок. Мэр объяснил, что расходы на ремонт оказались выше, чем ожидалось, "
    "и что нужно подумать о поддержке со стороны области.";

const char kJapanese[] =
    "昨日の夕方、町の住民が集まり、古い市役所の建物の将来について話し合いました。"
    "多くの人が建物を保存して展示に使うことを望んでいます。市長は、改修の費用が予想"
    "よりも高く、県からの支援を検討する必要があると説明しました。";

const char kAsciiHtml[] =
    "<html><head><title>Opening hours</title></head><body><h1>Opening hours</h1>"
    "<p>The library is open from Monday to Friday between nine in the morning and six in "
    "the evening. On Saturdays it closes at noon. Books can be returned at any time "
    "through the slot next to the main entrance.</p></body></html>";

// The order that decides between equal confidences.
const char* const kListOrder[] = {
    "UTF-16BE",     "UTF-16LE",     "UTF-32BE",   "UTF-32LE",    "UTF-8",        "ISO-8859-1",
    "ISO-8859-2",   "ISO-8859-5",   "ISO-8859-6", "ISO-8859-7",  "ISO-8859-8-I", "ISO-8859-8",
    "windows-1251", "windows-1256", "KOI8-R",     "ISO-8859-9",  "Shift_JIS",    "GB18030",
    "EUC-JP",       "EUC-KR",       "Big5",       "ISO-2022-JP", "ISO-2022-KR",  "ISO-2022-CN",
    "IBM424_rtl",   "IBM424_ltr",   "IBM420_rtl", "IBM420_ltr"};

int ListPosition(const std::string& name) {
  const std::string iso = name == "windows-1252"   ? "ISO-8859-1"
                          : name == "windows-1250" ? "ISO-8859-2"
                          : name == "windows-1253" ? "ISO-8859-7"
                          : name == "windows-1254" ? "ISO-8859-9"
                          : name == "windows-1255" ? "ISO-8859-8"
                                                   : name;
  for (size_t i = 0; i < sizeof kListOrder / sizeof kListOrder[0]; ++i) {
    if (iso == kListOrder[i]) return static_cast<int>(i);
  }
  ADD_FAILURE() << "not a listed recogniser: " << name;
  return -1;
}

bool IsUnicodeWide(const std::string& name) {
  return name.rfind("UTF-16", 0) == 0 || name.rfind("UTF-32", 0) == 0;
}

void ExpectRanked(const std::vector<Result>& results) {
  for (size_t i = 1; i < results.size(); ++i) {
    const Result& a = results[i - 1];
    const Result& b = results[i];
    ASSERT_GE(a.confidence, b.confidence) << a.charset << " before " << b.charset;
    if (a.confidence == b.confidence) {
      EXPECT_LT(ListPosition(a.charset), ListPosition(b.charset))
          << a.charset << " before " << b.charset;
    }
  }
}

TEST(RecognizeCharset, FlagsWithoutRecognisersGiveNothing) {
  for (uint32_t flags : {0u, 1u, 8u, 0xFFFFFFF8u, 9u}) {
    for (const std::string& data : {std::string(kAsciiHtml), Encode("UTF-16LE", kGerman)}) {
      EXPECT_TRUE(Recognize(data, flags).empty()) << flags;
    }
  }
}

TEST(RecognizeCharset, RecognisesLanguageSamples) {
  struct Case {
    const char* name;
    std::string data;
    uint32_t flags;
    const char* charset;
    const char* language;
  };
  const Case cases[] = {
      {"UTF-16LE without BOM", Encode("UTF-16LE", kGerman), 2, "UTF-16LE", ""},
      {"UTF-16BE without BOM", Encode("UTF-16BE", kGerman), 2, "UTF-16BE", ""},
      {"UTF-32LE without BOM", Encode("UTF-32LE", kAsciiHtml), 2, "UTF-32LE", ""},
      {"UTF-16LE among all", Encode("UTF-16LE", kGerman), 7, "UTF-16LE", ""},
      {"Latin-1 German", Encode("ISO-8859-1", kGerman), 4, "ISO-8859-1", "de"},
      {"Latin-1 German with C1 quotes",
       Encode("windows-1252", std::string("\xE2\x80\x9E") + kGerman + "\xE2\x80\x9C"), 4,
       "windows-1252", "de"},
      {"KOI8-R Russian", Encode("KOI8-R", kRussian), 4, "KOI8-R", "ru"},
      {"windows-1251 Russian", Encode("windows-1251", kRussian), 4, "windows-1251", "ru"},
      {"Shift_JIS Japanese", Encode("Shift_JIS", kJapanese), 4, "Shift_JIS", "ja"},
      {"EUC-JP Japanese", Encode("EUC-JP", kJapanese), 4, "EUC-JP", "ja"},
      {"UTF-8 Japanese", kJapanese, 7, "UTF-8", ""},
      {"ASCII HTML", kAsciiHtml, 4, "ISO-8859-1", "en"},
      {"ASCII HTML, markup stripped", kAsciiHtml, 5, "ISO-8859-1", "en"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<Result> results = Recognize(c.data, c.flags);
    ASSERT_FALSE(results.empty());
    EXPECT_EQ(results[0].charset, c.charset);
    EXPECT_EQ(results[0].language, c.language);
    EXPECT_GT(results[0].confidence, 10);
    ExpectRanked(results);
  }
}

TEST(RecognizeCharset, FlagsChooseTheRecognisers) {
  const std::vector<Result> others = Recognize(kAsciiHtml, 4);
  bool utf8 = false;
  for (const Result& r : others) {
    EXPECT_FALSE(IsUnicodeWide(r.charset)) << r.charset;
    utf8 = utf8 || (r.charset == "UTF-8" && r.language.empty());
  }
  EXPECT_TRUE(utf8);

  // ICU gives the UTF-16 recognisers 10 on any text, which callers must discount.
  const std::vector<Result> unicode = Recognize(kAsciiHtml, 2);
  ASSERT_EQ(unicode.size(), 2u);
  EXPECT_EQ(unicode[0].charset, "UTF-16BE");
  EXPECT_EQ(unicode[1].charset, "UTF-16LE");
  EXPECT_EQ(unicode[0].confidence, 10);
  EXPECT_EQ(unicode[1].confidence, 10);

  const std::vector<Result> all = Recognize(kAsciiHtml, 7);
  EXPECT_EQ(all.size(), others.size() + unicode.size());
  ExpectRanked(all);
}

TEST(RecognizeCharset, StrippingMarkupChangesTheStatistics) {
  std::string page;
  for (int i = 0; i < 40; ++i) page += "<div class=\"navigation-item\"><a href=\"/x\">";
  page += kRussian;
  page += "</a></div>";
  const std::string koi8 = Encode("KOI8-R", page);
  const std::vector<Result> stripped = Recognize(koi8, 5);
  ASSERT_FALSE(stripped.empty());
  EXPECT_EQ(stripped[0].charset, "KOI8-R");
  const std::vector<Result> raw = Recognize(koi8, 4);
  ASSERT_FALSE(raw.empty());
  int rawKoi8 = 0;
  for (const Result& r : raw) {
    if (r.charset == "KOI8-R") rawKoi8 = r.confidence;
  }
  EXPECT_LT(rawKoi8, stripped[0].confidence);
}

TEST(RecognizeCharset, NulTerminatedLengthMeansUpToTheNul) {
  uint32_t a = 0, b = 0;
  CHARDETSTRUCT* byLength =
      RecognizeCharset(kGerman, static_cast<uint32_t>(std::strlen(kGerman)), 7, &a);
  CHARDETSTRUCT* byNul = RecognizeCharset(kGerman, CHARDET_NUL_TERMINATED, 7, &b);
  ASSERT_EQ(a, b);
  ASSERT_GT(a, 0u);
  EXPECT_EQ(std::memcmp(byLength, byNul, a * sizeof(CHARDETSTRUCT)), 0);
  RecognizeFree(&byLength);
  RecognizeFree(&byNul);
}

TEST(RecognizeCharset, OddInputGivesNoRecordOrAnAnswer) {
  uint32_t count = 5;
  EXPECT_EQ(RecognizeCharset(nullptr, 10, 7, &count), nullptr);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(RecognizeCharset(kGerman, 10, 7, nullptr), nullptr);

  const std::vector<Result> empty = Recognize(std::string(), 7);
  ExpectRanked(empty);
  const std::string oneByte(1, '\xFF');
  ExpectRanked(Recognize(oneByte, 7));
  const std::string truncated = Encode("UTF-8", kJapanese).substr(0, 100);
  ExpectRanked(Recognize(truncated, 7));
  ExpectRanked(Recognize(std::string(3 << 20, '\x80'), 7));
}

// The pre-check may only spare calls whose Unicode answer would not be trusted: on bytes it
// clears, no UTF-16 or UTF-32 record rates above 10. Pages, binary noise and short inputs,
// with the marks and NULs that make it answer 1.
TEST(MayBeUnicodeForm, ClearsOnlyBytesWithoutATrustedUnicodeAnswer) {
  std::vector<std::string> inputs = {
      "",
      "a",
      "ab",
      "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"></head></html>",
      std::string("\xFE\xFF\x00<\x00h", 6),
      std::string("\xFF\xFE<\x00h\x00", 6),
      std::string("<\x00h\x00t\x00m\x00l\x00", 10),
      std::string("\x00\x00\x00<", 4),
      Encode("UTF-16LE", "<html>plain</html>"),
      Encode("UTF-32BE", "<html>plain</html>")};
  unsigned seed = 46;
  for (int i = 0; i < 400; ++i) {
    std::string bytes(1 + i % 97, '\0');
    for (char& c : bytes) {
      seed = seed * 1103515245u + 12345u;
      c = static_cast<char>(1 + (seed >> 16) % 255);  // 1..255: no NUL
    }
    if (i % 4 == 0) bytes[i % bytes.size()] = '\0';
    inputs.push_back(bytes);
  }
  int cleared = 0;
  for (const std::string& input : inputs) {
    const bool may = MayBeUnicodeForm(input.data(), static_cast<uint32_t>(input.size())) != 0;
    int best = 0;
    for (const Result& r : Recognize(input, CHARDET_UNICODE)) best = std::max(best, r.confidence);
    if (!may) {
      ++cleared;
      EXPECT_LE(best, 10) << input.size();
    }
  }
  EXPECT_GT(cleared, 250);
  EXPECT_EQ(MayBeUnicodeForm(nullptr, 4), 0);
  EXPECT_EQ(MayBeUnicodeForm("\xFF\xFEx", CHARDET_NUL_TERMINATED), 1);
}

TEST(RecognizeFree, IgnoresNull) {
  RecognizeFree(nullptr);
  CHARDETSTRUCT* none = nullptr;
  RecognizeFree(&none);
  EXPECT_EQ(none, nullptr);
}

TEST(RecognizeCharset, ConcurrentCallsAgree) {
  const std::string koi8 = Encode("KOI8-R", kRussian);
  const std::vector<Result> expected = Recognize(koi8, 7);
  std::vector<int> mismatches(4, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 50; ++i) {
        uint32_t count = 0;
        CHARDETSTRUCT* records =
            RecognizeCharset(koi8.data(), static_cast<uint32_t>(koi8.size()), 7, &count);
        if (count != expected.size() || expected[0].charset != records[0].charset) ++mismatches[t];
        RecognizeFree(&records);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int m : mismatches) EXPECT_EQ(m, 0);
}

}  // namespace
