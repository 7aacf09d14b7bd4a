#include <functional>
#include <thread>
#include <vector>

#include "gtest/gtest.h"
#include "win32/win32.h"

namespace {

using Rect = std::vector<LONG>;
using Messages = std::vector<std::pair<HWND, UINT>>;
Messages g_seen;  // what the recording procedure was sent, in order

LRESULT RecordingProc(HWND h, UINT m, WPARAM, LPARAM) {
  g_seen.emplace_back(h, m);
  return 0;
}

HWND Create(DWORD style, HWND parentOrOwner, RECT r = {0, 0, 100, 50}, bool record = false) {
  HWND h = CreateWindowExA(0, "test", "", style, r.left, r.top, r.right - r.left, r.bottom - r.top,
                           parentOrOwner, nullptr, nullptr, nullptr);
  EXPECT_NE(h, nullptr);
  if (record) SetWindowLongPtrA(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RecordingProc));
  return h;
}

Rect WindowRect(HWND h) {
  RECT r{};
  GetWindowRect(h, &r);
  return {r.left, r.top, r.right, r.bottom};
}

// Runs EnumThreadWindows on this thread with `visit` as the callback.
BOOL EachThreadWindow(const std::function<BOOL(HWND)>& visit) {
  return EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND h, LPARAM p) { return (*reinterpret_cast<decltype(&visit)>(p))(h); },
      reinterpret_cast<LPARAM>(&visit));
}

std::vector<HWND> ThreadWindows() {
  std::vector<HWND> found;
  EachThreadWindow([&found](HWND h) {
    found.push_back(h);
    return BOOL{1};
  });
  return found;
}

TEST(Windows, RelationsOfChildrenOwnedAndPopupWindows) {
  HWND main = Create(WS_OVERLAPPED | WS_VISIBLE, nullptr);
  HWND child = Create(WS_CHILD, main);
  HWND grandChild = Create(WS_CHILD, child);
  HWND popup = Create(WS_POPUP, grandChild);  // owned by the top-level window of grandChild
  HWND owned = Create(WS_OVERLAPPED, main);

  EXPECT_EQ(GetParent(child), main);
  EXPECT_EQ(GetParent(popup), main);
  EXPECT_EQ(GetParent(owned), nullptr);  // only popups answer their owner
  EXPECT_EQ(GetWindow(popup, GW_OWNER), main);
  EXPECT_EQ(GetWindow(owned, GW_OWNER), main);
  EXPECT_EQ(GetWindow(child, GW_OWNER), nullptr);
  EXPECT_EQ(GetAncestor(grandChild, GA_PARENT), child);
  EXPECT_EQ(GetAncestor(main, GA_PARENT), GetDesktopWindow());
  EXPECT_EQ(GetAncestor(grandChild, GA_ROOT), main);
  EXPECT_EQ(GetAncestor(popup, GA_ROOTOWNER), main);
  EXPECT_EQ(GetAncestor(owned, GA_ROOTOWNER), owned);
  EXPECT_EQ(GetWindow(main, GW_CHILD), child);
  DWORD pid = 0;
  EXPECT_EQ(GetWindowThreadProcessId(grandChild, &pid), GetCurrentThreadId());
  EXPECT_EQ(pid, GetCurrentProcessId());
  EXPECT_EQ(ThreadWindows(), (std::vector<HWND>{main, popup, owned}));

  ASSERT_TRUE(DestroyWindow(main));
  for (HWND h : {main, child, grandChild, popup, owned}) EXPECT_FALSE(IsWindow(h));
  EXPECT_TRUE(ThreadWindows().empty());
}

