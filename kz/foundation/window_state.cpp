#include "kz/foundation/window_state.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "win32/win32.h"

namespace {

HINSTANCE s_hInstance = nullptr;
HWND s_hMainWnd = nullptr;
HWND s_hClientWnd = nullptr;
int s_modalCount = 0;

// The windows the first modal dialog disabled, with whether each was enabled before.
struct DisabledWindows {
  HWND dialog = nullptr;
  HWND dialogParent = nullptr;
  std::vector<std::pair<HWND, int>> windows;
};
DisabledWindows s_disabled;

// The main window's other top-level windows: owned by it, neither the dialog nor its parent.
std::vector<HWND> OwnedWindows(HWND dialog, HWND dialogParent) {
  std::vector<HWND> found;
  if (!s_hMainWnd || !IsWindow(s_hMainWnd)) return found;
  struct Walk {
    HWND dialog;
    HWND dialogParent;
    std::vector<HWND>* found;
  } walk{dialog, dialogParent, &found};
  EnumThreadWindows(
      GetWindowThreadProcessId(s_hMainWnd, nullptr),
      [](HWND window, LPARAM param) -> BOOL {
        const Walk& w = *reinterpret_cast<const Walk*>(param);
        if (window != w.dialog && window != w.dialogParent && GetParent(window) == s_hMainWnd) {
          w.found->push_back(window);
        }
        return 1;
      },
      reinterpret_cast<LPARAM>(&walk));
  return found;
}

// One axis of the placement: centred on `mid`, then pulled inside [low, high) where it can be;
// an area narrower than the dialog keeps the low edge.
int Place(int mid, int extent, int low, int high) {
  int start = mid - extent / 2;
  if (start + extent > high) start = high - extent;
  if (start < low) start = low;
  return start;
}

void CenterDialog(HWND dialog, HWND reference) {
  RECT self{};
  if (!GetWindowRect(dialog, &self)) return;
  RECT center{};
  RECT area{};
  const DWORD style = static_cast<DWORD>(GetWindowLongA(dialog, GWL_STYLE));
  if (style & WS_CHILD) {
    const HWND parent = GetParent(dialog);
    if (!reference) reference = parent;
    if (!parent || !reference) return;
    GetClientRect(parent, &area);
    GetClientRect(reference, &center);
    MapWindowPoints(reference, parent, reinterpret_cast<LPPOINT>(&center), 2);
  } else {
    if (!reference) reference = GetWindow(dialog, GW_OWNER);
    if (reference && (!IsWindowVisible(reference) || IsIconic(reference))) reference = nullptr;
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (reference) {
      GetWindowRect(reference, &center);
      if (!GetMonitorInfoA(MonitorFromWindow(reference, MONITOR_DEFAULTTONEAREST), &info)) return;
    } else {
      if (!GetMonitorInfoA(MonitorFromWindow(s_hMainWnd, MONITOR_DEFAULTTOPRIMARY), &info)) return;
      center = info.rcWork;
    }
    area = info.rcWork;
  }
  const int width = self.right - self.left;
  const int height = self.bottom - self.top;
  const int left = Place((center.left + center.right) / 2, width, area.left, area.right);
  const int top = Place((center.top + center.bottom) / 2, height, area.top, area.bottom);
  SetWindowPos(dialog, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

HINSTANCE kzwGetInstanceHandle() {
  if (!s_hInstance) s_hInstance = GetModuleHandleA(nullptr);
  return s_hInstance;
}

HINSTANCE kzwSetInstanceHandle(HINSTANCE instance) {
  const HINSTANCE previous = kzwGetInstanceHandle();
  s_hInstance = instance;
  return previous;
}

void kzwSetMainWnd(HWND main, HWND client) {
  s_hMainWnd = main;
  s_hClientWnd = client;
}

HWND kzwGetMainWnd() { return s_hMainWnd; }

HWND kzwGetClientWnd() { return s_hClientWnd; }

int kzwIsMDIChildWnd(HWND window) {
  if (!window || !s_hClientWnd) return 0;
  return GetParent(window) == s_hClientWnd ? 1 : 0;
}

int kzwIsModalDlgVisible() { return s_modalCount > 0 ? 1 : 0; }

void kzwIncrementShowDlgCount(int show) {
  if (show) {
    ++s_modalCount;
  } else if (s_modalCount > 0) {
    --s_modalCount;
  }
}

void kzwModalDlgInitialize(HWND dialog, LONG value) {
  if (s_modalCount == 0) {
    s_disabled.dialog = dialog;
    s_disabled.dialogParent = dialog ? GetParent(dialog) : nullptr;
    s_disabled.windows.clear();
    for (HWND window : OwnedWindows(s_disabled.dialog, s_disabled.dialogParent)) {
      s_disabled.windows.emplace_back(window, IsWindowEnabled(window) ? 1 : 0);
      EnableWindow(window, 0);
    }
  }
  ++s_modalCount;
  if (dialog) {
    if (value != 0) SetWindowLongPtrA(dialog, DWLP_USER, value);
    CenterDialog(dialog, nullptr);
  }
}

void kzwModalDlgDestroy(HWND /*dialog*/) {
  if (s_modalCount == 0) return;
  if (--s_modalCount != 0) return;
  for (HWND window : OwnedWindows(s_disabled.dialog, s_disabled.dialogParent)) {
    const auto it = std::find_if(s_disabled.windows.begin(), s_disabled.windows.end(),
                                 [window](const auto& entry) { return entry.first == window; });
    const int enable = it == s_disabled.windows.end() ? 1 : it->second;
    EnableWindow(window, enable);
    if (enable) SendMessageA(window, WM_NCACTIVATE, 1, 0);
  }
  s_disabled = DisabledWindows{};
}
