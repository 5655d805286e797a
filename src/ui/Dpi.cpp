// The display's scale, through the per-monitor calls where the platform has them (Windows 10
// 1607 and later; looked up at run time so older systems start) and the screen's DPI elsewhere.
#include "ui/Dpi.h"

#include "win/Handles.h"

namespace ui {
namespace {

template <class Fn>
Fn UserCall(const char* name) {
  HMODULE user = GetModuleHandleA("user32.dll");
  return user ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(user, name))) : nullptr;
}

using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);
using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
// shcore's GetDpiForMonitor (Windows 8.1 and later), effective DPI.
using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);

}  // namespace

RECT ScaledRect(int left, int top, int width, int height, int dpi) {
  const int l = Scaled(left, dpi), t = Scaled(top, dpi);
  return {l, t, Scaled(left + width, dpi), Scaled(top + height, dpi)};
}

Rect ScaledBounds(const Rect& d, int dpi) {
  const RECT r = ScaledRect(d.left, d.top, d.width, d.height, dpi);
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

Rect UnscaledBounds(const Rect& p, int dpi) {
  const int left = Unscaled(p.left, dpi), top = Unscaled(p.top, dpi);
  return {left, top, Unscaled(p.left + p.width, dpi) - left, Unscaled(p.top + p.height, dpi) - top};
}

int SystemDpi() {
  static const int dpi = [] {
    const win::WindowDC screen(nullptr);
    const int d = screen.get() ? GetDeviceCaps(screen.get(), LOGPIXELSY) : kDesignDpi;
    return d > 0 ? d : kDesignDpi;
  }();
  return dpi;
}

int MetricForDpi(int index, int dpi) {
  static const auto forDpi = UserCall<GetSystemMetricsForDpiFn>("GetSystemMetricsForDpi");
  if (forDpi) return forDpi(index, static_cast<UINT>(dpi));
  // Without it the metrics are the system's, at the system's DPI.
  return MulDiv(GetSystemMetrics(index), dpi, SystemDpi());
}

void AdjustWindowRectForDpi(RECT& r, DWORD style, bool menu, DWORD exStyle, int dpi) {
  static const auto forDpi = UserCall<AdjustWindowRectExForDpiFn>("AdjustWindowRectExForDpi");
  if (forDpi && forDpi(&r, style, menu, exStyle, static_cast<UINT>(dpi))) return;
  AdjustWindowRectEx(&r, style, menu, exStyle);
}

int MonitorDpi(HMONITOR monitor) {
  static const auto forMonitor = [] {
    HMODULE shcore = LoadLibraryA("shcore.dll");
    return shcore ? reinterpret_cast<GetDpiForMonitorFn>(reinterpret_cast<void*>(GetProcAddress(shcore, "GetDpiForMonitor")))
                  : nullptr;
  }();
  UINT x = 0, y = 0;
  if (monitor && forMonitor && SUCCEEDED(forMonitor(monitor, 0, &x, &y)) && y > 0) return static_cast<int>(y);
  return SystemDpi();
}

}  // namespace ui
