#include <algorithm>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "gtest/gtest.h"
#include "win32/win32.h"

namespace {

HWND Create(DWORD style, HWND parentOrOwner, RECT r = {0, 0, 100, 50}) {
  HWND h = CreateWindowExA(0, "test", "", style, r.left, r.top, r.right - r.left, r.bottom - r.top,
                           parentOrOwner, nullptr, nullptr, nullptr);
  EXPECT_NE(h, nullptr);
  return h;
}

// Records the messages the test procedure sees, in order.
std::vector<std::pair<HWND, UINT>> g_seen;
LRESULT CALLBACK_Record(HWND h, UINT m, WPARAM, LPARAM) {
  g_seen.emplace_back(h, m);
  return 0;
}

void Record(HWND h) {
  SetWindowLongPtrA(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CALLBACK_Record));
}

std::vector<HWND> ThreadWindows(DWORD thread) {
  std::vector<HWND> found;
  EnumThreadWindows(
      thread,
      [](HWND h, LPARAM p) {
        reinterpret_cast<std::vector<HWND>*>(p)->push_back(h);
        return BOOL{1};
      },
      reinterpret_cast<LPARAM>(&found));
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
  EXPECT_EQ(GetParent(main), nullptr);
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
  EXPECT_EQ(ThreadWindows(GetCurrentThreadId()), (std::vector<HWND>{main, popup, owned}));

  ASSERT_TRUE(DestroyWindow(main));
  for (HWND h : {main, child, grandChild, popup, owned}) EXPECT_FALSE(IsWindow(h));
  EXPECT_TRUE(ThreadWindows(GetCurrentThreadId()).empty());
}

TEST(Windows, DestroyOrderAndStaleHandles) {
  HWND main = Create(WS_OVERLAPPED, nullptr);
  HWND child = Create(WS_CHILD, main);
  HWND owned = Create(WS_POPUP, main);
  for (HWND h : {main, child, owned}) Record(h);
  g_seen.clear();
  ASSERT_TRUE(DestroyWindow(main));
  // Owned windows go first; the window hears WM_DESTROY while its children still exist.
  EXPECT_EQ(g_seen, (std::vector<std::pair<HWND, UINT>>{
                        {owned, WM_DESTROY}, {main, WM_DESTROY}, {child, WM_DESTROY}}));

  SetLastError(0);
  EXPECT_FALSE(DestroyWindow(main));
  EXPECT_EQ(ERROR_INVALID_WINDOW_HANDLE, GetLastError());
  RECT r;
  EXPECT_FALSE(GetWindowRect(child, &r));
  EXPECT_EQ(0, SetWindowLongPtrA(child, GWLP_USERDATA, 5));
  HWND fresh = Create(WS_OVERLAPPED, nullptr);
  EXPECT_TRUE(fresh != main && fresh != child && fresh != owned);  // handles are not reused
  DestroyWindow(fresh);
  EXPECT_FALSE(DestroyWindow(GetDesktopWindow()));
}

TEST(Windows, OnlyTheOwningThreadDestroys) {
  HWND main = Create(WS_OVERLAPPED, nullptr);
  BOOL destroyed = 1;
  DWORD error = 0;
  std::thread([&] {
    destroyed = DestroyWindow(main);
    error = GetLastError();
  }).join();
  EXPECT_FALSE(destroyed);
  EXPECT_EQ(ERROR_ACCESS_DENIED, error);
  EXPECT_TRUE(DestroyWindow(main));
}

TEST(Windows, WindowsOfAnEndedThreadAreGone) {
  HWND left = nullptr;
  DWORD thread = 0;
  std::thread([&] {
    left = Create(WS_OVERLAPPED, nullptr);
    thread = GetCurrentThreadId();
  }).join();
  EXPECT_NE(thread, GetCurrentThreadId());
  EXPECT_FALSE(IsWindow(left));
  EXPECT_TRUE(ThreadWindows(thread).empty());
}

