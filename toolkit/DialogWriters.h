// Writers of dialog template text. Each writes at buffer, at most size - 1 characters and a
// terminator, and returns the characters written; the caller advances its position by the
// result. String arguments are escaped for mark-up, backslashes excepted: they stay escapes
// for the parser, so a caller doubles those of paths. Neutral header; any thread.
#pragma once

#include <cstdint>

int XmlDialogBegin(char16_t* buffer, int size, const char16_t* title, const char16_t* font,
                   uint32_t style, uint32_t exstyle, int scalable, int noscroll, int watchinput,
                   int left, int top, int width, int height);
int XmlDialogEnd(char16_t* buffer, int size);
int XmlGroupBegin(char16_t* buffer, int size, const char16_t* title, int id);
int XmlGroupEnd(char16_t* buffer, int size);
int XmlPanelBegin(char16_t* buffer, int size);
int XmlPanelEnd(char16_t* buffer, int size);
int XmlRowBegin(char16_t* buffer, int size);
int XmlRowEnd(char16_t* buffer, int size);
int XmlCellBegin(char16_t* buffer, int size, uint32_t colspan, uint32_t rowspan, uint32_t minwidth,
                 uint32_t minheight, uint32_t leftmargin, uint32_t topmargin, uint32_t rightmargin,
                 uint32_t bottommargin, const char16_t* align, const char16_t* valign,
                 uint32_t storerect);
int XmlCellEnd(char16_t* buffer, int size);
int XmlControl(char16_t* buffer, int size, const char16_t* type, const char16_t* title,
               uint32_t style, uint32_t exstyle, int id, int forcesize, int forcewidth,
               int forceheight, int addwidth, int addheight, double relwidth, double relheight);
