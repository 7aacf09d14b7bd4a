// The in-process window registry: there is no window system, so a window is a record of its
// relations (parent, owner, owning thread), state (style bits), rectangle and window words.
// Handles are never reused while the process lives, so a stale handle is simply not found.
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "win32/message_queue_p.h"
#include "win32/monitors_p.h"
#include "win32/win32.h"
#include "win32/windows_p.h"

namespace win32::detail {
namespace {

struct Window {
  HWND handle = nullptr;
  HWND parent = nullptr;  // child windows only
  HWND owner = nullptr;   // top-level windows only; always a top-level window
  DWORD threadId = 0;
  DWORD style = 0;
  DWORD exStyle = 0;
  RECT rect{};        // in the parent's client coordinates, or the screen's when top-level
  RECT normalRect{};  // what a maximized window returns to
  bool zoomed = false;
  bool destroying = false;
  WNDPROC proc = nullptr;
  LONG_PTR userData = 0;
  LONG_PTR dialogUser = 0;
  LONG_PTR id = 0;
  HINSTANCE instance = nullptr;
  std::vector<HWND> children;  // z-order, top first
};

LONG Width(const RECT& r) { return r.right - r.left; }
LONG Height(const RECT& r) { return r.bottom - r.top; }

// Everything below that takes a Window or walks the registry runs with the mutex held.
class Registry {
 public:
  Registry() {
    auto desktop = std::make_unique<Window>();
    desktop->handle = m_desktop = NewHandle();
    desktop->style = WS_POPUP | WS_VISIBLE;
    m_windows.emplace(m_desktop, std::move(desktop));
  }

  std::mutex mutex;

  HWND NewHandle() {
    m_next += 0x10;
    return reinterpret_cast<HWND>(m_next);
  }
  HWND DesktopHandle() const { return m_desktop; }
  Window& Desktop() { return *m_windows.at(m_desktop); }

  Window* Find(HWND handle) {
    if (handle == nullptr) return nullptr;
    auto it = m_windows.find(handle);
    return it != m_windows.end() ? it->second.get() : nullptr;
  }
  // Like Find, setting last error 1400 for a handle that is not a window.
  Window* Require(HWND handle) {
    Window* w = Find(handle);
    if (w == nullptr) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return w;
  }

  void Add(std::unique_ptr<Window> window) {
    Siblings(*window).push_back(window->handle);
    const HWND handle = window->handle;
    m_windows.emplace(handle, std::move(window));
  }

  // The z-ordered list holding a window: its parent's children, or the desktop's.
  std::vector<HWND>& Siblings(const Window& w) {
    Window* parent = Find(w.parent);
    return parent != nullptr ? parent->children : Desktop().children;
  }

  // The top-level window a window belongs to.
  Window& Root(Window& w) {
    Window* r = &w;
    while (r->parent != nullptr) r = Find(r->parent);
    return *r;
  }

  // What GetParent answers: a child's parent, a popup's owner, else nothing.
  HWND ParentOrPopupOwner(const Window& w) {
    if (w.parent != nullptr) return w.parent;
    return (w.style & WS_POPUP) ? w.owner : nullptr;
  }

  // Screen position of a window's client origin (windows have no frame).
  POINT ClientOrigin(const Window& w) {
    if (w.handle == m_desktop) return {0, 0};
    POINT origin{w.rect.left, w.rect.top};
    if (Window* parent = Find(w.parent)) {
      const POINT p = ClientOrigin(*parent);
      origin.x += p.x;
      origin.y += p.y;
    }
    return origin;
  }

  RECT ScreenRect(const Window& w) {
    if (w.handle == m_desktop) return VirtualScreenRect();
    const POINT o = ClientOrigin(w);
    return {o.x, o.y, o.x + Width(w.rect), o.y + Height(w.rect)};
  }

  RECT ClientRect(const Window& w) {
    const RECT r = w.handle == m_desktop ? VirtualScreenRect() : w.rect;
    return {0, 0, Width(r), Height(r)};
  }

