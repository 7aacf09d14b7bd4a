// Monitors: a configurable list (the first is primary), with the original's lookups.
#include <algorithm>
#include <cstdio>
#include <mutex>

#include "win32/monitors_p.h"
#include "win32/win32.h"

namespace win32::detail {
namespace {

constexpr std::uintptr_t kMonitorHandleBase = 0x10001;

std::vector<win32::Monitor> DefaultMonitors() { return {{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}}}; }

class MonitorList {
 public:
  std::vector<win32::Monitor> Get() {
    std::lock_guard lock(m_mutex);
    return m_monitors;
  }
  void Set(const std::vector<win32::Monitor>& monitors) {
    std::lock_guard lock(m_mutex);
    m_monitors = monitors.empty() ? DefaultMonitors() : monitors;
  }

 private:
  std::mutex m_mutex;
  std::vector<win32::Monitor> m_monitors = DefaultMonitors();
};

MonitorList& Monitors() {
  static MonitorList& list = *new MonitorList;
  return list;
}

HMONITOR HandleOf(std::size_t index) {
  return reinterpret_cast<HMONITOR>(kMonitorHandleBase + index);
}

// The index a handle stands for in `monitors`, or -1.
std::ptrdiff_t IndexOf(HMONITOR monitor, const std::vector<win32::Monitor>& monitors) {
  const auto value = reinterpret_cast<std::uintptr_t>(monitor);
  if (value < kMonitorHandleBase || value - kMonitorHandleBase >= monitors.size()) return -1;
  return static_cast<std::ptrdiff_t>(value - kMonitorHandleBase);
}

bool Intersect(const RECT& a, const RECT& b, RECT& out) {
  out = {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
         std::min(a.bottom, b.bottom)};
  return out.left < out.right && out.top < out.bottom;
}

// Gap between the closed pixel ranges [lo1, hi1) and [lo2, hi2) on one axis.
std::int64_t Gap(LONG lo1, LONG hi1, LONG lo2, LONG hi2) {
  const std::int64_t last1 = std::int64_t{hi1} - 1;
  const std::int64_t last2 = std::int64_t{hi2} - 1;
  return std::max<std::int64_t>({0, lo2 - last1, lo1 - last2});
}

// The monitor with the largest overlap; without overlap, the flags decide.
std::ptrdiff_t PickMonitor(const RECT& target, DWORD flags,
                           const std::vector<win32::Monitor>& monitors) {
  RECT r = target;
  if (r.right <= r.left) r.right = r.left + 1;  // an empty rectangle stands for its corner
  if (r.bottom <= r.top) r.bottom = r.top + 1;
  std::ptrdiff_t best = -1;
  std::int64_t bestArea = 0;
  for (std::size_t i = 0; i < monitors.size(); ++i) {
    RECT overlap;
    if (!Intersect(r, monitors[i].rect, overlap)) continue;
    const std::int64_t area =
        std::int64_t{overlap.right - overlap.left} * (overlap.bottom - overlap.top);
    if (area > bestArea) {
      bestArea = area;
      best = static_cast<std::ptrdiff_t>(i);
    }
  }
  if (best >= 0) return best;
  if (flags == MONITOR_DEFAULTTOPRIMARY) return 0;
  if (flags != MONITOR_DEFAULTTONEAREST) return -1;
  std::int64_t bestDistance = INT64_MAX;
  for (std::size_t i = 0; i < monitors.size(); ++i) {
    const RECT& m = monitors[i].rect;
    const std::int64_t dx = Gap(r.left, r.right, m.left, m.right);
    const std::int64_t dy = Gap(r.top, r.bottom, m.top, m.bottom);
    if (dx * dx + dy * dy < bestDistance) {
      bestDistance = dx * dx + dy * dy;
      best = static_cast<std::ptrdiff_t>(i);
    }
  }
  return best;
}

HMONITOR FromRect(const RECT& rect, DWORD flags) {
  if (flags > MONITOR_DEFAULTTONEAREST) {
    SetLastError(ERROR_INVALID_FLAGS);
    return nullptr;
  }
  const auto index = PickMonitor(rect, flags, Monitors().Get());
  return index >= 0 ? HandleOf(static_cast<std::size_t>(index)) : nullptr;
}

}  // namespace

