// Parses dialog template text into a tree of tables, rows and controls.
#include "toolkit/DialogTemplate.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <new>
#include <vector>

#include "toolkit/Markup.h"

namespace {

constexpr int kMaxElementName = 49;

struct OpenElement {
  std::u16string name;
  bool opensTable;  // a group or panel whose table is on the table stack
};

// Where the next node of a table is linked in.
struct OpenTable {
  tagXMLNODE** head;
  tagXMLNODE* last;
};

int32_t AbsoluteNumber(const MarkupSpan& value) {
  int32_t number = ParseMarkupNumber(value);
  if (number == INT32_MIN) return INT32_MAX;
  return number < 0 ? -number : number;
}

bool ParseBool(const MarkupSpan& value) {
  if (MarkupEquals(value, u"yes") || MarkupEquals(value, u"true")) return true;
  int i = 0;
  if (i < value.length && (value.text[i] == u'-' || value.text[i] == u'+')) ++i;
  for (; i < value.length && value.text[i] >= u'0' && value.text[i] <= u'9'; ++i)
    if (value.text[i] != u'0') return true;
  return false;
}

// Reals are read the same whatever the locale.
double ParseReal(const MarkupSpan& value) {
  char narrow[64];
  int n = 0;
  for (int i = 0; i < value.length && n < static_cast<int>(sizeof(narrow)); ++i) {
    char16_t c = value.text[i];
    if (c > 0x7F) break;
    narrow[n++] = static_cast<char>(c);
  }
  double result = 0;
  const char* start = narrow;
  if (n > 0 && narrow[0] == '+') ++start;
  std::from_chars_result read = std::from_chars(start, narrow + n, result);
  if (read.ec != std::errc() || !std::isfinite(result)) return 0;
  return std::fabs(result);
}

int32_t ParseAlignment(const MarkupSpan& value) {
  static const char16_t* const kWords[] = {u"top", u"left", u"center", u"right", u"bottom"};
  for (int32_t i = 0; i < 5; ++i)
    if (MarkupEquals(value, kWords[i])) return i;
  return -1;
}

struct Parser {
  tagXMLDIALOG* dialog;
  std::vector<OpenElement> names;
  std::vector<OpenTable> tables;
  int depth = 0;

  tagXMLNODE* Append(int kind) {
    tagXMLNODE* node = new tagXMLNODE;
    node->kind = kind;
    OpenTable& table = tables.back();
    if (table.last)
      table.last->next = node;
    else
      *table.head = node;
    table.last = node;
    return node;
  }

  tagXMLNODE* TakeCell() {
    tagXMLNODE* last = tables.back().last;
    if (last && last->kind == kXmlCell) return last;
    return Append(kXmlCell);
  }

  // One cell holds one thing: a new control, group or panel frees what was there.
  static void EmptyCell(tagXMLNODE* node) {
    delete node->cell.control;
    node->cell.control = nullptr;
    FreeXmlDialog(node->table);
    node->table = nullptr;
    node->nested = false;
    node->cell.group = false;
  }

  void ApplyDialog(const MarkupSpan& name, const MarkupSpan& value) {
    tagXMLDIALOG* d = dialog;
    if (MarkupEquals(name, u"title"))
      d->title = UnescapeMarkupText(value);
    else if (MarkupEquals(name, u"font"))
      d->font = UnescapeMarkupText(value);
    else if (MarkupEquals(name, u"style"))
      d->style = static_cast<uint32_t>(ParseMarkupNumber(value));
    else if (MarkupEquals(name, u"exstyle"))
      d->exstyle = static_cast<uint32_t>(ParseMarkupNumber(value));
    else if (MarkupEquals(name, u"scalable"))
      d->scalable = ParseBool(value);
    else if (MarkupEquals(name, u"noscroll"))
      d->noscroll = ParseBool(value);
    else if (MarkupEquals(name, u"watchinput"))
      d->watchinput = ParseBool(value);
    else if (MarkupEquals(name, u"left"))
      d->left = ParseMarkupNumber(value);
    else if (MarkupEquals(name, u"top"))
      d->top = ParseMarkupNumber(value);
    else if (MarkupEquals(name, u"width"))
      d->width = AbsoluteNumber(value);
    else if (MarkupEquals(name, u"height"))
      d->height = AbsoluteNumber(value);
  }

