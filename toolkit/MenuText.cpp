// Writers of menu text, each bounded by its buffer.
#include "toolkit/MenuText.h"

#include "toolkit/Format.h"

namespace {

int WriteMenuElement(char16_t* buffer, int size, const char16_t* open, const char16_t* title,
                     const char16_t* flags, uint32_t id, const char16_t* close) {
  int length = XmlPrintf(buffer, size, u"%su", open);
  if (title && *title) length += XmlPrintf(buffer + length, size - length, u" title=\"%s\"", title);
  if (flags && *flags) length += XmlPrintf(buffer + length, size - length, u" flags=\"%s\"", flags);
  if (id != 0) length += XmlPrintf(buffer + length, size - length, u" id=\"%u\"", id);
  return length + XmlPrintf(buffer + length, size - length, u"%su", close);
}

}  // namespace

int XmlMenuBegin(char16_t* buffer, int size, const char16_t* title, const char16_t* flags,
                 uint32_t id) {
  return WriteMenuElement(buffer, size, u"<menu", title, flags, id, u">");
}

int XmlMenuItem(char16_t* buffer, int size, const char16_t* title, const char16_t* flags,
                uint32_t id) {
  return WriteMenuElement(buffer, size, u"<item", title, flags, id, u" />");
}

int XmlMenuEnd(char16_t* buffer, int size) { return XmlPrintf(buffer, size, u"</menu>"); }