RECT VirtualScreenRect() {
  const auto monitors = Monitors().Get();
  RECT all = monitors.front().rect;
  for (const auto& m : monitors) {
    all = {std::min(all.left, m.rect.left), std::min(all.top, m.rect.top),
           std::max(all.right, m.rect.right), std::max(all.bottom, m.rect.bottom)};
  }
  return all;
}

RECT NearestWorkArea(const RECT& rect) {
  const auto monitors = Monitors().Get();
  return monitors[static_cast<std::size_t>(PickMonitor(rect, MONITOR_DEFAULTTONEAREST, monitors))]
      .work;
}

}  // namespace win32::detail

namespace win32 {

void SetMonitors(const std::vector<Monitor>& monitors) { detail::Monitors().Set(monitors); }

std::vector<Monitor> GetMonitors() { return detail::Monitors().Get(); }

}  // namespace win32

extern "C" {

// A null window stands for the desktop: it lies on the primary monitor.
HMONITOR MonitorFromWindow(HWND window, DWORD flags) {
  RECT rect{0, 0, 0, 0};
  if (window != nullptr && !GetWindowRect(window, &rect)) return nullptr;
  return win32::detail::FromRect(rect, flags);
}

HMONITOR MonitorFromRect(LPCRECT rect, DWORD flags) {
  if (rect == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return win32::detail::FromRect(*rect, flags);
}

HMONITOR MonitorFromPoint(POINT point, DWORD flags) {
  return win32::detail::FromRect({point.x, point.y, point.x + 1, point.y + 1}, flags);
}

// cbSize must be that of MONITORINFO or MONITORINFOEXA (which also gets "\\.\DISPLAYn").
BOOL GetMonitorInfoA(HMONITOR monitor, MONITORINFO* info) {
  if (info == nullptr ||
      (info->cbSize != sizeof(MONITORINFO) && info->cbSize != sizeof(MONITORINFOEXA))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const auto monitors = win32::detail::Monitors().Get();
  const auto index = win32::detail::IndexOf(monitor, monitors);
  if (index < 0) {
    SetLastError(ERROR_INVALID_MONITOR_HANDLE);
    return 0;
  }
  const auto& m = monitors[static_cast<std::size_t>(index)];
  info->rcMonitor = m.rect;
  info->rcWork = m.work;
  info->dwFlags = index == 0 ? MONITORINFOF_PRIMARY : 0;
  if (info->cbSize == sizeof(MONITORINFOEXA)) {
    auto* extended = static_cast<MONITORINFOEXA*>(info);
    std::snprintf(extended->szDevice, sizeof extended->szDevice, "\\\\.\\DISPLAY%td", index + 1);
  }
  return 1;
}

// There are no device contexts: `dc` must be null. Each monitor meeting `clip` is reported
// with its rectangle cut to `clip`; a callback that returns 0 stops the walk (not a failure).
BOOL EnumDisplayMonitors(HDC dc, LPCRECT clip, MONITORENUMPROC callback, LPARAM lParam) {
  if (dc != nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  if (callback == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const auto monitors = win32::detail::Monitors().Get();
  for (std::size_t i = 0; i < monitors.size(); ++i) {
    RECT rect = monitors[i].rect;
    if (clip != nullptr && !win32::detail::Intersect(rect, *clip, rect)) continue;
    if (!callback(win32::detail::HandleOf(i), nullptr, &rect, lParam)) break;
  }
  return 1;
}

// Unknown indices answer 0, like the original.
int GetSystemMetrics(int index) {
  const auto monitors = win32::detail::Monitors().Get();
  const RECT& primary = monitors.front().rect;
  const RECT all = win32::detail::VirtualScreenRect();
  switch (index) {
    case SM_CXSCREEN:
      return primary.right - primary.left;
    case SM_CYSCREEN:
      return primary.bottom - primary.top;
    case SM_XVIRTUALSCREEN:
      return all.left;
    case SM_YVIRTUALSCREEN:
      return all.top;
    case SM_CXVIRTUALSCREEN:
      return all.right - all.left;
    case SM_CYVIRTUALSCREEN:
      return all.bottom - all.top;
    case SM_CMONITORS:
      return static_cast<int>(monitors.size());
    default:
      return 0;
  }
}

// Only SPI_GETWORKAREA: the primary monitor's work area.
BOOL SystemParametersInfoA(UINT action, UINT /*param*/, LPVOID value, UINT /*winIni*/) {
  if (action != SPI_GETWORKAREA || value == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  *static_cast<RECT*>(value) = win32::GetMonitors().front().work;
  return 1;
}

}  // extern "C"
