#include "tests/support/WinGTest.h"

#include <windows.h>

#include <string>

#include "toolkit/DateTime.h"

namespace {

// The pictures live under a key of the test's own, never the prefix's real regional key.
class DateTimeRegistry : public ::testing::Test {
 protected:
  void SetUp() override {
    MakePath();
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, path_, 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &key_, nullptr));
    SetRegionalKeyPath(path_);
  }
  void TearDown() override {
    SetRegionalKeyPath(nullptr);
    RegCloseKey(key_);
    RegDeleteTreeW(HKEY_CURRENT_USER, path_);
  }
  void MakePath() {
    std::u16string path = u"Software\\tessalinelite-date-test-";
    for (DWORD id = GetCurrentProcessId(); id; id /= 10) path += char16_t(u'0' + id % 10);
    path.copy(path_, path.size());
    path_[path.size()] = 0;
  }
  void SetText(const char16_t* name, const std::u16string& value) {
    RegSetValueExW(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   DWORD((value.size() + 1) * sizeof(char16_t)));
  }
  static std::u16string Format(const char16_t* picture, const SYSTEMTIME* time) {
    char16_t buffer[256];
    FormatDateTime(buffer, 256, picture, time);
    return buffer;
  }

  char16_t path_[96] = {};
  HKEY key_ = nullptr;
  // Tuesday, 5 March 2024, 09:05:07.
  const SYSTEMTIME march5_ = {2024, 3, 2, 5, 9, 5, 7, 0};
};

TEST_F(DateTimeRegistry, UsesTheRegionalPicturesAndTheTableNames) {
  SetText(u"sLongDate", u"dddd, MMMM d, yyyy");
  SetText(u"sShortDate", u"M/d/yyyy");
  SetText(u"sTimeFormat", u"h:mm:ss tt");
  SetText(u"s1159", u"AM");
  EXPECT_EQ(u"Tuesday, March 5, 2024|3/5/2024|9:05:07 AM",
            Format(u"%longdate|%shortdate|%time", &march5_));
  EXPECT_EQ(u"", Format(u"%longdate", nullptr));
}

TEST_F(DateTimeRegistry, UnusableValuesGiveTheDefaults) {
  DWORD number = 7;
  RegSetValueExW(key_, u"sLongDate", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                 sizeof number);
  SetText(u"sTimeFormat", std::u16string(200, u'h'));
  const char16_t unterminated[10] = {u'x', u'x', u'x', u'x', u'x', u'x', u'x', u'x', u'x', u'x'};
  RegSetValueExW(key_, u"s1159", 0, REG_SZ, reinterpret_cast<const BYTE*>(unterminated),
                 sizeof unterminated);
  EXPECT_EQ(u"5 March 2024|05.03.24|9:05:07", Format(u"%longdate|%shortdate|%time", &march5_));
  SetText(u"sTimeFormat", u"tt");
  EXPECT_EQ(u"AM", Format(u"%time", &march5_));

  SetRegionalKeyPath(u"Software\\tessalinelite-date-test-missing");
  EXPECT_EQ(u"5 March 2024", Format(u"%longdate", &march5_));
}

}  // namespace
