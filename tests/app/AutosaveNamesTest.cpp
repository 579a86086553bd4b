// Autosave names: the base of a server name and the numbered candidates in a folder.
#include <gtest/gtest.h>

#include <string>

#include "app/AutosaveNames.h"

namespace {

std::u16string Base(const char16_t* server) {
  char16_t base[256];
  MakeAutosaveBase(server, base, 256);
  return base;
}

TEST(AutosaveNames, BaseDropsReservedAndControlCharacters) {
  const struct {
    const char16_t* server;
    const char16_t* base;
  } cases[] = {
      {u"www.example.org", u"www.example.org"},
      {u"a\\b/c:d*e?f\"g<h>i|j", u"abcdefghij"},
      {u"\\/:*?\"<>|", u"noname"},
      {u"", u"noname"},
      {nullptr, u"noname"},
      {u"tab\there\x01", u"tabhere"},
      {u"\u043f\u0440\u0438\u043c\u0435\u0440.\u0440\u0444",
       u"\u043f\u0440\u0438\u043c\u0435\u0440.\u0440\u0444"},
      {u"con", u"con"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.base, Base(c.server));
}

TEST(AutosaveNames, CandidatesAreNumberedFromTwo) {
  char16_t out[1024];
  ASSERT_TRUE(MakeAutosaveCandidate(u"C:\\a", u"site", 1, AUTOSAVE_DATABASE, out, 1024));
  EXPECT_EQ(u"C:\\a\\site.fdb.tsn", std::u16string(out));
  ASSERT_TRUE(MakeAutosaveCandidate(u"C:\\a", u"site", 2, AUTOSAVE_LOCATOR, out, 1024));
  EXPECT_EQ(u"C:\\a\\site2.tsn.loc", std::u16string(out));
  ASSERT_TRUE(MakeAutosaveCandidate(u"C:\\a", u"site", 13, AUTOSAVE_DATABASE, out, 1024));
  EXPECT_EQ(u"C:\\a\\site13.fdb.tsn", std::u16string(out));
}

TEST(AutosaveNames, LongFolderCutsTheBaseNeverTheExtension) {
  const std::u16string folder = u"C:\\" + std::u16string(1000, u'f');
  char16_t out[1024];
  ASSERT_TRUE(
      MakeAutosaveCandidate(folder.c_str(), u"www.example.org", 7, AUTOSAVE_DATABASE, out, 1024));
  const std::u16string name(out);
  EXPECT_EQ(folder + u"\\www.exampl7.fdb.tsn", name);
  const std::u16string tooLong(1020, u'f');
  EXPECT_FALSE(MakeAutosaveCandidate(tooLong.c_str(), u"x", 1, AUTOSAVE_LOCATOR, out, 1024));
}

}  // namespace