  static void ApplyCell(tagXMLCELL* c, const MarkupSpan& name, const MarkupSpan& value) {
    struct Field {
      const char16_t* name;
      int32_t tagXMLCELL::*field;
    };
    static const Field kFields[] = {
        {u"colspan", &tagXMLCELL::colspan},         {u"rowspan", &tagXMLCELL::rowspan},
        {u"minwidth", &tagXMLCELL::minwidth},       {u"minheight", &tagXMLCELL::minheight},
        {u"leftmargin", &tagXMLCELL::leftmargin},   {u"topmargin", &tagXMLCELL::topmargin},
        {u"rightmargin", &tagXMLCELL::rightmargin}, {u"bottommargin", &tagXMLCELL::bottommargin},
    };
    for (const Field& f : kFields)
      if (MarkupEquals(name, f.name)) {
        c->*f.field = AbsoluteNumber(value);
        return;
      }
    if (MarkupEquals(name, u"storerect"))
      c->storerect = static_cast<uint32_t>(AbsoluteNumber(value));
    else if (MarkupEquals(name, u"align"))
      c->align = ParseAlignment(value);
    else if (MarkupEquals(name, u"valign"))
      c->valign = ParseAlignment(value);
  }

  static void ApplyGroup(tagXMLCELL* c, const MarkupSpan& name, const MarkupSpan& value) {
    if (MarkupEquals(name, u"title"))
      c->grouptitle = UnescapeMarkupText(value);
    else if (MarkupEquals(name, u"id"))
      c->groupid = ParseMarkupNumber(value);
  }

  static void ApplyControl(tagXMLCONTROL* c, const MarkupSpan& name, const MarkupSpan& value) {
    if (MarkupEquals(name, u"type"))
      c->type = UnescapeMarkupText(value);
    else if (MarkupEquals(name, u"title"))
      c->title = UnescapeMarkupText(value);
    else if (MarkupEquals(name, u"style"))
      c->style = static_cast<uint32_t>(ParseMarkupNumber(value));
    else if (MarkupEquals(name, u"exstyle"))
      c->exstyle = static_cast<uint32_t>(ParseMarkupNumber(value));
    else if (MarkupEquals(name, u"id"))
      c->id = ParseMarkupNumber(value);
    else if (MarkupEquals(name, u"addwidth"))
      c->addwidth = ParseMarkupNumber(value);
    else if (MarkupEquals(name, u"addheight"))
      c->addheight = ParseMarkupNumber(value);
    else if (MarkupEquals(name, u"forcesize"))
      c->forcesize = ParseBool(value);
    else if (MarkupEquals(name, u"forcewidth"))
      c->forcewidth = ParseBool(value);
    else if (MarkupEquals(name, u"forceheight"))
      c->forceheight = ParseBool(value);
    else if (MarkupEquals(name, u"relwidth"))
      c->relwidth = ParseReal(value);
    else if (MarkupEquals(name, u"relheight"))
      c->relheight = ParseReal(value);
  }

  template <typename Apply>
  static void ForEachAttribute(const MarkupSpan& element, Apply apply) {
    MarkupSpan name, value;
    int pos = 0;
    while (NextMarkupAttribute(element, &pos, &name, &value)) apply(name, value);
  }

  // Pops the matching open element; a mismatch (or nothing open) is error 2.
  bool Close(const std::u16string& name) {
    if (names.empty() ||
        !AsciiEqualNoCase(names.back().name.data(), static_cast<int>(names.back().name.size()),
                          name.data(), static_cast<int>(name.size()))) {
      dialog->error = kXmlMismatchedTag;
      return false;
    }
    bool opensTable = names.back().opensTable;
    names.pop_back();
    if (opensTable && tables.size() > 1) tables.pop_back();
    return true;
  }