TEST(Windows, DestroyOrderOwnershipAndStaleHandles) {
  HWND main = Create(WS_OVERLAPPED, nullptr, {0, 0, 1, 1}, true);
  HWND child = Create(WS_CHILD, main, {0, 0, 1, 1}, true);
  HWND owned = Create(WS_POPUP, main, {0, 0, 1, 1}, true);
  DWORD error = 0;
  std::thread([&] { error = DestroyWindow(main) ? 0 : GetLastError(); }).join();
  EXPECT_EQ(ERROR_ACCESS_DENIED, error) << "only the owning thread destroys";
  g_seen.clear();
  ASSERT_TRUE(DestroyWindow(main));
  // Owned windows go first; the window hears WM_DESTROY while its children still exist.
  EXPECT_EQ(g_seen, (Messages{{owned, WM_DESTROY}, {main, WM_DESTROY}, {child, WM_DESTROY}}));
  SetLastError(0);
  EXPECT_FALSE(DestroyWindow(main));
  EXPECT_EQ(ERROR_INVALID_WINDOW_HANDLE, GetLastError());
  HWND fresh = Create(WS_OVERLAPPED, nullptr);
  EXPECT_TRUE(fresh != main && fresh != child && fresh != owned);  // handles are not reused
  DestroyWindow(fresh);
  EXPECT_FALSE(DestroyWindow(GetDesktopWindow()));
}