  void CollectDescendants(const Window& w, std::vector<HWND>& out) {
    for (HWND child : w.children) {
      out.push_back(child);
      if (Window* c = Find(child)) CollectDescendants(*c, out);
    }
  }

  // Removes a window and whatever is still below it; windows it owned lose their owner.
  // Returns the removed windows with their threads, for purging their queued messages.
  std::vector<std::pair<DWORD, HWND>> Erase(HWND handle) {
    std::vector<std::pair<DWORD, HWND>> removed;
    Window* w = Find(handle);
    if (w == nullptr) return removed;
    std::erase(Siblings(*w), handle);
    std::vector<HWND> tree{handle};
    CollectDescendants(*w, tree);
    for (HWND h : tree) {
      removed.emplace_back(m_windows.at(h)->threadId, h);
      m_windows.erase(h);
    }
    for (auto& [h, other] : m_windows) {
      if (std::find(tree.begin(), tree.end(), other->owner) != tree.end()) other->owner = nullptr;
    }
    return removed;
  }

  std::vector<HWND> WindowsOfThread(DWORD threadId) {
    std::vector<HWND> found;
    for (auto& [h, w] : m_windows) {
      if (w->threadId == threadId && h != m_desktop) found.push_back(h);
    }
    return found;
  }

  std::size_t Count() const { return m_windows.size(); }