  // Returns false when the rest of the text is to be ignored.
  bool Element(const MarkupSpan& element) {
    MarkupSpan name = MarkupElementName(element);
    bool closing = name.length > 0 && name.text[0] == u'/';
    MarkupSpan bare = closing ? MarkupSpan{name.text + 1, name.length - 1} : name;
    std::u16string shortName(bare.text, bare.text + std::min(bare.length, kMaxElementName));
    bool isDialog = MarkupEquals(bare, u"dialog");

    if (closing) {
      bool matched = Close(shortName);
      return !(isDialog && matched && depth > 0 && --depth == 0);
    }

    bool selfClosing = IsMarkupSelfClosing(element);
    if (!selfClosing) names.push_back(OpenElement{shortName, false});
    if (isDialog) {
      if (depth == 0) {
        ForEachAttribute(element,
                         [this](const MarkupSpan& n, const MarkupSpan& v) { ApplyDialog(n, v); });
        if (tables.empty()) tables.push_back(OpenTable{&dialog->table, nullptr});
      } else {
        dialog->error = kXmlNestedDialog;
      }
      if (!selfClosing) ++depth;
      return !(selfClosing && depth == 0);
    }
    if (depth != 1) return true;

    if (MarkupEquals(bare, u"tr")) {
      Append(kXmlRowStart);
    } else if (MarkupEquals(bare, u"td")) {
      tagXMLNODE* node = Append(kXmlCell);
      ForEachAttribute(element, [node](const MarkupSpan& n, const MarkupSpan& v) {
        ApplyCell(&node->cell, n, v);
      });
    } else if (MarkupEquals(bare, u"control")) {
      tagXMLNODE* node = TakeCell();
      EmptyCell(node);
      node->cell.control = new tagXMLCONTROL;
      tagXMLCONTROL* control = node->cell.control;
      ForEachAttribute(element, [control](const MarkupSpan& n, const MarkupSpan& v) {
        ApplyControl(control, n, v);
      });
    } else {
      bool group = MarkupEquals(bare, u"group");
      if (!group && !MarkupEquals(bare, u"panel")) return true;
      if (static_cast<int>(tables.size()) > kMaxXmlNesting) {
        dialog->error = kXmlNestedTooDeep;
        return true;
      }
      tagXMLNODE* node = TakeCell();
      EmptyCell(node);
      node->nested = true;
      node->cell.group = group;
      if (group)
        ForEachAttribute(element, [node](const MarkupSpan& n, const MarkupSpan& v) {
          ApplyGroup(&node->cell, n, v);
        });
      // A self-closing group or panel has no content: its table is closed at once.
      if (!selfClosing) {
        tables.push_back(OpenTable{&node->table, nullptr});
        names.back().opensTable = true;
      }
    }
    return true;
  }
};

}  // namespace

tagXMLDIALOG* ParseXmlDialog(const char16_t* text, int length) {
  tagXMLDIALOG* dialog = new (std::nothrow) tagXMLDIALOG;
  if (!dialog) return nullptr;
  try {
    Parser parser{dialog, {}, {}};
    int pos = 0;
    MarkupSpan element;
    while (text && NextMarkupElement(text, length, &pos, &element))
      if (!parser.Element(element)) break;
  } catch (const std::bad_alloc&) {
    DeleteXmlDialog(dialog);
    return nullptr;
  }
  return dialog;
}

void FreeXmlDialog(tagXMLNODE* table) {
  while (table) {
    tagXMLNODE* next = table->next;
    delete table->cell.control;
    FreeXmlDialog(table->table);
    delete table;
    table = next;
  }
}

void DeleteXmlDialog(tagXMLDIALOG* dialog) {
  if (!dialog) return;
  FreeXmlDialog(dialog->table);
  delete dialog;
}
