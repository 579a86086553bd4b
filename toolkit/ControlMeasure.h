// What the table layout needs from GDI: the dialog-unit scales of a font, the built-in
// natural size of one control, and the font of a font spec. Windows-side header; shared by
// the dialog window and the property sheet; call on the thread that owns the DC.
#pragma once

#include <windows.h>

#include <string>

#include "toolkit/FontSpec.h"
#include "toolkit/TableLayout.h"

// Pixels per dialog unit across and down for the font selected into dc, from the mapping
// of 1000 x 1000 dialog units.
void GetDialogScales(HDC dc, double* hscale, double* vscale);

// The built-in measure: the title measured with the font selected into dc (explicit line
// breaks only), frame allowances from the styles, relwidth and relheight, raised to the
// minimum; BS_MULTILINE or SS_LEFTNOWORDWRAP in styleBits for titles of several lines.
void MeasureControlBuiltIn(HDC dc, const XmlMeasureRequest& request, XmlMeasureResult* result);

// The room a window's borders, frames and edges take in both directions.
SIZE GetFrameAllowance(uint32_t style, uint32_t exstyle);

// An XmlMeasureFunc over MeasureControlBuiltIn; the context is the HDC.
void MeasureWithDc(void* dc, const XmlMeasureRequest& request, XmlMeasureResult* result);

void FontSpecToLogFont(const FontSpec& spec, LOGFONTW* font);

// The font of a template's font spec; the caller deletes it. Null on failure.
HFONT CreateSpecFont(const std::u16string& spec);
