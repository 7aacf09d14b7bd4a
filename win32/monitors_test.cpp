#include <vector>

#include "gtest/gtest.h"
#include "win32/win32.h"

namespace {

std::vector<LONG> V(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

// Two side-by-side monitors for the duration of a test; the default list comes back after.
class TwoMonitors : public ::testing::Test {
 protected:
  void SetUp() override {
    win32::SetMonitors({{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}},
                        {{1920, -200, 3200, 824}, {1920, -200, 3200, 824}}});
  }
  void TearDown() override { win32::SetMonitors({}); }

  MONITORINFO Info(HMONITOR m) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    EXPECT_TRUE(GetMonitorInfoA(m, &info));
    return info;
  }
};

TEST(Monitors, DefaultIsOneFullHdMonitorWithTaskBar) {
  const auto monitors = win32::GetMonitors();
  ASSERT_EQ(monitors.size(), 1u);
  EXPECT_EQ(V(monitors[0].rect), (std::vector<LONG>{0, 0, 1920, 1080}));
  EXPECT_EQ(V(monitors[0].work), (std::vector<LONG>{0, 0, 1920, 1040}));
  RECT work;
  ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0));
  EXPECT_EQ(V(work), V(monitors[0].work));
  EXPECT_EQ(1920, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(1080, GetSystemMetrics(SM_CYSCREEN));
  EXPECT_EQ(1, GetSystemMetrics(SM_CMONITORS));
}

TEST_F(TwoMonitors, LookupsPickByOverlapThenByFlags) {
  HMONITOR primary = MonitorFromPoint({0, 0}, MONITOR_DEFAULTTONULL);
  HMONITOR second = MonitorFromPoint({1920, 0}, MONITOR_DEFAULTTONULL);
  ASSERT_NE(primary, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_NE(primary, second);
  EXPECT_EQ(primary, MonitorFromPoint({0, 0}, MONITOR_DEFAULTTONULL));  // stable handles

  struct Case {
    const char* label;
    RECT rect;
    DWORD flags;
    HMONITOR expected;
  } cases[] = {
      {"mostly on the second", {1800, 0, 2100, 100}, MONITOR_DEFAULTTONULL, second},
      {"mostly on the primary", {1700, 0, 1950, 100}, MONITOR_DEFAULTTONULL, primary},
      {"off screen, null", {5000, 0, 5100, 10}, MONITOR_DEFAULTTONULL, nullptr},
      {"off screen, primary", {5000, 0, 5100, 10}, MONITOR_DEFAULTTOPRIMARY, primary},
      {"off screen right, nearest", {5000, 0, 5100, 10}, MONITOR_DEFAULTTONEAREST, second},
      {"below the second, nearest", {1950, 1000, 2000, 1050}, MONITOR_DEFAULTTONEAREST, primary},
      {"just below the second", {2000, 900, 2100, 950}, MONITOR_DEFAULTTONEAREST, second},
      {"above the primary, nearest", {1000, -100, 1010, -90}, MONITOR_DEFAULTTONEAREST, primary},
      {"empty rect is its corner", {1920, 10, 1920, 10}, MONITOR_DEFAULTTONULL, second},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MonitorFromRect(&c.rect, c.flags), c.expected) << c.label;
  }
  EXPECT_EQ(MonitorFromPoint({3200, 0}, MONITOR_DEFAULTTONULL), nullptr);  // right edge excluded

  EXPECT_EQ(Info(primary).dwFlags, MONITORINFOF_PRIMARY);
  EXPECT_EQ(Info(second).dwFlags, 0u);
  EXPECT_EQ(V(Info(second).rcWork), (std::vector<LONG>{1920, -200, 3200, 824}));
  MONITORINFOEXA extended{};
  extended.cbSize = sizeof extended;
  ASSERT_TRUE(GetMonitorInfoA(second, &extended));
  EXPECT_STREQ(extended.szDevice, "\\\\.\\DISPLAY2");

  EXPECT_EQ(2, GetSystemMetrics(SM_CMONITORS));
  EXPECT_EQ(-200, GetSystemMetrics(SM_YVIRTUALSCREEN));
  EXPECT_EQ(3200, GetSystemMetrics(SM_CXVIRTUALSCREEN));
  EXPECT_EQ(1280, GetSystemMetrics(SM_CYVIRTUALSCREEN));
}

TEST_F(TwoMonitors, WindowsFindTheirMonitor) {
  HWND w = CreateWindowExA(0, "", "", 0, 2000, 0, 300, 200, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(MonitorFromWindow(w, MONITOR_DEFAULTTONULL), MonitorFromPoint({2000, 0}, 0));
  EXPECT_EQ(MonitorFromWindow(nullptr, MONITOR_DEFAULTTOPRIMARY), MonitorFromPoint({0, 0}, 0));
  ShowWindow(w, SW_MAXIMIZE);  // fills the work area of its own monitor
  RECT r;
  GetWindowRect(w, &r);
  EXPECT_EQ(V(r), (std::vector<LONG>{1920, -200, 3200, 824}));
  DestroyWindow(w);
  SetLastError(0);
  EXPECT_EQ(MonitorFromWindow(w, MONITOR_DEFAULTTOPRIMARY), nullptr);
  EXPECT_EQ(ERROR_INVALID_WINDOW_HANDLE, GetLastError());
  GetWindowRect(GetDesktopWindow(), &r);
  EXPECT_EQ(V(r), (std::vector<LONG>{0, -200, 3200, 1080}));
}

TEST_F(TwoMonitors, EnumerationClipsAndStops) {
  std::vector<std::vector<LONG>> seen;
  const RECT clip{1900, 0, 2000, 50};
  EXPECT_TRUE(EnumDisplayMonitors(
      nullptr, &clip,
      [](HMONITOR, HDC, LPRECT r, LPARAM p) {
        reinterpret_cast<std::vector<std::vector<LONG>>*>(p)->push_back(V(*r));
        return BOOL{1};
      },
      reinterpret_cast<LPARAM>(&seen)));
  EXPECT_EQ(seen, (std::vector<std::vector<LONG>>{{1900, 0, 1920, 50}, {1920, 0, 2000, 50}}));
  int calls = 0;
  EnumDisplayMonitors(
      nullptr, nullptr,
      [](HMONITOR, HDC, LPRECT, LPARAM p) {
        ++*reinterpret_cast<int*>(p);
        return BOOL{0};
      },
      reinterpret_cast<LPARAM>(&calls));
  EXPECT_EQ(calls, 1);
}

TEST_F(TwoMonitors, BadArguments) {
  MONITORINFO info{};
  info.cbSize = 12;
  SetLastError(0);
  EXPECT_FALSE(GetMonitorInfoA(MonitorFromPoint({0, 0}, 0), &info));
  EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
  info.cbSize = sizeof info;
  EXPECT_FALSE(GetMonitorInfoA(reinterpret_cast<HMONITOR>(std::uintptr_t{5}), &info));
  EXPECT_EQ(ERROR_INVALID_MONITOR_HANDLE, GetLastError());
  HMONITOR second = MonitorFromPoint({2000, 0}, MONITOR_DEFAULTTONULL);
  ASSERT_TRUE(GetMonitorInfoA(second, &info));
  win32::SetMonitors({});  // back to one monitor: the second handle names nothing now
  EXPECT_FALSE(GetMonitorInfoA(second, &info));
  EXPECT_FALSE(SystemParametersInfoA(0x1234, 0, &info, 0));
}

}  // namespace
