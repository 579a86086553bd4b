#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "charset/Charset.h"
#include "charset/CharsetTables.h"

namespace {

// Never part of a converter or display name.
constexpr char kGuard = '\x01';

using ListFunction = int (*)(char* buffer, uint32_t* size);

int CharsetList(char* buffer, uint32_t* size) { return GetCharsetList(buffer, size); }
int AliasList(char* buffer, uint32_t* size) { return GetAliasList(buffer, size, 0); }
int AliasListWithFallback(char* buffer, uint32_t* size) { return GetAliasList(buffer, size, 1); }

// Calls `list` with exactly `room` bytes and guard bytes behind them.
std::vector<char> Call(ListFunction list, uint32_t room, int* result, uint32_t* needed) {
  std::vector<char> buffer(room + 8, kGuard);
  *needed = room;
  *result = list(buffer.data(), needed);
  for (uint32_t i = room; i < buffer.size(); ++i) EXPECT_EQ(buffer[i], kGuard) << i;
  buffer.resize(room);
  return buffer;
}

// Splits a run of NUL-terminated strings at the first empty one; returns the bytes up to
// and including that empty string, or 0 when the run is not ended within `bytes`.
size_t SplitStrings(const std::vector<char>& bytes, size_t from, std::vector<std::string>* out) {
  size_t at = from;
  while (at < bytes.size()) {
    const size_t length = strnlen(&bytes[at], bytes.size() - at);
    if (at + length == bytes.size()) return 0;
    if (length == 0) return at + 1 - from;
    out->emplace_back(&bytes[at], length);
    at += length + 1;
  }
  return 0;
}

std::vector<std::pair<std::string, std::string>> CharsetPairs(const std::vector<char>& bytes) {
  std::vector<std::string> strings;
  EXPECT_NE(SplitStrings(bytes, 0, &strings), 0u);
  EXPECT_EQ(strings.size() % 2, 0u);
  std::vector<std::pair<std::string, std::string>> pairs;
  for (size_t i = 0; i + 1 < strings.size(); i += 2) pairs.emplace_back(strings[i], strings[i + 1]);
  return pairs;
}

std::vector<std::vector<std::string>> AliasGroups(const std::vector<char>& bytes) {
  std::vector<std::vector<std::string>> groups;
  size_t at = 0;
  for (;;) {
    std::vector<std::string> group;
    const size_t used = SplitStrings(bytes, at, &group);
    EXPECT_NE(used, 0u) << "group at " << at << " not ended";
    if (used <= 1) return groups;
    groups.push_back(group);
    at += used;
  }
}

TEST(CharsetLists, SizeQueryThenFill) {
  for (ListFunction list : {CharsetList, AliasList, AliasListWithFallback}) {
    uint32_t needed = 0;
    EXPECT_EQ(list(nullptr, &needed), -1);
    ASSERT_GT(needed, 1000u);
    int result = 0;
    uint32_t again = 0;
    Call(list, 0, &result, &again);
    EXPECT_EQ(result, -1);
    EXPECT_EQ(again, needed);

    const std::vector<char> full = Call(list, needed, &result, &again);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(again, needed);
    EXPECT_EQ(full[needed - 2], '\0');
  }
  EXPECT_EQ(GetCharsetList(nullptr, nullptr), -1);
  EXPECT_EQ(GetAliasList(nullptr, nullptr, 1), -1);
}

// A buffer that is too small holds the start of the whole list, never more than fits, and
// the call reports the size the whole list needs; a cut charset list is itself well formed.
TEST(CharsetLists, TruncatedListsAreAPrefix) {
  for (ListFunction list : {CharsetList, AliasListWithFallback}) {
    uint32_t needed = 0;
    list(nullptr, &needed);
    int result = 0;
    uint32_t reported = 0;
    const std::vector<char> full = Call(list, needed, &result, &reported);
    for (uint32_t room : {1u, 2u, 3u, 40u, 1000u, needed - 3, needed - 2, needed - 1}) {
      SCOPED_TRACE(room);
      const std::vector<char> buffer = Call(list, room, &result, &reported);
      EXPECT_EQ(result, -1);
      EXPECT_EQ(reported, needed);
      // What was written ends with a NUL; before it lies the start of the whole list.
      const size_t written = std::find(buffer.begin(), buffer.end(), kGuard) - buffer.begin();
      ASSERT_GT(written, 0u);
      EXPECT_EQ(buffer[written - 1], '\0');
      EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + written - 1, full.begin()));
      if (room <= 3) {
        EXPECT_EQ(written, 1u);
      }
      if (list == CharsetList) CharsetPairs(buffer);
    }
  }
}

