// Started from a plain C environment, the program still hands Firebird UTF-8 file names.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "app/ProcessLocale.h"
#include "scandb/DbContext.h"
#include "scandb/ScanDb.h"

namespace {

TEST(ProcessLocale, PlainCEnvironmentStillOpensAWorksheetUnderACyrillicFolder) {
  ASSERT_STREQ("C", getenv("LC_ALL"));
  EXPECT_EQ(1, UseUtf8Locale());
  EXPECT_STREQ("UTF-8", LocaleCharset());

  char pattern[] = "/tmp/tl-locale-XXXXXX";
  ASSERT_NE(nullptr, mkdtemp(pattern));
  const std::string folder = std::string(pattern) + "/\xd0\x9f\xd0\xb0\xd0\xbf\xd0\xba\xd0\xb0";
  ASSERT_EQ(0, mkdir(folder.c_str(), 0700));
  tagDBCONTEXTINIT init = {};
  init.KeepReport = 1;
  tagDBCONTEXT* context = DBCreateContext(&init);
  ASSERT_NE(nullptr, context);
  int32_t out = -1;
  EXPECT_EQ(1, DBOpenDatabase(context, (folder + "/ws.fdb").c_str(), &out)) << context->ErrorText;
  DBFreeContext(context);
  EXPECT_EQ(0, system(("rm -rf '" + std::string(pattern) + "'").c_str()));
}

}  // namespace
