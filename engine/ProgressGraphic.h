// The progress graphic of a worksheet: three-dimensional bars of found, processed and
// broken links with a legend and the byte and time totals. Windows-side header; call on
// the thread that owns the window the device context belongs to.
#pragma once

#include <windows.h>

#include <cstdint>

struct ProgressFigures {
  uint32_t found;
  uint32_t processed;
  uint32_t broken;
  uint32_t checked;
  uint64_t bytesSent;
  uint64_t bytesReceived;
  uint64_t elapsedMs;
};

// Language texts of the legend ("Links Found", "Links Processed", "Broken Links",
// "Unique Links", "Bytes sent", "Bytes received", "Time elapsed", "Time left").
struct ProgressLabels {
  const WCHAR* found;
  const WCHAR* processed;
  const WCHAR* broken;
  const WCHAR* unique;
  const WCHAR* sent;
  const WCHAR* received;
  const WCHAR* elapsed;
  const WCHAR* left;
};

// Height of the graphic in pixels.
constexpr int kProgressHeight = 55;

// Paints the graphic into dc at 0,0, `width` pixels wide and kProgressHeight high.
void DrawProgressGraphic(HDC dc, int width, const ProgressFigures& figures,
                         const ProgressLabels& labels);
