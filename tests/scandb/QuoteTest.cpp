#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "scandb/DbSql.h"

namespace {

struct QuoteCase {
  uint32_t size;
  const char* text;
  int32_t doubleQuotes;
  const char* expected;
};

TEST(DBQuoteString, CopiesWhatFitsWithoutSplittingADoubledQuote) {
  const QuoteCase cases[] = {
      {1, "abc", 1, ""},       {2, "abc", 1, "a"},        {3, "a'b", 1, "a"},
      {4, "a'b", 1, "a''"},    {5, "a'b", 1, "a''b"},     {5, "a'b", 0, "a'b"},
      {3, "''", 1, "''"},      {100, "it's", 1, "it''s"}, {100, "", 1, ""},
      {4, "abcdef", 0, "abc"}, {100, "'", 1, "''"},       {2, "'", 0, "'"},
  };
  for (const QuoteCase& c : cases) {
    char buffer[128];
    memset(buffer, '#', sizeof(buffer));
    int32_t written = DBQuoteString(buffer, c.size, c.text, c.doubleQuotes);
    EXPECT_STREQ(buffer, c.expected) << c.text << " in " << c.size;
    EXPECT_EQ(written, static_cast<int32_t>(strlen(c.expected)));
    EXPECT_EQ(buffer[c.size], '#') << "wrote past the buffer";
  }
  char untouched = '#';
  EXPECT_EQ(DBQuoteString(&untouched, 0, "abc", 1), 0);
  EXPECT_EQ(untouched, '#');
}

TEST(SqlText, RefusesAStatementThatWouldBeCut) {
  SqlText fits(8);
  fits.Add("abc").AddValue("d'e", 10);
  EXPECT_TRUE(fits.Ok());
  EXPECT_STREQ(fits.Text(), "abcd''e");

  SqlText spoiled(8);
  spoiled.Add("abc").AddValue("d''e", 10).Add("x");
  EXPECT_FALSE(spoiled.Ok());
  EXPECT_FALSE(spoiled.OutOfMemory());

  SqlText values(100);
  values.AddValue("\xE4\xB8\xAD\xE4\xB8\xAD", 4)
      .Add("|")
      .AddValue("a\xFF", 10)
      .Add("|")
      .AddRaw("it's\xFF");
  EXPECT_STREQ(values.Text(), "\xE4\xB8\xAD|a\xEF\xBF\xBD|it''s\xFF");
  SqlText number(100);
  number.AddInt(-2147483647 - 1);
  EXPECT_STREQ(number.Text(), "-2147483648");
}

TEST(DBFormatError, WritesStepMessageAndCodeWithinTheLimit) {
  tagDBCONTEXT ctx;
  const char* expected = "PROBLEM ON \"malloc select found\".\n";
  EXPECT_EQ(DBFormatError(&ctx, nullptr, "malloc select found"),
            static_cast<int32_t>(strlen(expected)));
  EXPECT_STREQ(ctx.ErrorText, expected);

  const char* message = "disk full";
  ISC_STATUS status[] = {isc_arg_gds, isc_random, isc_arg_string,
                         reinterpret_cast<ISC_STATUS>(message), isc_arg_end};
  int32_t length = DBFormatError(&ctx, status, "insert into options");
  std::string text = ctx.ErrorText;
  EXPECT_EQ(length, static_cast<int32_t>(text.size()));
  EXPECT_EQ(text.rfind("PROBLEM ON \"insert into options\".\ndisk full\nSQLCODE: ", 0), 0u) << text;

  const std::string longStep(600, 's');
  EXPECT_EQ(DBFormatError(&ctx, nullptr, longStep.c_str()), 511);
  EXPECT_EQ(strlen(ctx.ErrorText), 511u);

  const std::string longMessage(700, 'm');
  status[3] = reinterpret_cast<ISC_STATUS>(longMessage.c_str());
  EXPECT_EQ(DBFormatError(&ctx, status, "step"), 511);
  EXPECT_EQ(std::string(ctx.ErrorText).rfind("PROBLEM ON \"step\".\nmmm", 0), 0u);
  EXPECT_EQ(DBFormatError(nullptr, status, "step"), 0);
}

TEST(DBFormatError, ConcurrentFailuresLeaveOneWholeText) {
  tagDBCONTEXT ctx;
  std::vector<std::string> steps;
  for (int i = 0; i < 8; ++i) steps.push_back(std::string(300, static_cast<char>('a' + i)));
  std::vector<std::thread> threads;
  for (const std::string& step : steps)
    threads.emplace_back([&ctx, &step] {
      for (int round = 0; round < 2000; ++round) DBFormatError(&ctx, nullptr, step.c_str());
    });
  for (std::thread& thread : threads) thread.join();
  std::string text = ctx.ErrorText;
  bool whole = false;
  for (const std::string& step : steps) whole |= text == "PROBLEM ON \"" + step + "\".\n";
  EXPECT_TRUE(whole) << text;
}

}  // namespace
