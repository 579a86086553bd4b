// Table layout of a parsed dialog: the measure pass turns dialog units into pixels and asks
// for each control's natural size; the layout builds each table's grid (row and column
// spans as in HTML), solves column widths and row heights, gives every cell its rectangle
// and stretches nested tables to their cells. Neutral header; pure functions over the
// caller's tree, any thread. Pixel values are kept within 0..kMaxLayoutPixels.
#pragma once

#include <cstdint>

#include "toolkit/DialogTemplate.h"

constexpr int32_t kMaxLayoutPixels = 1000000;

// One control (or titled group box) to measure. The minimum is in pixels.
struct XmlMeasureRequest {
  const char16_t* type;
  const char16_t* title;
  uint32_t style;
  uint32_t exstyle;
  int32_t id;
  int32_t minwidth;
  int32_t minheight;
  double relwidth;
  double relheight;
};

// The measured size and style bits to add to the control's style.
struct XmlMeasureResult {
  int32_t width;
  int32_t height;
  uint32_t styleBits;
};

typedef void (*XmlMeasureFunc)(void* context, const XmlMeasureRequest& request,
                               XmlMeasureResult* result);

// Dialog units times a scale, truncated and clamped to 0..kMaxLayoutPixels.
int32_t ScaleLayoutPixels(double units, double scale);

// Fills the required size and pixel margins of every cell of the table and its nested
// tables, and each control's measured size and style bits.
void MeasureXmlTable(tagXMLNODE* table, double hscale, double vscale, XmlMeasureFunc measure,
                     void* context);

// Lays out the dialog's table after the measure pass: every cell's final size and rectangle,
// the nested tables' sizes, dialog->layoutwidth and layoutheight. False when memory runs
// out or a grid would pass a million slots.
bool LayoutXmlDialog(tagXMLDIALOG* dialog);

// Multiplies the widths and left/right edges of every cell in the list by fx, heights and
// top/bottom by fy, truncating.
void ScaleXmlNodes(tagXMLNODE* nodes, double fx, double fy);
