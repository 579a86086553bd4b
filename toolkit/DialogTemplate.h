// Dialog template text parsed into a tree: a dialog holds a table, a table is a flat list of
// nodes (row starts and cells in document order), a cell holds one control or a nested
// table (a framed group or a plain panel). Neutral header; pure functions, any thread.
#pragma once

#include <cstdint>
#include <string>

// Alignment words of `align` and `valign`.
enum { kAlignTop = 0, kAlignLeft = 1, kAlignCenter = 2, kAlignRight = 3, kAlignBottom = 4 };

// Parse errors left in tagXMLDIALOG::error.
enum { kXmlNestedDialog = 1, kXmlMismatchedTag = 2, kXmlNestedTooDeep = 3 };

// Nested tables deeper than this give kXmlNestedTooDeep, so every walk of the tree
// recurses at most this many levels.
constexpr int kMaxXmlNesting = 64;

// Rectangles keep the order top, left, right, bottom.
struct tagXMLRECT {
  int32_t top = 0;
  int32_t left = 0;
  int32_t right = 0;
  int32_t bottom = 0;
};

struct tagXMLCONTROL {
  std::u16string type;  // window class name
  std::u16string title;
  uint32_t style = 0;
  uint32_t exstyle = 0;
  bool forcesize = false;
  bool forcewidth = false;
  bool forceheight = false;
  int32_t addwidth = 0;
  int32_t addheight = 0;
  double relwidth = 1.0;
  double relheight = 1.0;
  int32_t id = 0;
  int32_t width = 0;  // measured, pixels
  int32_t height = 0;
};

struct tagXMLNODE;

struct tagXMLCELL {
  int32_t rowspan = 0;  // 0 means 1
  int32_t colspan = 0;
  int32_t minwidth = 0;  // dialog units
  int32_t minheight = 0;
  int32_t leftmargin = 0;
  int32_t topmargin = 0;
  int32_t rightmargin = 0;
  int32_t bottommargin = 0;
  int32_t align = 0;
  int32_t valign = 0;
  uint32_t storerect = 0;
  bool group = false;
  std::u16string grouptitle;
  int32_t groupid = 0;
  tagXMLCONTROL* control = nullptr;  // owned
  // Measure pass: required size and margins in pixels.
  int32_t reqwidth = 0;
  int32_t reqheight = 0;
  int32_t pxleft = 0;
  int32_t pxtop = 0;
  int32_t pxright = 0;
  int32_t pxbottom = 0;
  // Layout: the final size and the rectangle relative to the origin of the cell's table.
  int32_t width = 0;
  int32_t height = 0;
  tagXMLRECT rect;
};

enum { kXmlRowStart = 0, kXmlCell = 1 };

struct tagXMLNODE {
  int kind = kXmlRowStart;
  tagXMLCELL cell;              // cells only
  bool nested = false;          // the cell holds a group or panel
  tagXMLNODE* table = nullptr;  // first node of the nested table; owned
  int32_t tablewidth = 0;       // the nested table's laid-out size, pixels
  int32_t tableheight = 0;
  tagXMLNODE* next = nullptr;  // owned
};

struct tagXMLDIALOG {
  std::u16string title;
  std::u16string font = u"Ms Sans Serif, 10";
  uint32_t style = 0;
  uint32_t exstyle = 0;
  bool scalable = false;
  bool noscroll = false;
  bool watchinput = false;
  int32_t left = 0;
  int32_t top = 0;
  int32_t width = 0;  // dialog units
  int32_t height = 0;
  tagXMLNODE* table = nullptr;  // owned; free with FreeXmlDialog
  int error = 0;
  // Layout: pixels per dialog unit and the laid-out size of the top table.
  double hscale = 1.0;
  double vscale = 1.0;
  int32_t layoutwidth = 0;
  int32_t layoutheight = 0;
};

// Parses `length` characters of template text (no terminator needed). Returns a new
// description that the caller frees with FreeXmlDialog(d->table) and delete, or null when
// memory runs out. Structural errors are left in `error`.
tagXMLDIALOG* ParseXmlDialog(const char16_t* text, int length);

// Frees a node list with its nested tables and controls.
void FreeXmlDialog(tagXMLNODE* table);

// Frees a whole description (its table and itself); null is allowed.
void DeleteXmlDialog(tagXMLDIALOG* dialog);
