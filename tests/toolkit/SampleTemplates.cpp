#include "tests/toolkit/SampleTemplates.h"

#include <vector>

#include "toolkit/DialogWriters.h"

namespace {

// Window styles spelled out, the file being neutral.
constexpr uint32_t kChild = 0x50000000;  // WS_CHILD | WS_VISIBLE
constexpr uint32_t kTab = 0x00010000, kGroup = 0x00020000, kVScroll = 0x00200000;
constexpr uint32_t kCheckBox = 0x2, kAutoCheck = 0x3, kNotify = 0x4000, kPush = 0x0;
constexpr uint32_t kNumberEdit = 0x2000 | 0x80, kAutoScroll = 0x80, kPassword = 0x20;
constexpr uint32_t kUpDown = 0x2 | 0x4 | 0x10 | 0x20 | 0x80;
constexpr uint32_t kDropDown = 0x2 | 0x40 | 0x800, kDropList = 0x3 | 0x100 | 0x800;
constexpr uint32_t kClientEdge = 0x200, kRight = 0x2;
constexpr uint32_t kPageStyle = 0x40000444;

struct Text {
  std::vector<char16_t> buffer = std::vector<char16_t>(32768);
  int n = 0;
  std::vector<bool> rowOpen = {false};  // per open table
  char16_t* at() { return buffer.data() + n; }
  int room() const { return static_cast<int>(buffer.size()) - n; }

  void EndRow() {
    if (rowOpen.back()) n += XmlRowEnd(at(), room());
    rowOpen.back() = false;
  }
  void Row() {
    EndRow();
    n += XmlRowBegin(at(), room());
    rowOpen.back() = true;
  }
  void Cell(uint32_t w, uint32_t h, uint32_t l, uint32_t t, uint32_t r, uint32_t b,
            const char16_t* align = u"left", const char16_t* valign = u"top",
            uint32_t colspan = 0) {
    n += XmlCellBegin(at(), room(), colspan, 0, w, h, l, t, r, b, align, valign, 0);
  }
  void EndCell() { n += XmlCellEnd(at(), room()); }
  void Control(const char16_t* type, const char16_t* title, uint32_t style, int id,
               uint32_t exstyle = 0, int forcewidth = 0, int addheight = 0) {
    n += XmlControl(at(), room(), type, title, kChild | style, exstyle, id, 0, forcewidth, 0, 0,
                    addheight, 1.0, 1.0);
  }
  void Group(const char16_t* title, int id) {
    n += XmlGroupBegin(at(), room(), title, id);
    rowOpen.push_back(false);
  }
  void EndGroup() {
    EndRow();
    rowOpen.pop_back();
    n += XmlGroupEnd(at(), room());
  }
  void Panel() {
    n += XmlPanelBegin(at(), room());
    rowOpen.push_back(false);
  }
  void EndPanel() {
    EndRow();
    rowOpen.pop_back();
    n += XmlPanelEnd(at(), room());
  }
  std::u16string Done() {
    EndRow();
    n += XmlDialogEnd(at(), room());
    return std::u16string(buffer.data(), static_cast<size_t>(n));
  }
};

// A one-cell row holding a control, margins m on every side.
void Line(Text& t, const char16_t* type, const char16_t* title, uint32_t style, int id,
          uint32_t m = 2, uint32_t left = 2, uint32_t colspan = 0) {
  t.Row();
  t.Cell(0, 0, left, m, m, m, u"left", u"center", colspan);
  t.Control(type, title, style, id);
  t.EndCell();
}

// Label, number edit and spinner in one row.
void NumberRow(Text& t, const char16_t* label, int id) {
  t.Row();
  t.Cell(0, 0, 2, 2, 2, 2, u"left", u"center");
  t.Control(u"STATIC", label, 0, id);
  t.EndCell();
  t.Cell(40, 12, 2, 2, 0, 2, u"right", u"center");
  t.Control(u"EDIT", u"", kNumberEdit | kTab, id + 1, kClientEdge);
  t.EndCell();
  t.Cell(0, 0, 0, 2, 2, 2, u"left", u"center");
  t.Control(u"msctls_updown32", u"", kUpDown, id + 2);
  t.EndCell();
}

}  // namespace

