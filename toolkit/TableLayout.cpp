// Lays out a parsed dialog's tables: measures in dialog units, solves each axis, places the cells.
#include "toolkit/TableLayout.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

namespace {

constexpr int32_t kMaxSpan = 256;
constexpr int64_t kMaxGridSlots = 1000000;
constexpr int kMaxFitPasses = 32;

int32_t ClampPixels(int64_t value) {
  return static_cast<int32_t>(std::min<int64_t>(std::max<int64_t>(value, 0), kMaxLayoutPixels));
}

int32_t SpanOf(int32_t span) { return std::min(std::max(span, 1), kMaxSpan); }

void MeasureControl(XmlMeasureFunc measure, void* context, const XmlMeasureRequest& request,
                    XmlMeasureResult* result) {
  *result = XmlMeasureResult{request.minwidth, request.minheight, 0};
  if (measure) measure(context, request, result);
  result->width = ClampPixels(result->width);
  result->height = ClampPixels(result->height);
}

// A cell placed in its table's grid.
struct Placed {
  tagXMLNODE* node;
  int32_t row;
  int32_t col;
  int32_t rowspan;
  int32_t colspan;
};

// Base sizes of the columns (or rows) from the cells that span one of them, then the
// spanning cells in order of their first column (or row) and then of the other axis: one
// wider than its columns spreads its surplus over them in proportion, the last column
// taking what truncation leaves.
std::vector<int64_t> SolveAxis(const std::vector<Placed>& cells, int32_t count, bool columns) {
  std::vector<int64_t> base(static_cast<size_t>(count), 0);
  std::vector<const Placed*> spanning;
  for (const Placed& p : cells) {
    int32_t span = columns ? p.colspan : p.rowspan;
    int32_t first = columns ? p.col : p.row;
    int64_t size = columns ? p.node->cell.reqwidth : p.node->cell.reqheight;
    if (span == 1)
      base[static_cast<size_t>(first)] = std::max(base[static_cast<size_t>(first)], size);
    else
      spanning.push_back(&p);
  }
  std::stable_sort(spanning.begin(), spanning.end(), [columns](const Placed* a, const Placed* b) {
    return columns ? (a->col != b->col ? a->col < b->col : a->row < b->row)
                   : (a->row != b->row ? a->row < b->row : a->col < b->col);
  });
  for (const Placed* p : spanning) {
    int32_t span = columns ? p->colspan : p->rowspan;
    size_t first = static_cast<size_t>(columns ? p->col : p->row);
    int64_t size = columns ? p->node->cell.reqwidth : p->node->cell.reqheight;
    int64_t sum = 0;
    for (int32_t k = 0; k < span; ++k) sum += base[first + static_cast<size_t>(k)];
    if (size <= sum) continue;
    int64_t given = 0;
    for (int32_t k = 0; k < span - 1; ++k) {
      int64_t& b = base[first + static_cast<size_t>(k)];
      b = sum == 0 ? 0 : b * size / sum;
      given += b;
    }
    base[first + static_cast<size_t>(span - 1)] = size - given;
  }
  return base;
}

// Offsets of each column (or row) edge, count + 1 of them.
std::vector<int32_t> Edges(const std::vector<int64_t>& base) {
  std::vector<int32_t> edges(base.size() + 1, 0);
  int64_t sum = 0;
  for (size_t i = 0; i < base.size(); ++i) {
    sum += base[i];
    edges[i + 1] = ClampPixels(sum);
  }
  return edges;
}

bool LayoutTable(tagXMLNODE* table, int depth, int32_t* width, int32_t* height);

// Places the cells of one table as HTML does: row starts close a row (a leading one does
// nothing), cells skip the columns that rowspans from above still cover.
bool PlaceCells(tagXMLNODE* table, int depth, std::vector<Placed>* cells, int32_t* rows,
                int32_t* cols) {
  std::vector<int32_t> carry;
  int32_t row = 0, col = 0, maxCol = 0, maxRow = 0;
  bool anyCell = false, rowHasCells = false;
  for (tagXMLNODE* node = table; node; node = node->next) {
    if (node->kind == kXmlRowStart) {
      if (!anyCell) continue;
      maxCol = std::max(maxCol, col);
      ++row;
      col = 0;
      rowHasCells = false;
      for (int32_t& c : carry)
        if (c > 0) --c;
      continue;
    }
    tagXMLCELL& cell = node->cell;
    if (node->nested) {
      if (!LayoutTable(node->table, depth + 1, &node->tablewidth, &node->tableheight)) return false;
      cell.reqwidth = std::max(cell.reqwidth,
                               ClampPixels(int64_t{node->tablewidth} + cell.pxleft + cell.pxright));
      cell.reqheight = std::max(
          cell.reqheight, ClampPixels(int64_t{node->tableheight} + cell.pxtop + cell.pxbottom));
    }
    anyCell = rowHasCells = true;
    while (col < static_cast<int32_t>(carry.size()) && carry[static_cast<size_t>(col)] > 0) ++col;
    int32_t colspan = SpanOf(cell.colspan), rowspan = SpanOf(cell.rowspan);
    if (int64_t{col} + colspan > kMaxGridSlots || row >= kMaxGridSlots) return false;
    if (static_cast<int32_t>(carry.size()) < col + colspan)
      carry.resize(static_cast<size_t>(col + colspan), 0);
    for (int32_t k = 0; k < colspan; ++k) carry[static_cast<size_t>(col + k)] = rowspan;
    cells->push_back(Placed{node, row, col, rowspan, colspan});
    maxRow = std::max(maxRow, row + rowspan);
    col += colspan;
  }
  *cols = std::max(maxCol, col);
  *rows = std::max(maxRow, row + (rowHasCells ? 1 : 0));
  return int64_t{*rows} * *cols <= kMaxGridSlots;
}

bool LayoutTable(tagXMLNODE* table, int depth, int32_t* width, int32_t* height) {
  if (depth > kMaxXmlNesting + 1) return false;
  std::vector<Placed> cells;
  int32_t rows = 0, cols = 0;
  if (!PlaceCells(table, depth, &cells, &rows, &cols)) return false;
  std::vector<int32_t> x = Edges(SolveAxis(cells, cols, true));
  std::vector<int32_t> y = Edges(SolveAxis(cells, rows, false));
  for (const Placed& p : cells) {
    tagXMLCELL& cell = p.node->cell;
    cell.rect.left = x[static_cast<size_t>(p.col)];
    cell.rect.right = x[static_cast<size_t>(p.col + p.colspan)];
    cell.rect.top = y[static_cast<size_t>(p.row)];
    cell.rect.bottom = y[static_cast<size_t>(p.row + p.rowspan)];
    cell.width = cell.rect.right - cell.rect.left;
    cell.height = cell.rect.bottom - cell.rect.top;
  }
  *width = x.back();
  *height = y.back();
  return true;
}

int32_t Scaled(int32_t value, double factor) {
  return ClampPixels(static_cast<int64_t>(std::min(value * factor, double{kMaxLayoutPixels})));
}

void ScaleNode(tagXMLNODE* node, double fx, double fy) {
  if (node->kind != kXmlCell) return;
  tagXMLCELL& c = node->cell;
  c.width = Scaled(c.width, fx);
  c.rect.left = Scaled(c.rect.left, fx);
  c.rect.right = Scaled(c.rect.right, fx);
  c.height = Scaled(c.height, fy);
  c.rect.top = Scaled(c.rect.top, fy);
  c.rect.bottom = Scaled(c.rect.bottom, fy);
}

// One axis of fitting a nested table into its cell: a narrower table is stretched to the
// cell's inner size; a wider one makes the cell and the nodes after it grow, together with
// what holds the table, and asks for another pass. The cell is raised to hold the table so
// that truncated factors cannot leave it short on every pass.
bool FitAxis(tagXMLNODE* node, int32_t* holder, bool horizontal) {
  tagXMLCELL& c = node->cell;
  int32_t margins = horizontal ? c.pxleft + c.pxright : c.pxtop + c.pxbottom;
  int32_t& size = horizontal ? c.width : c.height;
  int32_t& nested = horizontal ? node->tablewidth : node->tableheight;
  int32_t inner = std::max(0, size - margins);
  if (nested < inner) {
    if (nested > 0) {
      double f = static_cast<double>(inner) / nested;
      ScaleXmlNodes(node->table, horizontal ? f : 1.0, horizontal ? 1.0 : f);
    }
    nested = inner;
    return false;
  }
  if (nested == inner) return false;
  double f = inner > 0 ? static_cast<double>(nested) / inner : 1.0;
  for (tagXMLNODE* n = node; n; n = n->next)
    ScaleNode(n, horizontal ? f : 1.0, horizontal ? 1.0 : f);
  int32_t need = ClampPixels(int64_t{nested} + margins);
  size = std::max(size, need);
  int32_t& low = horizontal ? c.rect.left : c.rect.top;
  int32_t& high = horizontal ? c.rect.right : c.rect.bottom;
  if (high - low < size) high = ClampPixels(int64_t{low} + size);
  *holder = std::max(Scaled(*holder, f), high);
  return true;
}

// Returns true when a table grew and the pass must start again from the top.
bool FitTable(tagXMLNODE* table, int32_t* holderWidth, int32_t* holderHeight) {
  for (tagXMLNODE* node = table; node; node = node->next) {
    if (node->kind != kXmlCell || !node->nested) continue;
    if (FitAxis(node, holderWidth, true)) return true;
    if (FitAxis(node, holderHeight, false)) return true;
    if (FitTable(node->table, &node->cell.width, &node->cell.height)) return true;
  }
  return false;
}

}  // namespace

