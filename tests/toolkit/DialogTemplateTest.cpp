#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "toolkit/DialogTemplate.h"
#include "toolkit/DialogWriters.h"
#include "toolkit/FontSpec.h"

namespace {

struct Parsed {
  tagXMLDIALOG* d;
  explicit Parsed(const std::u16string& text)
      : d(ParseXmlDialog(text.data(), static_cast<int>(text.size()))) {}
  ~Parsed() { DeleteXmlDialog(d); }
  tagXMLDIALOG* operator->() const { return d; }
};

int Count(const tagXMLNODE* node) {
  int n = 0;
  for (; node; node = node->next) ++n;
  return n;
}

std::u16string Panels(int depth) {
  std::u16string text = u"<dialog>";
  for (int i = 0; i < depth; ++i) text += u"<panel>";
  for (int i = 0; i < depth; ++i) text += u"</panel>";
  return text + u"</dialog>";
}

TEST(ParseXmlDialog, TreesOfRowsCellsControlsAndNestedTables) {
  Parsed button(u"<dialog><tr><td><control type=BUTTON title=OK id=1 /></td></tr></dialog>");
  ASSERT_TRUE(button.d);
  EXPECT_EQ(0, button->error);
  ASSERT_EQ(2, Count(button->table));
  EXPECT_EQ(kXmlRowStart, button->table->kind);
  const tagXMLCONTROL* ok = button->table->next->cell.control;
  ASSERT_TRUE(ok);
  EXPECT_EQ(u"BUTTON", ok->type);
  EXPECT_EQ(u"OK", ok->title);
  EXPECT_EQ(1, ok->id);

  Parsed bare(u"<dialog><control type=STATIC /></dialog>");
  ASSERT_EQ(1, Count(bare->table));
  EXPECT_EQ(kXmlCell, bare->table->kind);
  EXPECT_EQ(u"STATIC", bare->table->cell.control->type);

  Parsed twice(
      u"<dialog><td><control title=a /><control title=b /><panel></panel></td>"
      u"<td><panel><control /></panel><control title=c /></td></dialog>");
  ASSERT_EQ(2, Count(twice->table));
  EXPECT_TRUE(twice->table->nested);
  EXPECT_FALSE(twice->table->cell.control);
  EXPECT_FALSE(twice->table->next->nested);
  EXPECT_EQ(u"c", twice->table->next->cell.control->title);

  Parsed group(
      u"<dialog><tr><td><group title='Proxy' id=7><tr><td><control /></td><td><control />"
      u"</td></tr></group></td><td><control title=after /></td></tr></dialog>");
  EXPECT_EQ(0, group->error);
  const tagXMLNODE* cell = group->table->next;
  EXPECT_TRUE(cell->cell.group);
  EXPECT_EQ(u"Proxy", cell->cell.grouptitle);
  EXPECT_EQ(7, cell->cell.groupid);
  EXPECT_EQ(3, Count(cell->table));
  EXPECT_EQ(u"after", cell->next->cell.control->title);

  Parsed after(u"<dialog title=a></dialog><dialog title=b><control />");
  EXPECT_EQ(u"a", after->title);
  EXPECT_FALSE(after->table);
}

TEST(ParseXmlDialog, StructuralErrors) {
  struct Case {
    const char16_t* text;
    int error;
    int topNodes;
  } cases[] = {
      {u"<dialog><tr></td></dialog>", kXmlMismatchedTag, 1},
      {u"<dialog><dialog></dialog></dialog>", kXmlNestedDialog, 0},
      {u"</td><dialog><control /></dialog>", kXmlMismatchedTag, 1},
      // A stray closing panel leaves the dialog's own table current.
      {u"<dialog></panel><control /><td></td></dialog>", kXmlMismatchedTag, 2},
      {u"<dialog><panel></PANEL><td></td></dialog>", 0, 2},
      {u"<dialog><td><panel/><control /></td></dialog>", 0, 1},
  };
  for (const Case& c : cases) {
    Parsed p(c.text);
    ASSERT_TRUE(p.d) << std::string(c.text, c.text + std::char_traits<char16_t>::length(c.text));
    EXPECT_EQ(c.error, p->error);
    EXPECT_EQ(c.topNodes, Count(p->table)) << int(&c - cases);
  }
  std::u16string longName(200, u'x');
  Parsed names(u"<dialog><" + longName + u"></" + longName + u"y></dialog>");
  EXPECT_EQ(0, names->error) << "names compare on their first 49 units";

  EXPECT_EQ(0, Parsed(Panels(kMaxXmlNesting))->error);
  EXPECT_EQ(kXmlNestedTooDeep, Parsed(Panels(kMaxXmlNesting + 1))->error);
  EXPECT_EQ(kXmlNestedTooDeep, Parsed(Panels(10000))->error);
}

TEST(ParseXmlDialog, AttributeValues) {
  Parsed p(
      u"<dialog style=0xFFFFFFFF exstyle=#80000000 width=-20 height=-2147483648 left=-20 "
      u"top=123456789012345678901234567890 scalable=yes noscroll=TRUE watchinput=on "
      u"title=first title=last font=\"Tahoma, 8\">"
      u"<td colspan=-3 rowspan=4000000000 storerect=4000000000 align=CENTER valign=middle>"
      u"<control id=#1F addwidth=0x1f addheight=0X1F relwidth=.5 relheight=-2e0 "
      u"forcesize=2 forcewidth=0 forceheight=true style=12px exstyle=abc />"
      u"</td><td><control id=-7 relwidth=1e999 relheight=nan /></td></dialog>");
  EXPECT_EQ(0xFFFFFFFFu, p->style);
  EXPECT_EQ(0x80000000u, p->exstyle);
  EXPECT_EQ(20, p->width);
  EXPECT_EQ(INT_MAX, p->height);
  EXPECT_EQ(-20, p->left);
  EXPECT_TRUE(p->scalable);
  EXPECT_TRUE(p->noscroll);
  EXPECT_FALSE(p->watchinput);
  EXPECT_EQ(u"last", p->title);
  EXPECT_EQ(u"Tahoma, 8", p->font);
  const tagXMLCELL& cell = p->table->cell;
  EXPECT_EQ(3, cell.colspan);
  EXPECT_GE(cell.rowspan, 0);
  EXPECT_EQ(kAlignCenter, cell.align);
  EXPECT_EQ(-1, cell.valign);
  const tagXMLCONTROL* c = cell.control;
  EXPECT_EQ(31, c->id);
  EXPECT_EQ(31, c->addwidth);
  EXPECT_EQ(0, c->addheight);
  EXPECT_EQ(0.5, c->relwidth);
  EXPECT_EQ(2.0, c->relheight);
  EXPECT_TRUE(c->forcesize);
  EXPECT_FALSE(c->forcewidth);
  EXPECT_TRUE(c->forceheight);
  EXPECT_EQ(12u, c->style);
  EXPECT_EQ(0u, c->exstyle);
  const tagXMLCONTROL* second = p->table->next->cell.control;
  EXPECT_EQ(-7, second->id);
  EXPECT_EQ(0.0, second->relwidth);
  EXPECT_EQ(0.0, second->relheight);

  Parsed text(
      u"<dialog title='  A\\n   B  '><group title='a&#60;b&#x3E;c'/><td>"
      u"<control title='x&amp;y &#x1F600;&#0;&#1114112;&#xD800;' /></td></dialog>");
  EXPECT_EQ(u" A\nB", text->title);
  EXPECT_EQ(u"a<b>c", text->table->cell.grouptitle);
  EXPECT_EQ(u"x&amp;y \U0001F600\uFFFD\uFFFD", text->table->next->cell.control->title);
}

TEST(FontSpec, FieldsOfTheSpec) {
  auto parse = [](const std::u16string& s) { return ParseFontSpec(s.data(), int(s.size())); };
  FontSpec tahoma = parse(u"Tahoma, 8, DEFAULT, BOLD ITALIC");
  EXPECT_EQ(std::u16string(u"Tahoma"), tahoma.face);
  EXPECT_EQ(-8, tahoma.height);
  EXPECT_EQ(1, tahoma.charset);
  EXPECT_EQ(700, tahoma.weight);
  EXPECT_TRUE(tahoma.italic);
  EXPECT_FALSE(tahoma.underline);
  FontSpec plain = parse(std::u16string(40, u'f') + u", 0, easteurope_charset, underline");
  EXPECT_EQ(std::u16string(31, u'f'), plain.face);
  EXPECT_EQ(-10, plain.height);
  EXPECT_EQ(238, plain.charset);
  EXPECT_EQ(100, plain.weight);
  EXPECT_TRUE(plain.underline);
  EXPECT_EQ(-10, parse(u"Arial").height);
  EXPECT_EQ(-10, parse(u"Arial, big").height);
  EXPECT_EQ(0, parse(u"Arial, 9, KLINGON").charset);
}

template <typename Write>
std::u16string Written(Write write) {
  std::vector<char16_t> buffer(4096, u'#');
  int n = write(buffer.data(), static_cast<int>(buffer.size()));
  EXPECT_EQ(std::char_traits<char16_t>::length(buffer.data()), static_cast<size_t>(n));
  return std::u16string(buffer.data(), static_cast<size_t>(n));
}

TEST(DialogWriters, ExactTextAndCutsAtEveryRoom) {
  using W = std::function<int(char16_t*, int)>;
  struct Case {
    W write;
    const char16_t* text;
  } cases[] = {
      {[](char16_t* b, int n) {
         return XmlDialogBegin(b, n, u"T", u"", 0x80C80000, 0, 1, 0, 1, -3, 0, 200, 0);
       },
       u"<dialog title=\"T\" style=\"0x80c80000\" scalable=\"1\" watchinput=\"1\" left=\"-3\" "
       u"width=\"200\">"},
      {[](char16_t* b, int n) {
         return XmlDialogBegin(b, n, nullptr, u"Tahoma, 8", 0, 0x200, 0, 1, 0, 0, 5, 0, 7);
       },
       u"<dialog font=\"Tahoma, 8\" exstyle=\"0x00000200\" noscroll=\"1\" top=\"5\" height=\"7\">"},
      {[](char16_t* b, int n) { return XmlDialogEnd(b, n); }, u"</dialog>"},
      {[](char16_t* b, int n) { return XmlGroupBegin(b, n, u"a\"b", -2); },
       u"<group title=\"a&#34;b\" id=\"-2\">"},
      {[](char16_t* b, int n) { return XmlGroupBegin(b, n, u"", 0); }, u"<group>"},
      {[](char16_t* b, int n) { return XmlGroupEnd(b, n); }, u"</group>"},
      {[](char16_t* b, int n) { return XmlPanelBegin(b, n); }, u"<panel>"},
      {[](char16_t* b, int n) { return XmlPanelEnd(b, n); }, u"</panel>"},
      {[](char16_t* b, int n) { return XmlRowBegin(b, n); }, u"<tr>"},
      {[](char16_t* b, int n) { return XmlRowEnd(b, n); }, u"</tr>"},
      {[](char16_t* b, int n) {
         return XmlCellBegin(b, n, 1, 2, 3, 0, 4, 5, 6, 7, u"right", nullptr, 9);
       },
       u"<td rowspan=\"2\" minwidth=\"3\" leftmargin=\"4\" topmargin=\"5\" rightmargin=\"6\" "
       u"bottommargin=\"7\" align=\"right\" storerect=\"9\">"},
      {[](char16_t* b, int n) {
         return XmlCellBegin(b, n, 3, 0, 0, 8, 0, 0, 0, 0, u"", u"top", 0);
       },
       u"<td colspan=\"3\" minheight=\"8\" valign=\"top\">"},
      {[](char16_t* b, int n) { return XmlCellEnd(b, n); }, u"</td>"},
      {[](char16_t* b, int n) {
         return XmlControl(b, n, u"BUTTON", u"<OK>", 0x50010001, 0, 1, 0, 1, 0, 0, -4, 1.0, 0.5);
       },
       u"<control type=\"BUTTON\" title=\"&#60;OK&#62;\" style=\"0x50010001\" id=\"1\" "
       u"forcewidth=\"1\" "
       u"addheight=\"-4\" relheight=\"0.5\" />"},
      {[](char16_t* b, int n) {
         return XmlControl(b, n, u"", nullptr, 0, 0x20000, 0, 1, 0, 1, 3, 0, 2.5, 1.0);
       },
       u"<control exstyle=\"0x00020000\" forcesize=\"1\" forceheight=\"1\" addwidth=\"3\" "
       u"relwidth=\"2.5\" />"},
  };
  for (const Case& c : cases) {
    std::u16string full = Written(c.write);
    EXPECT_EQ(std::u16string(c.text), full);
    for (int room = 1; room <= static_cast<int>(full.size()); ++room) {
      std::vector<char16_t> buffer(static_cast<size_t>(room) + 1, u'#');
      ASSERT_EQ(room - 1, c.write(buffer.data(), room));
      EXPECT_EQ(0, buffer[static_cast<size_t>(room - 1)]);
      EXPECT_EQ(u'#', buffer[static_cast<size_t>(room)]);
    }
  }
}

TEST(DialogWriters, WrittenAttributesParseBackToTheSameRecord) {
  std::mt19937 random(20);
  const char16_t kAlphabet[] = u"ab \"<>&\r\n\tZ&#x;";
  for (int round = 0; round < 300; ++round) {
    std::u16string title;
    for (int i = random() % 12; i > 0; --i) title += kAlphabet[random() % 15];
    uint32_t style = random(), exstyle = random() % 3 ? 0 : random();
    int id = static_cast<int>(random() % 2000000000) - 1000000000;
    int add = static_cast<int>(random() % 200) - 100;
    double rel = (random() % 400) / 8.0;
    uint32_t spans[10];
    for (uint32_t& s : spans) s = (random() % 4 ? random() % 5 : random()) & 0x7FFFFFFF;
    std::vector<char16_t> buffer(8192);
    char16_t* b = buffer.data();
    int room = static_cast<int>(buffer.size()), n = 0;
    n += XmlDialogBegin(b + n, room - n, title.c_str(), u"Arial, 9", style, exstyle, round & 1,
                        round & 2, round & 4, id, -id, add & 0x7FFF, 3);
    n += XmlCellBegin(b + n, room - n, spans[0], spans[1], spans[2], spans[3], spans[4], spans[5],
                      spans[6], spans[7], u"center", u"bottom", spans[8]);
    n += XmlControl(b + n, room - n, u"edit", title.c_str(), style, exstyle, id, round & 1,
                    round & 2, round & 4, add, -add, rel, 1.0 / 8);
    n += XmlCellEnd(b + n, room - n);
    n += XmlDialogEnd(b + n, room - n);
    Parsed p(std::u16string(b, static_cast<size_t>(n)));
    ASSERT_EQ(0, p->error);
    // Blank runs collapse, trailing blanks vanish, blanks after a line break are dropped.
    std::u16string expected;
    for (size_t i = 0; i < title.size(); ++i) {
      if (title[i] != u' ') {
        expected += title[i];
        continue;
      }
      bool afterBreak = !expected.empty() && (expected.back() == u'\r' || expected.back() == u'\n');
      bool last = title.find_first_not_of(u' ', i) == std::u16string::npos;
      if (!afterBreak && !last && (i == 0 || title[i - 1] != u' ')) expected += u' ';
    }
    EXPECT_EQ(expected, p->title);
    EXPECT_EQ(style, p->style);
    EXPECT_EQ(exstyle, p->exstyle);
    EXPECT_EQ(id, p->left);
    EXPECT_EQ(round & 4 ? true : false, p->watchinput);
    const tagXMLCELL& cell = p->table->cell;
    EXPECT_EQ(spans[0] > 1 ? spans[0] : 0, static_cast<uint32_t>(cell.colspan));
    EXPECT_EQ(spans[7], static_cast<uint32_t>(cell.bottommargin));
    EXPECT_EQ(kAlignCenter, cell.align);
    EXPECT_EQ(kAlignBottom, cell.valign);
    EXPECT_EQ(spans[8], cell.storerect);
    const tagXMLCONTROL* c = cell.control;
    EXPECT_EQ(expected, c->title);
    EXPECT_EQ(id, c->id);
    EXPECT_EQ(add, c->addwidth);
    EXPECT_EQ(-add, c->addheight);
    EXPECT_DOUBLE_EQ(rel, c->relwidth);
    EXPECT_EQ(0.125, c->relheight);
    EXPECT_EQ((round & 2) != 0, c->forcewidth);
  }
}

}  // namespace