TEST(Windows, ShowStatesAndRectangles) {
  HWND main = Create(WS_OVERLAPPED, nullptr, {100, 200, 500, 600});
  HWND child = Create(WS_CHILD | WS_VISIBLE, main, {10, 20, 110, 70});
  HWND inner = Create(WS_CHILD, child, {1, 2, 11, 12});
  EXPECT_FALSE(IsWindowVisible(child));  // its parent is hidden
  EXPECT_FALSE(ShowWindow(main, SW_SHOW));
  EXPECT_TRUE(IsWindowVisible(child));
  EXPECT_TRUE(ShowWindow(main, SW_MINIMIZE));
  EXPECT_TRUE(IsIconic(main) && IsWindowVisible(main));
  ShowWindow(main, SW_MAXIMIZE);
  ShowWindow(main, SW_RESTORE);
  EXPECT_TRUE(WindowRect(main) == (Rect{100, 200, 500, 600}) && !IsZoomed(main) && !IsIconic(main));
  EXPECT_TRUE(ShowWindow(main, SW_HIDE) && !IsWindowVisible(main));

  EXPECT_EQ(WindowRect(inner), (Rect{111, 222, 121, 232}));
  RECT r;
  ASSERT_TRUE(GetClientRect(child, &r));
  EXPECT_EQ((Rect{r.left, r.top, r.right, r.bottom}), (Rect{0, 0, 100, 50}));
  POINT p[2] = {{5, 5}, {-1, 0}};
  EXPECT_EQ(MapWindowPoints(inner, child, p, 2), (2 << 16) | 1) << "the offset, y high";
  EXPECT_EQ((Rect{p[0].x, p[0].y, p[1].x, p[1].y}), (Rect{6, 7, 0, 2}));
  ClientToScreen(child, &p[0]);
  ScreenToClient(inner, &p[1]);
  EXPECT_EQ((Rect{p[0].x, p[0].y, p[1].x, p[1].y}), (Rect{116, 227, -111, -220}));
  ASSERT_TRUE(SetWindowPos(child, nullptr, 30, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER));
  EXPECT_EQ(WindowRect(child), (Rect{130, 240, 230, 290}));
  ASSERT_TRUE(MoveWindow(main, 0, 0, -5, 10, 1));  // a negative size is taken as zero
  EXPECT_EQ(WindowRect(main), (Rect{0, 0, 0, 10}));
  SetWindowPos(main, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
  EXPECT_TRUE(IsWindowVisible(main));
  DestroyWindow(main);
}

TEST(Windows, WindowWords) {
  HWND main = Create(WS_OVERLAPPED, nullptr);
  HWND child = CreateWindowExA(0x20, "x", "", WS_CHILD, 0, 0, 1, 1, main,
                               reinterpret_cast<HMENU>(std::intptr_t{77}), nullptr, nullptr);
  EXPECT_EQ(GetWindowLongPtrA(child, GWLP_ID), 77);
  for (int index : {GWLP_USERDATA, DWLP_USER, GWLP_ID}) {
    const LONG_PTR before = GetWindowLongPtrA(child, index);
    EXPECT_EQ(before, SetWindowLongPtrA(child, index, LONG_PTR{1} << 40)) << "at " << index;
    EXPECT_EQ(LONG_PTR{1} << 40, GetWindowLongPtrA(child, index)) << "at " << index;
    EXPECT_EQ(0, SetWindowLongA(child, index, -7)) << "cut to 32 bits at " << index;
    EXPECT_EQ(-7, GetWindowLongA(child, index)) << "at " << index;
  }
  EXPECT_EQ(0x20, GetWindowLongA(child, GWL_EXSTYLE));
  for (int index : {4, GWLP_WNDPROC}) {  // unknown; a pointer through 32 bits
    SetLastError(0);
    EXPECT_TRUE(!GetWindowLongA(child, index) && GetLastError() == ERROR_INVALID_INDEX) << index;
  }
  DestroyWindow(main);
}

TEST(Windows, ModalWalkDisablesTheOtherTopLevelWindows) {
  HWND main = Create(WS_OVERLAPPED, nullptr);
  HWND p1 = Create(WS_POPUP, main, {0, 0, 1, 1}, true);
  HWND p2 = Create(WS_POPUP, main), p3 = Create(WS_POPUP, main);
  g_seen.clear();
  std::vector<HWND> seen;
  EXPECT_TRUE(EachThreadWindow([&](HWND h) {
    seen.push_back(h);
    if (h == p1) DestroyWindow(p2);  // the walk skips it from now on
    if (GetParent(h) != nullptr) EnableWindow(h, 0);
    return BOOL{1};
  }));
  EXPECT_EQ(seen, (std::vector<HWND>{main, p1, p3}));
  EXPECT_TRUE(!IsWindowEnabled(p1) && !IsWindowEnabled(p3) && IsWindowEnabled(main));
  EXPECT_TRUE(GetWindowLongA(p1, GWL_STYLE) & static_cast<LONG>(WS_DISABLED));
  // EnableWindow answers whether the window was disabled; only a change sends WM_ENABLE.
  EXPECT_TRUE(EnableWindow(p1, 0) && EnableWindow(p1, 1) && !EnableWindow(p1, 1));
  EXPECT_EQ(g_seen, (Messages{{p1, WM_ENABLE}, {p1, WM_ENABLE}}));
  int visits = 0;
  EXPECT_FALSE(EachThreadWindow([&](HWND) {
    ++visits;
    return BOOL{0};
  }));
  EXPECT_EQ(1, visits) << "a callback answering 0 stops the walk";
  DestroyWindow(main);
  EXPECT_FALSE(EachThreadWindow([](HWND) { return BOOL{1}; }));
}

TEST(Windows, InvalidHandlesAnswerZeroWith1400) {
  const HWND bogus = reinterpret_cast<HWND>(std::uintptr_t{0x12345});
  RECT r;
  const std::pair<const char*, std::function<bool()>> calls[] = {
      {"GetParent", [&] { return GetParent(bogus) == nullptr; }},
      {"EnableWindow", [&] { return !EnableWindow(bogus, 1); }},
      {"GetWindowRect", [&] { return !GetWindowRect(bogus, &r); }},
      {"SetWindowPos", [&] { return !SetWindowPos(bogus, nullptr, 0, 0, 1, 1, 0); }},
      {"CreateWindowExA child",
       [&] { return !CreateWindowExA(0, "", "", WS_CHILD, 0, 0, 1, 1, bogus, 0, 0, 0); }},
  };
  for (const auto& [name, call] : calls) {
    SetLastError(0);
    EXPECT_TRUE(call()) << name;
    EXPECT_EQ(ERROR_INVALID_WINDOW_HANDLE, GetLastError()) << name;
  }
  EXPECT_FALSE(IsWindow(nullptr));
  EXPECT_FALSE(CreateWindowExA(0, "", "", WS_CHILD, 0, 0, 1, 1, nullptr, 0, 0, 0)) << "no parent";
}

}  // namespace