int32_t ScaleLayoutPixels(double units, double scale) {
  double product = units * scale;
  if (!(product > 0)) return 0;
  return ClampPixels(static_cast<int64_t>(std::min(product, double{kMaxLayoutPixels})));
}

void MeasureXmlTable(tagXMLNODE* table, double hscale, double vscale, XmlMeasureFunc measure,
                     void* context) {
  for (tagXMLNODE* node = table; node; node = node->next) {
    if (node->kind != kXmlCell) continue;
    tagXMLCELL& c = node->cell;
    c.reqwidth = ScaleLayoutPixels(c.minwidth, hscale);
    c.reqheight = ScaleLayoutPixels(c.minheight, vscale);
    XmlMeasureResult result;
    if (c.group && !c.grouptitle.empty()) {
      XmlMeasureRequest request{u"button",  c.grouptitle.c_str(), 0x50020007, 0,  c.groupid,
                                c.reqwidth, c.reqheight,          1.0,        1.0};
      MeasureControl(measure, context, request, &result);
      c.reqwidth = result.width;
      c.reqheight = result.height;
    }
    if (tagXMLCONTROL* control = c.control) {
      XmlMeasureRequest request{control->type.c_str(), control->title.c_str(),
                                control->style,        control->exstyle,
                                control->id,           c.reqwidth,
                                c.reqheight,           control->relwidth,
                                control->relheight};
      MeasureControl(measure, context, request, &result);
      control->style |= result.styleBits;
      control->width = c.reqwidth = result.width;
      control->height = c.reqheight = result.height;
    }
    c.pxleft = ScaleLayoutPixels(c.leftmargin, hscale);
    c.pxright = ScaleLayoutPixels(c.rightmargin, hscale);
    c.pxtop = ScaleLayoutPixels(c.topmargin, vscale);
    c.pxbottom = ScaleLayoutPixels(c.bottommargin, vscale);
    c.reqwidth = ClampPixels(int64_t{c.reqwidth} + c.pxleft + c.pxright);
    c.reqheight = ClampPixels(int64_t{c.reqheight} + c.pxtop + c.pxbottom);
    if (c.group) {
      // Room for the group box frame and its caption.
      c.reqwidth = ClampPixels(int64_t{c.reqwidth} + ScaleLayoutPixels(4, hscale));
      c.reqheight = ClampPixels(int64_t{c.reqheight} + ScaleLayoutPixels(10, vscale));
      c.pxleft = ClampPixels(int64_t{c.pxleft} + ScaleLayoutPixels(2, hscale));
      c.pxright = ClampPixels(int64_t{c.pxright} + ScaleLayoutPixels(2, hscale));
      c.pxtop = ClampPixels(int64_t{c.pxtop} + ScaleLayoutPixels(8, vscale));
      c.pxbottom = ClampPixels(int64_t{c.pxbottom} + ScaleLayoutPixels(2, vscale));
    }
    if (node->nested) MeasureXmlTable(node->table, hscale, vscale, measure, context);
  }
}

bool LayoutXmlDialog(tagXMLDIALOG* dialog) {
  try {
    if (!LayoutTable(dialog->table, 0, &dialog->layoutwidth, &dialog->layoutheight)) return false;
  } catch (const std::bad_alloc&) {
    return false;
  }
  for (int pass = 0; pass < kMaxFitPasses; ++pass)
    if (!FitTable(dialog->table, &dialog->layoutwidth, &dialog->layoutheight)) break;
  return true;
}

void ScaleXmlNodes(tagXMLNODE* nodes, double fx, double fy) {
  for (tagXMLNODE* node = nodes; node; node = node->next) ScaleNode(node, fx, fy);
}
