#include "tests/support/WinGTest.h"

#include <windows.h>

#include <commctrl.h>

#include "toolkit/ThemeHelper.h"

namespace {

// Importing a common-controls function loads the library before static construction,
// as in the program.
const bool commonControls = [] {
  INITCOMMONCONTROLSEX init = {sizeof(init), ICC_STANDARD_CLASSES};
  return InitCommonControlsEx(&init) != FALSE;
}();

HWND MakeWindow() {
  return CreateWindowExW(0, u"STATIC", u"", WS_POPUP, 0, 0, 80, 30, nullptr, nullptr, nullptr,
                         nullptr);
}

TEST(ThemeHelper, ProgramHelperSeesWineCommonControlsAndActiveTheme) {
  ASSERT_TRUE(commonControls);
  CThemeHelper& helper = ThemeHelper();
  EXPECT_EQ(0x00050051u, helper.version);
  EXPECT_FALSE(helper.HasCommonControls6()) << "themed drawing stays off below version 6";
  EXPECT_NE(nullptr, helper.module);
  EXPECT_TRUE(helper.IsAppThemed());
  EXPECT_TRUE(helper.IsThemeActive());
}

TEST(ThemeHelper, MissingLibraryGivesEveryFallback) {
  CThemeHelper helper(u"NoSuchThemeLibrary.dll", 0x00060000);
  EXPECT_EQ(nullptr, helper.module);
  HWND window = MakeWindow();
  HDC dc = GetDC(window);
  RECT rect = {0, 0, 80, 30};
  RECT content = {};
  EXPECT_EQ(nullptr, helper.OpenThemeData(window, u"Button"));
  HTHEME bogus = reinterpret_cast<HTHEME>(1);
  EXPECT_EQ(E_FAIL, helper.CloseThemeData(bogus));
  EXPECT_EQ(E_FAIL,
            helper.DrawThemeBackground(bogus, dc, BP_PUSHBUTTON, PBS_NORMAL, &rect, nullptr));
  EXPECT_EQ(E_FAIL,
            helper.DrawThemeText(bogus, dc, BP_PUSHBUTTON, PBS_NORMAL, u"x", 1, 0, 0, &rect));
  EXPECT_EQ(E_FAIL, helper.GetThemeBackgroundContentRect(bogus, dc, BP_PUSHBUTTON, PBS_NORMAL,
                                                         &rect, &content));
  EXPECT_FALSE(helper.IsThemeBackgroundPartiallyTransparent(bogus, BP_PUSHBUTTON, PBS_NORMAL));
  EXPECT_EQ(E_FAIL, helper.DrawThemeParentBackground(window, dc, &rect));
  EXPECT_FALSE(helper.IsThemeActive());
  EXPECT_FALSE(helper.IsAppThemed());
  ReleaseDC(window, dc);
  DestroyWindow(window);
}

TEST(ThemeHelper, ForcedVersionSixOpensAndDrawsTheButtonTheme) {
  CThemeHelper helper(u"UxTheme.dll", 0x00060000);
  ASSERT_TRUE(helper.HasCommonControls6());
  HWND window = MakeWindow();
  HTHEME theme = helper.OpenThemeData(window, u"Button");
  ASSERT_NE(nullptr, theme);
  HDC dc = GetDC(window);
  RECT rect = {0, 0, 80, 30};
  RECT content = {};
  EXPECT_EQ(S_OK, helper.DrawThemeBackground(theme, dc, BP_PUSHBUTTON, PBS_HOT, &rect, nullptr));
  EXPECT_EQ(S_OK, helper.GetThemeBackgroundContentRect(theme, dc, BP_PUSHBUTTON, PBS_NORMAL, &rect,
                                                       &content));
  EXPECT_GT(content.left, rect.left);
  EXPECT_LT(content.right, rect.right);
  EXPECT_EQ(S_OK, helper.CloseThemeData(theme));
  ReleaseDC(window, dc);
  DestroyWindow(window);
}

}  // namespace