TEST(Windows, EnablingSendsWmEnableOnChangeOnly) {
  HWND main = Create(WS_OVERLAPPED | WS_DISABLED, nullptr);
  Record(main);
  g_seen.clear();
  EXPECT_FALSE(IsWindowEnabled(main));
  EXPECT_TRUE(EnableWindow(main, 1));  // it was disabled
  EXPECT_TRUE(IsWindowEnabled(main));
  EXPECT_FALSE(EnableWindow(main, 1));
  EXPECT_FALSE(EnableWindow(main, 0));
  EXPECT_TRUE(EnableWindow(main, 0));
  EXPECT_EQ(g_seen, (std::vector<std::pair<HWND, UINT>>{{main, WM_ENABLE}, {main, WM_ENABLE}}));
  EXPECT_TRUE(GetWindowLongA(main, GWL_STYLE) & static_cast<LONG>(WS_DISABLED));
  DestroyWindow(main);
}

TEST(Windows, VisibilityAndShowStates) {
  HWND main = Create(WS_OVERLAPPED, nullptr, {100, 100, 500, 400});
  HWND child = Create(WS_CHILD | WS_VISIBLE, main, {10, 10, 60, 60});
  EXPECT_FALSE(IsWindowVisible(child));  // its parent is hidden
  EXPECT_FALSE(ShowWindow(main, SW_SHOW));
  EXPECT_TRUE(IsWindowVisible(child));
  EXPECT_TRUE(ShowWindow(main, SW_MINIMIZE));
  EXPECT_TRUE(IsIconic(main));
  EXPECT_TRUE(IsWindowVisible(main));

  ShowWindow(main, SW_MAXIMIZE);
  EXPECT_TRUE(IsZoomed(main));
  EXPECT_FALSE(IsIconic(main));
  RECT r;
  GetWindowRect(main, &r);
  const RECT work = win32::GetMonitors().front().work;
  EXPECT_EQ(std::vector<LONG>({r.left, r.top, r.right, r.bottom}),
            std::vector<LONG>({work.left, work.top, work.right, work.bottom}));
  ShowWindow(main, SW_RESTORE);
  GetWindowRect(main, &r);
  EXPECT_EQ(std::vector<LONG>({r.left, r.top, r.right, r.bottom}),
            std::vector<LONG>({100, 100, 500, 400}));
  EXPECT_FALSE(IsZoomed(main));
  EXPECT_TRUE(ShowWindow(main, SW_HIDE));
  EXPECT_FALSE(IsWindowVisible(main));
  SetLastError(0);
  EXPECT_FALSE(ShowWindow(main, 99));
  EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
  DestroyWindow(main);
}

