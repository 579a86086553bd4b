// Writers of dialog template text, each bounded by its buffer.
#include "toolkit/DialogWriters.h"

#include "toolkit/Format.h"

namespace {

// Appends one formatted piece after what is already written.
struct Writer {
  char16_t* buffer;
  int size;
  int length = 0;

  template <typename... Args>
  void Put(const char16_t* format, Args... args) {
    length += XmlPrintf(buffer + length, size - length, format, args...);
  }
  void Text(const char16_t* format, const char16_t* value) {
    if (value && *value) Put(format, value);
  }
  void Unsigned(const char16_t* format, uint32_t value) {
    if (value != 0) Put(format, value);
  }
  void Signed(const char16_t* format, int value) {
    if (value != 0) Put(format, value);
  }
  void Flag(const char16_t* text, int value) {
    if (value != 0) Put(u"%su", text);
  }
};

}  // namespace

int XmlDialogBegin(char16_t* buffer, int size, const char16_t* title, const char16_t* font,
                   uint32_t style, uint32_t exstyle, int scalable, int noscroll, int watchinput,
                   int left, int top, int width, int height) {
  if (!buffer || size < 1) return 0;
  Writer w{buffer, size};
  w.Put(u"<dialog");
  w.Text(u" title=\"%s\"", title);
  w.Text(u" font=\"%s\"", font);
  w.Unsigned(u" style=\"0x%08x\"", style);
  w.Unsigned(u" exstyle=\"0x%08x\"", exstyle);
  w.Flag(u" scalable=\"1\"", scalable);
  w.Flag(u" noscroll=\"1\"", noscroll);
  w.Flag(u" watchinput=\"1\"", watchinput);
  w.Signed(u" left=\"%d\"", left);
  w.Signed(u" top=\"%d\"", top);
  w.Signed(u" width=\"%d\"", width);
  w.Signed(u" height=\"%d\"", height);
  w.Put(u">");
  return w.length;
}

int XmlDialogEnd(char16_t* buffer, int size) { return XmlPrintf(buffer, size, u"</dialog>"); }

int XmlGroupBegin(char16_t* buffer, int size, const char16_t* title, int id) {
  if (!buffer || size < 1) return 0;
  Writer w{buffer, size};
  w.Put(u"<group");
  w.Text(u" title=\"%s\"", title);
  w.Signed(u" id=\"%d\"", id);
  w.Put(u">");
  return w.length;
}

int XmlGroupEnd(char16_t* buffer, int size) { return XmlPrintf(buffer, size, u"</group>"); }
int XmlPanelBegin(char16_t* buffer, int size) { return XmlPrintf(buffer, size, u"<panel>"); }
int XmlPanelEnd(char16_t* buffer, int size) { return XmlPrintf(buffer, size, u"</panel>"); }
int XmlRowBegin(char16_t* buffer, int size) { return XmlPrintf(buffer, size, u"<tr>"); }
int XmlRowEnd(char16_t* buffer, int size) { return XmlPrintf(buffer, size, u"</tr>"); }

int XmlCellBegin(char16_t* buffer, int size, uint32_t colspan, uint32_t rowspan, uint32_t minwidth,
                 uint32_t minheight, uint32_t leftmargin, uint32_t topmargin, uint32_t rightmargin,
                 uint32_t bottommargin, const char16_t* align, const char16_t* valign,
                 uint32_t storerect) {
  if (!buffer || size < 1) return 0;
  Writer w{buffer, size};
  w.Put(u"<td");
  if (colspan > 1) w.Put(u" colspan=\"%u\"", colspan);
  if (rowspan > 1) w.Put(u" rowspan=\"%u\"", rowspan);
  w.Unsigned(u" minwidth=\"%u\"", minwidth);
  w.Unsigned(u" minheight=\"%u\"", minheight);
  w.Unsigned(u" leftmargin=\"%u\"", leftmargin);
  w.Unsigned(u" topmargin=\"%u\"", topmargin);
  w.Unsigned(u" rightmargin=\"%u\"", rightmargin);
  w.Unsigned(u" bottommargin=\"%u\"", bottommargin);
  w.Text(u" align=\"%s\"", align);
  w.Text(u" valign=\"%s\"", valign);
  w.Unsigned(u" storerect=\"%u\"", storerect);
  w.Put(u">");
  return w.length;
}

int XmlCellEnd(char16_t* buffer, int size) { return XmlPrintf(buffer, size, u"</td>"); }

int XmlControl(char16_t* buffer, int size, const char16_t* type, const char16_t* title,
               uint32_t style, uint32_t exstyle, int id, int forcesize, int forcewidth,
               int forceheight, int addwidth, int addheight, double relwidth, double relheight) {
  if (!buffer || size < 1) return 0;
  Writer w{buffer, size};
  w.Put(u"<control");
  w.Text(u" type=\"%s\"", type);
  w.Text(u" title=\"%s\"", title);
  w.Unsigned(u" style=\"0x%08x\"", style);
  w.Unsigned(u" exstyle=\"0x%08x\"", exstyle);
  w.Signed(u" id=\"%d\"", id);
  w.Flag(u" forcesize=\"1\"", forcesize);
  w.Flag(u" forcewidth=\"1\"", forcewidth);
  w.Flag(u" forceheight=\"1\"", forceheight);
  w.Signed(u" addwidth=\"%d\"", addwidth);
  w.Signed(u" addheight=\"%d\"", addheight);
  if (relwidth != 1.0) w.Put(u" relwidth=\"%g\"", relwidth);
  if (relheight != 1.0) w.Put(u" relheight=\"%g\"", relheight);
  w.Put(u" />");
  return w.length;
}
