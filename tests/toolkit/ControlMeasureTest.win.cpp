#include "tests/support/WinGTest.h"

#include <windows.h>

#include <string>

#include "toolkit/ControlMeasure.h"
#include "toolkit/FinderStruct.h"

namespace {

// A memory DC holding the template's default font.
struct FontDc {
  HDC dc = CreateCompatibleDC(nullptr);
  HFONT font = CreateSpecFont(u"MS Sans Serif, 10");
  HGDIOBJ old = SelectObject(dc, font);
  ~FontDc() {
    SelectObject(dc, old);
    DeleteObject(font);
    DeleteDC(dc);
  }
  int TextWidth(const char16_t* text) const {
    SIZE size = {};
    GetTextExtentPoint32W(dc, text, static_cast<int>(std::char_traits<char16_t>::length(text)),
                          &size);
    return size.cx;
  }
  XmlMeasureResult Measure(const char16_t* type, const char16_t* title, uint32_t style,
                           uint32_t exstyle = 0, int minwidth = 0, double relwidth = 1.0) const {
    XmlMeasureRequest request{type, title, style, exstyle, 1, minwidth, 0, relwidth, 1.0};
    XmlMeasureResult result = {};
    MeasureControlBuiltIn(dc, request, &result);
    return result;
  }
};

TEST(ControlMeasure, ScalesOfTheDefaultFont) {
  FontDc f;
  double h = 0, v = 0;
  GetDialogScales(f.dc, &h, &v);
  // Liberation Sans stands in for MS Sans Serif here: 6 pixels average width, 11 high.
  EXPECT_EQ(1.5, h);
  EXPECT_EQ(1.375, v);

  LOGFONTW font;
  FontSpecToLogFont(ParseFontSpec(u"Tahoma, 8, GREEK, BOLD UNDERLINE", 32), &font);
  EXPECT_EQ(std::u16string(u"Tahoma"), font.lfFaceName);
  EXPECT_EQ(-8, font.lfHeight);
  EXPECT_EQ(FW_BOLD, font.lfWeight);
  EXPECT_EQ(GREEK_CHARSET, font.lfCharSet);
  EXPECT_TRUE(font.lfUnderline);
  EXPECT_FALSE(font.lfItalic);
}

TEST(ControlMeasure, TitlesStylesAndAllowances) {
  FontDc f;
  const int frame = 2 * GetSystemMetrics(SM_CXFRAME), edge = 2 * GetSystemMetrics(SM_CXEDGE);
  const int space = f.TextWidth(u" "), check = GetSystemMetrics(SM_CXMENUCHECK);
  const char16_t* wide = u"A push button title wider than its minimum";

  XmlMeasureResult two = f.Measure(u"static", u"first line\nsecond", SS_LEFT);
  EXPECT_EQ(static_cast<uint32_t>(SS_LEFTNOWORDWRAP), two.styleBits);
  EXPECT_EQ(f.TextWidth(u"first line"), two.width);
  EXPECT_EQ(0u, f.Measure(u"STATIC", u"one line", SS_LEFT).styleBits);
  EXPECT_EQ(0u, f.Measure(u"static", u"centred\ntwice", SS_CENTER).styleBits);
  EXPECT_EQ(f.TextWidth(u"a&b"), f.Measure(u"static", u"a&b", SS_LEFT | SS_NOPREFIX).width);
  EXPECT_EQ(f.TextWidth(u"ab"), f.Measure(u"static", u"a&b", SS_LEFT).width);
  EXPECT_EQ(77, f.Measure(u"static", u"icon", SS_ICON, 0, 77).width);

  EXPECT_EQ(f.TextWidth(wide) + frame, f.Measure(u"Button", wide, BS_PUSHBUTTON, 0, 20).width);
  EXPECT_EQ(f.TextWidth(wide) + frame, f.Measure(u"button", wide, BS_USERBUTTON).width);
  EXPECT_EQ(500, f.Measure(u"button", u"OK", BS_DEFPUSHBUTTON, 0, 500).width);
  EXPECT_EQ(f.TextWidth(u"Check") + check + space + edge,
            f.Measure(u"button", u"Check", BS_AUTOCHECKBOX).width);
  EXPECT_EQ(static_cast<uint32_t>(BS_MULTILINE),
            f.Measure(u"button", u"two\nlines", BS_CHECKBOX).styleBits);
  EXPECT_EQ(f.TextWidth(u"x") + edge, f.Measure(u"static", u"x", 0, WS_EX_CLIENTEDGE).width);
  EXPECT_EQ(2 * f.TextWidth(u"double"), f.Measure(u"static", u"double", 0, 0, 0, 2.0).width);
  EXPECT_EQ(30 + edge, f.Measure(u"EDIT", u"ignored", WS_BORDER, WS_EX_CLIENTEDGE, 30).width -
                           2 * GetSystemMetrics(SM_CXBORDER));
}

}  // namespace