 private:
  std::unordered_map<HWND, std::unique_ptr<Window>> m_windows;
  HWND m_desktop = nullptr;
  std::uintptr_t m_next = 0x10000;
};

Registry& Windows() {
  static Registry& registry = *new Registry;
  return registry;
}

// Runs `f` on the window with the registry locked; `failed` (with last error 1400) when the
// handle is not a window.
template <typename R, typename F>
R WithWindow(HWND handle, R failed, F f) {
  Registry& reg = Windows();
  std::lock_guard lock(reg.mutex);
  Window* w = reg.Require(handle);
  return w != nullptr ? f(reg, *w) : failed;
}

// For the calls that fill in a caller's record: 0 with last error 87 for a null `out`, else
// `f(reg, window, *out)` on the window as WithWindow runs it, answering 1.
template <typename T, typename F>
BOOL FillFromWindow(HWND handle, T* out, F f) {
  if (out == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  return WithWindow(handle, BOOL{0}, [&](Registry& reg, Window& w) {
    f(reg, w, *out);
    return BOOL{1};
  });
}

void Purge(const std::vector<std::pair<DWORD, HWND>>& removed) {
  for (const auto& [thread, window] : removed) PurgeWindowMessages(thread, window);
}

// Destroys owned windows first, then sends WM_DESTROY (children still exist while it is
// handled), then destroys the children, then removes the window.
void DestroyTree(HWND handle) {
  Registry& reg = Windows();
  std::vector<HWND> owned;
  {
    std::lock_guard lock(reg.mutex);
    Window* w = reg.Find(handle);
    if (w == nullptr || w->destroying) return;
    w->destroying = true;
    for (HWND top : reg.Desktop().children) {
      if (reg.Find(top)->owner == handle) owned.push_back(top);
    }
  }
  for (HWND o : owned) DestroyTree(o);
  SendMessageA(handle, WM_DESTROY, 0, 0);
  std::vector<HWND> children;
  {
    std::lock_guard lock(reg.mutex);
    if (Window* w = reg.Find(handle)) children = w->children;
  }
  for (HWND c : children) DestroyTree(c);
  std::vector<std::pair<DWORD, HWND>> removed;
  {
    std::lock_guard lock(reg.mutex);
    removed = reg.Erase(handle);
  }
  Purge(removed);
}

// The enumerations: `collect(reg, windows)` takes a snapshot with the registry locked (false
// answers 0 at once); then `callback` runs unlocked for each window that still exists. 0 with
// last error 87 for a null callback, 0 when the callback stopped the walk, else 1.
template <typename Collect>
BOOL EnumerateWindows(WNDENUMPROC callback, LPARAM lParam, Collect collect) {
  if (callback == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::vector<HWND> windows;
  {
    Registry& reg = Windows();
    std::lock_guard lock(reg.mutex);
    if (!collect(reg, windows)) return 0;
  }
  for (HWND h : windows) {
    if (!IsWindow(h)) continue;
    if (!callback(h, lParam)) return 0;
  }
  return 1;
}

bool StoresPointer(int index) {
  return index == GWLP_WNDPROC || index == GWLP_HINSTANCE || index == GWLP_HWNDPARENT;
}

LONG_PTR* WindowWord(Window& w, int index) {
  switch (index) {
    case GWLP_USERDATA:
      return &w.userData;
    case DWLP_USER:
      return &w.dialogUser;
    case GWLP_ID:
      return &w.id;
    default:
      return nullptr;
  }
}

LONG_PTR ReadLong(Window& w, int index) {
  switch (index) {
    case GWL_STYLE:
      return static_cast<LONG>(w.style);
    case GWL_EXSTYLE:
      return static_cast<LONG>(w.exStyle);
    case GWLP_WNDPROC:
      return reinterpret_cast<LONG_PTR>(w.proc);
    case GWLP_HINSTANCE:
      return reinterpret_cast<LONG_PTR>(w.instance);
    case GWLP_HWNDPARENT:
      return reinterpret_cast<LONG_PTR>(w.parent != nullptr ? w.parent : w.owner);
    default:
      break;
  }
  if (LONG_PTR* word = WindowWord(w, index)) return *word;
  SetLastError(ERROR_INVALID_INDEX);
  return 0;
}

// Returns false (last error set) when the value or index is refused.
bool WriteLong(Registry& reg, Window& w, int index, LONG_PTR value) {
  switch (index) {
    case GWL_STYLE:
      w.style = static_cast<DWORD>(value);
      return true;
    case GWL_EXSTYLE:
      w.exStyle = static_cast<DWORD>(value);
      return true;
    case GWLP_WNDPROC:
      w.proc = reinterpret_cast<WNDPROC>(value);
      return true;
    case GWLP_HINSTANCE:
      w.instance = reinterpret_cast<HINSTANCE>(value);
      return true;
    case GWLP_HWNDPARENT: {
      // Changes the owner of a top-level window; an owner chain may not loop.
      if (w.parent != nullptr) break;
      const auto newOwner = reinterpret_cast<HWND>(value);
      if (newOwner == nullptr || newOwner == reg.DesktopHandle()) {
        w.owner = nullptr;
        return true;
      }
      Window* o = reg.Require(newOwner);
      if (o == nullptr) return false;
      Window& root = reg.Root(*o);
      for (Window* p = &root; p != nullptr; p = reg.Find(p->owner)) {
        if (p == &w) {
          SetLastError(ERROR_INVALID_PARAMETER);
          return false;
        }
      }
      w.owner = root.handle;
      return true;
    }
    default:
      if (LONG_PTR* word = WindowWord(w, index)) {
        *word = value;
        return true;
      }
      break;
  }
  SetLastError(ERROR_INVALID_INDEX);
  return false;
}

}  // namespace

void ForgetThreadWindows(DWORD threadId) {
  Registry& reg = Windows();
  std::vector<std::pair<DWORD, HWND>> removed;
  {
    std::lock_guard lock(reg.mutex);
    for (HWND h : reg.WindowsOfThread(threadId)) {
      auto part = reg.Erase(h);  // a window may already be gone with its parent
      removed.insert(removed.end(), part.begin(), part.end());
    }
  }
  Purge(removed);
}

DWORD WindowThread(HWND window) {
  Registry& reg = Windows();
  std::lock_guard lock(reg.mutex);
  Window* w = reg.Find(window);
  return w != nullptr ? w->threadId : 0;
}

std::vector<HWND> WindowAndDescendants(HWND window) {
  Registry& reg = Windows();
  std::lock_guard lock(reg.mutex);
  std::vector<HWND> tree;
  if (Window* w = reg.Find(window)) {
    tree.push_back(window);
    reg.CollectDescendants(*w, tree);
  }
  return tree;
}

std::vector<HWND> TopLevelWindows() {
  Registry& reg = Windows();
  std::lock_guard lock(reg.mutex);
  return reg.Desktop().children;
}

}  // namespace win32::detail

using win32::detail::EnumerateWindows;
using win32::detail::FillFromWindow;
using win32::detail::Registry;
using win32::detail::Window;
using win32::detail::WithWindow;

extern "C" {

// WS_CHILD: `parentOrOwner` is the parent (required) and x, y are in its client coordinates.
// Otherwise it is the owner (its top-level window owns the new one) and x, y are screen
// coordinates. The class name is not used; no creation messages are sent (a procedure can
// only be set afterwards). The new window is the last in z-order among its siblings.
HWND CreateWindowExA(DWORD exStyle, LPCSTR /*className*/, LPCSTR /*windowName*/, DWORD style, int x,
                     int y, int width, int height, HWND parentOrOwner, HMENU menu,
                     HINSTANCE instance, LPVOID /*param*/) {
  const DWORD thread = GetCurrentThreadId();
  Registry& reg = win32::detail::Windows();
  std::lock_guard lock(reg.mutex);
  auto w = std::make_unique<Window>();
  const bool child = (style & WS_CHILD) != 0;
  if (child && parentOrOwner == nullptr) {
    SetLastError(ERROR_TLW_WITH_WSCHILD);
    return nullptr;
  }
  if (parentOrOwner != nullptr && parentOrOwner != reg.DesktopHandle()) {
    Window* relative = reg.Require(parentOrOwner);
    if (relative == nullptr) return nullptr;
    if (child) {
      w->parent = parentOrOwner;
    } else {
      w->owner = reg.Root(*relative).handle;
    }
  }
  w->handle = reg.NewHandle();
  w->threadId = thread;
  w->style = style;
  w->exStyle = exStyle;
  w->rect = {x, y, x + std::max(width, 0), y + std::max(height, 0)};
  w->normalRect = w->rect;
  w->id = reinterpret_cast<LONG_PTR>(menu);
  w->instance = instance;
  const HWND handle = w->handle;
  reg.Add(std::move(w));
  return handle;
}

// Only the owning thread may destroy a window (else 5); the desktop cannot be destroyed.
BOOL DestroyWindow(HWND window) {
  const DWORD thread = GetCurrentThreadId();
  const BOOL allowed = WithWindow(window, BOOL{0}, [&](Registry& reg, Window& w) {
    if (window == reg.DesktopHandle() || w.threadId != thread) {
      SetLastError(ERROR_ACCESS_DENIED);
      return BOOL{0};
    }
    return BOOL{1};
  });
  if (allowed) win32::detail::DestroyTree(window);
  return allowed;
}

BOOL IsWindow(HWND window) {
  Registry& reg = win32::detail::Windows();
  std::lock_guard lock(reg.mutex);
  return reg.Find(window) != nullptr ? 1 : 0;
}

HWND GetParent(HWND window) {
  return WithWindow(window, HWND{},
                    [](Registry& reg, Window& w) { return reg.ParentOrPopupOwner(w); });
}

// GA_PARENT: the parent, the desktop for a top-level window. GA_ROOT: the top-level window.
// GA_ROOTOWNER: from the root on, follows what GetParent answers.
HWND GetAncestor(HWND window, UINT flags) {
  return WithWindow(window, HWND{}, [&](Registry& reg, Window& w) -> HWND {
    if (window == reg.DesktopHandle()) return nullptr;
    switch (flags) {
      case GA_PARENT:
        return w.parent != nullptr ? w.parent : reg.DesktopHandle();
      case GA_ROOT:
        return reg.Root(w).handle;
      case GA_ROOTOWNER: {
        Window* r = &reg.Root(w);
        for (std::size_t guard = reg.Count(); guard > 0; --guard) {
          Window* next = reg.Find(reg.ParentOrPopupOwner(*r));
          if (next == nullptr) break;
          r = next;
        }
        return r->handle;
      }
      default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
  });
}

HWND GetWindow(HWND window, UINT relation) {
  return WithWindow(window, HWND{}, [&](Registry& reg, Window& w) -> HWND {
    if (relation == GW_OWNER) return w.owner;
    if (relation == GW_CHILD) return w.children.empty() ? nullptr : w.children.front();
    if (relation > GW_CHILD) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
    if (window == reg.DesktopHandle()) return nullptr;
    const auto& siblings = reg.Siblings(w);
    const auto it = std::find(siblings.begin(), siblings.end(), window);
    switch (relation) {
      case GW_HWNDFIRST:
        return siblings.front();
      case GW_HWNDLAST:
        return siblings.back();
      case GW_HWNDNEXT:
        return it + 1 != siblings.end() ? *(it + 1) : nullptr;
      default:  // GW_HWNDPREV
        return it != siblings.begin() ? *(it - 1) : nullptr;
    }
  });
}

// The desktop belongs to no thread: 0.
DWORD GetWindowThreadProcessId(HWND window, LPDWORD processId) {
  return WithWindow(window, DWORD{0}, [&](Registry&, Window& w) {
    if (processId != nullptr) *processId = static_cast<DWORD>(getpid());
    return w.threadId;
  });
}

BOOL IsWindowEnabled(HWND window) {
  return WithWindow(window, BOOL{0},
                    [](Registry&, Window& w) { return (w.style & WS_DISABLED) ? 0 : 1; });
}

// Returns non-zero when the window was disabled; WM_ENABLE is sent when the state changes.
BOOL EnableWindow(HWND window, BOOL enable) {
  bool changed = false;
  const BOOL wasDisabled = WithWindow(window, BOOL{0}, [&](Registry&, Window& w) {
    const bool disabled = (w.style & WS_DISABLED) != 0;
    changed = disabled == (enable != 0);
    w.style = enable ? w.style & ~WS_DISABLED : w.style | WS_DISABLED;
    return disabled ? 1 : 0;
  });
  if (changed) SendMessageA(window, WM_ENABLE, enable ? 1 : 0, 0);
  return wasDisabled;
}

// Visible when the window and all of its parents carry WS_VISIBLE.
BOOL IsWindowVisible(HWND window) {
  return WithWindow(window, BOOL{0}, [](Registry& reg, Window& w) {
    for (Window* p = &w; p != nullptr; p = reg.Find(p->parent)) {
      if (!(p->style & WS_VISIBLE)) return 0;
    }
    return 1;
  });
}

// Returns whether the window was visible before. Maximizing fills the parent's client area
// or the work area of the nearest monitor; restoring brings the previous rectangle back.
// A minimized window keeps its rectangle.
BOOL ShowWindow(HWND window, int command) {
  return WithWindow(window, BOOL{0}, [&](Registry& reg, Window& w) {
    const BOOL wasVisible = (w.style & WS_VISIBLE) ? 1 : 0;
    auto restore = [&] {
      if (w.zoomed) w.rect = w.normalRect;
      w.zoomed = false;
      w.style &= ~(WS_MINIMIZE | WS_MAXIMIZE);
    };
    switch (command) {
      case SW_HIDE:
        w.style &= ~WS_VISIBLE;
        return wasVisible;
      case SW_SHOW:
      case SW_SHOWNA:
        break;
      case SW_SHOWNORMAL:
      case SW_SHOWNOACTIVATE:
      case SW_RESTORE:
      case SW_SHOWDEFAULT:
        restore();
        break;
      case SW_SHOWMINIMIZED:
      case SW_MINIMIZE:
      case SW_SHOWMINNOACTIVE:
      case SW_FORCEMINIMIZE:
        w.style = (w.style | WS_MINIMIZE) & ~WS_MAXIMIZE;
        break;
      case SW_SHOWMAXIMIZED: {
        if (!w.zoomed) w.normalRect = w.rect;
        Window* parent = reg.Find(w.parent);
        w.rect = parent != nullptr ? reg.ClientRect(*parent)
                                   : win32::detail::NearestWorkArea(w.normalRect);
        w.zoomed = true;
        w.style = (w.style | WS_MAXIMIZE) & ~WS_MINIMIZE;
        break;
      }
      default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return BOOL{0};
    }
    w.style |= WS_VISIBLE;
    return wasVisible;
  });
}

BOOL IsIconic(HWND window) {
  return WithWindow(window, BOOL{0},
                    [](Registry&, Window& w) { return (w.style & WS_MINIMIZE) ? 1 : 0; });
}

BOOL IsZoomed(HWND window) {
  return WithWindow(window, BOOL{0},
                    [](Registry&, Window& w) { return (w.style & WS_MAXIMIZE) ? 1 : 0; });
}

BOOL GetWindowRect(HWND window, LPRECT rect) {
  return FillFromWindow(window, rect,
                        [](Registry& reg, Window& w, RECT& out) { out = reg.ScreenRect(w); });
}

BOOL GetClientRect(HWND window, LPRECT rect) {
  return FillFromWindow(window, rect,
                        [](Registry& reg, Window& w, RECT& out) { out = reg.ClientRect(w); });
}

// Flags honoured: SWP_NOSIZE, SWP_NOMOVE, SWP_NOZORDER, SWP_SHOWWINDOW, SWP_HIDEWINDOW;
// activation, redrawing and frame flags have nothing to act on. `insertAfter` is HWND_TOP,
// HWND_BOTTOM, HWND_TOPMOST / HWND_NOTOPMOST (both put the window on top: there are no topmost
// bands) or a sibling.
BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int width, int height, UINT flags) {
  return WithWindow(window, BOOL{0}, [&](Registry& reg, Window& w) -> BOOL {
    if (window == reg.DesktopHandle()) {
      SetLastError(ERROR_ACCESS_DENIED);
      return 0;
    }
    if (!(flags & SWP_NOZORDER) && insertAfter != window) {
      auto& siblings = reg.Siblings(w);
      const bool top =
          insertAfter == HWND_TOP || insertAfter == HWND_TOPMOST || insertAfter == HWND_NOTOPMOST;
      if (!top && insertAfter != HWND_BOTTOM) {
        Window* after = reg.Require(insertAfter);
        if (after == nullptr) return 0;
        if (&reg.Siblings(*after) != &siblings) {
          SetLastError(ERROR_INVALID_PARAMETER);
          return 0;
        }
      }
      std::erase(siblings, window);
      if (top) {
        siblings.insert(siblings.begin(), window);
      } else if (insertAfter == HWND_BOTTOM) {
        siblings.push_back(window);
      } else {
        siblings.insert(std::find(siblings.begin(), siblings.end(), insertAfter) + 1, window);
      }
    }
    if (!(flags & SWP_NOMOVE)) {
      w.rect = {x, y, x + win32::detail::Width(w.rect), y + win32::detail::Height(w.rect)};
    }
    if (!(flags & SWP_NOSIZE)) {
      w.rect.right = w.rect.left + std::max(width, 0);
      w.rect.bottom = w.rect.top + std::max(height, 0);
    }
    if (flags & SWP_SHOWWINDOW) w.style |= WS_VISIBLE;
    if (flags & SWP_HIDEWINDOW) w.style &= ~WS_VISIBLE;
    return 1;
  });
}

BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL /*repaint*/) {
  return SetWindowPos(window, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

// Pointer-sized words (GWLP_WNDPROC, GWLP_HINSTANCE, GWLP_HWNDPARENT) are refused with 1413 as
// on a 64-bit original; the other words are cut to 32 bits.
LONG GetWindowLongA(HWND window, int index) {
  return WithWindow(window, LONG{0}, [&](Registry&, Window& w) -> LONG {
    if (win32::detail::StoresPointer(index)) {
      SetLastError(ERROR_INVALID_INDEX);
      return 0;
    }
    return static_cast<LONG>(win32::detail::ReadLong(w, index));
  });
}

LONG SetWindowLongA(HWND window, int index, LONG value) {
  return WithWindow(window, LONG{0}, [&](Registry& reg, Window& w) -> LONG {
    if (win32::detail::StoresPointer(index)) {
      SetLastError(ERROR_INVALID_INDEX);
      return 0;
    }
    const LONG previous = static_cast<LONG>(win32::detail::ReadLong(w, index));
    return win32::detail::WriteLong(reg, w, index, value) ? previous : 0;
  });
}

// Indices: GWL_STYLE, GWL_EXSTYLE, GWLP_WNDPROC, GWLP_HINSTANCE, GWLP_HWNDPARENT (the parent or
// owner; setting it changes a top-level window's owner), GWLP_ID, GWLP_USERDATA, DWLP_USER.
// Others: 0 and 1413.
LONG_PTR GetWindowLongPtrA(HWND window, int index) {
  return WithWindow(window, LONG_PTR{0},
                    [&](Registry&, Window& w) { return win32::detail::ReadLong(w, index); });
}

LONG_PTR SetWindowLongPtrA(HWND window, int index, LONG_PTR value) {
  return WithWindow(window, LONG_PTR{0}, [&](Registry& reg, Window& w) -> LONG_PTR {
    const LONG_PTR previous = win32::detail::ReadLong(w, index);
    return win32::detail::WriteLong(reg, w, index, value) ? previous : 0;
  });
}

// The thread's top-level windows in z-order. Returns 0 when the callback stopped the walk or
// the thread has no window, as the original does.
BOOL EnumThreadWindows(DWORD threadId, WNDENUMPROC callback, LPARAM lParam) {
  return EnumerateWindows(callback, lParam, [threadId](Registry& reg, std::vector<HWND>& out) {
    for (HWND h : reg.Desktop().children) {
      if (reg.Find(h)->threadId == threadId) out.push_back(h);
    }
    return !out.empty();
  });
}

// All descendants, depth first in z-order; a null parent walks the top-level windows only.
BOOL EnumChildWindows(HWND parent, WNDENUMPROC callback, LPARAM lParam) {
  return EnumerateWindows(callback, lParam, [parent](Registry& reg, std::vector<HWND>& out) {
    if (parent == nullptr) {
      out = reg.Desktop().children;
      return true;
    }
    Window* w = reg.Require(parent);
    if (w != nullptr) reg.CollectDescendants(*w, out);
    return w != nullptr;
  });
}

BOOL ClientToScreen(HWND window, LPPOINT point) {
  return FillFromWindow(window, point, [](Registry& reg, Window& w, POINT& p) {
    const POINT o = reg.ClientOrigin(w);
    p.x += o.x;
    p.y += o.y;
  });
}

BOOL ScreenToClient(HWND window, LPPOINT point) {
  return FillFromWindow(window, point, [](Registry& reg, Window& w, POINT& p) {
    const POINT o = reg.ClientOrigin(w);
    p.x -= o.x;
    p.y -= o.y;
  });
}

// A null window stands for the screen. Returns the offset added, x in the low word and y in
// the high word, or 0 with 1400 for a handle that is not a window.
int MapWindowPoints(HWND from, HWND to, LPPOINT points, UINT count) {
  if (points == nullptr && count != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  Registry& reg = win32::detail::Windows();
  POINT delta{0, 0};
  {
    std::lock_guard lock(reg.mutex);
    Window* source = from != nullptr ? reg.Require(from) : &reg.Desktop();
    Window* target = to != nullptr ? reg.Require(to) : &reg.Desktop();
    if (source == nullptr || target == nullptr) return 0;
    const POINT a = reg.ClientOrigin(*source);
    const POINT b = reg.ClientOrigin(*target);
    delta = {a.x - b.x, a.y - b.y};
  }
  for (UINT i = 0; i < count; ++i) {
    points[i].x += delta.x;
    points[i].y += delta.y;
  }
  const auto low = static_cast<std::uint32_t>(static_cast<std::uint16_t>(delta.x));
  const auto high = static_cast<std::uint32_t>(static_cast<std::uint16_t>(delta.y));
  return static_cast<int>(high << 16 | low);
}

// Covers the virtual screen; its client coordinates are screen coordinates.
HWND GetDesktopWindow() { return win32::detail::Windows().DesktopHandle(); }

}  // extern "C"
