#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "toolkit/DialogTemplate.h"
#include "toolkit/TableLayout.h"

namespace {

// Natural size = the minimum: cells are as large as their minwidth and minheight say.
struct Layout {
  tagXMLDIALOG* d;
  bool ok;
  Layout(const std::u16string& body, double hscale = 1.0, double vscale = 1.0) {
    std::u16string text = u"<dialog>" + body + u"</dialog>";
    d = ParseXmlDialog(text.data(), static_cast<int>(text.size()));
    MeasureXmlTable(d->table, hscale, vscale, nullptr, nullptr);
    ok = LayoutXmlDialog(d);
  }
  ~Layout() { DeleteXmlDialog(d); }
  std::vector<const tagXMLNODE*> Cells(const tagXMLNODE* table = nullptr) const {
    std::vector<const tagXMLNODE*> cells;
    for (const tagXMLNODE* n = table ? table : d->table; n; n = n->next)
      if (n->kind == kXmlCell) cells.push_back(n);
    return cells;
  }
};

std::vector<int> Rect(const tagXMLNODE* n) {
  return {n->cell.rect.top, n->cell.rect.left, n->cell.rect.right, n->cell.rect.bottom};
}

TEST(TableLayout, SpansShareOutTheirWidth) {
  Layout wide(
      u"<tr><td minwidth=50 minheight=5 /><td minwidth=80 /><tr><td colspan=2 minwidth=200 />");
  ASSERT_TRUE(wide.ok);
  auto c = wide.Cells();
  EXPECT_EQ((std::vector<int>{0, 0, 76, 5}), Rect(c[0]));
  EXPECT_EQ((std::vector<int>{0, 76, 200, 5}), Rect(c[1]));
  EXPECT_EQ((std::vector<int>{5, 0, 200, 5}), Rect(c[2]));
  EXPECT_EQ(200, wide.d->layoutwidth);

  Layout narrow(u"<tr><td minwidth=50 /><td minwidth=80 /><tr><td colspan=2 minwidth=100 />");
  EXPECT_EQ(130, narrow.Cells()[2]->cell.width);
  EXPECT_EQ(130, narrow.d->layoutwidth);
}

TEST(TableLayout, RowsAndRowspans) {
  // The rowspan pushes the next row's first cell into column 1, placed after column 0's final
  // width, which a later row widened.
  Layout push(
      u"<tr><td rowspan=2 minwidth=10 minheight=40 /><td minwidth=20 minheight=10 />"
      u"<tr><td minwidth=30 minheight=10 /><tr><td minwidth=50 minheight=10 />");
  auto c = push.Cells();
  EXPECT_EQ((std::vector<int>{0, 0, 50, 40}), Rect(c[0]));
  EXPECT_EQ((std::vector<int>{0, 50, 80, 20}), Rect(c[1]));
  EXPECT_EQ((std::vector<int>{20, 50, 80, 40}), Rect(c[2]));
  EXPECT_EQ((std::vector<int>{40, 0, 50, 50}), Rect(c[3]));
  EXPECT_EQ(80, push.d->layoutwidth);
  EXPECT_EQ(50, push.d->layoutheight);

  // A leading row start adds no row; two after a cell make an empty one.
  Layout rows(u"<tr><td minheight=5 /><tr><tr><td minheight=7 />");
  EXPECT_EQ(0, rows.Cells()[0]->cell.rect.top);
  EXPECT_EQ(5, rows.Cells()[1]->cell.rect.top);
  EXPECT_EQ(12, rows.d->layoutheight);

  // A colspan header over two rows: every row advances by its own height.
  Layout header(
      u"<tr><td colspan=3 minwidth=90 minheight=10 /><tr><td minheight=20 /><td /><td />"
      u"<tr><td minheight=30 /><td /><td />");
  auto h = header.Cells();
  ASSERT_EQ(7u, h.size());
  EXPECT_EQ(10, h[1]->cell.rect.top);
  EXPECT_EQ(30, h[4]->cell.rect.top);
  EXPECT_EQ(60, header.d->layoutheight);
  EXPECT_EQ(90, h[3]->cell.rect.right);
}

TEST(TableLayout, GroupStretchesItsTableToTheCell) {
  Layout group(
      u"<tr><td><group title=G><td minwidth=100 minheight=8 /></group>"
      u"<tr><td minwidth=300 />",
      1.5, 1.375);
  const tagXMLNODE* cell = group.Cells()[0];
  EXPECT_EQ(450, cell->cell.width);
  EXPECT_EQ(3, cell->cell.pxleft);
  EXPECT_EQ(3, cell->cell.pxright);
  EXPECT_EQ(11, cell->cell.pxtop);
  EXPECT_EQ(444, cell->tablewidth);
  EXPECT_EQ(444, group.Cells(cell->table)[0]->cell.width);
  EXPECT_EQ(11 + 11 + 2, cell->cell.height);

  Layout alone(u"<td><group title=G><td minwidth=100 /></group>", 1.5, 1.375);
  EXPECT_EQ(150 + 6, alone.Cells()[0]->cell.width);
}

TEST(TableLayout, HugeSpansAndSizesFailOrClampWithoutOverflow) {
  EXPECT_TRUE(Layout(u"<td colspan=4000000000 rowspan=4000000000 minwidth=2147483647 />").ok);
  std::u16string many;
  for (int i = 0; i < 5000; ++i) many += u"<td colspan=256 />";
  EXPECT_FALSE(Layout(many).ok) << "a grid of more than a million slots";
  Layout big(u"<tr><td minwidth=2147483647 leftmargin=2147483647 /><td minwidth=2147483647 />",
             1e300, 1e300);
  EXPECT_EQ(kMaxLayoutPixels, big.d->layoutwidth);
}

// Random nested tables: the layout ends; cells lie in their table, keep their required size
// and, when they span nothing, overlap no other such cell.
void Check(const tagXMLNODE* table, int width, int height, int* cellsSeen) {
  std::vector<const tagXMLNODE*> single;
  for (const tagXMLNODE* n = table; n; n = n->next) {
    if (n->kind != kXmlCell) continue;
    ++*cellsSeen;
    const tagXMLCELL& c = n->cell;
    ASSERT_LE(0, c.rect.left);
    ASSERT_LE(c.rect.right, width);
    ASSERT_LE(0, c.rect.top);
    ASSERT_LE(c.rect.bottom, height);
    ASSERT_GE(c.rect.right - c.rect.left, c.reqwidth);
    ASSERT_GE(c.rect.bottom - c.rect.top, c.reqheight);
    if (c.colspan <= 1 && c.rowspan <= 1) {
      for (const tagXMLNODE* o : single) {
        const tagXMLRECT& r = o->cell.rect;
        bool apart = r.right <= c.rect.left || c.rect.right <= r.left || r.bottom <= c.rect.top ||
                     c.rect.bottom <= r.top;
        ASSERT_TRUE(apart);
      }
      single.push_back(n);
    }
    if (n->nested) Check(n->table, n->tablewidth, n->tableheight, cellsSeen);
  }
}

std::u16string RandomTable(std::mt19937& random, int depth) {
  std::u16string text;
  const char16_t* const kNumbers[] = {u"0", u"1", u"2", u"3", u"7", u"40", u"123"};
  auto number = [&] { return std::u16string(kNumbers[random() % 7]); };
  for (int cells = random() % 9; cells > 0; --cells) {
    if (random() % 4 == 0) text += u"<tr>";
    text += u"<td colspan=" + number() + u" rowspan=" + (random() % 3 ? u"1" : number()) +
            u" minwidth=" + number() + u" minheight=" + number() + u" leftmargin=" + number() +
            u" bottommargin=" + number() + u">";
    if (depth < 4 && random() % 4 == 0) {
      bool group = random() % 2;
      text += (group ? u"<group title=g>" : u"<panel>") + RandomTable(random, depth + 1) +
              (group ? u"</group>" : u"</panel>");
    }
    text += u"</td>";
  }
  return text;
}

TEST(TableLayout, RandomTablesKeepTheirInvariants) {
  std::mt19937 random(5102);
  int cells = 0;
  for (int round = 0; round < 10000; ++round) {
    Layout layout(RandomTable(random, 0), 1 + random() % 3 / 2.0, 1 + random() % 5 / 4.0);
    ASSERT_TRUE(layout.ok);
    Check(layout.d->table, layout.d->layoutwidth, layout.d->layoutheight, &cells);
    if (HasFailure()) return;
    int right = 0;
    for (const tagXMLNODE* n : layout.Cells()) right = std::max(right, n->cell.rect.right);
    ASSERT_EQ(right, layout.d->layoutwidth) << "the width is the sum of the columns";
  }
  EXPECT_GT(cells, 50000);
}

}  // namespace
