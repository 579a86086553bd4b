// Listing lines of every style, hostile lines and random input through the parser.
#include <gtest/gtest.h>
#include <time.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "net/FtpList.h"

namespace {

constexpr int64_t k20261209 = 1796774400;  // 2026-12-09 00:00 UTC

std::string When(int32_t seconds) {
  const time_t t = seconds;
  tm parts = {};
  gmtime_r(&t, &parts);
  char text[32];
  strftime(text, sizeof(text), "%Y-%m-%d %H:%M", &parts);
  return text;
}

struct LineCase {
  const char* line;
  const char* name;  // null: the line fails
  int dir, file;
  int64_t size;  // -1: unknown
  int timeKind;
  const char* when;
};

const LineCase kLines[] = {
    {"drwxr-xr-x 2 u g 4096 Jan 5 12:30 docs", "docs", 1, 0, 4096, 2, "2026-01-05 12:30"},
    {"-rw-r--r-- 1 u g 120 Jan 5 2009 docs", "docs", 0, 1, 120, 3, "2009-01-05 00:00"},
    {"lrwxrwxrwx 1 u g 7 Mar 1 2010 latest -> target", "latest", 1, 1, 7, 3, "2010-03-01 00:00"},
    {"-rw-r--r--   1 owner    group        1234 Dec 08 23:07 with space.txt", "with space.txt", 0,
     1, 1234, 2, "2026-12-08 23:07"},
    {"-rw-r--r--  1 u  g   5 Jan  5  2009  two", " two", 0, 1, 5, 3, "2009-01-05 00:00"},
    {"d [R----F--] supervisor            512       Jan 16 18:53    login", "login", 1, 0, 512, 2,
     "2026-01-16 18:53"},
    {"drwxrwxr-x               folder        2 May 10  1996 network", "network", 1, 0, 2, 3,
     "1996-05-10 00:00"},
    {"-------r--         326  1391972  1392298 Nov 22  1995 MegaPhone.sit", "MegaPhone.sit", 0, 1,
     1392298, 3, "1995-11-22 00:00"},
    {"-rw-r--r-- 1 u g 5000000000 Jan 5 2009 big", "big", 0, 1, INT32_MAX, 3, "2009-01-05 00:00"},
    {"-rw-r--r-- 1 u g 1 Jan 5 2100 later", "later", 0, 1, 1, 3, "2038-01-19 03:14"},
    {"-rw-r--r-- 1 u g 99999999999999999999999999999999999999 Jan 5 2009 n", "n", 0, 1, INT32_MAX,
     3, "2009-01-05 00:00"},
    {"CORE.DIR;1 1 8-SEP-1996 16:09 [SYSTEM] (RWE,RWE,RE,RE)", "CORE", 1, 0, -1, 2,
     "1996-09-08 16:09"},
    {"README.TXT;3  4/4  27-JUN-2001 11:44:55 [GROUP,OWNER]    (RWED,RWED,RE,)", "README.TXT", 0, 1,
     -1, 2, "2001-06-27 11:44"},
    {"04-27-00  09:09PM       <DIR>          licensed", "licensed", 1, 0, -1, 2,
     "2000-04-27 21:09"},
    {"11-18-03  10:15AM              1024 file name.txt", "file name.txt", 0, 1, 1024, 2,
     "2003-11-18 10:15"},
    {"04-27-2000  12:05AM  <DIR>  midnight", "midnight", 1, 0, -1, 2, "2000-04-27 00:05"},
    {"04-27-2000  12:05PM  5  noon", "noon", 0, 1, 5, 2, "2000-04-27 12:05"},
    {"04-27-99  21:09  <DIR>  late", "late", 1, 0, -1, 2, "1999-04-27 21:09"},
    {"+i8388621.29609,m824255902,/,\tdev", "dev", 1, 0, -1, 1, "1996-02-13 23:58"},
    {"+r,s1234,m824255902,\tfile.txt", "file.txt", 0, 1, 1234, 1, "1996-02-13 23:58"},
    {"total 14", nullptr, 0, 0, 0, 0, ""},
    {"+i1,/", nullptr, 0, 0, 0, 0, ""},
    {"README;", nullptr, 0, 0, 0, 0, ""},
    {"-rw-r--r-- 1 u g 1 xyz 5 2009 f", nullptr, 0, 0, 0, 0, ""},
    {"-rw-r--r-- 1 u g 1 Jan 5 209 f", nullptr, 0, 0, 0, 0, ""},
    {"-rw-r--r-- 1 u g 1 Jan 5 2009", nullptr, 0, 0, 0, 0, ""},
    {"X.TXT;1 1 8-XYZ-1996 16:09", nullptr, 0, 0, 0, 0, ""},
    {"04-27-00  09:09XM  <DIR>  x", nullptr, 0, 0, 0, 0, ""},
    {"   ", nullptr, 0, 0, 0, 0, ""},
    {"123456", nullptr, 0, 0, 0, 0, ""},
    {"d", nullptr, 0, 0, 0, 0, ""},
    {"", nullptr, 0, 0, 0, 0, ""},
};

TEST(FtpList, EveryStyleGivesNameKindSizeAndTime) {
  for (const LineCase& c : kLines) {
    tagFTPLISTENTRY e;
    const int ok = ParseFTPListLineAt(&e, c.line, static_cast<int>(std::strlen(c.line)), k20261209);
    ASSERT_EQ(c.name != nullptr, ok == 1) << c.line;
    if (!ok) continue;
    EXPECT_EQ(c.name, std::string(e.name, e.nameLength)) << c.line;
    EXPECT_EQ(c.dir, e.mayBeDirectory) << c.line;
    EXPECT_EQ(c.file, e.mayBeFile) << c.line;
    EXPECT_EQ(c.size >= 0, e.sizeKnown == 1) << c.line;
    if (c.size >= 0) {
      EXPECT_EQ(c.size, e.size) << c.line;
    }
    EXPECT_EQ(c.timeKind, e.timeKind) << c.line;
    EXPECT_EQ(c.when, When(e.time)) << c.line;
  }
  tagFTPLISTENTRY e;
  const char eplf[] = "+i8388621.29609,m824255902,/,\tdev";
  ASSERT_EQ(1, ParseFTPListLine(&e, eplf, sizeof(eplf) - 1));
  EXPECT_EQ("8388621.29609", std::string(e.id, e.idLength));
}

TEST(FtpList, YearOfATimeOfDayFollowsNowAcrossTheNewYear) {
  const struct {
    int64_t now;
    const char* line;
    const char* when;
  } cases[] = {
      {1798934400, "-rw-r--r-- 1 u g 1 Dec 30 10:00 f", "2026-12-30 10:00"},  // now 2027-01-03
      {1798416000, "-rw-r--r-- 1 u g 1 Jan 02 10:00 f", "2027-01-02 10:00"},  // now 2026-12-28
      {1798416000, "-rw-r--r-- 1 u g 1 Dec 22 10:00 f", "2026-12-22 10:00"},
      {1798416000, "-rw-r--r-- 1 u g 1 Jan 20 10:00 f", "2026-01-20 10:00"},
  };
  for (const auto& c : cases) {
    tagFTPLISTENTRY e;
    ASSERT_EQ(1, ParseFTPListLineAt(&e, c.line, static_cast<int>(std::strlen(c.line)), c.now));
    EXPECT_EQ(c.when, When(e.time)) << c.line;
  }
}

TEST(FtpList, HostileLinesStayInside) {
  std::string longName = "-rw-r--r-- 1 u g 1 Jan 5 2009 " + std::string(5000, 'n');
  std::string withNul = std::string("-rw-r--r-- 1 u g 1 Jan 5 2009 a\0b", 33);
  for (const std::string& line : {longName, withNul}) {
    tagFTPLISTENTRY e;
    ASSERT_EQ(1, ParseFTPListLine(&e, line.data(), static_cast<int>(line.size())));
    EXPECT_EQ(line.data() + line.size(), e.name + e.nameLength);
  }
}

bool Inside(const char* p, int32_t length, const char* line, int size) {
  return length >= 0 && (length == 0 || (p >= line && p + length <= line + size));
}

double FuzzSeconds() {
  const char* value = std::getenv("TL_FUZZ_SECONDS");
  return value ? std::atof(value) : 1.0;
}

TEST(FtpList, RandomLinesAndEveryPrefixStayInside) {
  const char* const pieces[] = {
      " ",     "  ", "-",     "d",    "l",    "+",      ",",    "\t",
      ";",     ":",  "<DIR>", "Jan",  "DEC",  "xyz",    "12",   "2009",
      "09:09", "PM", "AM",    ".DIR", " -> ", "folder", "[R-]", "99999999999999999999",
      "/",     "s",  "m",     "i",    "r",    "-JUN-",  "\0",   "\xFF"};
  std::mt19937 random(14);
  const auto stop = std::chrono::steady_clock::now() +
                    std::chrono::milliseconds(static_cast<int>(FuzzSeconds() * 1000));
  auto check = [](const std::string& text, size_t length) {
    // Exactly sized heap copy: a read past the line is a sanitizer report.
    std::unique_ptr<char[]> line(new char[length ? length : 1]);
    std::memcpy(line.get(), text.data(), length);
    tagFTPLISTENTRY e;
    if (ParseFTPListLineAt(&e, line.get(), static_cast<int>(length), k20261209)) {
      ASSERT_TRUE(Inside(e.name, e.nameLength, line.get(), static_cast<int>(length))) << text;
      ASSERT_TRUE(Inside(e.id, e.idLength, line.get(), static_cast<int>(length))) << text;
    }
  };
  for (const LineCase& c : kLines) {
    const std::string line = c.line;
    for (size_t n = 0; n <= line.size(); ++n) check(line, n);
  }
  while (std::chrono::steady_clock::now() < stop) {
    std::string line = kLines[random() % (sizeof(kLines) / sizeof(kLines[0]))].line;
    const int edits = random() % 12;
    for (int i = 0; i < edits; ++i) {
      const size_t at = line.empty() ? 0 : random() % line.size();
      if (random() % 2) {
        const char* piece = pieces[random() % (sizeof(pieces) / sizeof(pieces[0]))];
        line.insert(at, piece, std::max<size_t>(1, std::strlen(piece)));
      } else if (!line.empty()) {
        line[at] = static_cast<char>(random());
      }
    }
    check(line, line.size());
  }
}

}  // namespace