TEST(Windows, RectanglesAndCoordinates) {
  HWND main = Create(WS_OVERLAPPED, nullptr, {100, 200, 500, 600});
  HWND child = Create(WS_CHILD, main, {10, 20, 110, 70});
  HWND inner = Create(WS_CHILD, child, {1, 2, 11, 12});
  RECT r;
  ASSERT_TRUE(GetWindowRect(inner, &r));
  EXPECT_EQ(std::vector<LONG>({r.left, r.top, r.right, r.bottom}),
            std::vector<LONG>({111, 222, 121, 232}));
  ASSERT_TRUE(GetClientRect(child, &r));
  EXPECT_EQ(std::vector<LONG>({r.left, r.top, r.right, r.bottom}),
            std::vector<LONG>({0, 0, 100, 50}));

  POINT p{5, 5};
  ClientToScreen(child, &p);
  EXPECT_EQ(std::make_pair(p.x, p.y), std::make_pair(LONG{115}, LONG{225}));
  ScreenToClient(inner, &p);
  EXPECT_EQ(std::make_pair(p.x, p.y), std::make_pair(LONG{4}, LONG{3}));
  POINT pts[2] = {{0, 0}, {1, 1}};
  const int offset = MapWindowPoints(child, nullptr, pts, 2);
  EXPECT_EQ(offset, (220 << 16) | 110);
  EXPECT_EQ(std::make_pair(pts[1].x, pts[1].y), std::make_pair(LONG{111}, LONG{221}));
  MapWindowPoints(nullptr, inner, pts, 1);
  EXPECT_EQ(std::make_pair(pts[0].x, pts[0].y), std::make_pair(LONG{-1}, LONG{-2}));

  ASSERT_TRUE(SetWindowPos(child, nullptr, 30, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER));
  GetWindowRect(child, &r);
  EXPECT_EQ(std::vector<LONG>({r.left, r.top, r.right, r.bottom}),
            std::vector<LONG>({130, 240, 230, 290}));
  ASSERT_TRUE(MoveWindow(main, 0, 0, -5, 10, 1));  // a negative size is taken as zero
  GetWindowRect(main, &r);
  EXPECT_EQ(std::vector<LONG>({r.left, r.top, r.right, r.bottom}),
            std::vector<LONG>({0, 0, 0, 10}));
  SetWindowPos(main, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
  EXPECT_TRUE(IsWindowVisible(main));

  GetWindowRect(GetDesktopWindow(), &r);
  EXPECT_EQ(std::vector<LONG>({r.left, r.top, r.right, r.bottom}),
            std::vector<LONG>({0, 0, 1920, 1080}));
  DestroyWindow(main);
}

TEST(Windows, ZOrderFollowsCreationUntilMoved) {
  HWND main = Create(WS_OVERLAPPED, nullptr);
  HWND a = Create(WS_CHILD, main);
  HWND b = Create(WS_CHILD, main);
  HWND c = Create(WS_CHILD, main);
  auto order = [&] {
    std::vector<HWND> v;
    for (HWND h = GetWindow(main, GW_CHILD); h != nullptr; h = GetWindow(h, GW_HWNDNEXT)) {
      v.push_back(h);
    }
    return v;
  };
  EXPECT_EQ(order(), (std::vector<HWND>{a, b, c}));
  SetWindowPos(c, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(order(), (std::vector<HWND>{c, a, b}));
  SetWindowPos(c, a, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(order(), (std::vector<HWND>{a, c, b}));
  SetWindowPos(a, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(order(), (std::vector<HWND>{c, b, a}));
  SetWindowPos(a, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
  EXPECT_EQ(order(), (std::vector<HWND>{c, b, a}));
  EXPECT_EQ(GetWindow(b, GW_HWNDFIRST), c);
  EXPECT_EQ(GetWindow(b, GW_HWNDLAST), a);
  EXPECT_EQ(GetWindow(b, GW_HWNDPREV), c);
  EXPECT_FALSE(SetWindowPos(c, main, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE));  // not a sibling
  DestroyWindow(main);
}

TEST(Windows, WindowWords) {
  HWND main = Create(WS_OVERLAPPED, nullptr);
  HWND child = CreateWindowExA(0x20, "x", "", WS_CHILD, 0, 0, 1, 1, main,
                               reinterpret_cast<HMENU>(std::intptr_t{77}), nullptr, nullptr);
  struct Case {
    const char* label;
    int index;
  } words[] = {{"user data", GWLP_USERDATA}, {"dialog user", DWLP_USER}, {"id", GWLP_ID}};
  for (const auto& w : words) {
    const LONG_PTR before = GetWindowLongPtrA(child, w.index);
    EXPECT_EQ(before, SetWindowLongPtrA(child, w.index, LONG_PTR{1} << 40)) << w.label;
    EXPECT_EQ(LONG_PTR{1} << 40, GetWindowLongPtrA(child, w.index)) << w.label;
    EXPECT_EQ(0, SetWindowLongA(child, w.index, -7)) << w.label;  // cut to 32 bits
    EXPECT_EQ(-7, GetWindowLongA(child, w.index)) << w.label;
  }
  EXPECT_EQ(0x20, GetWindowLongA(child, GWL_EXSTYLE));
  EXPECT_EQ(reinterpret_cast<LONG_PTR>(main), GetWindowLongPtrA(child, GWLP_HWNDPARENT));
  struct Refused {
    const char* label;
    int index;
  } refused[] = {{"unknown", 4}, {"pointer through 32 bits", GWLP_WNDPROC}};
  for (const auto& r : refused) {
    SetLastError(0);
    EXPECT_EQ(0, GetWindowLongA(child, r.index)) << r.label;
    EXPECT_EQ(ERROR_INVALID_INDEX, GetLastError()) << r.label;
  }

  // GWLP_HWNDPARENT re-owns a top-level window, but never into a loop.
  HWND other = Create(WS_POPUP, nullptr);
  SetWindowLongPtrA(other, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(child));
  EXPECT_EQ(GetWindow(other, GW_OWNER), main);
  SetLastError(0);
  SetWindowLongPtrA(main, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(other));
  EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
  EXPECT_EQ(GetWindow(main, GW_OWNER), nullptr);
  DestroyWindow(main);
  EXPECT_FALSE(IsWindow(other));  // destroyed with its owner
}

TEST(Windows, EnumerationCallbacksMayChangeTheRegistry) {
  HWND main = Create(WS_OVERLAPPED, nullptr);
  HWND a = Create(WS_CHILD, main);
  HWND a1 = Create(WS_CHILD, a);
  HWND b = Create(WS_CHILD, main);
  std::vector<HWND> seen;
  struct Context {
    std::vector<HWND>* seen;
    HWND destroyOnVisit;
    HWND toDestroy;
  } context{&seen, a, b};
  EXPECT_TRUE(EnumChildWindows(
      main,
      [](HWND h, LPARAM p) {
        auto* c = reinterpret_cast<Context*>(p);
        c->seen->push_back(h);
        if (h == c->destroyOnVisit) DestroyWindow(c->toDestroy);  // b is skipped from now on
        return BOOL{1};
      },
      reinterpret_cast<LPARAM>(&context)));
  EXPECT_EQ(seen, (std::vector<HWND>{a, a1}));

  // The modal bracket's walk: disable every other top-level window from inside the callback.
  HWND p1 = Create(WS_POPUP, main);
  HWND p2 = Create(WS_POPUP, main);
  EXPECT_TRUE(EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND h, LPARAM) {
        if (GetParent(h) != nullptr) EnableWindow(h, 0);
        return BOOL{1};
      },
      0));
  EXPECT_FALSE(IsWindowEnabled(p1));
  EXPECT_FALSE(IsWindowEnabled(p2));
  EXPECT_TRUE(IsWindowEnabled(main));
  int visits = 0;
  EXPECT_FALSE(EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND, LPARAM p) {
        ++*reinterpret_cast<int*>(p);
        return BOOL{0};
      },
      reinterpret_cast<LPARAM>(&visits)));
  EXPECT_EQ(1, visits);
  DestroyWindow(main);
  EXPECT_FALSE(EnumThreadWindows(
      GetCurrentThreadId(), [](HWND, LPARAM) { return BOOL{1}; }, 0));
}

TEST(Windows, InvalidHandlesAnswerZeroWith1400) {
  const HWND bogus = reinterpret_cast<HWND>(std::uintptr_t{0x12345});
  RECT r;
  POINT p{};
  struct Case {
    const char* label;
    std::function<bool()> call;
  } cases[] = {
      {"GetParent", [&] { return GetParent(bogus) == nullptr; }},
      {"IsWindowEnabled", [&] { return !IsWindowEnabled(bogus); }},
      {"EnableWindow", [&] { return !EnableWindow(bogus, 1); }},
      {"GetClientRect", [&] { return !GetClientRect(bogus, &r); }},
      {"ClientToScreen", [&] { return !ClientToScreen(bogus, &p); }},
      {"GetWindowLongPtrA", [&] { return GetWindowLongPtrA(bogus, GWL_STYLE) == 0; }},
      {"SetWindowPos", [&] { return !SetWindowPos(bogus, nullptr, 0, 0, 1, 1, 0); }},
      {"CreateWindowExA child",
       [&] {
         return CreateWindowExA(0, "", "", WS_CHILD, 0, 0, 1, 1, bogus, nullptr, nullptr,
                                nullptr) == nullptr;
       }},
  };
  for (const auto& c : cases) {
    SetLastError(0);
    EXPECT_TRUE(c.call()) << c.label;
    EXPECT_EQ(ERROR_INVALID_WINDOW_HANDLE, GetLastError()) << c.label;
  }
  EXPECT_FALSE(IsWindow(nullptr));
  EXPECT_EQ(nullptr,
            CreateWindowExA(0, "", "", WS_CHILD, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr));
}

}  // namespace