TEST(CharsetLists, DisplayNames) {
  uint32_t needed = 0;
  GetCharsetList(nullptr, &needed);
  int result = 0;
  const auto pairs = CharsetPairs(Call(CharsetList, needed, &result, &needed));
  ASSERT_GT(pairs.size(), 100u);
  bool windows1252 = false, utf8 = false, ownName = false;
  for (const auto& [display, converter] : pairs) {
    windows1252 |= display == "Western (Windows-1252)" && converter == "ibm-5348_P100-1997";
    utf8 |= display == "Unicode (UTF-8)" && converter == "UTF-8";
    ownName |= display == converter && !FindDisplayName(converter.c_str());
    EXPECT_EQ(ConvertAvailable(converter.c_str()), 1) << converter;
  }
  EXPECT_TRUE(windows1252);
  EXPECT_TRUE(utf8);
  EXPECT_TRUE(ownName);
}

TEST(CharsetLists, AliasGroupsWithAndWithoutFallback) {
  auto groupOf = [](const std::vector<std::vector<std::string>>& groups, const char* member) {
    for (const auto& group : groups) {
      for (const std::string& alias : group) {
        if (alias == member) return group;
      }
    }
    return std::vector<std::string>();
  };
  auto count = [](const std::vector<std::string>& group, const char* alias) {
    size_t n = 0;
    for (const std::string& a : group) n += a == alias;
    return n;
  };
  uint32_t needed = 0;
  int result = 0;
  GetAliasList(nullptr, &needed, 0);
  const auto plain = AliasGroups(Call(AliasList, needed, &result, &needed));
  GetAliasList(nullptr, &needed, 1);
  const auto extended = AliasGroups(Call(AliasListWithFallback, needed, &result, &needed));
  ASSERT_EQ(plain.size(), extended.size());

  EXPECT_EQ(count(groupOf(plain, "ISO-8859-7"), "ecms-118"), 0u);
  EXPECT_EQ(count(groupOf(extended, "ISO-8859-7"), "ecms-118"), 1u);
  EXPECT_EQ(count(groupOf(extended, "ibm-1129"), "cp-1129"), 2u);
  // Rows for names ICU already knows repeat them.
  EXPECT_EQ(count(groupOf(extended, "UTF-8"), "unicode-1-1-utf-8"),
            count(groupOf(plain, "UTF-8"), "unicode-1-1-utf-8") + 1);
  EXPECT_EQ(count(groupOf(plain, "windows-1252"), "ibm-5348_P100-1997"), 1u);
}

TEST(CharsetTables, RowsAsPublished) {
  EXPECT_EQ(sizeof kFallbackAliases / sizeof kFallbackAliases[0], 24u);
  EXPECT_STREQ(kFallbackAliases[0].converter, "UTF-8");
  EXPECT_STREQ(kFallbackAliases[0].alias, "unicode-1-1-utf-8");
  EXPECT_STREQ(kFallbackAliases[23].converter, "ibm-1162");
  EXPECT_STREQ(kFallbackAliases[23].alias, "1162");
  EXPECT_EQ(sizeof kDisplayNames / sizeof kDisplayNames[0], 207u);
  EXPECT_STREQ(kDisplayNames[0].icuName, "UTF-8");
  EXPECT_STREQ(kDisplayNames[0].displayName, "Unicode (UTF-8)");
  EXPECT_STREQ(kDisplayNames[206].icuName, "windows-950");
  EXPECT_STREQ(kDisplayNames[206].displayName, "Chinese Traditional (Windows-950)");
  for (const CharsetDisplayName& row : kDisplayNames) {
    ASSERT_NE(row.icuName, nullptr);
    ASSERT_NE(row.displayName, nullptr);
  }
}

TEST(CharsetTables, LookupsIgnoreCaseAndTakeTheFirstRow) {
  const struct {
    const char* alias;
    const char* converter;
  } cases[] = {
      {"MACROMAN", "macos-0_2-10.2"}, {"cp-1129", "ibm-1129"}, {"Default", "US-ASCII"},
      {"macroma", nullptr},           {"", nullptr},           {nullptr, nullptr},
  };
  for (const auto& c : cases) {
    const char* found = FindFallbackConverter(c.alias);
    if (c.converter) {
      EXPECT_STREQ(found, c.converter);
    } else {
      EXPECT_EQ(found, nullptr);
    }
  }
  EXPECT_STREQ(FindDisplayName("shift_jis"), "Japanese (Shift_JIS)");
  EXPECT_EQ(FindDisplayName("ibm-5348_P100-1997"), nullptr);
}

}  // namespace