std::u16string SitePanelTemplate(uint32_t dialogStyle) {
  Text t;
  t.n += XmlDialogBegin(t.at(), t.room(), u"", u"MS Sans Serif, 10",
                        dialogStyle ? dialogStyle : 0x50000044, 0x10000, 0, 0, 0, 0, 0, 0, 0);
  t.Row();
  t.Cell(0, 0, 4, 4, 4, 1);
  t.Control(u"STATIC", u"Start &URL:", 0, 2200);
  t.EndCell();
  t.Row();
  t.Cell(160, 12, 4, 1, 4, 2);
  t.Control(u"COMBOBOX", u"", kDropDown | kVScroll | kTab, 2201, 0, 1, 120);
  t.EndCell();
  const char16_t* checks[] = {u"Check &hyperlinks", u"Check &images",
                              u"Check &other links (script, css...)"};
  for (int i = 0; i < 3; ++i) {
    t.Row();
    t.Cell(0, 0, 10, 2, 4, 2);
    t.Control(u"BUTTON", checks[i], kCheckBox | kNotify | kTab | (i == 0 ? kGroup : 0), 2202 + i);
    t.EndCell();
  }
  t.Row();
  t.Cell(0, 0, 0, 0, 0, 0);
  t.Panel();
  t.Row();
  t.Cell(0, 0, 10, 2, 2, 2, u"left", u"center");
  t.Control(u"STATIC", u"Recheck &bad links", 0, 2205);
  t.EndCell();
  t.Cell(40, 12, 1, 0, 0, 0, u"right", u"center");
  t.Control(u"EDIT", u"", kNumberEdit | kTab, 2206, kClientEdge);
  t.EndCell();
  t.Cell(0, 0, 0, 0, 1, 0, u"left", u"center");
  t.Control(u"msctls_updown32", u"", kUpDown, 2207);
  t.EndCell();
  t.Cell(0, 0, 2, 2, 4, 2, u"left", u"center");
  t.Control(u"STATIC", u"times", 0, 2208);
  t.EndCell();
  t.EndPanel();
  t.EndCell();
  const char16_t* options[] = {u"Ignore &robots.txt file", u"Only check links in the &first URL",
                               u"Do not check e&xternal links",
                               u"Ignore c&ase when comparing links"};
  for (int i = 0; i < 4; ++i) {
    t.Row();
    t.Cell(0, 0, 10, 2, 4, 2, u"left", i == 0 ? u"center" : u"top");
    t.Control(u"BUTTON", options[i], kAutoCheck | kNotify | kTab | (i == 0 ? kGroup : 0), 2401 + i);
    t.EndCell();
  }
  return t.Done();
}

std::u16string OptionsPageTemplate(uint32_t dialogStyle) {
  Text t;
  t.n += XmlDialogBegin(t.at(), t.room(), u"Options", nullptr,
                        dialogStyle ? dialogStyle : kPageStyle, 0, 0, 0, 0, 0, 0, 0, 0);
  t.Row();
  t.Cell(0, 0, 2, 2, 2, 2);
  t.Group(u"Timeout", 1200);
  NumberRow(t, u"URL &Timeout:", 1201);
  t.Cell(0, 0, 2, 2, 2, 2, u"left", u"center");
  t.Control(u"STATIC", u"sec", 0, 1204);
  t.EndCell();
  Line(t, u"STATIC", u"&Slow link takes more than", 0, 1205, 2, 2, 3);
  t.Row();
  t.Cell(40, 12, 2, 2, 0, 2, u"right", u"center");
  t.Control(u"EDIT", u"", kNumberEdit | kTab, 1206, kClientEdge);
  t.EndCell();
  t.Cell(0, 0, 0, 2, 2, 2, u"left", u"center");
  t.Control(u"msctls_updown32", u"", kUpDown, 1207);
  t.EndCell();
  t.Cell(0, 0, 2, 2, 2, 2, u"left", u"center", 2);
  t.Control(u"STATIC", u"seconds to open", 0, 1208);
  t.EndCell();
  t.EndGroup();
  t.EndCell();
  t.Cell(0, 0, 2, 2, 2, 2);
  t.Group(u"Threads", 1209);
  NumberRow(t, u"&Number of the\nnetwork connections:", 1210);
  NumberRow(t, u"&Max. number of the\nnetwork connections\nto the same server", 1213);
  t.EndGroup();
  t.EndCell();
  t.Cell(0, 0, 2, 2, 2, 2);
  t.Group(u"Charset", 1216);
  Line(t, u"STATIC", u"&Charset:", 0, 1217);
  for (int id = 1218; id <= 1220; id += 2) {
    t.Row();
    t.Cell(100, 12, 2, 2, 2, 2);
    t.Control(u"COMBOBOX", u"", kDropList | kVScroll | kTab, id, 0, 1, 60);
    t.EndCell();
    if (id == 1218) Line(t, u"STATIC", u"&Default charset:", 0, 1219);
  }
  Line(t, u"STATIC", u"(when unable to autodetect)", 0, 1221);
  t.EndGroup();
  t.EndCell();
  t.Row();
  t.Cell(0, 0, 2, 2, 2, 2, u"left", u"top", 3);
  t.Group(u"Options", 1222);
  t.Row();
  const char16_t* checks[] = {u"A&uto-save worksheets",
                              u"Display &all processed\nlinks (not only unique)",
                              u"Show tool tips in\nlink p&rocessing list"};
  for (int i = 0; i < 3; ++i) {
    t.Cell(0, 0, 10, 2, 2, 2);
    t.Control(u"BUTTON", checks[i], kAutoCheck | kTab, 1223 + i);
    t.EndCell();
  }
  t.EndGroup();
  t.EndCell();
  t.Row();
  t.Cell(0, 0, 2, 2, 2, 2, u"left", u"top", 3);
  t.Group(u"User agent identification", 1226);
  t.Row();
  const char16_t* labels[] = {u"User ag&ent type:", u"&Operating system:", u"HTTP &protocol:"};
  for (int i = 0; i < 3; ++i) {
    t.Cell(0, 0, 2, 2, 2, 2);
    t.Control(u"STATIC", labels[i], 0, 1227 + 2 * i);
    t.EndCell();
  }
  t.Row();
  for (int i = 0; i < 3; ++i) {
    t.Cell(i < 2 ? 80 : 0, 12, 2, 2, 2, 2);
    t.Control(u"COMBOBOX", u"", (i < 2 ? kDropDown : kDropList) | kVScroll | kTab, 1228 + 2 * i, 0,
              1, 60);
    t.EndCell();
  }
  t.EndGroup();
  t.EndCell();
  t.Row();
  t.Cell(0, 0, 2, 2, 2, 2, u"left", u"top", 3);
  t.Group(u"Upon finishing", 1233);
  Line(t, u"STATIC", u"When the program has finished checking all links:", 0, 1234, 2, 2, 3);
  t.Row();
  const char16_t* finish[] = {u"&Close the program", u"D&isconnect modem from Internet",
                              u"S&hutdown Windows"};
  for (int i = 0; i < 3; ++i) {
    t.Cell(0, 0, i == 0 ? 10 : 2, 2, 2, 2);
    t.Control(u"BUTTON", finish[i], kAutoCheck | kTab, 1235 + i);
    t.EndCell();
  }
  t.EndGroup();
  t.EndCell();
  return t.Done();
}

