// The display's scale: layouts are designed at 96 dots per inch and shown at the DPI of the
// monitor their window is on.
#pragma once
#include <windows.h>

#include "ui/Layout.h"

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

namespace ui {

constexpr int kDesignDpi = 96;

// A design size (96-DPI units) at dpi, rounded to the nearest pixel.
inline int Scaled(int value, int dpi) { return MulDiv(value, dpi, kDesignDpi); }
// A size in pixels at dpi back in design units.
inline int Unscaled(int value, int dpi) { return MulDiv(value, kDesignDpi, dpi); }
// A design rectangle at dpi: its edges are scaled, so rectangles that meet still meet.
RECT ScaledRect(int left, int top, int width, int height, int dpi);
Rect ScaledBounds(const Rect& design, int dpi);
// Bounds in pixels at dpi back in design units, edge by edge: at 96 DPI and above,
// ScaledBounds gives the same pixels again.
Rect UnscaledBounds(const Rect& pixels, int dpi);

// The DPI the program started with (the primary monitor's for per-monitor aware programs).
int SystemDpi();
// A system metric (SM_CXICON, SM_CXVSCROLL ...) at dpi.
int MetricForDpi(int index, int dpi);
// The DPI of a monitor (the system's where the platform has no per-monitor scale).
int MonitorDpi(HMONITOR monitor);
// The window rectangle around a client rectangle, with the frame drawn at dpi.
void AdjustWindowRectForDpi(RECT& r, DWORD style, bool menu, DWORD exStyle, int dpi);

}  // namespace ui