std::u16string ConnectionPageTemplate(uint32_t dialogStyle) {
  Text t;
  t.n += XmlDialogBegin(t.at(), t.room(), u"Connection", nullptr,
                        dialogStyle ? dialogStyle : kPageStyle, 0, 0, 0, 0, 0, 0, 0, 0);
  t.Row();
  t.Cell(0, 0, 4, 4, 4, 4);
  t.Group(u"HTTP/HTTPS/FTP Connection", 1300);
  t.Row();
  t.Cell(0, 0, 4, 4, 4, 4);
  t.Group(u"Proxy server", 1301);
  Line(t, u"BUTTON", u"Use a &proxy server", kAutoCheck | kTab, 1302, 2, 4, 5);
  t.Row();
  t.Cell(0, 0, 4, 2, 4, 2);
  t.EndCell();
  const char16_t* heads[] = {u"Protocol", u"Address", u"Port", u"Type"};
  for (int i = 1; i < 4; ++i) {
    t.Cell(0, 0, 4, 2, 4, 2, u"center", u"top");
    t.Control(u"STATIC", heads[i], 0, 1303 + i);
    t.EndCell();
  }
  const char16_t* rows[] = {u"&HTTP:", u"HTTP&S:", u"&FTP:"};
  for (int r = 0; r < 3; ++r) {
    int id = 1307 + 4 * r;
    t.Row();
    t.Cell(0, 0, 4, 2, 4, 2, u"left", u"center");
    t.Control(u"STATIC", rows[r], 0, id);
    t.EndCell();
    t.Cell(120, 12, 4, 2, 4, 2);
    t.Control(u"EDIT", u"", kAutoScroll | kTab, id + 1, kClientEdge, 1);
    t.EndCell();
    t.Cell(40, 12, 4, 2, 4, 2);
    t.Control(u"EDIT", u"", kNumberEdit | kTab, id + 2, kClientEdge, 1);
    t.EndCell();
    t.Cell(60, 12, 4, 2, 4, 2);
    t.Control(u"COMBOBOX", u"", kDropList | kVScroll | kTab, id + 3, 0, 1, 60);
    t.EndCell();
  }
  Line(t, u"BUTTON", u"Use the s&ame proxy for all protocols", kAutoCheck | kTab | kGroup, 1319, 4,
       4, 4);
  Line(t, u"BUTTON", u"&Bypass proxy for local addresses", kAutoCheck | kTab, 1320, 4, 4, 4);
  t.EndGroup();
  t.EndCell();
  t.Row();
  t.Cell(0, 0, 4, 4, 4, 4);
  t.Group(u"Proxy server authentication", 1321);
  Line(t, u"BUTTON", u"Use a&uthentication for the server", kAutoCheck | kTab, 1322, 4, 4, 2);
  const char16_t* auth[] = {u"User &name:", u"Pass&word:"};
  for (int i = 0; i < 2; ++i) {
    t.Row();
    t.Cell(0, 0, 4, 4, 4, 4, u"right", u"center");
    t.Control(u"STATIC", auth[i], kRight | (i == 0 ? kGroup : 0), 1323 + 2 * i);
    t.EndCell();
    t.Cell(60, 12, 4, 4, 4, 4);
    t.Control(u"EDIT", u"", kAutoScroll | kTab | (i ? kPassword : 0), 1324 + 2 * i, kClientEdge, 1);
    t.EndCell();
  }
  t.EndGroup();
  t.EndCell();
  t.EndGroup();
  t.EndCell();
  return t.Done();
}
